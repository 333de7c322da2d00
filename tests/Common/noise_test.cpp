#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "noise.h"
#include "support/filter_checks.h"

namespace {

// Renders dwFrames of noise into the channels whose buffers are given (null: absent).
void Render(CNoise& noise, std::vector<float>* pLeft, std::vector<float>* pRight, uint32 dwFrames)
{
    if (pLeft) pLeft->assign(dwFrames, 0.0f);
    if (pRight) pRight->assign(dwFrames, 0.0f);
    float* ppOut[2] = {pLeft ? pLeft->data() : nullptr, pRight ? pRight->data() : nullptr};
    float* ppIn[2] = {nullptr, nullptr};
    for (uint32 i = 0; i < dwFrames; i += 512) {
        const uint32 n = std::min<uint32>(512, dwFrames - i);
        float* ppBlock[2] = {ppOut[0] ? ppOut[0] + i : nullptr, ppOut[1] ? ppOut[1] + i : nullptr};
        noise.ProcessBlock(ppIn, ppBlock, n, false);
    }
}

TEST(Noise, Identity)
{
    CNoise noise;
    qvtest::ExpectIdentity(noise, "Noise", QVFourCC('Q', 'V', 'n', 'z'), {0.5f, 0.1f}, 1, 0.0f);
    qvtest::ExpectParameterTexts(noise, {{"Signal", "dB"}, {"Filter", nullptr}});
    qvtest::ExpectDisplays<CNoise>({{0, 0.5f, "-13.86"}, {0, 0.0f, "-150"}, {1, 0.0f, "0.0"}, {1, 0.1f, "10.0"}});
}

// "Filter" 0: white noise scaled by p0^2, every sample one of the 4096 levels
// r x 0.0004884005 - 1 of a 12-bit source, covering -1..+1 evenly.
TEST(Noise, WhiteNoiseOnTheTwelveBitGrid)
{
    CNoise noise;
    noise.SetParameter(0, 0.5f);
    noise.SetParameter(1, 0.0f);
    std::vector<float> y;
    Render(noise, &y, nullptr, 40960);
    int lBelow = 0;
    for (float v : y) {
        const float w = v * 4.0f; // exact: the gain is 0.25
        const long r = std::lround((double(w) + 1.0) / 0.0004884005);
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 4095);
        ASSERT_EQ(w, float(r) * 0.0004884005f - 1.0f);
        lBelow += w < 0.0f;
    }
    EXPECT_NEAR(lBelow / 40960.0, 0.5, 0.02);
    EXPECT_LT(*std::min_element(y.begin(), y.end()), -0.249f);
    EXPECT_GT(*std::max_element(y.begin(), y.end()), 0.249f);
}

// Both channels draw from one sequence, channel 0's whole block first: a stereo block of n
// frames equals a mono rendering of 2n frames cut in two.
TEST(Noise, ChannelsShareOneSequenceLeftBlockFirst)
{
    CNoise stereo, mono;
    for (CNoise* p : {&stereo, &mono}) p->SetParameter(1, 0.0f);
    std::vector<float> left, right, both;
    Render(stereo, &left, &right, 300);
    Render(mono, &both, nullptr, 600);
    EXPECT_EQ(left, std::vector<float>(both.begin(), both.begin() + 300));
    EXPECT_EQ(right, std::vector<float>(both.begin() + 300, both.end()));
}

// Without output pointers nothing is produced and no random number is consumed.
TEST(Noise, NoOutputsConsumeNothing)
{
    CNoise idle, fresh;
    Render(idle, nullptr, nullptr, 1000);
    std::vector<float> a, b;
    Render(idle, &a, nullptr, 100);
    Render(fresh, &b, nullptr, 100);
    EXPECT_EQ(a, b);
}

// The one-pole low pass: s = w c^2 + (1 - c^2) s with c = 1 - 0.99 p1, output gain
// p0^2 / c. Its lag-1 correlation is 1 - c^2 and its level 1 / sqrt(2 - c^2) of the white
// noise at the same p0.
TEST(Noise, FilterSetsCorrelationAndLevel)
{
    const uint32 dwFrames = 200000;
    CNoise white;
    white.SetParameter(1, 0.0f);
    std::vector<float> w;
    Render(white, &w, nullptr, dwFrames);
    double dWhite = 0.0;
    for (float v : w) dWhite += double(v) * v;
    for (float p1 : {0.0f, 0.3f, 0.5f, 0.7f}) {
        CNoise noise;
        noise.SetParameter(1, p1);
        std::vector<float> y;
        Render(noise, &y, nullptr, dwFrames);
        double dPower = 0.0, dLag = 0.0;
        for (uint32 i = 1000; i < dwFrames; ++i) {
            dPower += double(y[i]) * y[i];
            dLag += double(y[i]) * y[i - 1];
        }
        const double c = 1.0 - 0.99 * p1;
        EXPECT_NEAR(dLag / dPower, 1.0 - c * c, 0.02) << "p1 " << p1;
        EXPECT_NEAR(std::sqrt(dPower / (dwFrames - 1000) / (dWhite / dwFrames)), 1.0 / std::sqrt(2.0 - c * c), 0.02)
            << "p1 " << p1;
    }
}

// Reset clears the filter state: the first sample after it is w c^2 x p0^2 / c, at most
// c p0^2 in magnitude, while a filter that kept its state continues elsewhere.
TEST(Noise, ResetClearsTheFilterState)
{
    CNoise reset, kept;
    std::vector<float> y, yKept;
    for (CNoise* p : {&reset, &kept}) {
        p->SetParameter(1, 0.9f);
        Render(*p, &y, nullptr, 50);
    }
    reset.Reset();
    Render(reset, &y, nullptr, 50);
    Render(kept, &yKept, nullptr, 50);
    const float c = 1.0f - 0.99f * 0.9f;
    EXPECT_LE(std::fabs(y[0]), c * 0.25f * 1.0001f);
    EXPECT_NE(y, yKept);
}

TEST(Noise, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CNoise>();
    CNoise noise;
    qvtest::ExpectFilterContract(noise, false);
}

} // namespace
