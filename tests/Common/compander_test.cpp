#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "compander.h"
#include "support/filter_checks.h"
#include "support/filter_fuzz.h"

namespace {

using qvtest::ParameterText;

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kMinus4dB = 0.630957344f; // 10^(-0.2)

// Two channels of audio run through a filter in one block.
struct Stereo {
    Stereo(std::vector<float> left, std::vector<float> right) : in{std::move(left), std::move(right)}
    {
        for (int c = 0; c < 2; ++c) out[c].assign(in[c].size(), 0.0f);
    }
    Stereo(size_t frames, float left, float right) : Stereo(std::vector<float>(frames, left), std::vector<float>(frames, right)) {}
    void Run(CFilter& filter, bool bAdd = false)
    {
        float* ppIn[2] = {in[0].data(), in[1].data()};
        float* ppOut[2] = {out[0].data(), out[1].data()};
        EXPECT_EQ(filter.ProcessBlock(ppIn, ppOut, uint32(in[0].size()), bAdd), 1);
    }
    std::vector<float> in[2], out[2];
};

// A running compander at 48 kHz with the given parameters set one by one.
struct Running {
    explicit Running(std::initializer_list<std::pair<int32, float>> params = {}, uint32 dwRate = 48000)
    {
        filter.SetSampleRate(dwRate);
        for (const auto& p : params) filter.SetParameter(p.first, p.second);
        filter.StartProcess();
    }
    CCompander filter;
};

TEST(Compander, IdentityAndDefaults)
{
    CCompander filter;
    qvtest::ExpectIdentity(filter, "Compander", QVFourCC('Q', 'V', 'c', 'p'), {0.5f, 0.0f, 0.8f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.5f, 0.0f}, CCompander::COMPRESS, 0.7f);
}

TEST(Compander, NamesAndLabels)
{
    CCompander filter;
    const char* const kNames[10] = {"Pre Gain", "Compress", "Threshold", "Expand",    "Threshold",
                                    "Attack",   "Release",  "Smoothing", "Post Gain", "Delay"};
    const char* const kLabels[10] = {"dB", "Ratio", "dB", "Ratio", "dB", "ms", "ms", "untouched", "dB", "ms"};
    for (int32 i = 0; i < 10; ++i) {
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, i), kNames[i]);
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, i), kLabels[i]);
    }
    for (int32 i : {-1, 10}) {
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, i), "untouched");
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, i), "untouched");
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, i), "untouched");
    }
}

TEST(Compander, Displays)
{
    qvtest::ExpectDisplays<CCompander>({
        {0, 0.5f, "0.0"},   {0, 0.0f, "-24.0"}, {8, 1.0f, "24.0"},   {1, 1.0f, "10000.00:1"}, {1, 0.0f, "1.00:1"},
        {1, 0.5f, "2.00:1"}, {3, 0.5f, "1:2.00"}, {3, 1.0f, "1:10000.00"}, {2, 0.8f, "-20"}, {2, 1.0f, "0"},
        {4, 0.4f, "-60"},   {4, 0.0f, "-100"},  {5, 0.02f, "0.20"},  {6, 0.04f, "4.00"},      {7, 0.5f, "0.50"},
        {9, 0.5f, "10.0"},  {9, 1.0f, "20.0"},  {2, kNaN, "0"},      {4, -1e30f, "-2147483648"},
    });
}

TEST(Compander, DisplaysOfWildValuesStayInsideTheTextBuffer) { qvtest::ExpectBoundedDisplays<CCompander>(); }

