#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "delayunit.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A running line of length L.
struct ActiveLine {
    explicit ActiveLine(unsigned int dwLength)
    {
        unit.SetDelayLength(dwLength);
        unit.StartProcess();
    }
    // Writes first, first + 1, ..., last.
    void WriteRamp(int first, int last)
    {
        for (int v = first; v <= last; ++v) unit.PutSample(float(v));
    }
    CDelayUnit unit;
};

// Right after a length change the write position is 0 and GetSample(L + 1 - q) reads
// slot q (1 <= q < L) without interpolation; slot 0 is overwritten by the next write.
float Slot(const CDelayUnit& unit, unsigned int dwLength, unsigned int q)
{
    return unit.GetSample(float(dwLength + 1 - q));
}

TEST(DelayUnit, IdleLineReadsSilenceAndIgnoresWrites)
{
    CDelayUnit unit;
    unit.SetDelayLength(4);
    unit.PutSample(1.0f);
    EXPECT_EQ(unit.GetLastSample(), 0.0f);
    EXPECT_EQ(unit.GetSample(2.0f), 0.0f);
    unit.Clear();
    unit.StartProcess();
    EXPECT_EQ(unit.GetLastSample(), 0.0f) << "a new buffer is silent";
    unit.PutSample(3.0f);
    unit.StopProcess();
    EXPECT_EQ(unit.GetSample(2.0f), 0.0f);
    unit.StartProcess();
    EXPECT_EQ(unit.GetSample(2.0f), 0.0f) << "a restarted line starts silent";
}

TEST(DelayUnit, LineWithoutLengthStaysIdleWhenStarted)
{
    CDelayUnit unit;
    unit.StartProcess();
    for (int i = 0; i < 8; ++i) unit.PutSample(1.0f);
    EXPECT_EQ(unit.GetLastSample(), 0.0f);
    EXPECT_EQ(unit.GetSample(5.0f), 0.0f);
    unit.SetDelayLength(3);
    unit.StartProcess();
    unit.PutSample(2.0f);
    EXPECT_EQ(unit.GetSample(2.0f), 2.0f) << "once it has a length it starts normally";
}

TEST(DelayUnitDeathTest, ZeroLengthIsAPreconditionFailure)
{
    CDelayUnit unit;
    EXPECT_DEATH(unit.SetDelayLength(0), "^Common/delayunit:29: failed assertion `dwLength'\n");
}

struct AgeCase {
    unsigned int dwLength;
    std::vector<float> writes;
    std::vector<float> farEnd; // GetLastSample after each write
};

class DelayUnitAges : public testing::TestWithParam<AgeCase> {};

TEST_P(DelayUnitAges, FarEndAfterEachWrite)
{
    const AgeCase& c = GetParam();
    ActiveLine line(c.dwLength);
    line.WriteRamp(40, 45); // history that the Clear must wipe
    line.unit.Clear();
    for (size_t i = 0; i < c.writes.size(); ++i) {
        line.unit.PutSample(c.writes[i]);
        EXPECT_EQ(line.unit.GetLastSample(), c.farEnd[i]) << "after write " << i;
    }
}

// The far end right after a write is s(L-2) for L >= 2 and s0 for L = 1.
INSTANTIATE_TEST_SUITE_P(DelayUnit, DelayUnitAges,
                         testing::Values(AgeCase{1, {5, 6, 7}, {5, 6, 7}},
                                         AgeCase{2, {1, 2, 3}, {1, 2, 3}},
                                         AgeCase{3, {1, 2, 3, 4}, {0, 1, 2, 3}},
                                         AgeCase{5, {1, 2, 3, 4, 5, 6, 7}, {0, 0, 0, 1, 2, 3, 4}}));

TEST(DelayUnit, FarEndBeforeTheNextWriteIsThePreviousSampleAtLengthOne)
{
    ActiveLine line(1);
    line.unit.PutSample(5.0f);
    line.unit.PutSample(6.0f);
    EXPECT_EQ(line.unit.GetLastSample(), 6.0f);
    EXPECT_EQ(line.unit.GetSample(2.5f), 6.0f);
}

TEST(DelayUnit, FractionalReadsOfTheNewestSamples)
{
    for (unsigned int dwLength : {3u, 4u, 10u}) {
        ActiveLine line(dwLength);
        line.WriteRamp(1, 5);
        line.unit.PutSample(7.0f);
        line.unit.PutSample(9.0f);
        const CDelayUnit& u = line.unit;
        EXPECT_EQ(u.GetSample(2.5f), 8.0f) << "L = " << dwLength;
        EXPECT_EQ(u.GetSample(1.0f), 9.0f) << "ages below 0 read the newest sample";
        EXPECT_EQ(u.GetSample(-3.0f), 9.0f);
        EXPECT_EQ(u.GetSample(kNaN), 9.0f);
        for (float t : {float(dwLength), dwLength + 0.5f, 1e30f, kInf})
            EXPECT_EQ(u.GetSample(t), u.GetLastSample()) << "L = " << dwLength << ", t = " << t;
    }
}

