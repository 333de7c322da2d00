// Soak: every effect processes a long stretch of stereo audio at 48 kHz on the audio
// thread while a control thread automates every control and switches presets at random,
// and reads names, value texts and values the way a host's interface does. Built with
// ThreadSanitizer by the test command (label "concurrency"), a data race anywhere in an
// effect fails the run. Besides that, the output must stay finite, and the run must end
// exactly where the same automation applied between blocks on one thread ends: the same
// output, bit for bit, and the same control and filter parameter values.
//
// Audio length per effect: QUILL_SOAK_SECONDS, else 180 s (10 s when CI is set).
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "catalogue.h"
#include "hosted_effect.h"

namespace {

const uint32 kRate = 48000;
const uint32 kBlock = 512;
const double kTwoPi = 6.283185307179586;
const uint64_t kLead = 4; // blocks the audio thread may run ahead of the control thread

double SoakSeconds()
{
    if (const char* p = std::getenv("QUILL_SOAK_SECONDS")) return std::atof(p);
    return std::getenv("CI") ? 10.0 : 180.0;
}

// One host action that changes state. Stamped with the number of blocks processed
// before it landed.
struct Action {
    uint64_t qwBlock;
    int32 lControl; // -1: a preset switch
    float fValue;   // control value, or the preset number
};

// The program material: a sweeping tone over noise, loud passages that drive the
// dynamics hard, and stretches of silence; a pure function of the frame number.
void Input(uint64_t qwBlock, std::vector<float> (&in)[2])
{
    uint32_t seed = uint32_t(qwBlock) * 2654435761u + 1;
    const uint64_t qwPhrase = qwBlock / 94; // about a second
    const float fLevel = qwPhrase % 7 == 6 ? 0.0f : (qwPhrase % 5 == 4 ? 4.0f : 0.3f);
    for (uint32 i = 0; i < kBlock; ++i) {
        const double t = double(qwBlock * kBlock + i) / kRate;
        const double f = 60.0 + 8000.0 * (0.5 + 0.5 * std::sin(0.05 * t));
        for (int c = 0; c < 2; ++c) {
            seed = seed * 1664525u + 1013904223u;
            const float noise = float(int32_t(seed)) * (0.1f / 2147483648.0f);
            in[c][i] = fLevel * (float(std::sin(kTwoPi * f * t + c)) + noise);
        }
    }
}

void Apply(CFilterWrap* p, const Action& a)
{
    if (a.lControl < 0)
        p->SetPreset(int32(a.fValue));
    else
        p->SetParameter(a.lControl, a.fValue);
}

// Every control value and every parameter of every installed filter.
std::vector<float> State(CFilterWrap* p)
{
    std::vector<float> state;
    for (int32 c = 0; c < p->GetParameterCount(); ++c) state.push_back(p->GetParameter(c));
    for (int32 f = 0; f < p->GetFilterCount(); ++f) {
        CFilter* pFilter = p->GetFilterNode(f)->m_pFilter;
        for (int32 i = 0; i < pFilter->GetParameterCount(); ++i) state.push_back(pFilter->GetParameter(i));
    }
    return state;
}

struct Outcome {
    uint64_t qwHash = qvtest::kHashStart;
    std::vector<float> state;
    bool bFinite = true;
};

// One block of the audio thread: input, processing, output checks.
void Block(CFilterWrap* p, uint64_t qwBlock, std::vector<float> (&in)[2], std::vector<float> (&out)[2], Outcome& run)
{
    Input(qwBlock, in);
    float* ppIn[2] = {in[0].data(), in[1].data()};
    float* ppOut[2] = {out[0].data(), out[1].data()};
    p->ProcessBlock(ppIn, ppOut, kBlock, false);
    for (const std::vector<float>& channel : out) {
        for (float x : channel) run.bFinite = run.bFinite && std::isfinite(x);
        qvtest::HashSamples(run.qwHash, channel.data(), channel.size());
    }
}

class Soak : public ::testing::TestWithParam<int> {};

TEST_P(Soak, AutomationFromAnotherThreadLandsBetweenBlocks)
{
    const QVEffectInfo& info = QVCatalogue()[GetParam()];
    const uint64_t qwBlocks = uint64_t(SoakSeconds() * kRate / kBlock);
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        in[c].assign(kBlock, 0.0f);
        out[c].assign(kBlock, 0.0f);
    }

