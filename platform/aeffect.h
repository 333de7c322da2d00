// The binary interface between a VST 2.4 host and a plug-in: the effect record a host
// receives from the entry point, the callback types, opcode numbers and flags. This is
// all a host sees of a plug-in, so the layout must match what hosts were built against
// (checked at compile time below). Plain C-compatible declarations, nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int32_t VstInt32;
typedef intptr_t VstIntPtr;

struct AEffect;

typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                         VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// 'VstP', first character in the most significant byte.
enum : VstInt32 { kEffectMagic = 0x56737450 };

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process; // accumulating; superseded by processReplacing
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay; // latency in samples, for the host's delay compensation
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object; // the plug-in's own object
    void* user;   // free for the host
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

#if INTPTR_MAX == INT64_MAX
static_assert(offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, numPrograms) == 40 &&
                  offsetof(AEffect, flags) == 56 && offsetof(AEffect, resvd1) == 64 &&
                  offsetof(AEffect, initialDelay) == 80 && offsetof(AEffect, ioRatio) == 92 &&
                  offsetof(AEffect, object) == 96 && offsetof(AEffect, uniqueID) == 112 &&
                  offsetof(AEffect, processReplacing) == 120 && offsetof(AEffect, future) == 136 &&
                  sizeof(AEffect) == 192,
              "effect record layout of 64-bit hosts");
#elif INTPTR_MAX == INT32_MAX
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, numPrograms) == 20 &&
                  offsetof(AEffect, resvd1) == 40 && offsetof(AEffect, initialDelay) == 48 &&
                  offsetof(AEffect, object) == 64 && offsetof(AEffect, uniqueID) == 72 &&
                  offsetof(AEffect, processReplacing) == 80 && offsetof(AEffect, future) == 88 &&
                  sizeof(AEffect) == 144,
              "effect record layout of 32-bit hosts");
#endif

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Requests a host sends through the record's dispatcher.
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effGetParameterProperties = 56,
    effGetVstVersion = 58,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetProcessPrecision = 77,
};

// Requests a plug-in may send through the host callback.
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
};

enum VstPlugCategory : VstInt32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Text sizes, terminator included, that hosts reserve for each answer. Parameter names,
// labels and value texts were once limited to 8 characters; hosts reserve more today
// and show longer texts, so up to kVstParamTextLen bytes are written.
enum : VstInt32 {
    kVstParamTextLen = 24,
    kVstMaxProgNameLen = 24,
    kVstMaxEffectNameLen = 32,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
};

// The VST version a 2.4 plug-in reports.
enum : VstInt32 { kVstVersion = 2400 };
