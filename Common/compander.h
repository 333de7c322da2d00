// Feed-forward compressor and downward expander, one detector and one look-ahead line
// per channel (the channels are not linked): pre gain, a static curve with an upper
// (compression) and a lower (expansion) threshold, automatic make-up gain, post gain.
#pragma once

#include "delayunit.h"
#include "filter.h"

class CCompander : public CFilter {
public:
    enum {
        PRE_GAIN,
        COMPRESS,
        COMP_THRESHOLD,
        EXPAND,
        EXP_THRESHOLD,
        ATTACK,
        RELEASE,
        SMOOTHING,
        POST_GAIN,
        DELAY,
        PARAM_COUNT
    };

    CCompander();
    ~CCompander() override;

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

    // The static curve: the output amplitude that a detected linear level x maps to.
    float Transform(float x);
    // Transform of dwCount levels at once, as processing evaluates it: vector code that
    // gives exactly Transform's floats.
    void TransformBlock(const float* pLevel, float* pCurve, uint32 dwCount);

    // What the static curve reads, gathered for a block pass.
    struct CurveConstants {
        float fPreGain;
        float fCompThreshold;
        float fCompSlope;
        float fCompOffset;
        float fExpThreshold;
        float fExpSlope;
        float fExpOffset;
        float fMakeUpGain;
        float fPostGain;
    };
    CurveConstants Constants() const;

    // Sets the normalized attack, release, compression, expansion, both thresholds and
    // post gain at once and applies them together.
    int32 Init(float fAttack, float fRelease, float fCompress, float fExpand, float fCompThreshold,
               float fExpThreshold, float fPostGain);

protected:
    float m_fPreGain;        // dB
    float m_fCompThreshold;  // dB
    float m_fExpThreshold;   // dB
    float m_fPostGain;       // dB
    float m_fCompSlope;      // output dB per input dB above the upper threshold
    float m_fExpSlope;       // output dB per input dB below the lower threshold
    // Per-sample constants of the curve, derived with the slopes.
    float m_fCompOffset;     // (1 - m_fCompSlope) * m_fCompThreshold
    float m_fExpOffset;      // m_fExpThreshold * m_fExpSlope
    float m_fMakeUpGain;     // dB, 80 % of what compression takes from a 0 dB level
    float m_fAttack;         // detector coefficient while the input is at or above the level
    float m_fRelease;        // detector coefficient while the input is below the level
    float m_fSmoothIn;
    float m_fSmooth;
    float m_fLevel[2];       // detected level per channel after clamping
    float m_fSmoothed[2];    // smoothed detector value per channel before clamping
    CDelayUnit m_DelayUnit[2];
};
