#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "biquad.h"
#include "support/filter_contract.h"
#include "support/filter_fuzz.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const char* const kTypeNames[] = {"Low Pass", "High Pass", "Band Pass", "Notch",
                                  "All Pass", "EQ",        "Low Shelf", "High Shelf"};

class CBiQuadProbe : public CBiQuadFilter {
public:
    const _FilterTaps& Taps() const { return m_Taps; }
};

std::string Display(CFilter& filter, int32 lIndex)
{
    return qvtest::ParameterText(filter, &CFilter::GetParameterDisplay, lIndex);
}

bool SameTaps(const _FilterTaps& a, const _FilterTaps& b)
{
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
}

// Channel 0 through the filter, one block.
std::vector<float> RunChannel0(CFilter& filter, std::vector<float> x)
{
    float* pp[2] = {x.data(), nullptr};
    filter.ProcessBlock(pp, pp, uint32(x.size()), false);
    return x;
}

// ---------------------------------------------------------------------------------------

TEST(BiQuad, IdentityAndDefaults)
{
    CBiQuadProbe filter;
    char szText[64];
    filter.GetEffectName(szText);
    EXPECT_STREQ(szText, "BiQuad Filter");
    EXPECT_EQ(filter.GetUniqueID(), QVFourCC('Q', 'V', 'b', 'q'));
    EXPECT_EQ(filter.GetParameterCount(), 4);
    const float kDefaults[] = {0.0f, 0.6f, 0.5f, 0.5f};
    for (int32 i = 0; i < 4; ++i) EXPECT_EQ(filter.GetParameter(i), kDefaults[i]) << i;
    EXPECT_EQ(filter.Taps().fModulation, 0.0f);
    EXPECT_EQ(filter.Taps().fFrequency, 0.0f);
    EXPECT_EQ(filter.SetBlockSize(1024), 1);
    EXPECT_EQ(filter.GetBlockSize(), 1024u);

    filter.SetParameter(0, 0.7f);
    CFilter* pClone = static_cast<CFilter*>(filter.Clone());
    EXPECT_EQ(pClone->GetParameter(0), 0.7f);
    const std::vector<float> noise = qvtest::NoiseBlock(100, 3);
    EXPECT_EQ(RunChannel0(*pClone, noise), RunChannel0(filter, noise));
    pClone->Delete();
    CFilter* pFresh = static_cast<CFilter*>(filter.Create());
    EXPECT_EQ(pFresh->GetParameter(0), 0.0f);
    EXPECT_EQ(pFresh->GetUniqueID(), filter.GetUniqueID());
    pFresh->Delete();
}

TEST(BiQuad, NamesAndLabels)
{
    CBiQuadFilter filter;
    const struct {
        int32 lIndex;
        const char* pName;
        const char* pLabel;
    } kCases[] = {{0, "Filter", ""}, {1, "Frequency", "Hz"}, {2, "Q", ""}, {3, "Gain", "dB"},
                  {4, "untouched", ""}, {-1, "untouched", ""}};
    for (const auto& c : kCases) {
        char szName[64] = "untouched", szLabel[64] = "untouched";
        filter.GetParameterName(c.lIndex, szName);
        filter.GetParameterLabel(c.lIndex, szLabel);
        EXPECT_STREQ(szName, c.pName) << c.lIndex;
        EXPECT_STREQ(szLabel, c.pLabel) << c.lIndex;
        if (c.lIndex < 0 || c.lIndex > 3) {
            EXPECT_EQ(Display(filter, c.lIndex), "untouched");
        }
    }
}

// Type decoding: the shown name and the coefficients both follow trunc(p x 8 x 0.999).
struct TypeCase {
    float p;
    int32 lType; // -1: no type named
};

class BiQuadType : public testing::TestWithParam<TypeCase> {};

TEST_P(BiQuadType, DecodesSelector)
{
    const TypeCase& c = GetParam();
    CBiQuadProbe filter;
    filter.SetParameter(0, c.p);
    EXPECT_EQ(Display(filter, 0), c.lType >= 0 ? kTypeNames[c.lType] : "???");
    char szChoice[64];
    filter.GetFilterChoice(szChoice);
    EXPECT_EQ(Display(filter, 0), szChoice);
    // Coefficients of the named type; a selector that names none filters as a high shelf.
    CBiQuadProbe reference;
    reference.Init(FilterType(c.lType >= 0 ? c.lType : HighShelf), 0.0f, 0.6f, 0.5f, 0.5f);
    EXPECT_TRUE(SameTaps(filter.Taps(), reference.Taps()));
}

