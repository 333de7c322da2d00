#include "effect.h"

#include <cstring>

namespace {

const char kVendor[] = "Tessary, Inc.";
const VstInt32 kVendorVersion = 1000;

// The whole-hertz rate the effect runs at, or 0 for a rate no filter could work with.
// Rates above this bound are not audio rates; they would only size delay lines absurdly.
const float kMaxRate = 1536000.0f;

uint32 EffectRate(float rate)
{
    if (!(rate >= 1.0f && rate <= kMaxRate)) return 0; // also catches NaN
    return uint32(rate);
}

} // namespace

CEffect::CEffect(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 0, 0)
{
    if (!m_Effect.IsComplete()) {
        oome = true;
        return;
    }
    numPrograms = cEffect.numPrograms = m_Effect.GetPresetCount();
    numParams = cEffect.numParams = m_Effect.GetParameterCount();
    setProgram(0);
    setNumInputs(2);
    setNumOutputs(2);
    __hasVuDeprecated(true);
    canProcessReplacing(true);
    setUniqueID(m_Effect.GetUniqueID());
    if (blockSize != 0) m_Effect.SetBlockSize(uint32(blockSize));
    if (const uint32 dwRate = EffectRate(sampleRate)) m_Effect.SetSampleRate(dwRate);
    resume();
}

CEffect::~CEffect() {}

void CEffect::updateInitialDelay()
{
    uint32 latency;
    {
        // A control change on another thread may be recomputing it.
        CFilterLock lock(m_Effect.GetLock());
        latency = m_Effect.GetLatency();
    }
    setInitialDelay(latency < uint32(INT32_MAX) ? VstInt32(latency) : INT32_MAX);
}

// ---------------------------------------------------------------------------------------
// Programs and parameters

// An index outside the presets changes nothing but the program number the host reads back.
void CEffect::setProgram(VstInt32 program)
{
    curProgram = program;
    m_Effect.SetPreset(program);
}

void CEffect::setProgramName(char* name) { m_Effect.SetPresetName(name); }
void CEffect::getProgramName(char* name) { m_Effect.GetPresetName(name); }

bool CEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    return m_Effect.GetPresetNameIndexed(index, text);
}

void CEffect::setParameter(VstInt32 index, float value) { m_Effect.SetParameter(index, value); }
float CEffect::getParameter(VstInt32 index) { return m_Effect.GetParameter(index); }
void CEffect::getParameterName(VstInt32 index, char* text) { m_Effect.GetParameterName(index, text); }
void CEffect::getParameterLabel(VstInt32 index, char* label) { m_Effect.GetParameterLabel(index, label); }
void CEffect::getParameterDisplay(VstInt32 index, char* text) { m_Effect.GetParameterDisplay(index, text); }

// ---------------------------------------------------------------------------------------
// Format and processing

// The effect keeps its previous rate when the host's is none it could run at.
void CEffect::setSampleRate(float rate)
{
    AudioEffectX::setSampleRate(rate);
    if (const uint32 dwRate = EffectRate(rate)) m_Effect.SetSampleRate(dwRate);
    updateInitialDelay();
}

void CEffect::setBlockSize(VstInt32 size)
{
    AudioEffectX::setBlockSize(size);
    m_Effect.SetBlockSize(uint32(size));
    updateInitialDelay();
}

void CEffect::suspend()
{
    m_Effect.Reset();
    AudioEffectX::resume();
}

void CEffect::resume()
{
    m_Effect.Reset();
    updateInitialDelay();
    AudioEffectX::resume();
}

VstInt32 CEffect::startProcess()
{
    m_Effect.Reset();
    return 0;
}

VstInt32 CEffect::stopProcess() { return 0; }

void CEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    m_Effect.ProcessBlock(inputs, outputs, uint32(sampleFrames), false);
}

// ---------------------------------------------------------------------------------------
// Identity

bool CEffect::getEffectName(char* name)
{
    m_Effect.GetEffectName(name);
    return true;
}

bool CEffect::getProductString(char* text)
{
    m_Effect.GetEffectName(text);
    return true;
}

bool CEffect::getVendorString(char* text)
{
    std::strcpy(text, kVendor);
    return true;
}

VstInt32 CEffect::getVendorVersion() { return kVendorVersion; }
VstInt32 CEffect::getPlugCategory() { return kPlugCategEffect; }
