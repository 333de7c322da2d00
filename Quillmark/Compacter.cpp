// Compactor: one compander compressing above its upper threshold; the single control
// "Compression" raises the ratio, lowers the threshold and trims the post gain together.
#include "compander.h"
#include "definition.h"

namespace {

// Compander values: Pre Gain, Compress, Threshold, Expand, Threshold, Attack, Release,
// Smoothing, Post Gain; Delay keeps its default 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CCompander>, 0, {0.505f, 0.995f, 0.735f, 0.0f, 0.4f, 0.005f, 0.045f, 0.455f, 0.372f}},
};

// Map 0 names control 1, which does not exist: no control lists it and it is not fixed,
// so Pre Gain stays as installed. Map 9 (Delay) keeps its installation default.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.505f, 1.0f, 0.505f, 1},
    {1, 0, 1, 0.0f, 0.995f, 0.77f, 0},
    {2, 0, 2, 0.965f, 0.735f, 0.785f, 0},
    {3, 0, 3, 0.0f, 1.0f, 0.0f, -1},
    {4, 0, 4, 0.0f, 1.0f, 0.4f, -1},
    {5, 0, 5, 0.0f, 1.0f, 0.005f, -1},
    {6, 0, 6, 0.0f, 1.0f, 0.045f, -1},
    {7, 0, 7, 0.51f, 0.445f, 0.455f, -1},
    {8, 0, 8, 0.51f, 0.372f, 0.455f, 0},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Compression", "", 1.0f, 0, {1, 2, 8}},
};

constexpr QVPresetDef kPresets[] = {
    {"Moderate", {0.635f}},
    {"Intense", {1.0f}},
    {"Slight", {0.185f}},
};

} // namespace

constexpr QVEffectDefinition kQVCompacter =
    QVDefineEffect("Tessary Compactor", QVFourCC('q', 'v', 'c', 'p'), kFilters, kMaps, kControls, kPresets);
