#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "filter.h"
#include "support/test_filters.h"

using qvtest::CScaleFilter;

namespace {

// A bare CFilter cannot be constructed through new CFilter in client code paths that
// expect a concrete class, but the base behaviour is what these tests pin down.
class CBareFilter : public CFilter {
public:
    int m_lActivations = 0;
    void ActivatePreset() override { ++m_lActivations; }
};

TEST(FilterBase, FreshFilterHasNoParameters)
{
    CBareFilter filter;
    EXPECT_EQ(filter.GetParameterCount(), 0);
    EXPECT_EQ(filter.GetParameter(0), 0.0f);
    filter.SetParameter(0, 0.5f);
    EXPECT_EQ(filter.GetParameter(0), 0.0f);
    EXPECT_EQ(filter.m_lActivations, 1) << "an out-of-range write still re-applies the parameters";
}

TEST(FilterBase, NamesAndDefaults)
{
    CFilter filter;
    char szText[64] = "untouched";
    filter.GetEffectName(szText);
    EXPECT_STREQ(szText, "Stinkin' no name filter");
    EXPECT_STREQ(filter.GetName(), "CFilter");
    EXPECT_EQ(filter.GetUniqueID(), 0);
    std::strcpy(szText, "untouched");
    filter.GetParameterDisplay(0, szText);
    EXPECT_STREQ(szText, "untouched");
    EXPECT_EQ(filter.Clone(), nullptr);
    EXPECT_EQ(filter.Create(), nullptr);
    EXPECT_EQ(filter.GetSampleRate(), 48000u);
    EXPECT_EQ(filter.GetBlockSize(), 512u);
    EXPECT_EQ(filter.GetChannels(), 2u);
    float* pChannels[2] = {nullptr, nullptr};
    EXPECT_EQ(filter.ProcessBlock(pChannels, pChannels, 0, false), 0);
    EXPECT_EQ(filter.Reset(), 0);
    CScaleFilter scale;
    EXPECT_STREQ(scale.GetName(), "CFilter");
}

TEST(FilterBase, SampleRateIsKeptAsIntegerAndFloat)
{
    class CRateProbe : public CFilter {
    public:
        float Rate() const { return m_fSampleRate; }
    } filter;
    EXPECT_EQ(filter.SetSampleRate(44100), 0);
    EXPECT_EQ(filter.GetSampleRate(), 44100u);
    EXPECT_EQ(filter.Rate(), 44100.0f);
}

TEST(FilterBase, QueryInterfaceAnswersExactlyThreeIdentifiers)
{
    for (int i = 0; i < g_QVIdentifierCount; ++i) {
        SCOPED_TRACE(g_QVIdentifierNames[i]);
        CFilter* pFilter = new CFilter;
        void* pOut = reinterpret_cast<void*>(1);
        const int32 lResult = pFilter->QueryInterface(*g_QVIdentifiers[i], &pOut);
        if (i < 3) {
            EXPECT_EQ(lResult, 0);
            EXPECT_EQ(pOut, static_cast<void*>(static_cast<IUnknown*>(pFilter)));
            EXPECT_EQ(pFilter->Release(), 1) << "QueryInterface took a reference";
        } else {
            EXPECT_EQ(lResult, QV_E_NOINTERFACE);
            EXPECT_EQ(pOut, nullptr);
        }
        EXPECT_EQ(pFilter->Release(), 0);
    }
}

TEST(FilterBase, IdentifierTableIsDistinct)
{
    const _GUID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const _GUID object = {0x4BF1EFA0, 0xA73A, 0x42A2, {0x90, 0xD9, 0xD8, 0x4D, 0x06, 0xA8, 0x3F, 0x93}};
    const _GUID effect = {0xA21D7831, 0xE258, 0x4666, {0xA9, 0xBC, 0x19, 0x90, 0xB0, 0xBC, 0xAF, 0x32}};
    EXPECT_EQ(IID_IUnknown, unknown);
    EXPECT_EQ(IID_Object, object);
    EXPECT_EQ(IID_AudioEffect, effect);
    EXPECT_EQ(g_QVIdentifierCount, 3 + 24 + 29);
    for (int i = 0; i < g_QVIdentifierCount; ++i)
        for (int j = i + 1; j < g_QVIdentifierCount; ++j)
            EXPECT_NE(*g_QVIdentifiers[i], *g_QVIdentifiers[j]) << g_QVIdentifierNames[i] << " " << g_QVIdentifierNames[j];
}

TEST(FilterBase, ReferenceCountingAndAllocationCounter)
{
    const int32 lAlive = CFilter::m_slAllocated;
    CFilter* pFilter = new CFilter;
    EXPECT_EQ(CFilter::m_slAllocated, lAlive + 1);
    EXPECT_EQ(pFilter->AddRef(), 2);
    EXPECT_EQ(pFilter->Release(), 1);
    EXPECT_EQ(CFilter::m_slAllocated, lAlive + 1);
    EXPECT_EQ(pFilter->Release(), 0);
    EXPECT_EQ(CFilter::m_slAllocated, lAlive);

    pFilter = new CFilter;
    pFilter->AddRef();
    pFilter->Delete(); // whatever the count
    EXPECT_EQ(CFilter::m_slAllocated, lAlive);
}

TEST(FilterBase, CopyTakesFormatValuesAndNameButNotPresets)
{
    CScaleFilter source;
    source.SetSampleRate(44100);
    source.SetBlockSize(256);
    source.SetChannels(1);
    source.SetParameter(0, 0.5f);
    source.SetParameter(1, 0.75f);
    source.SetPresetName("Loud");

    CScaleFilter dest;
    dest.AddPreset("Kept");
    EXPECT_TRUE(dest.Copy(static_cast<IAudioEffect*>(&source)));
    EXPECT_EQ(dest.GetSampleRate(), 44100u);
    EXPECT_EQ(dest.GetBlockSize(), 256u);
    EXPECT_EQ(dest.GetChannels(), 1u);
    EXPECT_EQ(dest.GetParameter(0), 0.5f);
    EXPECT_EQ(dest.GetParameter(1), 0.75f);
    EXPECT_EQ(dest.m_fGain, 2.0f) << "Copy re-applies the parameters";
    char szName[24];
    dest.GetPresetName(szName);
    EXPECT_STREQ(szName, "Loud");
    ASSERT_EQ(dest.GetPresetCount(), 1);
    dest.GetPresetNameIndexed(0, szName);
    EXPECT_STREQ(szName, "Kept");

    CScaleFilter* pClone = static_cast<CScaleFilter*>(source.Clone());
    ASSERT_NE(pClone, nullptr);
    EXPECT_EQ(pClone->GetParameter(0), 0.5f);
    EXPECT_EQ(pClone->GetPresetCount(), 0);
    pClone->Delete();
}

// ---------------------------------------------------------------------------------------
// CFilterPreset

TEST(FilterPresetRecord, InitAddRemove)
{
    CFilterPreset preset;
    EXPECT_STREQ(preset.m_szName, "Init");
    EXPECT_EQ(preset.GetParameterCount(), 0);
    EXPECT_EQ(preset.m_pfValues, nullptr);

    preset.Init(3);
    ASSERT_EQ(preset.GetParameterCount(), 3);
    preset.SetParameter(0, 0.1f);
    preset.SetParameter(1, 0.2f);
    preset.SetParameter(2, 0.3f);
    preset.SetParameter(3, 9.0f);
    preset.SetParameter(-1, 9.0f);
    EXPECT_EQ(preset.GetParameter(3), 0.0f);
    EXPECT_EQ(preset.GetParameter(-1), 0.0f);

    preset.RemoveParameter();
    ASSERT_EQ(preset.GetParameterCount(), 2);
    EXPECT_EQ(preset.GetParameter(0), 0.1f);
    EXPECT_EQ(preset.GetParameter(1), 0.2f);

    preset.AddParameter();
    ASSERT_EQ(preset.GetParameterCount(), 3);
    EXPECT_EQ(preset.GetParameter(1), 0.2f);
    EXPECT_EQ(preset.GetParameter(2), 0.0f);

    CFilterPreset one;
    one.Init(1);
    one.RemoveParameter();
    EXPECT_EQ(one.GetParameterCount(), 0);
    EXPECT_EQ(one.m_pfValues, nullptr);
}

TEST(FilterPresetRecord, CopyResizesAndCutsLongNames)
{
    CFilterPreset source;
    source.Init(2);
    source.SetParameter(1, 0.7f);
    source.SetName("ABCDEFGHIJKLMNOPQRSTUVWXYZabcd"); // 30 characters
    EXPECT_STREQ(source.m_szName, "ABCDEFGHIJKLMNOPQRSTUVW");

    std::strcpy(source.m_szName, "Twenty-three characters");
    CFilterPreset dest;
    dest.Init(5);
    dest.CopyPreset(&source);
    EXPECT_EQ(dest.GetParameterCount(), 2);
    EXPECT_EQ(dest.GetParameter(1), 0.7f);
    EXPECT_STREQ(dest.m_szName, "Twenty-three characters");
}

// ---------------------------------------------------------------------------------------
// Preset table

class PresetTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        filter.SetParameter(0, 0.3f);
        filter.SetParameter(1, 0.2f);
        names[0] = "More Bass";
        names[1] = "Reduce Highs";
        names[2] = "Muffle";
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(filter.AddPreset(names[i]), i);
            filter.SetPresetParameter(i, 0, 0.1f * float(i + 1));
            filter.SetPresetParameter(i, 1, 0.5f + 0.1f * float(i));
        }
    }
    std::string Name(int32 lPreset)
    {
        char szText[24] = "-";
        filter.GetPresetNameIndexed(lPreset, szText);
        return szText;
    }

    CScaleFilter filter;
    const char* names[3];
};

