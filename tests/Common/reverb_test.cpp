#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "reverb.h"
#include "support/filter_checks.h"
#include "support/filter_fuzz.h"
#include "support/stereo_block.h"

namespace {

using qvtest::ParameterText;

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

enum { kMode, kRoom, kDamp, kWidth, kWet, kDry };

using qvtest::Energy;
using qvtest::StereoBlock;

// A started reverb with the given parameters (p < 0 keeps the default).
CReverb* StartedReverb(float fMode, float fRoom, float fDamp, float fWidth, float fWet, float fDry)
{
    CReverb* pReverb = new CReverb;
    const float values[] = {fMode, fRoom, fDamp, fWidth, fWet, fDry};
    for (int32 i = 0; i < 6; ++i)
        if (values[i] >= 0.0f) pReverb->SetParameter(i, values[i]);
    pReverb->StartProcess();
    return pReverb;
}

TEST(Reverb, IdentityAndDefaults)
{
    CReverb reverb;
    qvtest::ExpectIdentity(reverb, "Reverb", QVFourCC('Q', 'V', 'r', 'v'), {0.0f, 0.5f, 0.5f, 1.0f, 0.44f, 0.95f}, kWet, 0.3f);
    EXPECT_EQ(reverb.GetModel(), nullptr) << "no engine before StartProcess";
    EXPECT_EQ(reverb.Reset(), 1);
    CReverb* pClone = static_cast<CReverb*>(reverb.Clone());
    EXPECT_EQ(pClone->GetModel(), nullptr);
    pClone->Delete();
}

TEST(Reverb, NamesAndLabels)
{
    CReverb reverb;
    const char* const kNames[] = {"Mode", "Room size", "Damping", "Width", "Wet level", "Dry level"};
    const char* const kLabels[] = {"mode", "size", "%", "%", "dB", "dB"};
    for (int32 i = 0; i < 6; ++i) {
        EXPECT_EQ(ParameterText(reverb, &CFilter::GetParameterName, i), kNames[i]);
        EXPECT_EQ(ParameterText(reverb, &CFilter::GetParameterLabel, i), kLabels[i]);
    }
    for (int32 i : {-1, 6})
        for (auto pGet : {&CFilter::GetParameterName, &CFilter::GetParameterLabel, &CFilter::GetParameterDisplay})
            EXPECT_EQ(ParameterText(reverb, pGet, i), "untouched") << i;
}

TEST(Reverb, Displays)
{
    qvtest::ExpectDisplays<CReverb>({
        {0, 0.49f, "Normal"}, {0, 0.5f, "Freeze"}, {0, kNaN, "Normal"}, {1, 0.0f, "0.700"},
        {1, 1.0f, "0.980"},   {1, 0.5f, "0.840"},  {2, 0.5f, "50"},     {2, 0.999f, "99"},
        {3, 1.0f, "100"},     {3, kInf, "0"},      {4, 0.44f, "0.440"}, {5, 0.95f, "0.950"},
    });
}

TEST(Reverb, DisplaysOfWildValuesStayInsideTheTextBuffer) { qvtest::ExpectBoundedDisplays<CReverb>(); }

// Room size and damping reach every comb; freezing makes them lossless whatever is set.
TEST(Reverb, CombSettings)
{
    const struct {
        float fMode, fRoom, fDamp, fFeedback, fDamping;
    } kCases[] = {
        {0.0f, 0.5f, 0.5f, 0.84f, 0.2f}, {0.0f, 0.0f, 0.0f, 0.7f, 0.0f}, {0.0f, 1.0f, 1.0f, 0.98f, 0.4f},
        {0.49f, 1.0f, 0.25f, 0.98f, 0.1f}, {0.5f, 0.5f, 0.5f, 1.0f, 0.0f}, {1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
    };
    for (const auto& c : kCases) {
        CReverb* pReverb = StartedReverb(c.fMode, c.fRoom, c.fDamp, -1, -1, -1);
        const revmodel* pModel = pReverb->GetModel();
        ASSERT_NE(pModel, nullptr);
        EXPECT_FLOAT_EQ(pModel->getroomsize(), c.fRoom);
        EXPECT_FLOAT_EQ(pModel->getdamp(), c.fDamp);
        EXPECT_EQ(pModel->getmode(), c.fMode >= 0.5f ? 1.0f : 0.0f);
        for (int32 ch = 0; ch < 2; ++ch)
            for (int32 k = 0; k < revmodel::NUM_COMBS; ++k) {
                EXPECT_FLOAT_EQ(pModel->getcomb(ch, k).getfeedback(), c.fFeedback) << ch << "/" << k;
                EXPECT_FLOAT_EQ(pModel->getcomb(ch, k).getdamp(), c.fDamping) << ch << "/" << k;
            }
        pReverb->Delete();
    }
}

// Up to the first all-pass echo (1116 + 225) a left impulse reaches the outputs only
// through the first arrivals of the combs, 0.015 each, the four all-pass inversions
// cancelling; the right bank is 23 samples later. Width sets the cross gain.
TEST(Reverb, ImpulseStructure)
{
    const float kWidths[] = {1.0f, 0.0f, 0.3f};
    for (float fWidth : kWidths) {
        CReverb* pReverb = StartedReverb(0.0f, 0.5f, 0.5f, fWidth, 1.0f, 0.0f);
        const StereoBlock out = qvtest::ProcessStereo(*pReverb, qvtest::StereoImpulse(1341, 1.0f, 0.0f));
        const float fWet1 = (fWidth * 0.5f + 0.5f) * 1.0f;
        const float fWet2 = (1.0f - fWidth) * 0.5f * 1.0f;
        std::vector<float> own(1341), other(1341);
        for (int32 k = 0; k < 3; ++k) {
            own[revmodel::kCombTuning[k]] = 0.015f;
            other[revmodel::kCombTuning[k] + revmodel::STEREO_SPREAD] = 0.015f;
        }
        for (size_t i = 0; i < out.ch[0].size(); ++i) {
            ASSERT_FLOAT_EQ(out.ch[0][i], own[i] * fWet1 + other[i] * fWet2) << "width " << fWidth << " frame " << i;
            ASSERT_FLOAT_EQ(out.ch[1][i], other[i] * fWet1 + own[i] * fWet2) << "width " << fWidth << " frame " << i;
        }
        pReverb->Delete();
    }
}

// Undamped, every comb loses a factor of its feedback per round trip, so the tail's
// energy falls per window of W samples by between g^(2W/1116) (shortest comb) and
// g^(2W/1640) (longest).
TEST(Reverb, DecayFollowsRoomSize)
{
    const size_t kWindow = 6000;
    const float kRooms[] = {0.0f, 0.5f, 1.0f};
    for (float fRoom : kRooms) {
        CReverb* pReverb = StartedReverb(0.0f, fRoom, 0.0f, 1.0f, 1.0f, 0.0f);
        const StereoBlock out = qvtest::ProcessStereo(*pReverb, qvtest::StereoImpulse(3 * kWindow, 1.0f, 1.0f));
        const double g = 0.28 * fRoom + 0.7;
        const double dRatio = Energy(out, 2 * kWindow, 3 * kWindow) / Energy(out, kWindow, 2 * kWindow);
        EXPECT_GT(dRatio, 0.9 * std::pow(g, 2.0 * kWindow / 1116)) << "room " << fRoom;
        EXPECT_LT(dRatio, 1.1 * std::pow(g, 2.0 * kWindow / 1640)) << "room " << fRoom;
        pReverb->Delete();
    }
}

// Damping is a low-pass in the comb loops: the more of it, the duller the late tail
// (less energy in the first difference relative to the signal).
TEST(Reverb, DampingDullsTheTail)
{
    double dPrevious = 1e9;
    for (float fDamp : {0.0f, 0.5f, 1.0f}) {
        CReverb* pReverb = StartedReverb(0.0f, 0.9f, fDamp, 1.0f, 1.0f, 0.0f);
        const StereoBlock out = qvtest::ProcessStereo(*pReverb, qvtest::StereoImpulse(24000, 1.0f, 0.0f));
        double dSignal = 0.0, dDiff = 0.0;
        for (size_t i = 12000; i < out.ch[0].size(); ++i) {
            dSignal += double(out.ch[0][i]) * out.ch[0][i];
            dDiff += double(out.ch[0][i] - out.ch[0][i - 1]) * (out.ch[0][i] - out.ch[0][i - 1]);
        }
        ASSERT_GT(dSignal, 0.0);
        EXPECT_LT(dDiff / dSignal, 0.8 * dPrevious) << "damping " << fDamp;
        dPrevious = dDiff / dSignal;
        pReverb->Delete();
    }
}

// Frozen: the input no longer enters, the tail sustains, and Reset keeps it.
TEST(Reverb, FreezeSustainsAndIgnoresInput)
{
    const size_t kFrames = 9600;
    const StereoBlock noise{{qvtest::NoiseBlock(kFrames, 3), qvtest::NoiseBlock(kFrames, 4)}};
    const StereoBlock other{{qvtest::NoiseBlock(kFrames, 5), qvtest::NoiseBlock(kFrames, 6)}};
    for (bool bResetWhileFrozen : {false, true}) {
        CReverb* pA = StartedReverb(0.0f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f);
        CReverb* pB = StartedReverb(0.0f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f);
        qvtest::ProcessStereo(*pA, noise);
        qvtest::ProcessStereo(*pB, noise);
        pA->SetParameter(kMode, 1.0f);
        pB->SetParameter(kMode, 1.0f);
        if (bResetWhileFrozen) pA->Reset();
        const StereoBlock a = qvtest::ProcessStereo(*pA, noise);
        const StereoBlock b = qvtest::ProcessStereo(*pB, other);
        EXPECT_EQ(a.ch[0], b.ch[0]) << "frozen, the input does not enter";
        EXPECT_EQ(a.ch[1], b.ch[1]);
        const double dRatio = Energy(qvtest::ProcessStereo(*pA, other), 0, kFrames) / Energy(a, 0, kFrames);
        EXPECT_NEAR(dRatio, 1.0, 0.1) << "the tail sustains";
        pA->Delete();
        pB->Delete();
    }
}

// Reset empties the delays; only the comb low-pass states survive, to come back one
// comb length later.
TEST(Reverb, ResetSilencesTheTailWhenNotFrozen)
{
    CReverb* pReverb = StartedReverb(0.0f, 0.9f, 0.5f, 1.0f, 1.0f, 0.0f);
    qvtest::ProcessStereo(*pReverb, StereoBlock{{qvtest::NoiseBlock(4800, 1), qvtest::NoiseBlock(4800, 2)}});
    EXPECT_GT(Energy(qvtest::ProcessStereo(*pReverb, qvtest::StereoImpulse(1000, 0.0f, 0.0f)), 0, 1000), 0.0);
    pReverb->Reset();
    const StereoBlock after = qvtest::ProcessStereo(*pReverb, qvtest::StereoImpulse(1200, 0.0f, 0.0f));
    EXPECT_EQ(Energy(after, 0, revmodel::kCombTuning[0]), 0.0);
    EXPECT_GT(Energy(after, revmodel::kCombTuning[0], 1200), 0.0);
    pReverb->Delete();
}

// With no engine (never started, or stopped) a block leaves the output as it is.
TEST(Reverb, NoEngineNoOutput)
{
    for (bool bStarted : {false, true})
        for (bool bAdd : {false, true}) {
            CReverb reverb;
            if (bStarted) {
                reverb.StartProcess();
                reverb.StopProcess();
            }
            StereoBlock out = qvtest::ProcessStereo(reverb, qvtest::StereoImpulse(64, 1.0f, 1.0f), bAdd);
            EXPECT_EQ(Energy(out, 0, 64), 0.0) << bStarted << bAdd;
        }
}

// Dry 1 and wet 0 pass the input exactly.
TEST(Reverb, DryOnlyIsTransparent)
{
    CReverb* pReverb = StartedReverb(0.0f, 0.5f, 0.5f, 1.0f, 0.0f, 1.0f);
    const StereoBlock in{{qvtest::NoiseBlock(3000, 7), qvtest::NoiseBlock(3000, 8)}};
    const StereoBlock out = qvtest::ProcessStereo(*pReverb, in);
    EXPECT_EQ(out.ch[0], in.ch[0]);
    EXPECT_EQ(out.ch[1], in.ch[1]);
    pReverb->Delete();
}

// A missing right channel is fed from the left input; the right result is written only
// where the right channel has both buffers, and never over the left result. Without the
// left channel nothing is processed.
TEST(Reverb, MissingChannels)
{
    const uint32 kFrames = 3000;
    const std::vector<float> left = qvtest::NoiseBlock(kFrames, 9);
    const std::vector<float> prior = qvtest::NoiseBlock(kFrames, 10);
    // Reference: a stereo run whose right input is the left input.
    CReverb* pRef = StartedReverb(0.0f, 0.5f, 0.5f, 0.5f, 0.7f, 0.6f);
    const StereoBlock ref = qvtest::ProcessStereo(*pRef, StereoBlock{{left, left}});
    pRef->Delete();

    const struct {
        bool bInR, bOutR, bInPlace, bAdd;
    } kCases[] = {
        {false, true, false, false}, {false, false, false, false}, {false, false, true, false},
        {false, false, false, true}, {false, false, true, true},    {true, false, false, false},
    };
    for (const auto& c : kCases) {
        CReverb* pReverb = StartedReverb(0.0f, 0.5f, 0.5f, 0.5f, 0.7f, 0.6f);
        std::vector<float> inL = left, inR = left, outL = prior, outR = prior;
        if (c.bInPlace) outL = inL;
        float* ppIn[2] = {inL.data(), c.bInR ? inR.data() : nullptr};
        float* ppOut[2] = {c.bInPlace ? inL.data() : outL.data(), c.bOutR ? outR.data() : nullptr};
        pReverb->ProcessBlock(ppIn, ppOut, kFrames, c.bAdd);
        const std::vector<float>& result = c.bInPlace ? inL : outL;
        const std::vector<float>& base = c.bInPlace ? left : prior;
        for (uint32 i = 0; i < kFrames; ++i)
            ASSERT_EQ(result[i], (c.bAdd ? base[i] + ref.ch[0][i] : ref.ch[0][i])) << c.bInR << c.bOutR << c.bInPlace << c.bAdd << " frame " << i;
        EXPECT_EQ(outR, prior) << "the right output is written only with both right buffers";
        pReverb->Delete();
    }

    CReverb* pReverb = StartedReverb(0.0f, 0.5f, 0.5f, 0.5f, 0.7f, 0.6f);
    for (int missing = 0; missing < 2; ++missing) {
        std::vector<float> in = left, out[2] = {prior, prior};
        float* ppIn[2] = {in.data(), in.data()};
        float* ppOut[2] = {out[0].data(), out[1].data()};
        (missing == 0 ? ppIn : ppOut)[0] = nullptr;
        pReverb->ProcessBlock(ppIn, ppOut, kFrames, false);
        EXPECT_EQ(out[0], prior);
        EXPECT_EQ(out[1], prior) << "without channel 0 the block is skipped";
    }
    pReverb->Delete();
}

// processreplace lets an infinite input into the combs (they drop it at the read);
// processmix replaces it by 0 first, like a silent sample.
TEST(Reverb, InfiniteInput)
{
    const uint32 kFrames = 4000, kAt = 1500; // the combs hold state by then
    StereoBlock noisy{{qvtest::NoiseBlock(kFrames, 12), qvtest::NoiseBlock(kFrames, 13)}};
    StereoBlock silent = noisy;
    noisy.ch[0][kAt] = kInf;
    silent.ch[0][kAt] = 0.0f;
    silent.ch[1][kAt] = 0.0f; // what enters the combs when the sum is dropped
    CReverb* pRef = StartedReverb(0.0f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f);
    const StereoBlock ref = qvtest::ProcessStereo(*pRef, silent);
    for (bool bAdd : {false, true}) {
        CReverb* pReverb = StartedReverb(0.0f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f);
        const StereoBlock out = qvtest::ProcessStereo(*pReverb, noisy, bAdd);
        bool bSame = true;
        for (uint32 i = kAt + 1; i < kFrames; ++i) {
            ASSERT_TRUE(std::isfinite(out.ch[0][i]) && std::isfinite(out.ch[1][i])) << i;
            bSame = bSame && out.ch[0][i] == ref.ch[0][i] && out.ch[1][i] == ref.ch[1][i];
        }
        EXPECT_EQ(bSame, bAdd) << (bAdd ? "mix: the infinity counts as silence" : "replace: it wipes the comb slots");
        pReverb->Delete();
    }
    pRef->Delete();
}

// The comb alone: its delay, its damped feedback and the values it throws away.
TEST(Reverb, CombStage)
{
    const struct {
        float x, fFeedback, fDamp, fFirst, fSecond;
    } kCases[] = {
        {1.0f, 0.5f, 0.0f, 1.0f, 0.5f},
        {1.0f, 0.8f, 0.25f, 1.0f, 0.75f * 0.8f},
        {500.0f, 1.0f, 0.0f, 500.0f, 500.0f},
        {1e30f, 1.0f, 0.0f, 1e30f, 0.0f}, // the state beyond 1000 is reset
        {kInf, 1.0f, 0.0f, 0.0f, 0.0f},   // non-finite and subnormal reads count as 0
        {kNaN, 1.0f, 0.0f, 0.0f, 0.0f},
        {1e-40f, 1.0f, 0.0f, 0.0f, 0.0f},
    };
    for (const auto& c : kCases) {
        float storage[3] = {0.0f, 0.0f, 0.0f};
        comb stage;
        stage.setbuffer(storage, 3);
        stage.setfeedback(c.fFeedback);
        stage.setdamp(c.fDamp);
        std::vector<float> y;
        for (int i = 0; i < 7; ++i) y.push_back(stage.process(i == 0 ? c.x : 0.0f));
        EXPECT_EQ(y[0] + y[1] + y[2] + y[4] + y[5], 0.0f) << c.x;
        EXPECT_FLOAT_EQ(y[3], c.fFirst) << c.x;
        EXPECT_FLOAT_EQ(y[6], c.fSecond) << c.x;
    }
}

TEST(Reverb, BlockContract)
{
    CReverb reverb;
    reverb.SetParameter(kWidth, 0.6f);
    qvtest::ExpectBlockContract(reverb);
    qvtest::ExpectNoSteadyStateAllocation(reverb);
}

TEST(Reverb, Fuzz)
{
    CReverb reverb;
    qvtest::FuzzFilter(reverb, 0x7e7bu);
}

} // namespace
