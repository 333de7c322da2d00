// The eleven effects of the catalogue, checked from one table: identity, installed
// filters and chains, controls, presets, the values the maps send, display texts, one
// audio check per effect showing what it is for, and real-time safety at 44.1 and 48 kHz.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "definition.h"
#include "effects.h"
#include "monofilter.h"
#include "support/alloc_counter.h"

namespace {

constexpr int32 kBiquad = QVFourCC('Q', 'V', 'b', 'q');
constexpr int32 kCompander = QVFourCC('Q', 'V', 'c', 'p');
constexpr int32 kNoiseReduction = QVFourCC('Q', 'V', 'n', 'r');
constexpr int32 kDelay = QVFourCC('Q', 'V', 'd', 'l');
constexpr int32 kClip = QVFourCC('Q', 'V', 'c', 'l');
constexpr int32 kMono = QVFourCC('Q', 'V', 'm', 'n');

// ---------------------------------------------------------------------------------------
// Running effects

struct EffectDeleter {
    void operator()(CFilterWrap* p) const { p->Delete(); }
};
using EffectPtr = std::unique_ptr<CFilterWrap, EffectDeleter>;

struct Signal {
    std::vector<float> ch[2];
    std::size_t Frames() const { return ch[0].size(); }
};

// A new effect as the Audio Unit defines it, at a sample rate and preset, started.
EffectPtr Make(const QVEffectInfo& info, uint32 dwRate = 48000, int32 lPreset = 0)
{
    EffectPtr effect(info.pCreate());
    EXPECT_NE(effect, nullptr);
    effect->SetSampleRate(dwRate);
    effect->SetBlockSize(512);
    effect->SetPreset(lPreset); // rate-dependent coefficients follow the preset change
    effect->Reset();
    return effect;
}

// Processes the signal in 512-frame blocks into separate output buffers.
Signal Process(CFilterWrap& effect, const Signal& in)
{
    Signal out;
    for (int c = 0; c < 2; ++c) out.ch[c].assign(in.Frames(), 0.0f);
    for (std::size_t i = 0; i < in.Frames(); i += 512) {
        const uint32 n = uint32(std::min<std::size_t>(512, in.Frames() - i));
        float* ppIn[2] = {const_cast<float*>(in.ch[0].data()) + i, const_cast<float*>(in.ch[1].data()) + i};
        float* ppOut[2] = {out.ch[0].data() + i, out.ch[1].data() + i};
        effect.ProcessBlock(ppIn, ppOut, n, false);
    }
    return out;
}

Signal Sine(double dFrequency, float fAmplitude, std::size_t frames = 24000, uint32 dwRate = 48000)
{
    Signal s;
    for (int c = 0; c < 2; ++c) {
        s.ch[c].resize(frames);
        for (std::size_t i = 0; i < frames; ++i)
            s.ch[c][i] = fAmplitude * float(std::sin(2.0 * M_PI * dFrequency * double(i) / dwRate));
    }
    return s;
}

Signal Noise(std::size_t frames, unsigned seed, bool bMono = false)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    Signal s;
    for (int c = 0; c < 2; ++c) {
        s.ch[c].resize(frames);
        for (float& x : s.ch[c]) x = sample(rng);
    }
    if (bMono) s.ch[1] = s.ch[0];
    return s;
}

double Rms(const std::vector<float>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}

using Settings = std::vector<std::pair<int32, float>>; // control, value

// Level change of a sine through the effect at a preset (with optional control changes),
// in dB, measured on the left channel over the settled second half.
double GainDb(const QVEffectInfo& info, int32 lPreset, double dFrequency, float fAmplitude, const Settings& settings = {})
{
    EffectPtr effect = Make(info, 48000, lPreset);
    for (const auto& setting : settings) effect->SetParameter(setting.first, setting.second);
    const Signal in = Sine(dFrequency, fAmplitude);
    const Signal out = Process(*effect, in);
    const std::size_t half = in.Frames() / 2;
    return 20.0 * std::log10(Rms(out.ch[0], half, in.Frames()) / Rms(in.ch[0], half, in.Frames()));
}

double Correlation(const std::vector<float>& a, const std::vector<float>& b, std::size_t from)
{
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = from; i < a.size(); ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return ab / std::sqrt(aa * bb);
}

// ---------------------------------------------------------------------------------------
// One audio check per effect

void CompactorSqueezesLoudSine(const QVEffectInfo& info)
{
    const double dLoud = GainDb(info, 0, 1000.0, 0.9f);
    const double dQuiet = GainDb(info, 0, 1000.0, 0.01f);
    EXPECT_LT(dLoud, -2.0) << "a loud sine comes out quieter";
    EXPECT_LT(dLoud, dQuiet - 6.0) << "loud material is turned down more than quiet material";
}

void ExpanderLowersQuietSignal(const QVEffectInfo& info)
{
    const double dQuiet = GainDb(info, 0, 1000.0, 0.01f);
    const double dLoud = GainDb(info, 0, 1000.0, 0.9f);
    EXPECT_LT(dQuiet, -10.0) << "a quiet sine is pushed further down";
    EXPECT_LT(dQuiet, dLoud - 12.0);
}

