#include "compander.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "qvnumeric.h"

static const char* const kNames[CCompander::PARAM_COUNT] = {"Pre Gain", "Compress", "Threshold", "Expand",
                                                            "Threshold", "Attack", "Release", "Smoothing",
                                                            "Post Gain", "Delay"};
// Smoothing has no unit: its label is left as the caller had it.
static const char* const kLabels[CCompander::PARAM_COUNT] = {"dB", "Ratio", "dB", "Ratio", "dB",
                                                             "ms", "ms", nullptr, "dB", "ms"};

static bool InRange(int32 lIndex) { return lIndex >= 0 && lIndex < CCompander::PARAM_COUNT; }

CCompander::CCompander()
    : m_fPreGain(0.0f),
      m_fCompThreshold(0.0f),
      m_fExpThreshold(0.0f),
      m_fPostGain(0.0f),
      m_fCompSlope(1.0f),
      m_fExpSlope(1.0f),
      m_fCompOffset(0.0f),
      m_fExpOffset(0.0f),
      m_fMakeUpGain(0.0f),
      m_fAttack(0.0f),
      m_fRelease(0.0f),
      m_fSmoothIn(1.0f),
      m_fSmooth(0.0f),
      m_fLevel{0.0f, 0.0f},
      m_fSmoothed{0.0f, 0.0f}
{
    static const float kDefaults[PARAM_COUNT] = {0.5f, 0.0f, 0.8f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.5f, 0.0f};
    m_Params.Init(PARAM_COUNT);
    for (int32 i = 0; i < PARAM_COUNT; ++i) m_Params.SetParameter(i, kDefaults[i]);
    ActivatePreset();
}

CCompander::~CCompander() {}

IObject* CCompander::Clone()
{
    CCompander* pCopy = new (std::nothrow) CCompander;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CCompander::Create() { return new (std::nothrow) CCompander; }

void CCompander::GetEffectName(char* pText) { std::strcpy(pText, "Compander"); }

int32 CCompander::GetUniqueID() { return QVFourCC('Q', 'V', 'c', 'p'); }

int32 CCompander::GetParameterCount() { return PARAM_COUNT; }

void CCompander::GetParameterName(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kNames[lIndex]);
}

void CCompander::GetParameterLabel(int32 lIndex, char* pText)
{
    if (InRange(lIndex) && kLabels[lIndex]) std::strcpy(pText, kLabels[lIndex]);
}

void CCompander::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (!InRange(lIndex)) return;
    const float p = GetParameter(lIndex);
    switch (lIndex) {
    case PRE_GAIN:
    case POST_GAIN:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 48.0f - 24.0f));
        break;
    case COMPRESS:
        // In double: single precision would show p = 1 as 9998.34:1.
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f:1", 1.0 / (1.0 - 0.9999 * double(p)));
        break;
    case EXPAND:
        std::snprintf(pText, QV_DISPLAY_SIZE, "1:%.2f", 1.0 / (1.0 - 0.9999 * double(p)));
        break;
    case COMP_THRESHOLD:
    case EXP_THRESHOLD:
        // In single precision: 0.8 shows -20, not the -19 that double arithmetic gives.
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p * 100.0f - 100.0f));
        break;
    case ATTACK:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 10.0f));
        break;
    case RELEASE:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 100.0f));
        break;
    case SMOOTHING:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p));
        break;
    case DELAY:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 20.0f));
        break;
    }
}

void CCompander::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fs = m_fSampleRate;
    m_fCompSlope = 1.0f - GetParameter(COMPRESS);
    // The upper threshold never lies below the lower one; the stored value follows.
    if (GetParameter(EXP_THRESHOLD) > GetParameter(COMP_THRESHOLD))
        m_Params.SetParameter(COMP_THRESHOLD, GetParameter(EXP_THRESHOLD));
    m_fCompThreshold = GetParameter(COMP_THRESHOLD) * 100.0f - 100.0f;
    m_fExpSlope = 1.0f / (1.0f - GetParameter(EXPAND) * 0.999f);
    m_fExpThreshold = GetParameter(EXP_THRESHOLD) * 100.0f - 100.0f;
    m_fAttack = 10.0f / (std::max(GetParameter(ATTACK), 0.0001f) * fs);
    m_fRelease = 1.0f / (std::max(GetParameter(RELEASE), 0.001f) * fs);
    m_fPostGain = GetParameter(POST_GAIN) * 48.0f - 24.0f;
    m_fPreGain = GetParameter(PRE_GAIN) * 48.0f - 24.0f;
    m_fSmooth = GetParameter(SMOOTHING) * 0.99f;
    m_fSmoothIn = 1.0f - m_fSmooth;

    m_fCompOffset = (1.0f - m_fCompSlope) * m_fCompThreshold;
    m_fExpOffset = m_fExpThreshold * m_fExpSlope;
    m_fMakeUpGain = m_fCompOffset * -0.8f;

    // Up to 20 ms of look-ahead; the lines keep their content across the change.
    const float fLongest = fs * 0.02f;
    const unsigned int dwLength = QVDelayLength(GetParameter(DELAY) * fs * 0.02f, fLongest);
    m_DelayUnit[0].SetDelayLength(dwLength);
    m_DelayUnit[1].SetDelayLength(dwLength);
    // Written, then read one slot further on: the audio comes L - 2 samples late.
    m_dwLatency = dwLength > 2 ? dwLength - 2 : 0;
}

