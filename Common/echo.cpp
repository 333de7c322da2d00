#include "echo.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "qvassert.h"
#include "qvnumeric.h"

static const char kSource[] = "Common/echo";

// No tap line is longer than this many samples (43 s at 48 kHz), whatever sample rate
// or tempo a host announces: it bounds the four buffers the taps allocate.
static const float kLongestLine = 2097152.0f;

CEchoUnit::CEchoUnit()
    : m_lChannels(0), m_fGain(0.0f), m_fFeedback(0.0f), m_fDamp(0.0f), m_fHold(0.0f), m_fLast{0.0f, 0.0f}, m_bActive(false)
{
}

// Each line gets trunc(delay) + 1 slots, the delay bounded by kLongestLine. The
// feedback goes to line (c + 1) modulo the channel count, so a tap is switched on only
// with at least one channel; a tap switched off keeps its settings and what its lines
// hold. The third argument is not used (the filters pass their sample rate): the delay
// comes in samples already. More than MAX_CHANNELS is a programming error of the owning
// filter: it stops the program with this line in the failure text, so keep the
// condition on the line it is known by when editing above.
void CEchoUnit::Init(int32 lChannels, float fDelay, float, float fGain, float fFeedback, float fDamp)
{
    QV_ASSERT(kSource, lChannels <= MAX_CHANNELS);
    if (!(double(fDelay) > 0.0001) || lChannels < 1) {
        m_bActive = false;
        return;
    }
    m_lChannels = lChannels;
    m_fDamp = fDamp;
    m_fHold = 1.0f - fDamp;
    for (int32 c = 0; c < lChannels; ++c) m_DelayUnit[c].SetDelayLength(QVDelayLength(fDelay, kLongestLine));
    m_fGain = fGain;
    m_fFeedback = fFeedback;
    m_bActive = true;
}

// Each channel reads its own line's far end and feeds the other channel's line, so the
// echoes bounce between left and right. A damped value of 1000 or more in magnitude (or
// one that is not a number) is taken as 0, which stops a runaway loop.
float CEchoUnit::ProcessSample(int32 c, float x)
{
    if (!m_bActive) return 0.0f;
    const float d = m_DelayUnit[c].GetLastSample();
    float f = d * m_fDamp + m_fHold * m_fLast[c];
    if (!(f > -1000.0f && f < 1000.0f)) f = 0.0f;
    m_fLast[c] = f;
    m_DelayUnit[(c + 1) % m_lChannels].PutSample(f * m_fFeedback + x);
    return f * m_fGain;
}

void CEchoUnit::StartProcess()
{
    for (int32 c = 0; c < m_lChannels; ++c) {
        m_DelayUnit[c].StartProcess();
        m_fLast[c] = 0.0f;
    }
}

void CEchoUnit::StopProcess()
{
    for (int32 c = 0; c < m_lChannels; ++c) m_DelayUnit[c].StopProcess();
}

void CEchoUnit::Reset()
{
    for (int32 c = 0; c < m_lChannels; ++c) {
        m_DelayUnit[c].Clear();
        m_fLast[c] = 0.0f;
    }
}

// ---------------------------------------------------------------------------------------
// CEchoBase

static const char* const kNames[CEchoBase::PARAM_COUNT] = {"Delay A", "Delay B", "Feedback", "Damping", "Mix"};

static bool InRange(int32 lIndex) { return lIndex >= 0 && lIndex < CEchoBase::PARAM_COUNT; }

CEchoBase::CEchoBase() : m_fMix(0.0f), m_fDry(1.0f)
{
    static const float kDefaults[PARAM_COUNT] = {0.1f, 0.0f, 0.4f, 0.5f, 0.5f};
    m_Params.Init(PARAM_COUNT);
    for (int32 i = 0; i < PARAM_COUNT; ++i) m_Params.SetParameter(i, kDefaults[i]);
}

int32 CEchoBase::GetParameterCount() { return PARAM_COUNT; }

void CEchoBase::GetParameterName(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kNames[lIndex]);
}

void CEchoBase::GetParameterLabel(int32 lIndex, char* pText)
{
    std::strcpy(pText, lIndex == DELAY_A || lIndex == DELAY_B ? DelayLabel() : "");
}

void CEchoBase::GetParameterDisplay(int32 lIndex, char* pText)
{
    const float p = GetParameter(lIndex);
    switch (lIndex) {
    case DELAY_A:
    case DELAY_B:
        if (p == 0.0f)
            std::strcpy(pText, "Off");
        else
            DelayDisplay(p, pText);
        break;
    case FEEDBACK:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p - 0.5f) * 200.0);
        break;
    case DAMPING:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 100.0f));
        break;
    case MIX:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate((p - 0.5f) * 200.0f));
        break;
    default:
        break;
    }
}

