#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "noisereduction.h"
#include "support/alloc_counter.h"
#include "support/filter_fuzz.h"

namespace {

const int kDelay = 1024;    // window length
const int kPeriod = 256;    // hop
const float kSharpenerStrength = 0.3609f;

typedef std::vector<float> Signal;

Signal Noise(size_t frames, unsigned seed, float amplitude = 0.5f)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-amplitude, amplitude);
    Signal x(frames);
    for (float& v : x) v = u(rng);
    return x;
}

Signal Sine(size_t frames, float amplitude, double hz)
{
    Signal x(frames);
    for (size_t i = 0; i < frames; ++i) x[i] = amplitude * float(std::sin(2.0 * M_PI * hz * double(i) / 48000.0));
    return x;
}

// Streams one or two channels through the filter in blocks of dwBlock frames (the last
// one shorter), out of place and replacing. An empty right channel means mono.
void Render(CNoiseReduction& filter, const Signal& left, const Signal& right, uint32 dwBlock, Signal& outLeft,
            Signal& outRight)
{
    outLeft.assign(left.size(), 0.0f);
    outRight.assign(right.size(), 0.0f);
    for (size_t s = 0; s < left.size(); s += dwBlock) {
        const uint32 n = uint32(std::min<size_t>(dwBlock, left.size() - s));
        float* ppIn[2] = {const_cast<float*>(left.data()) + s, right.empty() ? nullptr : const_cast<float*>(right.data()) + s};
        float* ppOut[2] = {outLeft.data() + s, right.empty() ? nullptr : outRight.data() + s};
        ASSERT_EQ(filter.ProcessBlock(ppIn, ppOut, n, false), 1);
    }
}

Signal RenderMono(float fStrength, const Signal& x, uint32 dwBlock = 512)
{
    CNoiseReduction filter;
    filter.SetParameter(0, fStrength);
    Signal y, unused;
    Render(filter, x, Signal(), dwBlock, y, unused);
    return y;
}

float PeakAfter(const Signal& y, size_t from)
{
    float peak = 0.0f;
    for (size_t i = from; i < y.size(); ++i) peak = std::max(peak, std::fabs(y[i]));
    return peak;
}

// ---------------------------------------------------------------------------------------
// Identity and texts

TEST(NoiseReduction, IdentityNamesAndTexts)
{
    CNoiseReduction filter;
    char szText[64];
    filter.GetEffectName(szText);
    EXPECT_STREQ(szText, "NoiseReduction");
    EXPECT_EQ(filter.GetUniqueID(), QVFourCC('Q', 'V', 'n', 'r'));
    EXPECT_EQ(filter.GetParameterCount(), 1);
    EXPECT_EQ(filter.GetParameter(0), 0.5f);
    filter.GetParameterName(0, szText);
    EXPECT_STREQ(szText, "Noise Reduction");

    for (int32 lIndex : {-1, 0, 1, 5}) {
        std::strcpy(szText, "untouched");
        filter.GetParameterLabel(lIndex, szText);
        EXPECT_STREQ(szText, "") << "index " << lIndex;
        if (lIndex == 0) continue;
        std::strcpy(szText, "untouched");
        filter.GetParameterName(lIndex, szText);
        filter.GetParameterDisplay(lIndex, szText);
        EXPECT_STREQ(szText, "untouched") << "index " << lIndex;
    }

    const struct {
        float fValue;
        const char* szDisplay;
    } displays[] = {{0.5f, "0.50"}, {kSharpenerStrength, "0.36"}, {0.0f, "0.00"}, {1.0f, "1.00"}, {0.672f, "0.67"}};
    for (const auto& d : displays) {
        filter.SetParameter(0, d.fValue);
        filter.GetParameterDisplay(0, szText);
        EXPECT_STREQ(szText, d.szDisplay);
    }
}

TEST(NoiseReduction, CloneCopiesStrengthAndBlockSizeCreateIsDefault)
{
    CNoiseReduction original;
    original.SetParameter(0, 0.9f);
    original.SetBlockSize(300);
    CNoiseReduction* pClone = static_cast<CNoiseReduction*>(original.Clone());
    CNoiseReduction* pFresh = static_cast<CNoiseReduction*>(original.Create());
    ASSERT_NE(pClone, nullptr);
    ASSERT_NE(pFresh, nullptr);
    EXPECT_EQ(pClone->GetParameter(0), 0.9f);
    EXPECT_EQ(pClone->GetBlockSize(), 300u);
    EXPECT_EQ(pFresh->GetParameter(0), 0.5f);
    EXPECT_EQ(pFresh->GetBlockSize(), 512u);

    const Signal x = Noise(4096, 3);
    Signal a, b, unused;
    Render(original, x, Signal(), 300, a, unused);
    Render(*pClone, x, Signal(), 300, b, unused);
    EXPECT_EQ(a, b);
    pClone->Delete();
    pFresh->Delete();
}

