#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "echo.h"
#include "support/alloc_counter.h"
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

enum { kDelayA = CEchoBase::DELAY_A, kDelayB, kFeedback, kDamping, kMix };

// A started echo whose taps give back exactly what reaches them: no feedback, no
// damping, wet only (the taps' gain is then 1).
template <class TEcho>
TEcho* PlainEcho(uint32 dwRate, float p0, float p1, double* pTempo = nullptr)
{
    TEcho* pEcho = new TEcho;
    pEcho->SetTempoReference(pTempo);
    pEcho->SetSampleRate(dwRate);
    pEcho->SetParameter(kFeedback, 0.5f);
    pEcho->SetParameter(kDamping, 0.0f);
    pEcho->SetParameter(kMix, 1.0f);
    pEcho->SetParameter(kDelayA, p0);
    pEcho->SetParameter(kDelayB, p1);
    pEcho->StartProcess();
    return pEcho;
}

// Expects the block to be silent but for the given (frame, value) pairs.
void ExpectOnly(const std::vector<float>& x, std::vector<std::pair<size_t, float>> peaks, const char* pWhat)
{
    std::vector<float> expected(x.size());
    for (const auto& peak : peaks)
        if (peak.first < x.size()) expected[peak.first] += peak.second;
    for (size_t i = 0; i < x.size(); ++i) ASSERT_FLOAT_EQ(x[i], expected[i]) << pWhat << " frame " << i;
}

TEST(Echo, IdentityAndDefaults)
{
    CEcho echo;
    qvtest::ExpectIdentity(echo, "Echo", QVFourCC('Q', 'V', 'e', 'c'), {0.1f, 0.0f, 0.4f, 0.5f, 0.5f}, kMix, 0.7f);
    CDJEcho dj;
    qvtest::ExpectIdentity(dj, "DJEcho", QVFourCC('Q', 'd', 'e', 'c'), {0.1f, 0.0f, 0.4f, 0.5f, 0.5f}, kFeedback, 0.2f);
    EXPECT_EQ(dynamic_cast<CEcho*>(static_cast<CFilter*>(&dj)), nullptr) << "the DJ echo is not an echo";
    CEcho fresh;
    EXPECT_TRUE(fresh.IsTapActive(0));
    EXPECT_FALSE(fresh.IsTapActive(1)) << "tap B is off by default";
}

TEST(Echo, NamesAndLabels)
{
    double dTempo = 120.0;
    CEcho echo;
    CDJEcho dj, djTempo;
    djTempo.SetTempoReference(&dTempo);
    const char* const kNames[] = {"Delay A", "Delay B", "Feedback", "Damping", "Mix"};
    for (int32 i = 0; i < 5; ++i) {
        const bool bDelay = i < 2;
        for (CFilter* pFilter : {static_cast<CFilter*>(&echo), static_cast<CFilter*>(&dj)}) {
            EXPECT_EQ(ParameterText(*pFilter, &CFilter::GetParameterName, i), kNames[i]);
            EXPECT_EQ(ParameterText(*pFilter, &CFilter::GetParameterLabel, i), bDelay ? "ms" : "") << i;
        }
        EXPECT_EQ(ParameterText(djTempo, &CFilter::GetParameterLabel, i), bDelay ? "beats" : "") << i;
    }
    for (int32 i : {-1, 5}) {
        EXPECT_EQ(ParameterText(echo, &CFilter::GetParameterName, i), "untouched");
        EXPECT_EQ(ParameterText(echo, &CFilter::GetParameterLabel, i), "");
        EXPECT_EQ(ParameterText(djTempo, &CFilter::GetParameterLabel, i), "");
        EXPECT_EQ(ParameterText(echo, &CFilter::GetParameterDisplay, i), "untouched");
        EXPECT_EQ(ParameterText(dj, &CFilter::GetParameterDisplay, i), "untouched");
    }
}

