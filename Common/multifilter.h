// Multi-mode filter: a biquad of selectable type whose frequency a low-frequency
// oscillator sweeps, with a wet/dry mix. Rather than recompute coefficients per sample it
// precomputes 16 coefficient sets, one per step of the oscillator's cycle, and
// interpolates between neighbours while it runs.
//
// CSweptBiQuad holds the oscillator, its table and the parameters 0..6 that the
// multi-mode and the steroid filter share; each of them adds its own filter chain.
#pragma once

#include "biquad.h"
#include "filter.h"
#include "filtertools.h"

// The type selector of the swept filters: the values of FilterType, 8 and above (and any
// other value) acting as the high shelf.
typedef int32 MFilterType;

class CSweptBiQuad : public CFilter {
public:
    enum { TABLE_SIZE = 16 };
    enum { SINE = 0, TRIANGLE = 1, SAW = 2, SQUARE = 3, RANDOM = 4 };

    // Names of the type and the oscillator shape the parameters select, "???" outside.
    void GetFilterChoice(char* pText);
    void GetLFOChoice(char* pText);

protected:
    CSweptBiQuad();

    // Texts of the shared parameters 0..6; false for any other index.
    bool GetSharedName(int32 lIndex, char* pText);
    bool GetSharedLabel(int32 lIndex, char* pText);
    bool GetSharedDisplay(int32 lIndex, char* pText);

    // Oscillator rate and increment, then the table, from the shared parameters (the
    // caller holds the lock).
    void ActivateSweep();
    void CalcLFO();
    void CalcFilter();
    void CalcTaps(_FilterTaps* pTaps, MFilterType type, float fQ, float fGainDB);

    // One sample through one biquad; the input is not checked.
    static float Filter(_FilterTaps* pTaps, _FilterState* pState, float x)
    {
        return QVBiQuadStep(*pTaps, *pState, x);
    }

    // Runs a block: per sample the oscillator advances and each channel present gets its
    // coefficients in m_Current[c]; fnChain(c, x) filters the sample with them, and the
    // result is mixed with the dry input. A missing pointer ends the channel loop.
    template <class Chain>
    void SweepBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd, Chain fnChain)
    {
        int lChannels = 0;
        while (lChannels < 2 && ppIn[lChannels] && ppOut[lChannels]) ++lChannels;
        for (uint32 i = 0; i < dwFrames; ++i) {
            AdvanceOscillator(lChannels);
            for (int c = 0; c < lChannels; ++c) {
                SelectTaps(c);
                const float x = ppIn[c][i];
                QVStore(ppOut[c][i], fnChain(c, x) * m_fWet + x * m_fDry, bAdd);
            }
        }
    }

    // Per sample: advance the oscillator (drawing new random targets for the first
    // lChannels channels when due), then pick each channel's coefficients.
    void AdvanceOscillator(int lChannels);
    void SelectTaps(int c);

    // Oscillator part of Reset: position 0 and new random targets.
    void ResetOscillator();

    _FilterTaps m_Table[TABLE_SIZE]; // modulation value, frequency, coefficients per step
    _FilterTaps m_Current[2];        // coefficients in use per channel
    float m_fRate;                   // oscillator rate, Hz
    double m_dIncrement;             // table steps per sample, kept below one cycle
    double m_dPhase;                 // position in steps, kept within one cycle
    int32 m_lLastStep;
    int32 m_lPhaseOffset;            // steps channel 1 runs ahead of channel 0
    bool m_bRandom;
    int32 m_lRandomFrom[2];
    int32 m_lRandomTo[2];
    int32 m_lCountdown;
    double m_dChangePhase;
    float m_fWet;
    float m_fDry;
    CQVRandom m_Random;

    // Where each channel's coefficients come from at this sample: entries A and B and the
    // fraction of the way from A to B.
    int32 m_lEntryA[2];
    int32 m_lEntryB[2];
    double m_dFraction;
};

class CMultiFilter : public CSweptBiQuad {
public:
    CMultiFilter();

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
    _FilterState m_State[2];
};