void BassBoostRaisesLows(const QVEffectInfo& info)
{
    const double dLow = GainDb(info, 0, 60.0, 0.0316f);
    const double dHigh = GainDb(info, 0, 5000.0, 0.0316f);
    EXPECT_GT(dLow, 6.0);
    EXPECT_GT(dLow, dHigh + 6.0) << "the low sine is raised more than the high one";
}

void CrisperRaisesHighs(const QVEffectInfo& info)
{
    const double dLow = GainDb(info, 0, 100.0, 0.0316f);
    const double dHigh = GainDb(info, 0, 10000.0, 0.0316f);
    EXPECT_GT(dHigh, 6.0);
    EXPECT_GT(dHigh, dLow + 6.0) << "the high sine is raised more than the low one";
}

// "Compress Highs": a loud high tone is held down, the low band keeps its dynamics.
void DualCompressorCompressesHighBand(const QVEffectInfo& info)
{
    const double dHighLoud = GainDb(info, 0, 5000.0, 0.5f);
    const double dHighQuiet = GainDb(info, 0, 5000.0, 0.005f);
    const double dLowLoud = GainDb(info, 0, 100.0, 0.5f);
    const double dLowQuiet = GainDb(info, 0, 100.0, 0.005f);
    EXPECT_LT(dHighLoud, dHighQuiet - 12.0);
    EXPECT_NEAR(dLowLoud, dLowQuiet, 2.0);
}

// "ExpandHighs": a quiet high tone vanishes, a loud one passes.
void DualExpanderExpandsHighBand(const QVEffectInfo& info)
{
    const double dQuiet = GainDb(info, 0, 5000.0, 0.01f);
    const double dLoud = GainDb(info, 0, 5000.0, 0.5f);
    EXPECT_LT(dQuiet, dLoud - 12.0);
    EXPECT_LT(dQuiet, -10.0);
}

// Notch and band-pass sum to the input while the compander is transparent; with its
// control up, the band alone is treated.
void ToneEffectIsTransparentAtZero(const QVEffectInfo& info, int32 lAmountControl)
{
    for (int32 lPreset = 0; lPreset < info.lPresetCount; ++lPreset) {
        EffectPtr effect = Make(info, 48000, lPreset);
        effect->SetParameter(lAmountControl, 0.0f);
        const Signal in = Noise(8192, 7);
        const Signal out = Process(*effect, in);
        for (int c = 0; c < 2; ++c)
            for (std::size_t i = 0; i < in.Frames(); ++i)
                ASSERT_NEAR(out.ch[c][i], in.ch[c][i], 1e-4) << "preset " << lPreset << " frame " << i;
    }
}

void ToneCompressorCompressesBand(const QVEffectInfo& info)
{
    ToneEffectIsTransparentAtZero(info, 2);
    const double dLoud = GainDb(info, 0, 243.0, 0.5f);
    const double dQuiet = GainDb(info, 0, 243.0, 0.01f);
    EXPECT_LT(dLoud, dQuiet - 12.0) << "a loud tone in the band is held down";
}

void ToneExpanderExpandsBand(const QVEffectInfo& info)
{
    ToneEffectIsTransparentAtZero(info, 2);
    // "Hiss Reduction": quiet material around 7 kHz is pushed down, loud material passes.
    const double dQuiet = GainDb(info, 0, 7000.0, 0.003f);
    const double dLoud = GainDb(info, 0, 7000.0, 0.5f);
    EXPECT_LT(dQuiet, dLoud - 12.0);
}

// Sum of both channels, to the left with weight sqrt(1 - pan) and to the right sqrt(pan).
void MonofierPansTheSum(const QVEffectInfo& info)
{
    const float kPan[] = {0.5f, 0.0f, 1.0f}; // "Center", "Left", "Right"
    for (int32 lPreset = 0; lPreset < 3; ++lPreset) {
        EffectPtr effect = Make(info, 48000, lPreset);
        const Signal in = Noise(2048, 3);
        const Signal out = Process(*effect, in);
        const float fWeight[2] = {std::sqrt(1.0f - kPan[lPreset]), std::sqrt(kPan[lPreset])};
        for (std::size_t i = 0; i < in.Frames(); ++i)
            for (int c = 0; c < 2; ++c)
                ASSERT_NEAR(out.ch[c][i], (in.ch[0][i] + in.ch[1][i]) * fWeight[c], 1e-5)
                    << "preset " << lPreset << " channel " << c << " frame " << i;
    }
}

// A mono signal carried on both channels comes out decorrelated; with "Expansion" at 0
// both channels stay alike.
void StereoizerWidensMono(const QVEffectInfo& info)
{
    const Signal in = Noise(24000, 11, true);
    EffectPtr wide = Make(info);
    const Signal outWide = Process(*wide, in);
    EXPECT_LT(std::fabs(Correlation(outWide.ch[0], outWide.ch[1], 4800)), 0.5);

    EffectPtr narrow = Make(info);
    narrow->SetParameter(0, 0.0f);
    const Signal outNarrow = Process(*narrow, in);
    EXPECT_GT(Correlation(outNarrow.ch[0], outNarrow.ch[1], 4800), 0.99);
}

