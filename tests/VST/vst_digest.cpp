// vst_digest PLUGIN.so [REPORT]: a compact VST 2.4 host that loads one plug-in file,
// asks it for its identity, its parameters and their texts, its programs, and runs a
// fixed signal through it under every program and a range of parameter values. It writes
// one line per answer (to REPORT, or to standard output) and, last, a digest of them all.
//
// The report is the same text on every processor the plug-in is built for: numbers are
// printed as text and float results by their bit patterns, and every hash is computed
// over values, never over the bytes of memory. Two builds that disagree anywhere (a code
// packed in the wrong byte order, a field of the effect record read at the wrong
// offset, a different rounding) give different lines, and the comparison of the reports
// shows where.
#include <dlfcn.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/aeffect.h"

namespace {

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// 64-bit FNV-1a, fed with values.
class CHash {
public:
    void Add8(uint8_t b)
    {
        m_Value ^= b;
        m_Value *= 0x100000001B3ull;
    }
    void Add32(uint32_t v)
    {
        for (int shift = 24; shift >= 0; shift -= 8) Add8(uint8_t(v >> shift));
    }
    void AddFloat(float f) { Add32(Bits(f)); }
    void AddText(const std::string& text)
    {
        for (char c : text) Add8(uint8_t(c));
    }
    uint64_t Value() const { return m_Value; }

