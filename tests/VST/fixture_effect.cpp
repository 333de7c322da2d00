// The definition behind the test plug-in: a small composite of fixture filters with a
// direct chain and a delayed one, three controls and three presets. It exercises the
// adapter and the entry point exactly as the catalogue's effects do, and it is also
// linked into the host tests as the in-memory reference the plug-in is compared with.
#include "qveffect.h"
#include "support/test_filters.h"

namespace {
struct ControlDef {
    const char* pName;
    const char* pLabel;
    int32 lMap;
    int32 lDisplay;
};
const ControlDef kControls[] = {
    {"Direct", "x", 0, 0},
    {"Delayed", "", 2, QV_DISPLAY_PERCENT},
    {"Tone", "Hz", 1, QV_DISPLAY_FREQUENCY},
};
struct PresetDef {
    const char* pName;
    float fValues[3];
};
const PresetDef kPresets[] = {
    {"Both Paths", {0.25f, 0.25f, 0.5f}},
    {"Direct Only", {0.5f, 0.0f, 1.0f}},
    {"Delayed Only", {0.0f, 0.125f, 1.0f}},
};
} // namespace

CQVEffect::CQVEffect() : m_bBuilt(false)
{
    SetEffectName("Tessary Test Effect");
    SetUniqueID(QVFourCC('q', 'v', 'z', 'z'));
    qvtest::CScaleFilter scale;
    qvtest::CLagFilter lag(64);
    if (!InstallFilter(&scale, false, 0) || !InstallFilter(&lag, false, 1) || !InstallFilter(&scale, false, 1)) return;
    for (const ControlDef& def : kControls) {
        const int32 c = AllocateParameter();
        SetControlName(c, def.pName, def.pLabel);
        CControlParam* pControl = GetControlParam(c);
        pControl->m_lMaps[pControl->m_lMapCount++] = def.lMap;
        pControl->m_lDisplay = def.lDisplay;
        GetParamMap(def.lMap)->m_lControl = c;
    }
    for (const PresetDef& def : kPresets) {
        const int32 p = AddPreset(def.pName);
        for (int32 c = 0; c < 3; ++c) SetPresetParameter(p, c, def.fValues[c]);
    }
    m_bBuilt = GetPresetCount() == 3 && TablesComplete();
}
