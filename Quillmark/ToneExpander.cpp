// Tone Expander: a band cut out with a band-pass (chain 1) and expanded, the rest of the
// signal through a notch of the same frequency and Q (chain 0).
#include "biquad.h"
#include "compander.h"
#include "definition.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Compander values: Pre Gain, Compress,
// Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain; Delay keeps 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.482f, 0.187f, 0.127f, 0.5f}},
    /* 1 */ {QVPrototype<CBiQuadFilter>, 1, {0.343f, 0.187f, 0.127f, 0.5f}},
    /* 2 */ {QVPrototype<CCompander>, 1, {0.828f, 0.0f, 1.0f, 0.94f, 0.9882f, 0.066f, 0.197f, 0.956f, 0.172f}},
};

// Map 17 (Delay) keeps its installation default.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.482f, -1},
    {1, 0, 1, 0.0f, 1.0f, 0.6f, 0},
    {2, 0, 2, 1.0f, 0.0f, 0.577f, 1},
    {3, 0, 3, 0.0f, 1.0f, 0.5f, -1},
    {4, 1, 0, 0.0f, 1.0f, 0.343f, -1},
    {5, 1, 1, 0.0f, 1.0f, 0.6f, 0},
    {6, 1, 2, 1.0f, 0.0f, 0.0f, 1},
    {7, 1, 3, 0.0f, 1.0f, 0.5f, -1},
    {8, 2, 0, 1.0f, 0.438f, 1.0f, 3},
    {9, 2, 1, 0.0f, 1.0f, 0.0f, -1},
    {10, 2, 2, 0.0f, 1.0f, 1.0f, -1},
    {11, 2, 3, 0.0f, 1.0f, 1.0f, 2},
    {12, 2, 4, 0.803f, 1.0f, 0.971f, 2},
    {13, 2, 5, 0.0f, 1.0f, 0.066f, -1},
    {14, 2, 6, 0.0f, 1.0f, 0.197f, -1},
    {15, 2, 7, 0.0f, 1.0f, 0.956f, -1},
    {16, 2, 8, 0.0f, 0.562f, 0.0f, 3},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Frequency", "Hz", 0.187f, 0, {1, 5}},
    {"Width", "", 0.873f, QV_DISPLAY_PERCENT, {2, 6}},
    {"Expansion", "", 0.94f, 0, {11, 12}},
    {"Threshold", "dB", 0.306f, 1, {8, 16}},
};

constexpr QVPresetDef kPresets[] = {
    {"Hiss Reduction", {0.843f, 0.903f, 0.94f, 0.276f}},
    {"Dynamic Bass", {0.187f, 0.873f, 0.94f, 0.306f}},
    {"Voice Auto Mute", {0.5f, 0.933f, 0.948f, 0.351f}},
};

} // namespace

constexpr QVEffectDefinition kQVToneExpander =
    QVDefineEffect("Tessary Tone Expander", QVFourCC('q', 'v', 't', 'x'), kFilters, kMaps, kControls, kPresets);
