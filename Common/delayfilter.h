// Stereo cross-feed: each output channel mixes its dry input with the other channel's
// input delayed by up to 100 ms. The Stereoizer widens the image with two of them.
#pragma once

#include "delayunit.h"
#include "filter.h"

class CDelayFilter : public CFilter {
public:
    enum { DELAY_LEFT, DELAY_RIGHT, MIX, PARAM_COUNT };

    CDelayFilter();
    ~CDelayFilter() override;

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
    void StartProcess() override;
    void StopProcess() override;
    void ActivatePreset() override;

protected:
    // Line c delays the input of channel 1 - c for output channel c.
    CDelayUnit m_DelayUnit[2];
    float m_fMix;
    float m_fDry;
};
