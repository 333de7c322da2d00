// The delay line's block operations against the per-sample calls they stand for: two
// lines given the same history, lengths, clears and restarts, one fed sample by sample,
// the other in runs, deliver the same samples and keep the same circle.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "delayunit.h"

namespace {

struct BlockCase {
    bool bReadFirst; // GetAndPutSamples (read, then write) or PutSamples (write, then read)
    unsigned seed;
};

class DelayUnitBlocks : public ::testing::TestWithParam<BlockCase> {};

TEST_P(DelayUnitBlocks, RunsMatchSampleBySample)
{
    const BlockCase& param = GetParam();
    std::mt19937 rng(param.seed);
    const unsigned int kLengths[] = {1, 2, 3, 4, 7, 100, 513, 946};
    CDelayUnit single, runs;
    unsigned int dwLength = kLengths[rng() % 8];
    single.SetDelayLength(dwLength);
    runs.SetDelayLength(dwLength);
    single.StartProcess();
    runs.StartProcess();
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> in, expected, got;
    for (int round = 0; round < 400; ++round) {
        switch (rng() % 12) {
        case 0:
            dwLength = kLengths[rng() % 8];
            single.SetDelayLength(dwLength);
            runs.SetDelayLength(dwLength);
            break;
        case 1:
            single.Clear();
            runs.Clear();
            break;
        case 2:
            single.StopProcess();
            runs.StopProcess();
            break;
        case 3:
            single.StartProcess();
            runs.StartProcess();
            break;
        default:
            break;
        }
        const unsigned int n = rng() % 3 == 0 ? rng() % 4 : rng() % 1200;
        in.resize(n);
        expected.assign(n, 0.0f);
        got.assign(n, -7.0f);
        for (float& x : in) x = sample(rng);
        for (unsigned int i = 0; i < n; ++i) {
            if (param.bReadFirst) {
                expected[i] = single.GetLastSample();
                single.PutSample(in[i]);
            } else {
                single.PutSample(in[i]);
                expected[i] = single.GetLastSample();
            }
        }
        if (param.bReadFirst) {
            runs.GetAndPutSamples(in.data(), got.data(), n);
        } else {
            const float* pRead = runs.PutSamples(in.data(), got.data(), n);
            got.assign(pRead, pRead + n);
        }
        ASSERT_TRUE(n == 0 || std::memcmp(expected.data(), got.data(), sizeof(float) * n) == 0)
            << "round " << round << ", length " << dwLength << ", " << n << " samples";
        // The circles agree: every fractional read and the far end.
        ASSERT_EQ(single.GetLastSample(), runs.GetLastSample()) << "round " << round;
        for (float t = 0.0f; t < float(dwLength) + 2.0f; t += 0.75f)
            ASSERT_EQ(single.GetSample(t), runs.GetSample(t)) << "round " << round << ", delay " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(DelayUnit, DelayUnitBlocks,
                         ::testing::Values(BlockCase{true, 1}, BlockCase{true, 2}, BlockCase{false, 3},
                                           BlockCase{false, 4}));

} // namespace