TEST(Echo, Displays)
{
    qvtest::ExpectDisplays<CEcho>({
        {0, 0.0f, "Off"},     {0, 0.25f, "250"},    {1, 1.0f, "1000"},    {0, 0.0005f, "0"},
        {2, 0.5f, "0.0"},     {2, 1.0f, "100.0"},   {2, 0.0f, "-100.0"},  {2, 0.4f, "-20.0"},
        {3, 0.5f, "50.0"},    {3, 1.0f, "100.0"},   {4, 1.0f, "100"},     {4, 0.5f, "0"},
        {4, 0.0f, "-100"},    {4, 0.795f, "59"},    {0, kNaN, "0"},       {1, 1e30f, "2147483647"},
    });
    qvtest::ExpectDisplays<CDJEcho>({{0, 0.0f, "Off"}, {0, 0.25f, "500"}, {1, 1.0f, "2000"}, {4, 0.25f, "-50"}});

    // With a tempo the delays show beats, + 0.05 in float before one decimal.
    const struct {
        float p;
        const char* pText;
    } kBeats[] = {{0.25f, "1.0"}, {0.1f, "0.5"}, {1.0f, "4.1"}, {0.0f, "Off"}, {0.5f, "2.0"}, {0.3f, "1.2"}};
    double dTempo = 97.0;
    for (const auto& c : kBeats) {
        CDJEcho dj;
        dj.SetTempoReference(&dTempo);
        dj.SetParameter(kDelayB, c.p);
        EXPECT_EQ(ParameterText(dj, &CFilter::GetParameterDisplay, kDelayB), c.pText) << c.p;
    }
}

TEST(Echo, DisplaysOfWildValuesStayInsideTheTextBuffer)
{
    qvtest::ExpectBoundedDisplays<CEcho>();
    qvtest::ExpectBoundedDisplays<CDJEcho>();
}

struct TapCase {
    bool bDJ;
    double dTempo; // 0: none
    uint32 dwRate;
    float p0, p1;
    uint32 dwLate0[2]; // how late channel 0 hears channel 1's input through tap A, tap B
    uint32 dwLate1[2]; // how late channel 1 hears channel 0's input
};

void PrintTo(const TapCase& c, std::ostream* pOut)
{
    *pOut << (c.bDJ ? "DJ echo" : "echo") << " tempo " << c.dTempo << " at " << c.dwRate << " Hz, p0 " << c.p0 << ", p1 "
          << c.p1;
}

class EchoTaps : public testing::TestWithParam<TapCase> {};

// A line of L = trunc(D) + 1 slots: channel 0 hears channel 1's input L - 1 samples
// late, channel 1 hears channel 0's L - 2 samples late (read before and after the
// other channel's write of the same frame). Neither hears itself.
TEST_P(EchoTaps, EachChannelHearsTheOtherDelayed)
{
    const TapCase& c = GetParam();
    double dTempo = c.dTempo;
    CEchoBase* pEcho = c.bDJ ? static_cast<CEchoBase*>(PlainEcho<CDJEcho>(c.dwRate, c.p0, c.p1, &dTempo))
                             : static_cast<CEchoBase*>(PlainEcho<CEcho>(c.dwRate, c.p0, c.p1));
    const size_t frames = std::max(c.dwLate0[0], c.dwLate0[1]) + 16;
    const StereoBlock fromLeft = ProcessStereo(*pEcho, StereoImpulse(frames, 1.0f, 0.0f));
    pEcho->Reset();
    const StereoBlock fromRight = ProcessStereo(*pEcho, StereoImpulse(frames, 0.0f, 1.0f));
    ExpectOnly(fromLeft.ch[0], {}, "left from left");
    ExpectOnly(fromRight.ch[1], {}, "right from right");
    std::vector<std::pair<size_t, float>> late0, late1;
    for (int t = 0; t < 2; ++t)
        if (pEcho->IsTapActive(t)) {
            late0.push_back({c.dwLate0[t], 1.0f});
            late1.push_back({c.dwLate1[t], 1.0f});
        }
    ExpectOnly(fromRight.ch[0], late0, "left from right");
    ExpectOnly(fromLeft.ch[1], late1, "right from left");
    pEcho->Delete();
}

