#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "rectify.h"
#include "support/filter_checks.h"

namespace {

std::vector<float> Rectified(CRectify& rectify, std::vector<float> x)
{
    float* pp[2] = {x.data(), nullptr};
    rectify.ProcessBlock(pp, pp, uint32(x.size()), false);
    return x;
}

TEST(Rectify, Identity)
{
    CRectify rectify;
    qvtest::ExpectIdentity(rectify, "Rectifier", QVFourCC('Q', 'V', 'r', 'c'), {0.9f}, 0, 0.3f);
    qvtest::ExpectParameterTexts(rectify, {{"Rectify", "%"}});
    qvtest::ExpectDisplays<CRectify>({{0, 0.9f, "90.0"}, {0, 0.255f, "25.5"}});
}

// A constant 0.5 rectifies to 1; with the whole window's sum removed the wet output falls
// by 1/200 per frame and reaches 0 once the 200-value history is full, where it stays.
// The dry part (1 - p) passes the input.
TEST(Rectify, ConstantFallsToZeroAfterTwoHundredFrames)
{
    for (float p : {1.0f, 0.5f, 0.0f}) {
        CRectify rectify;
        rectify.SetParameter(0, p);
        const std::vector<float> y = Rectified(rectify, std::vector<float>(500, 0.5f));
        for (int i = 0; i < 500; ++i) {
            const float fWet = i < 200 ? 1.0f - float(i + 1) / 200.0f : 0.0f;
            ASSERT_FLOAT_EQ(y[i], fWet * p + 0.5f * (1.0f - p)) << "p " << p << " frame " << i;
        }
    }
}

// The running window of each channel spans blocks; the position is shared by the channels.
TEST(Rectify, WindowSpansBlocksAndChannels)
{
    CRectify split, whole;
    split.SetParameter(0, 1.0f);
    whole.SetParameter(0, 1.0f);
    const std::vector<float> left = qvtest::NoiseBlock(700, 8), right = qvtest::NoiseBlock(700, 9);
    std::vector<float> yLeft = left, yRight = right;
    for (uint32 i = 0; i < 700; i += 128) {
        float* pp[2] = {yLeft.data() + i, yRight.data() + i};
        split.ProcessBlock(pp, pp, std::min<uint32>(128, 700 - i), false);
    }
    EXPECT_EQ(yLeft, Rectified(whole, left));
    // The moving average of the last 200 values is removed.
    for (int i = 300; i < 700; i += 37) {
        double dSum = 0.0;
        for (int k = i - 199; k <= i; ++k) dSum += 2.0 * std::fabs(right[k]);
        EXPECT_NEAR(yRight[i], 2.0 * std::fabs(right[i]) - dSum / 200.0, 1e-5) << "frame " << i;
    }
}

// One non-finite input sample does not stay in the window sum for good.
TEST(Rectify, NonFiniteInputLeavesTheWindow)
{
    CRectify rectify;
    rectify.SetParameter(0, 1.0f);
    std::vector<float> x(600, 0.5f);
    x[10] = std::numeric_limits<float>::quiet_NaN();
    x[20] = std::numeric_limits<float>::infinity();
    const std::vector<float> y = Rectified(rectify, x);
    for (int i = 400; i < 600; ++i) ASSERT_EQ(y[i], 0.0f) << "frame " << i;
}

TEST(Rectify, ResetClearsTheWindow)
{
    CRectify rectify;
    rectify.SetParameter(0, 1.0f);
    Rectified(rectify, qvtest::NoiseBlock(333, 4));
    rectify.Reset();
    EXPECT_FLOAT_EQ(Rectified(rectify, std::vector<float>(1, 0.5f))[0], 0.995f);
}

TEST(Rectify, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CRectify>();
    CRectify rectify;
    qvtest::ExpectFilterContract(rectify);
}

} // namespace