TEST_F(PresetTable, AddPresetStartsAtZeroAndKeepsCurrentValues)
{
    EXPECT_EQ(filter.GetPresetCount(), 3);
    CScaleFilter fresh;
    fresh.SetParameter(0, 0.3f);
    fresh.SetParameter(1, 0.2f);
    EXPECT_EQ(fresh.AddPreset("More Bass"), 0);
    EXPECT_EQ(fresh.GetPresetParameterIndexed(0, 0), 0.0f);
    EXPECT_EQ(fresh.GetPresetParameterIndexed(0, 1), 0.0f);
    EXPECT_EQ(fresh.GetParameter(0), 0.3f);
    EXPECT_EQ(fresh.GetParameter(1), 0.2f);
    EXPECT_EQ(Name(0), "More Bass");
}

TEST_F(PresetTable, RemovePresetMovesLaterEntriesDown)
{
    filter.RemovePreset(1);
    ASSERT_EQ(filter.GetPresetCount(), 2);
    EXPECT_EQ(Name(0), "More Bass");
    EXPECT_EQ(Name(1), "Muffle");
    EXPECT_EQ(filter.GetPresetParameterIndexed(1, 0), 0.3f);
    EXPECT_EQ(filter.GetPresetParameterIndexed(1, 1), 0.7f);
    filter.RemovePreset(5);
    EXPECT_EQ(filter.GetPresetCount(), 2);
}

