#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fade.h"
#include "support/filter_checks.h"

namespace {

TEST(Fade, Identity)
{
    CFade fade;
    qvtest::ExpectIdentity(fade, "Fade", QVFourCC('Q', 'V', 'f', 'd'), {1.0f}, 0, 0.5f);
    qvtest::ExpectParameterTexts(fade, {{"Fade", "dB"}});
}

struct FadeCase {
    float p;
    float fFactor;
    const char* pDisplay;
};

// The smallest float above 3.16e-8 (the float nearest 3.16e-8 lies below it).
const float kJustAbove = std::nextafter(3.16e-8f, 1.0f);

class FadeLevels : public ::testing::TestWithParam<FadeCase> {};

// The factor is p^2, while the text is the level of p itself (20 ln p), "-150" at or
// below 3.16e-8.
TEST_P(FadeLevels, ScalesBySquareAndShowsLevelOfValue)
{
    const FadeCase& k = GetParam();
    CFade fade;
    fade.SetParameter(0, k.p);
    EXPECT_EQ(qvtest::ParameterText(fade, &CFilter::GetParameterDisplay, 0), k.pDisplay);
    std::vector<float> x = qvtest::NoiseBlock(64, 4), y(64);
    float* ppIn[2] = {nullptr, x.data()};
    float* ppOut[2] = {nullptr, y.data()};
    fade.ProcessBlock(ppIn, ppOut, 64, false);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(y[i], x[i] * k.fFactor);
}

INSTANTIATE_TEST_SUITE_P(Fade, FadeLevels,
                         ::testing::Values(FadeCase{0.5f, 0.25f, "-13.86"}, FadeCase{1.0f, 1.0f, "0.00"},
                                           FadeCase{0.0f, 0.0f, "-150"}, FadeCase{3.16e-8f, 3.16e-8f * 3.16e-8f, "-150"},
                                           FadeCase{kJustAbove, kJustAbove * kJustAbove, "-345.40"}));

TEST(Fade, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CFade>();
    CFade fade;
    fade.SetParameter(0, 0.6f);
    qvtest::ExpectFilterContract(fade);
}

} // namespace