// The lower chain runs through the noise reduction, which delays it by 1024 samples: a
// low-frequency burst reaches the output 1024 samples after it entered.
void SharpenerDelaysLowsBy1024(const QVEffectInfo& info)
{
    EffectPtr effect = Make(info);
    effect->SetParameter(3, 0.0f); // linear noise reduction
    const std::size_t kStart = 4096;
    Signal in;
    for (int c = 0; c < 2; ++c) {
        in.ch[c].assign(kStart + 4096, 0.0f);
        for (std::size_t i = kStart; i < in.Frames(); ++i)
            in.ch[c][i] = 0.5f * float(std::sin(2.0 * M_PI * 200.0 * double(i - kStart) / 48000.0));
    }
    const Signal out = Process(*effect, in);
    const double dBefore = Rms(out.ch[0], kStart, kStart + 1024);
    const double dAfter = Rms(out.ch[0], kStart + 1024, kStart + 2048);
    EXPECT_GT(dAfter, 0.2);
    EXPECT_LT(dBefore, 0.05 * dAfter) << "the lows come out 1024 samples late";
    // The onset itself: silence-like in the 64 samples before +1024, full level after.
    EXPECT_GT(Rms(out.ch[0], kStart + 1024, kStart + 1088), 10.0 * Rms(out.ch[0], kStart + 960, kStart + 1024));
}

// ---------------------------------------------------------------------------------------
// The table

struct FilterCase {
    int32 lCode;
    int32 lChain;
};
struct ControlCase {
    const char* pName;
    const char* pLabel;
    float fInitial;
};
struct PresetCase {
    const char* pName;
    std::vector<float> values;
};
// The value a filter parameter receives with every control at 0 and at 1. Fixed
// parameters (control -1) receive the same at both.
struct SentCase {
    int32 lControl;
    int32 lFilter;
    int32 lParam;
    float fAt0;
    float fAt1;
};
struct DisplayCase {
    int32 lControl;
    float fValue;
    const char* pText;
};

struct EffectCase {
    const char* pName;
    int32 lCode;
    const char* pClassName;
    const char* pVSTName;
    const char* pUnitEntry;
    bool bUnitOnlyStereo;
    int32 lMaps;
    std::vector<FilterCase> filters;
    std::vector<ControlCase> controls;
    std::vector<PresetCase> presets;
    std::vector<SentCase> sent;
    std::vector<DisplayCase> displays;
    void (*pAudioCheck)(const QVEffectInfo&);
};

void PrintTo(const EffectCase& c, std::ostream* os) { *os << c.pName; }

