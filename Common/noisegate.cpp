#include "noisegate.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "filtertools.h"

static const char kSource[] = "Common/noisegate";

CNoiseGate::CNoiseGate()
    : m_fAttackStep(0.0f), m_fReleaseStep(0.0f), m_fThreshold(0.0f), m_fNegThreshold(0.0f), m_lGateState(CLOSED),
      m_fGateGain(0.0f)
{
    m_Params.Init(3);
    m_Params.SetParameter(0, 0.8f);
    m_Params.SetParameter(1, 0.02f);
    m_Params.SetParameter(2, 0.04f);
    ActivatePreset();
}

IObject* CNoiseGate::Clone() { return QVCloneFilter(this); }
IObject* CNoiseGate::Create() { return new (std::nothrow) CNoiseGate; }
void CNoiseGate::GetEffectName(char* pText) { std::strcpy(pText, "Noise Gate"); }
int32 CNoiseGate::GetUniqueID() { return QVFourCC('Q', 'V', 'n', 'g'); }
int32 CNoiseGate::GetParameterCount() { return 3; }

void CNoiseGate::GetParameterLabel(int32 lIndex, char* pText)
{
    static const char* const kLabels[] = {"dB", "ms", "ms"};
    if (lIndex >= 0 && lIndex < 3) std::strcpy(pText, kLabels[lIndex]);
}

void CNoiseGate::GetParameterName(int32 lIndex, char* pText)
{
    static const char* const kNames[] = {"Threshold", "Attack", "Release"};
    if (lIndex >= 0 && lIndex < 3) std::strcpy(pText, kNames[lIndex]);
}

// "Attack" and "Release" show p x 100 and p x 1000 while the ramps last (p + 0.001) s and
// 10 x (p + 0.001) s.
void CNoiseGate::GetParameterDisplay(int32 lIndex, char* pText)
{
    const float p = m_Params.GetParameter(lIndex);
    switch (lIndex) {
    case 0: std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p * 100.0f - 100.0f)); break;
    case 1: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 100.0f)); break;
    case 2: std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p * 1000.0f)); break;
    default: break;
    }
}

// The state and the gain are left as they are: a change lands on the running ramp. The
// ramp times are held to what 0..1 gives: a negative or NaN step would drive the gain out
// of 0..1 and keep it there after the parameter is set right again.
void CNoiseGate::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fs = m_fSampleRate;
    m_fThreshold = float(std::pow(10.0, double((m_Params.GetParameter(0) * 100.0f - 100.0f) / 20.0f)));
    m_fNegThreshold = -m_fThreshold;
    m_fAttackStep = 1.0f / ((QVClampUnit(m_Params.GetParameter(1)) + 0.001f) * fs);
    m_fReleaseStep = 1.0f / (10.0f * fs * (QVClampUnit(m_Params.GetParameter(2)) + 0.001f));
}

void CNoiseGate::Init(uint32 dwSampleRate, float fAttack, float fRelease, float fThreshold)
{
    SetSampleRate(dwSampleRate);
    m_Params.SetParameter(1, fAttack);
    m_Params.SetParameter(2, fRelease);
    m_Params.SetParameter(0, fThreshold);
    ActivatePreset();
}

// Every present channel is scaled by the gain from before this frame's update; a loud
// sample on either channel (re-)opens the gate from whatever gain it has.
int32 CNoiseGate::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    for (uint32 i = 0; i < dwFrames; ++i) {
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            const float x = ppIn[c][i];
            if (x >= m_fThreshold || x <= m_fNegThreshold) m_lGateState = OPENING;
            QVStore(ppOut[c][i], x * m_fGateGain, bAdd);
        }
        if (m_lGateState == OPENING) {
            m_fGateGain += m_fAttackStep;
            if (m_fGateGain >= 1.0f) {
                m_fGateGain = 1.0f;
                m_lGateState = RELEASING;
            }
        } else if (m_lGateState == RELEASING) {
            m_fGateGain -= m_fReleaseStep;
            if (!(m_fGateGain > 0.0f)) {
                m_fGateGain = 0.0f;
                m_lGateState = CLOSED;
            }
        }
    }
    return 1;
}

int32 CNoiseGate::Reset()
{
    m_lGateState = CLOSED;
    m_fGateGain = 0.0f;
    return 1;
}
