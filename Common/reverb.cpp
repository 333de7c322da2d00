#include "reverb.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

const float kFixedGain = 0.015f;
const float kScaleDamp = 0.4f;
const float kScaleRoom = 0.28f;
const float kOffsetRoom = 0.7f;
const float kFreezeMode = 0.5f;

constexpr int32 StorageNeeded()
{
    int32 lTotal = 0;
    for (int32 k = 0; k < revmodel::NUM_COMBS; ++k) lTotal += 2 * revmodel::kCombTuning[k] + revmodel::STEREO_SPREAD;
    for (int32 k = 0; k < revmodel::NUM_ALLPASSES; ++k)
        lTotal += 2 * revmodel::kAllpassTuning[k] + revmodel::STEREO_SPREAD;
    return lTotal;
}
static_assert(StorageNeeded() == revmodel::STORAGE_SIZE, "the stages fill the storage exactly");

} // namespace

// ---------------------------------------------------------------------------------------
// Stages

void comb::mute()
{
    for (int32 i = 0; i < m_lSize; ++i) m_pBuffer[i] = 0.0f;
}

void allpass::mute()
{
    for (int32 i = 0; i < m_lSize; ++i) m_pBuffer[i] = 0.0f;
}

// ---------------------------------------------------------------------------------------
// revmodel

revmodel::revmodel()
{
    float* pNext = m_fStorage;
    for (int32 k = 0; k < NUM_COMBS; ++k) {
        m_CombL[k].setbuffer(pNext, kCombTuning[k]);
        pNext += kCombTuning[k];
        m_CombR[k].setbuffer(pNext, kCombTuning[k] + STEREO_SPREAD);
        pNext += kCombTuning[k] + STEREO_SPREAD;
    }
    for (int32 k = 0; k < NUM_ALLPASSES; ++k) {
        m_AllpassL[k].setbuffer(pNext, kAllpassTuning[k]);
        pNext += kAllpassTuning[k];
        m_AllpassR[k].setbuffer(pNext, kAllpassTuning[k] + STEREO_SPREAD);
        pNext += kAllpassTuning[k] + STEREO_SPREAD;
        m_AllpassL[k].setfeedback(0.5f);
        m_AllpassR[k].setfeedback(0.5f);
    }
    m_fWet = 0.5f;
    m_fRoomSize = 0.84f;
    m_fDry = 0.6f;
    m_fDamping = 0.2f;
    m_fWidth = 1.0f;
    m_fMode = 0.0f;
    update();
    mute();
}

// A frozen model keeps its tail: muting it would end the sustain.
void revmodel::mute()
{
    if (m_fMode >= kFreezeMode) return;
    for (int32 k = 0; k < NUM_COMBS; ++k) {
        m_CombL[k].mute();
        m_CombR[k].mute();
    }
    for (int32 k = 0; k < NUM_ALLPASSES; ++k) {
        m_AllpassL[k].mute();
        m_AllpassR[k].mute();
    }
}

void revmodel::setroomsize(float fValue)
{
    m_fRoomSize = kScaleRoom * fValue + kOffsetRoom;
    update();
}

float revmodel::getroomsize() const { return (m_fRoomSize - kOffsetRoom) / kScaleRoom; }

void revmodel::setdamp(float fValue)
{
    m_fDamping = kScaleDamp * fValue;
    update();
}

float revmodel::getdamp() const { return m_fDamping / kScaleDamp; }

void revmodel::setwet(float fValue)
{
    m_fWet = fValue;
    update();
}

void revmodel::setwidth(float fValue)
{
    m_fWidth = fValue;
    update();
}

void revmodel::setmode(float fValue)
{
    m_fMode = fValue;
    update();
}

// Frozen: no new input, lossless combs, so the current tail sustains.
void revmodel::update()
{
    m_fWet1 = (m_fWidth * 0.5f + 0.5f) * m_fWet;
    m_fWet2 = (1.0f - m_fWidth) * 0.5f * m_fWet;
    if (m_fMode >= kFreezeMode) {
        m_fRoomSizeInUse = 1.0f;
        m_fDampingInUse = 0.0f;
        m_fInputGain = 0.0f;
    } else {
        m_fRoomSizeInUse = m_fRoomSize;
        m_fDampingInUse = m_fDamping;
        m_fInputGain = kFixedGain;
    }
    for (int32 k = 0; k < NUM_COMBS; ++k) {
        m_CombL[k].setfeedback(m_fRoomSizeInUse);
        m_CombR[k].setfeedback(m_fRoomSizeInUse);
        m_CombL[k].setdamp(m_fDampingInUse);
        m_CombR[k].setdamp(m_fDampingInUse);
    }
}

void revmodel::processreplace(float* pInL, float* pInR, float* pOutL, float* pOutR, int32 lFrames, int32 lSkip)
{
    process<false>(pInL, pInR, pOutL, pOutR, lFrames, lSkip);
}

void revmodel::processmix(float* pInL, float* pInR, float* pOutL, float* pOutR, int32 lFrames, int32 lSkip)
{
    process<true>(pInL, pInR, pOutL, pOutR, lFrames, lSkip);
}

