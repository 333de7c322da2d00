#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "filtertools.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct TruncCase {
    double dValue;
    int32 lMin, lMax, lExpected;
};

// Non-finite values act as 0, then everything is held to the range.
class TruncClamp : public ::testing::TestWithParam<TruncCase> {};

TEST_P(TruncClamp, TruncatesIntoRange)
{
    const TruncCase& k = GetParam();
    EXPECT_EQ(QVTruncClamp(k.dValue, k.lMin, k.lMax), k.lExpected);
}

INSTANTIATE_TEST_SUITE_P(FilterTools, TruncClamp,
                         ::testing::Values(TruncCase{8.9992, 1, 8, 8}, TruncCase{7.999, 1, 8, 7}, TruncCase{1.5, 1, 20, 1},
                                           TruncCase{0.5, 1, 20, 1}, TruncCase{-3.0, 1, 20, 1}, TruncCase{kNaN, 1, 20, 1},
                                           TruncCase{kInf, 1, 20, 1}, TruncCase{-kInf, 0, 15, 0},
                                           TruncCase{1e300, 0, 15, 15}, TruncCase{-2.5, -5, 5, -2}));

TEST(FilterTools, LevelText)
{
    char szText[32];
    const std::pair<float, const char*> kCases[] = {{1.0f, "0.00"}, {0.5f, "-13.86"}, {2.0f, "13.86"},
                                                    {0.0f, "-150"}, {-1.0f, "-150"}, {3.16e-8f, "-150"}};
    for (const auto& k : kCases) {
        QVLevelText(k.first, szText);
        EXPECT_STREQ(szText, k.second) << k.first;
    }
}

TEST(FilterTools, UnitClamp)
{
    EXPECT_EQ(QVClampUnit(0.25f), 0.25f);
    EXPECT_EQ(QVClampUnit(std::nanf("")), 0.0f);
    EXPECT_EQ(QVClampUnit(-2.0f), 0.0f);
    EXPECT_EQ(QVClampUnit(7.0f), 1.0f);
}

// The private source spans 0..32767 evenly: each of 16 bins (the low four bits, as the
// swept filters use them) and each high bit gets its share.
TEST(FilterTools, RandomSourceIsUniform)
{
    CQVRandom random;
    int lBins[16] = {}, lHigh = 0, lMax = 0;
    const int kDraws = 160000;
    for (int i = 0; i < kDraws; ++i) {
        const int32 r = random.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        ++lBins[r % 16];
        lHigh += (r >> 14) & 1;
        lMax = std::max(lMax, int(r));
    }
    for (int b : lBins) EXPECT_NEAR(b, kDraws / 16, kDraws / 16 / 20);
    EXPECT_NEAR(lHigh, kDraws / 2, kDraws / 100);
    EXPECT_GT(lMax, 32700);
}

} // namespace
