#include "noise.h"

#include <cstdio>
#include <cstring>

static const char kSource[] = "Common/noise";

CNoise::CNoise() : m_fGain(0.0f), m_fNew(1.0f), m_fOld(0.0f), m_fState{0.0f, 0.0f}
{
    m_Params.Init(2);
    m_Params.SetParameter(0, 0.5f);
    m_Params.SetParameter(1, 0.1f);
    ActivatePreset();
}

IObject* CNoise::Clone() { return QVCloneFilter(this); }
IObject* CNoise::Create() { return new (std::nothrow) CNoise; }
void CNoise::GetEffectName(char* pText) { std::strcpy(pText, "Noise"); }
int32 CNoise::GetUniqueID() { return QVFourCC('Q', 'V', 'n', 'z'); }
int32 CNoise::GetParameterCount() { return 2; }

void CNoise::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "dB");
}

void CNoise::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Signal");
    if (lIndex == 1) std::strcpy(pText, "Filter");
}

void CNoise::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex == 0) QVLevelText(m_Params.GetParameter(0), pText);
    if (lIndex == 1) std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(m_Params.GetParameter(1) * 100.0f));
}

// c runs from 1 (no filtering) down to 0.01; dividing the level by c keeps the filtered
// noise roughly as loud as the white noise. A "Filter" value outside 0..1 would make the
// recursion unstable (or NaN) and poison the state for good, so it is held in range.
void CNoise::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float p0 = m_Params.GetParameter(0);
    const float c = 1.0f - 0.99f * QVClampUnit(m_Params.GetParameter(1));
    m_fGain = p0 * p0 / c;
    m_fNew = c * c;
    m_fOld = 1.0f - c * c;
}

// Both channels draw from the one sequence, channel 0's whole block first.
int32 CNoise::ProcessBlock(float**, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    for (int c = 0; c < 2; ++c) {
        float* pOut = ppOut[c];
        if (!pOut) continue;
        float s = m_fState[c];
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float w = float(m_Random.Next() & 0xfff) * 0.0004884005f - 1.0f;
            s = w * m_fNew + m_fOld * s;
            QVStore(pOut[i], s * m_fGain, bAdd);
        }
        m_fState[c] = s;
    }
    return 1;
}

int32 CNoise::Reset()
{
    m_fState[0] = m_fState[1] = 0.0f;
    return 1;
}
