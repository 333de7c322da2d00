#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "lfo.h"

namespace {

const double kTwoPi = 6.283185307179586;

// Without variation the output is depth x cos(2 pi rate n / fs), channel 1 running the
// offset (in cycles) behind; after a restart the n-th increment sits at phase n x step.
TEST(LFO, NominalCosine)
{
    const struct {
        double dDepth, dRateHz, dOffset, dSampleRate;
    } kCases[] = {
        {100.0, 2.0, 0.25, 1000.0}, {480.0, 0.5, 0.5, 48000.0}, {1.0, 10.0, 0.0, 44100.0}, {24.0, 7.0, 1.0, 500.0},
    };
    for (const auto& c : kCases) {
        CLFO lfo;
        lfo.Init(2, c.dDepth, 0.0, c.dRateHz, 0.0, c.dOffset, c.dSampleRate, true);
        const double dStep = c.dRateHz * kTwoPi / c.dSampleRate;
        for (int n = 1; n < 5000; ++n) {
            const double dTolerance = c.dDepth * 1e-6 * (1.0 + n * 1e-3);
            ASSERT_NEAR(lfo.GetValue(0), c.dDepth * std::cos(n * dStep), dTolerance) << c.dRateHz << " sample " << n;
            ASSERT_NEAR(lfo.GetValue(1), c.dDepth * std::cos(n * dStep - kTwoPi * c.dOffset), dTolerance)
                << c.dRateHz << " sample " << n;
            ASSERT_EQ(lfo.GetRate(0), dStep);
            ASSERT_EQ(lfo.GetDepth(1), c.dDepth);
            lfo.Increment();
        }
    }
}

// Channel 0 draws a rate at each wrap and a depth at the first sample past a quarter
// cycle, each within (1 - variation) .. 1 of nominal; channel 1 takes over channel 0's
// values at its own wrap and quarter point.
TEST(LFO, RandomRateAndDepthTiming)
{
    const struct {
        double dRateRand, dDepthRand;
    } kCases[] = {{1.0, 1.0}, {0.5, 0.0}, {0.0, 0.3}};
    for (const auto& c : kCases) {
        const double dDepth = 10.0, dStep = 5.0 * kTwoPi / 1000.0;
        CLFO lfo;
        lfo.Init(2, dDepth, c.dDepthRand, 5.0, c.dRateRand, 0.125, 1000.0, true);
        std::set<double> rates, depths;
        double dRate[2] = {lfo.GetRate(0), lfo.GetRate(1)};
        double dDepthNow[2] = {lfo.GetDepth(0), lfo.GetDepth(1)};
        for (int n = 0; n < 100000; ++n) {
            const double dPhaseBefore[2] = {lfo.GetPhase(0), lfo.GetPhase(1)};
            lfo.Increment();
            for (int ch = 0; ch < 2; ++ch) {
                const bool bWrapped = dPhaseBefore[ch] >= kTwoPi;
                if (lfo.GetRate(ch) != dRate[ch]) {
                    ASSERT_TRUE(bWrapped) << "a rate changes only at a wrap, channel " << ch;
                    if (ch == 1) {
                        ASSERT_EQ(lfo.GetRate(1), lfo.GetRate(0));
                    }
                }
                if (lfo.GetDepth(ch) != dDepthNow[ch]) {
                    ASSERT_TRUE(!bWrapped && dPhaseBefore[ch] > kTwoPi / 4) << "a depth changes past the quarter";
                    if (ch == 1) {
                        ASSERT_EQ(lfo.GetDepth(1), lfo.GetDepth(0));
                    }
                }
                dRate[ch] = lfo.GetRate(ch);
                dDepthNow[ch] = lfo.GetDepth(ch);
            }
            rates.insert(dRate[0]);
            depths.insert(dDepthNow[0]);
            ASSERT_LE(std::fabs(lfo.GetValue(0)), dDepthNow[0] * (1 + 1e-7));
        }
        for (double r : rates) {
            EXPECT_LE(r, dStep);
            EXPECT_GE(r, dStep * (1.0 - c.dRateRand * 0.999) * (1 - 1e-12));
        }
        for (double d : depths) {
            EXPECT_LE(d, dDepth);
            EXPECT_GE(d, dDepth * (1.0 - c.dDepthRand * 0.999) * (1 - 1e-12));
        }
        // Dozens of cycles (slow draws last long): many different draws with a
        // variation, a single value without.
        EXPECT_EQ(rates.size() > 10, c.dRateRand > 0.0) << rates.size();
        EXPECT_EQ(depths.size() > 10, c.dDepthRand > 0.0) << depths.size();
        EXPECT_EQ(rates.size() == 1, c.dRateRand == 0.0) << rates.size();
        EXPECT_EQ(depths.size() == 1, c.dDepthRand == 0.0) << depths.size();
    }
}

// Init draws the depth first, then the rate, r = draw mod 1000 from the oscillator's own
// generator; equal seeds repeat a run, different seeds drift apart.
TEST(LFO, DrawsFromItsOwnGenerator)
{
    for (uint32 dwSeed : {1u, 77u, 123456u}) {
        std::minstd_rand reference(dwSeed);
        const double r1 = double(reference() % 1000u), r2 = double(reference() % 1000u);
        CLFO a, b, c;
        a.Seed(dwSeed);
        b.Seed(dwSeed);
        c.Seed(dwSeed + 1);
        std::srand(1);
        a.Init(2, 50.0, 1.0, 1.0, 1.0, 0.0, 100.0, false);
        std::srand(2); // the process-wide generator plays no part
        b.Init(2, 50.0, 1.0, 1.0, 1.0, 0.0, 100.0, false);
        c.Init(2, 50.0, 1.0, 1.0, 1.0, 0.0, 100.0, false);
        EXPECT_EQ(a.GetDepth(0), (1.0 - 1.0 * r1 / 1000.0) * 50.0);
        EXPECT_EQ(a.GetRate(0), (1.0 - 1.0 * r2 / 1000.0) * (1.0 * kTwoPi / 100.0));
        bool bDiffers = false;
        for (int n = 0; n < 2000; ++n) {
            ASSERT_EQ(a.GetValue(0), b.GetValue(0));
            ASSERT_EQ(a.GetValue(1), b.GetValue(1));
            bDiffers = bDiffers || a.GetValue(0) != c.GetValue(0);
            a.Increment();
            b.Increment();
            c.Increment();
        }
        EXPECT_TRUE(bDiffers);
    }
}

// Reset puts the phases back to 0 and -offset and keeps the drawn values; a new Init
// keeps the running phase unless asked to restart on a new channel count, and moves
// channel 1 when the offset changes.
TEST(LFO, ResetAndReinit)
{
    CLFO lfo;
    lfo.Init(2, 8.0, 1.0, 3.0, 1.0, 0.25, 1000.0, false);
    for (int n = 0; n < 777; ++n) lfo.Increment();
    const double dRate = lfo.GetRate(0), dDepth = lfo.GetDepth(0);
    lfo.Reset();
    EXPECT_EQ(lfo.GetPhase(0), 0.0);
    EXPECT_EQ(lfo.GetPhase(1), -0.25 * kTwoPi);
    EXPECT_EQ(lfo.GetRate(0), dRate);
    EXPECT_EQ(lfo.GetDepth(0), dDepth);

    for (int n = 0; n < 100; ++n) lfo.Increment();
    const double dPhase = lfo.GetPhase(0);
    lfo.Init(2, 8.0, 0.0, 3.0, 0.0, 0.25, 1000.0, true); // same channel count: no restart
    EXPECT_EQ(lfo.GetPhase(0), dPhase + lfo.GetRate(0));
    EXPECT_NEAR(lfo.GetPhase(1) - lfo.GetPhase(0), -0.25 * kTwoPi, 1e-12);
    lfo.Init(2, 8.0, 0.0, 3.0, 0.0, 0.5, 1000.0, false); // new offset
    EXPECT_NEAR(lfo.GetPhase(1), lfo.GetPhase(0) - 0.5 * kTwoPi, 1e-12);
    lfo.Init(1, 8.0, 0.0, 3.0, 0.0, 0.5, 1000.0, true); // new count, restart asked
    EXPECT_EQ(lfo.GetPhase(0), lfo.GetRate(0));
}

// A non-finite or absurd rate leaves a defined output and, once mended, the oscillator
// runs on normally.
TEST(LFO, RecoversFromBadRates)
{
    const double kBad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e30,
                           -1e30};
    for (double dBad : kBad) {
        CLFO lfo;
        lfo.Init(2, 5.0, 0.5, dBad, 0.5, 0.25, 48000.0, false);
        for (int n = 0; n < 100; ++n) lfo.Increment();
        lfo.Init(2, 5.0, 0.0, 1.0, 0.0, 0.5, 1000.0, false);
        for (int n = 0; n < 3000; ++n) {
            lfo.Increment();
            ASSERT_TRUE(std::isfinite(lfo.GetValue(0)) && std::isfinite(lfo.GetValue(1))) << dBad;
            ASSERT_GE(lfo.GetPhase(0), -kTwoPi) << dBad;
            ASSERT_LT(lfo.GetPhase(0), 2 * kTwoPi) << dBad;
        }
    }
}

TEST(LFODeathTest, MoreThanTwoChannels)
{
    CLFO lfo;
    EXPECT_DEATH(lfo.Init(3, 1.0, 0.0, 1.0, 0.0, 0.0, 48000.0, false),
                 "^Common/lfo:107: failed assertion `lChannels <= MAX_CHANNELS'\n");
}

} // namespace
