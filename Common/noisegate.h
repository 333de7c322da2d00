// Noise gate: a sample reaching the threshold opens a linear gain ramp to 1; once fully
// open the gain falls back linearly to 0 unless another loud sample re-opens it.
#pragma once

#include "filter.h"

class CNoiseGate : public CFilter {
public:
    enum { CLOSED = 0, OPENING = 1, RELEASING = 2 };

    CNoiseGate();

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

    void Init(uint32 dwSampleRate, float fAttack, float fRelease, float fThreshold);

protected:
    float m_fAttackStep;  // gain increase per frame while opening
    float m_fReleaseStep; // gain decrease per frame while releasing
    float m_fThreshold;
    float m_fNegThreshold;
    int32 m_lGateState;
    float m_fGateGain;
};