INSTANTIATE_TEST_SUITE_P(Selector, BiQuadType,
                         testing::Values(TypeCase{0.175f, 1}, TypeCase{0.125f, 0}, TypeCase{0.84f, 6},
                                         TypeCase{1.0f, 7}, TypeCase{0.0f, 0}, TypeCase{0.5f, 3},
                                         TypeCase{-0.1f, 0}, TypeCase{kNaN, 0}, TypeCase{kInf, 0},
                                         TypeCase{-kInf, 0}, TypeCase{2.0f, -1}, TypeCase{1e30f, -1},
                                         TypeCase{-1e30f, -1}));

TEST(BiQuad, InitSelectsEveryType)
{
    for (int32 t = LowPass; t <= HighShelf; ++t) {
        CBiQuadFilter filter;
        filter.Init(FilterType(t), 123.0f, 0.3f, 0.7f, 0.9f);
        EXPECT_EQ(Display(filter, 0), kTypeNames[t]);
        EXPECT_EQ(QVBiQuadType(filter.GetParameter(0)), t);
        EXPECT_EQ(filter.GetParameter(1), 0.3f);
        EXPECT_EQ(filter.GetParameter(2), 0.7f);
        EXPECT_EQ(filter.GetParameter(3), 0.9f);
    }
}

// The tuned frequency, read back from the low-pass coefficients: b1 / a1 = (1 - c) / -2c.
double TunedFrequency(const _FilterTaps& taps, double dRate)
{
    const double r = double(taps.b1) / double(taps.a1);
    return std::acos(1.0 / (1.0 - 2.0 * r)) * dRate / (2.0 * M_PI);
}

TEST(BiQuad, FrequencyMappingLimitAndDisplay)
{
    const struct {
        uint32 dwRate;
        float p;
        const char* pShown;
        double dTuned;
        double dTolerance;
    } kCases[] = {
        {44100, 1.0f, "24000", 44100.0 / 2.01, 0.5},  // limited below Nyquist, display unaffected
        {48000, 1.0f, "24000", 48000.0 / 2.01, 0.5},
        {96000, 1.0f, "24000", 23940.13, 0.5},        // top of the tuned scale
        {48000, 0.6f, "1066", 1065.31, 0.01},         // display and tuning use different spans
        {48000, 0.0f, "10", 10.0, 0.001},
    };
    for (const auto& c : kCases) {
        CBiQuadProbe filter;
        filter.SetSampleRate(c.dwRate);
        filter.SetParameter(1, c.p);
        EXPECT_EQ(Display(filter, 1), c.pShown) << c.p;
        EXPECT_NEAR(TunedFrequency(filter.Taps(), c.dwRate), c.dTuned, c.dTolerance) << c.dwRate << " Hz, p " << c.p;
    }
}

// The steps of the coefficient computation in their stated precision, restated for the
// peaking EQ: exponent rounded to float, "+ 1" in float, power in double; Q through float;
// A = 10 ^ (dB / 40) in double; 2Q formed in float. A different order or precision moves
// the last bit of most coefficients.
TEST(BiQuad, CoefficientStepsKeepTheirPrecision)
{
    const struct {
        float p1, p2, p3;
    } kCases[] = {{0.1f, 0.3f, 0.61f}, {0.25f, 0.5f, 0.77f}, {0.6f, 0.9f, 0.13f}, {0.93f, 0.05f, 0.999f}};
    for (const auto& c : kCases) {
        float fExponent = float(double(c.p1) * std::log10(2394.01513671875));
        fExponent = fExponent + 1.0f;
        const float f = float(std::pow(10.0, double(fExponent)));
        const float fQ = float(4.0 / std::pow(2.0, double((0.7f - c.p2) * 10.0f)));
        const double A = std::pow(10.0, double(c.p3 * 80.0f - 40.0f) / 40.0);
        const double w0 = double(f) * 6.283185307179586 / 48000.0;
        const double alpha = std::sin(w0) / double(2.0f * fQ);
        const double a0 = 1.0 + alpha / A;

        CBiQuadProbe filter;
        filter.Init(EQ, 0.0f, c.p1, c.p2, c.p3);
        EXPECT_EQ(QVBiQuadFrequency(c.p1, std::log10(2394.01513671875)), f);
        EXPECT_EQ(filter.Taps().b0, float((1.0 + alpha * A) / a0)) << c.p1;
        EXPECT_EQ(filter.Taps().b1, float(-2.0 * std::cos(w0) / a0)) << c.p1;
        EXPECT_EQ(filter.Taps().b2, float((1.0 - alpha * A) / a0)) << c.p1;
        EXPECT_EQ(filter.Taps().a2, float((1.0 - alpha / A) / a0)) << c.p1;
    }
}

