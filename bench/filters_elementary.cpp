// Throughput of the elementary filters on stereo 48 kHz blocks of 512 frames.
#include "bench_support.h"

#include "biquad.h"

static void BM_BiQuadLowShelf(benchmark::State& state)
{
    CBiQuadFilter filter;
    filter.Init(LowShelf, 0.0f, 0.3f, 0.5f, 0.7f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_BiQuadLowShelf);
