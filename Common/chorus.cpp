#include "chorus.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "qvassert.h"
#include "qvnumeric.h"

static const char kSource[] = "Common/chorus";

// Slots of a voice's one-second line: the sample rate truncated, at least 1 (a rate
// below 1 Hz would ask for an empty line) and at most 2^20, which bounds the eight
// buffers the voices allocate whatever rate a host announces.
static unsigned int OneSecond(float fSampleRate)
{
    const float kLongest = 1048576.0f;
    if (!(fSampleRate >= 1.0f)) return 1;
    if (fSampleRate > kLongest) fSampleRate = kLongest;
    return static_cast<unsigned int>(fSampleRate);
}

CChorusUnit::CChorusUnit() : m_lChannels(0), m_dDelay(0.0), m_fMix(0.0f), m_fFeedback(0.0f) {}

// The oscillator keeps running through Init (its phases survive unless bReset asks for
// a restart on a new channel count), so that a parameter change does not jump the sweep.
// A line already running is resized with its history blended in.
//
// Every setting arrives converted by the owning filter: fDelay and fDepth in samples,
// fRateHz in Hz, fPhaseDelay in cycles, fMix the voice's output level. Depth and rate
// are nominal; the oscillator draws the values it uses from them with the two
// variations. One second of line holds any base delay plus swing the parameters give
// (at most 110 ms).
//
// More than MAX_CHANNELS is a programming error of the owning filter: it stops the
// program with this line in the failure text; keep the condition here when editing.
void CChorusUnit::Init(int32 lChannels, float fDelay, float fDepth, float fDepthRand, float fRateHz, float fRateRand,
                       float fPhaseDelay, float fSampleRate, float fMix, float fFeedback, bool bReset)
{
    QV_ASSERT(kSource, lChannels <= MAX_CHANNELS);
    m_lChannels = lChannels;
    m_LFO.Init(lChannels, double(fDepth), double(fDepthRand), double(fRateHz), double(fRateRand), double(fPhaseDelay),
               double(fSampleRate), bReset);
    const unsigned int dwLength = OneSecond(fSampleRate);
    for (int32 c = 0; c < lChannels; ++c) m_DelayUnit[c].SetDelayLength(dwLength);
    m_dDelay = double(fDelay);
    m_fMix = fMix;
    m_fFeedback = fFeedback;
}

// The line is read at the base delay plus the oscillator (the delay line raises reads
// below 2 samples and holds those beyond its length at the far end, NaN included). A
// value fed back that is not finite is stored as silence: it would otherwise circulate
// in the loop for good.
float CChorusUnit::ProcessSample(int32 c, float x)
{
    const float d = float(double(m_LFO.GetValue(c)) + m_dDelay);
    const float y = m_DelayUnit[c].GetSample(d);
    float v = y * m_fFeedback + x;
    if (QVIsNonFinite(v)) v = 0.0f;
    m_DelayUnit[c].PutSample(v);
    return y * m_fMix;
}

void CChorusUnit::Reset()
{
    for (int32 c = 0; c < m_lChannels; ++c) m_DelayUnit[c].Clear();
    m_LFO.Reset();
}

void CChorusUnit::StartProcess()
{
    for (int32 c = 0; c < m_lChannels; ++c) m_DelayUnit[c].StartProcess();
}

void CChorusUnit::StopProcess()
{
    for (int32 c = 0; c < m_lChannels; ++c) m_DelayUnit[c].StopProcess();
}

// ---------------------------------------------------------------------------------------
// CChorus

static const char* const kNames[CChorus::PARAM_COUNT] = {"Layers",    "Delay",      "Feedback",    "LFO Rate", "LFO Depth",
                                                          "Rate Rand", "Depth Rand", "Phase Delay", "Mix"};
static const char* const kLabels[CChorus::PARAM_COUNT] = {"", "ms", "", "hz", "ms", "", "", "degrees", ""};

static bool InRange(int32 lIndex) { return lIndex >= 0 && lIndex < CChorus::PARAM_COUNT; }

// trunc(p x 0.999 x 4) + 1 voices; a host value outside 0..1 is held to 1..4.
static int32 LayerCount(int32 lTruncated)
{
    if (lTruncated < 1) return 1;
    return lTruncated > CChorus::MAX_LAYERS ? int32(CChorus::MAX_LAYERS) : lTruncated;
}

CChorus::CChorus() : m_lLayers(1), m_fMix(0.0f), m_fDry(1.0f)
{
    static const float kDefaults[PARAM_COUNT] = {0.415f, 0.455f, 0.585f, 0.48f, 0.925f, 0.82f, 0.79f, 0.5f, 0.795f};
    for (int32 k = 0; k < MAX_LAYERS; ++k) m_ChorusUnit[k].Seed(uint32(k + 1));
    m_Params.Init(PARAM_COUNT);
    for (int32 i = 0; i < PARAM_COUNT; ++i) m_Params.SetParameter(i, kDefaults[i]);
    ActivatePreset();
}