const EffectCase kCases[] = {
    {"Tessary Bass Boost", QVFourCC('q', 'v', 'b', 'b'), "CBassBoost", "TessaryBassBoost", "BassBoostUnitEntry", false,
     14, {{kBiquad, 0}, {kCompander, 0}},
     {{"Frequency", "Hz", 0.3f}, {"Strength", "dB", 0.225f}},
     {{"More Bass", {0.3f, 0.225f}}, {"Reduce Highs", {0.82f, 0.405f}}, {"Muffle", {0.41f, 0.77f}},
      {"Low Low Low", {0.201f, 0.903f}}},
     {{0, 0, 1, 0.205f, 0.92f}, {1, 0, 3, 0.505f, 1.0f}, {1, 1, 0, 0.505f, 0.095f}, {-1, 0, 0, 0.84f, 0.84f},
      {-1, 1, 1, 1.0f, 1.0f}, {-1, 1, 9, 0.0f, 0.0f}},
     {{1, 0.225f, "9.3"}, {0, 0.3f, "261"}},
     BassBoostRaisesLows},
    {"Tessary Compactor", QVFourCC('q', 'v', 'c', 'p'), "CCompacter", "TessaryCompacter", "CompactorUnitEntry", false,
     10, {{kCompander, 0}},
     {{"Compression", "", 1.0f}},
     {{"Moderate", {0.635f}}, {"Intense", {1.0f}}, {"Slight", {0.185f}}},
     // Map 0 names a control that does not exist and is never sent: Pre Gain stays as installed.
     {{0, 0, 1, 0.0f, 0.995f}, {0, 0, 2, 0.965f, 0.735f}, {0, 0, 8, 0.51f, 0.372f}, {-1, 0, 0, 0.505f, 0.505f},
      {-1, 0, 7, 0.455f, 0.455f}, {-1, 0, 9, 0.0f, 0.0f}},
     {{0, 1.0f, "196.10:1"}},
     CompactorSqueezesLoudSine},
    {"Tessary Crisper", QVFourCC('q', 'v', 'c', 'r'), "CCrisp", "TessaryCrisper", "CrisperUnitEntry", false,
     14, {{kBiquad, 0}, {kCompander, 0}},
     {{"Frequency", "Hz", 0.67f}, {"Strength", "dB", 0.305f}},
     {{"Crispety", {0.67f, 0.305f}}, {"Chrunchety", {0.575f, 0.515f}}, {"Chrunched", {0.36f, 0.635f}}},
     // "Strength" reaches only the shelf's gain; the compander's Pre Gain stays 0.505.
     {{0, 0, 1, 0.3f, 0.92f}, {1, 0, 3, 0.505f, 1.0f}, {-1, 0, 0, 0.94f, 0.94f}, {-1, 1, 0, 0.505f, 0.505f},
      {-1, 1, 9, 0.0f, 0.0f}},
     {{1, 0.305f, "12.5"}, {0, 0.67f, "2619"}},
     CrisperRaisesHighs},
    {"Tessary Dual Compressor", QVFourCC('q', 'v', 'd', 'c'), "CDualCompressor", "TessaryDualCompressor",
     "DualCompressorUnitEntry", false,
     28, {{kBiquad, 0}, {kBiquad, 1}, {kCompander, 0}, {kCompander, 1}},
     {{"Frequency", "Hz", 0.537f}, {"Compress Low", "", 0.0f}, {"Compress High", "", 1.0f},
      {"Low Level", "dB", 0.791f}, {"High Level", "dB", 0.403f}},
     {{"Compress Highs", {0.537f, 0.0f, 1.0f, 0.791f, 0.403f}},
      {"Heavy Compression", {0.0f, 1.0f, 1.0f, 0.366f, 0.366f}},
      {"Compress Lows", {0.418f, 1.0f, 0.0f, 0.291f, 0.769f}}},
     // "Low Level" (map 25) wins over the fixed map 26 for the same Post Gain, sent first.
     {{0, 0, 1, 0.0f, 1.0f}, {0, 1, 1, 0.0f, 1.0f}, {2, 2, 1, 0.0f, 0.956f}, {2, 2, 2, 1.0f, 0.679f},
      {4, 2, 8, 0.0f, 0.628f}, {1, 3, 1, 0.0f, 0.956f}, {1, 3, 2, 1.0f, 0.672f}, {3, 3, 8, 0.0f, 0.628f},
      {-1, 0, 0, 0.168f, 0.168f}, {-1, 1, 0, 0.0f, 0.0f}, {-1, 3, 0, 0.5f, 0.5f}, {-1, 3, 9, 0.0f, 0.0f}},
     {{4, 0.403f, "-11.9"}, {2, 1.0f, "22.68:1"}, {0, 0.537f, "653"}},
     DualCompressorCompressesHighBand},
    {"Tessary Dual Expander", QVFourCC('q', 'v', 'd', 'e'), "CDualExpand", "TessaryDualExpander",
     "DualExpanderUnitEntry", false,
     28, {{kBiquad, 0}, {kBiquad, 1}, {kCompander, 0}, {kCompander, 1}},
     {{"Frequency", "Hz", 0.351f}, {"Expand Low", "", 1.0f}, {"Expand High", "", 1.0f}, {"Low Level", "dB", 0.709f},
      {"High Level", "dB", 0.806f}},
     {{"ExpandHighs", {0.388f, 0.0f, 0.866f, 0.0f, 0.955f}},
      {"Explosive", {0.351f, 1.0f, 1.0f, 0.709f, 0.806f}},
      {"Expand Lows", {0.41f, 1.0f, 0.0f, 0.791f, 0.0f}}},
     {{0, 0, 1, 0.0f, 0.949f}, {0, 1, 1, 0.058f, 1.0f}, {4, 2, 0, 0.5018f, 0.739f}, {2, 2, 3, 0.0f, 0.891f},
      {2, 2, 4, 0.854f, 0.971f}, {3, 3, 0, 0.482f, 0.745f}, {1, 3, 3, 0.0f, 0.891f}, {1, 3, 4, 0.854f, 0.971f},
      {-1, 2, 1, 0.825f, 0.825f}, {-1, 2, 8, 0.496f, 0.496f}, {-1, 3, 8, 0.423f, 0.423f}, {-1, 3, 9, 0.0f, 0.0f}},
     {{0, 0.351f, "205"}},
     DualExpanderExpandsHighBand},
    {"Tessary Expander", QVFourCC('q', 'v', 'e', 'x'), "CExpand", "TessaryExpander", "ExpanderUnitEntry", false,
     10, {{kCompander, 0}},
     {{"Expansion", "", 0.545f}, {"Gain", "dB", 0.284f}},
     {{"Moderate", {0.545f, 0.284f}}, {"Explosive", {1.0f, 0.285f}}, {"Subtle", {0.201f, 0.03f}}},
     {{0, 0, 0, 0.465f, 0.555f}, {0, 0, 3, 0.0f, 0.82f}, {0, 0, 6, 0.095f, 0.265f}, {1, 0, 8, 0.5f, 1.0f},
      {-1, 0, 1, 0.0f, 0.0f}, {-1, 0, 4, 0.985f, 0.985f}, {-1, 0, 9, 0.0f, 0.0f}},
     {{0, 0.545f, "1:1.81"}, {1, 0.284f, "6.8"}},
     ExpanderLowersQuietSignal},
    {"Tessary Monofier", QVFourCC('q', 'v', 'm', 'f'), "CMonofier", "TessaryMonoizer", "MonofierUnitEntry", false,
     1, {{kMono, 0}},
     {{"Pan", "", 0.5f}},
     {{"Center", {0.5f}}, {"Left", {0.0f}}, {"Right", {1.0f}}},
     {{0, 0, 0, 0.0f, 1.0f}},
     {{0, 0.5f, "0"}, {0, 0.0f, "-90"}, {0, 1.0f, "90"}},
     MonofierPansTheSum},
    {"Tessary Sharpener", QVFourCC('q', 'v', 's', 'h'), "CSharpener", "TessarySharpener", "SharpenerUnitEntry", false,
     21, {{kNoiseReduction, 0}, {kBiquad, 0}, {kBiquad, 1}, {kCompander, 1}, {kClip, 1}},
     {{"Range", "Hz", 0.746f}, {"Sharpness", "", 0.515f}, {"Compression", "", 0.649f},
      {"Noise Reduction", "", 0.537f}},
     {{"Enhance Highs", {0.746f, 0.515f, 0.649f, 0.537f}},
      {"Distortion", {0.0f, 1.0f, 0.843f, 0.993f}},
      {"Add Clarity", {0.672f, 0.567f, 0.0f, 0.679f}}},
     // "Sharpness" (map 19) wins over the fixed map 20 for the clipper's Level.
     {{3, 0, 0, 0.0f, 0.672f}, {0, 1, 1, 0.515f, 0.888f}, {0, 2, 1, 0.515f, 0.888f}, {2, 3, 1, 0.0f, 0.788f},
      {2, 3, 2, 1.0f, 0.672f}, {2, 3, 8, 0.504f, 0.277f}, {1, 4, 0, 0.0f, 0.3491f}, {1, 4, 1, 1.0f, 0.358f},
      {-1, 1, 0, 0.0f, 0.0f}, {-1, 2, 0, 0.175f, 0.175f}, {-1, 3, 9, 0.0f, 0.0f}},
     {{0, 0.746f, "4801"}, {1, 0.515f, "51"}, {2, 0.649f, "2.05:1"}, {3, 0.537f, "53"}},
     SharpenerDelaysLowsBy1024},
    {"Tessary Stereoizer", QVFourCC('q', 'v', 's', 't'), "CStereo", "TessaryStereoExpander", "StereoizerUnitEntry",
     true,
     14, {{kBiquad, 0}, {kBiquad, 1}, {kDelay, 0}, {kDelay, 1}},
     {{"Expansion", "", 1.0f}},
     {{"Stereo", {1.0f}}, {"Subtle", {0.261f}}},
     {{0, 2, 0, 0.022f, 0.197f}, {0, 2, 2, 0.0f, 1.0f}, {0, 3, 1, 0.029f, 0.204f}, {0, 3, 2, 0.0f, 1.0f},
      {-1, 0, 1, 0.56f, 0.56f}, {-1, 1, 1, 0.599f, 0.599f}, {-1, 2, 1, 0.0f, 0.0f}, {-1, 3, 0, 0.0f, 0.0f}},
     {{0, 1.0f, "100"}, {0, 0.261f, "26"}},
     StereoizerWidensMono},
    {"Tessary Tone Compressor", QVFourCC('q', 'v', 't', 'c'), "CToneCompressor", "TessaryToneCompressor",
     "ToneCompressorUnitEntry", false,
     18, {{kBiquad, 0}, {kBiquad, 1}, {kCompander, 1}},
     {{"Frequency", "Hz", 0.41f}, {"Width", "", 1.0f}, {"Compression", "", 1.0f}, {"Threshold", "dB", 1.0f}},
     {{"Compress Mids", {0.41f, 1.0f, 1.0f, 1.0f}},
      {"Compress Highs", {0.948f, 0.761f, 0.925f, 1.0f}},
      {"Compress Lows", {0.306f, 0.731f, 0.933f, 0.687f}}},
     {{0, 0, 1, 0.0f, 1.0f}, {0, 1, 1, 0.0f, 1.0f}, {1, 0, 2, 1.0f, 0.0f}, {1, 1, 2, 1.0f, 0.0f},
      {2, 2, 1, 0.0f, 1.0f}, {3, 2, 0, 0.562f, 1.0f}, {3, 2, 8, 0.438f, 0.0f}, {-1, 0, 0, 0.482f, 0.482f},
      {-1, 1, 0, 0.343f, 0.343f}, {-1, 2, 2, 1.0f, 1.0f}, {-1, 2, 9, 0.0f, 0.0f}},
     {{3, 1.0f, "-24.0"}, {0, 0.41f, "243"}},
     ToneCompressorCompressesBand},
    {"Tessary Tone Expander", QVFourCC('q', 'v', 't', 'x'), "CToneExpander", "TessaryToneExpander",
     "ToneExpanderUnitEntry", false,
     18, {{kBiquad, 0}, {kBiquad, 1}, {kCompander, 1}},
     {{"Frequency", "Hz", 0.187f}, {"Width", "", 0.873f}, {"Expansion", "", 0.94f}, {"Threshold", "dB", 0.306f}},
     {{"Hiss Reduction", {0.843f, 0.903f, 0.94f, 0.276f}},
      {"Dynamic Bass", {0.187f, 0.873f, 0.94f, 0.306f}},
      {"Voice Auto Mute", {0.5f, 0.933f, 0.948f, 0.351f}}},
     {{0, 0, 1, 0.0f, 1.0f}, {0, 1, 1, 0.0f, 1.0f}, {1, 0, 2, 1.0f, 0.0f}, {1, 1, 2, 1.0f, 0.0f},
      {2, 2, 3, 0.0f, 1.0f}, {2, 2, 4, 0.803f, 1.0f}, {3, 2, 0, 1.0f, 0.438f}, {3, 2, 8, 0.0f, 0.562f},
      {-1, 2, 1, 0.0f, 0.0f}, {-1, 2, 7, 0.956f, 0.956f}, {-1, 2, 9, 0.0f, 0.0f}},
     {{3, 0.306f, "-15.7"}, {1, 0.873f, "87"}, {0, 0.187f, "42"}},
     ToneExpanderExpandsBand},
};