    static uint32_t Bits(float f)
    {
        uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    }

private:
    uint64_t m_Value = 0xCBF29CE484222325ull;
};

// Every report line goes to the report and into the digest.
CHash g_Report;
FILE* g_pReport = stdout;

void Line(const char* pFormat, ...)
{
    char szLine[512];
    va_list args;
    va_start(args, pFormat);
    std::vsnprintf(szLine, sizeof szLine, pFormat, args);
    va_end(args);
    std::fprintf(g_pReport, "%s\n", szLine);
    g_Report.AddText(szLine);
    g_Report.Add8('\n');
}

// A four-character code as its characters, unpacked from the most significant byte down.
std::string CodeText(VstInt32 lCode)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((uint32_t(lCode) >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

class CPlugin {
public:
    explicit CPlugin(AEffect* pEffect) : m_pEffect(pEffect) {}
    ~CPlugin() { Dispatch(effClose); }

    AEffect* Record() const { return m_pEffect; }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return m_pEffect->dispatcher(m_pEffect, opcode, index, value, ptr, opt);
    }
    std::string Text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0)
    {
        char szText[256] = {};
        Dispatch(opcode, index, value, szText);
        szText[sizeof szText - 1] = '\0';
        return szText;
    }
    void SetParameter(VstInt32 index, float value) { m_pEffect->setParameter(m_pEffect, index, value); }
    float GetParameter(VstInt32 index) { return m_pEffect->getParameter(m_pEffect, index); }

    // Every parameter's value by its bits, and its display text.
    std::string ParameterState()
    {
        std::string text;
        char szItem[96];
        for (VstInt32 i = 0; i < m_pEffect->numParams; ++i) {
            std::snprintf(szItem, sizeof szItem, " %08" PRIx32 " \"%s\"", CHash::Bits(GetParameter(i)),
                          Text(effGetParamDisplay, i).c_str());
            text += szItem;
        }
        return text;
    }

private:
    AEffect* m_pEffect;
};

void ReportIdentity(CPlugin& plugin)
{
    const AEffect* p = plugin.Record();
    Line("record magic=%s programs=%d params=%d inputs=%d outputs=%d flags=0x%x delay=%d version=%d",
         CodeText(p->magic).c_str(), p->numPrograms, p->numParams, p->numInputs, p->numOutputs, unsigned(p->flags),
         p->initialDelay, p->version);
    Line("uniqueID=%s (0x%08" PRIx32 ")", CodeText(p->uniqueID).c_str(), uint32_t(p->uniqueID));
    Line("effect=\"%s\" product=\"%s\" vendor=\"%s\" vendor version=%d category=%d vst=%d",
         plugin.Text(effGetEffectName).c_str(), plugin.Text(effGetProductString).c_str(),
         plugin.Text(effGetVendorString).c_str(), int(plugin.Dispatch(effGetVendorVersion)),
         int(plugin.Dispatch(effGetPlugCategory)), int(plugin.Dispatch(effGetVstVersion)));
    Line("loaded: program %d \"%s\", parameters%s", int(plugin.Dispatch(effGetProgram)),
         plugin.Text(effGetProgramName).c_str(), plugin.ParameterState().c_str());
}

// Values a host may send, from the ends of the range to ones no host should.
const float kValues[] = {0.0f, 0.1f, 0.25f, 1.0f / 3.0f, 0.5f, 0.75f, 0.99f, 0.995f, 1.0f, -0.5f, 2.0f, NAN, INFINITY};

void ReportParameters(CPlugin& plugin)
{
    const VstInt32 lCount = plugin.Record()->numParams;
    for (VstInt32 i = 0; i < lCount; ++i) {
        Line("parameter %d name=\"%s\" label=\"%s\"", i, plugin.Text(effGetParamName, i).c_str(),
             plugin.Text(effGetParamLabel, i).c_str());
        for (float value : kValues) {
            plugin.SetParameter(i, value);
            Line("parameter %d set %08" PRIx32 ": reads %08" PRIx32 " display \"%s\"", i, CHash::Bits(value),
                 CHash::Bits(plugin.GetParameter(i)), plugin.Text(effGetParamDisplay, i).c_str());
        }
    }
    // Out of range: reads 0, writes ignored.
    plugin.SetParameter(lCount, 0.5f);
    Line("parameter %d (out of range) reads %08" PRIx32, lCount, CHash::Bits(plugin.GetParameter(lCount)));
}

void ReportPrograms(CPlugin& plugin)
{
    const VstInt32 lCount = plugin.Record()->numPrograms;
    for (VstInt32 i = 0; i <= lCount; ++i) {
        char szIndexed[256] = {};
        const VstIntPtr found = plugin.Dispatch(effGetProgramNameIndexed, i, 0, szIndexed);
        plugin.Dispatch(effSetProgram, 0, i);
        Line("program %d indexed=%d \"%s\" current=%d \"%s\" parameters%s", i, int(found), szIndexed,
             int(plugin.Dispatch(effGetProgram)), plugin.Text(effGetProgramName).c_str(),
             plugin.ParameterState().c_str());
    }
    char szName[kVstMaxProgNameLen] = "Renamed";
    plugin.Dispatch(effSetProgram, 0, 0);
    plugin.Dispatch(effSetProgramName, 0, 0, szName);
    Line("renamed: current \"%s\", stored \"%s\"", plugin.Text(effGetProgramName).c_str(),
         plugin.Text(effGetProgramNameIndexed, 0).c_str());
}

// A fixed stereo signal made from integers only, the same on every processor: a
// triangle wave of its own period on each channel, plus small pseudo-random noise.
void FillSignal(std::vector<float>& left, std::vector<float>& right)
{
    uint32_t state = 12345u;
    for (size_t i = 0; i < left.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const float noise = float(int32_t(state >> 8) - (1 << 23)) / float(1 << 26);
        const int32_t tl = int32_t(i % 100) - 50, tr = int32_t(i % 73) - 36;
        left[i] = float(50 - 2 * std::abs(tl)) / 64.0f + noise;
        right[i] = float(36 - 2 * std::abs(tr)) / 48.0f - noise;
    }
}

// Runs the signal through in blocks of lBlock frames and reports a hash of the output
// and its first and last samples.
void ReportProcessing(CPlugin& plugin, const char* pSetting, float fRate, VstInt32 lBlock, bool bInPlace)
{
    const size_t kFrames = 4099;
    std::vector<float> inL(kFrames), inR(kFrames), outL(kFrames, 9.0f), outR(kFrames, 9.0f);
    FillSignal(inL, inR);
    plugin.Dispatch(effMainsChanged, 0, 0);
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, fRate);
    plugin.Dispatch(effSetBlockSize, 0, lBlock);
    plugin.Dispatch(effMainsChanged, 0, 1);
    for (size_t start = 0; start < kFrames; start += size_t(lBlock)) {
        const VstInt32 lFrames = VstInt32(std::min(kFrames - start, size_t(lBlock)));
        float* ppIn[2] = {&inL[start], &inR[start]};
        float* ppOut[2] = {&outL[start], &outR[start]};
        plugin.Record()->processReplacing(plugin.Record(), ppIn, bInPlace ? ppIn : ppOut, lFrames);
    }
    const std::vector<float>& resultL = bInPlace ? inL : outL;
    const std::vector<float>& resultR = bInPlace ? inR : outR;
    CHash hash;
    for (size_t i = 0; i < kFrames; ++i) {
        hash.AddFloat(resultL[i]);
        hash.AddFloat(resultR[i]);
    }
    Line("process %s rate %.1f block %d %s: %016" PRIx64 " first %08" PRIx32 " %08" PRIx32 " last %08" PRIx32
         " %08" PRIx32,
         pSetting, double(fRate), lBlock, bInPlace ? "in place" : "separate", hash.Value(), CHash::Bits(resultL[0]),
         CHash::Bits(resultR[0]), CHash::Bits(resultL[kFrames - 1]), CHash::Bits(resultR[kFrames - 1]));
}