TEST(Compander, UpperThresholdFollowsTheLowerOne)
{
    struct Case {
        float p2, p4, fExpected;
    };
    const Case kCases[] = {{0.3f, 0.5f, 0.5f}, {0.8f, 0.4f, 0.8f}, {0.5f, 0.5f, 0.5f}, {0.0f, 1.0f, 1.0f}};
    for (const Case& c : kCases) {
        for (bool bLowerFirst : {false, true}) {
            CCompander filter;
            filter.SetParameter(CCompander::COMP_THRESHOLD, 0.0f);
            if (bLowerFirst) filter.SetParameter(CCompander::EXP_THRESHOLD, c.p4);
            filter.SetParameter(CCompander::COMP_THRESHOLD, c.p2);
            filter.SetParameter(CCompander::EXP_THRESHOLD, c.p4);
            EXPECT_EQ(filter.GetParameter(CCompander::COMP_THRESHOLD), c.fExpected) << c.p2 << ", " << c.p4;
        }
    }
    CCompander filter;
    filter.SetParameter(CCompander::EXP_THRESHOLD, 0.9f);
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, CCompander::COMP_THRESHOLD), "-10");
}

TEST(Compander, InitSetsSevenParametersAndAppliesThemOnce)
{
    class CCounting : public CCompander {
    public:
        void ActivatePreset() override
        {
            ++m_lActivations;
            CCompander::ActivatePreset();
        }
        int m_lActivations = 0;
    } filter;
    filter.SetParameter(CCompander::PRE_GAIN, 0.25f);
    filter.SetParameter(CCompander::SMOOTHING, 0.75f);
    filter.SetParameter(CCompander::DELAY, 0.125f);
    filter.m_lActivations = 0;
    // attack, release, compress, expand, upper threshold, lower threshold, post gain
    EXPECT_EQ(filter.Init(0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f), 1);
    EXPECT_EQ(filter.m_lActivations, 1);
    const float kExpected[10] = {0.25f, 0.3f, 0.6f /* raised to the lower threshold */, 0.4f, 0.6f,
                                 0.1f,  0.2f, 0.75f, 0.7f, 0.125f};
    for (int32 i = 0; i < 10; ++i) EXPECT_EQ(filter.GetParameter(i), kExpected[i]) << "parameter " << i;
}

TEST(Compander, DefaultsPassEveryLevelAtUnityGain)
{
    // Both slopes 1, no make-up, 0 dB pre and post gain, no look-ahead: the gain is 1
    // within rounding from below the detector floor to above the soft knee.
    for (float fLevel : {1e-5f, 0.001f, 0.05f, 0.5f, 1.0f, 4.0f, 25.0f}) {
        Running r;
        Stereo audio(4800, fLevel, -fLevel);
        audio.Run(r.filter);
        for (int c = 0; c < 2; ++c)
            for (size_t i = 0; i < audio.out[c].size(); ++i)
                ASSERT_NEAR(audio.out[c][i] / audio.in[c][i], 1.0f, 1e-5f) << "level " << fLevel << " frame " << i;
    }
}

TEST(Compander, FullCompressionSettlesAtTheThresholdPlusMakeUp)
{
    // Slope 0 above -20 dB: every level above maps to -20 dB, and the make-up gain adds
    // 16 dB, so it settles at -4 dB; below the threshold only the make-up gain acts.
    // The right channel keeps a level of 0.05 to show that the channels are not linked.
    const float fQuiet = 0.05f * std::pow(10.0f, 0.8f);
    for (float fLevel : {1.0f, -1.0f, 0.5f, 0.2f, 0.05f}) {
        Running r({{CCompander::COMPRESS, 1.0f}, {CCompander::COMP_THRESHOLD, 0.8f}});
        Stereo audio(9600, fLevel, 0.05f);
        audio.Run(r.filter);
        const float fExpected = std::fabs(fLevel) > 0.1f ? std::copysign(kMinus4dB, fLevel) : fLevel * std::pow(10.0f, 0.8f);
        EXPECT_NEAR(audio.out[0].back(), fExpected, 1e-4f) << "level " << fLevel;
        EXPECT_NEAR(audio.out[1].back(), fQuiet, 1e-4f) << "level " << fLevel;
    }
}

