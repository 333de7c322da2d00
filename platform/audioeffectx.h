// The plug-in side of the VST 2.4 interface as classes: AudioEffect owns the effect
// record a host sees and turns each host request into a call of a virtual method;
// AudioEffectX adds the requests of version 2. A plug-in derives from AudioEffectX and
// overrides what it supports; everything else answers with the neutral defaults below.
#pragma once

#include "aeffect.h"

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // One host request. Text answers are produced into scratch storage and copied into
    // the host's buffer cut to the size the interface reserves for them.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { name[0] = '\0'; }

    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    virtual void getParameterLabel(VstInt32, char* label) { label[0] = '\0'; }
    virtual void getParameterDisplay(VstInt32, char* text) { text[0] = '\0'; }
    virtual void getParameterName(VstInt32, char* text) { text[0] = '\0'; }
    virtual bool canParameterBeAutomated(VstInt32 index) { return index >= 0 && index < numParams; }

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }

    // The accumulating call of old hosts adds nothing; replacing calls write silence
    // unless a plug-in overrides them.
    virtual void process(float**, float**, VstInt32) {}
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames);

    AEffect* getAeffect() { return &cEffect; }
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }

    void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }

protected:
    void setFlag(VstInt32 flag, bool state)
    {
        if (state)
            cEffect.flags |= flag;
        else
            cEffect.flags &= ~flag;
    }

    float sampleRate;
    VstInt32 blockSize;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    audioMasterCallback audioMaster;
    AEffect cEffect;
};

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    // Switching on asks the host for MIDI only when the plug-in is a synthesizer or
    // says it receives events; an effect asks nothing.
    void resume() override;

    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 getPlugCategory();
    virtual VstInt32 canDo(char*) { return 0; }
    virtual VstInt32 getVstVersion() { return kVstVersion; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool string2parameter(VstInt32, char*) { return false; }
    virtual bool setBypass(bool) { return false; }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual bool setProcessPrecision(VstInt32) { return false; }

    void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    // Deprecated flags that some old hosts still read.
    void __hasVuDeprecated(bool state = true) { setFlag(effFlagsHasVu, state); }

    // Set when construction could not get the memory it needed; the entry point then
    // refuses to load the plug-in.
    bool oome;

protected:
    void wantEvents();
};
