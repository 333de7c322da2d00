#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "noisegate.h"
#include "support/filter_checks.h"

namespace {

class CNoiseGateProbe : public CNoiseGate {
public:
    float Gain() const { return m_fGateGain; }
    int32 State() const { return m_lGateState; }
    float Threshold() const { return m_fThreshold; }
    float AttackStep() const { return m_fAttackStep; }
    float ReleaseStep() const { return m_fReleaseStep; }
    float Rate() const { return m_fSampleRate; }
};

// One frame with the given left and right samples; returns the left output.
float Frame(CNoiseGate& gate, float fLeft, float fRight = 0.0f)
{
    float in[2] = {fLeft, fRight}, out[2] = {0.0f, 0.0f};
    float* ppIn[2] = {&in[0], &in[1]};
    float* ppOut[2] = {&out[0], &out[1]};
    gate.ProcessBlock(ppIn, ppOut, 1, false);
    return out[0];
}

TEST(NoiseGate, Identity)
{
    CNoiseGateProbe gate;
    EXPECT_EQ(gate.State(), CNoiseGate::CLOSED);
    EXPECT_EQ(gate.Gain(), 0.0f);
    EXPECT_EQ(gate.Threshold(), 0.1f);
    qvtest::ExpectIdentity(gate, "Noise Gate", QVFourCC('Q', 'V', 'n', 'g'), {0.8f, 0.02f, 0.04f}, 0, 0.5f);
    qvtest::ExpectParameterTexts(gate, {{"Threshold", "dB"}, {"Attack", "ms"}, {"Release", "ms"}});
    EXPECT_EQ(qvtest::ParameterText(gate, &CFilter::GetParameterLabel, 3), "untouched");
}

TEST(NoiseGate, Displays)
{
    qvtest::ExpectDisplays<CNoiseGate>({
        {0, 0.8f, "-20"},
        {0, 0.0f, "-100"},
        {0, 1.0f, "0"},
        {1, 0.02f, "2.00"},
        {1, 1.0f, "100.00"},
        {2, 0.04f, "40"},
        {2, 1.0f, "1000"},
    });
}

// Defaults at 48 kHz: one sample of 0.2 opens the gate; the gain rises by 1/1008 per frame
// to 1 after 1008 frames, then falls by 1/19680 per frame to 0 after 19680 more. The
// opening frame itself still gets the old gain. The gain is a float sum of float steps, so
// the frame counts may miss the ideal ones by a few frames of rounding (1009 and 19675).
TEST(NoiseGate, RiseAndFallOfTheDefaults)
{
    CNoiseGateProbe gate;
    EXPECT_EQ(Frame(gate, 0.2f), 0.0f);
    EXPECT_EQ(gate.State(), CNoiseGate::OPENING);
    int lRise = 1;
    while (gate.State() == CNoiseGate::OPENING && lRise < 5000) {
        EXPECT_NEAR(Frame(gate, 0.01f), 0.01f * lRise / 1008.0f, 1e-6f);
        ++lRise;
    }
    EXPECT_NEAR(lRise, 1008, 2);
    EXPECT_EQ(gate.Gain(), 1.0f);
    int lFall = 0;
    while (gate.State() == CNoiseGate::RELEASING && lFall < 50000) {
        EXPECT_NEAR(Frame(gate, -0.05f), -0.05f * (1.0f - lFall / 19680.0f), 2.5e-5f);
        ++lFall;
    }
    EXPECT_NEAR(lFall, 19680, 10);
    EXPECT_EQ(gate.Gain(), 0.0f);
    EXPECT_EQ(gate.State(), CNoiseGate::CLOSED);
}

struct OpenCase {
    float fLeft;
    float fRight;
    bool bOpens;
};

class NoiseGateThreshold : public ::testing::TestWithParam<OpenCase> {};

// A sample exactly at +-threshold opens the gate, on either channel; one just inside it
// does not.
TEST_P(NoiseGateThreshold, Opens)
{
    CNoiseGateProbe gate;
    Frame(gate, GetParam().fLeft, GetParam().fRight);
    EXPECT_EQ(gate.State(), GetParam().bOpens ? CNoiseGate::OPENING : CNoiseGate::CLOSED);
}

INSTANTIATE_TEST_SUITE_P(NoiseGate, NoiseGateThreshold,
                         ::testing::Values(OpenCase{0.1f, 0.0f, true}, OpenCase{-0.1f, 0.0f, true},
                                           OpenCase{0.0f, 0.1f, true}, OpenCase{0.0f, -0.1f, true},
                                           OpenCase{std::nextafter(0.1f, 0.0f), 0.0f, false},
                                           OpenCase{0.0f, -std::nextafter(0.1f, 0.0f), false}));

// A loud sample while releasing re-opens the gate from the gain it has.
TEST(NoiseGate, ReopensFromTheCurrentGain)
{
    CNoiseGateProbe gate;
    Frame(gate, 0.5f);
    while (gate.State() == CNoiseGate::OPENING) Frame(gate, 0.0f);
    for (int i = 0; i < 1000; ++i) Frame(gate, 0.0f);
    const float fGain = gate.Gain();
    ASSERT_LT(fGain, 1.0f);
    Frame(gate, 0.0f, 0.5f);
    EXPECT_EQ(gate.State(), CNoiseGate::OPENING);
    EXPECT_EQ(gate.Gain(), fGain + gate.AttackStep());
    gate.Reset();
    EXPECT_EQ(gate.State(), CNoiseGate::CLOSED);
    EXPECT_EQ(gate.Gain(), 0.0f);
}

TEST(NoiseGate, InitSetsRateAndParameters)
{
    CNoiseGateProbe gate;
    gate.Init(44100, 0.1f, 0.2f, 0.5f);
    EXPECT_EQ(gate.GetParameter(0), 0.5f);
    EXPECT_EQ(gate.GetParameter(1), 0.1f);
    EXPECT_EQ(gate.GetParameter(2), 0.2f);
    EXPECT_EQ(gate.GetSampleRate(), 44100u);
    EXPECT_EQ(gate.Rate(), 44100.0f);
    EXPECT_FLOAT_EQ(gate.AttackStep(), 1.0f / (0.101f * 44100.0f));
    EXPECT_FLOAT_EQ(gate.ReleaseStep(), 1.0f / (10.0f * 44100.0f * 0.201f));
    EXPECT_FLOAT_EQ(gate.Threshold(), 0.0031622777f); // -50 dB
}

// Ramp times outside 0..1 are held to what 0..1 gives: the gain stays within 0..1 and the
// gate works normally once the values are set right.
TEST(NoiseGate, WildRampTimesKeepTheGainInRange)
{
    CNoiseGateProbe gate;
    for (float fWild : {-1.0f, -0.001f, std::nanf(""), 1e30f, -1e30f}) {
        gate.SetParameter(1, fWild);
        gate.SetParameter(2, fWild);
        for (int i = 0; i < 3000; ++i) {
            Frame(gate, i % 700 == 0 ? 0.5f : 0.0f);
            ASSERT_GE(gate.Gain(), 0.0f) << fWild;
            ASSERT_LE(gate.Gain(), 1.0f) << fWild;
        }
    }
    gate.SetParameter(1, 0.02f);
    gate.SetParameter(2, 0.04f);
    gate.Reset();
    Frame(gate, 0.5f);
    EXPECT_NEAR(gate.Gain(), 1.0f / 1008.0f, 1e-7f);
}

TEST(NoiseGate, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CNoiseGate>();
    CNoiseGate gate;
    gate.SetParameter(0, 0.9f);
    qvtest::ExpectFilterContract(gate);
}

} // namespace