TEST(BiQuad, QAndGainDisplays)
{
    const struct {
        int32 lIndex;
        float p;
        const char* pShown;
    } kCases[] = {{2, 0.5f, "1.00"}, {2, 0.0f, "0.03"}, {2, 1.0f, "32.00"}, {3, 0.5f, "0.0"},
                  {3, 1.0f, "40.0"}, {3, 0.0f, "-40.0"}, {3, 0.65f, "12.0"}};
    for (const auto& c : kCases) {
        CBiQuadFilter filter;
        filter.SetParameter(c.lIndex, c.p);
        EXPECT_EQ(Display(filter, c.lIndex), c.pShown) << c.lIndex << " at " << c.p;
    }
}

TEST(BiQuad, WildValuesGiveBoundedDisplays)
{
    const float kWild[] = {kNaN, kInf, -kInf, 1e30f, -1e30f, -100.0f, 100.0f};
    for (float v : kWild)
        for (int32 i = 0; i < 4; ++i) {
            CBiQuadFilter filter;
            filter.SetParameter(i, v);
            char szText[64];
            std::memset(szText, 'x', sizeof szText);
            filter.GetParameterDisplay(i, szText);
            EXPECT_LT(std::strlen(szText), size_t(QV_DISPLAY_SIZE)) << "parameter " << i << " at " << v;
        }
}

TEST(BiQuad, GainOnlyShapesEqAndShelves)
{
    for (int32 t = LowPass; t <= HighShelf; ++t) {
        CBiQuadProbe quiet, loud;
        quiet.Init(FilterType(t), 0.0f, 0.5f, 0.5f, 0.0f);
        loud.Init(FilterType(t), 0.0f, 0.5f, 0.5f, 1.0f);
        EXPECT_EQ(SameTaps(quiet.Taps(), loud.Taps()), t <= AllPass) << kTypeNames[t];
    }
}

// Steady-state gain at DC, at the corner frequency and at Nyquist, for every type at
// Q = 1 and +12 dB (A = 10 ^ (12 / 40)).
struct ResponseCase {
    FilterType type;
    double dDC, dCorner, dNyquist;
};

class BiQuadResponse : public testing::TestWithParam<ResponseCase> {};

double SteadyGain(CFilter& filter, double dHz, double dRate)
{
    const size_t kSettle = 24000, kMeasure = 48000;
    std::vector<float> x(kSettle + kMeasure);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = dHz == 0.0 ? 1.0f : float(std::cos(2.0 * M_PI * dHz * double(i) / dRate));
    const std::vector<float> y = RunChannel0(filter, x);
    double dIn = 0.0, dOut = 0.0;
    for (size_t i = kSettle; i < x.size(); ++i) {
        dIn += double(x[i]) * x[i];
        dOut += double(y[i]) * y[i];
    }
    return std::sqrt(dOut / dIn);
}

TEST_P(BiQuadResponse, SettlesAtCookbookGains)
{
    const ResponseCase& c = GetParam();
    const double dRate = 48000.0;
    const double dCorner = QVBiQuadFrequency(0.5f, std::log10(2394.01513671875));
    const struct {
        double dHz, dGain;
    } kPoints[] = {{0.0, c.dDC}, {dCorner, c.dCorner}, {dRate / 2.0, c.dNyquist}};
    for (const auto& point : kPoints) {
        CBiQuadFilter filter;
        filter.SetSampleRate(48000);
        filter.Init(c.type, 0.0f, 0.5f, 0.5f, 0.65f);
        EXPECT_NEAR(SteadyGain(filter, point.dHz, dRate), point.dGain, 0.01 * (1.0 + point.dGain))
            << kTypeNames[c.type] << " at " << point.dHz << " Hz";
    }
}

