#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "delayfilter.h"
#include "support/filter_checks.h"
#include "support/filter_fuzz.h"

namespace {

using qvtest::ParameterText;

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(DelayFilter, IdentityAndDefaults)
{
    CDelayFilter filter;
    qvtest::ExpectIdentity(filter, "Delay", QVFourCC('Q', 'V', 'd', 'l'), {0.1f, 0.2f, 0.5f}, CDelayFilter::MIX, 0.25f);
}

TEST(DelayFilter, NamesAndLabels)
{
    CDelayFilter filter;
    const char* const kNames[3] = {"Delay Left", "Delay Right", "Mix"};
    const char* const kLabels[3] = {"ms", "ms", ""};
    for (int32 i = 0; i < 3; ++i) {
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, i), kNames[i]);
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, i), kLabels[i]);
    }
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, 3), "untouched");
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, 3), "");
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, -1), "untouched");
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, -1), "untouched");
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, 3), "untouched");
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, -1), "untouched");
}

TEST(DelayFilter, Displays)
{
    qvtest::ExpectDisplays<CDelayFilter>({
        {0, 0.0f, "Off"},  {0, 0.1f, "10"},  {1, 0.2f, "20"},     {1, 1.0f, "100"},  {0, 0.005f, "0"},
        {2, 1.0f, "100"},  {2, 0.5f, "0"},   {2, 0.0f, "-100"},   {2, 0.75f, "50"},
        // Values no host should send still give a bounded text.
        {0, kNaN, "0"},    {1, 1e30f, "2147483647"},  {2, -1e30f, "-2147483648"},  {2, kInf, "0"},
    });
}

TEST(DelayFilter, DisplaysOfWildValuesStayInsideTheTextBuffer) { qvtest::ExpectBoundedDisplays<CDelayFilter>(); }

struct CrossFeedCase {
    uint32 dwRate;
    float p0, p1, fMix;
    uint32 dwDelay0, dwDelay1; // samples by which each output hears its partner
};

void PrintTo(const CrossFeedCase& c, std::ostream* pOut)
{
    *pOut << c.dwRate << " Hz, p0 " << c.p0 << ", p1 " << c.p1 << ", mix " << c.fMix;
}

class DelayFilterCrossFeed : public testing::TestWithParam<CrossFeedCase> {};

// Impulses of 1 on the left and 2 on the right at frame 0: each output carries its own
// impulse times the dry weight at once and its partner's times the mix after the delay.
TEST_P(DelayFilterCrossFeed, EachOutputHearsItsPartnerDelayed)
{
    const CrossFeedCase& c = GetParam();
    const uint32 dwFrames = 1024;
    CDelayFilter filter;
    filter.SetSampleRate(c.dwRate);
    filter.SetParameter(0, c.p0);
    filter.SetParameter(1, c.p1);
    filter.SetParameter(2, c.fMix);
    filter.StartProcess();
    std::vector<float> in[2], out[2];
    for (int ch = 0; ch < 2; ++ch) {
        in[ch].assign(dwFrames, 0.0f);
        in[ch][0] = float(ch + 1);
        out[ch].assign(dwFrames, -3.0f);
    }
    float* ppIn[2] = {in[0].data(), in[1].data()};
    float* ppOut[2] = {out[0].data(), out[1].data()};
    EXPECT_EQ(filter.ProcessBlock(ppIn, ppOut, dwFrames, false), 1);
    const uint32 dwDelay[2] = {c.dwDelay0, c.dwDelay1};
    for (int ch = 0; ch < 2; ++ch)
        for (uint32 i = 0; i < dwFrames; ++i) {
            float fExpected = 0.0f;
            if (i == 0) fExpected += float(ch + 1) * (1.0f - c.fMix);
            if (i == dwDelay[ch]) fExpected += float(2 - ch) * c.fMix;
            ASSERT_EQ(out[ch][i], fExpected) << "channel " << ch << " frame " << i;
        }
}

