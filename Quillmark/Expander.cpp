// Expander: one compander expanding below its lower threshold, with an "Expansion" and a
// "Gain" control.
#include "compander.h"
#include "definition.h"

namespace {

// Compander values: Pre Gain, Compress, Threshold, Expand, Threshold, Attack, Release,
// Smoothing, Post Gain; Delay keeps its default 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CCompander>, 0, {0.5141f, 0.0f, 1.0f, 0.4469f, 0.985f, 0.03f, 0.1876f, 0.71f, 0.642f}},
};

// Map 9 (Delay) keeps its installation default.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.465f, 0.555f, 0.52f, 0},
    {1, 0, 1, 0.0f, 1.0f, 0.0f, -1},
    {2, 0, 2, 0.0f, 1.0f, 1.0f, -1},
    {3, 0, 3, 0.0f, 0.82f, 0.69f, 0},
    {4, 0, 4, 0.0f, 1.0f, 0.985f, -1},
    {5, 0, 5, 0.0f, 1.0f, 0.03f, -1},
    {6, 0, 6, 0.095f, 0.265f, 0.235f, 0},
    {7, 0, 7, 0.52f, 0.59f, 0.71f, -1},
    {8, 0, 8, 0.5f, 1.0f, 0.505f, 1},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Expansion", "", 0.545f, 1, {0, 3, 6}},
    {"Gain", "dB", 0.284f, 0, {8}},
};

constexpr QVPresetDef kPresets[] = {
    {"Moderate", {0.545f, 0.284f}},
    {"Explosive", {1.0f, 0.285f}},
    {"Subtle", {0.201f, 0.03f}},
};

} // namespace

constexpr QVEffectDefinition kQVExpander =
    QVDefineEffect("Tessary Expander", QVFourCC('q', 'v', 'e', 'x'), kFilters, kMaps, kControls, kPresets);