class Effects : public ::testing::TestWithParam<EffectCase> {
protected:
    const EffectCase& Case() const { return GetParam(); }
    const QVEffectInfo& Info() const
    {
        const QVEffectInfo* pInfo = QVFindEffect(Case().lCode);
        EXPECT_NE(pInfo, nullptr);
        return pInfo ? *pInfo : *QVCatalogue();
    }
};

std::string Text(void (CFilterWrap::*get)(int32, char*), CFilterWrap& effect, int32 lIndex)
{
    char szText[256] = "";
    (effect.*get)(lIndex, szText);
    return szText;
}

TEST_P(Effects, RegistryEntry)
{
    const QVEffectInfo& info = Info();
    EXPECT_STREQ(info.pName, Case().pName);
    EXPECT_STREQ(info.pShortName, Case().pName + std::strlen("Tessary "));
    EXPECT_STREQ(info.pClassName, Case().pClassName);
    EXPECT_STREQ(info.pVSTName, Case().pVSTName);
    EXPECT_STREQ(info.pUnitEntry, Case().pUnitEntry);
    EXPECT_EQ(info.lControlCount, int32(Case().controls.size()));
    EXPECT_EQ(info.lPresetCount, int32(Case().presets.size()));
}

TEST_P(Effects, IdentityFiltersAndChains)
{
    EffectPtr effect(Info().pCreate());
    ASSERT_NE(effect, nullptr);
    char szName[64] = "";
    effect->GetEffectName(szName);
    EXPECT_STREQ(szName, Case().pName);
    EXPECT_EQ(effect->GetUniqueID(), Case().lCode);
    EXPECT_EQ(effect->IsOnlyStereo(), Case().bUnitOnlyStereo);
    EXPECT_EQ(effect->GetMapCount(), Case().lMaps);
    ASSERT_EQ(effect->GetFilterCount(), int32(Case().filters.size()));
    for (int32 k = 0; k < effect->GetFilterCount(); ++k) {
        EXPECT_EQ(effect->GetFilterNode(k)->m_pFilter->GetUniqueID(), Case().filters[k].lCode) << "filter " << k;
        EXPECT_EQ(effect->GetFilterNode(k)->m_lChannel, Case().filters[k].lChain) << "filter " << k;
    }
}