INSTANTIATE_TEST_SUITE_P(
    Echo, EchoTaps,
    testing::Values(
        // 0.25 at 48 kHz: 12000 samples, a line of 12001 slots.
        TapCase{false, 0.0, 48000, 0.25f, 0.0f, {12000, 0}, {11999, 0}},
        TapCase{false, 0.0, 48000, 0.125f, 0.0625f, {6000, 3000}, {5999, 2999}},
        TapCase{false, 0.0, 44100, 0.5f, 1.0f, {22050, 44100}, {22049, 44099}},
        // Two seconds at the top without a tempo.
        TapCase{true, 0.0, 48000, 0.25f, 0.0f, {24000, 0}, {23999, 0}},
        TapCase{true, 0.0, 8000, 1.0f, 0.5f, {16000, 8000}, {15999, 7999}},
        // One beat at 120 BPM is 24000 samples at 48 kHz; four at the top.
        TapCase{true, 120.0, 48000, 0.25f, 0.0f, {24000, 0}, {23999, 0}},
        TapCase{true, 90.0, 44100, 0.25f, 0.125f, {29400, 14700}, {29399, 14699}},
        TapCase{true, 150.0, 8000, 1.0f, 0.5f, {12800, 6400}, {12799, 6399}},
        // A tempo that is not a finite positive number counts as none.
        TapCase{true, -120.0, 8000, 0.25f, 0.0f, {4000, 0}, {3999, 0}},
        TapCase{true, double(kNaN), 8000, 0.25f, 0.0f, {4000, 0}, {3999, 0}},
        TapCase{true, double(kInf), 8000, 0.25f, 0.0f, {4000, 0}, {3999, 0}},
        // The shortest lines: L = 3, 2 and 1 (a delay of 0.5 is still on).
        TapCase{false, 0.0, 1024, 2.0f / 1024, 0.0f, {2, 0}, {1, 0}},
        TapCase{false, 0.0, 1024, 1.0f / 1024, 0.0f, {1, 0}, {0, 0}},
        TapCase{false, 0.0, 1024, 0.5f / 1024, 0.0f, {1, 0}, {0, 0}},
        // Host values outside 0..1: at most the top delay, off when not a number.
        TapCase{false, 0.0, 1000, 1e30f, kNaN, {1000, 0}, {999, 0}},
        TapCase{false, 0.0, 1000, kInf, -0.5f, {1000, 0}, {999, 0}},
        TapCase{true, 60.0, 1000, 7.0f, 0.25f, {4000, 1000}, {3999, 999}}));

// An impulse bounces: right after L - 2 samples, back left after L - 1 more, and so on,
// each pass scaled by the feedback (p - 0.5) x 1.99.
TEST(Echo, FeedbackBouncesBetweenTheChannels)
{
    const float kFeedbacks[] = {1.0f, 0.0f, 0.75f, 0.5f};
    for (float p : kFeedbacks) {
        CEcho* pEcho = PlainEcho<CEcho>(1000, 0.01f, 0.0f); // L = 11
        pEcho->SetParameter(kFeedback, p);
        const float g = (p - 0.5f) * 1.99f;
        const StereoBlock out = ProcessStereo(*pEcho, StereoImpulse(100, 1.0f, 0.0f));
        std::vector<std::pair<size_t, float>> peaks[2];
        float fLevel = 1.0f;
        for (size_t at = 9, c = 1; at < 100; at += (c == 1 ? 10 : 9), c = 1 - c) {
            peaks[c].push_back({at, fLevel});
            fLevel *= g;
        }
        ExpectOnly(out.ch[0], peaks[0], "left");
        ExpectOnly(out.ch[1], peaks[1], "right");
        pEcho->Delete();
    }
    EXPECT_FLOAT_EQ((1.0f - 0.5f) * 1.99f, 0.995f);
}

// The damping low-pass turns the echo of an impulse into w, w(1 - w), w(1 - w)^2, ...
// with w = (1 - 0.99 p)^2: 1 (no damping) at p = 0, 0.0001 at p = 1.
TEST(Echo, DampingSmearsTheEcho)
{
    const struct {
        float p, w;
    } kCases[] = {{0.0f, 1.0f}, {0.5f, 0.255025f}, {1.0f, 0.0001f}, {0.25f, 0.56625625f}};
    for (const auto& c : kCases) {
        CEcho* pEcho = PlainEcho<CEcho>(1000, 0.05f, 0.0f); // channel 1 hears at 49
        pEcho->SetParameter(kDamping, c.p);
        const StereoBlock out = ProcessStereo(*pEcho, StereoImpulse(99, 1.0f, 0.0f));
        for (size_t i = 0; i < 99; ++i) {
            const double dExpected = i < 49 ? 0.0 : c.w * std::pow(1.0 - c.w, double(i - 49));
            ASSERT_NEAR(out.ch[1][i], dExpected, 2e-4 * c.w + 1e-9) << "damping " << c.p << " frame " << i;
        }
        pEcho->Delete();
    }
}

