// Every effect of the catalogue at its preset 0: stereo 48 kHz in 512-frame blocks.
#include <string>

#include "bench_support.h"
#include "catalogue.h"

namespace {

void RunEffect(benchmark::State& state, const QVEffectInfo* pInfo)
{
    CFilterWrap* pEffect = pInfo->pCreate();
    if (!pEffect) {
        state.SkipWithError("effect could not be built");
        return;
    }
    // The rate first, so that preset 0 computes its coefficients for it.
    pEffect->SetSampleRate(qvbench::kRate);
    pEffect->SetPreset(0);
    qvbench::RunStereo(state, *pEffect);
    pEffect->Delete();
}

const bool kRegistered = [] {
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        const QVEffectInfo* pInfo = &QVCatalogue()[i];
        benchmark::RegisterBenchmark((std::string("Effect/") + pInfo->pClassName).c_str(), RunEffect, pInfo);
    }
    return true;
}();

} // namespace
