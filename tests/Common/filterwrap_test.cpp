#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "filterwrap.h"
#include "support/alloc_counter.h"
#include "support/test_filters.h"

using qvtest::COffsetFilter;
using qvtest::CScaleFilter;

namespace {

// A composite with a hand-made definition, as the effect catalogue builds them.
class CTestWrap : public CFilterWrap {
public:
    using CFilterWrap::m_Maps;
    CScaleFilter* Scale(int32 lNode) { return static_cast<CScaleFilter*>(GetFilterNode(lNode)->m_pFilter); }
    // Installs a scale filter with gain k on chain lChain (fixed map).
    CScaleFilter* AddScale(float k, int32 lChain)
    {
        CScaleFilter prototype;
        prototype.SetParameter(0, k / 4.0f);
        return static_cast<CScaleFilter*>(InstallFilter(&prototype, false, lChain));
    }
    COffsetFilter* AddOffset(float fOffset, int32 lChain)
    {
        COffsetFilter prototype;
        prototype.SetParameter(0, fOffset);
        return static_cast<COffsetFilter*>(InstallFilter(&prototype, false, lChain));
    }
    // A control driving the listed maps.
    int32 AddControl(const char* pName, std::initializer_list<int32> maps, int32 lDisplay = 0)
    {
        const int32 c = AllocateParameter();
        SetControlName(c, pName, "u");
        CControlParam* pControl = GetControlParam(c);
        pControl->m_lDisplay = lDisplay;
        for (int32 lMap : maps) {
            pControl->m_lMaps[pControl->m_lMapCount++] = lMap;
            GetParamMap(lMap)->m_lControl = c;
        }
        return c;
    }
};

std::string Display(CFilterWrap& wrap, int32 lControl)
{
    char szText[64] = "untouched";
    wrap.GetParameterDisplay(lControl, szText);
    return szText;
}

TEST(CompositeEngine, FreshComposite)
{
    CFilterWrap wrap;
    char szName[32];
    wrap.GetEffectName(szName);
    EXPECT_STREQ(szName, "Construct-A-Filter");
    EXPECT_EQ(wrap.GetUniqueID(), 0);
    EXPECT_EQ(wrap.GetFilterCount(), 0);
    EXPECT_EQ(wrap.GetParameterCount(), 0);
    EXPECT_EQ(wrap.Clone(), nullptr);
    IObject* pCreated = wrap.Create();
    ASSERT_NE(pCreated, nullptr);
    EXPECT_EQ(static_cast<CFilterWrap*>(pCreated)->GetFilterCount(), 0);
    static_cast<CFilter*>(pCreated)->Delete();
}

TEST(CompositeEngine, InstallFilterCreatesFixedMapsInOrder)
{
    CTestWrap wrap;
    COffsetFilter prototype4(4);
    prototype4.SetParameter(2, 0.7f);
    COffsetFilter prototype9(9);
    ASSERT_NE(wrap.InstallFilter(&prototype4, false, 0), nullptr);
    ASSERT_NE(wrap.InstallFilter(&prototype9, false, -3), nullptr);
    EXPECT_EQ(wrap.GetFilterCount(), 2);
    EXPECT_EQ(wrap.GetMapCount(), 13);
    EXPECT_EQ(wrap.GetParameterCount(), 0);
    EXPECT_EQ(wrap.GetFilterNode(1)->m_lChannel, 0) << "negative chain numbers are stored as 0";
    EXPECT_EQ(wrap.GetFilterNode(1)->m_lParams, 9);
    for (int32 i = 0; i < 13; ++i) {
        SCOPED_TRACE(i);
        const CParamMap* pMap = wrap.GetParamMap(i);
        EXPECT_EQ(pMap->m_fMin, 0.0f);
        EXPECT_EQ(pMap->m_fMax, 1.0f);
        EXPECT_EQ(pMap->m_lControl, -1);
        EXPECT_EQ(pMap->m_lFilter, i < 4 ? 0 : 1);
        EXPECT_EQ(pMap->m_lParam, i < 4 ? i : i - 4);
        EXPECT_EQ(pMap->m_fValue, i == 2 ? 0.7f : 0.0f);
    }
    EXPECT_NE(wrap.GetFilterNode(0)->m_pFilter, static_cast<CFilter*>(&prototype4)) << "a private copy";
}

TEST(CompositeEngine, InstallWithControlsMakesOneControlPerParameter)
{
    CTestWrap wrap;
    CScaleFilter prototype;
    prototype.SetParameter(0, 0.5f);
    wrap.InstallFilter(&prototype, true, 0);
    ASSERT_EQ(wrap.GetParameterCount(), 2);
    char szText[32];
    wrap.GetParameterName(0, szText);
    EXPECT_STREQ(szText, "Scale");
    wrap.GetParameterLabel(0, szText);
    EXPECT_STREQ(szText, "x");
    wrap.GetParameterName(1, szText);
    EXPECT_STREQ(szText, "Spare");
    wrap.GetParameterLabel(1, szText);
    EXPECT_STREQ(szText, "");
    for (int32 c = 0; c < 2; ++c) {
        const CControlParam* pControl = wrap.GetControlParam(c);
        EXPECT_EQ(pControl->m_lMapCount, 1);
        EXPECT_EQ(pControl->m_lMaps[0], c);
        EXPECT_EQ(pControl->m_lDisplay, 0);
        EXPECT_EQ(wrap.GetParamMap(c)->m_lControl, c);
    }
    EXPECT_EQ(wrap.GetControlParam(0)->m_fDefault, 0.5f);
    wrap.SetParameter(0, 0.125f);
    EXPECT_EQ(Display(wrap, 0), "0.1250") << "display mode 0 shows the filter's own text";
}

struct MapCase {
    float fMin, fMax, fControl, fExpected;
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.fMin << ".." << c.fMax << " at " << c.fControl; }

class LinearMaps : public ::testing::TestWithParam<MapCase> {};

TEST_P(LinearMaps, SendMinPlusRangeTimesValue)
{
    const MapCase& c = GetParam();
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    CParamMap* pMap = wrap.GetParamMap(1);
    pMap->m_fMin = c.fMin;
    pMap->m_fMax = c.fMax;
    const int32 lControl = wrap.AddControl("Amount", {1});
    wrap.SetParameter(lControl, c.fControl);
    EXPECT_EQ(wrap.Scale(0)->GetParameter(1), c.fExpected);
    EXPECT_EQ(wrap.GetParameter(lControl), c.fControl);
    EXPECT_EQ(wrap.GetControlParam(lControl)->m_fDefault, c.fControl);
}

INSTANTIATE_TEST_SUITE_P(CompositeEngine, LinearMaps,
                         ::testing::Values(MapCase{0.205f, 0.92f, 0.5f, 0.5625f}, MapCase{0.505f, 0.095f, 1.0f, 0.095f},
                                           MapCase{0.505f, 0.095f, 0.0f, 0.505f},
                                           MapCase{0.0f, 1.0f, 1.5f, 1.5f} /* extrapolates, no clamp */));

TEST(CompositeEngine, FixedMapsFirstThenControlsInIndexOrder)
{
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    wrap.GetParamMap(0)->m_fValue = 0.1f; // fixed, but also listed by the controls below
    const int32 a = wrap.AddControl("A", {0});
    const int32 b = wrap.AddControl("B", {0});
    wrap.GetParamMap(0)->m_lControl = -1;
    wrap.SetParameter(a, 0.9f);
    EXPECT_EQ(wrap.Scale(0)->GetParameter(0), 0.0f) << "control B (value 0) has the higher index and wins";
    wrap.SetParameter(b, 0.3f);
    EXPECT_EQ(wrap.Scale(0)->GetParameter(0), 0.3f);
}

TEST(CompositeEngine, DrivenMapListedByNoControlIsNeverSent)
{
    CTestWrap wrap;
    wrap.AddScale(2.0f, 0);
    wrap.GetParamMap(0)->m_lControl = 0;
    wrap.GetParamMap(0)->m_fValue = 0.9f;
    wrap.ActivatePreset();
    EXPECT_EQ(wrap.Scale(0)->GetParameter(0), 0.5f);
}

TEST(CompositeEngine, HostIndicesOutsideTheControlsStoreNothing)
{
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    const int32 c = wrap.AddControl("A", {1});
    wrap.SetParameter(c, 0.4f);
    const int lBefore = wrap.Scale(0)->m_lActivations;
    for (int32 lIndex : {1, -1, INT32_MIN, INT32_MAX, 40, 1000}) {
        SCOPED_TRACE(lIndex);
        wrap.SetParameter(lIndex, 0.9f);
        EXPECT_EQ(wrap.GetParameter(lIndex), 0.0f);
        char szText[32] = "x";
        wrap.GetParameterName(lIndex, szText);
        EXPECT_STREQ(szText, "");
        wrap.GetParameterLabel(lIndex, szText);
        EXPECT_STREQ(szText, "");
        EXPECT_EQ(Display(wrap, lIndex), "");
    }
    EXPECT_EQ(wrap.GetParameter(c), 0.4f);
    EXPECT_EQ(wrap.GetControlParam(c)->m_fDefault, 0.4f);
    EXPECT_GT(wrap.Scale(0)->m_lActivations, lBefore) << "every map is sent again";
}

TEST(CompositeEngine, AllocateParameterGrowsEveryPreset)
{
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    wrap.AddControl("A", {0});
    for (const char* pName : {"One", "Two", "Three"}) wrap.SetPresetParameter(wrap.AddPreset(pName), 0, 0.6f);
    EXPECT_EQ(wrap.AllocateParameter(), 1);
    for (int32 p = 0; p < 3; ++p) {
        EXPECT_EQ(wrap.GetPresetParameterIndexed(p, 0), 0.6f);
        EXPECT_EQ(wrap.GetPresetParameterIndexed(p, 1), 0.0f);
    }
    EXPECT_EQ(wrap.GetParameterCount(), 2);
}

TEST(CompositeEngine, PresetChangeSendsEveryControlThroughItsMaps)
{
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    const int32 c = wrap.AddControl("Gain", {0});
    wrap.AddPreset("Quiet");
    wrap.AddPreset("Loud");
    wrap.SetPresetParameter(1, c, 0.82f);
    wrap.SetPreset(1);
    EXPECT_EQ(wrap.GetParameter(c), 0.82f);
    EXPECT_EQ(wrap.Scale(0)->GetParameter(0), 0.82f);
    char szName[24];
    wrap.GetPresetName(szName);
    EXPECT_STREQ(szName, "Loud");
}

TEST(CompositeEngine, ResetStartsANeverStartedComposite)
{
    CTestWrap wrap;
    CScaleFilter* a = wrap.AddScale(1.0f, 0);
    CScaleFilter* b = wrap.AddScale(1.0f, 1);
    EXPECT_FALSE(wrap.IsStarted());
    EXPECT_EQ(wrap.Reset(), 1);
    EXPECT_TRUE(wrap.IsStarted());
    EXPECT_EQ(a->m_lStarts, 1);
    EXPECT_EQ(b->m_lResets, 1);
    wrap.StopProcess();
    EXPECT_FALSE(wrap.IsStarted());
    wrap.StartProcess();
    CScaleFilter* c = wrap.AddScale(1.0f, 0);
    EXPECT_EQ(c->m_lStarts, 1) << "a filter installed while started is started at once";
}

TEST(CompositeEngine, FormatIsPassedToEveryFilter)
{
    CTestWrap wrap;
    CScaleFilter* a = wrap.AddScale(1.0f, 0);
    EXPECT_EQ(wrap.SetSampleRate(44100), 1);
    EXPECT_EQ(wrap.SetChannels(1), 1);
    EXPECT_EQ(wrap.SetBlockSize(1024), 1);
    EXPECT_EQ(a->GetSampleRate(), 44100u);
    EXPECT_EQ(a->GetChannels(), 1u);
    EXPECT_EQ(a->GetBlockSize(), 1024u);
}

TEST(CompositeEngine, CopyClonesEveryNode)
{
    CTestWrap source;
    source.AddScale(3.0f, 0);
    source.AddOffset(0.25f, 1);
    source.AddControl("Gain", {0});
    source.SetParameter(0, 0.5f);
    CTestWrap dest;
    ASSERT_TRUE(dest.Copy(static_cast<CFilter*>(&source)));
    EXPECT_EQ(dest.GetFilterCount(), 2);
    EXPECT_EQ(dest.GetParameterCount(), 1);
    EXPECT_EQ(dest.GetParameter(0), 0.5f);
    EXPECT_NE(dest.GetFilterNode(0)->m_pFilter, source.GetFilterNode(0)->m_pFilter);
    EXPECT_EQ(dest.GetFilterNode(1)->m_lChannel, 1);
    EXPECT_EQ(dest.Scale(0)->GetParameter(0), 0.5f);
}

TEST(CompositeEngineDeathTest, CapacityOverrunsAreCaughtNotWritten)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            for (int i = 0; i < 13; ++i) wrap.AddScale(1.0f, 0);
        },
        "Common/filterwrap:[0-9]+: failed assertion `m_lFilterCount < QV_MAX_FILTERS'");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            for (int i = 0; i < 11; ++i) wrap.InstallFilter(std::make_unique<COffsetFilter>(4).get(), false, 0);
        },
        "failed assertion `lFirst \\+ lParams <= QV_MAX_MAPS'");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            for (int i = 0; i < 41; ++i) wrap.AllocateParameter();
        },
        "failed assertion `m_lControlCount < QV_MAX_CONTROLS'");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            wrap.AddScale(1.0f, 0);
            wrap.AddControl("A", {0});
            wrap.GetControlParam(0)->m_lMapCount = 13;
            wrap.ActivatePreset();
        },
        "failed assertion `control.m_lMapCount <= QV_MAX_CONTROL_MAPS'");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            wrap.GetControlParam(0);
        },
        "^Common/filterwrap:[0-9]+: failed assertion `lControlID < m_lControlCount'\n");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            wrap.GetParamMap(0);
        },
        "failed assertion `lParamID < m_lParamCount'");
    EXPECT_DEATH(
        {
            CTestWrap wrap;
            wrap.SetFilterChannel(0, 1);
        },
        "failed assertion `lFilterID < m_lFilterCount'");
}

