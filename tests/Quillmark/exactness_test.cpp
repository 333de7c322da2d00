// Every effect, every preset: the library's processing gives exactly the samples of the
// straightforward implementation (tests/support/reference_filters.h), bit for bit, on
// long noise, music-like and quiet signals with rare non-finite samples, in blocks of
// odd lengths, in place and not, replacing and adding, stereo and mono, and while the
// controls move.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "catalogue.h"
#include "support/reference_filters.h"

namespace {

struct EffectDeleter {
    void operator()(CFilterWrap* p) const { p->Delete(); }
};
using EffectPtr = std::unique_ptr<CFilterWrap, EffectDeleter>;

struct Stereo {
    std::vector<float> ch[2];
    std::size_t Frames() const { return ch[0].size(); }
};

// Segments that take every path of the filters: a music-like mix (pink noise with a slow
// level swing and a sweep), full-scale white noise with loud bursts (knees, clipping,
// runaway guards), near silence with exact zeros and subnormals (detector floors, the
// flush to zero), and a stretch with rare NaN, infinities and signed zeros.
Stereo TestSignal(double dSeconds, uint32 dwRate, unsigned seed)
{
    const std::size_t frames = std::size_t(dSeconds * dwRate);
    Stereo s;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), -0.0f, 0.0f,
                              std::numeric_limits<float>::denorm_min(), 1e-39f, 3e5f};
    for (int c = 0; c < 2; ++c) {
        s.ch[c].resize(frames);
        float b0 = 0, b1 = 0, b2 = 0;
        double dPhase = 0.0;
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = double(i) / frames;
            const float w = white(rng);
            b0 = 0.99765f * b0 + w * 0.0990460f;
            b1 = 0.96300f * b1 + w * 0.2965164f;
            b2 = 0.57000f * b2 + w * 1.0526913f;
            const float fPink = (b0 + b1 + b2 + w * 0.1848f) * 0.1f;
            dPhase += 2.0 * M_PI * (20.0 + 20000.0 * t) / dwRate;
            float x;
            if (t < 0.4) {
                const float fSwing = 0.5f + 0.45f * float(std::sin(2.0 * M_PI * 3.0 * t + c));
                x = fSwing * fPink + 0.03f * float(std::sin(dPhase));
            } else if (t < 0.6) {
                x = white(rng) * (((i / 2000) % 5 == 0) ? 4.0f : 1.0f);
            } else if (t < 0.75) {
                x = ((i / 3000) % 3 == 0) ? 0.0f : w * 1e-4f * float((i / 700) % 4);
                if (i % 997 == 0) x = std::numeric_limits<float>::denorm_min() * float(i % 7);
            } else if (t < 0.8) {
                x = fPink;
                if (rng() % 4096 == 0) x = kSpecial[rng() % (sizeof(kSpecial) / sizeof(kSpecial[0]))];
            } else {
                x = 0.5f * fPink + 0.2f * float(std::sin(dPhase * 0.01));
            }
            s.ch[c][i] = x;
        }
    }
    return s;
}

enum Routing { kInPlace, kSeparate, kAdding, kMono };

struct Pass {
    Routing routing;
    uint32 dwRate;
    bool bMoveControls;
};

// One block-length pattern for everything: odd lengths, one sample, and lengths above the
// announced block size (the composite grows its buffers for them).
const uint32 kBlockLengths[] = {512, 7, 333, 1, 127, 512, 64, 1023, 5, 256, 511, 2000, 31};

