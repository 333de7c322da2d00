// The eleven effect classes of the suite. Each is its definition and nothing more; the
// tables are in the source of the same name (BassBoost.cpp, Compacter.cpp, ...).
// The format argument matters to the Stereoizer only: its Audio Unit form sets the
// only-stereo flag, its VST form does not.
#pragma once

#include "definition.h"

#define QV_CATALOGUE_EFFECT(Class, definition)                                                \
    class Class : public CCatalogueEffect {                                                   \
    public:                                                                                   \
        explicit Class(QVPluginFormat format = QV_AUDIO_UNIT) : CCatalogueEffect(definition, format) {} \
    };

QV_CATALOGUE_EFFECT(CBassBoost, kQVBassBoost)
QV_CATALOGUE_EFFECT(CCompacter, kQVCompacter)
QV_CATALOGUE_EFFECT(CCrisp, kQVCrisper)
QV_CATALOGUE_EFFECT(CDualCompressor, kQVDualCompressor)
QV_CATALOGUE_EFFECT(CDualExpand, kQVDualExpander)
QV_CATALOGUE_EFFECT(CExpand, kQVExpander)
QV_CATALOGUE_EFFECT(CMonofier, kQVMonofier)
QV_CATALOGUE_EFFECT(CSharpener, kQVSharpener)
QV_CATALOGUE_EFFECT(CStereo, kQVStereoizer)
QV_CATALOGUE_EFFECT(CToneCompressor, kQVToneCompressor)
QV_CATALOGUE_EFFECT(CToneExpander, kQVToneExpander)

#undef QV_CATALOGUE_EFFECT
