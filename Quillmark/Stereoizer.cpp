// Stereoizer: each channel fed into the other with a short delay, the upper band
// (chain 0) crossing into the left channel and the lower band (chain 1) into the right.
#include "biquad.h"
#include "definition.h"
#include "delayfilter.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Delay filter values: Delay Left,
// Delay Right, Mix.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.168f, 0.56f, 0.526f, 0.5f}},
    /* 1 */ {QVPrototype<CBiQuadFilter>, 1, {0.0f, 0.599f, 0.526f, 0.5f}},
    /* 2 */ {QVPrototype<CDelayFilter>, 0, {0.197f, 0.0f, 1.0f}},
    /* 3 */ {QVPrototype<CDelayFilter>, 1, {0.0f, 0.204f, 1.0f}},
};

constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.168f, -1},
    {1, 0, 1, 0.56f, 0.56f, 0.56f, -1},
    {2, 0, 2, 0.526f, 0.526f, 0.526f, -1},
    {3, 0, 3, 0.0f, 1.0f, 0.5f, -1},
    {4, 1, 0, 0.0f, 1.0f, 0.0f, -1},
    {5, 1, 1, 0.599f, 0.599f, 0.599f, -1},
    {6, 1, 2, 0.526f, 0.526f, 0.526f, -1},
    {7, 1, 3, 0.0f, 1.0f, 0.5f, -1},
    {8, 2, 0, 0.022f, 0.197f, 0.161f, 0},
    {9, 2, 1, 0.0f, 1.0f, 0.0f, -1},
    {10, 2, 2, 0.0f, 1.0f, 0.0f, 0},
    {11, 3, 0, 0.0f, 1.0f, 0.0f, -1},
    {12, 3, 1, 0.029f, 0.204f, 0.124f, 0},
    {13, 3, 2, 0.0f, 1.0f, 0.5f, 0},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Expansion", "", 1.0f, QV_DISPLAY_PERCENT, {8, 10, 12, 13}},
};

constexpr QVPresetDef kPresets[] = {
    {"Stereo", {1.0f}},
    {"Subtle", {0.261f}},
};

} // namespace

// The Audio Unit form sets the only-stereo flag, so that a mono stream still reaches the
// effect as two channels; the VST adapter always processes two channels and leaves it clear.
constexpr QVEffectDefinition kQVStereoizer = QVDefineEffect("Tessary Stereoizer", QVFourCC('q', 'v', 's', 't'),
                                                            kFilters, kMaps, kControls, kPresets, true);
