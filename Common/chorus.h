// Chorus: thickens a stereo signal with one to four delayed copies of itself whose
// delays are swept by slow, randomly wandering cosine oscillators.
#pragma once

#include "delayunit.h"
#include "filter.h"
#include "lfo.h"

// One chorus voice: per channel a one-second delay line read at the base delay plus the
// oscillator's output, with feedback into the line.
class CChorusUnit : public CSource {
public:
    enum { MAX_CHANNELS = 2 };

    CChorusUnit();

    // fDelay and fDepth in samples, fRateHz in Hz, fPhaseDelay in cycles; the lines get
    // one second at fSampleRate.
    void Init(int32 lChannels, float fDelay, float fDepth, float fDepthRand, float fRateHz, float fRateRand,
              float fPhaseDelay, float fSampleRate, float fMix, float fFeedback, bool bReset);
    float ProcessSample(int32 c, float x);
    void Increment() { m_LFO.Increment(); }
    void Reset();
    void StartProcess();
    void StopProcess();

    // Voices with equal settings drift apart only when their oscillators draw differently.
    void Seed(uint32 dwSeed) { m_LFO.Seed(dwSeed); }
    const CLFO& GetLFO() const { return m_LFO; }

private:
    CDelayUnit m_DelayUnit[MAX_CHANNELS];
    CLFO m_LFO;
    int32 m_lChannels;
    double m_dDelay; // base delay in samples
    float m_fMix;
    float m_fFeedback;
};

class CChorus : public CFilter {
public:
    enum {
        LAYERS,
        DELAY,
        FEEDBACK,
        LFO_RATE,
        LFO_DEPTH,
        RATE_RAND,
        DEPTH_RAND,
        PHASE_DELAY,
        MIX,
        PARAM_COUNT
    };
    enum { MAX_LAYERS = 4 };

    CChorus();

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

    int32 GetLayers() const { return m_lLayers; }
    const CChorusUnit& GetVoice(int32 k) const { return m_ChorusUnit[k]; }

protected:
    CChorusUnit m_ChorusUnit[MAX_LAYERS];
    int32 m_lLayers; // active voices, 1..4
    float m_fMix;    // wet level
    float m_fDry;
};