// Mix 0 gives the dry signal only, but the taps keep filling their lines.
TEST(Echo, MixZeroIsDryButTheLinesFill)
{
    CEcho* pEcho = PlainEcho<CEcho>(1000, 0.05f, 0.0f);
    pEcho->SetParameter(kMix, 0.0f);
    const StereoBlock in = StereoImpulse(20, 0.75f, 0.0f, 3);
    const StereoBlock out = ProcessStereo(*pEcho, in);
    EXPECT_EQ(out.ch[0], in.ch[0]);
    EXPECT_EQ(out.ch[1], in.ch[1]);
    pEcho->SetParameter(kMix, 1.0f);
    const StereoBlock later = ProcessStereo(*pEcho, StereoImpulse(40, 0.0f, 0.0f));
    ExpectOnly(later.ch[1], {{3 + 49 - 20, 0.75f}}, "the echo of the dry block");
    pEcho->Delete();
}

// Channel 0 alone reads a line that only channel 1 writes: it hears no echo at all.
TEST(Echo, OneChannelAloneHearsNoEcho)
{
    for (int present = 0; present < 2; ++present) {
        CEcho* pEcho = PlainEcho<CEcho>(1000, 0.01f, 0.02f);
        pEcho->SetParameter(kMix, 0.25f);
        pEcho->SetParameter(kFeedback, 1.0f);
        std::vector<float> in = qvtest::NoiseBlock(200, 3), out(200);
        float* ppIn[2] = {nullptr, nullptr};
        float* ppOut[2] = {nullptr, nullptr};
        ppIn[present] = in.data();
        ppOut[present] = out.data();
        pEcho->ProcessBlock(ppIn, ppOut, 200, false);
        for (size_t i = 0; i < 200; ++i) ASSERT_EQ(out[i], in[i] * 0.75f) << "channel " << present << " frame " << i;
        pEcho->Delete();
    }
}

// A damped value of 1000 or more is dropped, which also ends the loop.
TEST(Echo, RunawayValuesAreDropped)
{
    const struct {
        float x, fEcho;
    } kCases[] = {{999.0f, 999.0f}, {1000.0f, 0.0f}, {-999.5f, -999.5f}, {-1000.0f, 0.0f}, {kInf, 0.0f}, {kNaN, 0.0f}};
    for (const auto& c : kCases) {
        CEcho* pEcho = PlainEcho<CEcho>(1000, 0.01f, 0.0f);
        pEcho->SetParameter(kFeedback, 1.0f);
        const StereoBlock out = ProcessStereo(*pEcho, StereoImpulse(40, c.x, 0.0f));
        ASSERT_EQ(out.ch[1][9], c.fEcho) << c.x;
        EXPECT_EQ(out.ch[0][19], c.fEcho * 0.995f) << c.x;
        pEcho->Delete();
    }
}

// Tap B raised from 0 while running has no storage until the next StartProcess.
TEST(Echo, TapSwitchedOnWhileRunningWaitsForStart)
{
    CEcho* pEcho = PlainEcho<CEcho>(1000, 0.01f, 0.0f);
    pEcho->SetParameter(kDelayB, 0.02f);
    EXPECT_TRUE(pEcho->IsTapActive(1));
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(40, 1.0f, 0.0f)).ch[1], {{9, 1.0f}}, "tap A only");
    pEcho->StopProcess();
    pEcho->StartProcess();
    pEcho->Reset();
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(40, 1.0f, 0.0f)).ch[1], {{9, 1.0f}, {19, 1.0f}}, "both taps");
    // Switched off, a tap is skipped; its line keeps its content for when it comes back.
    pEcho->SetParameter(kDelayA, 0.0f);
    EXPECT_FALSE(pEcho->IsTapActive(0));
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(40, 1.0f, 0.0f)).ch[1], {{19, 1.0f}}, "tap B only");
    pEcho->Delete();
}

