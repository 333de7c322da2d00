// Sharpener: the lows through the spectral noise reduction and a low-pass (chain 0), the
// highs through a high-pass, a compander and a clipper (chain 1), split at "Range".
#include "biquad.h"
#include "clip.h"
#include "compander.h"
#include "definition.h"
#include "noisereduction.h"

namespace {

// Noise reduction: Noise Reduction. Biquad: Filter, Frequency, Q, Gain. Compander: Pre
// Gain, Compress, Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain
// (Delay keeps 0). Clipper: Clip, Level.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CNoiseReduction>, 0, {0.3609f}},
    /* 1 */ {QVPrototype<CBiQuadFilter>, 0, {0.0f, 0.7932f, 0.577f, 0.5f}},
    /* 2 */ {QVPrototype<CBiQuadFilter>, 1, {0.175f, 0.7932f, 0.577f, 0.5f}},
    /* 3 */ {QVPrototype<CCompander>, 1, {0.5f, 0.5114f, 0.7871f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.3567f}},
    /* 4 */ {QVPrototype<CClip>, 1, {0.1798f, 0.6694f}},
};

// The clipper's maps are written at 18 and 19, so map 20 keeps its installation default:
// a fixed map for the clipper's Level, sent before "Sharpness" overrides it. The
// compander's Delay has no map.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 0.672f, 0.5f, 3},
    {1, 1, 0, 0.0f, 1.0f, 0.0f, -1},
    {2, 1, 1, 0.515f, 0.888f, 0.6f, 0},
    {3, 1, 2, 0.0f, 1.0f, 0.577f, -1},
    {4, 1, 3, 0.0f, 1.0f, 0.5f, -1},
    {5, 2, 0, 0.0f, 1.0f, 0.175f, -1},
    {6, 2, 1, 0.515f, 0.888f, 0.6f, 0},
    {7, 2, 2, 0.0f, 1.0f, 0.577f, -1},
    {8, 2, 3, 0.0f, 1.0f, 0.5f, -1},
    {9, 3, 0, 0.0f, 1.0f, 0.5f, -1},
    {10, 3, 1, 0.0f, 0.788f, 0.0f, 2},
    {11, 3, 2, 1.0f, 0.672f, 0.8f, 2},
    {12, 3, 3, 0.0f, 1.0f, 0.0f, -1},
    {13, 3, 4, 0.0f, 1.0f, 0.4f, -1},
    {14, 3, 5, 0.0f, 1.0f, 0.02f, -1},
    {15, 3, 6, 0.0f, 1.0f, 0.04f, -1},
    {16, 3, 7, 0.5f, 1.0f, 0.5f, -1},
    {17, 3, 8, 0.504f, 0.277f, 0.5f, 2},
    {18, 4, 0, 0.0f, 0.3491f, 0.409f, 1},
    {19, 4, 1, 1.0f, 0.358f, 0.387f, 1},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Range", "Hz", 0.746f, 0, {2, 6}},
    {"Sharpness", "", 0.515f, QV_DISPLAY_PERCENT, {18, 19}},
    {"Compression", "", 0.649f, 0, {10, 11, 17}},
    {"Noise Reduction", "", 0.537f, QV_DISPLAY_PERCENT, {0}},
};

constexpr QVPresetDef kPresets[] = {
    {"Enhance Highs", {0.746f, 0.515f, 0.649f, 0.537f}},
    {"Distortion", {0.0f, 1.0f, 0.843f, 0.993f}},
    {"Add Clarity", {0.672f, 0.567f, 0.0f, 0.679f}},
};

} // namespace

constexpr QVEffectDefinition kQVSharpener =
    QVDefineEffect("Tessary Sharpener", QVFourCC('q', 'v', 's', 'h'), kFilters, kMaps, kControls, kPresets);
