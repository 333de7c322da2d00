// The component entry functions of the Quillmark bundle, one per effect.
#include <new>

#include "AudioUnits/AUHost/BaseUnit.h"
#include "effects.h"

namespace {

// Opens a new unit on the open request and routes every other request to it. Nothing
// thrown may cross into the host: it becomes the request's status.
template <class T>
ComponentResult UnitEntry(ComponentParameters* params, void* storage)
{
    try {
        if (!params) return kAudio_ParamError;
        if (params->what == kComponentOpenSelect) {
            ComponentInstance instance = reinterpret_cast<ComponentInstance>(params->params[0]);
            if (!instance) return kAudio_ParamError;
            QVBaseUnit<T>* unit = new QVBaseUnit<T>(instance);
            unit->PostConstructor();
            SetComponentInstanceStorage(instance, unit);
            return noErr;
        }
        return AUBase::ComponentEntryDispatch(params, static_cast<AUBase*>(storage));
    } catch (const std::bad_alloc&) {
        return memFullErr;
    } catch (OSStatus status) {
        return status;
    } catch (int16_t status) {
        return ComponentResult(status);
    } catch (...) {
        return kGenericFailure;
    }
}

} // namespace

#define QV_UNIT_ENTRY(name, Class) \
    extern "C" QV_EXPORT ComponentResult name(ComponentParameters* params, void* storage) { return UnitEntry<Class>(params, storage); }

QV_UNIT_ENTRY(BassBoostUnitEntry, CBassBoost)
QV_UNIT_ENTRY(CompactorUnitEntry, CCompacter)
QV_UNIT_ENTRY(CrisperUnitEntry, CCrisp)
QV_UNIT_ENTRY(DualCompressorUnitEntry, CDualCompressor)
QV_UNIT_ENTRY(DualExpanderUnitEntry, CDualExpand)
QV_UNIT_ENTRY(ExpanderUnitEntry, CExpand)
QV_UNIT_ENTRY(MonofierUnitEntry, CMonofier)
QV_UNIT_ENTRY(SharpenerUnitEntry, CSharpener)
QV_UNIT_ENTRY(StereoizerUnitEntry, CStereo)
QV_UNIT_ENTRY(ToneCompressorUnitEntry, CToneCompressor)
QV_UNIT_ENTRY(ToneExpanderUnitEntry, CToneExpander)
