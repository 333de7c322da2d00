// Tone remover: a cascade of up to 20 peaking-equaliser sections at the whole multiples of
// a base frequency, each further harmonic cut (or boosted) a little less than the one
// before (0.94 of its gain in dB).
#pragma once

#include "filter.h"

class CToneRemove : public CFilter {
public:
    enum { MAX_SECTIONS = 20 };

    struct Taps {
        float b0, b1, b2, a1, a2;
    };
    struct State {
        float x1, x2, y1, y2;
    };

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
    Taps m_SectionTaps[MAX_SECTIONS];
    State m_SectionState[2][MAX_SECTIONS];
    int32 m_lSections; // sections in use, 1..MAX_SECTIONS
};
