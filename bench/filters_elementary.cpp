// Throughput of the elementary filters on stereo 48 kHz blocks of 512 frames.
#include "bench_support.h"

#include "biquad.h"
#include "clip.h"
#include "monofilter.h"

static void BM_BiQuadLowShelf(benchmark::State& state)
{
    CBiQuadFilter filter;
    filter.Init(LowShelf, 0.0f, 0.3f, 0.5f, 0.7f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_BiQuadLowShelf);

static void BM_Clip(benchmark::State& state)
{
    CClip filter;
    filter.SetParameter(0, 0.1798f);
    filter.SetParameter(1, 0.6694f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Clip);

static void BM_Mono(benchmark::State& state)
{
    CMonoFilter filter;
    filter.SetParameter(0, 0.3f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Mono);
