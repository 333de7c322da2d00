// Low-frequency cosine oscillator for up to two channels: channel 1 runs a fixed phase
// offset behind channel 0, and the rate and the depth wander at random, the rate drawn
// anew at every cycle, the depth a quarter cycle later where the cosine is near zero, so
// that neither change is heard as a step.
#pragma once

#include <random>

#include "filter.h"

class CLFO : public CSource {
public:
    enum { MAX_CHANNELS = 2 };

    CLFO();

    // dDepth is the nominal output amplitude, dRateHz the nominal rate, dPhaseDelay the
    // offset of each channel behind the previous one in cycles; the two variations
    // (0..1) say by how much at most a drawn depth or rate falls short of the nominal.
    // bReset restarts the phases when the channel count changes. Computes the first
    // output.
    void Init(int32 lChannels, double dDepth, double dDepthRand, double dRateHz, double dRateRand, double dPhaseDelay,
              double dSampleRate, bool bReset);
    double CalcRate();
    double CalcDepth();
    void Increment();
    // Phases back to 0 and -offset; the drawn rates and depths stay.
    void Reset();

    // The oscillator draws from its own generator, so instances never race each other and
    // a run is repeatable; distinct seeds let oscillators with equal settings drift apart.
    void Seed(uint32 dwSeed) { m_Random.seed(dwSeed); }

    float GetValue(int32 c) const { return m_fValue[c]; }
    double GetPhase(int32 c) const { return m_dPhase[c]; }
    double GetRate(int32 c) const { return m_dCurRate[c]; }
    double GetDepth(int32 c) const { return m_dCurDepth[c]; }

private:
    // 0..999, uniformly.
    int32 Draw() { return int32(m_Random() % 1000u); }

    double m_dDepth;
    double m_dDepthRand;
    double m_dRate;      // radians per sample
    double m_dRateRand;
    double m_dPhaseDelay; // radians
    int32 m_lChannels;
    double m_dPhase[MAX_CHANNELS];
    double m_dCurRate[MAX_CHANNELS];
    double m_dCurDepth[MAX_CHANNELS];
    bool m_bNewDepth[MAX_CHANNELS];
    float m_fValue[MAX_CHANNELS];
    std::minstd_rand m_Random;
};