TEST(Compander, DetectorFollowsAttackReleaseAndSmoothing)
{
    // Slope 0 above -100 dB with 80 dB of make-up: the curve is 0.1 for every detected
    // level, so the gain 0.1 / g reveals the detector value g of each sample. At 10 kHz
    // attack 0.001 gives a coefficient of 1, attack 0.002 one of 0.5 and release 0.01
    // one of 0.01.
    struct Case {
        float fAttack, fSmoothing;
        std::vector<float> input, detected;
    };
    const Case kCases[] = {
        {0.001f, 0.0f, {0.5f, 0.5f, 0.1f, 0.1f}, {0.5f, 0.5f, 0.496f, 0.49204f}},
        // Smoothing 0.5: the new value weighs 0.505, the previous smoothed one 0.495.
        {0.001f, 0.5f, {0.5f, 0.5f, 0.5f}, {0.2525f, 0.3774875f, 0.43935631f}},
        // The detector continues from the clamped level: the -60 dB floor ...
        {0.002f, 0.0f, {0.0002f, 0.0002f, 0.5f}, {0.001f, 0.001f, 0.2505f}},
        // ... and the soft knee above 20: 30 is used as 29, 120 as 110, 20 as it is ...
        {0.001f, 0.0f, {30.0f, 120.0f}, {29.0f, 110.0f}},
        {0.001f, 0.0f, {20.0f, 10.0f}, {20.0f, 19.9f}},
        // ... then 29 + 31 / 2 = 44.5 is used as 42.05.
        {0.002f, 0.0f, {60.0f, 60.0f}, {29.0f, 42.05f}},
    };
    for (const Case& c : kCases) {
        Running r({{CCompander::COMPRESS, 1.0f},
                   {CCompander::EXP_THRESHOLD, 0.0f},
                   {CCompander::COMP_THRESHOLD, 0.0f},
                   {CCompander::ATTACK, c.fAttack},
                   {CCompander::RELEASE, 0.01f},
                   {CCompander::SMOOTHING, c.fSmoothing}},
                  10000);
        ASSERT_NEAR(r.filter.Transform(0.3f), 0.1f, 1e-6f);
        Stereo audio(c.input, c.input);
        audio.Run(r.filter);
        for (size_t i = 0; i < c.input.size(); ++i)
            EXPECT_NEAR(0.1f * c.input[i] / audio.out[1][i] / c.detected[i], 1.0f, 1e-5f) << "sample " << i;
    }
}

TEST(Compander, ExpansionLowersTheGainOfSilence)
{
    // Lower threshold -50 dB, ratio about 1:2: a near-silent input is detected at the
    // -60 dB floor and expanded to about -70 dB, a gain of about 10^(-10/20).
    Running r({{CCompander::EXPAND, 0.5f}, {CCompander::EXP_THRESHOLD, 0.5f}});
    Stereo audio(48000, 1e-6f, 0.0f);
    audio.Run(r.filter);
    const float fGain = audio.out[0].back() / 1e-6f;
    const double dSlope = 1.0 / (1.0 - 0.4995);
    EXPECT_NEAR(fGain, std::pow(10.0, (-50.0 - 10.0 * dSlope + 60.0) / 20.0), 1e-4);
    EXPECT_FLOAT_EQ(fGain, r.filter.Transform(0.001f) / 0.001f);
    EXPECT_EQ(audio.out[1].back(), 0.0f);
}

struct LookAheadCase {
    float p9;
    uint32 dwDelay;
};

class CompanderLookAhead : public testing::TestWithParam<LookAheadCase> {};

TEST_P(CompanderLookAhead, DelaysTheAudioByLengthMinusTwo)
{
    // At 48 kHz L = trunc(p9 x 960) + 1 and the audio is delayed by max(L - 2, 0).
    Running r({{CCompander::DELAY, GetParam().p9}});
    std::vector<float> impulse(1200, 0.0f);
    impulse[0] = 0.5f;
    Stereo audio(impulse, impulse);
    audio.Run(r.filter);
    for (int c = 0; c < 2; ++c)
        for (uint32 i = 0; i < 1200; ++i) {
            if (i == GetParam().dwDelay)
                EXPECT_NEAR(audio.out[c][i], 0.5f, 1e-6f);
            else
                ASSERT_EQ(audio.out[c][i], 0.0f) << "channel " << c << " frame " << i;
        }
}

