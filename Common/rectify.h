// Rectifier: full-wave rectifies the signal and removes its moving average over the last
// 200 samples, mixed with the dry input.
#pragma once

#include "filter.h"

class CRectify : public CFilter {
public:
    enum { HISTORY = 200 };

    CRectify();

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
    float m_fWet;
    float m_fDry;
    float m_fHistory[2][HISTORY]; // rectified values per channel
    float m_fSum[2];              // running sum of each channel's history
    int32 m_lPosition;            // shared slot of the newest value
};
