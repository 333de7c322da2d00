// Monofier: both channels summed to mono and placed in the stereo field by "Pan".
#include "definition.h"
#include "monofilter.h"

namespace {

// Mono mixer value: Pan.
constexpr QVFilterDef kFilters[] = {
    /* 0 */ {QVPrototype<CMonoFilter>, 0, {0.5f}},
};

constexpr QVMapDef kMaps[] = {
    // map, filter, parameter, at 0, at 1, fixed value, control
    {0, 0, 0, 0.0f, 1.0f, 0.567f, 0},
};

constexpr QVControlDef kControls[] = {
    // name, label, initial value, display, driven maps
    {"Pan", "", 0.5f, 0, {0}},
};

constexpr QVPresetDef kPresets[] = {
    {"Center", {0.5f}},
    {"Left", {0.0f}},
    {"Right", {1.0f}},
};

} // namespace

constexpr QVEffectDefinition kQVMonofier =
    QVDefineEffect("Tessary Monofier", QVFourCC('q', 'v', 'm', 'f'), kFilters, kMaps, kControls, kPresets);
