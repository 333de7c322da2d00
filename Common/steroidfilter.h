// Steroid filter: the multi-mode filter's swept biquad run as a cascade of one to eight
// identical stages per channel, with feedback from the cascade's output to its input.
#pragma once

#include "multifilter.h"

class CSteroidFilter : public CSweptBiQuad {
public:
    typedef MFilterType SteroidFilterType;
    enum { MAX_STAGES = 8 };

    CSteroidFilter();

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
    _FilterState m_Stages[2][MAX_STAGES]; // one history per channel and stage
    float m_fFeedbackIn[2];               // last cascade output x feedback, per channel
    float m_fFeedback;                    // p9 x 0.95
    int32 m_lStageCount;                  // 1..MAX_STAGES
};
