// Checks of an elementary filter's identity, defaults and value texts, next to the
// block contract of filter_contract.h.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "filter.h"
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

} // namespace qvtest
