// The noise reduction's spectral step as processing evaluates it (vector magnitude and
// power, lanes near a float rounding boundary recomputed by the scalar calls) against the
// scalar hypot and pow, over 4 x 10^7 bins: magnitudes from far below the quietest to far
// above the loudest spectrum, random phases, exact zeros and subnormal parts, at every
// strength the control gives. Not one float may differ.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "noisereduction.h"

namespace {

TEST(SpectrumGain, FortyMillionBins)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int32 kBins = 256; // a 512-point frame
    std::vector<float> bins(2 * kBins), expected(2 * kBins);
    uint64_t differing = 0, count = 0;
    for (int frame = 0; count < 40000000u; ++frame) {
        const float fStrength = frame % 17 == 0 ? 0.0f : float(unit(rng));
        const float fExponent = (fStrength + fStrength) * 0.4f + 1.0f;
        for (int32 b = 0; b < kBins; ++b) {
            const uint32_t pick = rng() % 100;
            const double dMagnitude = std::pow(10.0, -30.0 + 36.0 * unit(rng));
            const double dPhase = 6.283185307179586 * unit(rng);
            float re = float(dMagnitude * std::cos(dPhase));
            float im = float(dMagnitude * std::sin(dPhase));
            if (pick == 0) re = im = 0.0f;
            if (pick == 1) re = 0.0f;
            if (pick == 2) im = 1e-41f;
            bins[2 * b] = re;
            bins[2 * b + 1] = im;
        }
        expected = bins;
        const double dExponent = double(fExponent);
        for (int32 b = 0; b < kBins; ++b) {
            float* p = &expected[2 * b];
            const float m = float(std::hypot(double(p[0]), double(p[1]))) * 512.0f;
            if (m != 0.0f) {
                const float g = float(dExponent * std::pow(double(m), dExponent) / double(m));
                p[0] *= g;
                p[1] *= g;
            } else {
                p[0] = p[1] = 0.0f;
            }
        }
        CNoiseReduction::ShapeSpectrum(bins.data(), kBins, fExponent);
        for (int32 i = 0; i < 2 * kBins; ++i)
            if (std::memcmp(&bins[i], &expected[i], sizeof(float)) != 0 && differing++ < 5)
                ADD_FAILURE() << "frame " << frame << " value " << i << ": " << bins[i] << " instead of " << expected[i];
        count += kBins;
    }
    EXPECT_EQ(differing, 0u);
}

} // namespace