// A missing right input is taken from the left, so a mono source still feeds both comb
// banks. The right result is stored only where the right channel has both its buffers:
// storing it into the left output instead would overwrite (or, mixing, double) the left
// result, and in place its dry term would read the processed left sample.
template <bool bMix>
void revmodel::process(float* pInL, float* pInR, float* pOutL, float* pOutR, int32 lFrames, int32 lSkip)
{
    if (!pInL || !pOutL) return;
    const bool bRight = pInR && pOutR;
    if (!pInR) pInR = pInL;
    for (int32 i = 0; i < lFrames; ++i) {
        float x = (*pInL + *pInR) * m_fInputGain;
        if (bMix && QVIsNonFinite(x)) x = 0.0f;
        float outL = 0.0f;
        float outR = 0.0f;
        for (int32 k = 0; k < NUM_COMBS; ++k) {
            outL += m_CombL[k].process(x);
            outR += m_CombR[k].process(x);
        }
        for (int32 k = 0; k < NUM_ALLPASSES; ++k) {
            outL = m_AllpassL[k].process(outL);
            outR = m_AllpassR[k].process(outR);
        }
        const float fLeft = outL * m_fWet1 + outR * m_fWet2 + *pInL * m_fDry;
        *pOutL = bMix ? *pOutL + fLeft : fLeft;
        if (bRight) {
            const float fRight = outR * m_fWet1 + outL * m_fWet2 + *pInR * m_fDry;
            *pOutR = bMix ? *pOutR + fRight : fRight;
        }
        pInL += lSkip;
        pInR += lSkip;
        pOutL += lSkip;
        if (bRight) pOutR += lSkip;
    }
}

// ---------------------------------------------------------------------------------------
// CReverb

namespace {

const struct {
    const char* pName;
    const char* pLabel;
} kReverbParams[] = {
    {"Mode", "mode"}, {"Room size", "size"}, {"Damping", "%"}, {"Width", "%"}, {"Wet level", "dB"}, {"Dry level", "dB"},
};
const int32 kReverbParamCount = int32(sizeof(kReverbParams) / sizeof(kReverbParams[0]));

bool InRange(int32 lIndex) { return lIndex >= 0 && lIndex < kReverbParamCount; }

} // namespace

CReverb::CReverb() : m_pModel(nullptr)
{
    static const float kDefaults[] = {0.0f, 0.5f, 0.5f, 1.0f, 0.44f, 0.95f};
    m_Params.Init(kReverbParamCount);
    for (int32 i = 0; i < kReverbParamCount; ++i) m_Params.SetParameter(i, kDefaults[i]);
    ActivatePreset();
}

CReverb::~CReverb() { StopProcess(); }

IObject* CReverb::Clone()
{
    CReverb* pCopy = new (std::nothrow) CReverb;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CReverb::Create() { return new (std::nothrow) CReverb; }

void CReverb::GetEffectName(char* pText) { std::strcpy(pText, "Reverb"); }

int32 CReverb::GetUniqueID() { return QVFourCC('Q', 'V', 'r', 'v'); }

int32 CReverb::GetParameterCount() { return kReverbParamCount; }

void CReverb::GetParameterName(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kReverbParams[lIndex].pName);
}

void CReverb::GetParameterLabel(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kReverbParams[lIndex].pLabel);
}

void CReverb::GetParameterDisplay(int32 lIndex, char* pText)
{
    const float p = m_Params.GetParameter(lIndex);
    switch (lIndex) {
    case 0:
        std::strcpy(pText, p >= kFreezeMode ? "Freeze" : "Normal");
        break;
    case 1:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%0.3f", double(p * kScaleRoom + kOffsetRoom));
        break;
    case 2:
    case 3:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p * 100.0f));
        break;
    case 4:
    case 5:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%0.3f", double(p));
        break;
    default:
        break;
    }
}

void CReverb::StartProcess()
{
    CFilterLock lock(m_Lock);
    if (m_pModel) return;
    m_pModel = new (std::nothrow) revmodel;
    ActivatePreset();
}

void CReverb::StopProcess()
{
    CFilterLock lock(m_Lock);
    delete m_pModel;
    m_pModel = nullptr;
}

int32 CReverb::Reset()
{
    CFilterLock lock(m_Lock);
    if (m_pModel) m_pModel->mute();
    return 1;
}

// Without a model the values wait in m_Params until StartProcess creates one.
void CReverb::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    if (!m_pModel) return;
    m_pModel->setmode(m_Params.GetParameter(0));
    m_pModel->setroomsize(m_Params.GetParameter(1));
    m_pModel->setdamp(m_Params.GetParameter(2));
    m_pModel->setwet(m_Params.GetParameter(4));
    m_pModel->setdry(m_Params.GetParameter(5));
    m_pModel->setwidth(m_Params.GetParameter(3));
}

// Before StartProcess, or without a left channel, the output is left as it is.
int32 CReverb::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    if (!m_pModel || !ppIn || !ppOut || !ppIn[0] || !ppOut[0]) return 1;
    float* pIn[2] = {ppIn[0], ppIn[1]};
    float* pOut[2] = {ppOut[0], ppOut[1]};
    // The engine counts frames in a signed integer: longer blocks go in slices.
    const uint32 dwSliceMax = uint32(INT32_MAX);
    while (dwFrames > 0) {
        const uint32 dwSlice = dwFrames < dwSliceMax ? dwFrames : dwSliceMax;
        if (bAdd)
            m_pModel->processmix(pIn[0], pIn[1], pOut[0], pOut[1], int32(dwSlice), 1);
        else
            m_pModel->processreplace(pIn[0], pIn[1], pOut[0], pOut[1], int32(dwSlice), 1);
        for (int c = 0; c < 2; ++c) {
            if (pIn[c]) pIn[c] += dwSlice;
            if (pOut[c]) pOut[c] += dwSlice;
        }
        dwFrames -= dwSlice;
    }
    return 1;
}
