// Tone remover: a cascade of up to 20 peaking-equaliser sections at the whole multiples of
// a base frequency, each further harmonic cut (or boosted) a little less than the one
// before (0.94 of its gain in dB).
#pragma once

#include "biquad.h"
#include "filter.h"

class CToneRemove : public CFilter {
public:
    enum { MAX_SECTIONS = 20 };

    CToneRemove();

    IObject* Clone() override;
    IObject* Create() override;
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;
    int32 GetParameterCount() override;
    void GetParameterLabel(int32 lIndex, char* pText) override;
    void GetParameterDisplay(int32 lIndex, char* pText) override;
    void GetParameterName(int32 lIndex, char* pText) override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    int32 Reset() override;
    void ActivatePreset() override;

protected:
    _FilterTaps m_SectionTaps[MAX_SECTIONS]; // the section's frequency and coefficients
    _FilterState m_SectionState[2][MAX_SECTIONS];
    int32 m_lSections; // sections in use, 1..MAX_SECTIONS
};
