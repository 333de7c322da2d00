// Second-order IIR equaliser section: low/high/band pass, notch, all pass, peaking EQ and
// the two shelves, with the usual audio-EQ cookbook coefficients, run in Direct Form I.
//
// The records, the type enumeration and the free functions below are the building
// blocks of every biquad of the library (the multi-mode and steroid filters use them with
// their own frequency tables), so they stand on their own, without a CBiQuadFilter.
#pragma once

#include "filter.h"
#include "qvnumeric.h"

enum FilterType {
    LowPass = 0,
    HighPass = 1,
    BandPass = 2,
    Notch = 3,
    AllPass = 4,
    EQ = 5,
    LowShelf = 6,
    HighShelf = 7
};

// One coefficient set. The modulation value and the frequency belong to swept filters
// (their table entries); the plain biquad leaves them at 0. The coefficients are already
// divided by a0.
struct _FilterTaps {
    float fModulation;
    float fFrequency;
    float b0;
    float b1;
    float b2;
    float a1;
    float a2;
};

// One channel's history.
struct _FilterState {
    float x1; // previous input
    float x2; // input before that
    float y1; // previous output
    float y2; // output before that
};

// Type index of a normalized selector value: trunc(p x 8 x 0.999), in single precision,
// so type t covers t <= 7.992 p < t + 1. A non-finite product selects 0; values far
// outside 0..1 saturate instead of overflowing.
inline int32 QVBiQuadType(float p)
{
    float t = p * 8.0f;
    t = t * 0.999f;
    return QVTruncate(t);
}

// Q = 4 / 2 ^ ((0.7 - p) x 10): 0.03125 at p = 0, 1 at p = 0.5, 32 at p = 1.
inline float QVBiQuadQ(float p)
{
    const float fOctaves = (0.7f - p) * 10.0f;
    return float(4.0 / std::pow(2.0, double(fOctaves)));
}

// Frequency of a normalized value on a logarithmic scale starting at 10 Hz:
// 10 ^ ((p x dLog10Span, rounded to float) + 1). Single and double steps are kept as
// they are because a low corner frequency in a float biquad hears a one-bit change.
inline float QVBiQuadFrequency(float p, double dLog10Span)
{
    float fExponent = float(double(p) * dLog10Span);
    fExponent = fExponent + 1.0f;
    return float(std::pow(10.0, double(fExponent)));
}

// Computes the five normalized coefficients of pTaps for a filter of type lType at
// fFrequency (not limited here), leaving its modulation and frequency fields alone.
// Type 7 and every index outside 0..6 give the high shelf. fGainDB matters to the EQ and
// the shelves only.
void QVBiQuadTaps(_FilterTaps* pTaps, int32 lType, float fFrequency, float fSampleRate, float fQ, float fGainDB);

// One sample through a Direct Form I section. A zero, subnormal or non-finite result is
// taken as 0; a result beyond +-50 (a filter running away) clears the history and yields
// 0, so the section restarts from rest. The input itself is not checked.
//
// The output feeds the next sample's arithmetic, so the common case (a normal result
// within +-50) takes no detour: every other case leaves through one rarely taken branch,
// which keeps the guards off the recurrence's critical path.
inline float QVBiQuadStep(const _FilterTaps& taps, _FilterState& state, float x)
{
    float y = taps.b0 * x + taps.b1 * state.x1 + taps.b2 * state.x2 - taps.a1 * state.y1 - taps.a2 * state.y2;
    const float fMagnitude = std::fabs(y);
    if (__builtin_expect(!(fMagnitude >= 1.17549435e-38f && fMagnitude <= 50.0f), 0)) {
        const uint32_t dwExponent = QVExponentField(y);
        if (dwExponent == 0 || dwExponent == 0xffu) y = 0.0f;
        if (y > 50.0f || y < -50.0f) {
            state = _FilterState{0.0f, 0.0f, 0.0f, 0.0f};
            y = 0.0f;
            x = 0.0f;
        }
    }
    state.x2 = state.x1;
    state.x1 = x;
    state.y2 = state.y1;
    state.y1 = y;
    return y;
}

class CBiQuadFilter : public CFilter {
public:
    CBiQuadFilter();

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
    int32 SetBlockSize(uint32 dwSize) override;

    // One sample with the input checked as well: a non-finite input counts as 0 (and is
    // remembered as 0).
    static float Filter(_FilterTaps* pTaps, _FilterState* pState, float x);

    // Name of the type parameter 0 selects, "???" outside 0..7.
    void GetFilterChoice(char* pText);

    // Sets the type and the normalized frequency, Q and gain at once (the second
    // argument is not used).
    void Init(FilterType type, float, float fFrequency, float fQ, float fGain);

protected:
    _FilterTaps m_Taps;
    _FilterState m_State[2];
};
