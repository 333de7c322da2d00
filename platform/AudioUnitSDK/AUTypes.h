// Records, constants and selectors of the Audio Unit version 2 effect interface and the
// Component Manager entry convention, as hosts and components exchange them.
#pragma once

#include <cstdint>

#include "platform/corefoundation.h"
#include "platform/MacTypes.h"

typedef int32_t ComponentResult;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef int16_t SInt16;
typedef uint16_t UInt16;
typedef double Float64;
typedef float Float32;

typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;
typedef UInt32 AudioUnitRenderActionFlags;
typedef UInt32 AudioUnitParameterUnit;
typedef UInt32 AudioUnitParameterOptions;

// Component Manager ------------------------------------------------------------------------
struct ComponentInstanceRecord;
typedef ComponentInstanceRecord* ComponentInstance;
typedef ComponentInstance AudioUnit;

// One request to a component: the selector and its argument words, first argument first.
struct ComponentParameters {
    uint8_t flags;
    uint8_t paramSize; // bytes of argument words that follow
    int16_t what;      // the selector
    intptr_t params[8];
};

typedef ComponentResult (*ComponentEntryProc)(ComponentParameters* params, void* storage);

void SetComponentInstanceStorage(ComponentInstance instance, void* storage);
void* GetComponentInstanceStorage(ComponentInstance instance);

enum : int16_t {
    kComponentOpenSelect = -1,
    kComponentCloseSelect = -2,
    kComponentCanDoSelect = -3,
    kComponentVersionSelect = -4,
};

enum : int16_t {
    kAudioUnitInitializeSelect = 1,
    kAudioUnitUninitializeSelect = 2,
    kAudioUnitGetPropertyInfoSelect = 3,
    kAudioUnitGetPropertySelect = 4,
    kAudioUnitSetPropertySelect = 5,
    kAudioUnitGetParameterSelect = 6,
    kAudioUnitSetParameterSelect = 7,
    kAudioUnitResetSelect = 9,
    kAudioUnitAddPropertyListenerSelect = 10,
    kAudioUnitRemovePropertyListenerSelect = 11,
    kAudioUnitRenderSelect = 14,
    kAudioUnitAddRenderNotifySelect = 15,
    kAudioUnitRemoveRenderNotifySelect = 16,
    kAudioUnitScheduleParametersSelect = 17,
    kAudioUnitRemovePropertyListenerWithUserDataSelect = 18,
    kAudioUnitProcessSelect = 20,
};

// Status codes ----------------------------------------------------------------------------
enum : OSStatus {
    kAudioUnitErr_InvalidProperty = -10879,
    kAudioUnitErr_InvalidParameter = -10878,
    kAudioUnitErr_InvalidElement = -10877,
    kAudioUnitErr_NoConnection = -10876,
    kAudioUnitErr_FailedInitialization = -10875,
    kAudioUnitErr_TooManyFramesToProcess = -10874,
    kAudioUnitErr_InvalidFile = -10871,
    kAudioUnitErr_FormatNotSupported = -10868,
    kAudioUnitErr_Uninitialized = -10867,
    kAudioUnitErr_InvalidScope = -10866,
    kAudioUnitErr_PropertyNotWritable = -10865,
    kAudioUnitErr_CannotDoInCurrentContext = -10863,
    kAudioUnitErr_InvalidPropertyValue = -10851,
    kAudio_ParamError = paramErr,
    kGenericFailure = -1,
};

// Scopes and properties --------------------------------------------------------------------
enum : AudioUnitScope {
    kAudioUnitScope_Global = 0,
    kAudioUnitScope_Input = 1,
    kAudioUnitScope_Output = 2,
};

