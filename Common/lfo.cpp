// The oscillator of the chorus voices.
//
// Phase and output: each channel keeps its own phase in radians, advanced by its current
// step once per sample; the output is cos(phase) x current depth, rounded to float. The
// phase is brought back by one cycle when it reaches 2 pi, so for every rate below one
// cycle per sample it stays in [0, 2 pi) (channel 1 starts below 0, at minus the offset,
// and climbs into that range within its first cycle).
//
// Random wander: only channel 0 draws. At each wrap of its phase it draws a new step,
// and the first sample after its phase passes a quarter cycle it draws a new depth; at
// that point the cosine is near zero, so the new depth does not jump the output.
// Channel 1 takes over channel 0's step at its own wrap and its depth at its own
// quarter point: both channels trace the same shape, one offset behind the other.
//
//   phase  0 ............ pi/2 ............ pi ............ 3pi/2 ............ 2pi
//          new step        new depth                                          wrap
//
// A draw is r = 0..999 from the oscillator's own generator, and the value drawn is
// (1 - variation x r / 1000) x nominal: with a variation of 1 anything from 0.1 % to
// 100 % of the nominal rate or depth. The generator is a member rather than the C
// library's, so two oscillators on two threads never share state and a run repeats.
//
// Values a careless host can send (the owner passes its parameters unclamped) make the
// step or the offset absurd or not finite. The output is then whatever the cosine gives,
// but the phase is kept finite and near one cycle, so that the oscillator runs normally
// again as soon as the owner passes sane values.
//
// Init is called at every parameter change of the owner; it is placed last in this
// file so that its precondition keeps the line its failure text is known by.

#include "lfo.h"

#include <cmath>

#include "qvassert.h"

static const char kSource[] = "Common/lfo";

static const double kTwoPi = 6.283185307179586;
static const double kHalfPi = 1.5707963267948966;

CLFO::CLFO()
    : m_dDepth(0.0),
      m_dDepthRand(0.0),
      m_dRate(0.0),
      m_dRateRand(0.0),
      m_dPhaseDelay(0.0),
      m_lChannels(0),
      m_dPhase{0.0, 0.0},
      m_dCurRate{0.0, 0.0},
      m_dCurDepth{0.0, 0.0},
      m_bNewDepth{false, false},
      m_fValue{0.0f, 0.0f}
{
}

// r = 0..999: a variation of 1 gives 0.1 % to 100 % of the nominal rate.
double CLFO::CalcRate() { return (1.0 - m_dRateRand * double(Draw()) / 1000.0) * m_dRate; }

double CLFO::CalcDepth() { return (1.0 - m_dDepthRand * double(Draw()) / 1000.0) * m_dDepth; }

// Channel 0 draws; the channels behind it take over its rate at their own wrap and its
// depth at their own quarter point, so all channels follow the same shape.
void CLFO::Increment()
{
    for (int32 c = 0; c < m_lChannels; ++c) {
        if (m_dPhase[c] >= kTwoPi) {
            m_dPhase[c] -= kTwoPi;
            // Only a rate beyond one cycle per sample gets here; keep the phase in range.
            if (m_dPhase[c] >= kTwoPi) m_dPhase[c] = std::fmod(m_dPhase[c], kTwoPi);
            m_dCurRate[c] = c == 0 ? CalcRate() : m_dCurRate[c - 1];
            m_bNewDepth[c] = true;
        } else if (m_bNewDepth[c] && m_dPhase[c] > kHalfPi) {
            m_bNewDepth[c] = false;
            m_dCurDepth[c] = c == 0 ? CalcDepth() : m_dCurDepth[c - 1];
        }
        m_dPhase[c] += m_dCurRate[c];
        // Out-of-range rates or offsets must not leave the phase stuck for good, far
        // from any wrap, once they are mended.
        if (!std::isfinite(m_dPhase[c]))
            m_dPhase[c] = 0.0;
        else if (m_dPhase[c] < -kTwoPi)
            m_dPhase[c] = std::fmod(m_dPhase[c], kTwoPi);
        m_fValue[c] = float(std::cos(m_dPhase[c]) * m_dCurDepth[c]);
    }
}

void CLFO::Reset()
{
    for (int32 c = 0; c < MAX_CHANNELS; ++c) m_dPhase[c] = 0.0 - double(c) * m_dPhaseDelay;
}

// The oscillator is set up again at every parameter change of its owner, so the running
// phases survive Init: only a changed channel count (when asked to) restarts them, and a
// changed offset moves the channels behind channel 0 to their new place. The depth is
// drawn before the rate, so that the draws of a seeded generator land in a known
// order.
//
// A channel count above MAX_CHANNELS is a programming error of the owner, not host
// input: it stops the program with the condition's text and this line, which is how the
// failure is known; keep it here when editing above. A count of 0 or less leaves the
// oscillator idle (no channel advances) rather than failing: nothing reads an idle
// oscillator's output, and its phases and values stay as they were.
void CLFO::Init(int32 lChannels, double dDepth, double dDepthRand, double dRateHz, double dRateRand, double dPhaseDelay,
                double dSampleRate, bool bReset)
{
    QV_ASSERT(kSource, lChannels <= MAX_CHANNELS);
    const bool bRestart = bReset && lChannels != m_lChannels;
    const double dOldPhaseDelay = m_dPhaseDelay;
    m_lChannels = lChannels;
    m_dRate = dRateHz * kTwoPi / dSampleRate;
    m_dPhaseDelay = dPhaseDelay * kTwoPi;
    m_dDepth = dDepth;
    m_dRateRand = dRateRand;
    m_dDepthRand = dDepthRand;
    for (int32 c = 0; c < lChannels; ++c) {
        if (bRestart) m_dPhase[c] = 0.0 - double(c) * m_dPhaseDelay;
        if (c == 0) {
            m_dCurDepth[0] = CalcDepth();
            m_dCurRate[0] = CalcRate();
            m_bNewDepth[0] = true;
        } else {
            if (m_dPhaseDelay != dOldPhaseDelay) m_dPhase[c] = m_dPhase[0] - double(c) * m_dPhaseDelay;
            m_dCurDepth[c] = m_dCurDepth[0];
            m_dCurRate[c] = m_dCurRate[0];
            m_bNewDepth[c] = false;
        }
    }
    Increment();
}
