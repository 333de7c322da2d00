// Ring modulator: multiplies the signal by 1 + depth x sin(phase) of a 10 Hz to about
// fs / 2 oscillator.
#pragma once

#include "filter.h"

class CRingMod : public CFilter {
public:
    CRingMod();

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
    float m_fDepth;
    double m_dPhase; // radians, kept within one period
    double m_dStep;  // radians per sample, within one period
};