// The delay is max(trunc(fs / 10 x p), 1) samples, at most 100 ms; wild values act as 0
// or as the top of the range.
INSTANTIATE_TEST_SUITE_P(DelayFilter, DelayFilterCrossFeed,
                         testing::Values(CrossFeedCase{48000, 0.0f, 0.0f, 0.5f, 1, 1},
                                         CrossFeedCase{48000, 0.01f, 0.02f, 0.5f, 48, 96},
                                         CrossFeedCase{1000, 1.0f, 0.5f, 0.25f, 100, 50},
                                         CrossFeedCase{1000, 0.005f, 0.015f, 1.0f, 1, 1},
                                         CrossFeedCase{1000, kNaN, 1e30f, 0.75f, 1, 100},
                                         CrossFeedCase{1000, -1.0f, kInf, 0.0f, 1, 100}));

TEST(DelayFilter, ChannelWithoutItsPartnerIsSkipped)
{
    CDelayFilter filter;
    filter.StartProcess();
    std::vector<float> in(64, 1.0f), out0(64, 7.0f), out1(64, 7.0f);
    float* ppIn[2] = {in.data(), nullptr};
    float* ppOut[2] = {out0.data(), out1.data()};
    filter.ProcessBlock(ppIn, ppOut, 64, false);
    for (uint32 i = 0; i < 64; ++i) ASSERT_TRUE(out0[i] == 7.0f && out1[i] == 7.0f) << "frame " << i;

    // Without an output of its own a channel is skipped; its partner still runs.
    float* ppBoth[2] = {in.data(), in.data()};
    float* ppLeftOnly[2] = {out0.data(), nullptr};
    filter.ProcessBlock(ppBoth, ppLeftOnly, 64, false);
    EXPECT_EQ(out0[0], 0.5f) << "dry half, the line is still silent";
}

TEST(DelayFilter, ResetSilencesTheLinesAndStopFreesThem)
{
    // One-sample cross-feed of a constant 1 at mix 0.5: 0.5 at frame 0, 1 from then on.
    CDelayFilter filter;
    filter.SetParameter(0, 0.0f);
    filter.SetParameter(1, 0.0f);
    std::vector<float> in(8, 1.0f), out0(8), out1(8);
    float* ppIn[2] = {in.data(), in.data()};
    float* ppOut[2] = {out0.data(), out1.data()};
    auto FirstTwo = [&] {
        filter.ProcessBlock(ppIn, ppOut, 8, false);
        return std::vector<float>{out0[0], out0[1], out1[0], out1[1]};
    };
    EXPECT_EQ(FirstTwo(), std::vector<float>({0.5f, 0.5f, 0.5f, 0.5f})) << "idle lines read silence";
    filter.StartProcess();
    EXPECT_EQ(FirstTwo(), std::vector<float>({0.5f, 1.0f, 0.5f, 1.0f}));
    EXPECT_EQ(FirstTwo(), std::vector<float>({1.0f, 1.0f, 1.0f, 1.0f}));
    filter.Reset();
    EXPECT_EQ(FirstTwo(), std::vector<float>({0.5f, 1.0f, 0.5f, 1.0f}));
    filter.StopProcess();
    EXPECT_EQ(FirstTwo(), std::vector<float>({0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST(DelayFilter, BlockContract)
{
    // Short lines, so that the cross-fed signal shows within the contract's blocks. Both
    // inputs of a frame are read before either output is written: in place works too.
    CDelayFilter filter;
    filter.SetParameter(CDelayFilter::DELAY_LEFT, 0.001f);
    filter.SetParameter(CDelayFilter::DELAY_RIGHT, 0.002f);
    filter.SetParameter(CDelayFilter::MIX, 0.3f);
    qvtest::ExpectBlockContract(filter);
    qvtest::ExpectNoSteadyStateAllocation(filter);
}

TEST(DelayFilter, SurvivesWildParametersAndBlocks)
{
    CDelayFilter prototype;
    for (unsigned seed : {1u, 2u, 3u}) qvtest::FuzzFilter(prototype, seed);
}

} // namespace