// Runs the effect over the signal; with bMoveControls a control or the preset changes
// every few blocks, driven by the seed, so both effects see the same moves.
Stereo Render(CFilterWrap& effect, const Stereo& in, const Pass& run, int32 lPreset, unsigned seed)
{
    effect.SetSampleRate(run.dwRate);
    effect.SetBlockSize(512);
    effect.SetPreset(lPreset);
    effect.Reset();
    std::mt19937 rng(seed);
    Stereo out = in;
    Stereo separate;
    for (int c = 0; c < 2; ++c) separate.ch[c].assign(in.Frames(), 0.25f);
    std::size_t done = 0;
    for (std::size_t block = 0; done < in.Frames(); ++block) {
        const uint32 dwFrames =
            uint32(std::min<std::size_t>(kBlockLengths[block % (sizeof(kBlockLengths) / sizeof(uint32))], in.Frames() - done));
        if (run.bMoveControls && block % 5 == 4) {
            if (rng() % 4 == 0)
                effect.SetPreset(int32(rng() % uint32(effect.GetPresetCount())));
            else
                effect.SetParameter(int32(rng() % uint32(effect.GetParameterCount())),
                                    std::uniform_real_distribution<float>(0.0f, 1.0f)(rng));
        }
        float* ppIn[2] = {out.ch[0].data() + done, out.ch[1].data() + done};
        float* ppOut[2] = {separate.ch[0].data() + done, separate.ch[1].data() + done};
        switch (run.routing) {
        case kInPlace: effect.ProcessBlock(ppIn, ppIn, dwFrames, false); break;
        case kSeparate: effect.ProcessBlock(ppIn, ppOut, dwFrames, false); break;
        case kAdding: effect.ProcessBlock(ppIn, ppOut, dwFrames, true); break;
        case kMono: {
            float* ppMono[2] = {ppIn[0], nullptr};
            effect.ProcessBlock(ppMono, ppMono, dwFrames, false);
            break;
        }
        }
        done += dwFrames;
    }
    return run.routing == kSeparate || run.routing == kAdding ? separate : out;
}

// Number of samples whose bits differ; the first one is reported.
std::size_t CountDifferences(const Stereo& a, const Stereo& b, const std::string& what)
{
    std::size_t differing = 0;
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < a.Frames(); ++i) {
            if (std::memcmp(&a.ch[c][i], &b.ch[c][i], sizeof(float)) == 0) continue;
            if (differing++ == 0)
                ADD_FAILURE() << what << ": first difference at channel " << c << " frame " << i << ": "
                              << a.ch[c][i] << " vs reference " << b.ch[c][i];
        }
    return differing;
}

class Exactness : public ::testing::TestWithParam<int> {
protected:
    const QVEffectInfo& Info() const { return QVCatalogue()[GetParam()]; }

    void Compare(const Pass& run, int32 lPreset, double dSeconds, unsigned seed)
    {
        const qvref::RefDefinition definition(*Info().pDefinition);
        ASSERT_TRUE(definition.Complete());
        EffectPtr effect(Info().pCreate());
        EffectPtr reference(new qvref::CRefEffect(definition));
        ASSERT_TRUE(effect && reference);
        const Stereo in = TestSignal(dSeconds, run.dwRate, seed);
        const Stereo ours = Render(*effect, in, run, lPreset, seed);
        const Stereo theirs = Render(*reference, in, run, lPreset, seed);
        const std::string what = std::string(Info().pShortName) + ", preset " + std::to_string(lPreset) +
                                 ", routing " + std::to_string(run.routing) + ", " + std::to_string(run.dwRate) +
                                 " Hz" + (run.bMoveControls ? ", moving controls" : "");
        EXPECT_EQ(CountDifferences(ours, theirs, what), 0u) << what;
    }
};

TEST_P(Exactness, EveryPresetInPlace)
{
    for (int32 p = 0; p < Info().lPresetCount; ++p) Compare({kInPlace, 48000, false}, p, 3.0, 11 + unsigned(p));
}

TEST_P(Exactness, EveryRouting)
{
    for (const Routing routing : {kSeparate, kAdding, kMono}) Compare({routing, 48000, false}, 0, 0.6, 21 + routing);
}

TEST_P(Exactness, MovingControlsAt44100)
{
    Compare({kInPlace, 44100, true}, 0, 3.0, 31);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Exactness, ::testing::Range(0, QVCatalogueCount()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = QVCatalogue()[info.param].pClassName;
                             return name.substr(1);
                         });

} // namespace
