#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/filter_checks.h"
#include "toneremove.h"

namespace {

class CToneRemoveProbe : public CToneRemove {
public:
    int32 Sections() const { return m_lSections; }
};

// The "Frequency" value that puts the base frequency at dHz; 1 for the top, 23940 Hz.
float FrequencyParam(double dHz)
{
    return dHz >= 23940.0 ? 1.0f : float(std::log10(dHz / 10.0) / std::log10(2394.01513671875));
}

// The "Width" value for a bandwidth in octaves.
float WidthParam(double dOctaves) { return float(std::sqrt(dOctaves) / 1.4142135); }

TEST(ToneRemove, Identity)
{
    CToneRemove tone;
    qvtest::ExpectIdentity(tone, "Tone Remover", QVFourCC('Q', 'V', 't', 'r'), {0.1f, 0.1f, 0.5f, 0.5f}, 3, 1.0f);
    qvtest::ExpectParameterTexts(tone, {{"Frequency", "Hz"}, {"Width", ""}, {"Cut", "dB"}, {"Harmonics", ""}});
    EXPECT_EQ(qvtest::ParameterText(tone, &CFilter::GetParameterLabel, 7), "");
    EXPECT_EQ(qvtest::ParameterText(tone, &CFilter::GetParameterLabel, -1), "");
}

// The frequency display is 2400-based: 24000.0 at p = 1 while the filter runs at 23940 Hz.
TEST(ToneRemove, Displays)
{
    qvtest::ExpectDisplays<CToneRemove>({
        {0, 1.0f, "24000.0"},
        {0, 0.0f, "10.0"},
        {0, 0.1f, "21.8"},
        {1, 1.0f, "2.000"},
        {1, 0.1f, "0.020"},
        {2, 0.0f, "-40.0"},
        {2, 0.5f, "0.0"},
        {3, 0.5f, "10"},
        {3, 0.0f, "1"},
        {3, 1.0f, "20"},
    });
}

struct SectionCase {
    uint32 dwRate;
    double dBaseHz;    // "Frequency" as a base frequency
    double dOctaves;   // "Width"
    float fHarmonics;  // "Harmonics" as stored
    int32 lSections;
};

class ToneRemoveSections : public ::testing::TestWithParam<SectionCase> {};

// The cascade stops at the first harmonic at or above fmax = fs x BW / -12 + fs / 2; a base
// frequency at or above fmax still gives one section (at fmax). Values outside 0..1 keep
// the count within 1..20; non-finite ones act as 0.
TEST_P(ToneRemoveSections, Count)
{
    const SectionCase& k = GetParam();
    CToneRemoveProbe tone;
    tone.SetSampleRate(k.dwRate);
    qvtest::SetParameters(tone, {{0, FrequencyParam(k.dBaseHz)}, {1, WidthParam(k.dOctaves)}, {3, k.fHarmonics}});
    EXPECT_EQ(tone.Sections(), k.lSections);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    ToneRemove, ToneRemoveSections,
    ::testing::Values(SectionCase{48000, 10000.0, 0.0, 1.0f, 2}, SectionCase{44100, 10000.0, 0.0, 1.0f, 2},
                      SectionCase{48000, 5000.0, 2.0, 1.0f, 3}, SectionCase{48000, 23940.0, 0.5, 1.0f, 1},
                      SectionCase{48000, 1000.0, 0.1, 0.5f, 10}, SectionCase{48000, 1000.0, 0.1, 1.0f, 20},
                      SectionCase{48000, 1000.0, 0.1, 0.0f, 1}, SectionCase{48000, 1000.0, 0.1, kNaN, 1},
                      SectionCase{48000, 1000.0, 0.1, kInf, 1}, SectionCase{48000, 1000.0, 0.1, -kInf, 1},
                      SectionCase{48000, 1000.0, 0.1, 1e30f, 20}, SectionCase{48000, 1000.0, 0.1, -5.0f, 1},
                      SectionCase{48000, 1000.0, 0.1, 2.0f, 20}));

struct CutCase {
    double dBaseHz;
    double dOctaves;
    float fCut;
    float fHarmonics;
    double dProbeHz;
    double dExpectedDb;
};

class ToneRemoveCut : public ::testing::TestWithParam<CutCase> {};

// Section k (from 1) changes the level at its centre by G x 0.94^k dB. A deep cut widens a
// section's skirt (its poles sit at bandwidth / A), so the harmonics are probed with
// sections narrow enough (0.01 octaves) not to reach their neighbours.
TEST_P(ToneRemoveCut, LevelAtHarmonic)
{
    const CutCase& k = GetParam();
    CToneRemove tone;
    qvtest::SetParameters(
        tone, {{0, FrequencyParam(k.dBaseHz)}, {1, WidthParam(k.dOctaves)}, {2, k.fCut}, {3, k.fHarmonics}});
    EXPECT_NEAR(qvtest::SineGainDb(tone, k.dProbeHz), k.dExpectedDb, 0.15);
}

INSTANTIATE_TEST_SUITE_P(ToneRemove, ToneRemoveCut,
                         ::testing::Values(CutCase{1000.0, 0.01, 0.0f, 0.0f, 1000.0, -37.6},
                                           CutCase{1000.0, 0.01, 0.0f, 1.0f, 1000.0, -37.6},
                                           CutCase{1000.0, 0.01, 0.0f, 1.0f, 2000.0, -40.0 * 0.94 * 0.94},
                                           CutCase{1000.0, 0.01, 0.0f, 1.0f, 5000.0, -40.0 * std::pow(0.94, 5)},
                                           CutCase{1000.0, 0.01, 0.0f, 0.0f, 2000.0, 0.0},
                                           CutCase{1000.0, 0.1, 1.0f, 0.0f, 1000.0, 37.6},
                                           CutCase{1000.0, 0.01, 0.5f, 1.0f, 1000.0, 0.0},
                                           CutCase{23940.0, 0.5, 0.0f, 0.0f, 22000.0, -37.6}));

// "Cut" at 0.5 gives every section A = 1: the signal passes unchanged (up to the float
// rounding of ten narrow sections, whose poles sit close to the unit circle).
TEST(ToneRemove, NeutralCutPassesTheSignal)
{
    CToneRemove tone;
    std::vector<float> x = qvtest::NoiseBlock(4096, 6), y = x;
    float* pp[2] = {y.data(), nullptr};
    tone.ProcessBlock(pp, pp, 4096, false);
    for (int i = 0; i < 4096; ++i) ASSERT_NEAR(y[i], x[i], 1e-3) << "frame " << i;
}

TEST(ToneRemove, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CToneRemove>();
    CToneRemove tone;
    qvtest::SetParameters(tone, {{0, 0.6f}, {1, 0.5f}, {2, 0.1f}});
    qvtest::ExpectFilterContract(tone);
}

} // namespace
