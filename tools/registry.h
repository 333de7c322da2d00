// Everything the renderer can run, found by the names users type: the eleven effects of
// the catalogue and the library filters (each wrapped as a composite whose controls are
// the filter's parameters).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Quillmark/catalogue.h"
#include "libraryfilters.h"

struct QVRunnable {
    std::string name;         // "Tessary Bass Boost", or the library filter's name
    std::string shortName;    // "Bass Boost"
    std::string code;         // "qvbb", "QVcp"
    std::string filterName;   // a library filter's own name ("NoiseReduction"); empty for effects
    const QVEffectInfo* pEffect = nullptr;
    const QVLibraryFilterInfo* pFilter = nullptr;
};

struct QVEffectDeleter {
    void operator()(CFilterWrap* p) const { p->Delete(); }
};
typedef std::unique_ptr<CFilterWrap, QVEffectDeleter> QVEffectPtr;

// The eleven effects, then the library filters.
const std::vector<QVRunnable>& QVRunnables();

// By code (exact) or name (case, spaces and punctuation ignored); throws a usage error
// with the closest names otherwise.
const QVRunnable& QVFindRunnable(const std::string& typed);

// A new instance with preset 0 applied, as a host loads it; throws when memory is short.
QVEffectPtr QVCreate(const QVRunnable& runnable);

// A preset by name or number; a control by name or number, and a control value from
// "CONTROL=VALUE". Each throws a usage error naming the effect and the closest names.
int32 QVFindPreset(CFilterWrap* pEffect, const std::string& typed);
int32 QVFindControl(CFilterWrap* pEffect, const std::string& typed);
std::pair<int32, float> QVParseSet(CFilterWrap* pEffect, const std::string& set);

// Text helpers over the effect's interfaces.
std::string QVCodeText(int32 lCode);
std::string QVEffectName(CFilterWrap* pEffect);
std::string QVControlName(CFilterWrap* pEffect, int32 lControl);
std::string QVPresetName(CFilterWrap* pEffect, int32 lPreset);