// ---------------------------------------------------------------------------------------
// Transforms

std::complex<double> Dft(const std::vector<std::complex<double>>& x, int k)
{
    const int n = int(x.size());
    std::complex<double> sum = 0.0;
    for (int j = 0; j < n; ++j) sum += x[j] * std::polar(1.0, 2.0 * M_PI * double(k) * double(j) / double(n));
    return sum;
}

class TransformSizes : public ::testing::TestWithParam<int> {};

TEST_P(TransformSizes, RealTransformPacksThePositiveSpectrumAndInvertsExactly)
{
    const int M = GetParam();
    const Signal x = Noise(size_t(M), unsigned(M), 1.0f);
    std::vector<std::complex<double>> reference(x.begin(), x.end());
    Signal spectrum = x;
    CNoiseReduction::rfft(spectrum.data(), M / 2, 1);
    for (int k = 0; k <= M / 2; ++k) {
        const std::complex<double> expected = Dft(reference, k) / double(M);
        const std::complex<double> got = k == 0 ? std::complex<double>(spectrum[0], 0.0)
                                         : k == M / 2 ? std::complex<double>(spectrum[1], 0.0)
                                                      : std::complex<double>(spectrum[2 * k], spectrum[2 * k + 1]);
        EXPECT_NEAR(std::abs(got - expected), 0.0, 1e-6) << "bin " << k;
    }
    Signal back = spectrum;
    CNoiseReduction::rfft(back.data(), M / 2, 0);
    for (int n = 0; n < M; ++n) EXPECT_NEAR(back[n], x[n], 2e-6) << "sample " << n;
}

TEST_P(TransformSizes, ComplexTransformScalesForwardByOneOverTwoNC)
{
    const int NC = GetParam() / 2;
    const Signal x = Noise(size_t(2 * NC), 7, 1.0f);
    std::vector<std::complex<double>> reference(static_cast<size_t>(NC));
    for (int j = 0; j < NC; ++j) reference[j] = std::complex<double>(x[2 * j], x[2 * j + 1]);
    Signal spectrum = x;
    CNoiseReduction::cfft(spectrum.data(), NC, 1);
    for (int k = 0; k < NC; ++k) {
        const std::complex<double> expected = Dft(reference, k) / double(2 * NC);
        EXPECT_NEAR(std::abs(std::complex<double>(spectrum[2 * k], spectrum[2 * k + 1]) - expected), 0.0, 1e-6);
    }
    CNoiseReduction::cfft(spectrum.data(), NC, 0);
    for (int n = 0; n < 2 * NC; ++n) EXPECT_NEAR(spectrum[n], x[n], 2e-6) << "float " << n;
}

INSTANTIATE_TEST_SUITE_P(NoiseReduction, TransformSizes, ::testing::Values(4, 8, 64, 512));

