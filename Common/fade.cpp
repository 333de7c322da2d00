#include "fade.h"

#include <cstring>

#include "filtertools.h"

static const char kSource[] = "Common/fade";

CFade::CFade() : m_fGain(1.0f)
{
    m_Params.Init(1);
    m_Params.SetParameter(0, 1.0f);
    ActivatePreset();
}

IObject* CFade::Clone() { return QVCloneFilter(this); }
IObject* CFade::Create() { return new (std::nothrow) CFade; }
void CFade::GetEffectName(char* pText) { std::strcpy(pText, "Fade"); }
int32 CFade::GetUniqueID() { return QVFourCC('Q', 'V', 'f', 'd'); }
int32 CFade::GetParameterCount() { return 1; }

void CFade::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "dB");
}

void CFade::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Fade");
}

// The text is the level of the control value itself, not of the applied gain (its square).
void CFade::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex == 0) QVLevelText(m_Params.GetParameter(0), pText);
}

void CFade::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float p = m_Params.GetParameter(0);
    m_fGain = p * p;
}

int32 CFade::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    QVScaleBlock(ppIn, ppOut, dwFrames, bAdd, m_fGain);
    return 1;
}

int32 CFade::Reset() { return 1; }
