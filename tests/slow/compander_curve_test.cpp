// The compander's curve as processing evaluates it (vector logarithm and power, lanes
// near a float rounding boundary recomputed by the scalar calls) against the scalar curve,
// Transform, over more than 10^8 levels: every float level from the -60 dB floor of the
// detector up to +36 dB, then levels spread over the rest of the range with random
// curve settings, which move the power's argument over everything it can take (from
// where the result underflows to where it overflows). Not one float may differ.
//
// Labelled "slow" (some seconds): the sanitizer runs leave it out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "compander.h"

namespace {

// Compares TransformBlock with Transform over the levels; returns the differing count.
uint64_t CountDifferences(CCompander& compander, const std::vector<float>& levels, std::vector<float>& block)
{
    block.resize(levels.size());
    compander.TransformBlock(levels.data(), block.data(), uint32(levels.size()));
    uint64_t differing = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const float expected = compander.Transform(levels[i]);
        if (std::memcmp(&expected, &block[i], sizeof(float)) == 0) continue;
        if (differing++ < 5)
            ADD_FAILURE() << "level " << levels[i] << " (bits " << std::hex << [&] {
                uint32_t u;
                std::memcpy(&u, &levels[i], 4);
                return u;
            }() << std::dec << "): " << block[i] << " instead of " << expected;
    }
    return differing;
}

uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

float FromBits(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

TEST(CompanderCurve, EveryLevelFromTheFloorTo36dB)
{
    // Default settings leave the curve's logarithm and power as they are; the post gain
    // moves the power's argument by up to +-1.2 between runs of levels.
    CCompander compander;
    std::vector<float> levels, block;
    const uint32_t first = Bits(0.001f);
    const uint32_t last = Bits(64.0f);
    const uint32_t kRun = 1u << 20;
    uint64_t differing = 0, count = 0;
    int run = 0;
    for (uint32_t u = first; u < last; u += kRun, ++run) {
        compander.SetParameter(CCompander::POST_GAIN, float(run % 11) / 10.0f);
        levels.clear();
        for (uint32_t v = u; v < u + kRun && v < last; ++v) levels.push_back(FromBits(v));
        differing += CountDifferences(compander, levels, block);
        count += levels.size();
    }
    std::printf("%llu levels\n", (unsigned long long)count);
    EXPECT_GT(count, 130000000u);
    EXPECT_EQ(differing, 0u);
}

TEST(CompanderCurve, LevelsAndSettingsOverTheWholeRange)
{
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    // Levels log-uniform from the floor to 10^6 (the knee's range included), some exact
    // floor values, and a few far beyond.
    std::uniform_real_distribution<double> decades(-3.0, 6.0);
    CCompander compander;
    std::vector<float> levels(1u << 16), block;
    uint64_t differing = 0, count = 0;
    for (int set = 0; set < 400; ++set) {
        for (int32 p = 0; p < CCompander::DELAY; ++p) compander.SetParameter(p, unit(rng));
        for (float& x : levels) {
            const uint32_t pick = rng() % 64;
            x = pick == 0 ? 0.001f : pick == 1 ? float(std::pow(10.0, 6.0 + 30.0 * unit(rng))) : float(std::pow(10.0, decades(rng)));
        }
        differing += CountDifferences(compander, levels, block);
        count += levels.size();
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(count, 26000000u);
}

} // namespace
