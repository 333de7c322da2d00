// Throughput of the compander and the stereo delay filter on stereo 48 kHz blocks.
#include "bench_support.h"
#include "compander.h"
#include "delayfilter.h"

namespace {

void BM_Compander(benchmark::State& state)
{
    CCompander filter;
    filter.SetParameter(CCompander::COMPRESS, 0.6f);
    filter.SetParameter(CCompander::COMP_THRESHOLD, 0.7f);
    filter.SetParameter(CCompander::EXPAND, 0.3f);
    filter.SetParameter(CCompander::DELAY, 0.25f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Compander);

void BM_DelayFilter(benchmark::State& state)
{
    CDelayFilter filter;
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_DelayFilter);

} // namespace
