#include "AUHostAPI.h"

#include <cstring>
#include <initializer_list>
#include <new>

void SetComponentInstanceStorage(ComponentInstance instance, void* storage)
{
    if (instance) instance->storage = storage;
}

void* GetComponentInstanceStorage(ComponentInstance instance) { return instance ? instance->storage : nullptr; }

namespace {
OSStatus Call(AudioUnit unit, int16_t selector, std::initializer_list<intptr_t> args)
{
    if (!unit || !unit->entry) return kAudio_ParamError;
    ComponentParameters params = {};
    params.what = selector;
    params.paramSize = uint8_t(args.size() * sizeof(intptr_t));
    int i = 0;
    for (intptr_t arg : args) params.params[i++] = arg;
    return unit->entry(&params, unit->storage);
}

intptr_t Word(const void* p) { return reinterpret_cast<intptr_t>(p); }
} // namespace

OSStatus OpenComponentWithEntry(ComponentEntryProc entry, AudioUnit* outUnit)
{
    if (!outUnit) return kAudio_ParamError;
    *outUnit = nullptr;
    if (!entry) return kAudio_ParamError;
    ComponentInstanceRecord* instance = new (std::nothrow) ComponentInstanceRecord{entry, nullptr};
    if (!instance) return memFullErr;
    const OSStatus result = Call(instance, kComponentOpenSelect, {Word(instance)});
    if (result != noErr || !instance->storage) {
        delete instance;
        return result != noErr ? result : kGenericFailure;
    }
    *outUnit = instance;
    return noErr;
}

OSStatus CloseComponent(AudioUnit unit)
{
    if (!unit) return kAudio_ParamError;
    const OSStatus result = Call(unit, kComponentCloseSelect, {Word(unit)});
    delete unit;
    return result;
}

ComponentResult CallComponentVersion(AudioUnit unit) { return Call(unit, kComponentVersionSelect, {}); }

ComponentResult CallComponentCanDo(AudioUnit unit, int16_t selector) { return Call(unit, kComponentCanDoSelect, {selector}); }

OSStatus AudioUnitInitialize(AudioUnit unit) { return Call(unit, kAudioUnitInitializeSelect, {}); }

OSStatus AudioUnitUninitialize(AudioUnit unit) { return Call(unit, kAudioUnitUninitializeSelect, {}); }

OSStatus AudioUnitGetPropertyInfo(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                  UInt32* outDataSize, Boolean* outWritable)
{
    return Call(unit, kAudioUnitGetPropertyInfoSelect, {intptr_t(id), intptr_t(scope), intptr_t(element), Word(outDataSize), Word(outWritable)});
}

OSStatus AudioUnitGetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              void* outData, UInt32* ioDataSize)
{
    return Call(unit, kAudioUnitGetPropertySelect, {intptr_t(id), intptr_t(scope), intptr_t(element), Word(outData), Word(ioDataSize)});
}

OSStatus AudioUnitSetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              const void* inData, UInt32 inDataSize)
{
    return Call(unit, kAudioUnitSetPropertySelect, {intptr_t(id), intptr_t(scope), intptr_t(element), Word(inData), intptr_t(inDataSize)});
}

OSStatus AudioUnitGetParameter(AudioUnit unit, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                               AudioUnitParameterValue* outValue)
{
    return Call(unit, kAudioUnitGetParameterSelect, {intptr_t(id), intptr_t(scope), intptr_t(element), Word(outValue)});
}

OSStatus AudioUnitSetParameter(AudioUnit unit, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                               AudioUnitParameterValue value, UInt32 bufferOffsetInFrames)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Call(unit, kAudioUnitSetParameterSelect,
                {intptr_t(id), intptr_t(scope), intptr_t(element), intptr_t(bits), intptr_t(bufferOffsetInFrames)});
}

OSStatus AudioUnitReset(AudioUnit unit, AudioUnitScope scope, AudioUnitElement element)
{
    return Call(unit, kAudioUnitResetSelect, {intptr_t(scope), intptr_t(element)});
}

OSStatus AudioUnitRender(AudioUnit unit, AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                         UInt32 outputBusNumber, UInt32 numberFrames, AudioBufferList* ioData)
{
    return Call(unit, kAudioUnitRenderSelect,
                {Word(ioActionFlags), Word(timeStamp), intptr_t(outputBusNumber), intptr_t(numberFrames), Word(ioData)});
}
