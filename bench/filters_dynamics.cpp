// Throughput of the compander and the stereo delay filter on stereo 48 kHz blocks.
#include "bench_support.h"
#include "compander.h"
#include "delayfilter.h"

namespace {

// The delay lines allocate on StartProcess, which the host path does before the first block.
void Start(CFilter& filter)
{
    filter.SetSampleRate(qvbench::kRate);
    filter.ActivatePreset();
    filter.StartProcess();
}

void BM_Compander(benchmark::State& state)
{
    CCompander filter;
    filter.SetParameter(CCompander::COMPRESS, 0.6f);
    filter.SetParameter(CCompander::COMP_THRESHOLD, 0.7f);
    filter.SetParameter(CCompander::EXPAND, 0.3f);
    filter.SetParameter(CCompander::DELAY, 0.25f);
    Start(filter);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Compander);

void BM_DelayFilter(benchmark::State& state)
{
    CDelayFilter filter;
    Start(filter);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_DelayFilter);

} // namespace