TEST_P(Effects, ControlsAndPresets)
{
    EffectPtr effect(Info().pCreate());
    ASSERT_NE(effect, nullptr);
    const auto& controls = Case().controls;
    ASSERT_EQ(effect->GetParameterCount(), int32(controls.size()));
    for (int32 c = 0; c < int32(controls.size()); ++c) {
        EXPECT_EQ(Text(&CFilterWrap::GetParameterName, *effect, c), controls[c].pName);
        EXPECT_EQ(Text(&CFilterWrap::GetParameterLabel, *effect, c), controls[c].pLabel);
        const CControlParam* pControl = effect->GetControlParam(c);
        EXPECT_EQ(pControl->m_fDefault, controls[c].fInitial) << controls[c].pName;
        // A driven map records the control that drives it.
        for (int32 j = 0; j < pControl->m_lMapCount; ++j)
            EXPECT_EQ(effect->GetParamMap(pControl->m_lMaps[j])->m_lControl, c) << controls[c].pName << " map " << j;
    }
    const auto& presets = Case().presets;
    ASSERT_EQ(effect->GetPresetCount(), int32(presets.size()));
    for (int32 p = 0; p < int32(presets.size()); ++p) {
        char szName[64] = "";
        ASSERT_TRUE(effect->GetPresetNameIndexed(p, szName));
        EXPECT_STREQ(szName, presets[p].pName);
        for (int32 c = 0; c < int32(controls.size()); ++c)
            EXPECT_EQ(effect->GetPresetParameterIndexed(p, c), presets[p].values[c]) << presets[p].pName << " " << c;
        effect->SetPreset(p);
        for (int32 c = 0; c < int32(controls.size()); ++c) EXPECT_EQ(effect->GetParameter(c), presets[p].values[c]);
    }
}

// The filters are installed holding the sound of the initial control values: applying
// those values through the maps changes no filter parameter (to the four decimals that
// the definitions are written with).
TEST_P(Effects, InstalledValuesAreTheInitialSound)
{
    EffectPtr effect(Info().pCreate());
    ASSERT_NE(effect, nullptr);
    std::vector<std::vector<float>> installed;
    for (int32 k = 0; k < effect->GetFilterCount(); ++k) {
        CFilter* pFilter = effect->GetFilterNode(k)->m_pFilter;
        installed.emplace_back();
        for (int32 p = 0; p < pFilter->GetParameterCount(); ++p) installed.back().push_back(pFilter->GetParameter(p));
    }
    for (int32 c = 0; c < int32(Case().controls.size()); ++c) effect->SetParameter(c, Case().controls[c].fInitial);
    for (int32 k = 0; k < effect->GetFilterCount(); ++k)
        for (int32 p = 0; p < int32(installed[k].size()); ++p)
            EXPECT_NEAR(effect->GetFilterNode(k)->m_pFilter->GetParameter(p), installed[k][p], 1e-4)
                << "filter " << k << " parameter " << p;
}

