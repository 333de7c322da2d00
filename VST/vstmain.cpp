// The entry points a VST host looks up in a plug-in file. Both create one CEffect and
// hand its effect record to the host; they are, with the identifier constants, the
// only symbols a plug-in file exports.
#include <new>

#include "effect.h"

namespace {

AEffect* CreateEffect(audioMasterCallback audioMaster)
{
    // A host that cannot answer, or answers version 0, is no VST 2 host.
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        CEffect* pEffect = new (std::nothrow) CEffect(audioMaster);
        if (!pEffect) return nullptr;
        if (pEffect->oome) {
            delete pEffect;
            return nullptr;
        }
        return pEffect->getAeffect();
    } catch (...) {
        // Nothing may unwind into a host written in C.
        return nullptr;
    }
}

} // namespace

extern "C" QV_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) { return CreateEffect(audioMaster); }

extern "C" QV_EXPORT AEffect* main_macho(audioMasterCallback audioMaster) { return CreateEffect(audioMaster); }
