// An effect of the catalogue written as data: the filters it installs, the parameter
// maps it overwrites, its controls and its factory presets. CCatalogueEffect reads such
// a definition and performs the construction steps in their fixed order, so each
// definition file is nothing but its tables.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <new>

#include "catalogue.h"
#include "filterwrap.h"

enum { QV_MAX_EFFECT_CONTROLS = 8, QV_MAX_FILTER_PARAMS = 10 };

// A short list written inline in a table, e.g. {1, 2, 8}; remembers how many were given.
template <typename T, int N>
struct QVList {
    constexpr QVList() : m_Values(), m_lCount(0) {}
    constexpr QVList(std::initializer_list<T> values) : m_Values(), m_lCount(0)
    {
        for (T value : values) {
            if (m_lCount == N) throw "list longer than its table column allows";
            m_Values[m_lCount++] = value;
        }
    }
    constexpr const T& operator[](int32 i) const { return m_Values[i]; }

    T m_Values[N];
    int32 m_lCount;
};

// A new default filter of class T: the prototype of a filters-table row.
template <class T>
CFilter* QVPrototype()
{
    return new (std::nothrow) T;
}

// Filters table row: class, chain, values of parameters 0, 1, ... set on the prototype
// before installation (parameters past the list keep the class's default).
struct QVFilterDef {
    CFilter* (*pPrototype)();
    int32 lChain;
    QVList<float, QV_MAX_FILTER_PARAMS> values;
};

// Maps table row: all six fields of map lMap, written once filter lFilter is installed.
// Maps that keep their installation default have no row.
struct QVMapDef {
    int32 lMap;
    int32 lFilter;
    int32 lParam;
    float fMin;
    float fMax;
    float fValue;
    int32 lControl;
};

// Controls table row; lDisplay is an index into the driven maps, or QV_DISPLAY_PERCENT.
struct QVControlDef {
    const char* pName;
    const char* pLabel;
    float fInitial;
    int32 lDisplay;
    QVList<int32, QV_MAX_CONTROL_MAPS> maps;
};

// Presets table row: a name and one value per control.
struct QVPresetDef {
    const char* pName;
    QVList<float, QV_MAX_EFFECT_CONTROLS> values;
};

struct QVEffectDefinition {
    const char* pName;
    int32 lCode;
    bool bUnitOnlyStereo; // the Audio Unit form runs the effect on two channels always
    const QVFilterDef* pFilters;
    int32 lFilterCount;
    const QVMapDef* pMaps;
    int32 lMapCount;
    const QVControlDef* pControls;
    int32 lControlCount;
    const QVPresetDef* pPresets;
    int32 lPresetCount;
};

// Puts the tables together. Evaluated at compile time, it rejects tables that do not fit
// together: a preset without one value per control, a map row naming no installed filter,
// a control without maps or displaying a map it does not drive.
template <std::size_t F, std::size_t M, std::size_t C, std::size_t P>
constexpr QVEffectDefinition QVDefineEffect(const char* pName, int32 lCode, const QVFilterDef (&filters)[F],
                                            const QVMapDef (&maps)[M], const QVControlDef (&controls)[C],
                                            const QVPresetDef (&presets)[P], bool bUnitOnlyStereo = false)
{
    static_assert(F <= QV_MAX_FILTERS && M <= QV_MAX_MAPS && C <= QV_MAX_EFFECT_CONTROLS, "capacity");
    for (const QVMapDef& map : maps)
        if (map.lFilter < 0 || map.lFilter >= int32(F)) throw "map row names a filter that is not installed";
    for (const QVControlDef& control : controls)
        if (control.maps.m_lCount == 0 || control.lDisplay >= control.maps.m_lCount)
            throw "control drives no map or displays a map it does not drive";
    for (const QVPresetDef& preset : presets)
        if (preset.values.m_lCount != int32(C)) throw "preset needs one value per control";
    return QVEffectDefinition{pName, lCode, bUnitOnlyStereo, filters, int32(F), maps, int32(M),
                              controls, int32(C), presets, int32(P)};
}

// A composite built from a definition, as the given plug-in format defines it.
class CCatalogueEffect : public CFilterWrap {
public:
    CCatalogueEffect(const QVEffectDefinition& definition, QVPluginFormat format);

    // False when memory ran short while building: some filter, control or preset is
    // missing and the effect must not be used.
    bool IsComplete() const { return m_bComplete; }

private:
    bool InstallFilters(const QVEffectDefinition& definition);
    bool AddControls(const QVEffectDefinition& definition);
    bool AddPresets(const QVEffectDefinition& definition);

    bool m_bComplete;
};

// The eleven definitions, one per source of this folder.
extern const QVEffectDefinition kQVBassBoost;
extern const QVEffectDefinition kQVCompacter;
extern const QVEffectDefinition kQVCrisper;
extern const QVEffectDefinition kQVDualCompressor;
extern const QVEffectDefinition kQVDualExpander;
extern const QVEffectDefinition kQVExpander;
extern const QVEffectDefinition kQVMonofier;
extern const QVEffectDefinition kQVSharpener;
extern const QVEffectDefinition kQVStereoizer;
extern const QVEffectDefinition kQVToneCompressor;
extern const QVEffectDefinition kQVToneExpander;
