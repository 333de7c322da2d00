// Dual Expander: overlapping high (chain 0) and low (chain 1) bands, each expanded by its
// own amount and driven into its compander at its own level.
#include "biquad.h"
#include "compander.h"
#include "definition.h"

namespace {

// Biquad values: Filter, Frequency, Q, Gain. Compander values: Pre Gain, Compress,
// Threshold, Expand, Threshold, Attack, Release, Smoothing, Post Gain; Delay keeps 0.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CBiQuadFilter>, 0, {0.197f, 0.3331f, 0.489f, 0.0f}},
    /* 1 */ {QVPrototype<CBiQuadFilter>, 1, {0.0f, 0.3886f, 0.489f, 0.0f}},
    /* 2 */ {QVPrototype<CCompander>, 0, {0.693f, 0.825f, 1.0f, 0.891f, 0.971f, 0.029f, 0.051f, 0.825f, 0.496f}},
    /* 3 */ {QVPrototype<CCompander>, 1, {0.6685f, 0.825f, 1.0f, 0.891f, 0.971f, 0.029f, 0.058f, 0.847f, 0.423f}},
};

// Maps 26 (a second fixed map for the low band's Post Gain) and 27 (its Delay) keep
// their installation defaults. The high band's Delay has no map.
constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.197f, -1},
    {1, 0, 1, 0.0f, 0.949f, 0.6f, 0},
    {2, 0, 2, 0.0f, 1.0f, 0.489f, -1},
    {3, 0, 3, 0.0f, 1.0f, 0.0f, -1},
    {4, 1, 0, 0.0f, 1.0f, 0.0f, -1},
    {5, 1, 1, 0.058f, 1.0f, 0.6f, 0},
    {6, 1, 2, 0.0f, 1.0f, 0.489f, -1},
    {7, 1, 3, 0.0f, 1.0f, 0.0f, -1},
    {8, 2, 0, 0.5018f, 0.739f, 0.5f, 4},
    {9, 2, 1, 0.0f, 0.956f, 0.825f, -1},
    {10, 2, 2, 1.0f, 0.679f, 1.0f, -1},
    {11, 2, 3, 0.0f, 0.891f, 0.0f, 2},
    {12, 2, 4, 0.854f, 0.971f, 0.4f, 2},
    {13, 2, 5, 0.0f, 1.0f, 0.029f, -1},
    {14, 2, 6, 0.0f, 1.0f, 0.051f, -1},
    {15, 2, 7, 0.0f, 1.0f, 0.825f, -1},
    {16, 2, 8, 0.0f, 0.628f, 0.496f, -1},
    {17, 3, 0, 0.482f, 0.745f, 0.5f, 3},
    {18, 3, 1, 0.0f, 0.956f, 0.825f, -1},
    {19, 3, 2, 1.0f, 0.672f, 1.0f, -1},
    {20, 3, 3, 0.0f, 0.891f, 0.0f, 1},
    {21, 3, 4, 0.854f, 0.971f, 0.4f, 1},
    {22, 3, 5, 0.0f, 1.0f, 0.029f, -1},
    {23, 3, 6, 0.0f, 1.0f, 0.058f, -1},
    {24, 3, 7, 0.5f, 1.0f, 0.847f, -1},
    {25, 3, 8, 0.0f, 0.628f, 0.423f, -1},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Frequency", "Hz", 0.351f, 1, {1, 5}},
    {"Expand Low", "", 1.0f, 0, {20, 21}},
    {"Expand High", "", 1.0f, 0, {11, 12}},
    {"Low Level", "dB", 0.709f, 0, {17}},
    {"High Level", "dB", 0.806f, 0, {8}},
};

constexpr QVPresetDef kPresets[] = {
    {"ExpandHighs", {0.388f, 0.0f, 0.866f, 0.0f, 0.955f}},
    {"Explosive", {0.351f, 1.0f, 1.0f, 0.709f, 0.806f}},
    {"Expand Lows", {0.41f, 1.0f, 0.0f, 0.791f, 0.0f}},
};

} // namespace

constexpr QVEffectDefinition kQVDualExpander =
    QVDefineEffect("Tessary Dual Expander", QVFourCC('q', 'v', 'd', 'e'), kFilters, kMaps, kControls, kPresets);
