// The eleven effects of the suite, in one list that the plug-in adapters, the renderer,
// the help pages and the tests iterate over instead of repeating it.
#pragma once

#include "filterwrap.h"

struct QVEffectDefinition; // the effect's tables, Quillmark/definition.h

// The two plug-in formats define every effect alike except the Stereoizer, whose Audio
// Unit form sets the only-stereo flag.
enum QVPluginFormat { QV_AUDIO_UNIT, QV_VST };

struct QVEffectInfo {
    const char* pName;        // effect name as reported, e.g. "Tessary Bass Boost"
    const char* pShortName;   // without the vendor prefix, e.g. "Bass Boost"
    int32 lCode;              // effect code, e.g. 'qvbb' packed first character high
    const char* pClassName;   // e.g. "CBassBoost"
    const char* pVSTName;     // VST deliverable, e.g. "TessaryBassBoost"
    const char* pUnitEntry;   // Audio Unit entry function, e.g. "BassBoostUnitEntry"
    // A new effect as its Audio Unit class defines it (the Stereoizer with the
    // only-stereo flag set), or null when memory is short.
    CFilterWrap* (*pCreate)();
    // A new effect as the given format defines it, or null when memory is short;
    // pCreateFor(QV_AUDIO_UNIT) is pCreate().
    CFilterWrap* (*pCreateFor)(QVPluginFormat format);
    int32 lControlCount;      // host parameters
    int32 lPresetCount;       // factory presets
    const QVEffectDefinition* pDefinition;
};

// The catalogue in alphabetical order of effect name; QVCatalogueCount() entries.
const QVEffectInfo* QVCatalogue();
int QVCatalogueCount();

// The entry whose code is lCode, or null.
const QVEffectInfo* QVFindEffect(int32 lCode);
