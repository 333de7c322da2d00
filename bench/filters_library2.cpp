// Throughput of the library's swept, harmonic, gate and sample-by-sample filters.
#include "bench_support.h"
#include "fade.h"
#include "gain.h"
#include "multifilter.h"
#include "noise.h"
#include "noisegate.h"
#include "rectify.h"
#include "ringmod.h"
#include "steroidfilter.h"
#include "toneremove.h"

namespace {

template <class T>
void BM_Filter(benchmark::State& state)
{
    T filter;
    qvbench::RunStereo(state, filter);
}

// Twenty sections, the most the tone remover runs.
void BM_ToneRemoveTwentySections(benchmark::State& state)
{
    CToneRemove filter;
    filter.SetParameter(0, 0.3f);
    filter.SetParameter(2, 0.1f);
    filter.SetParameter(3, 1.0f);
    qvbench::RunStereo(state, filter);
}

// A sine sweep at full depth: every sample interpolates the coefficients.
template <class T>
void BM_SweptFilter(benchmark::State& state)
{
    T filter;
    filter.SetParameter(6, 1.0f);
    qvbench::RunStereo(state, filter);
}

} // namespace

BENCHMARK_TEMPLATE(BM_Filter, CGain);
BENCHMARK_TEMPLATE(BM_Filter, CFade);
BENCHMARK_TEMPLATE(BM_Filter, CNoise);
BENCHMARK_TEMPLATE(BM_Filter, CRectify);
BENCHMARK_TEMPLATE(BM_Filter, CRingMod);
BENCHMARK_TEMPLATE(BM_Filter, CToneRemove);
BENCHMARK(BM_ToneRemoveTwentySections);
BENCHMARK_TEMPLATE(BM_Filter, CNoiseGate);
BENCHMARK_TEMPLATE(BM_Filter, CMultiFilter);
BENCHMARK_TEMPLATE(BM_SweptFilter, CMultiFilter);
BENCHMARK_TEMPLATE(BM_Filter, CSteroidFilter);
BENCHMARK_TEMPLATE(BM_SweptFilter, CSteroidFilter);