// ---------------------------------------------------------------------------------------
// Block processing

class CompositeBlocks : public ::testing::Test {
protected:
    static constexpr uint32 kFrames = 64;
    void SetUp() override
    {
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kFrames);
            out[c].assign(kFrames, 0.0f);
            for (uint32 i = 0; i < kFrames; ++i) in[c][i] = float(int(i) - 20) * 0.01f + float(c);
        }
        wrap.SetBlockSize(kFrames);
    }
    float* In(int c) { return in[c].data(); }
    float* Out(int c) { return out[c].data(); }
    void Run(bool bAdd = false, uint32 dwFrames = kFrames)
    {
        float* ppIn[2] = {In(0), In(1)};
        float* ppOut[2] = {Out(0), Out(1)};
        EXPECT_EQ(wrap.ProcessBlock(ppIn, ppOut, dwFrames, bAdd), 1);
    }

    CTestWrap wrap;
    std::vector<float> in[2], out[2];
};

TEST_F(CompositeBlocks, NoFiltersCopiesInputEvenWhenAdding)
{
    out[0].assign(kFrames, 5.0f);
    Run(true);
    EXPECT_EQ(out[0], in[0]);
    EXPECT_EQ(out[1], in[1]);
    Run(false);
    EXPECT_EQ(out[0], in[0]);
}

