// Mono mixer: sums both channels and pans the sum back onto them with an equal-power law.
#pragma once

#include "filter.h"

class CMonoFilter : public CFilter {
public:
    CMonoFilter();

    IObject* Clone() override;
    IObject* Create() override;
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;
    void GetParameterLabel(int32 lIndex, char* pText) override;
    void GetParameterDisplay(int32 lIndex, char* pText) override;
    void GetParameterName(int32 lIndex, char* pText) override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    void ActivatePreset() override;

protected:
    float m_fLeftGain;  // sqrt(1 - pan)
    float m_fRightGain; // sqrt(pan)
};
