#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "monofilter.h"
#include "support/filter_contract.h"
#include "support/filter_fuzz.h"

namespace {

using qvtest::ParameterText;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Mono, IdentityAndDefault)
{
    CMonoFilter filter;
    char szName[64];
    filter.GetEffectName(szName);
    EXPECT_STREQ(szName, "Mono");
    EXPECT_EQ(filter.GetUniqueID(), QVFourCC('Q', 'V', 'm', 'n'));
    EXPECT_EQ(filter.GetParameterCount(), 1);
    EXPECT_EQ(filter.GetParameter(0), 0.5f);

    filter.SetParameter(0, 0.8f);
    CFilter* pClone = static_cast<CFilter*>(filter.Clone());
    EXPECT_EQ(pClone->GetParameter(0), 0.8f);
    pClone->Delete();
    CFilter* pFresh = static_cast<CFilter*>(filter.Create());
    EXPECT_EQ(pFresh->GetParameter(0), 0.5f);
    pFresh->Delete();
}

TEST(Mono, Texts)
{
    const struct {
        int32 lIndex;
        float p;
        const char *pName, *pDisplay;
    } kCases[] = {
        {0, 0.25f, "Pan", "-45"}, // 45.225 truncates to 45
        {0, 0.5f, "Pan", "0"},
        {0, 0.0f, "Pan", "-90"},
        {0, 0.995f, "Pan", "89"}, // 180 is reached only from 0.99502 on
        {0, 0.996f, "Pan", "90"},
        {0, 1.0f, "Pan", "90"},
        {0, kNaN, "Pan", "-90"},
        {0, -1e30f, "Pan", "-2147483738"}, // saturates, no overflow
        {1, 0.5f, "untouched", "untouched"},
        {-1, 0.5f, "untouched", "untouched"},
    };
    for (const auto& c : kCases) {
        CMonoFilter filter;
        filter.SetParameter(c.lIndex, c.p);
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, c.lIndex), c.pName) << c.lIndex;
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, c.lIndex), "") << c.lIndex;
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, c.lIndex), c.pDisplay) << c.lIndex << " at " << c.p;
    }
}

TEST(Mono, MixAndPan)
{
    const float kHalf = float(std::sqrt(0.5));
    const float kOneAndHalf = float(std::sqrt(1.5));
    const struct {
        float p, l, r, outL, outR;
    } kCases[] = {
        {0.5f, 1.0f, 0.0f, kHalf, kHalf},
        {0.5f, 1.0f, 1.0f, 2.0f * kHalf, 2.0f * kHalf}, // the sum is not halved
        {1.0f, 0.3f, 0.5f, 0.0f, 0.3f + 0.5f},
        {0.0f, 0.3f, 0.5f, 0.3f + 0.5f, 0.0f},
        {0.25f, 0.4f, 0.0f, 0.4f * float(std::sqrt(0.75)), 0.4f * 0.5f},
        // A pan outside 0..1 keeps the outputs finite: the root's argument stops at 0.
        {1.5f, 0.2f, 0.2f, 0.0f, 0.4f * kOneAndHalf},
        {-0.5f, 0.2f, 0.2f, 0.4f * kOneAndHalf, 0.0f},
        {kNaN, 0.2f, 0.2f, 0.0f, 0.0f},
    };
    for (const auto& c : kCases) {
        CMonoFilter filter;
        filter.SetParameter(0, c.p);
        float l = c.l, r = c.r;
        float* pp[2] = {&l, &r};
        filter.ProcessBlock(pp, pp, 1, false);
        EXPECT_NEAR(l, c.outL, 1e-6f) << "pan " << c.p;
        EXPECT_NEAR(r, c.outR, 1e-6f) << "pan " << c.p;
    }
}

TEST(Mono, GainsReachExactZeroAndUnity)
{
    CMonoFilter filter;
    filter.SetParameter(0, 1.0f);
    float l = 0.3f, r = 0.5f;
    float* pp[2] = {&l, &r};
    filter.ProcessBlock(pp, pp, 1, false);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.3f + 0.5f);
}

TEST(Mono, MonoCallLeavesOutputUntouched)
{
    for (int missing = 0; missing < 4; ++missing) {
        CMonoFilter filter;
        float in[2] = {0.5f, 0.25f}, out[2] = {7.0f, 8.0f};
        float* ppIn[2] = {&in[0], &in[1]};
        float* ppOut[2] = {&out[0], &out[1]};
        if (missing < 2)
            ppIn[missing] = nullptr;
        else
            ppOut[missing - 2] = nullptr;
        EXPECT_EQ(filter.ProcessBlock(ppIn, ppOut, 1, false), 1);
        EXPECT_EQ(out[0], 7.0f) << "missing pointer " << missing;
        EXPECT_EQ(out[1], 8.0f) << "missing pointer " << missing;
    }
}

TEST(Mono, BlockContract)
{
    CMonoFilter filter;
    filter.SetParameter(0, 0.3f);
    qvtest::ExpectBlockContract(filter);
    qvtest::ExpectNoSteadyStateAllocation(filter);
}

TEST(Mono, Fuzz)
{
    CMonoFilter filter;
    qvtest::FuzzFilter(filter, 0x3030u);
}

} // namespace
