#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "ringmod.h"
#include "support/filter_checks.h"

namespace {

// Gives the tests the oscillator's step.
class CRingModProbe : public CRingMod {
public:
    double Step() const { return m_dStep; }
};

// Modulates a constant 1.0: the output is 1 + depth x sin(phase).
void RenderCarrier(CRingMod& ring, std::vector<float>& y)
{
    std::fill(y.begin(), y.end(), 1.0f);
    float* pp[2] = {y.data(), nullptr};
    ring.ProcessBlock(pp, pp, uint32(y.size()), false);
}

TEST(RingMod, Identity)
{
    CRingMod ring;
    qvtest::ExpectIdentity(ring, "RingMod", QVFourCC('Q', 'V', 'r', 'm'), {0.2f, 0.5f}, 1, 0.0f);
    qvtest::ExpectParameterTexts(ring, {{"Frequency", "Hz"}, {"Amount", "dB"}});
    qvtest::ExpectDisplays<CRingMod>({{1, 0.5f, "-13.86"}, {1, 0.0f, "-150"}, {0, 0.0f, "10.00"}});
}

// Depth 0 passes the input unchanged, whatever the frequency.
TEST(RingMod, DepthZeroPassesTheInput)
{
    for (float p0 : {0.0f, 0.2f, 0.77f, 1.0f}) {
        CRingMod ring;
        ring.SetParameter(0, p0);
        ring.SetParameter(1, 0.0f);
        const std::vector<float> left = qvtest::NoiseBlock(1000, 1), right = qvtest::NoiseBlock(1000, 2);
        std::vector<float> outLeft(1000), outRight(1000);
        float* ppIn[2] = {const_cast<float*>(left.data()), const_cast<float*>(right.data())};
        float* ppOut[2] = {outLeft.data(), outRight.data()};
        ring.ProcessBlock(ppIn, ppOut, 1000, false);
        EXPECT_EQ(outLeft, left) << "p0 " << p0;
        EXPECT_EQ(outRight, right) << "p0 " << p0;
    }
}

// The oscillator runs at 10 x (fs / 20.01)^p0 Hz (the display uses fs / 20): counted by
// the zero crossings of the modulation over one second.
TEST(RingMod, FrequencyMapping)
{
    for (unsigned uRate : {48000u, 44100u})
        for (float p0 : {0.0f, 0.2f, 0.5f, 0.8f}) {
            CRingMod ring;
            ring.SetSampleRate(uRate);
            ring.SetParameter(0, p0);
            ring.SetParameter(1, 1.0f);
            std::vector<float> y(uRate);
            RenderCarrier(ring, y);
            int lCrossings = 0;
            for (unsigned i = 1; i < uRate; ++i) lCrossings += (y[i - 1] < 1.0f) != (y[i] < 1.0f);
            const double dExpected = 10.0 * std::pow(uRate / 20.01, double(p0));
            EXPECT_NEAR(lCrossings / 2.0, dExpected, 1.0) << uRate << " Hz, p0 " << p0;
            char szText[32];
            ring.GetParameterDisplay(0, szText);
            EXPECT_NEAR(std::atof(szText), 10.0 * std::pow(uRate / 20.0, double(p0)), 0.01 * dExpected);
        }
}

// An hour at 2 kHz with a 630 Hz modulator: the phase would reach 1.4e7 rad, where float
// steps are 1 rad, half the 2 rad advance per sample. Kept within one period,
// the last second matches the ideal modulator as closely as the first.
TEST(RingMod, HourLongRenderEndsAsItStarts)
{
    const uint32 dwRate = 2000, dwSeconds = 3600;
    CRingModProbe ring;
    ring.SetSampleRate(dwRate);
    ring.SetParameter(0, 0.9f);
    ring.SetParameter(1, 1.0f);
    const double dStep = ring.Step();
    ASSERT_GT(dStep, 1.9);
    auto ideal = [&](uint64_t n) { return 1.0 + std::sin(std::fmod(double(n) * dStep, 2.0 * M_PI)); };
    std::vector<float> y(dwRate);
    double dWorstStart = 0.0, dWorstEnd = 0.0, dUnwrappedError = 0.0;
    for (uint32 s = 0; s < dwSeconds; ++s) {
        RenderCarrier(ring, y);
        if (s != 0 && s != dwSeconds - 1) continue;
        double& dWorst = s == 0 ? dWorstStart : dWorstEnd;
        for (uint32 i = 0; i < dwRate; ++i) {
            const uint64_t n = uint64_t(s) * dwRate + i + 1; // the phase advances before use
            dWorst = std::max(dWorst, std::fabs(y[i] - ideal(n)));
            dUnwrappedError = std::max(dUnwrappedError, std::fabs(double(float(double(n) * dStep)) - double(n) * dStep));
        }
    }
    EXPECT_LT(dWorstStart, 1e-5);
    EXPECT_LT(dWorstEnd, 1e-5);
    // What rounding the unwrapped phase would cost at the end: the test would see it.
    EXPECT_GT(dUnwrappedError, 0.2);
}

TEST(RingMod, ResetRestartsThePhase)
{
    CRingMod ring;
    ring.SetParameter(1, 1.0f);
    std::vector<float> first(300), again(300);
    RenderCarrier(ring, first);
    ring.Reset();
    RenderCarrier(ring, again);
    EXPECT_EQ(first, again);
}

TEST(RingMod, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CRingMod>();
    CRingMod ring;
    ring.SetParameter(1, 0.8f);
    qvtest::ExpectFilterContract(ring);
}

} // namespace
