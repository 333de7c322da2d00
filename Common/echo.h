// Damped feedback echoes that bounce between the channels: CEcho with two taps of up to
// one second, CDJEcho with two taps of up to two seconds or, when the host supplies a
// tempo, up to four beats, following tempo changes while it runs.
#pragma once

#include "delayunit.h"
#include "filter.h"

// One echo tap for up to two channels: a delay line per channel whose far end passes a
// one-pole low-pass (the damping) and is fed back into the other channel's line.
class CEchoUnit : public CSource {
public:
    enum { MAX_CHANNELS = 2 };

    CEchoUnit();

    // Switches the tap on with a delay of fDelay samples, or off when fDelay is not above
    // 0.0001 (an off tap keeps its other settings). The third argument is not used.
    void Init(int32 lChannels, float fDelay, float fIgnored, float fGain, float fFeedback, float fDamp);
    // One sample of channel c; an off tap gives 0 and touches nothing.
    float ProcessSample(int32 c, float x);
    void StartProcess();
    void StopProcess();
    void Reset();

    bool IsActive() const { return m_bActive; }

private:
    CDelayUnit m_DelayUnit[MAX_CHANNELS];
    int32 m_lChannels;
    float m_fGain;
    float m_fFeedback;
    float m_fDamp; // weight of the newest delayed sample
    float m_fHold; // 1 - m_fDamp, weight of the previous damped value
    float m_fLast[MAX_CHANNELS];
    bool m_bActive;
};

// What the two echo filters share: parameters 2 to 4, the taps and the block loop. The
// delay parameters 0 and 1 (their length, label and text) are each filter's own.
class CEchoBase : public CFilter {
public:
    enum { DELAY_A, DELAY_B, FEEDBACK, DAMPING, MIX, PARAM_COUNT };

    int32 GetParameterCount() override;
    void GetParameterLabel(int32 lIndex, char* pText) override;
    void GetParameterDisplay(int32 lIndex, char* pText) override;
    void GetParameterName(int32 lIndex, char* pText) override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    int32 Reset() override;
    void StartProcess() override;
    void StopProcess() override;
    void ActivatePreset() override;

    bool IsTapActive(int32 lTap) const { return m_EchoUnit[lTap].IsActive(); }

protected:
    CEchoBase();

    // The delay in samples for a delay parameter p, the delays' label, and the text of a
    // p other than 0 ("Off").
    virtual float DelaySamples(float p) = 0;
    virtual const char* DelayLabel() = 0;
    virtual void DelayDisplay(float p, char* pText) = 0;

    CEchoUnit m_EchoUnit[2];
    float m_fMix; // wet level, also the gain of both taps
    float m_fDry;
};

class CEcho : public CEchoBase {
public:
    CEcho();

    IObject* Clone() override;
    IObject* Create() override;
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;

protected:
    float DelaySamples(float p) override;
    const char* DelayLabel() override;
    void DelayDisplay(float p, char* pText) override;
};

// Without a tempo the delays run up to two seconds; with one (SetTempoReference) they
// are counted in beats and follow the tempo from the next block on.
class CDJEcho : public CEchoBase {
public:
    CDJEcho();

    IObject* Clone() override;
    IObject* Create() override;
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    void ActivatePreset() override;

protected:
    float DelaySamples(float p) override;
    const char* DelayLabel() override;
    void DelayDisplay(float p, char* pText) override;

    // The host's tempo in beats per minute, 0 without one; a value that is not a finite
    // positive tempo counts as none.
    double CurrentTempo() const;

    double m_dTempo; // the tempo the current delays were computed for
};
