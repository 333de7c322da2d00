// Built once per plug-in, with QV_EFFECT_DEFINITION naming the catalogue's definition of
// the effect it carries (kQVBassBoost, ...); the plug-in links that definition and the
// filters it installs, nothing of the other effects.
#include "qveffect.h"

#ifndef QV_EFFECT_DEFINITION
#error "QV_EFFECT_DEFINITION names the effect definition of the plug-in being built"
#endif

CQVEffect::CQVEffect() : CCatalogueEffect(QV_EFFECT_DEFINITION, QV_VST) {}
