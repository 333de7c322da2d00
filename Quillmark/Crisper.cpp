// Crisper: a high shelf raising the frequencies above its corner, followed by a
// compander that limits the boosted signal at a fixed input level.
#include "biquad.h"
#include "compander.h"
#include "definition.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Compander values: Pre Gain, Compress,
// Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain; Delay keeps 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.94f, 0.7154f, 0.475f, 0.656f}},
    /* 1 */ {QVPrototype<CCompander>, 0, {0.505f, 1.0f, 0.95f, 0.49f, 0.465f, 0.005f, 0.035f, 0.115f, 0.51f}},
};

// Map 13 (Delay) keeps its installation default.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.94f, -1},
    {1, 0, 1, 0.3f, 0.92f, 0.715f, 0},
    {2, 0, 2, 0.0f, 1.0f, 0.475f, -1},
    {3, 0, 3, 0.505f, 1.0f, 0.655f, 1},
    {4, 1, 0, 0.0f, 1.0f, 0.505f, -1},
    {5, 1, 1, 0.0f, 1.0f, 1.0f, -1},
    {6, 1, 2, 0.0f, 1.0f, 0.95f, -1},
    {7, 1, 3, 0.0f, 1.0f, 0.49f, -1},
    {8, 1, 4, 0.0f, 1.0f, 0.465f, -1},
    {9, 1, 5, 0.0f, 1.0f, 0.005f, -1},
    {10, 1, 6, 0.0f, 1.0f, 0.035f, -1},
    {11, 1, 7, 0.0f, 1.0f, 0.115f, -1},
    {12, 1, 8, 0.0f, 1.0f, 0.51f, -1},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Frequency", "Hz", 0.67f, 0, {1}},
    {"Strength", "dB", 0.305f, 0, {3}},
};

constexpr QVPresetDef kPresets[] = {
    {"Crispety", {0.67f, 0.305f}},
    {"Chrunchety", {0.575f, 0.515f}},
    {"Chrunched", {0.36f, 0.635f}},
};

} // namespace

constexpr QVEffectDefinition kQVCrisper =
    QVDefineEffect("Tessary Crisper", QVFourCC('q', 'v', 'c', 'r'), kFilters, kMaps, kControls, kPresets);
