// Throughput of the echoes, the reverb and the chorus on stereo 48 kHz blocks.
#include "bench_support.h"
#include "chorus.h"
#include "echo.h"
#include "reverb.h"

namespace {

// Both taps on, with feedback and damping, so that every sample runs the whole loop.
void SetEchoTaps(CFilter& filter)
{
    filter.SetParameter(CEchoBase::DELAY_A, 0.25f);
    filter.SetParameter(CEchoBase::DELAY_B, 0.4f);
    filter.SetParameter(CEchoBase::FEEDBACK, 0.8f);
}

void BM_Echo(benchmark::State& state)
{
    CEcho filter;
    SetEchoTaps(filter);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Echo);

void BM_DJEchoAtTempo(benchmark::State& state)
{
    double dTempo = 128.0;
    CDJEcho filter;
    filter.SetTempoReference(&dTempo);
    SetEchoTaps(filter);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_DJEchoAtTempo);

void BM_Reverb(benchmark::State& state)
{
    CReverb filter;
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Reverb);

// The default two voices, and the most expensive setting of four.
void BM_Chorus(benchmark::State& state)
{
    CChorus filter;
    filter.SetParameter(CChorus::LAYERS, float(state.range(0) - 1) / 3.0f);
    qvbench::RunStereo(state, filter);
}
BENCHMARK(BM_Chorus)->Arg(2)->Arg(4);

} // namespace
