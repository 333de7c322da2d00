// Fuzzes the VST plug-ins through their dispatcher as a careless host drives them: the
// byte stream decodes into a sequence of host calls on one or two instances of any of
// the eleven plug-in files (loaded with dlopen, as a host loads them). Any opcode with
// any index, value and opt; text answers into buffers of the size the interface gives
// them, text requests from strings of any length; setParameter and getParameter with any
// index and any float (NaN, infinities, subnormals); processReplacing, process and
// processDoubleReplacing with any frame count up to 65536, in place or not, with null
// channels and with samples that include NaN and infinities.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_bytes.h"
#include "platform/aeffect.h"
#include "vst_plugins.h"

namespace {

const int kMaxSteps = 64;
const VstInt32 kMaxFrames = 65536;
const VstInt32 kFrameCounts[] = {0, 1, 15, 64, 512, 513, 4096, kMaxFrames, -1, -512};
const VstIntPtr kValues[] = {0, 1, 2, -1, 511, 512, 4096, 65536, INT32_MAX, INT32_MIN, VstIntPtr(INT32_MAX) + 1,
                             -(VstIntPtr(1) << 40)};
const float kRates[] = {44100.0f, 48000.0f, 96000.0f, 8000.0f, 1.0f, 0.0f, -44100.0f, 1536000.0f, 1536001.0f, 1e30f};

typedef AEffect* (*EntryPoint)(audioMasterCallback);

// The plug-in files, loaded once and for good: the fuzzer follows coverage in them.
std::vector<EntryPoint>& Entries()
{
    static std::vector<EntryPoint> entries = [] {
        std::vector<EntryPoint> list;
        for (const char* pPath : kQVFuzzPlugins) {
            void* handle = dlopen(pPath, RTLD_NOW | RTLD_LOCAL);
            EntryPoint entry = handle ? reinterpret_cast<EntryPoint>(dlsym(handle, "VSTPluginMain")) : nullptr;
            if (!entry) {
                std::fprintf(stderr, "cannot load %s: %s\n", pPath, handle ? "no entry point" : dlerror());
                std::abort();
            }
            list.push_back(entry);
        }
        return list;
    }();
    return entries;
}

// A host that says it is a VST 2.4 host and answers everything else with 0.
VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The size of the text buffer a host hands over with an opcode that answers text, or 0.
size_t TextSize(VstInt32 opcode)
{
    switch (opcode) {
    case effGetProgramName:
    case effGetProgramNameIndexed: return kVstMaxProgNameLen;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName: return kVstParamTextLen;
    case effGetEffectName: return kVstMaxEffectNameLen;
    case effGetVendorString: return kVstMaxVendorStrLen;
    case effGetProductString: return kVstMaxProductStrLen;
    default: return 0;
    }
}

class CHost {
public:
    explicit CHost(CQVFuzzBytes& in) : m_In(in) {}
    ~CHost()
    {
        for (AEffect*& p : m_Effects)
            if (p) p->dispatcher(p, effClose, 0, 0, nullptr, 0.0f);
    }
    CHost(const CHost&) = delete;
    CHost& operator=(const CHost&) = delete;

    void Step()
    {
        const uint8_t op = m_In.Byte();
        AEffect*& effect = m_Effects[op & 1];
        if (!effect) {
            // Nothing to call yet: this op opens an instance of any plug-in.
            effect = Entries()[m_In.Byte() % Entries().size()](HostCallback);
            if (effect && m_In.Bool()) effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
            return;
        }
        switch ((op >> 1) % 8) {
        case 0:
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            effect = nullptr;
            break;
        case 1: Dispatch(effect); break;
        case 2: {
            const VstInt32 index = Index();
            effect->setParameter(effect, index, m_In.Float());
            break;
        }
        case 3: effect->getParameter(effect, Index()); break;
        case 4: {
            const float rate = m_In.Bool() ? m_In.Pick(kRates) : m_In.Float();
            effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate);
            break;
        }
        case 5: effect->dispatcher(effect, effSetBlockSize, 0, Value(), nullptr, 0.0f); break;
        default: Process(effect); break;
        }
    }

private:
    VstInt32 Index() { return m_In.Bool() ? VstInt32(m_In.Byte() % 12) - 1 : VstInt32(m_In.U32()); }
    VstIntPtr Value()
    {
        switch (m_In.Byte() % 3) {
        case 0: return m_In.Pick(kValues);
        case 1: return VstIntPtr(m_In.Byte() % 8);
        default: {
            const uint64_t low = m_In.U32();
            return VstIntPtr(low | (uint64_t(m_In.U32()) << 32));
        }
        }
    }