TEST_F(CompositeBlocks, ParallelChainsAreSummed)
{
    wrap.AddScale(2.0f, 0);    // A
    wrap.AddOffset(0.5f, 0);   // B
    wrap.AddScale(-3.0f, 2);   // C, chain 2 with no chain 1
    out[0].assign(kFrames, 9.0f);
    Run();
    for (int c = 0; c < 2; ++c)
        for (uint32 i = 0; i < kFrames; ++i) {
            const float x = in[c][i];
            EXPECT_EQ(out[c][i], (2.0f * x + 0.5f) + (-3.0f * x)) << c << " " << i;
        }
}

TEST_F(CompositeBlocks, AddModeAddsOntoTheOutput)
{
    wrap.AddScale(2.0f, 0);
    out[0].assign(kFrames, 1.0f);
    out[1].assign(kFrames, -1.0f);
    Run(true);
    for (uint32 i = 0; i < kFrames; ++i) {
        EXPECT_EQ(out[0][i], 1.0f + 2.0f * in[0][i]);
        EXPECT_EQ(out[1][i], -1.0f + 2.0f * in[1][i]);
    }
}

TEST_F(CompositeBlocks, InPlaceChainsReadTheUntouchedInput)
{
    wrap.AddScale(2.0f, 0);
    wrap.AddOffset(0.25f, 1);
    const std::vector<float> original[2] = {in[0], in[1]};
    for (int variant = 0; variant < 2; ++variant) {
        in[0] = original[0];
        in[1] = original[1];
        float* ppIn[2] = {In(0), In(1)};
        float* ppOut[2] = {In(0), In(1)};
        wrap.ProcessBlock(ppIn, variant == 0 ? ppIn : ppOut, kFrames, false);
        for (int c = 0; c < 2; ++c)
            for (uint32 i = 0; i < kFrames; ++i)
                EXPECT_EQ(in[c][i], 2.0f * original[c][i] + (original[c][i] + 0.25f)) << variant;
    }
}

