// The effect a VST plug-in carries: a composite whose constructor is the definition of
// that plug-in's effect, in the form VST plug-ins define it (the Stereoizer without the
// only-stereo flag: a VST plug-in always runs with two channels). Every plug-in is built
// from the same adapter and entry point; only the definition behind this constructor
// differs between them.
#pragma once

#include "definition.h"

class CQVEffect : public CCatalogueEffect {
public:
    CQVEffect();
};