TEST(DelayUnit, InterpolatesLinearlyAtEveryWritePosition)
{
    // A rising ramp: right after writing n the sample of age a is n - a, and GetSample(t)
    // reads age t - 2. Every write position is visited, the top one through the mirror slot.
    const unsigned int L = 16;
    ActiveLine line(L);
    line.WriteRamp(1, 3 * L);
    for (int n = 3 * L + 1; n <= 4 * int(L); ++n) {
        line.unit.PutSample(float(n));
        for (float t : {2.0f, 2.25f, 3.5f, 7.75f, 11.125f, 15.5f, 15.96875f})
            EXPECT_EQ(line.unit.GetSample(t), float(n) - (t - 2.0f)) << "n = " << n << ", t = " << t;
    }
}

TEST(DelayUnit, GrowingKeepsAgesAndFadesAcrossTheGap)
{
    // s0 = 13, s1 = 12, ..., s9 = 4 when the line grows from 10 to 16 slots.
    ActiveLine line(10);
    line.WriteRamp(1, 13);
    line.unit.SetDelayLength(16);
    // Slots 0..5 hold s9..s4 scaled by 1, 5/6, ..., 1/6; slots 6..11 the same samples
    // scaled by 0, 1/6, ..., 5/6; slots 12..15 s3..s0 unchanged.
    const float kExpected[16] = {4.0f,  5.0f * 5 / 6, 6.0f * 4 / 6, 7.0f * 3 / 6, 8.0f * 2 / 6, 9.0f * 1 / 6,
                                 0.0f,  5.0f * 1 / 6, 6.0f * 2 / 6, 7.0f * 3 / 6, 8.0f * 4 / 6, 9.0f * 5 / 6,
                                 10.0f, 11.0f,        12.0f,        13.0f};
    for (unsigned int q = 1; q < 16; ++q) EXPECT_FLOAT_EQ(Slot(line.unit, 16, q), kExpected[q]) << "slot " << q;
    // The next write goes to slot 0: the carried-over history keeps its ages.
    line.unit.PutSample(14.0f);
    EXPECT_EQ(line.unit.GetSample(2.0f), 14.0f);
    EXPECT_EQ(line.unit.GetSample(3.0f), 13.0f);
    EXPECT_EQ(line.unit.GetSample(6.0f), 10.0f);
}

TEST(DelayUnit, GrowingFarBeyondTheHistoryLeavesItUnblended)
{
    // 10 -> 100: the fade covers slots 0..19 and 50..69, which are silent, so the ten
    // carried samples sit untouched in slots 90..99.
    ActiveLine line(10);
    line.WriteRamp(1, 10);
    line.unit.SetDelayLength(100);
    for (unsigned int q = 1; q < 100; ++q)
        EXPECT_EQ(Slot(line.unit, 100, q), q < 90 ? 0.0f : float(q - 89)) << "slot " << q;
}

TEST(DelayUnit, ShrinkingBlendsTheFarEndOverTenSamples)
{
    // After writing 1..150 into 100 slots the write position is 50 and s_j = 150 - j.
    // The new line keeps s9..s0 = 141..150 in slots 0..9; slot q then blends with weight
    // 1 - q/10 the old far-end content s(99-q) = 51 + q: (1 - q/10)(51 + q) + (q/10)(141 + q)
    // = 51 + 10 q.
    ActiveLine line(100);
    line.WriteRamp(1, 150);
    line.unit.SetDelayLength(10);
    for (unsigned int q = 1; q < 10; ++q)
        EXPECT_FLOAT_EQ(Slot(line.unit, 10, q), 51.0f + 10.0f * q) << "slot " << q;
    // What reaches the far end before each of the next writes: the blend, then new history.
    for (unsigned int q = 1; q < 10; ++q) {
        EXPECT_FLOAT_EQ(line.unit.GetLastSample(), 51.0f + 10.0f * q) << "far end " << q;
        line.unit.PutSample(0.0f);
    }
}

TEST(DelayUnit, SettingTheSameLengthKeepsEverything)
{
    ActiveLine line(8);
    line.WriteRamp(1, 11);
    line.unit.SetDelayLength(8);
    for (int age = 0; age < 7; ++age) EXPECT_EQ(line.unit.GetSample(2.0f + age), float(11 - age));
}

TEST(DelayUnit, ShrinkingWhileIdleBringsTheWritePositionBackInRange)
{
    ActiveLine line(10);
    line.WriteRamp(1, 8); // write position 8
    line.unit.StopProcess();
    line.unit.SetDelayLength(5);
    line.unit.StartProcess();
    // The writes stay inside the five slots and keep their ages.
    for (int n = 1; n <= 12; ++n) {
        line.unit.PutSample(float(n));
        EXPECT_EQ(line.unit.GetSample(2.0f), float(n));
        EXPECT_EQ(line.unit.GetLastSample(), n > 3 ? float(n - 3) : 0.0f) << "after write " << n;
    }
}

TEST(DelayUnit, DelayLengthFromParameterIsSanitized)
{
    struct Case {
        float fSamples;
        unsigned int dwExpected;
    };
    const Case kCases[] = {{0.0f, 1},   {0.99f, 1},   {1.0f, 2},   {99.5f, 100},  {4800.0f, 4801},
                           {-5.0f, 1},  {kNaN, 1},    {-kInf, 1},  {kInf, 4801},  {1e30f, 4801}};
    for (const Case& c : kCases) EXPECT_EQ(QVDelayLength(c.fSamples, 4800.0f), c.dwExpected) << c.fSamples;
}

} // namespace