TEST_F(CompositeBlocks, MonoLeavesChannelOneAbsent)
{
    wrap.AddScale(2.0f, 0);
    wrap.AddOffset(0.5f, 0);
    float* ppIn[2] = {In(0), nullptr};
    float* ppOut[2] = {Out(0), nullptr};
    out[1].assign(kFrames, 7.0f);
    wrap.ProcessBlock(ppIn, ppOut, kFrames, false);
    for (uint32 i = 0; i < kFrames; ++i) EXPECT_EQ(out[0][i], 2.0f * in[0][i] + 0.5f);
    EXPECT_EQ(out[1], std::vector<float>(kFrames, 7.0f));
}

TEST_F(CompositeBlocks, LongerBlockGrowsTheBlockSize)
{
    CScaleFilter* pScale = wrap.AddScale(2.0f, 0);
    for (int c = 0; c < 2; ++c) {
        in[c].resize(2048, 0.5f);
        out[c].assign(2048, 0.0f);
    }
    const int lCalls = pScale->m_lBlockSizeCalls;
    Run(false, 2048);
    EXPECT_EQ(wrap.GetBlockSize(), 2048u);
    EXPECT_EQ(pScale->GetBlockSize(), 2048u);
    EXPECT_EQ(pScale->m_lBlockSizeCalls, lCalls + 1);
    EXPECT_EQ(out[0][2047], 1.0f);
}

