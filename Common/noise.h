// Noise generator: white noise from a private 12-bit source through a one-pole low pass,
// written over (or added to) the output. The input is not read.
#pragma once

#include "filter.h"
#include "filtertools.h"

class CNoise : public CFilter {
public:
    CNoise();

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
    float m_fGain;     // output gain, p0^2 / c
    float m_fNew;      // weight of the new white sample, c^2
    float m_fOld;      // weight of the previous output, 1 - c^2
    float m_fState[2]; // one-pole state per channel
    CQVRandom m_Random;
};
