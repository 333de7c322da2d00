#include "audioeffectx.h"

#include <cstring>

namespace {

// Scratch for text answers: larger than any text a parameter display can produce
// (a double printed with "%.2f" needs at most 313 characters).
const size_t kScratchSize = 512;

AudioEffect* EffectOf(AEffect* effect) { return effect ? static_cast<AudioEffect*>(effect->object) : nullptr; }

// Copies at most size - 1 characters and a terminator into the host's buffer.
VstIntPtr CopyText(void* ptr, const char* text, size_t size)
{
    char* dest = static_cast<char*>(ptr);
    size_t length = 0;
    while (length + 1 < size && text[length] != '\0') ++length;
    std::memcpy(dest, text, length);
    dest[length] = '\0';
    return 1;
}

bool FitsInt32(VstIntPtr value) { return value >= VstIntPtr(INT32_MIN) && value <= VstIntPtr(INT32_MAX); }

// The record's entry points. No exception may travel into a host written in C: a
// request that fails that way answers 0 (processing: silence, or nothing added).
VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    AudioEffect* plugin = EffectOf(effect);
    if (!plugin) return 0;
    try {
        return plugin->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void SetParameter(AEffect* effect, VstInt32 index, float value)
{
    AudioEffect* plugin = EffectOf(effect);
    if (!plugin) return;
    try {
        plugin->setParameter(index, value);
    } catch (...) {
    }
}

float GetParameter(AEffect* effect, VstInt32 index)
{
    AudioEffect* plugin = EffectOf(effect);
    if (!plugin) return 0.0f;
    try {
        return plugin->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

template <typename Sample>
void Silence(AEffect* effect, Sample** outputs, VstInt32 sampleFrames)
{
    if (!outputs || sampleFrames <= 0) return;
    for (VstInt32 c = 0; c < effect->numOutputs; ++c)
        if (outputs[c]) std::memset(outputs[c], 0, sizeof(Sample) * size_t(sampleFrames));
}

// A block is handed on only when it has frames and both channel arrays exist.
void Process(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    AudioEffect* plugin = EffectOf(effect);
    if (!plugin || !inputs || !outputs || sampleFrames <= 0) return;
    try {
        plugin->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

// Replacing calls always leave the outputs defined: without inputs, or when the plug-in
// fails, they get silence.
template <typename Sample>
void Replace(AEffect* effect, Sample** inputs, Sample** outputs, VstInt32 sampleFrames,
             void (AudioEffect::*processor)(Sample**, Sample**, VstInt32))
{
    AudioEffect* plugin = EffectOf(effect);
    if (!plugin || !outputs || sampleFrames <= 0) return;
    if (!inputs) return Silence(effect, outputs, sampleFrames);
    try {
        (plugin->*processor)(inputs, outputs, sampleFrames);
    } catch (...) {
        Silence(effect, outputs, sampleFrames);
    }
}

void ProcessReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    Replace(effect, inputs, outputs, sampleFrames, &AudioEffect::processReplacing);
}

void ProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs, VstInt32 sampleFrames)
{
    Replace(effect, inputs, outputs, sampleFrames, &AudioEffect::processDoubleReplacing);
}

} // namespace

// ---------------------------------------------------------------------------------------
// AudioEffect

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(programs),
      numParams(params),
      curProgram(0),
      audioMaster(master),
      cEffect()
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = Dispatch;
    cEffect.process = Process;
    cEffect.setParameter = SetParameter;
    cEffect.getParameter = GetParameter;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = VstInt32(0x4E6F4964); // 'NoId' until the plug-in sets its own
    cEffect.version = 1;
    cEffect.processReplacing = ProcessReplacing;
    cEffect.processDoubleReplacing = ProcessDoubleReplacing;
}

AudioEffect::~AudioEffect() {}

void AudioEffect::processReplacing(float**, float** outputs, VstInt32 sampleFrames)
{
    Silence(&cEffect, outputs, sampleFrames);
}

void AudioEffect::processDoubleReplacing(double**, double** outputs, VstInt32 sampleFrames)
{
    Silence(&cEffect, outputs, sampleFrames);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    char text[kScratchSize] = "";
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        delete this;
        return 1;
    case effSetProgram:
        if (FitsInt32(value)) setProgram(VstInt32(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (!ptr) return 0;
        CopyText(text, static_cast<const char*>(ptr), kVstMaxProgNameLen);
        setProgramName(text);
        return 0;
    case effGetProgramName:
        if (!ptr) return 0;
        getProgramName(text);
        return CopyText(ptr, text, kVstMaxProgNameLen);
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
        if (!ptr) return 0;
        if (opcode == effGetParamLabel)
            getParameterLabel(index, text);
        else if (opcode == effGetParamDisplay)
            getParameterDisplay(index, text);
        else
            getParameterName(index, text);
        return CopyText(ptr, text, kVstParamTextLen);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        if (value >= 0 && value <= VstIntPtr(INT32_MAX)) setBlockSize(VstInt32(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    default:
        // Editor, chunks and everything this interface does not offer.
        return 0;
    }
}

// ---------------------------------------------------------------------------------------
// AudioEffectX

AudioEffectX::AudioEffectX(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : AudioEffect(master, programs, params), oome(false)
{
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    char text[kScratchSize] = "";
    switch (opcode) {
    case effString2Parameter:
        if (!ptr) return 0;
        CopyText(text, static_cast<const char*>(ptr), kScratchSize);
        return string2parameter(index, text) ? 1 : 0;
    case effGetProgramNameIndexed:
        if (!ptr || !getProgramNameIndexed(VstInt32(value), index, text)) return 0;
        return CopyText(ptr, text, kVstMaxProgNameLen);
    case effGetPlugCategory:
        return getPlugCategory();
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        if (!ptr || !getEffectName(text)) return 0;
        return CopyText(ptr, text, kVstMaxEffectNameLen);
    case effGetVendorString:
        if (!ptr || !getVendorString(text)) return 0;
        return CopyText(ptr, text, kVstMaxVendorStrLen);
    case effGetProductString:
        if (!ptr || !getProductString(text)) return 0;
        return CopyText(ptr, text, kVstMaxProductStrLen);
    case effGetVendorVersion:
        return getVendorVersion();
    case effCanDo:
        if (!ptr) return 0;
        CopyText(text, static_cast<const char*>(ptr), kScratchSize);
        return canDo(text);
    case effGetTailSize:
        return getGetTailSize();
    case effGetVstVersion:
        return getVstVersion();
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetProcessPrecision:
        return setProcessPrecision(VstInt32(value)) ? 1 : 0;
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

VstInt32 AudioEffectX::getPlugCategory()
{
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

void AudioEffectX::resume()
{
    char question[] = "receiveVstMidiEvent";
    if ((cEffect.flags & effFlagsIsSynth) || canDo(question) == 1) wantEvents();
}

void AudioEffectX::wantEvents()
{
    if (audioMaster) audioMaster(&cEffect, audioMasterWantMidi, 0, 1, nullptr, 0.0f);
}