    // The live run: the audio thread holds the effect's (re-entrant) lock around each
    // block only to count it, so that every action is stamped with the block it
    // preceded; the effect locks itself inside the calls as it always does.
    CFilterWrap* pLive = qvtest::NewHostedEffect(info, kRate, kBlock);
    std::atomic<uint64_t> qwDone{0}, qwSeen{0};
    std::vector<Action> actions;
    std::thread control([&] {
        std::mt19937 rng(1000u + unsigned(GetParam()));
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        const int32 lControls = pLive->GetParameterCount(), lPresets = pLive->GetPresetCount();
        char szText[128];
        uint64_t qwLast = 0;
        while (qwDone.load() < qwBlocks) {
            if (qwDone.load() == qwLast) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                continue;
            }
            qwLast = qwDone.load();
            qwSeen.store(qwLast);
            for (int n = int(rng() % 4); n > 0; --n) {
                Action a{0, int32(rng() % uint32(lControls + 1)) - 1, 0.0f};
                if (a.lControl < 0) {
                    a.fValue = float(rng() % uint32(lPresets));
                } else {
                    const uint32 pick = rng() % 16;
                    a.fValue = pick == 0 ? 0.0f : pick == 1 ? 1.0f : value(rng);
                }
                CFilterLock lock(pLive->GetLock());
                Apply(pLive, a);
                a.qwBlock = qwDone.load();
                actions.push_back(a);
            }
            // What a host's generic interface reads, outside any lock of ours.
            const int32 c = int32(rng() % uint32(lControls));
            pLive->GetParameterName(c, szText);
            pLive->GetParameterLabel(c, szText);
            pLive->GetParameterDisplay(c, szText);
            pLive->GetParameter(c);
            pLive->GetPresetName(szText);
            pLive->GetPresetNameIndexed(int32(rng() % uint32(lPresets)), szText);
        }
    });
    Outcome live;
    for (uint64_t b = 0; b < qwBlocks; ++b) {
        // However busy the machine, the control thread gets its turn every few blocks.
        while (b > qwSeen.load() + kLead) std::this_thread::yield();
        CFilterLock lock(pLive->GetLock());
        Block(pLive, b, in, out, live);
        qwDone.store(b + 1);
    }
    control.join();
    live.state = State(pLive);
    pLive->Delete();

    // The same actions applied between the blocks they preceded, on one thread.
    CFilterWrap* pReplay = qvtest::NewHostedEffect(info, kRate, kBlock);
    Outcome replay;
    size_t next = 0;
    for (uint64_t b = 0; b < qwBlocks; ++b) {
        for (; next < actions.size() && actions[next].qwBlock == b; ++next) Apply(pReplay, actions[next]);
        Block(pReplay, b, in, out, replay);
    }
    for (; next < actions.size(); ++next) Apply(pReplay, actions[next]);
    replay.state = State(pReplay);
    pReplay->Delete();

    EXPECT_TRUE(live.bFinite) << info.pName;
    EXPECT_GT(actions.size(), qwBlocks / 20) << "the control thread hardly ran";
    EXPECT_EQ(live.qwHash, replay.qwHash) << info.pName << ": the output differs from the replay";
    EXPECT_EQ(live.state, replay.state) << info.pName << ": the final state differs from the replay";
    std::printf("%s: %.0f s of audio, %zu control and preset changes\n", info.pName, double(qwBlocks * kBlock) / kRate,
                actions.size());
}

std::string EffectName(const ::testing::TestParamInfo<int>& param)
{
    std::string name = QVCatalogue()[param.param].pShortName;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Effects, Soak, ::testing::Range(0, QVCatalogueCount()), EffectName);

} // namespace
