// Shared benchmark harness: stereo 48 kHz audio in 512-frame blocks, reported as
// frames per second and as a real-time factor (how many times faster than real time).
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "filter.h"

namespace qvbench {

constexpr unsigned kRate = 48000;
constexpr unsigned kBlock = 512;

// Pink-ish noise with a slow level swing: enough movement for detectors and spectra.
inline std::vector<float> TestSignal(unsigned frames, unsigned seed)
{
    std::vector<float> x(frames);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    float b0 = 0, b1 = 0, b2 = 0;
    for (unsigned i = 0; i < frames; ++i) {
        const float w = white(rng);
        b0 = 0.99765f * b0 + w * 0.0990460f;
        b1 = 0.96300f * b1 + w * 0.2965164f;
        b2 = 0.57000f * b2 + w * 1.0526913f;
        const float swing = 0.5f + 0.45f * float(std::sin(2.0 * M_PI * 0.2 * i / kRate));
        x[i] = 0.1f * swing * (b0 + b1 + b2 + w * 0.1848f);
    }
    return x;
}

// Processes the filter block after block, in place, and reports the throughput.
inline void RunStereo(benchmark::State& state, CFilter& filter)
{
    // As a host prepares a plug-in: rate (coefficients follow at the next activation),
    // block size, then start, which is when delay lines allocate and gates open.
    filter.SetSampleRate(kRate);
    filter.ActivatePreset();
    filter.SetBlockSize(kBlock);
    filter.StartProcess();
    filter.Reset();
    const unsigned frames = kRate; // one second of audio, cycled
    const std::vector<float> source[2] = {TestSignal(frames, 1), TestSignal(frames, 2)};
    std::vector<float> buffer[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    unsigned position = 0;
    for (auto _ : state) {
        for (int c = 0; c < 2; ++c)
            for (unsigned i = 0; i < kBlock; ++i) buffer[c][i] = source[c][(position + i) % frames];
        float* pp[2] = {buffer[0].data(), buffer[1].data()};
        filter.ProcessBlock(pp, pp, kBlock, false);
        benchmark::DoNotOptimize(buffer[0].data());
        benchmark::DoNotOptimize(buffer[1].data());
        position = (position + kBlock) % frames;
    }
    const double dFrames = double(state.iterations()) * kBlock;
    state.counters["frames/s"] = benchmark::Counter(dFrames, benchmark::Counter::kIsRate);
    state.counters["x realtime"] = benchmark::Counter(dFrames / kRate, benchmark::Counter::kIsRate);
}

} // namespace qvbench
