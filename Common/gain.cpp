#include "gain.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "filtertools.h"

static const char kSource[] = "Common/gain";

CGain::CGain() : m_fGain(1.0f)
{
    m_Params.Init(1);
    m_Params.SetParameter(0, 0.5f);
    ActivatePreset();
}

IObject* CGain::Clone() { return QVCloneFilter(this); }
IObject* CGain::Create() { return new (std::nothrow) CGain; }
void CGain::GetEffectName(char* pText) { std::strcpy(pText, "Gain"); }
int32 CGain::GetUniqueID() { return QVFourCC('Q', 'V', 'g', 'n'); }
int32 CGain::GetParameterCount() { return 1; }

void CGain::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "dB");
}

void CGain::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Gain");
}

void CGain::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(m_Params.GetParameter(0) * 40.0f - 20.0f));
}

// 0.1 at p = 0, 1 at 0.5, 10 at 1.
void CGain::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    m_fGain = float(std::pow(10.0, double((m_Params.GetParameter(0) - 0.5f) * 2.0f)));
}

int32 CGain::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    QVScaleBlock(ppIn, ppOut, dwFrames, bAdd, m_fGain);
    return 1;
}

int32 CGain::Reset() { return 1; }
