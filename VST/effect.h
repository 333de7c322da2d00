// The VST 2.4 face of one composite effect: programs are the effect's presets,
// parameters its controls, and audio goes through its ProcessBlock.
#pragma once

#include "platform/audioeffectx.h"
#include "qveffect.h"

class CEffect : public AudioEffectX {
public:
    explicit CEffect(audioMasterCallback audioMaster);
    ~CEffect() override;

    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;

    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void suspend() override;
    void resume() override;
    VstInt32 startProcess() override;
    VstInt32 stopProcess() override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 getPlugCategory() override;

protected:
    // The record's initial delay follows the effect's latency (its slowest chain), so
    // that a host's delay compensation lines the plug-in up with the other tracks.
    void updateInitialDelay();

    CQVEffect m_Effect;
};