IObject* CChorus::Clone()
{
    CChorus* pCopy = new (std::nothrow) CChorus;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CChorus::Create() { return new (std::nothrow) CChorus; }

void CChorus::GetEffectName(char* pText) { std::strcpy(pText, "Chorus"); }

int32 CChorus::GetUniqueID() { return QVFourCC('Q', 'V', 'c', 'h'); }

int32 CChorus::GetParameterCount() { return PARAM_COUNT; }

void CChorus::GetParameterName(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kNames[lIndex]);
}

void CChorus::GetParameterLabel(int32 lIndex, char* pText) { std::strcpy(pText, InRange(lIndex) ? kLabels[lIndex] : ""); }

void CChorus::GetParameterDisplay(int32 lIndex, char* pText)
{
    const double p = double(GetParameter(lIndex));
    switch (lIndex) {
    case LAYERS:
    {
        const int32 lTruncated = QVTruncate(p * 0.999 * 4.0);
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", LayerCount(lTruncated < MAX_LAYERS ? lTruncated + 1 : MAX_LAYERS));
    }
        break;
    case DELAY:
        std::snprintf(pText, 5, "%.2f", p * 100.0); // four characters: 45.50 shows 45.5
        break;
    case FEEDBACK:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(GetParameter(lIndex) - 0.5f) * 200.0);
        break;
    case LFO_RATE:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(float(std::pow(10.0, p * 3.0) / 100.0)));
        break;
    case LFO_DEPTH:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", p * 10.0);
        break;
    case RATE_RAND:
    case DEPTH_RAND:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", p * 100.0);
        break;
    case PHASE_DELAY:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", p * 360.0);
        break;
    case MIX:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate((GetParameter(lIndex) - 0.5f) * 200.0f));
        break;
    default:
        break;
    }
}

// Voices at or above the layer count keep their old settings and are not used. Each
// active voice gets the same settings, but draws its own random rates and depths.
void CChorus::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fs = m_fSampleRate;
    const float fRate = float(std::pow(10.0, double(GetParameter(LFO_RATE) * 3.0f)) / 100.0);
    const float fDepth = GetParameter(LFO_DEPTH) * fs / 100.0f;
    const float fRateRand = GetParameter(RATE_RAND);
    const float fDepthRand = GetParameter(DEPTH_RAND);
    const float fFeedback = (GetParameter(FEEDBACK) - 0.5f) * 1.99f;
    const float fPhase = GetParameter(PHASE_DELAY);
    m_fMix = GetParameter(MIX);
    m_fDry = 1.0f - m_fMix;
    m_lLayers = LayerCount(QVTruncate(1.0f + GetParameter(LAYERS) * 0.999f * 4.0f));
    // The swept delay never falls below zero: the base is at least the depth.
    float fDelay = GetParameter(DELAY) * fs / 10.0f;
    if (fDepth > fDelay) fDelay = fDepth;
    const float fLevel = float(double(m_fMix) / std::sqrt(double(m_lLayers)));
    for (int32 k = 0; k < m_lLayers; ++k)
        m_ChorusUnit[k].Init(2, fDelay, fDepth, fDepthRand, fRate, fRateRand, fPhase, fs, fLevel, fFeedback, false);
}

// All oscillators advance once per frame, then each present channel sums the voices.
// The input sample is read before the output is written, so in place is safe.
int32 CChorus::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    const bool bPresent[2] = {ppIn && ppOut && ppIn[0] && ppOut[0], ppIn && ppOut && ppIn[1] && ppOut[1]};
    const int32 lLayers = m_lLayers;
    for (uint32 i = 0; i < dwFrames; ++i) {
        for (int32 k = 0; k < lLayers; ++k) m_ChorusUnit[k].Increment();
        for (int32 c = 0; c < 2; ++c) {
            if (!bPresent[c]) continue;
            const float x = ppIn[c][i];
            float s = 0.0f;
            for (int32 k = 0; k < lLayers; ++k) s += m_ChorusUnit[k].ProcessSample(c, x);
            const float y = x * m_fDry + s;
            if (bAdd)
                ppOut[c][i] += y;
            else
                ppOut[c][i] = y;
        }
    }
    return 1;
}

// Reset clears every voice, active or not, and restarts the sweeps; the drawn rates and
// depths stay. Start and stop concern the active voices: one that becomes active later
// has no storage (and adds silence) until the next StartProcess. All three take the
// lock, since they change what a block on another thread reads.
int32 CChorus::Reset()
{
    CFilterLock lock(m_Lock);
    for (int32 k = 0; k < MAX_LAYERS; ++k) m_ChorusUnit[k].Reset();
    return 1;
}

void CChorus::StartProcess()
{
    CFilterLock lock(m_Lock);
    for (int32 k = 0; k < m_lLayers; ++k) m_ChorusUnit[k].StartProcess();
}

void CChorus::StopProcess()
{
    CFilterLock lock(m_Lock);
    for (int32 k = 0; k < m_lLayers; ++k) m_ChorusUnit[k].StopProcess();
}
