// Stereo room reverberation on the public-domain Freeverb design: per channel eight
// parallel damped comb filters into four series all-passes, the right channel's delays
// 23 samples longer than the left's for decorrelation. The delays are fixed in samples,
// whatever the sample rate.
//
// Changes to the published engine: wet and dry levels are used unscaled, the combs and
// all-passes throw away non-finite, denormal and runaway (beyond +-1000) values instead of
// only denormals, and a missing right channel falls back to the left one.
#pragma once

#include "filter.h"
#include "qvnumeric.h"

// One damped feedback comb. Its storage belongs to the revmodel.
class comb : public CSource {
public:
    comb() : m_fFeedback(0.0f), m_fStore(0.0f), m_fDamp1(0.0f), m_fDamp2(0.0f), m_pBuffer(nullptr), m_lSize(0), m_lIndex(0) {}

    void setbuffer(float* pBuffer, int32 lSize)
    {
        m_pBuffer = pBuffer;
        m_lSize = lSize;
    }
    void mute(); // clears the storage; the low-pass state is left alone
    void setdamp(float fValue)
    {
        m_fDamp1 = fValue;
        m_fDamp2 = 1.0f - fValue;
    }
    float getdamp() const { return m_fDamp1; }
    void setfeedback(float fValue) { m_fFeedback = fValue; }
    float getfeedback() const { return m_fFeedback; }
    // One sample in, the sample leaving the delay out.
    float process(float x)
    {
        float y = m_pBuffer[m_lIndex];
        if (IsZeroOrNonFinite(y)) y = 0.0f;
        m_fStore = y * m_fDamp2 + m_fStore * m_fDamp1;
        if (IsZeroOrNonFinite(m_fStore)) m_fStore = 0.0f;
        if (m_fStore > 1000.0f || m_fStore < -1000.0f) m_fStore = 0.0f;
        m_pBuffer[m_lIndex] = m_fStore * m_fFeedback + x;
        if (++m_lIndex >= m_lSize) m_lIndex = 0;
        return y;
    }

private:
    static bool IsZeroOrNonFinite(float f)
    {
        const uint32_t e = QVExponentField(f);
        return e == 0u || e == 0xffu;
    }

    float m_fFeedback;
    float m_fStore; // one-pole low-pass in the feedback path
    float m_fDamp1; // weight of the previous state
    float m_fDamp2; // weight of the new sample
    float* m_pBuffer;
    int32 m_lSize;
    int32 m_lIndex;
};

// One Schroeder all-pass. Its per-sample step is inlined into the revmodel loops.
class allpass : public CSource {
public:
    allpass() : m_fFeedback(0.0f), m_pBuffer(nullptr), m_lSize(0), m_lIndex(0) {}

    void setbuffer(float* pBuffer, int32 lSize)
    {
        m_pBuffer = pBuffer;
        m_lSize = lSize;
    }
    void mute();
    void setfeedback(float fValue) { m_fFeedback = fValue; }
    float getfeedback() const { return m_fFeedback; }
    // The running value v in, the stage's output out.
    float process(float v)
    {
        float b = m_pBuffer[m_lIndex];
        if (QVExponentField(b) == 0u) b = 0.0f;
        if (b > 1000.0f || b < -1000.0f) b = 0.0f;
        m_pBuffer[m_lIndex] = b * m_fFeedback + v;
        if (++m_lIndex >= m_lSize) m_lIndex = 0;
        return b - v;
    }

private:
    float m_fFeedback;
    float* m_pBuffer;
    int32 m_lSize;
    int32 m_lIndex;
};

class revmodel : public CSource {
public:
    enum { NUM_COMBS = 8, NUM_ALLPASSES = 4, STEREO_SPREAD = 23 };
    // Left-channel delays in samples; the right channel's are STEREO_SPREAD longer.
    static constexpr int32 kCombTuning[NUM_COMBS] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static constexpr int32 kAllpassTuning[NUM_ALLPASSES] = {556, 441, 341, 225};
    enum { STORAGE_SIZE = 25450 }; // all 24 stages of both channels

    revmodel();
    revmodel(const revmodel&) = delete;
    revmodel& operator=(const revmodel&) = delete;

    void mute();
    void processreplace(float* pInL, float* pInR, float* pOutL, float* pOutR, int32 lFrames, int32 lSkip);
    void processmix(float* pInL, float* pInR, float* pOutL, float* pOutR, int32 lFrames, int32 lSkip);

    void setroomsize(float fValue);
    float getroomsize() const;
    void setdamp(float fValue);
    float getdamp() const;
    void setwet(float fValue);
    float getwet() const { return m_fWet; }
    void setdry(float fValue) { m_fDry = fValue; }
    float getdry() const { return m_fDry; }
    void setwidth(float fValue);
    float getwidth() const { return m_fWidth; }
    void setmode(float fValue);
    float getmode() const { return m_fMode >= 0.5f ? 1.0f : 0.0f; }

    // The stages, for inspection: channel 0 left, 1 right.
    const comb& getcomb(int32 lChannel, int32 k) const { return lChannel ? m_CombR[k] : m_CombL[k]; }

private:
    void update();
    template <bool bMix>
    void process(float* pInL, float* pInR, float* pOutL, float* pOutR, int32 lFrames, int32 lSkip);

    float m_fInputGain;
    float m_fRoomSize;
    float m_fRoomSizeInUse;
    float m_fDamping;
    float m_fDampingInUse;
    float m_fWet;
    float m_fWet1;
    float m_fWet2;
    float m_fDry;
    float m_fWidth;
    float m_fMode;

    comb m_CombL[NUM_COMBS];
    comb m_CombR[NUM_COMBS];
    allpass m_AllpassL[NUM_ALLPASSES];
    allpass m_AllpassR[NUM_ALLPASSES];

    float m_fStorage[STORAGE_SIZE];
};

class CReverb : public CFilter {
public:
    CReverb();
    ~CReverb() override;

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

    // The running engine, null while stopped.
    const revmodel* GetModel() const { return m_pModel; }

protected:
    revmodel* m_pModel;
};