void ReportAudio(CPlugin& plugin)
{
    struct Run {
        float fRate;
        VstInt32 lBlock;
        bool bInPlace;
    };
    const Run kRuns[] = {{44100.0f, 512, false}, {48000.0f, 64, true}, {96000.0f, 1000, false}};
    char szSetting[64];
    for (VstInt32 p = 0; p < plugin.Record()->numPrograms; ++p) {
        plugin.Dispatch(effSetProgram, 0, p);
        std::snprintf(szSetting, sizeof szSetting, "program %d", p);
        for (const Run& run : kRuns) ReportProcessing(plugin, szSetting, run.fRate, run.lBlock, run.bInPlace);
    }
    plugin.Dispatch(effSetProgram, 0, 0);
    for (VstInt32 i = 0; i < plugin.Record()->numParams; ++i)
        for (float value : kValues) {
            plugin.SetParameter(i, value);
            std::snprintf(szSetting, sizeof szSetting, "parameter %d at %08" PRIx32, i, CHash::Bits(value));
            ReportProcessing(plugin, szSetting, 44100.0f, 256, false);
        }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s PLUGIN.so [REPORT]\n", argv[0]);
        return 2;
    }
    if (argc == 3 && !(g_pReport = std::fopen(argv[2], "w"))) {
        std::perror(argv[2]);
        return 1;
    }
    void* pHandle = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!pHandle) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    typedef AEffect* (*EntryPoint)(audioMasterCallback);
    EntryPoint entry = reinterpret_cast<EntryPoint>(dlsym(pHandle, "VSTPluginMain"));
    EntryPoint legacy = reinterpret_cast<EntryPoint>(dlsym(pHandle, "main_macho"));
    AEffect* pEffect = entry ? entry(HostCallback) : nullptr;
    if (!pEffect || !legacy || pEffect->magic != kEffectMagic) {
        std::fprintf(stderr, "%s: no VST 2.4 effect\n", argv[1]);
        return 1;
    }
    {
        CPlugin plugin(pEffect);
        plugin.Dispatch(effOpen);
        ReportIdentity(plugin);
        ReportParameters(plugin);
        ReportPrograms(plugin);
        ReportAudio(plugin);
    }
    const uint64_t digest = g_Report.Value();
    Line("digest %016" PRIx64, digest);
    if (g_pReport != stdout) std::printf("digest %016" PRIx64 "\n", digest);
    dlclose(pHandle);
    return std::fclose(g_pReport) == 0 ? 0 : 1;
}