enum : AudioUnitPropertyID {
    kAudioUnitProperty_ClassInfo = 0,
    kAudioUnitProperty_MakeConnection = 1,
    kAudioUnitProperty_SampleRate = 2,
    kAudioUnitProperty_ParameterList = 3,
    kAudioUnitProperty_ParameterInfo = 4,
    kAudioUnitProperty_StreamFormat = 8,
    kAudioUnitProperty_ElementCount = 11,
    kAudioUnitProperty_Latency = 12,
    kAudioUnitProperty_SupportedNumChannels = 13,
    kAudioUnitProperty_MaximumFramesPerSlice = 14,
    kAudioUnitProperty_TailTime = 20,
    kAudioUnitProperty_BypassEffect = 21,
    kAudioUnitProperty_SetRenderCallback = 23,
    kAudioUnitProperty_FactoryPresets = 24,
    kAudioUnitProperty_CurrentPreset = 28,
    kAudioUnitProperty_InPlaceProcessing = 29,
    kAudioUnitProperty_ParameterStringFromValue = 33,
    kAudioUnitProperty_PresentPreset = 36,
};

enum : AudioUnitRenderActionFlags { kAudioUnitRenderAction_OutputIsSilence = 0x10 };

enum : AudioUnitParameterUnit { kAudioUnitParameterUnit_CustomUnit = 26 };

enum : AudioUnitParameterOptions {
    kAudioUnitParameterFlag_ValuesHaveStrings = 0x00200000,
    kAudioUnitParameterFlag_IsReadable = 0x40000000,
    kAudioUnitParameterFlag_IsWritable = 0x80000000,
    kAudioUnitParameterFlag_HasCFNameString = 0x00000010,
    kAudioUnitParameterFlag_CFNameRelease = 0x08000000,
};

// Records -------------------------------------------------------------------------------
enum : UInt32 {
    kAudioFormatLinearPCM = 0x6C70636D, // 'lpcm'
    kAudioFormatFlagIsFloat = 1u << 0,
    kAudioFormatFlagIsPacked = 1u << 3,
    kAudioFormatFlagIsNonInterleaved = 1u << 5,
};

struct AudioStreamBasicDescription {
    Float64 mSampleRate;
    UInt32 mFormatID;
    UInt32 mFormatFlags;
    UInt32 mBytesPerPacket;
    UInt32 mFramesPerPacket;
    UInt32 mBytesPerFrame;
    UInt32 mChannelsPerFrame;
    UInt32 mBitsPerChannel;
    UInt32 mReserved;
};

struct AudioBuffer {
    UInt32 mNumberChannels;
    UInt32 mDataByteSize;
    void* mData;
};

struct AudioBufferList {
    UInt32 mNumberBuffers;
    AudioBuffer mBuffers[1]; // mNumberBuffers entries
};

struct AudioTimeStamp {
    Float64 mSampleTime;
    uint64_t mHostTime;
    Float64 mRateScalar;
    uint64_t mWordClockTime;
    UInt32 mFlags;
    UInt32 mReserved;
};

typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber, UInt32 inNumberFrames,
                                     AudioBufferList* ioData);

struct AURenderCallbackStruct {
    AURenderCallback inputProc;
    void* inputProcRefCon;
};

struct AudioUnitConnection {
    AudioUnit sourceAudioUnit;
    UInt32 sourceOutputNumber;
    UInt32 destInputNumber;
};

struct AUChannelInfo {
    SInt16 inChannels;
    SInt16 outChannels;
};

struct AUPreset {
    SInt32 presetNumber;
    CFStringRef presetName;
};

struct AudioUnitParameterInfo {
    char name[52];
    CFStringRef unitName;
    UInt32 clumpID;
    CFStringRef cfNameString;
    AudioUnitParameterUnit unit;
    AudioUnitParameterValue minValue;
    AudioUnitParameterValue maxValue;
    AudioUnitParameterValue defaultValue;
    AudioUnitParameterOptions flags;
};

struct AudioUnitParameterStringFromValue {
    AudioUnitParameterID inParamID;
    const AudioUnitParameterValue* inValue;
    CFStringRef outString;
};
