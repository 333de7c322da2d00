#include <gtest/gtest.h>

#include <vector>

#include "gain.h"
#include "support/filter_checks.h"

namespace {

TEST(Gain, Identity)
{
    CGain gain;
    qvtest::ExpectIdentity(gain, "Gain", QVFourCC('Q', 'V', 'g', 'n'), {0.5f}, 0, 0.75f);
    qvtest::ExpectParameterTexts(gain, {{"Gain", "dB"}});
}

struct GainCase {
    float p;
    double dFactor;
    const char* pDisplay;
};

class GainLevels : public ::testing::TestWithParam<GainCase> {};

// 10^((p - 0.5) x 2): -20..+20 dB, shown as p x 40 - 20.
TEST_P(GainLevels, ScalesAndDisplays)
{
    const GainCase& k = GetParam();
    CGain gain;
    gain.SetParameter(0, k.p);
    EXPECT_EQ(qvtest::ParameterText(gain, &CFilter::GetParameterDisplay, 0), k.pDisplay);
    std::vector<float> x = qvtest::NoiseBlock(64, 3), y(64);
    float* ppIn[2] = {x.data(), x.data()};
    float* ppOut[2] = {y.data(), nullptr};
    EXPECT_EQ(gain.ProcessBlock(ppIn, ppOut, 64, false), 1);
    for (int i = 0; i < 64; ++i) EXPECT_NEAR(y[i], x[i] * k.dFactor, 1e-6 * k.dFactor);
}

INSTANTIATE_TEST_SUITE_P(Gain, GainLevels,
                         ::testing::Values(GainCase{0.75f, 3.16227766, "10.00"}, GainCase{0.5f, 1.0, "0.00"},
                                           GainCase{0.0f, 0.1, "-20.00"}, GainCase{1.0f, 10.0, "20.00"},
                                           GainCase{0.25f, 0.316227766, "-10.00"}));

TEST(Gain, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CGain>();
    CGain gain;
    gain.SetParameter(0, 0.7f);
    qvtest::ExpectFilterContract(gain);
}

} // namespace