const double kA = std::pow(10.0, 12.0 / 40.0);
INSTANTIATE_TEST_SUITE_P(AllTypes, BiQuadResponse,
                         testing::Values(ResponseCase{LowPass, 1.0, 1.0, 0.0}, ResponseCase{HighPass, 0.0, 1.0, 1.0},
                                         ResponseCase{BandPass, 0.0, 1.0, 0.0}, ResponseCase{Notch, 1.0, 0.0, 1.0},
                                         ResponseCase{AllPass, 1.0, 1.0, 1.0}, ResponseCase{EQ, 1.0, kA * kA, 1.0},
                                         ResponseCase{LowShelf, kA * kA, kA, 1.0},
                                         ResponseCase{HighShelf, 1.0, kA, kA * kA}));

TEST(BiQuad, NonFiniteInputActsAsSilence)
{
    const float kBad[] = {kNaN, kInf, -kInf};
    for (float bad : kBad) {
        std::vector<float> clean = {0.0f, -0.2f, 0.9f, 0.0f, 0.1f, 0.4f, -0.6f, 0.2f};
        std::vector<float> dirty = clean;
        dirty[0] = bad; // from rest
        dirty[3] = bad; // with a history
        CBiQuadFilter a, b;
        a.Init(HighPass, 0.0f, 0.7f, 0.6f, 0.5f);
        b.Init(HighPass, 0.0f, 0.7f, 0.6f, 0.5f);
        const std::vector<float> yClean = RunChannel0(a, clean), yDirty = RunChannel0(b, dirty);
        EXPECT_EQ(yDirty[0], 0.0f) << bad;
        EXPECT_EQ(yDirty, yClean) << "the bad sample is remembered as 0 (" << bad << ")";
    }
}

// The step on hand-made coefficients: underflow and overflow become 0, and a section
// running away is silenced for that sample and restarts from rest.
TEST(BiQuad, StepGuards)
{
    const struct {
        const char* pWhat;
        _FilterTaps taps;
        std::vector<float> x, y;
    } kCases[] = {
        {"runaway", {0, 0, 1.0f, 0, 0, -2.0f, 0}, {1, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 2, 4, 8, 16, 32, 0, 0, 1}},
        {"exactly 50 passes", {0, 0, 50.0f, 0, 0, 0, 0}, {1, -1, 0}, {50, -50, 0}},
        {"subnormal", {0, 0, 1e-30f, 1e-30f, 0, 0, 0}, {1e-10f, 1e-10f}, {0, 0}},
        {"overflow", {0, 0, 0x1p100f, 0, 0, 0, 0}, {0x1p100f, 0x1p-100f}, {0, 1}},
    };
    for (const auto& c : kCases) {
        _FilterTaps taps = c.taps;
        _FilterState state = {};
        for (size_t i = 0; i < c.x.size(); ++i)
            EXPECT_EQ(CBiQuadFilter::Filter(&taps, &state, c.x[i]), c.y[i]) << c.pWhat << " sample " << i;
    }
}

TEST(BiQuad, ResetClearsHistoryAndParametersKeepIt)
{
    std::vector<float> impulse(64, 0.0f);
    impulse[0] = 1.0f;
    CBiQuadFilter fresh, used;
    const std::vector<float> yFresh = RunChannel0(fresh, impulse);
    RunChannel0(used, impulse);
    used.SetParameter(2, 0.5f); // same value: coefficients recomputed, history kept
    EXPECT_NE(RunChannel0(used, std::vector<float>(64, 0.0f)), std::vector<float>(64, 0.0f));
    EXPECT_EQ(used.Reset(), 1);
    EXPECT_EQ(RunChannel0(used, impulse), yFresh);
}

TEST(BiQuad, ChannelsAreIndependent)
{
    CBiQuadFilter filter;
    std::vector<float> left = qvtest::NoiseBlock(300, 5), right = left;
    float* pp[2] = {left.data(), right.data()};
    filter.ProcessBlock(pp, pp, 300, false);
    EXPECT_EQ(left, right);
}

TEST(BiQuad, BlockContract)
{
    CBiQuadFilter filter;
    filter.Init(EQ, 0.0f, 0.55f, 0.8f, 0.9f);
    qvtest::ExpectBlockContract(filter);
    qvtest::ExpectNoSteadyStateAllocation(filter);
}

TEST(BiQuad, Fuzz)
{
    CBiQuadFilter filter;
    qvtest::FuzzFilter(filter, 0xb1c0u);
}

} // namespace