TEST(NoiseReduction, BitReverseReordersComplexValues)
{
    const struct {
        int nComplex;
        std::vector<int> order;
    } cases[] = {{1, {0}}, {2, {0, 1}}, {8, {0, 4, 2, 6, 1, 5, 3, 7}}, {16, {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15}}};
    for (const auto& c : cases) {
        Signal x(size_t(2 * c.nComplex));
        for (int i = 0; i < c.nComplex; ++i) {
            x[2 * i] = float(i);
            x[2 * i + 1] = float(-i);
        }
        CNoiseReduction::bitreverse(x.data(), 2 * c.nComplex);
        for (int i = 0; i < c.nComplex; ++i) {
            EXPECT_EQ(x[2 * i], float(c.order[i])) << c.nComplex << " values, slot " << i;
            EXPECT_EQ(x[2 * i + 1], -float(c.order[i]));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Filter bank

TEST(NoiseReduction, WindowsAreSymmetricAndTheAnalysisWindowSumsToTwo)
{
    CNoiseReduction filter;
    ASSERT_EQ(filter.GetWindowSize(), kDelay);
    const float* a = filter.GetAnalysisWindow();
    const float* s = filter.GetSynthesisWindow();
    double sum = 0.0;
    for (int i = 0; i < kDelay; ++i) {
        sum += a[i];
        EXPECT_NEAR(a[i], a[kDelay - 1 - i], 1e-7);
        EXPECT_NEAR(s[i], s[kDelay - 1 - i], 1e-4);
    }
    EXPECT_NEAR(sum, 2.0, 1e-5);
    // The interpolating factor of the synthesis window crosses zero every 256 samples
    // from the centre; the analysis one every 512, so 256 off-centre it is still large.
    EXPECT_LT(std::fabs(s[511 - 256]), std::fabs(s[511]) * 0.01f);
    EXPECT_GT(std::fabs(a[511 - 256]), std::fabs(a[511]) * 0.2f);
}

TEST(NoiseReduction, StoresAreSizedForTheBlockSizeWithinBounds)
{
    const struct {
        uint32 dwBlock;
        int32 lShift;
    } cases[] = {{512, 2048}, {64, 1536}, {0, 1536}, {256, 1536}, {257, 1538}, {1024, 3072},
                 {65536, 2 * 65536 + 1024}, {0xFFFFFFFFu, 2 * 65536 + 1024}};
    for (const auto& c : cases) {
        CNoiseReduction filter;
        EXPECT_EQ(filter.SetBlockSize(c.dwBlock), 1);
        EXPECT_EQ(filter.GetBlockSize(), c.dwBlock);
        EXPECT_EQ(filter.GetShiftSize(), c.lShift) << "block size " << c.dwBlock;
    }
}

TEST(NoiseReduction, ImpulseComesOutOneWindowLaterAtStrengthZero)
{
    Signal x(8192, 0.0f);
    x[100] = 1.0f;
    const Signal y = RenderMono(0.0f, x);
    const size_t peak = size_t(std::max_element(y.begin(), y.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); }) - y.begin());
    EXPECT_EQ(peak, 100u + kDelay);
    EXPECT_NEAR(y[peak], 0.868f, 0.01f);
    // Time aliasing of the folded frames leaves small echoes one transform away; the
    // rest is rounding.
    for (size_t i = 0; i < y.size(); ++i) {
        if (i == peak) continue;
        const float limit = (i + 512 == peak || i == peak + 512) ? 0.02f : 1e-6f;
        ASSERT_LT(std::fabs(y[i]), limit) << "sample " << i;
    }
}

TEST(NoiseReduction, StrengthZeroPassesAConstantWithThePeriodicWindowRipple)
{
    const Signal y = RenderMono(0.0f, Signal(8192, 1.0f));
    float lo = 2.0f, hi = -2.0f;
    for (size_t i = 2 * kDelay; i < y.size(); ++i) {
        lo = std::min(lo, y[i]);
        hi = std::max(hi, y[i]);
        if (i + kPeriod < y.size()) {
            ASSERT_NEAR(y[i], y[i + kPeriod], 1e-6f) << "sample " << i;
        }
    }
    EXPECT_NEAR(lo, 0.852f, 0.003f);
    EXPECT_NEAR(hi, 1.0f, 0.001f);
    // Nothing comes out of the first frame: it reads only the initial silence.
    for (int i = 0; i < kPeriod; ++i) ASSERT_EQ(y[size_t(i)], 0.0f);
}

struct SineCase {
    float fStrength;
    float fAmplitude;
    float fExpected;
    float fTolerance;
};

class SineLevels : public ::testing::TestWithParam<SineCase> {};

// Loud partials pass, quiet ones are pushed down the harder the higher the strength.
TEST_P(SineLevels, OneKilohertzSineComesOutAtTheExpectedPeak)
{
    const SineCase& c = GetParam();
    const Signal y = RenderMono(c.fStrength, Sine(24000, c.fAmplitude, 1000.0));
    EXPECT_NEAR(PeakAfter(y, 4096), c.fExpected, c.fTolerance);
}

INSTANTIATE_TEST_SUITE_P(NoiseReduction, SineLevels,
                         ::testing::Values(SineCase{0.0f, 0.5f, 0.5f, 0.002f}, SineCase{0.0f, 0.01f, 0.01f, 0.00004f},
                                           SineCase{kSharpenerStrength, 0.5f, 0.46f, 0.01f},
                                           SineCase{kSharpenerStrength, 0.01f, 0.003f, 0.0001f},
                                           SineCase{1.0f, 0.5f, 0.37f, 0.005f},
                                           SineCase{1.0f, 0.01f, 0.0003f, 0.00003f}));

// The DC and Nyquist values share slot pair 0 and are shaped as one complex value: with
// both present they get the same gain, where shaping them apart would not (0.6 and 0.8
// give gains 1.20 and 1.51 at full strength).
TEST(NoiseReduction, DcAndNyquistAreShapedTogether)
{
    Signal x(8192);
    for (size_t i = 0; i < x.size(); ++i) x[i] = 0.3f + ((i & 1) ? -0.4f : 0.4f);
    const Signal y = RenderMono(1.0f, x);
    double dc = 0.0, nyquist = 0.0;
    const size_t from = 2 * kDelay, count = 8 * kPeriod;
    for (size_t i = from; i < from + count; ++i) {
        dc += y[i];
        nyquist += (i & 1) ? -y[i] : y[i];
    }
    const double dcGain = dc / double(count) / 0.3, nyquistGain = nyquist / double(count) / 0.4;
    EXPECT_NEAR(dcGain / nyquistGain, 1.0, 0.01);
    EXPECT_GT(dcGain, 1.4) << "a magnitude of 1 at q = 1.8 is raised";
}

// Frames are computed only when the output runs short, so how the stream is cut into
// blocks changes nothing, down to single samples and blocks shorter than a hop.
TEST(NoiseReduction, BlockPartitionDoesNotChangeTheOutput)
{
    const Signal left = Noise(6000, 11), right = Sine(6000, 0.3f, 440.0);
    CNoiseReduction reference;
    reference.SetParameter(0, kSharpenerStrength);
    Signal refLeft, refRight;
    Render(reference, left, right, 512, refLeft, refRight);
    for (uint32 dwBlock : {1u, 64u, 100u, 255u, 256u, 257u, 511u}) {
        CNoiseReduction filter;
        filter.SetParameter(0, kSharpenerStrength);
        Signal outLeft, outRight;
        Render(filter, left, right, dwBlock, outLeft, outRight);
        EXPECT_EQ(outLeft, refLeft) << "blocks of " << dwBlock;
        EXPECT_EQ(outRight, refRight) << "blocks of " << dwBlock;
    }
}

TEST(NoiseReduction, RefusesBlocksOverTheBlockSizeWithoutTouchingAnything)
{
    const Signal x = Noise(2048, 5);
    CNoiseReduction refused, plain;
    Signal in(600, 0.25f), out(600, 7.0f);
    float* ppIn[2] = {in.data(), in.data()};
    float* ppOut[2] = {out.data(), out.data()};
    EXPECT_EQ(refused.ProcessBlock(ppIn, ppOut, 600, false), 0);
    EXPECT_EQ(refused.ProcessBlock(ppIn, ppIn, 600, true), 0);
    EXPECT_EQ(out, Signal(600, 7.0f));
    EXPECT_EQ(in, Signal(600, 0.25f));
    // The refused block left no trace in the history.
    Signal a, b, unused;
    Render(refused, x, Signal(), 512, a, unused);
    Render(plain, x, Signal(), 512, b, unused);
    EXPECT_EQ(a, b);

    // Once the block size allows it, the block is processed as by a fresh filter.
    EXPECT_EQ(refused.SetBlockSize(1024), 1);
    EXPECT_EQ(refused.ProcessBlock(ppIn, ppOut, 600, false), 1);
    CNoiseReduction fresh;
    fresh.SetBlockSize(1024);
    Signal expected;
    Render(fresh, in, Signal(), 600, expected, unused);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(out[0], 0.0f) << "the delay starts with silence";
}

TEST(NoiseReduction, AddsInPlaceAndSkipsAbsentChannels)
{
    const Signal left = Noise(3000, 21), right = Noise(3000, 22);
    CNoiseReduction stereo;
    Signal refLeft, refRight;
    Render(stereo, left, right, 500, refLeft, refRight);

    // Mono: the right output is never written, the left equals the stereo run's.
    CNoiseReduction mono;
    Signal monoLeft, unused;
    Render(mono, left, Signal(), 500, monoLeft, unused);
    EXPECT_EQ(monoLeft, refLeft);

    // In place and adding onto what the buffers held.
    CNoiseReduction adding;
    Signal bufLeft = left, bufRight = right;
    for (size_t s = 0; s < left.size(); s += 500) {
        Signal heldLeft(bufLeft.begin() + long(s), bufLeft.begin() + long(s + 500));
        Signal heldRight(bufRight.begin() + long(s), bufRight.begin() + long(s + 500));
        float* pp[2] = {bufLeft.data() + s, bufRight.data() + s};
        ASSERT_EQ(adding.ProcessBlock(pp, pp, 500, true), 1);
        for (size_t i = 0; i < 500; ++i) {
            ASSERT_EQ(bufLeft[s + i], heldLeft[i] + refLeft[s + i]);
            ASSERT_EQ(bufRight[s + i], heldRight[i] + refRight[s + i]);
        }
    }

    float absent = 3.0f;
    float* ppIn[2] = {nullptr, &absent};
    float* ppOut[2] = {&absent, nullptr};
    EXPECT_EQ(stereo.ProcessBlock(ppIn, ppOut, 1, false), 1);
    EXPECT_EQ(absent, 3.0f);
}

// Both channel slots follow every block size, whatever channel count was announced.
TEST(NoiseReduction, ChannelCountNeverLeavesASlotUndersized)
{
    const Signal left = Noise(4096, 31), right = Noise(4096, 32);
    CNoiseReduction reference;
    reference.SetBlockSize(1024);
    Signal refLeft, refRight;
    Render(reference, left, right, 1024, refLeft, refRight);
    for (uint32 dwChannels : {0u, 1u, 3u, 64u}) {
        CNoiseReduction filter;
        filter.SetChannels(dwChannels);
        filter.SetBlockSize(1024);
        Signal outLeft, outRight;
        Render(filter, left, right, 1024, outLeft, outRight);
        EXPECT_EQ(outLeft, refLeft) << dwChannels << " channels";
        EXPECT_EQ(outRight, refRight) << dwChannels << " channels";
    }
}

TEST(NoiseReduction, ResetAndBlockSizeRestartTheHistory)
{
    const Signal first = Noise(3000, 41), second = Noise(3000, 42);
    Signal expected, unused, out;
    CNoiseReduction fresh;
    Render(fresh, second, Signal(), 512, expected, unused);

    CNoiseReduction filter;
    Render(filter, first, Signal(), 512, out, unused);
    EXPECT_EQ(filter.Reset(), 1);
    Render(filter, second, Signal(), 512, out, unused);
    EXPECT_EQ(out, expected);

    Render(filter, first, Signal(), 512, out, unused);
    filter.SetBlockSize(512);
    Render(filter, second, Signal(), 512, out, unused);
    EXPECT_EQ(out, expected);
}

TEST(NoiseReduction, StoresCapTheLongestBlock)
{
    CNoiseReduction filter;
    filter.SetBlockSize(0xFFFFFFFFu);
    const uint32 dwMax = CNoiseReduction::kMaxBlockSize;
    Signal in(dwMax + 1, 0.5f), out(dwMax + 1, 9.0f);
    float* ppIn[2] = {in.data(), in.data()};
    float* ppOut[2] = {out.data(), out.data()};
    EXPECT_EQ(filter.ProcessBlock(ppIn, ppOut, dwMax + 1, false), 0);
    EXPECT_EQ(out[0], 9.0f);
    EXPECT_EQ(filter.ProcessBlock(ppIn, ppOut, dwMax, false), 1);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[dwMax], 9.0f);
}

