#include "delayfilter.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "qvnumeric.h"

static const char* const kNames[CDelayFilter::PARAM_COUNT] = {"Delay Left", "Delay Right", "Mix"};
static const char* const kLabels[CDelayFilter::PARAM_COUNT] = {"ms", "ms", ""};

static bool InRange(int32 lIndex) { return lIndex >= 0 && lIndex < CDelayFilter::PARAM_COUNT; }

CDelayFilter::CDelayFilter() : m_fMix(0.0f), m_fDry(1.0f)
{
    m_Params.Init(PARAM_COUNT);
    m_Params.SetParameter(DELAY_LEFT, 0.1f);
    m_Params.SetParameter(DELAY_RIGHT, 0.2f);
    m_Params.SetParameter(MIX, 0.5f);
    ActivatePreset();
}

CDelayFilter::~CDelayFilter() {}

IObject* CDelayFilter::Clone()
{
    CDelayFilter* pCopy = new (std::nothrow) CDelayFilter;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CDelayFilter::Create() { return new (std::nothrow) CDelayFilter; }

void CDelayFilter::GetEffectName(char* pText) { std::strcpy(pText, "Delay"); }

int32 CDelayFilter::GetUniqueID() { return QVFourCC('Q', 'V', 'd', 'l'); }

int32 CDelayFilter::GetParameterCount() { return PARAM_COUNT; }

void CDelayFilter::GetParameterName(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kNames[lIndex]);
}

void CDelayFilter::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex < 0) return;
    std::strcpy(pText, InRange(lIndex) ? kLabels[lIndex] : "");
}

void CDelayFilter::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (!InRange(lIndex)) return;
    const float p = GetParameter(lIndex);
    if (lIndex == MIX)
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate((p - 0.5f) * 200.0f));
    else if (p == 0.0f)
        std::strcpy(pText, "Off");
    else
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p * 100.0f));
}

void CDelayFilter::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fMix = GetParameter(MIX);
    m_fMix = fMix;
    m_fDry = 1.0f - fMix;
    // Up to 100 ms; the line of length L delays by max(L - 1, 1) samples.
    const float fLongest = m_fSampleRate / 10.0f;
    for (int c = 0; c < 2; ++c)
        m_DelayUnit[c].SetDelayLength(QVDelayLength(fLongest * GetParameter(DELAY_LEFT + c), fLongest));
}

int32 CDelayFilter::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    // Each output needs both inputs: its own dry and its partner's delayed.
    const float* const pIn[2] = {ppIn[0], ppIn[1]};
    if (!pIn[0] || !pIn[1]) return 1;
    float* const pOut[2] = {ppOut[0], ppOut[1]};
    const float fDry = m_fDry;
    const float fMix = m_fMix;
    // In chunks: both delayed partners first, so that in-place buffers feed each line
    // the unprocessed partner samples, then the mixes.
    const uint32 kChunk = 256;
    float fDelayed[2][kChunk];
    for (uint32 dwDone = 0; dwDone < dwFrames; dwDone += kChunk) {
        const uint32 n = dwFrames - dwDone < kChunk ? dwFrames - dwDone : kChunk;
        for (int c = 0; c < 2; ++c)
            if (pOut[c]) m_DelayUnit[c].GetAndPutSamples(pIn[1 - c] + dwDone, fDelayed[c], n);
        for (int c = 0; c < 2; ++c) {
            if (!pOut[c]) continue;
            const float* const x = pIn[c] + dwDone;
            const float* const d = fDelayed[c];
            float* const y = pOut[c] + dwDone;
            if (bAdd)
                for (uint32 i = 0; i < n; ++i) y[i] += x[i] * fDry + d[i] * fMix;
            else
                for (uint32 i = 0; i < n; ++i) y[i] = x[i] * fDry + d[i] * fMix;
        }
    }
    return 1;
}

int32 CDelayFilter::Reset()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].Clear();
    m_DelayUnit[1].Clear();
    return 1;
}

void CDelayFilter::StartProcess()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].StartProcess();
    m_DelayUnit[1].StartProcess();
}

void CDelayFilter::StopProcess()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].StopProcess();
    m_DelayUnit[1].StopProcess();
}
