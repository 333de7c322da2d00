#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "biquad.h"
#include "multifilter.h"
#include "support/filter_checks.h"

namespace {

class CMultiProbe : public CMultiFilter {
public:
    using CMultiFilter::m_Current;
    using CMultiFilter::m_dFraction;
    using CMultiFilter::m_dIncrement;
    using CMultiFilter::m_dPhase;
    using CMultiFilter::m_fRate;
    using CMultiFilter::m_lCountdown;
    using CMultiFilter::m_lPhaseOffset;
    using CMultiFilter::m_lRandomFrom;
    using CMultiFilter::m_lRandomTo;
    using CMultiFilter::m_Table;

    // Runs one stereo frame of silence.
    void Step()
    {
        float l = 0.0f, r = 0.0f;
        float* pp[2] = {&l, &r};
        ProcessBlock(pp, pp, 1, false);
    }
};

// Parameter indices.
enum { P_TYPE, P_FREQUENCY, P_Q, P_GAIN, P_SHAPE, P_RATE, P_MAGNITUDE, P_PHASE, P_MIX };

bool SameCoefficients(const _FilterTaps& a, const _FilterTaps& b)
{
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
}

TEST(MultiFilter, Identity)
{
    CMultiFilter filter;
    qvtest::ExpectIdentity(filter, "Multi Filter", QVFourCC('Q', 'V', 'm', 'f'),
                           {0.0f, 0.6f, 0.5f, 0.5f, 0.0f, 0.5f, 0.0f, 0.5f, 1.0f}, P_SHAPE, 1.0f);
    qvtest::ExpectParameterTexts(filter, {{"Filter", ""}, {"Frequency", "Hz"}, {"Q", ""}, {"Gain", "dB"}, {"LFO", ""},
                            {"Rate", "Hz"}, {"Magnitude", "dB"}, {"Phase", "Degrees"}, {"Mix", "Wet / Dry"}});
    EXPECT_EQ(qvtest::ParameterText(filter, &CFilter::GetParameterLabel, 9), "");
    EXPECT_EQ(qvtest::ParameterText(filter, &CFilter::GetParameterLabel, -1), "untouched");
}

// p0 = 0.125 already filters as a high pass (trunc(p x 8)) while the display, on
// trunc(p x 8 x 0.999), still names the low pass.
TEST(MultiFilter, Displays)
{
    qvtest::ExpectDisplays<CMultiFilter>({
        {P_TYPE, 0.0f, "Low P"},
        {P_TYPE, 0.125f, "Low P"},
        {P_TYPE, 0.13f, "High P"},
        {P_TYPE, 0.3f, "Band P"},
        {P_TYPE, 0.4f, "Notch"},
        {P_TYPE, 0.55f, "All P"},
        {P_TYPE, 0.7f, "EQ"},
        {P_TYPE, 0.8f, "Low Sh"},
        {P_TYPE, 1.0f, "High Sh"},
        {P_TYPE, 2.0f, "???"},
        {P_FREQUENCY, 0.6f, "1066"},
        {P_FREQUENCY, 1.0f, "24000"},
        {P_Q, 0.5f, "1.00"},
        {P_Q, 0.0f, "0.03"},
        {P_GAIN, 0.0f, "-40.00"},
        {P_GAIN, 0.75f, "20.00"},
        {P_SHAPE, 0.0f, "Sine"},
        {P_SHAPE, 0.25f, "Triangle"},
        {P_SHAPE, 0.6f, "Saw"},
        {P_SHAPE, 0.7f, "Square"},
        {P_SHAPE, 1.0f, "Random"},
        {P_SHAPE, 1.5f, "???"},
        {P_RATE, 0.0f, "0.02"},
        {P_RATE, 0.5f, "0.63"},
        {P_RATE, 1.0f, "20.00"},
        {P_MAGNITUDE, 0.5f, "50.00"},
        {P_PHASE, 0.5f, "180.00"},
        {P_MIX, 1.0f, "100"},
        {P_MIX, 0.0f, "-100"},
        {P_MIX, 0.5f, "0"},
    });
}

struct FixedCase {
    float fType;      // multi-mode "Filter" value
    FilterType type;  // the biquad type it runs
    float fQ;
    float fGain;
};

class MultiFilterFixed : public ::testing::TestWithParam<FixedCase> {};

// Without sweep (magnitude 0) every table entry is the same and the filter is a fixed
// biquad at f0 = 10^(1 + p1 log10(2398.8)): the biquad tuned to that frequency on its own
// (2394-based) scale gives the same samples, up to the float rounding of the two scales.
// A narrow band pass makes a wrong scale (0.1 % off at p1 = 0.6) plainly visible.
TEST_P(MultiFilterFixed, IsTheBiquadAtTheBaseFrequency)
{
    const FixedCase& k = GetParam();
    const float p1 = 0.6f;
    CMultiFilter multi;
    qvtest::SetParameters(
        multi, {{P_TYPE, k.fType}, {P_FREQUENCY, p1}, {P_Q, k.fQ}, {P_GAIN, k.fGain}, {P_SHAPE, 0.3f}, {P_RATE, 1.0f}});
    CBiQuadFilter biquad;
    biquad.Init(k.type, 0.0f, float(p1 * std::log10(2398.800537109375) / std::log10(2394.01513671875)), k.fQ, k.fGain);
    std::vector<float> x = qvtest::NoiseBlock(4800, 7), yMulti(4800), yBiquad(4800);
    float* ppIn[2] = {x.data(), nullptr};
    float* ppMulti[2] = {yMulti.data(), nullptr};
    float* ppBiquad[2] = {yBiquad.data(), nullptr};
    multi.ProcessBlock(ppIn, ppMulti, 4800, false);
    biquad.ProcessBlock(ppIn, ppBiquad, 4800, false);
    double dWorst = 0.0;
    for (int i = 0; i < 4800; ++i) dWorst = std::max(dWorst, std::fabs(double(yMulti[i]) - yBiquad[i]));
    EXPECT_LT(dWorst, 2e-4);
}

INSTANTIATE_TEST_SUITE_P(MultiFilter, MultiFilterFixed,
                         ::testing::Values(FixedCase{0.0f, LowPass, 0.5f, 0.5f}, FixedCase{0.125f, HighPass, 0.5f, 0.5f},
                                           FixedCase{0.3f, BandPass, 1.0f, 0.5f}, FixedCase{0.4f, Notch, 0.6f, 0.5f},
                                           FixedCase{0.55f, AllPass, 0.5f, 0.5f}, FixedCase{0.7f, EQ, 0.8f, 0.8f},
                                           FixedCase{0.8f, LowShelf, 0.5f, 0.2f}, FixedCase{0.9f, HighShelf, 0.5f, 0.8f},
                                           FixedCase{1.0f, HighShelf, 0.5f, 0.8f}));

// Square shape at full depth: entries 0..7 at 8 f0, 8..15 at f0 / 8, each below fs / 2.01;
// the coefficients interpolate only across the steps 7 to 8 and 15 to 0 and are copied
// elsewhere.
TEST(MultiFilter, SquareSweepInterpolatesOnlyAtItsEdges)
{
    for (float p1 : {0.6f, 0.95f}) {
        CMultiProbe filter;
        qvtest::SetParameters(
            filter, {{P_FREQUENCY, p1}, {P_SHAPE, 0.7f}, {P_MAGNITUDE, 1.0f}, {P_RATE, 1.0f}, {P_PHASE, 0.0f}});
        const double f0 = std::pow(10.0, 1.0 + p1 * std::log10(2398.800537109375));
        for (int k = 0; k < 16; ++k) {
            const double dExpected = std::min(k < 8 ? 8.0 * f0 : f0 / 8.0, 48000.0 / 2.01);
            EXPECT_NEAR(filter.m_Table[k].fFrequency, dExpected, 1e-4 * dExpected) << "entry " << k;
        }
        int lInterpolated = 0;
        for (int i = 0; i < 2 * 2400; ++i) { // two cycles at 20 Hz
            filter.Step();
            const int n = int(filter.m_dPhase);
            const _FilterTaps& now = filter.m_Current[0];
            if (n == 7 || n == 15) {
                const _FilterTaps& a = filter.m_Table[n];
                const _FilterTaps& b = filter.m_Table[(n + 1) % 16];
                ASSERT_GE(now.b0, std::min(a.b0, b.b0));
                ASSERT_LE(now.b0, std::max(a.b0, b.b0));
                lInterpolated += !SameCoefficients(now, a);
            } else {
                ASSERT_TRUE(SameCoefficients(now, filter.m_Table[n])) << "sample " << i;
            }
        }
        EXPECT_GT(lInterpolated, 4 * 140) << "the two edge steps of both cycles glide";
    }
}

struct OffsetCase {
    float p7;
    int32 lSteps;
};

class MultiFilterPhase : public ::testing::TestWithParam<OffsetCase> {};

// "Phase" shifts channel 1 by trunc(p x 16) steps; values outside 0..1 stay within a cycle.
TEST_P(MultiFilterPhase, ChannelOffset)
{
    CMultiProbe filter;
    filter.SetParameter(P_PHASE, GetParam().p7);
    EXPECT_EQ(filter.m_lPhaseOffset, GetParam().lSteps);
}

INSTANTIATE_TEST_SUITE_P(MultiFilter, MultiFilterPhase,
                         ::testing::Values(OffsetCase{0.0f, 0}, OffsetCase{0.25f, 4}, OffsetCase{0.5f, 8},
                                           OffsetCase{1.0f, 16}, OffsetCase{-1.0f, 0}, OffsetCase{3.0f, 16},
                                           OffsetCase{std::numeric_limits<float>::quiet_NaN(), 0}));

// With the sine shape and an offset of half a cycle, channel 1 runs the coefficients channel
// 0 reaches 8 steps later: the two sweep in opposite directions.
TEST(MultiFilter, HalfCycleOffsetSweepsChannelsOppositely)
{
    CMultiProbe filter;
    filter.SetParameter(P_MAGNITUDE, 1.0f);
    filter.SetParameter(P_RATE, 1.0f); // 1200 samples per half cycle
    std::vector<_FilterTaps> left, right;
    for (int i = 0; i < 4800; ++i) {
        filter.Step();
        left.push_back(filter.m_Current[0]);
        right.push_back(filter.m_Current[1]);
    }
    for (int i = 0; i < 3600; i += 7) {
        EXPECT_NEAR(right[i].b0, left[i + 1200].b0, 1e-6f) << "sample " << i;
        EXPECT_NEAR(right[i].a1, left[i + 1200].a1, 1e-6f) << "sample " << i;
    }
    EXPECT_FALSE(SameCoefficients(left[600], right[600]));
}

// p5 = 0 gives 0.02 Hz; p5 = 1 gives 20 Hz, one table step every 150 samples at 48 kHz.
TEST(MultiFilter, RateRange)
{
    CMultiProbe filter;
    filter.SetParameter(P_RATE, 0.0f);
    EXPECT_FLOAT_EQ(filter.m_fRate, 0.02f);
    filter.SetParameter(P_RATE, 1.0f);
    EXPECT_FLOAT_EQ(filter.m_fRate, 20.0f);
    EXPECT_NEAR(1.0 / filter.m_dIncrement, 150.0, 1e-3);
}

// "Mix" 0 passes the dry input unchanged; "Mix" 1 (the default) is the filter alone, as
// the comparison with the biquad above shows.
TEST(MultiFilter, DryMixPassesTheInput)
{
    CMultiFilter filter;
    filter.SetParameter(P_MIX, 0.0f);
    filter.SetParameter(P_MAGNITUDE, 1.0f);
    const std::vector<float> x = qvtest::NoiseBlock(2000, 3);
    std::vector<float> y = x;
    float* pp[2] = {y.data(), nullptr};
    filter.ProcessBlock(pp, pp, 2000, false);
    EXPECT_EQ(y, x);
}

// After a reset the random shape draws new targets at the first whole step, then once a
// cycle; in between each channel glides from its old target to its new one.
TEST(MultiFilter, RandomShapeGlidesBetweenTargets)
{
    CMultiProbe filter;
    qvtest::SetParameters(filter, {{P_SHAPE, 1.0f}, {P_MAGNITUDE, 1.0f}, {P_RATE, 1.0f}});
    filter.Reset();
    const int32 lFirstTarget = filter.m_lRandomTo[0];
    EXPECT_EQ(filter.m_lRandomFrom[0], 0);
    EXPECT_EQ(filter.m_lCountdown, 0);
    int lDraws = 0, lSamples = 0;
    while (int(filter.m_dPhase + filter.m_dIncrement) < 1) {
        filter.Step();
        ++lSamples;
    }
    EXPECT_EQ(lSamples, 149);
    for (int i = 0; i < 2400 * 10; ++i) {
        const int32 lTo = filter.m_lRandomTo[0];
        const int32 lCountdown = filter.m_lCountdown;
        filter.Step();
        if (filter.m_lCountdown == 16 && lCountdown != 16) {
            ++lDraws;
            if (lDraws == 1) {
                EXPECT_EQ(filter.m_lRandomFrom[0], lFirstTarget);
            }
            EXPECT_EQ(filter.m_lRandomFrom[0], lTo);
            EXPECT_EQ(filter.m_dFraction, 0.0);
        }
        ASSERT_GE(filter.m_dFraction, 0.0);
        ASSERT_LE(filter.m_dFraction, 1.0 + filter.m_dIncrement / 16.0);
        const _FilterTaps& a = filter.m_Table[filter.m_lRandomFrom[0]];
        const _FilterTaps& b = filter.m_Table[filter.m_lRandomTo[0]];
        if (a.fModulation != b.fModulation) {
            ASSERT_GE(filter.m_Current[0].a1, std::min(a.a1, b.a1) - 1e-6f);
            ASSERT_LE(filter.m_Current[0].a1, std::max(a.a1, b.a1) + 1e-6f);
        }
    }
    EXPECT_EQ(lDraws, 10);
}

// Returning to the random shape after another one restarts the glide: the fraction never
// runs beyond the step the glide is on, however long the other shape ran.
TEST(MultiFilter, ReturningToRandomRestartsTheGlide)
{
    CMultiProbe filter;
    qvtest::SetParameters(filter, {{P_MAGNITUDE, 1.0f}, {P_RATE, 1.0f}, {P_SHAPE, 1.0f}});
    for (int i = 0; i < 1000; ++i) filter.Step();
    filter.SetParameter(P_SHAPE, 0.0f);
    for (int i = 0; i < 7777; ++i) filter.Step();
    filter.SetParameter(P_SHAPE, 1.0f);
    for (int i = 0; i < 4000; ++i) {
        filter.Step();
        ASSERT_GE(filter.m_dFraction, 0.0) << "sample " << i;
        ASSERT_LE(filter.m_dFraction, 1.0 + filter.m_dIncrement / 16.0) << "sample " << i;
    }
}

// The position stays within one cycle however long the filter runs, and the sweep is that
// of the unwrapped position: entries and fraction from N x increment after N samples.
TEST(MultiFilter, PositionStaysWithinOneCycle)
{
    CMultiProbe filter;
    filter.SetParameter(P_MAGNITUDE, 1.0f);
    filter.SetParameter(P_RATE, 1.0f);
    std::vector<float> silence(4096, 0.0f);
    float* pp[2] = {silence.data(), silence.data()};
    const int kBlocks = 250; // 1024000 samples, some 427 cycles
    for (int block = 0; block < kBlocks; ++block) {
        filter.ProcessBlock(pp, pp, 4096, false);
        ASSERT_GE(filter.m_dPhase, 0.0);
        ASSERT_LT(filter.m_dPhase, 16.0);
    }
    for (int64_t n = kBlocks * 4096 + 1; n <= kBlocks * 4096 + 2400; ++n) {
        filter.Step();
        const double dPosition = std::fmod(double(n) * filter.m_dIncrement, 16.0);
        const int k = int(dPosition);
        const _FilterTaps& a = filter.m_Table[k];
        const _FilterTaps& b = filter.m_Table[(k + 1) % 16];
        EXPECT_NEAR(filter.m_Current[0].a1, a.a1 + (b.a1 - a.a1) * (dPosition - k), 1e-6) << "sample " << n;
    }
}

TEST(MultiFilter, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CMultiFilter>();
    for (float fShape : {0.0f, 1.0f}) {
        CMultiFilter filter;
        qvtest::SetParameters(filter, {{P_SHAPE, fShape}, {P_MAGNITUDE, 0.8f}, {P_RATE, 0.9f}, {P_MIX, 0.7f}});
        qvtest::ExpectFilterContract(filter);
    }
}

} // namespace
