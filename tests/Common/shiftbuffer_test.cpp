#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shiftbuffer.h"

namespace {

// A store of lSize slots holding the values 1, 2, 3, ... in every slot, with lHeld of
// them counted as held (the rest stand for partial sums past the write position).
void FillCounting(CShiftBuffer& store, int32 lSize, int32 lHeld)
{
    store.SetBufferSize(lSize);
    for (int32 i = 0; i < lSize; ++i) store.GetBuffer()[i] = float(i + 1);
    store.SetWritePos(lHeld);
}

std::vector<float> Contents(CShiftBuffer& store)
{
    return std::vector<float>(store.GetBuffer(), store.GetBuffer() + store.GetBufferSize());
}

TEST(ShiftBuffer, StartsEmptyAndIgnoresTransfersWithoutStorage)
{
    CShiftBuffer store;
    EXPECT_FALSE(store.HasBuffer());
    EXPECT_EQ(store.GetBufferSize(), 0);
    EXPECT_EQ(store.GetReadPos(), 0);
    EXPECT_EQ(store.GetWritePos(), 0);
    float block[3] = {7.0f, 8.0f, 9.0f};
    store.ShiftIn(block, 3);
    store.ShiftOut(block, 3, false);
    EXPECT_EQ(store.GetWritePos(), 0);
    EXPECT_EQ(block[0], 7.0f);
    EXPECT_EQ(block[2], 9.0f);
}

TEST(ShiftBuffer, NewStorageIsFullOfZerosAndSizeZeroKeepsPositions)
{
    CShiftBuffer store;
    store.SetBufferSize(6);
    ASSERT_TRUE(store.HasBuffer());
    EXPECT_EQ(Contents(store), std::vector<float>(6, 0.0f));
    EXPECT_EQ(store.GetReadPos(), 0);
    EXPECT_EQ(store.GetWritePos(), 6);

    store.SetWritePos(2);
    store.SetBufferSize(0);
    EXPECT_FALSE(store.HasBuffer());
    EXPECT_EQ(store.GetBufferSize(), 0);
    EXPECT_EQ(store.GetWritePos(), 2);

    FillCounting(store, 4, 1);
    store.Clear();
    EXPECT_EQ(Contents(store), std::vector<float>(4, 0.0f));
    EXPECT_EQ(store.GetWritePos(), 4);
}

struct ShiftOutCase {
    int32 lHeld;
    int32 lLength;
    bool bAdd;
    std::vector<float> expected; // the block, which held 100, 100, ... before
    std::vector<float> contents; // the store afterwards
    int32 lWritePos;
};

class ShiftOutCases : public ::testing::TestWithParam<ShiftOutCase> {};

TEST_P(ShiftOutCases, DeliversAndMovesTheRestToTheFront)
{
    const ShiftOutCase& c = GetParam();
    CShiftBuffer store;
    FillCounting(store, 6, c.lHeld);
    std::vector<float> block(size_t(c.lLength), 100.0f);
    store.ShiftOut(block.data(), c.lLength, c.bAdd);
    EXPECT_EQ(block, c.expected);
    EXPECT_EQ(Contents(store), c.contents) << "partial sums travel with the data, the freed tail is zero";
    EXPECT_EQ(store.GetReadPos(), 0);
    EXPECT_EQ(store.GetWritePos(), c.lWritePos);
}

INSTANTIATE_TEST_SUITE_P(
    ShiftBuffer, ShiftOutCases,
    ::testing::Values(
        // More held than asked: the front of the held samples.
        ShiftOutCase{4, 3, false, {1, 2, 3}, {4, 5, 6, 0, 0, 0}, 1},
        ShiftOutCase{4, 3, true, {101, 102, 103}, {4, 5, 6, 0, 0, 0}, 1},
        // Exactly as many.
        ShiftOutCase{3, 3, false, {1, 2, 3}, {4, 5, 6, 0, 0, 0}, 0},
        // Fewer: right-aligned, the front zeroed when replacing, kept when adding.
        ShiftOutCase{2, 4, false, {0, 0, 1, 2}, {3, 4, 5, 6, 0, 0}, 0},
        ShiftOutCase{2, 4, true, {100, 100, 101, 102}, {3, 4, 5, 6, 0, 0}, 0},
        ShiftOutCase{0, 2, false, {0, 0}, {1, 2, 3, 4, 5, 6}, 0}));

TEST(ShiftBuffer, ShiftInAppendsAfterTheConsumedSamplesAreShiftedOut)
{
    CShiftBuffer store;
    FillCounting(store, 6, 4);
    store.IncrementRead(3);
    EXPECT_EQ(Contents(store), (std::vector<float>{4, 5, 6, 0, 0, 0}));
    EXPECT_EQ(store.GetWritePos(), 1);

    const float block[3] = {-1.0f, -2.0f, -3.0f};
    store.SetReadPos(1); // consumed but not yet shifted
    store.ShiftIn(block, 3);
    EXPECT_EQ(Contents(store), (std::vector<float>{-1, -2, -3, 0, 0, 0}));
    EXPECT_EQ(store.GetReadPos(), 0);
    EXPECT_EQ(store.GetWritePos(), 3);

    store.Write(block, 3, 2);
    EXPECT_EQ(Contents(store), (std::vector<float>{-1, -2, -3, -1, -2, 0}));
    EXPECT_EQ(store.GetWritePos(), 5);
}

struct AssertionCase {
    const char* szName;
    std::function<void(CShiftBuffer&)> violate;
    const char* szMessage;
};

// The failure texts, line numbers included, are what a crash report shows.
std::string ExactPattern(const std::string& text)
{
    std::string pattern = "^";
    for (char ch : text) {
        if (std::string("\\^$.|?*+()[]{}").find(ch) != std::string::npos) pattern += '\\';
        pattern += ch;
    }
    return pattern + "\n";
}

TEST(ShiftBufferAssertionDeathTest, StopWithTheConditionAndItsLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const float block[8] = {};
    // Exactly the block length: a store with crossed positions must not write past it
    // (the address sanitizer build would report that instead of the assertion).
    float out[2] = {};
    const AssertionCase cases[] = {
        {"block longer than the store", [&](CShiftBuffer& s) { s.ShiftIn(block, 5); },
         "Common/shiftbuffer:74: failed assertion `lLength <= m_lBufferSize'"},
        {"crossed positions before ShiftIn",
         [&](CShiftBuffer& s) {
             s.SetReadPos(3);
             s.SetWritePos(1);
             s.ShiftIn(block, 1);
         },
         "Common/shiftbuffer:75: failed assertion `m_lWritePos >= m_lReadPos'"},
        {"no room after the shift", [&](CShiftBuffer& s) { s.ShiftIn(block, 1); },
         "Common/shiftbuffer:79: failed assertion `(lLength + m_lWritePos) <= m_lBufferSize'"},
        {"negative write position after ShiftOut",
         [&](CShiftBuffer& s) {
             s.SetWritePos(-1);
             s.ShiftOut(out, 2, false);
         },
         "Common/shiftbuffer:152: failed assertion `m_lWritePos >= 0'"},
        {"Write away from the write position", [&](CShiftBuffer& s) { s.Write(block, 0, 1); },
         "Common/shiftbuffer:159: failed assertion `m_lWritePos == lStart'"},
        {"Write past the end",
         [&](CShiftBuffer& s) {
             s.SetWritePos(2);
             s.Write(block, 2, 3);
         },
         "Common/shiftbuffer:160: failed assertion `(lLength + m_lWritePos) <= m_lBufferSize'"},
    };
    for (const AssertionCase& c : cases) {
        SCOPED_TRACE(c.szName);
        CShiftBuffer store;
        store.SetBufferSize(4);
        EXPECT_DEATH(c.violate(store), ExactPattern(c.szMessage));
    }
}

} // namespace
