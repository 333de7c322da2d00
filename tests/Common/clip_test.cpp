#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "clip.h"
#include "support/filter_contract.h"
#include "support/filter_fuzz.h"

namespace {

using qvtest::ParameterText;

float ClipOne(CClip& filter, float x)
{
    float* pp[2] = {&x, nullptr};
    filter.ProcessBlock(pp, pp, 1, false);
    return x;
}

TEST(Clip, IdentityAndSilentDefault)
{
    CClip filter;
    EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, 0), "Clip");
    char szName[64];
    filter.GetEffectName(szName);
    EXPECT_STREQ(szName, "Clip");
    EXPECT_EQ(filter.GetUniqueID(), QVFourCC('Q', 'V', 'c', 'l'));
    EXPECT_EQ(filter.GetParameterCount(), 2);
    EXPECT_EQ(filter.GetParameter(0), 0.0f);
    EXPECT_EQ(filter.GetParameter(1), 0.0f);
    EXPECT_EQ(ClipOne(filter, 0.5f), 0.0f) << "a new clipper is silent until its level is set";
    EXPECT_EQ(filter.Reset(), 1);

    filter.SetParameter(1, 0.5f);
    CClip* pClone = static_cast<CClip*>(filter.Clone());
    EXPECT_EQ(pClone->GetParameter(1), 0.5f);
    EXPECT_EQ(ClipOne(*pClone, 0.5f), 0.125f);
    pClone->Delete();
    CClip* pFresh = static_cast<CClip*>(filter.Create());
    EXPECT_EQ(ClipOne(*pFresh, 0.5f), 0.0f);
    pFresh->Delete();
}

TEST(Clip, Texts)
{
    const struct {
        int32 lIndex;
        float p;
        const char *pName, *pLabel, *pDisplay;
    } kCases[] = {
        {0, 0.5f, "Clip", "dB", "30.00"},        {0, 1.0f, "Clip", "dB", "60.00"},
        {0, 0.1798f, "Clip", "dB", "10.79"},     {1, 1.0f, "Level", "dB", "0.00"},
        {1, 0.5f, "Level", "dB", "-13.86"},      {1, 0.0f, "Level", "dB", "-150"},
        {1, 1e-7f, "Level", "dB", "-322.36"},    {1, -0.5f, "Level", "dB", "-150"},
        {2, 0.5f, "untouched", "untouched", "untouched"},
        {-1, 0.5f, "untouched", "untouched", "untouched"},
    };
    for (const auto& c : kCases) {
        CClip filter;
        filter.SetParameter(c.lIndex, c.p);
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, c.lIndex), c.pName) << c.lIndex;
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, c.lIndex), c.pLabel) << c.lIndex;
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, c.lIndex), c.pDisplay) << c.lIndex << " at " << c.p;
    }
}

TEST(Clip, DriveClipAndLevel)
{
    const float kLevel = 0.6694f * 0.6694f;
    const struct {
        float p0, p1, x, y, tolerance;
    } kCases[] = {
        {0.1798f, 0.6694f, 0.5f, kLevel, 0.0f}, // driven to 1.73: clipped
        {0.1798f, 0.6694f, -0.5f, -kLevel, 0.0f},
        {0.1798f, 0.6694f, 0.1f, 0.1552f, 2e-4f}, // 0.346 passes, scaled by 0.4481
        {0.1798f, 0.6694f, 0.0f, 0.0f, 0.0f},
        {0.0f, 1.0f, 1.5f, 1.0f, 0.0f}, // 0 dB drive still clips at 1
        {0.0f, 1.0f, -0.25f, -0.25f, 0.0f},
        {1.0f, 1.0f, 0.001f, 1.0f, 0.0f},     // +60 dB: x 1000
        {1.0f, 1.0f, 0.0005f, 0.5f, 1e-6f},
    };
    for (const auto& c : kCases) {
        CClip filter;
        filter.SetParameter(0, c.p0);
        filter.SetParameter(1, c.p1);
        EXPECT_NEAR(ClipOne(filter, c.x), c.y, c.tolerance) << "p " << c.p0 << "/" << c.p1 << " x " << c.x;
    }
    EXPECT_NEAR(kLevel, 0.4481f, 1e-4f);
}

TEST(Clip, OutputNeverExceedsLevel)
{
    CClip filter;
    filter.SetParameter(0, 0.4f);
    filter.SetParameter(1, 0.8f);
    std::vector<float> x = qvtest::NoiseBlock(4096, 9);
    for (float& v : x) v *= 40.0f;
    float* pp[2] = {x.data(), nullptr};
    filter.ProcessBlock(pp, pp, uint32(x.size()), false);
    for (float v : x) ASSERT_LE(std::fabs(v), 0.8f * 0.8f);
}

TEST(Clip, BlockContract)
{
    CClip filter;
    filter.SetParameter(0, 0.3f);
    filter.SetParameter(1, 0.9f);
    qvtest::ExpectBlockContract(filter);
    qvtest::ExpectNoSteadyStateAllocation(filter);
}

TEST(Clip, Fuzz)
{
    CClip filter;
    qvtest::FuzzFilter(filter, 0xc11fu);
}

} // namespace
