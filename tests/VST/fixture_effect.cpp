// The definition behind the test plug-in: fixture filters in a direct chain and a chain
// delayed by 64 samples, three controls (one shown as a frequency, so the sample rate
// shows in its text) and three presets. Built by the catalogue's builder like every
// effect, it exercises the adapter and the entry point exactly as the deliverables do,
// and it is linked into the host tests as the in-memory reference of its plug-in.
#include "qveffect.h"
#include "support/test_filters.h"

namespace {

class CFixtureLag : public qvtest::CLagFilter {
public:
    CFixtureLag() : CLagFilter(64) {}
};

// Scale filter parameters: Scale (gain 4 x p), Spare.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<qvtest::CScaleFilter>, 0, {0.25f}},
    /* 1 */ {QVPrototype<CFixtureLag>, 1, {}},
    /* 2 */ {QVPrototype<qvtest::CScaleFilter>, 1, {0.25f}},
};

constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.25f, 0},
    {1, 0, 1, 0.0f, 1.0f, 0.5f, 2},
    {2, 2, 0, 0.0f, 1.0f, 0.25f, 1},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Direct", "x", 0.25f, 0, {0}},
    {"Delayed", "", 0.25f, QV_DISPLAY_PERCENT, {2}},
    {"Tone", "Hz", 0.5f, QV_DISPLAY_FREQUENCY, {1}},
};

constexpr QVPresetDef kPresets[] = {
    {"Both Paths", {0.25f, 0.25f, 0.5f}},
    {"Direct Only", {0.5f, 0.0f, 0.9f}},
    {"Delayed Only", {0.0f, 0.125f, 1.0f}},
};

constexpr QVEffectDefinition kFixture =
    QVDefineEffect("Tessary Test Effect", QVFourCC('q', 'v', 'z', 'z'), kFilters, kMaps, kControls, kPresets);

} // namespace

CQVEffect::CQVEffect() : CCatalogueEffect(kFixture, QV_VST) {}