TEST_P(Effects, MapsSendTheirRangeEnds)
{
    EffectPtr effect(Info().pCreate());
    ASSERT_NE(effect, nullptr);
    for (const float v : {0.0f, 1.0f}) {
        for (int32 c = 0; c < int32(Case().controls.size()); ++c) effect->SetParameter(c, v);
        for (const SentCase& sent : Case().sent) {
            const float fExpected = v == 0.0f ? sent.fAt0 : sent.fAt1;
            EXPECT_FLOAT_EQ(effect->GetFilterNode(sent.lFilter)->m_pFilter->GetParameter(sent.lParam), fExpected)
                << "controls at " << v << ": control " << sent.lControl << " filter " << sent.lFilter
                << " parameter " << sent.lParam;
        }
    }
}

// A driven parameter follows its control linearly between the range ends, whatever the
// fixed maps sent before it.
TEST_P(Effects, DrivenParametersFollowTheirControl)
{
    EffectPtr effect(Info().pCreate());
    ASSERT_NE(effect, nullptr);
    for (const SentCase& sent : Case().sent) {
        if (sent.lControl < 0) continue;
        effect->SetParameter(sent.lControl, 0.25f);
        EXPECT_NEAR(effect->GetFilterNode(sent.lFilter)->m_pFilter->GetParameter(sent.lParam),
                    sent.fAt0 + (sent.fAt1 - sent.fAt0) * 0.25f, 1e-6)
            << "control " << sent.lControl << " filter " << sent.lFilter << " parameter " << sent.lParam;
    }
}

TEST_P(Effects, DisplayTexts)
{
    EffectPtr effect(Info().pCreate());
    ASSERT_NE(effect, nullptr);
    for (const DisplayCase& display : Case().displays) {
        effect->SetParameter(display.lControl, display.fValue);
        EXPECT_EQ(Text(&CFilterWrap::GetParameterDisplay, *effect, display.lControl), display.pText)
            << Case().controls[display.lControl].pName << " at " << display.fValue;
    }
}

// The VST form is the same definition, only without the only-stereo flag.
TEST_P(Effects, VSTFormDiffersOnlyInOnlyStereoFlag)
{
    EffectPtr unit(Info().pCreateFor(QV_AUDIO_UNIT));
    EffectPtr vst(Info().pCreateFor(QV_VST));
    ASSERT_NE(unit, nullptr);
    ASSERT_NE(vst, nullptr);
    EXPECT_EQ(unit->IsOnlyStereo(), Case().bUnitOnlyStereo);
    EXPECT_FALSE(vst->IsOnlyStereo());
    EXPECT_EQ(vst->GetUniqueID(), unit->GetUniqueID());
    ASSERT_EQ(vst->GetMapCount(), unit->GetMapCount());
    for (int32 m = 0; m < unit->GetMapCount(); ++m)
        EXPECT_EQ(0, std::memcmp(vst->GetParamMap(m), unit->GetParamMap(m), sizeof(CParamMap))) << "map " << m;
    ASSERT_EQ(vst->GetParameterCount(), unit->GetParameterCount());
    for (int32 c = 0; c < unit->GetParameterCount(); ++c)
        EXPECT_EQ(0, std::memcmp(vst->GetControlParam(c), unit->GetControlParam(c), sizeof(CControlParam)));
    ASSERT_EQ(vst->GetPresetCount(), unit->GetPresetCount());
    for (int32 p = 0; p < unit->GetPresetCount(); ++p)
        for (int32 c = 0; c < unit->GetParameterCount(); ++c)
            EXPECT_EQ(vst->GetPresetParameterIndexed(p, c), unit->GetPresetParameterIndexed(p, c));
}

TEST_P(Effects, DoesWhatItIsFor) { Case().pAudioCheck(Info()); }

// Random audio after every preset at both common rates: finite output, and nothing
// allocated once the first block at the block size has run.
TEST_P(Effects, FiniteAndAllocationFreeAfterEveryPreset)
{
    for (const uint32 dwRate : {44100u, 48000u}) {
        EffectPtr effect = Make(Info(), dwRate, 0);
        const Signal in = Noise(512 * 6, dwRate);
        Signal out;
        for (int c = 0; c < 2; ++c) out.ch[c].assign(512, 0.0f);
        for (int32 p = 0; p < effect->GetPresetCount(); ++p) {
            effect->SetPreset(p);
            std::size_t allocations = 0;
            for (std::size_t block = 0; block * 512 < in.Frames(); ++block) {
                float* ppIn[2] = {const_cast<float*>(in.ch[0].data()) + block * 512,
                                  const_cast<float*>(in.ch[1].data()) + block * 512};
                float* ppOut[2] = {out.ch[0].data(), out.ch[1].data()};
                qvtest::AllocationScope scope;
                effect->ProcessBlock(ppIn, ppOut, 512, false);
                if (block > 0) allocations += scope.Count();
                for (int c = 0; c < 2; ++c)
                    for (float x : out.ch[c]) ASSERT_TRUE(std::isfinite(x)) << dwRate << " Hz, preset " << p;
            }
            EXPECT_EQ(allocations, 0u) << dwRate << " Hz, preset " << p;
        }
    }
}

