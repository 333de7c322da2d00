// Spectral noise reduction at the Sharpener's initial strength: per channel and 256
// samples one fold, two 512-point real transforms, 256 magnitudes with a power each and
// one overlap-add.
#include "bench_support.h"
#include "noisereduction.h"

static void BM_NoiseReduction(benchmark::State& state)
{
    CNoiseReduction filter;
    filter.SetParameter(0, 0.3609f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_NoiseReduction);