TEST_F(CompositeBlocks, DisabledNodeIsSkipped)
{
    wrap.AddScale(2.0f, 0);
    wrap.SetFilterChannel(0, -1);
    Run();
    EXPECT_EQ(out[0], in[0]);
    wrap.AddOffset(1.0f, 0);
    Run();
    for (uint32 i = 0; i < kFrames; ++i) EXPECT_EQ(out[0][i], in[0][i] + 1.0f);
}

TEST_F(CompositeBlocks, FirstBlockStartsTheComposite)
{
    CScaleFilter* pScale = wrap.AddScale(1.0f, 0);
    Run();
    EXPECT_TRUE(wrap.IsStarted());
    EXPECT_EQ(pScale->m_lStarts, 1);
}

TEST_F(CompositeBlocks, SteadyStateAllocatesNothing)
{
    wrap.AddScale(2.0f, 0);
    wrap.AddOffset(0.5f, 0);
    wrap.AddScale(0.5f, 1);
    Run();
    qvtest::AllocationScope scope;
    for (int i = 0; i < 10; ++i) {
        Run(false);
        float* ppInPlace[2] = {In(0), In(1)};
        wrap.ProcessBlock(ppInPlace, ppInPlace, kFrames, false);
        Run(true, kFrames / 2);
    }
    EXPECT_EQ(scope.Count(), 0u);
}

TEST_F(CompositeBlocks, BadHostInputIsAnswered)
{
    CTestWrap fresh; // never told a block size
    fresh.AddScale(2.0f, 0);
    float* ppIn[2] = {In(0), In(1)};
    float* ppOut[2] = {Out(0), Out(1)};
    EXPECT_EQ(fresh.ProcessBlock(ppIn, ppOut, kFrames, false), 1);
    EXPECT_EQ(out[0][3], 2.0f * in[0][3]);
    EXPECT_EQ(fresh.ProcessBlock(ppIn, ppOut, 0, false), 1);
    EXPECT_EQ(fresh.ProcessBlock(nullptr, ppOut, kFrames, false), 0);
    float* ppNone[2] = {nullptr, nullptr};
    EXPECT_EQ(fresh.ProcessBlock(ppNone, ppNone, kFrames, false), 1);
}

