// Tone Compressor: a band cut out with a band-pass (chain 1) and compressed, the rest of
// the signal through a notch of the same frequency and Q (chain 0).
#include "biquad.h"
#include "compander.h"
#include "definition.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Compander values: Pre Gain, Compress,
// Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain; Delay keeps 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.482f, 0.41f, 0.0f, 0.5f}},
    /* 1 */ {QVPrototype<CBiQuadFilter>, 1, {0.343f, 0.41f, 0.0f, 0.5f}},
    /* 2 */ {QVPrototype<CCompander>, 1, {1.0f, 1.0f, 1.0f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.0f}},
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
    {6, 1, 2, 1.0f, 0.0f, 0.577f, 1},
    {7, 1, 3, 0.0f, 1.0f, 0.5f, -1},
    {8, 2, 0, 0.562f, 1.0f, 0.5f, 3},
    {9, 2, 1, 0.0f, 1.0f, 0.0f, 2},
    {10, 2, 2, 0.0f, 1.0f, 1.0f, -1},
    {11, 2, 3, 0.0f, 1.0f, 0.0f, -1},
    {12, 2, 4, 0.0f, 1.0f, 0.4f, -1},
    {13, 2, 5, 0.0f, 1.0f, 0.02f, -1},
    {14, 2, 6, 0.0f, 1.0f, 0.04f, -1},
    {15, 2, 7, 0.0f, 1.0f, 0.5f, -1},
    {16, 2, 8, 0.438f, 0.0f, 0.5f, 3},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Frequency", "Hz", 0.41f, 0, {1, 5}},
    {"Width", "", 1.0f, QV_DISPLAY_PERCENT, {2, 6}},
    {"Compression", "", 1.0f, 0, {9}},
    {"Threshold", "dB", 1.0f, 1, {8, 16}},
};

constexpr QVPresetDef kPresets[] = {
    {"Compress Mids", {0.41f, 1.0f, 1.0f, 1.0f}},
    {"Compress Highs", {0.948f, 0.761f, 0.925f, 1.0f}},
    {"Compress Lows", {0.306f, 0.731f, 0.933f, 0.687f}},
};

} // namespace

constexpr QVEffectDefinition kQVToneCompressor =
    QVDefineEffect("Tessary Tone Compressor", QVFourCC('q', 'v', 't', 'c'), kFilters, kMaps, kControls, kPresets);
