#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "chorus.h"
#include "support/filter_checks.h"
#include "support/filter_fuzz.h"
#include "support/stereo_block.h"

namespace {

using qvtest::ParameterText;
using qvtest::ProcessStereo;
using qvtest::StereoBlock;
using qvtest::StereoImpulse;

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const double kTwoPi = 6.283185307179586;

// A started chorus without random wander or feedback; the oscillators start afresh.
CChorus* SteadyChorus(uint32 dwRate, float fLayers, float fDelay, float fRate, float fDepth, float fPhase, float fMix)
{
    CChorus* pChorus = new CChorus;
    pChorus->SetSampleRate(dwRate);
    const float values[CChorus::PARAM_COUNT] = {fLayers, fDelay, 0.5f, fRate, fDepth, 0.0f, 0.0f, fPhase, fMix};
    for (int32 i = 0; i < CChorus::PARAM_COUNT; ++i) pChorus->SetParameter(i, values[i]);
    pChorus->StartProcess();
    pChorus->Reset();
    return pChorus;
}

TEST(Chorus, IdentityAndDefaults)
{
    CChorus chorus;
    qvtest::ExpectIdentity(chorus, "Chorus", QVFourCC('Q', 'V', 'c', 'h'),
                           {0.415f, 0.455f, 0.585f, 0.48f, 0.925f, 0.82f, 0.79f, 0.5f, 0.795f}, CChorus::MIX, 0.3f);
    EXPECT_EQ(CChorus().GetLayers(), 2) << "two voices by default";
}

TEST(Chorus, NamesAndLabels)
{
    CChorus chorus;
    const char* const kNames[] = {"Layers",    "Delay",      "Feedback",    "LFO Rate", "LFO Depth",
                                  "Rate Rand", "Depth Rand", "Phase Delay", "Mix"};
    const char* const kLabels[] = {"", "ms", "", "hz", "ms", "", "", "degrees", ""};
    for (int32 i = 0; i < 9; ++i) {
        EXPECT_EQ(ParameterText(chorus, &CFilter::GetParameterName, i), kNames[i]);
        EXPECT_EQ(ParameterText(chorus, &CFilter::GetParameterLabel, i), kLabels[i]);
    }
    for (int32 i : {-1, 9}) {
        EXPECT_EQ(ParameterText(chorus, &CFilter::GetParameterName, i), "untouched");
        EXPECT_EQ(ParameterText(chorus, &CFilter::GetParameterLabel, i), "");
        EXPECT_EQ(ParameterText(chorus, &CFilter::GetParameterDisplay, i), "untouched");
    }
}

TEST(Chorus, Displays)
{
    qvtest::ExpectDisplays<CChorus>({
        {0, 0.0f, "1"},        {0, 1.0f, "4"},         {0, 0.415f, "2"},      {0, 0.25f, "1"},
        {0, 0.2503f, "2"},     {0, kNaN, "1"},         {0, 1e30f, "4"},       {0, -5.0f, "1"},
        {1, 0.455f, "45.5"},   {1, 0.05f, "5.00"},     {1, 1.0f, "100."},     {1, 0.0f, "0.00"},
        {2, 0.5f, "0.0"},      {2, 1.0f, "100.0"},     {2, 0.585f, "17.0"},   {3, 0.0f, "0.01"},
        {3, 1.0f, "10.00"},    {3, 0.48f, "0.28"},     {3, 0.5f, "0.32"},     {4, 0.925f, "9.25"},
        {5, 0.82f, "82.00"},   {6, 0.79f, "79.00"},    {7, 0.5f, "180.0"},    {7, 1.0f, "360.0"},
        {8, 0.795f, "59"},     {8, 0.5f, "0"},         {8, 0.0f, "-100"},     {8, 1.0f, "100"},
    });
}

TEST(Chorus, DisplaysOfWildValuesStayInsideTheTextBuffer) { qvtest::ExpectBoundedDisplays<CChorus>(); }

// With no sweep the voices are identical, each at mix / sqrt(layers): together they give
// sqrt(layers) times one voice. Values outside 0..1 are held to one to four voices.
TEST(Chorus, LayerCountAndLevel)
{
    const struct {
        float p;
        int32 lLayers;
    } kCases[] = {{0.0f, 1}, {0.415f, 2}, {0.6f, 3}, {1.0f, 4}, {kNaN, 1}, {1e30f, 4}, {-1.0f, 1}, {kInf, 1}};
    for (const auto& c : kCases) {
        CChorus* pChorus = SteadyChorus(48000, c.p, 0.01f, 0.5f, 0.0f, 0.0f, 1.0f); // 48 samples
        EXPECT_EQ(pChorus->GetLayers(), c.lLayers) << c.p;
        const StereoBlock out = ProcessStereo(*pChorus, StereoImpulse(100, 1.0f, -1.0f));
        for (size_t i = 0; i < 100; ++i) {
            const float fExpected = i == 47 ? float(std::sqrt(double(c.lLayers))) : 0.0f;
            ASSERT_NEAR(out.ch[0][i], fExpected, 1e-6f) << c.p << " frame " << i;
            ASSERT_NEAR(out.ch[1][i], -fExpected, 1e-6f) << c.p << " frame " << i;
        }
        pChorus->Delete();
    }
}

struct SweepCase {
    float p1, p4, p7, p8;
};

// One voice, no variation, no feedback: the output is x (1 - mix) + mix y, y the input
// read (interpolated) at base delay + depth x cos(phase), the phase advancing by
// 2 pi rate / fs per sample and channel 1's lagging by the phase delay. A ramp shows the
// read position directly. At 4800 Hz: delay p x 480, depth p x 48 samples; rate 1 Hz.
TEST(Chorus, SweptDelay)
{
    const SweepCase kCases[] = {
        {0.1f, 0.5f, 0.25f, 0.6f}, // 48 +- 24 samples
        {0.0f, 0.5f, 0.5f, 1.0f},  // the base is raised to the depth: 24 +- 24, reads below 2 held at 2
        {0.05f, 0.2f, 0.0f, 0.3f}, // 24 +- 9.6
        {0.2f, 0.0f, 0.75f, 0.5f}, // no sweep: 96
    };
    const size_t kFrames = 6000; // past one wrap of the phase
    for (const SweepCase& c : kCases) {
        CChorus* pChorus = SteadyChorus(4800, 0.0f, c.p1, 2.0f / 3.0f, c.p4, c.p7, c.p8);
        StereoBlock in{{std::vector<float>(kFrames), std::vector<float>(kFrames)}};
        for (size_t n = 0; n < kFrames; ++n) {
            in.ch[0][n] = float(n) * 1e-3f;
            in.ch[1][n] = float(n) * -2e-3f;
        }
        const StereoBlock out = ProcessStereo(*pChorus, in);
        const double dDepth = c.p4 * 48.0, dBase = std::max(double(c.p1) * 480.0, dDepth);
        for (size_t n = 120; n < kFrames; ++n)
            for (int ch = 0; ch < 2; ++ch) {
                const double dPhase = double(n + 1) * kTwoPi / 4800.0 - ch * kTwoPi * c.p7;
                const double dRead = std::max(2.0, dBase + dDepth * std::cos(dPhase));
                const double dSlope = ch == 0 ? 1e-3 : -2e-3;
                const double y = dSlope * (double(n) - (dRead - 1.0));
                const double dExpected = in.ch[ch][n] * (1.0 - c.p8) + c.p8 * y;
                ASSERT_NEAR(out.ch[ch][n], dExpected, 2e-5) << "case " << c.p1 << "/" << c.p4 << " ch " << ch << " frame " << n;
            }
        pChorus->Delete();
    }
}

// Each voice draws its own rates and depths, so voices with equal settings drift apart;
// without variation they stay together.
TEST(Chorus, VoicesDriftApartOnlyWithVariation)
{
    for (float fRand : {0.0f, 1.0f}) {
        CChorus chorus;
        chorus.SetParameter(CChorus::LAYERS, 1.0f);
        chorus.SetParameter(CChorus::RATE_RAND, fRand);
        chorus.SetParameter(CChorus::DEPTH_RAND, fRand);
        bool bSame = true;
        for (int32 k = 1; k < 4; ++k) {
            const CLFO& a = chorus.GetVoice(0).GetLFO();
            const CLFO& b = chorus.GetVoice(k).GetLFO();
            bSame = bSame && a.GetRate(0) == b.GetRate(0) && a.GetDepth(0) == b.GetDepth(0);
        }
        EXPECT_EQ(bSame, fRand == 0.0f);
    }
}

// Voices added after StartProcess have no storage and add silence until the next start.
TEST(Chorus, LayersRaisedWhileRunningWaitForStart)
{
    CChorus* pChorus = SteadyChorus(48000, 0.0f, 0.01f, 0.5f, 0.0f, 0.0f, 1.0f);
    pChorus->SetParameter(CChorus::LAYERS, 1.0f); // four voices at 1/2 each
    EXPECT_NEAR(ProcessStereo(*pChorus, StereoImpulse(100, 1.0f, 0.0f)).ch[0][47], 0.5f, 1e-6f);
    pChorus->StopProcess();
    pChorus->StartProcess();
    pChorus->Reset();
    EXPECT_NEAR(ProcessStereo(*pChorus, StereoImpulse(100, 1.0f, 0.0f)).ch[0][47], 2.0f, 1e-6f);
    pChorus->Delete();
}

// A sample that is not finite reaches the output once but never the feedback loop.
TEST(Chorus, NonFiniteInputDoesNotCirculate)
{
    for (float fBad : {kNaN, kInf, -kInf}) {
        CChorus* pChorus = SteadyChorus(4800, 1.0f, 0.1f, 0.5f, 0.5f, 0.3f, 0.5f);
        pChorus->SetParameter(CChorus::FEEDBACK, 1.0f);
        StereoBlock in{{qvtest::NoiseBlock(9600, 1), qvtest::NoiseBlock(9600, 2)}};
        in.ch[0][100] = fBad;
        const StereoBlock out = ProcessStereo(*pChorus, in);
        for (size_t n = 101; n < 9600; ++n) ASSERT_TRUE(std::isfinite(out.ch[0][n])) << fBad << " frame " << n;
        pChorus->Delete();
    }
}

// Any announced sample rate gives a working chorus: a rate below 1 Hz a one-slot line,
// a huge one a bounded line.
TEST(Chorus, ExtremeSampleRates)
{
    for (uint32 dwRate : {0u, 1u, 7u, 4000000000u}) {
        CChorus chorus;
        chorus.SetSampleRate(dwRate);
        chorus.SetParameter(CChorus::LAYERS, 1.0f);
        chorus.StartProcess();
        const StereoBlock out = ProcessStereo(chorus, StereoBlock{{qvtest::NoiseBlock(512, 3), qvtest::NoiseBlock(512, 4)}});
        for (int c = 0; c < 2; ++c)
            for (float v : out.ch[c]) ASSERT_TRUE(std::isfinite(v)) << dwRate;
    }
}

TEST(Chorus, BlockContract)
{
    CChorus chorus;
    chorus.SetParameter(CChorus::LAYERS, 1.0f);
    chorus.SetParameter(CChorus::DELAY, 0.001f); // short enough to show within the blocks
    chorus.SetParameter(CChorus::LFO_DEPTH, 0.05f);
    chorus.SetParameter(CChorus::LFO_RATE, 1.0f);
    qvtest::ExpectBlockContract(chorus);
    qvtest::ExpectNoSteadyStateAllocation(chorus);
}

TEST(Chorus, Fuzz)
{
    CChorus chorus;
    qvtest::FuzzFilter(chorus, 0xc405u);
}

TEST(ChorusDeathTest, MoreThanTwoChannels)
{
    CChorusUnit unit;
    EXPECT_DEATH(unit.Init(3, 10.0f, 5.0f, 0.0f, 1.0f, 0.0f, 0.0f, 48000.0f, 1.0f, 0.0f, false),
                 "^Common/chorus:41: failed assertion `lChannels <= MAX_CHANNELS'\n");
}

} // namespace