TEST_F(PresetTable, SetPresetCopiesValuesAndNameAndActivates)
{
    ASSERT_TRUE(filter.SetPresetParameter(1, 0, 0.82f));
    const int lBefore = filter.m_lActivations;
    filter.SetPreset(1);
    EXPECT_EQ(filter.GetParameter(0), 0.82f);
    EXPECT_EQ(filter.m_fGain, 4.0f * 0.82f);
    EXPECT_EQ(filter.m_lActivations, lBefore + 1);
    char szName[24];
    filter.GetPresetName(szName);
    EXPECT_STREQ(szName, "Reduce Highs");
}

TEST_F(PresetTable, OutOfRangeIndicesChangeNothing)
{
    const int lBefore = filter.m_lActivations;
    for (int32 lPreset : {7, 3, -1, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(lPreset);
        filter.SetPreset(lPreset);
        filter.WritePreset(lPreset);
        char szText[24] = "untouched";
        EXPECT_FALSE(filter.GetPresetNameIndexed(lPreset, szText));
        EXPECT_STREQ(szText, "untouched");
        EXPECT_FALSE(filter.SetPresetName(lPreset, "x"));
        EXPECT_FALSE(filter.SetPresetParameter(lPreset, 0, 1.0f));
        EXPECT_EQ(filter.GetPresetParameterIndexed(lPreset, 0), 0.0f);
        const float fValues[2] = {1.0f, 1.0f};
        EXPECT_FALSE(filter.CreatePreset(lPreset, "x", fValues));
    }
    EXPECT_EQ(filter.m_lActivations, lBefore);
    EXPECT_EQ(filter.GetParameter(0), 0.3f);
    EXPECT_TRUE(filter.SetPresetParameter(0, 9, 0.5f)) << "value index out of range still answers true";
    EXPECT_EQ(filter.GetPresetParameterIndexed(0, 9), 0.0f);
}

TEST_F(PresetTable, CurrentNameIsSeparateFromStoredNames)
{
    filter.SetPresetName("My Sound");
    char szName[24];
    filter.GetPresetName(szName);
    EXPECT_STREQ(szName, "My Sound");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Name(i), names[i]);
    filter.WritePreset(0);
    EXPECT_EQ(Name(0), "My Sound");
    EXPECT_EQ(filter.GetPresetParameterIndexed(0, 0), 0.3f);
    EXPECT_EQ(filter.GetPresetParameterIndexed(0, 1), 0.2f);

    filter.SetPresetName("ABCDEFGHIJKLMNOPQRSTUVWXYZabcd");
    filter.GetPresetName(szName);
    EXPECT_STREQ(szName, "ABCDEFGHIJKLMNOPQRSTUVW");
    EXPECT_TRUE(filter.SetPresetName(2, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcd"));
    EXPECT_EQ(Name(2), "ABCDEFGHIJKLMNOPQRSTUVW");
}

TEST_F(PresetTable, CreateAndSetPresetCount)
{
    const float fValues[3] = {0.9f, 0.8f, 0.7f};
    EXPECT_TRUE(filter.CreatePreset(2, "Made", fValues));
    EXPECT_EQ(Name(2), "Made");
    EXPECT_EQ(filter.GetPresetParameterIndexed(2, 0), 0.9f);
    EXPECT_EQ(filter.GetPresetParameterIndexed(2, 1), 0.8f);

    filter.SetPresetCount(2);
    ASSERT_EQ(filter.GetPresetCount(), 2);
    EXPECT_EQ(Name(1), "Init");
    EXPECT_EQ(filter.GetPresetParameterIndexed(1, 1), 0.0f);
    EXPECT_EQ(filter.GetPresetParameterIndexed(1, 0), 0.0f);
}

TEST(FilterAssertionDeathTest, PrintTheConditionAndStop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CScaleFilter filter;
    EXPECT_DEATH(filter.RemovePreset(-1), "^Common/filter:[0-9]+: failed assertion `lPreset >= 0'\n");
}

} // namespace
