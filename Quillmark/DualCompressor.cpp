// Dual Compressor: a high band (chain 0) and a low band (chain 1) split at one crossover,
// each compressed by its own amount and set to its own output level.
#include "biquad.h"
#include "compander.h"
#include "definition.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Compander values: Pre Gain, Compress,
// Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain; Delay keeps 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.168f, 0.537f, 0.577f, 0.5f}},
    /* 1 */ {QVPrototype<CBiQuadFilter>, 1, {0.0f, 0.537f, 0.577f, 0.5f}},
    /* 2 */ {QVPrototype<CCompander>, 0, {0.5f, 0.956f, 0.679f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.2531f}},
    /* 3 */ {QVPrototype<CCompander>, 1, {0.5f, 0.0f, 1.0f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.4967f}},
};

// The second compander's maps are written at 17 to 25, so maps 26 (a fixed map for its
// Post Gain, sent before "Low Level" overrides it) and 27 (its Delay) keep their
// installation defaults. The first compander's Delay has no map.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.168f, -1},
    {1, 0, 1, 0.0f, 1.0f, 0.6f, 0},
    {2, 0, 2, 0.0f, 1.0f, 0.577f, -1},
    {3, 0, 3, 0.0f, 1.0f, 0.5f, -1},
    {4, 1, 0, 0.0f, 1.0f, 0.0f, -1},
    {5, 1, 1, 0.0f, 1.0f, 0.6f, 0},
    {6, 1, 2, 0.0f, 1.0f, 0.577f, -1},
    {7, 1, 3, 0.0f, 1.0f, 0.5f, -1},
    {8, 2, 0, 0.0f, 1.0f, 0.5f, -1},
    {9, 2, 1, 0.0f, 0.956f, 0.0f, 2},
    {10, 2, 2, 1.0f, 0.679f, 0.8f, 2},
    {11, 2, 3, 0.0f, 1.0f, 0.0f, -1},
    {12, 2, 4, 0.0f, 1.0f, 0.4f, -1},
    {13, 2, 5, 0.0f, 1.0f, 0.02f, -1},
    {14, 2, 6, 0.0f, 1.0f, 0.04f, -1},
    {15, 2, 7, 0.0f, 1.0f, 0.5f, -1},
    {16, 2, 8, 0.0f, 0.628f, 0.5f, 4},
    {17, 3, 0, 0.5f, 1.0f, 0.5f, -1},
    {18, 3, 1, 0.0f, 0.956f, 0.0f, 1},
    {19, 3, 2, 1.0f, 0.672f, 0.8f, 1},
    {20, 3, 3, 0.0f, 1.0f, 0.0f, -1},
    {21, 3, 4, 0.0f, 1.0f, 0.4f, -1},
    {22, 3, 5, 0.0f, 1.0f, 0.02f, -1},
    {23, 3, 6, 0.0f, 1.0f, 0.04f, -1},
    {24, 3, 7, 0.5f, 1.0f, 0.5f, -1},
    {25, 3, 8, 0.0f, 0.628f, 0.5f, 3},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Frequency", "Hz", 0.537f, 0, {1, 5}},
    {"Compress Low", "", 0.0f, 0, {18, 19}},
    {"Compress High", "", 1.0f, 0, {9, 10}},
    {"Low Level", "dB", 0.791f, 0, {25}},
    {"High Level", "dB", 0.403f, 0, {16}},
};

constexpr QVPresetDef kPresets[] = {
    {"Compress Highs", {0.537f, 0.0f, 1.0f, 0.791f, 0.403f}},
    {"Heavy Compression", {0.0f, 1.0f, 1.0f, 0.366f, 0.366f}},
    {"Compress Lows", {0.418f, 1.0f, 0.0f, 0.291f, 0.769f}},
};

} // namespace

constexpr QVEffectDefinition kQVDualCompressor =
    QVDefineEffect("Tessary Dual Compressor", QVFourCC('q', 'v', 'd', 'c'), kFilters, kMaps, kControls, kPresets);
