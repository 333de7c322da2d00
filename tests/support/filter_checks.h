// Checks of an elementary filter's identity, defaults and value texts, next to the
// block contract of filter_contract.h.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "filter.h"
#include "qvnumeric.h"
#include "support/filter_contract.h"

namespace qvtest {

// A new filter's effect name, code and default values; Clone copies the current
// values, Create starts from the defaults. lProbe is set to fProbe (not its default).
inline void ExpectIdentity(CFilter& filter, const char* pName, int32 lCode, const std::vector<float>& defaults,
                           int32 lProbe, float fProbe)
{
    char szName[64];
    filter.GetEffectName(szName);
    EXPECT_STREQ(szName, pName);
    EXPECT_EQ(filter.GetUniqueID(), lCode);
    ASSERT_EQ(filter.GetParameterCount(), int32(defaults.size()));
    for (int32 i = 0; i < int32(defaults.size()); ++i) EXPECT_EQ(filter.GetParameter(i), defaults[i]) << "parameter " << i;

    filter.SetParameter(lProbe, fProbe);
    CFilter* pClone = static_cast<CFilter*>(filter.Clone());
    CFilter* pNew = static_cast<CFilter*>(filter.Create());
    ASSERT_TRUE(pClone && pNew);
    EXPECT_EQ(pClone->GetUniqueID(), lCode);
    EXPECT_EQ(pClone->GetParameter(lProbe), fProbe);
    EXPECT_EQ(pNew->GetUniqueID(), lCode);
    EXPECT_EQ(pNew->GetParameter(lProbe), defaults[lProbe]);
    pClone->Delete();
    pNew->Delete();
}

struct DisplayCase {
    int32 lIndex;
    float p;
    const char* pText;
};

// The value text of parameter lIndex of a new TFilter whose parameter was set to p.
template <class TFilter>
void ExpectDisplays(std::initializer_list<DisplayCase> cases)
{
    for (const DisplayCase& c : cases) {
        TFilter filter;
        filter.SetParameter(c.lIndex, c.p);
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, c.lIndex), c.pText)
            << "parameter " << c.lIndex << " at " << c.p;
    }
}

// Sets the listed parameters, each an (index, value) pair.
inline void SetParameters(CFilter& filter, std::initializer_list<std::pair<int32, float>> values)
{
    for (const auto& v : values) filter.SetParameter(v.first, v.second);
}

// One parameter's name and label; a null label means the label is left untouched.
struct ParamText {
    const char* pName;
    const char* pLabel;
};

// Names and labels of every parameter; indices -1 and count get no name and no display.
inline void ExpectParameterTexts(CFilter& filter, const std::vector<ParamText>& params)
{
    ASSERT_EQ(filter.GetParameterCount(), int32(params.size()));
    for (int32 i = 0; i < int32(params.size()); ++i) {
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, i), params[i].pName) << "parameter " << i;
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterLabel, i), params[i].pLabel ? params[i].pLabel : "untouched")
            << "parameter " << i;
    }
    for (int32 i : {-1, int32(params.size())}) {
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterName, i), "untouched") << "name of parameter " << i;
        EXPECT_EQ(ParameterText(filter, &CFilter::GetParameterDisplay, i), "untouched") << "display of parameter " << i;
    }
}

// Whatever float a host stores in a parameter, its value text fits the host's buffer.
template <class TFilter>
void ExpectBoundedDisplays()
{
    const float kWild[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 3.4e38f, -100.0f};
    for (float p : kWild) {
        TFilter filter;
        for (int32 i = 0; i < filter.GetParameterCount(); ++i) {
            filter.SetParameter(i, p);
            char szText[64];
            std::memset(szText, 'x', sizeof szText);
            filter.GetParameterDisplay(i, szText);
            EXPECT_LT(std::strlen(szText), size_t(QV_DISPLAY_SIZE)) << "parameter " << i << " at " << p;
        }
    }
}

} // namespace qvtest
