// Hard clipper: drives the signal into +-1 and scales the clipped result.
#pragma once

#include "filter.h"

class CClip : public CFilter {
public:
    CClip();

    IObject* Clone() override;
    IObject* Create() override;
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;
    void GetParameterLabel(int32 lIndex, char* pText) override;
    void GetParameterDisplay(int32 lIndex, char* pText) override;
    void GetParameterName(int32 lIndex, char* pText) override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    int32 Reset() override;
    void ActivatePreset() override;

protected:
    float m_fDrive;   // linear input gain, 0 to +60 dB
    float m_fOutGain; // linear output gain
};