// The DJ echo follows the host's tempo from the block after a change, the first block
// after StartProcess included; a steady tempo allocates nothing.
TEST(Echo, DJEchoFollowsTheTempo)
{
    double dTempo = 60.0;
    CDJEcho* pEcho = new CDJEcho;
    pEcho->SetSampleRate(4800);
    pEcho->SetParameter(kFeedback, 0.5f);
    pEcho->SetParameter(kDamping, 0.0f);
    pEcho->SetParameter(kMix, 1.0f);
    pEcho->SetParameter(kDelayA, 0.25f); // 2400 samples without a tempo
    pEcho->SetTempoReference(&dTempo);   // one beat at 60 BPM: 4800
    pEcho->StartProcess();
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(5000, 1.0f, 0.0f)).ch[1], {{4799, 1.0f}}, "60 BPM, set before start");
    dTempo = 120.0;
    pEcho->Reset();
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(5000, 1.0f, 0.0f)).ch[1], {{2399, 1.0f}}, "120 BPM");
    std::vector<float> buffer[2] = {std::vector<float>(512), std::vector<float>(512)};
    float* pp[2] = {buffer[0].data(), buffer[1].data()};
    const qvtest::AllocationScope scope;
    for (int i = 0; i < 4; ++i) pEcho->ProcessBlock(pp, pp, 512, false);
    EXPECT_EQ(scope.Count(), 0u) << "a steady tempo resizes nothing";
    dTempo = 60.0;
    pEcho->Reset();
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(5000, 1.0f, 0.0f)).ch[1], {{4799, 1.0f}}, "back to 60 BPM");
    EXPECT_EQ(ParameterText(*pEcho, &CFilter::GetParameterDisplay, kDelayA), "1.0");
    pEcho->SetTempoReference(nullptr);
    EXPECT_EQ(ParameterText(*pEcho, &CFilter::GetParameterDisplay, kDelayA), "500");
    pEcho->Reset();
    ExpectOnly(ProcessStereo(*pEcho, StereoImpulse(5000, 1.0f, 0.0f)).ch[1], {{2399, 1.0f}}, "no tempo");
    pEcho->Delete();
}

// A tempo change keeps what the line holds: the echo already on its way arrives at the
// new, longer delay (the line grows while running).
TEST(Echo, DJEchoTempoChangeWhileAnEchoIsUnderway)
{
    double dTempo = 120.0;
    CDJEcho* pEcho = PlainEcho<CDJEcho>(4800, 0.25f, 0.0f, &dTempo); // 2400 samples
    ProcessStereo(*pEcho, StereoImpulse(100, 1.0f, 0.0f));
    dTempo = 60.0; // 4800 samples: the carried history keeps its age
    const StereoBlock out = ProcessStereo(*pEcho, StereoImpulse(4800, 0.0f, 0.0f));
    ExpectOnly(out.ch[1], {{4799 - 100, 1.0f}}, "the impulse 100 samples old");
    pEcho->Delete();
}

TEST(Echo, WildTempos)
{
    const double kTempos[] = {0.0, -1.0, 1e-30, 1e300, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), 1e-3, 500.0};
    double dTempo = 120.0;
    CDJEcho* pEcho = PlainEcho<CDJEcho>(48000, 0.0001f, 0.0002f, &dTempo);
    pEcho->SetParameter(kFeedback, 0.9f);
    for (double t : kTempos) {
        dTempo = t;
        const StereoBlock out = ProcessStereo(*pEcho, StereoBlock{{qvtest::NoiseBlock(256, 1), qvtest::NoiseBlock(256, 2)}});
        for (int c = 0; c < 2; ++c)
            for (float v : out.ch[c]) ASSERT_TRUE(std::isfinite(v)) << t;
        const bool bBeats = std::isfinite(t) && t > 0.0;
        EXPECT_EQ(ParameterText(*pEcho, &CFilter::GetParameterLabel, kDelayA), bBeats ? "beats" : "ms") << t;
    }
    pEcho->Delete();
}

TEST(Echo, BlockContract)
{
    for (CEchoBase* pEcho : {static_cast<CEchoBase*>(new CEcho), static_cast<CEchoBase*>(new CDJEcho)}) {
        // Short taps, so that echoes and their bounces show within the contract's blocks.
        pEcho->SetParameter(kDelayA, 0.001f);
        pEcho->SetParameter(kDelayB, 0.0013f);
        pEcho->SetParameter(kFeedback, 0.9f);
        pEcho->SetParameter(kDamping, 0.3f);
        pEcho->SetParameter(kMix, 0.4f);
        qvtest::ExpectBlockContract(*pEcho);
        qvtest::ExpectNoSteadyStateAllocation(*pEcho);
        pEcho->Delete();
    }
}

TEST(Echo, Fuzz)
{
    CEcho echo;
    qvtest::FuzzFilter(echo, 0xec40u);
    CDJEcho dj;
    qvtest::FuzzFilter(dj, 0xdec0u);
}

TEST(EchoDeathTest, MoreThanTwoChannels)
{
    CEchoUnit unit;
    EXPECT_DEATH(unit.Init(3, 100.0f, 48000.0f, 1.0f, 0.0f, 1.0f),
                 "^Common/echo:31: failed assertion `lChannels <= MAX_CHANNELS'\n");
}

} // namespace