INSTANTIATE_TEST_SUITE_P(Compander, CompanderLookAhead,
                         testing::Values(LookAheadCase{0.0f, 0}, LookAheadCase{1.5f / 960, 0},
                                         LookAheadCase{2.5f / 960, 1}, LookAheadCase{99.5f / 960, 98},
                                         LookAheadCase{1.0f, 959}, LookAheadCase{kNaN, 0}, LookAheadCase{-1.0f, 0},
                                         LookAheadCase{1e30f, 959}, LookAheadCase{kInf, 959}));

TEST(Compander, LookAheadFollowsTheSampleRateAtTheNextParameterChange)
{
    Running r({{CCompander::DELAY, 0.5f}});
    r.filter.SetSampleRate(24000);
    std::vector<float> impulse(600, 0.0f);
    impulse[0] = 1.0f;
    Stereo before(impulse, impulse);
    before.Run(r.filter);
    EXPECT_NEAR(before.out[0][479], 1.0f, 1e-6f) << "L = 481 until the parameters are applied";
    r.filter.Reset();
    r.filter.SetParameter(CCompander::DELAY, 0.5f);
    Stereo after(impulse, impulse);
    after.Run(r.filter);
    EXPECT_NEAR(after.out[0][239], 1.0f, 1e-6f) << "L = 241 at 24 kHz";
}

TEST(Compander, SilentBeforeStartAndAfterStop)
{
    CCompander filter;
    Stereo audio(64, 0.5f, -0.5f);
    audio.out[1].assign(64, 0.25f);
    audio.Run(filter, true);
    EXPECT_EQ(audio.out[0], std::vector<float>(64, 0.0f));
    EXPECT_EQ(audio.out[1], std::vector<float>(64, 0.25f)) << "adding silence changes nothing";
    filter.StartProcess();
    audio.Run(filter);
    EXPECT_NEAR(audio.out[0][0], 0.5f, 1e-5f);
    filter.StopProcess();
    audio.Run(filter);
    EXPECT_EQ(audio.out[0], std::vector<float>(64, 0.0f));
}

TEST(Compander, BlockContract)
{
    CCompander filter;
    filter.SetParameter(CCompander::COMPRESS, 0.7f);
    filter.SetParameter(CCompander::COMP_THRESHOLD, 0.7f);
    filter.SetParameter(CCompander::EXPAND, 0.3f);
    filter.SetParameter(CCompander::DELAY, 0.1f);
    qvtest::ExpectBlockContract(filter);
    qvtest::ExpectNoSteadyStateAllocation(filter);
}

TEST(Compander, NonFiniteInputRestartsTheDetector)
{
    for (float fBad : {kNaN, kInf, -kInf}) {
        Running r({{CCompander::COMPRESS, 1.0f}});
        Stereo audio(4800, 0.5f, 0.5f);
        audio.in[0][100] = fBad;
        audio.Run(r.filter);
        EXPECT_FALSE(std::isfinite(audio.out[0][100])) << "the audio path itself is not cleaned";
        for (size_t i = 101; i < 4800; ++i) ASSERT_TRUE(std::isfinite(audio.out[0][i])) << fBad << " frame " << i;
        EXPECT_NEAR(audio.out[0].back(), audio.out[1].back(), 1e-4f) << "the detector recovers";
    }
}

TEST(Compander, ResetForgetsTheDetectorAndTheAudio)
{
    const std::initializer_list<std::pair<int32, float>> kSettings = {{CCompander::COMPRESS, 1.0f},
                                                                     {CCompander::DELAY, 0.2f}};
    Running fresh(kSettings), used(kSettings);
    Stereo loud(2000, 1.0f, -1.0f);
    loud.Run(used.filter);
    used.filter.Reset();
    Stereo a(1000, 0.1f, 0.2f), b(1000, 0.1f, 0.2f);
    a.Run(fresh.filter);
    b.Run(used.filter);
    EXPECT_EQ(a.out[0], b.out[0]);
    EXPECT_EQ(a.out[1], b.out[1]);
}

TEST(Compander, SurvivesWildParametersAndBlocks)
{
    CCompander prototype;
    for (unsigned seed : {1u, 2u, 3u}) qvtest::FuzzFilter(prototype, seed);
}

} // namespace
