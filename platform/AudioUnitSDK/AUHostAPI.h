// The host side of the Audio Unit interface: each call packs its arguments into a
// ComponentParameters record and hands it to the component's entry function, the way a
// host's calls reach a component.
#pragma once

#include "AUTypes.h"

struct ComponentInstanceRecord {
    ComponentEntryProc entry;
    void* storage;
};

// Opens an instance through a component's entry function; null on failure.
OSStatus OpenComponentWithEntry(ComponentEntryProc entry, AudioUnit* outUnit);
OSStatus CloseComponent(AudioUnit unit);
ComponentResult CallComponentVersion(AudioUnit unit);
ComponentResult CallComponentCanDo(AudioUnit unit, int16_t selector);

OSStatus AudioUnitInitialize(AudioUnit unit);
OSStatus AudioUnitUninitialize(AudioUnit unit);
OSStatus AudioUnitGetPropertyInfo(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                                  AudioUnitElement element, UInt32* outDataSize, Boolean* outWritable);
OSStatus AudioUnitGetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              void* outData, UInt32* ioDataSize);
OSStatus AudioUnitSetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              const void* inData, UInt32 inDataSize);
OSStatus AudioUnitGetParameter(AudioUnit unit, AudioUnitParameterID id, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue* outValue);
OSStatus AudioUnitSetParameter(AudioUnit unit, AudioUnitParameterID id, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue value, UInt32 bufferOffsetInFrames);
OSStatus AudioUnitReset(AudioUnit unit, AudioUnitScope scope, AudioUnitElement element);
OSStatus AudioUnitRender(AudioUnit unit, AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                         UInt32 outputBusNumber, UInt32 numberFrames, AudioBufferList* ioData);