TEST(CompositeSlices, HugeBlocksAreProcessedInSlices)
{
    CTestWrap wrap;
    wrap.AddScale(2.0f, 0);
    const uint32 dwFrames = 200000;
    std::vector<float> in(dwFrames), out(dwFrames);
    for (uint32 i = 0; i < dwFrames; ++i) in[i] = float(i % 1000) * 0.001f;
    float* ppIn[2] = {in.data(), nullptr};
    float* ppOut[2] = {out.data(), nullptr};
    wrap.SetBlockSize(512);
    EXPECT_EQ(wrap.ProcessBlock(ppIn, ppOut, dwFrames, false), 1);
    EXPECT_EQ(wrap.GetBlockSize(), dwFrames);
    EXPECT_LE(wrap.Scale(0)->GetBlockSize(), 65536u);
    for (uint32 i = 0; i < dwFrames; i += 997) ASSERT_EQ(out[i], 2.0f * in[i]) << i;
}

// ---------------------------------------------------------------------------------------
// Control display

struct DisplayCase {
    int32 lDisplay;
    uint32 dwRate;
    float fValue;
    const char* pText;
};

void PrintTo(const DisplayCase& c, std::ostream* os)
{
    *os << "mode " << c.lDisplay << " at " << c.dwRate << " Hz, value " << c.fValue;
}

class ControlDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ControlDisplay, FormatsByMode)
{
    const DisplayCase& c = GetParam();
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    const int32 lControl = wrap.AddControl("Value", {0}, c.lDisplay);
    wrap.SetSampleRate(c.dwRate);
    wrap.SetParameter(lControl, c.fValue);
    EXPECT_EQ(Display(wrap, lControl), c.pText);
}

INSTANTIATE_TEST_SUITE_P(
    CompositeDisplay, ControlDisplay,
    ::testing::Values(DisplayCase{-3, 48000, 0.515f, "51"}, DisplayCase{-3, 48000, 0.537f, "53"},
                      DisplayCase{-3, 48000, 1.0f, "100"}, DisplayCase{-1, 48000, 0.0f, "-150"},
                      DisplayCase{-1, 48000, 0.25f, "-55.45"}, DisplayCase{-1, 48000, 0.5f, "-27.73"},
                      DisplayCase{-1, 48000, 1.0f, "0.00"}, DisplayCase{-1, 48000, 0.0001f, "-150"},
                      DisplayCase{-1, 48000, 0.0002f, "-340.69"}, DisplayCase{-2, 44100, 0.0f, "10.00"},
                      DisplayCase{-2, 44100, 0.5f, "469.57"}, DisplayCase{-2, 44100, 1.0f, "22050.00"},
                      DisplayCase{-2, 48000, 1.0f, "24000.01"}, DisplayCase{0, 48000, 0.3f, "0.3000"},
                      DisplayCase{1, 48000, 0.3f, ""}, DisplayCase{-4, 48000, 0.3f, ""},
                      DisplayCase{-3, 48000, NAN, "0"}, DisplayCase{-3, 48000, 1e30f, "2147483647"},
                      // 4.6e24 Hz has 25 digits: the text is cut to fit the host's 24 bytes.
                      DisplayCase{-2, 48000, 7.0f, "45864647075926085195530"}));

TEST(CompositeDisplay, FilterTextFollowsTheMapNotTheControl)
{
    CTestWrap wrap;
    wrap.AddScale(1.0f, 0);
    wrap.GetParamMap(1)->m_fMin = 0.2f;
    wrap.GetParamMap(1)->m_fMax = 0.4f;
    const int32 c = wrap.AddControl("Spare", {0, 1}, 1);
    wrap.SetParameter(c, 0.5f);
    EXPECT_EQ(Display(wrap, c), "0.3000");
}

} // namespace
