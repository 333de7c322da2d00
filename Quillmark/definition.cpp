#include "definition.h"

CCatalogueEffect::CCatalogueEffect(const QVEffectDefinition& definition, QVPluginFormat format) : m_bComplete(false)
{
    SetEffectName(definition.pName);
    SetUniqueID(definition.lCode);
    // Before the first filter, as the Audio Unit adapter reads the flag to pick its channels.
    if (format == QV_AUDIO_UNIT && definition.bUnitOnlyStereo) SetOnlyStereo(true);
    // Each step needs the previous one whole: maps exist only after their filter's
    // installation, preset values only for allocated controls.
    m_bComplete = InstallFilters(definition) && AddControls(definition) && AddPresets(definition);
}

// For each filter in order: a prototype with the listed values, its installed clone,
// then the map rows of that filter. The prototypes are destroyed once all are installed.
bool CCatalogueEffect::InstallFilters(const QVEffectDefinition& definition)
{
    CFilter* pPrototypes[QV_MAX_FILTERS] = {};
    bool bInstalled = true;
    for (int32 k = 0; k < definition.lFilterCount && bInstalled; ++k) {
        const QVFilterDef& row = definition.pFilters[k];
        CFilter* pPrototype = pPrototypes[k] = row.pPrototype();
        if (!pPrototype) {
            bInstalled = false;
            break;
        }
        for (int32 p = 0; p < row.values.m_lCount; ++p) pPrototype->SetParameter(p, row.values[p]);
        if (!InstallFilter(pPrototype, false, row.lChain)) {
            bInstalled = false;
            break;
        }
        for (int32 m = 0; m < definition.lMapCount; ++m) {
            const QVMapDef& source = definition.pMaps[m];
            if (source.lFilter != k) continue;
            CParamMap* pMap = GetParamMap(source.lMap);
            pMap->m_lFilter = source.lFilter;
            pMap->m_lParam = source.lParam;
            pMap->m_fMin = source.fMin;
            pMap->m_fMax = source.fMax;
            pMap->m_fValue = source.fValue;
            pMap->m_lControl = source.lControl;
        }
    }
    for (CFilter* pPrototype : pPrototypes)
        if (pPrototype) pPrototype->Delete();
    return bInstalled;
}

bool CCatalogueEffect::AddControls(const QVEffectDefinition& definition)
{
    for (int32 c = 0; c < definition.lControlCount; ++c) {
        const QVControlDef& row = definition.pControls[c];
        const int32 lControl = AllocateParameter();
        SetControlName(lControl, row.pName, row.pLabel);
        CControlParam* pControl = GetControlParam(lControl);
        pControl->m_fDefault = row.fInitial;
        pControl->m_lDisplay = row.lDisplay;
        pControl->m_lMapCount = row.maps.m_lCount;
        for (int32 j = 0; j < row.maps.m_lCount; ++j) pControl->m_lMaps[j] = row.maps[j];
    }
    // A value slot that could not be had leaves the parameter set short.
    return m_Params.GetParameterCount() == definition.lControlCount;
}

bool CCatalogueEffect::AddPresets(const QVEffectDefinition& definition)
{
    for (int32 p = 0; p < definition.lPresetCount; ++p) {
        const QVPresetDef& row = definition.pPresets[p];
        const int32 lBefore = GetPresetCount();
        const int32 lPreset = AddPreset(row.pName);
        if (GetPresetCount() != lBefore + 1 || m_pPresets[lPreset].GetParameterCount() != definition.lControlCount)
            return false;
        for (int32 c = 0; c < row.values.m_lCount; ++c) SetPresetParameter(lPreset, c, row.values[c]);
    }
    return true;
}