    // Any opcode. Text answers go into a buffer of exactly the size the interface gives
    // them; text requests come as strings of any length; other opcodes that take a
    // pointer get zeroed host memory larger than any record of the interface, or null.
    void Dispatch(AEffect* effect)
    {
        const VstInt32 opcode = m_In.Byte() < 224 ? VstInt32(m_In.Byte() % 80) : VstInt32(m_In.U32());
        if (opcode == effClose) return; // closing is op 0, which forgets the instance
        const VstInt32 index = Index();
        const VstIntPtr value = Value();
        const float opt = m_In.Float();
        const uint8_t pointer = m_In.Byte();
        std::vector<char> memory;
        if (pointer < 24) {
            memory.clear();
        } else if (opcode == effSetProgramName || opcode == effCanDo || opcode == effString2Parameter) {
            const size_t length = m_In.Count(300);
            for (size_t i = 0; i < length; ++i) memory.push_back(char(m_In.Byte() | 1));
            memory.push_back('\0');
        } else if (const size_t size = TextSize(opcode)) {
            memory.assign(size, char(0x7F));
        } else {
            memory.assign(1024, 0);
        }
        effect->dispatcher(effect, opcode, index, value, memory.empty() ? nullptr : memory.data(), opt);
        if (const size_t size = TextSize(opcode))
            if (!memory.empty() && !std::memchr(memory.data(), '\0', size) && memory[0] != char(0x7F)) {
                std::fprintf(stderr, "opcode %d left its text unterminated\n", opcode);
                std::abort();
            }
    }

    // One block through one of the three processing calls. Channel arrays hold the
    // two channels a plug-in announces, either of which may be null.
    void Process(AEffect* effect)
    {
        const uint8_t how = m_In.Byte();
        const VstInt32 frames = m_In.Bool() ? m_In.Pick(kFrameCounts) : VstInt32(m_In.Count(kMaxFrames));
        const size_t n = frames > 0 ? size_t(frames) : 1;
        for (int c = 0; c < 2; ++c) {
            m_Inputs[c].resize(n);
            m_Outputs[c].resize(n);
            QVFuzzSamples(m_In, m_Inputs[c].data(), n);
        }
        float* inputs[2] = {m_Inputs[0].data(), m_Inputs[1].data()};
        float* outputs[2] = {m_Outputs[0].data(), m_Outputs[1].data()};
        const bool inPlace = how & 1;
        if (how & 2) (inPlace ? inputs : outputs)[(how >> 2) & 1] = nullptr;
        float** ppIn = how >= 248 ? nullptr : inputs;
        float** ppOut = inPlace ? inputs : (how == 247 ? nullptr : outputs);
        switch ((how >> 3) % 8) {
        case 0: effect->process(effect, ppIn, ppOut, frames); break;
        case 1: {
            std::vector<double> in[2] = {std::vector<double>(n, 0.25), std::vector<double>(n)};
            double* pIn[2] = {in[0].data(), in[1].data()};
            double* pOut[2] = {in[1].data(), nullptr};
            effect->processDoubleReplacing(effect, pIn, pOut, frames);
            break;
        }
        default: effect->processReplacing(effect, ppIn, ppOut, frames); break;
        }
    }

    CQVFuzzBytes& m_In;
    AEffect* m_Effects[2] = {nullptr, nullptr};
    std::vector<float> m_Inputs[2], m_Outputs[2];
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Entries();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    CQVFuzzBytes in(pData, size);
    CHost host(in);
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) host.Step();
    return 0;
}