// What a careless host may send: wild control values, odd block lengths, missing
// channels, in-place buffers. Nothing may crash, and after a preset the output is sound.
TEST_P(Effects, SurvivesHostAbuse)
{
    EffectPtr effect = Make(Info());
    std::mt19937 rng(Case().lCode);
    const float kWild[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, -1.0f, 2.0f, 0.0f, 1.0f};
    std::vector<float> buffer[2] = {std::vector<float>(2048), std::vector<float>(2048)};
    std::vector<float> out[2] = {std::vector<float>(2048), std::vector<float>(2048)};
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (int round = 0; round < 40; ++round) {
        for (int32 c = -1; c <= effect->GetParameterCount(); ++c) {
            effect->SetParameter(c, kWild[rng() % (sizeof(kWild) / sizeof(kWild[0]))]);
            Text(&CFilterWrap::GetParameterDisplay, *effect, c);
        }
        const uint32 dwFrames = rng() % 2049;
        for (auto& channel : buffer)
            for (float& x : channel) x = sample(rng);
        float* ppIn[2] = {buffer[0].data(), round % 4 == 1 ? nullptr : buffer[1].data()};
        float* ppOut[2] = {out[0].data(), out[1].data()};
        effect->ProcessBlock(ppIn, round % 3 == 0 ? ppIn : ppOut, dwFrames, round % 5 == 0);
    }
    effect->SetPreset(0);
    effect->Reset();
    const Signal in = Noise(4096, 5);
    const Signal result = Process(*effect, in);
    for (int c = 0; c < 2; ++c)
        for (float x : result.ch[c]) ASSERT_TRUE(std::isfinite(x));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Effects, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EffectCase>& info) {
                             std::string name = info.param.pClassName;
                             return name.substr(1);
                         });

TEST(Catalogue, ElevenEffectsInAlphabeticalOrder)
{
    ASSERT_EQ(QVCatalogueCount(), int(sizeof(kCases) / sizeof(kCases[0])));
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        EXPECT_STREQ(QVCatalogue()[i].pName, kCases[i].pName);
        EXPECT_EQ(QVFindEffect(QVCatalogue()[i].lCode), &QVCatalogue()[i]);
    }
    EXPECT_EQ(QVFindEffect(QVFourCC('q', 'v', 'z', 'z')), nullptr);
}

// The Compactor's map 0 names control 1, which does not exist: it is neither fixed nor
// listed by a control, so it is never sent (the Pre Gain it names stays as installed).
TEST(Catalogue, CompactorMapZeroNamesAMissingControl)
{
    CCompacter compactor;
    const CParamMap* pMap = compactor.GetParamMap(0);
    EXPECT_EQ(pMap->m_lControl, 1);
    EXPECT_EQ(pMap->m_fMin, 0.505f);
    EXPECT_EQ(pMap->m_fMax, 1.0f);
    EXPECT_EQ(pMap->m_fValue, 0.505f);
}

CFilter* NoMemory() { return nullptr; }

// A filter that cannot be had stops the building before any control could name a map
// that was never created; the effect says it is incomplete and the registry hands out
// none.
TEST(Catalogue, BuildingStopsWhenMemoryRunsShort)
{
    static constexpr QVFilterDef kFilters[] = {{QVPrototype<CMonoFilter>, 0, {0.5f}}, {NoMemory, 1, {}}};
    static constexpr QVMapDef kMaps[] = {{0, 0, 0, 0.0f, 1.0f, 0.5f, 0}, {1, 1, 0, 0.0f, 1.0f, 0.5f, 0}};
    static constexpr QVControlDef kControls[] = {{"Pan", "", 0.5f, 0, {0, 1}}};
    static constexpr QVPresetDef kPresets[] = {{"Center", {0.5f}}};
    static constexpr QVEffectDefinition kShort =
        QVDefineEffect("Short", QVFourCC('q', 'v', 'x', 'x'), kFilters, kMaps, kControls, kPresets);
    CCatalogueEffect effect(kShort, QV_AUDIO_UNIT);
    EXPECT_FALSE(effect.IsComplete());
    EXPECT_EQ(effect.GetFilterCount(), 1);
    EXPECT_EQ(effect.GetParameterCount(), 0);
    EXPECT_EQ(effect.GetPresetCount(), 0);
}

// The classes the Audio Unit adapter instantiates are the catalogue's effects.
TEST(Catalogue, ClassesBuildTheirEntries)
{
    CStereo unit;
    CStereo vst(QV_VST);
    EXPECT_TRUE(unit.IsOnlyStereo());
    EXPECT_FALSE(vst.IsOnlyStereo());
    EXPECT_TRUE(unit.IsComplete());
    CCompacter compactor;
    EXPECT_EQ(compactor.GetUniqueID(), QVFourCC('q', 'v', 'c', 'p'));
}

} // namespace
