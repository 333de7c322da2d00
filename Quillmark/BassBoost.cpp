// Bass Boost: a low shelf raising the frequencies below its corner, followed by a
// compander that limits the boosted signal; more boost also means less level into it.
#include "biquad.h"
#include "compander.h"
#include "definition.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Compander values: Pre Gain, Compress,
// Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain; Delay keeps 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.84f, 0.4195f, 0.475f, 0.6164f}},
    /* 1 */ {QVPrototype<CCompander>, 0, {0.4128f, 1.0f, 0.95f, 0.49f, 0.465f, 0.0f, 0.125f, 0.68f, 0.51f}},
};

// Map 13 (Delay) keeps its installation default.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.84f, -1},
    {1, 0, 1, 0.205f, 0.92f, 0.38f, 0},
    {2, 0, 2, 0.0f, 1.0f, 0.475f, -1},
    {3, 0, 3, 0.505f, 1.0f, 0.675f, 1},
    {4, 1, 0, 0.505f, 0.095f, 0.505f, 1},
    {5, 1, 1, 0.0f, 1.0f, 1.0f, -1},
    {6, 1, 2, 0.0f, 1.0f, 0.95f, -1},
    {7, 1, 3, 0.0f, 1.0f, 0.49f, -1},
    {8, 1, 4, 0.0f, 1.0f, 0.465f, -1},
    {9, 1, 5, 0.0f, 1.0f, 0.0f, -1},
    {10, 1, 6, 0.0f, 1.0f, 0.125f, -1},
    {11, 1, 7, 0.0f, 1.0f, 0.68f, -1},
    {12, 1, 8, 0.0f, 1.0f, 0.51f, -1},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Frequency", "Hz", 0.3f, 0, {1}},
    {"Strength", "dB", 0.225f, 0, {3, 4}},
};

constexpr QVPresetDef kPresets[] = {
    {"More Bass", {0.3f, 0.225f}},
    {"Reduce Highs", {0.82f, 0.405f}},
    {"Muffle", {0.41f, 0.77f}},
    {"Low Low Low", {0.201f, 0.903f}},
};

} // namespace

constexpr QVEffectDefinition kQVBassBoost =
    QVDefineEffect("Tessary Bass Boost", QVFourCC('q', 'v', 'b', 'b'), kFilters, kMaps, kControls, kPresets);