int32 CCompander::Init(float fAttack, float fRelease, float fCompress, float fExpand, float fCompThreshold,
                       float fExpThreshold, float fPostGain)
{
    CFilterLock lock(m_Lock);
    m_Params.SetParameter(ATTACK, fAttack);
    m_Params.SetParameter(RELEASE, fRelease);
    m_Params.SetParameter(COMPRESS, fCompress);
    m_Params.SetParameter(EXPAND, fExpand);
    m_Params.SetParameter(COMP_THRESHOLD, fCompThreshold);
    m_Params.SetParameter(EXP_THRESHOLD, fExpThreshold);
    m_Params.SetParameter(POST_GAIN, fPostGain);
    ActivatePreset();
    return 1;
}

float CCompander::Transform(float x)
{
    float d = std::fabs(x) > 0.00001f ? float(20.0 * std::log10(double(x))) : -100.0f;
    d = d + m_fPreGain;
    if (d > m_fCompThreshold)
        d = d * m_fCompSlope + m_fCompOffset;
    else if (d < m_fExpThreshold)
        d = d * m_fExpSlope + m_fExpThreshold - m_fExpOffset;
    return float(std::pow(10.0, double((d + m_fMakeUpGain + m_fPostGain) / 20.0f)));
}

int32 CCompander::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    const float fAttack = m_fAttack;
    const float fRelease = m_fRelease;
    const float fSmoothIn = m_fSmoothIn;
    const float fSmooth = m_fSmooth;
    // The channels share nothing, so each runs through the whole block on its own.
    for (int c = 0; c < 2; ++c) {
        // A stored level that is zero, subnormal or not finite restarts the detector.
        float e = m_fLevel[c];
        const uint32 dwExponent = QVExponentField(e);
        if (dwExponent == 0 || dwExponent == 0xffu) e = 0.0f;
        m_fLevel[c] = e;
        const float* const pIn = ppIn[c];
        float* const pOut = ppOut[c];
        if (!pIn || !pOut) continue;
        float fSmoothed = m_fSmoothed[c];
        CDelayUnit& line = m_DelayUnit[c];
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float x = pIn[i];
            const float a = std::fabs(x);
            // The detector hears the input now; the gain lands on the delayed audio.
            line.PutSample(x);
            const float y = line.GetLastSample();
            const float fStep = a >= e ? (a - e) * fAttack : (a - e) * fRelease;
            float g = (e + fStep) * fSmoothIn + fSmooth * fSmoothed;
            if (QVIsNonFinite(g)) g = 0.0f;
            fSmoothed = g;
            if (double(g) < 0.001) g = 0.001f;        // never below -60 dB
            if (g > 20.0f) g = (g - 20.0f) * 0.9f + 20.0f; // soft knee above +26 dB
            const float h = Transform(g);
            e = g;
            const float v = h / g * y;
            if (bAdd)
                pOut[i] += v;
            else
                pOut[i] = v;
        }
        m_fLevel[c] = e;
        m_fSmoothed[c] = fSmoothed;
    }
    return 1;
}

int32 CCompander::Reset()
{
    CFilterLock lock(m_Lock);
    for (int c = 0; c < 2; ++c) {
        m_DelayUnit[c].Clear();
        m_fLevel[c] = 0.0f;
        m_fSmoothed[c] = 0.0f;
    }
    return 1;
}

void CCompander::StartProcess()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].StartProcess();
    m_DelayUnit[1].StartProcess();
}

void CCompander::StopProcess()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].StopProcess();
    m_DelayUnit[1].StopProcess();
}