// The levels change under the lock with the taps, so a new setting lands between two
// blocks, never inside one.
void CEchoBase::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fFeedback = (GetParameter(FEEDBACK) - 0.5f) * 1.99f;
    const float fDampRoot = GetParameter(DAMPING) * -0.99f + 1.0f;
    const float fDamp = fDampRoot * fDampRoot;
    m_fMix = GetParameter(MIX);
    m_fDry = 1.0f - m_fMix;
    // A delay parameter at 1 gives the longest delay; a host value beyond it is held
    // there, so what a tap allocates stays what the filter can show.
    const float fLongest = DelaySamples(1.0f);
    for (int32 t = 0; t < 2; ++t) {
        float fDelay = DelaySamples(GetParameter(DELAY_A + t));
        if (fDelay > fLongest) fDelay = fLongest;
        m_EchoUnit[t].Init(2, fDelay, m_fSampleRate, m_fMix, fFeedback, fDamp);
    }
}

// Channel 0 is processed before channel 1 at each sample index and reads its input
// before writing its output, which makes in-place buffers safe.
int32 CEchoBase::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    if (!ppIn || !ppOut) return 1;
    for (uint32 i = 0; i < dwFrames; ++i)
        for (int32 c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            const float x = ppIn[c][i];
            float s = 0.0f;
            s += m_EchoUnit[0].ProcessSample(c, x);
            s += m_EchoUnit[1].ProcessSample(c, x);
            const float y = x * m_fDry + s;
            if (bAdd)
                ppOut[c][i] += y;
            else
                ppOut[c][i] = y;
        }
    return 1;
}

int32 CEchoBase::Reset()
{
    CFilterLock lock(m_Lock);
    m_EchoUnit[0].Reset();
    m_EchoUnit[1].Reset();
    return 1;
}

// Only the taps switched on get storage; one switched on later stays silent until the
// next StartProcess.
void CEchoBase::StartProcess()
{
    CFilterLock lock(m_Lock);
    m_EchoUnit[0].StartProcess();
    m_EchoUnit[1].StartProcess();
}

void CEchoBase::StopProcess()
{
    CFilterLock lock(m_Lock);
    m_EchoUnit[0].StopProcess();
    m_EchoUnit[1].StopProcess();
}

// ---------------------------------------------------------------------------------------
// CEcho: up to one second per tap.

CEcho::CEcho() { ActivatePreset(); }

IObject* CEcho::Clone()
{
    CEcho* pCopy = new (std::nothrow) CEcho;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CEcho::Create() { return new (std::nothrow) CEcho; }

void CEcho::GetEffectName(char* pText) { std::strcpy(pText, "Echo"); }

int32 CEcho::GetUniqueID() { return QVFourCC('Q', 'V', 'e', 'c'); }

float CEcho::DelaySamples(float p) { return p * m_fSampleRate; }

const char* CEcho::DelayLabel() { return "ms"; }

void CEcho::DelayDisplay(float p, char* pText)
{
    std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(double(p) * 1000.0));
}

// ---------------------------------------------------------------------------------------
// CDJEcho: up to two seconds per tap, or four beats at the host's tempo.

CDJEcho::CDJEcho() : m_dTempo(0.0) { ActivatePreset(); }

IObject* CDJEcho::Clone()
{
    CDJEcho* pCopy = new (std::nothrow) CDJEcho;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CDJEcho::Create() { return new (std::nothrow) CDJEcho; }

void CDJEcho::GetEffectName(char* pText) { std::strcpy(pText, "DJEcho"); }

int32 CDJEcho::GetUniqueID() { return QVFourCC('Q', 'd', 'e', 'c'); }

double CDJEcho::CurrentTempo() const
{
    const double dTempo = m_pTempo ? *m_pTempo : 0.0;
    return std::isfinite(dTempo) && dTempo > 0.0 ? dTempo : 0.0;
}

// m_dTempo is written under the lock together with the delays it was used for.
void CDJEcho::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    m_dTempo = CurrentTempo();
    CEchoBase::ActivatePreset();
}

// The delays follow a tempo change at the first block after it (a tempo set before
// StartProcess included); the lines are resized then, in this block.
int32 CDJEcho::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    if (CurrentTempo() != m_dTempo) ActivatePreset();
    return CEchoBase::ProcessBlock(ppIn, ppOut, dwFrames, bAdd);
}

float CDJEcho::DelaySamples(float p)
{
    if (m_dTempo != 0.0) return float(double(p * 60.0f * m_fSampleRate * 4.0f) / m_dTempo);
    return p * m_fSampleRate + p * m_fSampleRate;
}

const char* CDJEcho::DelayLabel() { return CurrentTempo() != 0.0 ? "beats" : "ms"; }

// The beat count is printed with 0.05 added, in float: 0.1 (0.4 beats) shows 0.5.
void CDJEcho::DelayDisplay(float p, char* pText)
{
    if (CurrentTempo() != 0.0)
        std::snprintf(pText, QV_DISPLAY_SIZE, "%1.1f", double(p * 4.0f + 0.05f));
    else
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(double(p) * 2000.0));
}
