// A minimal VST 2.4 host for tests: it loads plug-in files with dlopen and reaches them
// only the way a real host does, through the entry point, the dispatcher and the
// record's callbacks. Nothing of the plug-ins' code is linked into the tests.
#pragma once

#include <string>
#include <vector>

#include "platform/aeffect.h"

namespace qvhost {

// What the host callback answers to audioMasterVersion (2400 unless a test changes it).
void SetHostVersion(VstIntPtr version);
// Host callback opcodes received since the last ClearHostCalls().
std::vector<VstInt32> HostCalls();
void ClearHostCalls();
VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

typedef AEffect* (*EntryPoint)(audioMasterCallback);

class CPluginFile {
public:
    explicit CPluginFile(const std::string& path);
    ~CPluginFile();
    CPluginFile(const CPluginFile&) = delete;
    CPluginFile& operator=(const CPluginFile&) = delete;

    bool IsLoaded() const { return m_pHandle != nullptr; }
    const std::string& Error() const { return m_Error; }
    void* Symbol(const char* pName) const;
    EntryPoint Entry(const char* pName) const { return reinterpret_cast<EntryPoint>(Symbol(pName)); }
    // A new instance through VSTPluginMain, or null.
    AEffect* Instantiate() const;

private:
    void* m_pHandle;
    std::string m_Error;
};

// One plug-in instance; closed (effClose) when the object goes.
class CInstance {
public:
    explicit CInstance(AEffect* pEffect) : m_pEffect(pEffect) {}
    ~CInstance() { Close(); }
    CInstance(const CInstance&) = delete;
    CInstance& operator=(const CInstance&) = delete;

    AEffect* Record() const { return m_pEffect; }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // A text answer. The buffer starts filled with a marker, so an opcode that writes
    // nothing yields "<untouched>"; one that writes past lLimit bytes fails the test.
    std::string Text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, size_t lLimit = 64);
    void SetParameter(VstInt32 index, float value) { m_pEffect->setParameter(m_pEffect, index, value); }
    float GetParameter(VstInt32 index) { return m_pEffect->getParameter(m_pEffect, index); }
    void ProcessReplacing(float** inputs, float** outputs, VstInt32 frames)
    {
        m_pEffect->processReplacing(m_pEffect, inputs, outputs, frames);
    }
    void Close();

private:
    AEffect* m_pEffect;
};

// Names of the symbols a shared object defines in its dynamic symbol table.
std::vector<std::string> ExportedSymbols(const std::string& path);

} // namespace qvhost
