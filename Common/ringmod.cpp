#include "ringmod.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "biquad.h"
#include "filtertools.h"

static const char kSource[] = "Common/ringmod";

static const double kTwoPi = 6.283185307179586;

// 10 x (fs / dTop)^p on the library's logarithmic frequency scale.
static float ModulatorFrequency(float p, float fs, double dTop)
{
    return QVBiQuadFrequency(p, std::log10(double(fs) / dTop));
}

CRingMod::CRingMod() : m_fDepth(0.0f), m_dPhase(0.0), m_dStep(0.0)
{
    m_Params.Init(2);
    m_Params.SetParameter(0, 0.2f);
    m_Params.SetParameter(1, 0.5f);
    ActivatePreset();
}

IObject* CRingMod::Clone() { return QVCloneFilter(this); }
IObject* CRingMod::Create() { return new (std::nothrow) CRingMod; }
void CRingMod::GetEffectName(char* pText) { std::strcpy(pText, "RingMod"); }
int32 CRingMod::GetUniqueID() { return QVFourCC('Q', 'V', 'r', 'm'); }
int32 CRingMod::GetParameterCount() { return 2; }

void CRingMod::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Hz");
    if (lIndex == 1) std::strcpy(pText, "dB");
}

void CRingMod::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Frequency");
    if (lIndex == 1) std::strcpy(pText, "Amount");
}

// The display scales by fs / 20, the oscillator by fs / 20.01.
void CRingMod::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex == 0)
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f",
                      double(ModulatorFrequency(m_Params.GetParameter(0), m_fSampleRate, 20.0)));
    if (lIndex == 1) QVLevelText(m_Params.GetParameter(1), pText);
}

// The step is brought into one period so that the wrap in ProcessBlock needs a single
// subtraction; a non-finite step (from a wild parameter or a zero rate) stops the oscillator.
void CRingMod::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float p1 = m_Params.GetParameter(1);
    m_fDepth = p1 * p1;
    const float f = ModulatorFrequency(m_Params.GetParameter(0), m_fSampleRate, 20.01);
    const double dStep = double(f) * kTwoPi / double(m_fSampleRate);
    m_dStep = std::isfinite(dStep) ? std::fmod(dStep, kTwoPi) : 0.0;
}

// The phase is wrapped in double before it is rounded to float for the sine: unwrapped,
// after some minutes its float rounding step would exceed a sample's advance.
int32 CRingMod::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    const double dDepth = m_fDepth;
    for (uint32 i = 0; i < dwFrames; ++i) {
        m_dPhase += m_dStep;
        if (m_dPhase >= kTwoPi) m_dPhase -= kTwoPi;
        const double dModulator = std::sin(double(float(m_dPhase))) * dDepth + 1.0;
        for (int c = 0; c < 2; ++c)
            if (ppIn[c] && ppOut[c]) QVStore(ppOut[c][i], float(dModulator * double(ppIn[c][i])), bAdd);
    }
    return 1;
}

int32 CRingMod::Reset()
{
    m_dPhase = 0.0;
    return 1;
}
