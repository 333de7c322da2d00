#include "libraryfilters.h"

#include <new>

#include "biquad.h"
#include "clip.h"
#include "compander.h"
#include "delayfilter.h"
#include "monofilter.h"
#include "noisereduction.h"

namespace {

template <class T>
CFilter* Make()
{
    return new (std::nothrow) T;
}

// The elementary filters the effects are built from, then the additional filters.
const QVLibraryFilterInfo kFilters[] = {
    {"Biquad", Make<CBiQuadFilter>},
    {"Clipper", Make<CClip>},
    {"Compander", Make<CCompander>},
    {"Cross Delay", Make<CDelayFilter>},
    {"Mono Mixer", Make<CMonoFilter>},
    {"Noise Reduction", Make<CNoiseReduction>},
};

} // namespace

const QVLibraryFilterInfo* QVLibraryFilters() { return kFilters; }
int QVLibraryFilterCount() { return int(sizeof(kFilters) / sizeof(kFilters[0])); }