// Shapes that would give an empty transform or a zero hop (processing could then
// never advance) leave the filter refusing blocks until it is rebuilt.
TEST(NoiseReduction, UnusableFilterBankShapesRefuseBlocks)
{
    CNoiseReduction filter;
    Signal buffer(64, 0.5f);
    float* pp[2] = {buffer.data(), buffer.data()};
    const int32 shapes[][3] = {{0, 2, 2}, {40, 2, 2}, {9, 0, 2}, {9, 2, 0}, {3, 2, 16}, {-1, 2, 2}};
    for (const auto& shape : shapes) {
        filter.Init(shape[0], shape[1], shape[2], 2);
        EXPECT_EQ(filter.ProcessBlock(pp, pp, 64, false), 0) << shape[0] << " " << shape[1] << " " << shape[2];
    }
    filter.Init(9, 2, 2, 2);
    EXPECT_EQ(filter.ProcessBlock(pp, pp, 64, false), 1);
}

TEST(NoiseReduction, SteadyStateProcessingAllocatesNothing)
{
    CNoiseReduction filter;
    filter.SetParameter(0, kSharpenerStrength);
    const Signal x = Noise(512, 51);
    Signal left = x, right = x;
    float* pp[2] = {left.data(), right.data()};
    ASSERT_EQ(filter.ProcessBlock(pp, pp, 512, false), 1);
    qvtest::AllocationScope scope;
    for (int block = 0; block < 40; ++block) {
        left = x;
        right = x;
        ASSERT_EQ(filter.ProcessBlock(pp, pp, block % 3 == 0 ? 64u : 512u, block % 2 == 0), 1);
        filter.SetParameter(0, float(block % 10) / 10.0f);
    }
    filter.Reset();
    EXPECT_EQ(scope.Count(), 0u);
}

TEST(NoiseReduction, SurvivesWildParametersAndBlocks)
{
    CNoiseReduction prototype;
    for (unsigned seed : {1u, 2u, 3u}) qvtest::FuzzFilter(prototype, seed, 120);
}

} // namespace
