// Gain stage: a fixed gain of -20 to +20 dB.
#pragma once

#include "filter.h"

class CGain : public CFilter {
public:
    CGain();

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
    float m_fGain;
};
