// Load: 100 instances of every effect, 1100 in one process, created, set up as a host
// does, processed concurrently from two threads and destroyed, several times over. Every
// instance must produce exactly what a lone instance of its effect produces (no instance
// disturbs another), and the heap must come back to the byte to where it was after each
// round (the effects allocate only through operator new, which the test counts; the
// address-sanitizer build adds LeakSanitizer's check of everything at exit). Prints the
// heap each effect holds per instance once it has processed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "catalogue.h"
#include "hosted_effect.h"
#include "support/alloc_counter.h"

namespace {

const int kInstances = 100;
const int kRounds = 3;
const int kBlocks = 8;
const uint32 kRate = 48000;
const uint32 kBlock = 512;

// A stereo test signal, the same for every instance: block b of a tone over noise.
struct Signal {
    Signal()
    {
        uint32_t seed = 1;
        for (int c = 0; c < 2; ++c) {
            samples[c].resize(size_t(kBlocks) * kBlock);
            for (size_t i = 0; i < samples[c].size(); ++i) {
                seed = seed * 1664525u + 1013904223u;
                samples[c][i] = 0.5f * float(std::sin(0.03 * double(i) + c)) + float(int32_t(seed)) * (0.05f / 2147483648.0f);
            }
        }
    }
    std::vector<float> samples[2];
};

// Processes every block of the signal; returns a hash of the output.
uint64_t ProcessAll(CFilterWrap* p, const Signal& signal, std::vector<float> (&out)[2])
{
    uint64_t qwHash = qvtest::kHashStart;
    for (int b = 0; b < kBlocks; ++b) {
        float* ppIn[2] = {const_cast<float*>(signal.samples[0].data()) + size_t(b) * kBlock,
                          const_cast<float*>(signal.samples[1].data()) + size_t(b) * kBlock};
        float* ppOut[2] = {out[0].data(), out[1].data()};
        p->ProcessBlock(ppIn, ppOut, kBlock, false);
        for (const std::vector<float>& channel : out) qvtest::HashSamples(qwHash, channel.data(), channel.size());
    }
    return qwHash;
}

struct Instance {
    CFilterWrap* pEffect;
    int lEffect;
    uint64_t qwHash;
};

// All instances of all effects, processed by two threads at once (each takes every
// other instance, and the two swap halves from round to round), then destroyed.
// Returns the heap held while all were alive.
size_t Round(int lRound, const Signal& signal, std::vector<Instance>& instances, const std::vector<uint64_t>& reference)
{
    for (int e = 0; e < QVCatalogueCount(); ++e)
        for (int i = 0; i < kInstances; ++i) instances.push_back(Instance{qvtest::NewHostedEffect(QVCatalogue()[e], kRate, kBlock), e, 0});
    auto worker = [&](size_t first) {
        std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
        for (size_t i = first; i < instances.size(); i += 2)
            if (instances[i].pEffect) instances[i].qwHash = ProcessAll(instances[i].pEffect, signal, out);
    };
    std::thread a(worker, size_t(lRound % 2)), b(worker, size_t(1 - lRound % 2));
    a.join();
    b.join();
    const size_t held = qvtest::HeapBytesInUse();
    for (const Instance& instance : instances) {
        EXPECT_NE(instance.pEffect, nullptr);
        EXPECT_EQ(instance.qwHash, reference[size_t(instance.lEffect)])
            << QVCatalogue()[instance.lEffect].pName << ": an instance among many differs from a lone one";
        if (instance.pEffect) instance.pEffect->Delete();
    }
    instances.clear();
    return held;
}

TEST(Load, HundredInstancesOfEveryEffectComeAndGo)
{
    const Signal signal;
    std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    std::vector<uint64_t> reference;
    for (int e = 0; e < QVCatalogueCount(); ++e) {
        CFilterWrap* p = qvtest::NewHostedEffect(QVCatalogue()[e], kRate, kBlock);
        reference.push_back(ProcessAll(p, signal, out));
        p->Delete();
    }
    std::vector<Instance> instances;
    instances.reserve(size_t(kInstances) * size_t(QVCatalogueCount()));
    // A first round for whatever the library and the threads set up once.
    Round(1, signal, instances, reference);

    const size_t start = qvtest::HeapBytesInUse();
    size_t held[kRounds], after[kRounds];
    for (int r = 0; r < kRounds; ++r) {
        held[r] = Round(r, signal, instances, reference);
        after[r] = qvtest::HeapBytesInUse();
    }
    std::printf("%zu instances held %.1f MB of heap\n", size_t(kInstances) * QVCatalogueCount(),
                double(held[0] - start) / 1048576.0);
    for (int r = 0; r < kRounds; ++r) {
        EXPECT_GT(held[r], start);
        EXPECT_EQ(after[r], start) << "round " << r << ": " << long(after[r] - start) << " bytes not returned";
    }
}

TEST(Load, HeapPerInstance)
{
    std::printf("%-24s %s\n", "effect", "heap per instance after processing (bytes)");
    for (int e = 0; e < QVCatalogueCount(); ++e) {
        const QVEffectInfo& info = QVCatalogue()[e];
        std::vector<CFilterWrap*> alive(kInstances);
        const Signal signal;
        std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
        const size_t before = qvtest::HeapBytesInUse();
        for (CFilterWrap*& p : alive) {
            p = qvtest::NewHostedEffect(info, kRate, kBlock);
            ASSERT_NE(p, nullptr);
            ProcessAll(p, signal, out);
        }
        const size_t held = qvtest::HeapBytesInUse();
        for (CFilterWrap* p : alive) p->Delete();
        const size_t after = qvtest::HeapBytesInUse();
        EXPECT_EQ(after, before) << info.pName;
        EXPECT_GT(held, before) << info.pName;
        std::printf("%-24s %zu\n", info.pName, (held - before) / kInstances);
    }
}

} // namespace
