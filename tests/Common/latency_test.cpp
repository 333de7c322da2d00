// Filters that delay their signal report it, and the composite reports the delay of its
// slowest chain, so host adapters can announce it for delay compensation.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "compander.h"
#include "filterwrap.h"
#include "noisereduction.h"
#include "support/test_filters.h"

namespace {

struct LagNode {
    uint32 dwLag;
    int32 lChain;
};

struct LatencyCase {
    const char* pName;
    std::vector<LagNode> nodes;
    uint32 dwExpected;
};

class CLagWrap : public CFilterWrap {
public:
    explicit CLagWrap(const std::vector<LagNode>& nodes)
    {
        for (const LagNode& node : nodes) {
            qvtest::CLagFilter prototype(node.dwLag);
            InstallFilter(&prototype, false, 0);
            SetFilterChannel(GetFilterCount() - 1, node.lChain);
        }
    }
};

class CompositeLatency : public ::testing::TestWithParam<LatencyCase> {};

TEST_P(CompositeLatency, SlowestChainCounts)
{
    CLagWrap wrap(GetParam().nodes);
    EXPECT_EQ(wrap.GetLatency(), GetParam().dwExpected);

    // The figure survives what hosts do before processing, and an impulse confirms it.
    wrap.SetSampleRate(44100);
    wrap.SetBlockSize(256);
    wrap.Reset();
    EXPECT_EQ(wrap.GetLatency(), GetParam().dwExpected);

    const uint32 dwFrames = 2048;
    std::vector<float> in(dwFrames, 0.0f), out(dwFrames, 1.0f);
    in[10] = 1.0f;
    float* ppIn[2] = {in.data(), nullptr};
    float* ppOut[2] = {out.data(), nullptr};
    wrap.ProcessBlock(ppIn, ppOut, dwFrames, false);
    uint32 dwLast = 0;
    for (uint32 i = 0; i < dwFrames; ++i)
        if (out[i] != 0.0f) dwLast = i;
    EXPECT_EQ(dwLast - 10, GetParam().dwExpected);
}

const LatencyCase kLatencyCases[] = {
    {"NoFilter", {}, 0},
    {"NoLag", {{0, 0}, {0, 1}}, 0},
    {"SeriesAdds", {{100, 0}, {24, 0}}, 124},
    {"ParallelTakesMaximum", {{1024, 0}, {0, 1}, {300, 1}}, 1024},
    {"LaterChainSlower", {{5, 0}, {40, 3}, {2, 3}}, 42},
    {"UnprocessedNodeIgnored", {{7, 0}, {900, -1}}, 7},
};

INSTANTIATE_TEST_SUITE_P(Chains, CompositeLatency, ::testing::ValuesIn(kLatencyCases),
                         [](const auto& info) { return std::string(info.param.pName); });

TEST(CompositeLatencyCopy, CloneKeepsLatency)
{
    CLagWrap wrap({{64, 0}, {16, 0}, {8, 1}});
    CFilterWrap copy;
    copy.Copy(static_cast<CFilter*>(&wrap));
    EXPECT_EQ(copy.GetLatency(), 80u);
    copy.SetFilterChannel(0, 2); // the 64 moves to a chain of its own
    EXPECT_EQ(copy.GetLatency(), 64u);
}

// The spectral noise reduction delays by its window length and says so; an impulse
// confirms the figure for the shapes the filter bank can take.
TEST(FilterLatency, NoiseReductionReportsItsWindow)
{
    CNoiseReduction filter;
    EXPECT_EQ(filter.GetLatency(), 1024u);
    filter.SetBlockSize(4096);
    EXPECT_EQ(filter.GetLatency(), 1024u);
    filter.SetParameter(0, 0.0f);
    for (int32 lOrder : {9, 8}) {
        filter.Init(lOrder, 2, 2, 2);
        const uint32 dwFrames = 4096;
        std::vector<float> in(dwFrames, 0.0f), out(dwFrames, 0.0f);
        in[100] = 1.0f;
        float* ppIn[2] = {in.data(), nullptr};
        float* ppOut[2] = {out.data(), nullptr};
        ASSERT_EQ(filter.ProcessBlock(ppIn, ppOut, dwFrames, false), 1);
        size_t lPeak = 0;
        for (size_t i = 0; i < dwFrames; ++i)
            if (std::fabs(out[i]) > std::fabs(out[lPeak])) lPeak = i;
        EXPECT_EQ(lPeak - 100, filter.GetLatency()) << "order " << lOrder;
    }
    filter.Init(0, 2, 2, 2); // no usable shape: nothing comes out, nothing is late
    EXPECT_EQ(filter.GetLatency(), 0u);
}

// Index of the last non-zero sample of a mono block with an impulse at sample 10, minus 10.
template <class Filter>
size_t ImpulseDelay(Filter& filter)
{
    std::vector<float> in(2048, 0.0f), out(2048, 0.0f);
    in[10] = 0.5f;
    float* ppIn[2] = {in.data(), nullptr};
    float* ppOut[2] = {out.data(), nullptr};
    filter.ProcessBlock(ppIn, ppOut, 2048, false);
    size_t lLast = 0;
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i] != 0.0f) lLast = i;
    return lLast - 10;
}

// The compander's look-ahead delays its audio; a composite whose control drives it
// follows at once.
TEST(FilterLatency, CompanderReportsItsLookAhead)
{
    const struct {
        float fDelay;
        uint32 dwLatency;
    } kCases[] = {{0.0f, 0}, {0.1032f, 98}, {1.0f, 959}};
    for (const auto& c : kCases) {
        CCompander compander;
        compander.SetSampleRate(48000);
        compander.SetParameter(CCompander::DELAY, c.fDelay);
        compander.StartProcess();
        EXPECT_EQ(compander.GetLatency(), c.dwLatency) << c.fDelay;
        EXPECT_EQ(ImpulseDelay(compander), c.dwLatency) << c.fDelay;
    }

    class CLookAheadWrap : public CFilterWrap {
    public:
        CLookAheadWrap()
        {
            CCompander compander;
            InstallFilter(&compander, false, 0);
            const int32 c = AllocateParameter();
            GetControlParam(c)->m_lMaps[GetControlParam(c)->m_lMapCount++] = CCompander::DELAY;
            GetParamMap(CCompander::DELAY)->m_lControl = c;
        }
    } wrap;
    wrap.SetSampleRate(48000);
    wrap.SetParameter(0, 0.1032f);
    EXPECT_EQ(wrap.GetLatency(), 98u);
    wrap.SetParameter(0, 0.0f);
    EXPECT_EQ(wrap.GetLatency(), 0u);
}

} // namespace
