#include "libraryfilters.h"

#include <new>

#include "biquad.h"
#include "chorus.h"
#include "clip.h"
#include "compander.h"
#include "delayfilter.h"
#include "echo.h"
#include "fade.h"
#include "gain.h"
#include "monofilter.h"
#include "multifilter.h"
#include "noise.h"
#include "noisegate.h"
#include "noisereduction.h"
#include "rectify.h"
#include "reverb.h"
#include "ringmod.h"
#include "steroidfilter.h"
#include "toneremove.h"

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
    {"Echo", Make<CEcho>},
    {"DJ Echo", Make<CDJEcho>},
    {"Reverb", Make<CReverb>},
    {"Chorus", Make<CChorus>},
    {"Multi Filter", Make<CMultiFilter>},
    {"Steroid Filter", Make<CSteroidFilter>},
    {"Tone Remover", Make<CToneRemove>},
    {"Noise Gate", Make<CNoiseGate>},
    {"Gain", Make<CGain>},
    {"Fade", Make<CFade>},
    {"Noise", Make<CNoise>},
    {"Rectifier", Make<CRectify>},
    {"Ring Modulator", Make<CRingMod>},
};

} // namespace

const QVLibraryFilterInfo* QVLibraryFilters() { return kFilters; }
int QVLibraryFilterCount() { return int(sizeof(kFilters) / sizeof(kFilters[0])); }
