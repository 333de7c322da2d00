// Every built plug-in file, loaded and driven the way real Linux hosts drive it: only
// through its entry point, its dispatcher and its record's callbacks. Answers and audio
// are compared with the same effect run in memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "catalogue.h"
#include "qveffect.h"
#include "support/alloc_counter.h"
#include "support/stereo_block.h"
#include "vst_host.h"
#include "vst_plugins.h"

// Test names show the plug-in file rather than the bytes of the table entry.
inline void PrintTo(const QVPluginFile& plugin, std::ostream* pOut) { *pOut << plugin.pPath; }

using qvhost::CInstance;
using qvhost::CPluginFile;

namespace {

// What each deliverable must report, independently of how it is built.
struct Deliverable {
    const char* pFile;
    const char* pEffectName;
    int32 lCode;
    VstInt32 lInitialDelay;
};

const Deliverable kDeliverables[] = {
    {"TessaryTestFixture", "Tessary Test Effect", QVFourCC('q', 'v', 'z', 'z'), 64},
    {"TessaryBassBoost", "Tessary Bass Boost", QVFourCC('q', 'v', 'b', 'b'), 0},
    {"TessaryCompacter", "Tessary Compactor", QVFourCC('q', 'v', 'c', 'p'), 0},
    {"TessaryCrisper", "Tessary Crisper", QVFourCC('q', 'v', 'c', 'r'), 0},
    {"TessaryDualCompressor", "Tessary Dual Compressor", QVFourCC('q', 'v', 'd', 'c'), 0},
    {"TessaryDualExpander", "Tessary Dual Expander", QVFourCC('q', 'v', 'd', 'e'), 0},
    {"TessaryExpander", "Tessary Expander", QVFourCC('q', 'v', 'e', 'x'), 0},
    {"TessaryMonoizer", "Tessary Monofier", QVFourCC('q', 'v', 'm', 'f'), 0},
    {"TessarySharpener", "Tessary Sharpener", QVFourCC('q', 'v', 's', 'h'), 1024},
    {"TessaryStereoExpander", "Tessary Stereoizer", QVFourCC('q', 'v', 's', 't'), 0},
    {"TessaryToneCompressor", "Tessary Tone Compressor", QVFourCC('q', 'v', 't', 'c'), 0},
    {"TessaryToneExpander", "Tessary Tone Expander", QVFourCC('q', 'v', 't', 'x'), 0},
};

// Request values just past the 32-bit range. A 64-bit host can send them; on a 32-bit
// host (i386, powerpc) they wrap round to the most negative values. Either way no count,
// size or index means them.
const VstIntPtr kPastInt32 = VstIntPtr(int64_t(INT32_MAX) + 1);
const VstIntPtr kFarPastInt32 = VstIntPtr(int64_t(INT32_MAX) + 5);

const Deliverable* FindDeliverable(const std::string& file)
{
    for (const Deliverable& d : kDeliverables)
        if (file == d.pFile) return &d;
    return nullptr;
}

struct FilterDeleter {
    void operator()(CFilterWrap* p) const
    {
        if (p) p->Delete();
    }
};
typedef std::unique_ptr<CFilterWrap, FilterDeleter> EffectPtr;

// The effect as a freshly loaded plug-in holds it: the VST form of its definition,
// preset 0, the interface's default block size and rate, reset.
EffectPtr MakeReference(int32 lCode)
{
    CFilterWrap* pEffect = nullptr;
    if (lCode == QVFourCC('q', 'v', 'z', 'z'))
        pEffect = new CQVEffect;
    else if (const QVEffectInfo* pInfo = QVFindEffect(lCode))
        pEffect = pInfo->pCreateFor(QV_VST);
    if (pEffect) {
        pEffect->SetPreset(0);
        pEffect->SetBlockSize(1024);
        pEffect->SetSampleRate(44100);
        pEffect->Reset();
    }
    return EffectPtr(pEffect);
}

std::string Name(CFilterWrap& effect, void (CFilterWrap::*pGet)(int32, char*), int32 lIndex)
{
    char szText[512] = "";
    (effect.*pGet)(lIndex, szText);
    return szText;
}

std::string PresetName(CFilterWrap& effect, int32 lPreset)
{
    char szText[64] = "";
    effect.GetPresetNameIndexed(lPreset, szText);
    return szText;
}

using qvtest::StereoBlock;

StereoBlock Filled(size_t lFrames, float fValue)
{
    return StereoBlock{{std::vector<float>(lFrames, fValue), std::vector<float>(lFrames, fValue)}};
}

// Deterministic test audio in two channels.
StereoBlock Noise(size_t lFrames, unsigned seed)
{
    StereoBlock s = Filled(lFrames, 0.0f);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-0.8f, 0.8f);
    for (auto& c : s.ch)
        for (float& x : c) x = dist(rng);
    return s;
}

// The channel pointers of a block, as a host passes them.
class Channels {
public:
    explicit Channels(StereoBlock& block) : m_p{block.ch[0].data(), block.ch[1].data()} {}
    operator float**() { return m_p; }

private:
    float* m_p[2];
};

bool SameBits(const StereoBlock& a, const StereoBlock& b)
{
    for (int c = 0; c < 2; ++c)
        if (a.ch[c].size() != b.ch[c].size() ||
            std::memcmp(a.ch[c].data(), b.ch[c].data(), a.ch[c].size() * sizeof(float)) != 0)
            return false;
    return true;
}

bool AllFinite(const StereoBlock& s)
{
    for (const auto& c : s.ch)
        for (float x : c)
            if (!std::isfinite(x)) return false;
    return true;
}

// One block through the plug-in, in place or into separate (pre-soiled) buffers.
StereoBlock PluginBlock(CInstance& instance, StereoBlock in, bool bInPlace)
{
    const VstInt32 lFrames = VstInt32(in.ch[0].size());
    if (bInPlace) {
        instance.ProcessReplacing(Channels(in), Channels(in), lFrames);
        return in;
    }
    StereoBlock out = Filled(in.ch[0].size(), 123.0f);
    instance.ProcessReplacing(Channels(in), Channels(out), lFrames);
    return out;
}

// Restores the host's version answer after a test that changes it.
struct HostVersionScope {
    explicit HostVersionScope(VstIntPtr version) { qvhost::SetHostVersion(version); }
    ~HostVersionScope() { qvhost::SetHostVersion(2400); }
};

class VstHost : public ::testing::TestWithParam<QVPluginFile> {
protected:
    void SetUp() override
    {
        m_pDeliverable = FindDeliverable(GetParam().pDeliverable);
        ASSERT_NE(m_pDeliverable, nullptr) << GetParam().pDeliverable << " is not a known deliverable";
        m_pFile.reset(new CPluginFile(GetParam().pPath));
        ASSERT_TRUE(m_pFile->IsLoaded()) << m_pFile->Error();
        m_pReference = MakeReference(m_pDeliverable->lCode);
        ASSERT_NE(m_pReference, nullptr);
        m_lPrograms = m_pReference->GetPresetCount();
        m_lParams = m_pReference->GetParameterCount();
    }

    std::unique_ptr<CInstance> Open()
    {
        AEffect* pEffect = m_pFile->Instantiate();
        EXPECT_NE(pEffect, nullptr);
        if (!pEffect) return nullptr;
        std::unique_ptr<CInstance> pInstance(new CInstance(pEffect));
        pInstance->Dispatch(effOpen);
        return pInstance;
    }

    // Every parameter value equals the reference's, and so do names, labels and texts.
    void ExpectParametersLike(CInstance& instance, CFilterWrap& reference, const std::string& where)
    {
        for (int32 i = 0; i < m_lParams; ++i) {
            SCOPED_TRACE(where + ", parameter " + std::to_string(i));
            EXPECT_EQ(instance.GetParameter(i), reference.GetParameter(i));
            EXPECT_EQ(instance.Text(effGetParamName, i, 0, kVstParamTextLen),
                      Name(reference, &CFilterWrap::GetParameterName, i));
            EXPECT_EQ(instance.Text(effGetParamLabel, i, 0, kVstParamTextLen),
                      Name(reference, &CFilterWrap::GetParameterLabel, i));
            EXPECT_EQ(instance.Text(effGetParamDisplay, i, 0, kVstParamTextLen),
                      Name(reference, &CFilterWrap::GetParameterDisplay, i));
        }
    }

    const Deliverable* m_pDeliverable = nullptr;
    std::unique_ptr<CPluginFile> m_pFile;
    EffectPtr m_pReference;
    int32 m_lPrograms = 0;
    int32 m_lParams = 0;
};

// ---------------------------------------------------------------------------------------
// Loading and identity

TEST_P(VstHost, ExportsOnlyEntryPointsAndIdentifiers)
{
    const std::vector<std::string> symbols = qvhost::ExportedSymbols(GetParam().pPath);
    ASSERT_FALSE(symbols.empty());
    auto isIdentifier = [](const std::string& name) {
        return name.rfind("IID_", 0) == 0 || name.rfind("CLSID_", 0) == 0;
    };
    int lIdentifiers = 0;
    for (const std::string& name : symbols) {
        if (name == "VSTPluginMain" || name == "main_macho") continue;
#ifdef __SANITIZE_ADDRESS__
        // AddressSanitizer adds an indicator symbol for each exported variable.
        const std::string kIndicator = "__odr_asan.";
        if (name.rfind(kIndicator, 0) == 0) {
            EXPECT_TRUE(isIdentifier(name.substr(kIndicator.size()))) << "exports " << name;
            continue;
        }
#endif
        EXPECT_TRUE(isIdentifier(name)) << "exports " << name;
        lIdentifiers += isIdentifier(name);
    }
    EXPECT_EQ(lIdentifiers, g_QVIdentifierCount);
    for (int i = 0; i < g_QVIdentifierCount; ++i) {
        const _GUID* pExported = static_cast<const _GUID*>(m_pFile->Symbol(g_QVIdentifierNames[i]));
        ASSERT_NE(pExported, nullptr) << g_QVIdentifierNames[i];
        EXPECT_TRUE(*pExported == *g_QVIdentifiers[i]) << g_QVIdentifierNames[i];
    }
}

TEST_P(VstHost, BothEntryPointsGiveWorkingInstances)
{
    for (const char* pEntry : {"VSTPluginMain", "main_macho"}) {
        qvhost::EntryPoint entry = m_pFile->Entry(pEntry);
        ASSERT_NE(entry, nullptr) << pEntry;
        AEffect* pEffect = entry(qvhost::HostCallback);
        ASSERT_NE(pEffect, nullptr) << pEntry;
        CInstance instance(pEffect);
        EXPECT_EQ(instance.Dispatch(effOpen), 0);
        EXPECT_EQ(instance.Text(effGetEffectName, 0, 0, kVstMaxEffectNameLen), m_pDeliverable->pEffectName);
    }
}

TEST_P(VstHost, RecordFields)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    const AEffect& record = *pInstance->Record();
    EXPECT_EQ(record.magic, 0x56737450);
    EXPECT_NE(record.dispatcher, nullptr);
    EXPECT_NE(record.process, nullptr);
    EXPECT_NE(record.setParameter, nullptr);
    EXPECT_NE(record.getParameter, nullptr);
    EXPECT_NE(record.processReplacing, nullptr);
    EXPECT_EQ(record.numPrograms, m_lPrograms);
    EXPECT_EQ(record.numParams, m_lParams);
    EXPECT_GT(record.numPrograms, 0);
    EXPECT_GT(record.numParams, 0);
    EXPECT_EQ(record.numInputs, 2);
    EXPECT_EQ(record.numOutputs, 2);
    EXPECT_EQ(record.flags, effFlagsCanReplacing | effFlagsHasVu); // no editor, chunks or doubles
    EXPECT_EQ(record.initialDelay, m_pDeliverable->lInitialDelay);
    EXPECT_EQ(record.initialDelay, VstInt32(m_pReference->GetLatency()));
    EXPECT_EQ(record.uniqueID, m_pDeliverable->lCode);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.resvd1, 0);
    EXPECT_EQ(record.resvd2, 0);
    EXPECT_NE(record.object, nullptr);
    EXPECT_EQ(record.user, nullptr);
    for (char c : record.future) EXPECT_EQ(c, 0);

    // The delay stays what the filters give once the host sets its own format.
    pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    pInstance->Dispatch(effSetBlockSize, 0, 8192);
    pInstance->Dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(record.initialDelay, m_pDeliverable->lInitialDelay);
}

TEST_P(VstHost, IdentityAnswers)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    CInstance& instance = *pInstance;
    EXPECT_EQ(instance.Text(effGetEffectName, 0, 0, kVstMaxEffectNameLen), m_pDeliverable->pEffectName);
    EXPECT_EQ(instance.Text(effGetProductString, 0, 0, kVstMaxProductStrLen), m_pDeliverable->pEffectName);
    EXPECT_EQ(instance.Text(effGetVendorString, 0, 0, kVstMaxVendorStrLen), "Tessary, Inc.");
    EXPECT_EQ(instance.Dispatch(effGetEffectName, 0, 0, nullptr), 0);
    EXPECT_EQ(instance.Dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(instance.Dispatch(effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(instance.Dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(instance.Dispatch(effGetTailSize), 0);

    // Hosts ask many questions; this plug-in knows none of the answers.
    for (const char* pQuestion : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent",
                                  "receiveVstTimeInfo", "offline", "bypass", "plugAsChannelInsert", "plugAsSend",
                                  "mixDryWet", "noRealTime", "1in1out", "2in2out", "midiProgramNames", "", "?"}) {
        char szQuestion[64];
        std::strcpy(szQuestion, pQuestion);
        EXPECT_EQ(instance.Dispatch(effCanDo, 0, 0, szQuestion), 0) << pQuestion;
    }

    // No editor, no chunks, no events, no bypass, no double precision.
    char szRect[64] = {};
    void* pChunk = szRect;
    for (VstInt32 opcode : {effEditGetRect, effEditOpen, effEditIdle, effEditClose})
        EXPECT_EQ(instance.Dispatch(opcode, 0, 0, szRect), 0) << opcode;
    EXPECT_EQ(instance.Dispatch(effGetChunk, 0, 0, &pChunk), 0);
    EXPECT_EQ(pChunk, static_cast<void*>(szRect));
    EXPECT_EQ(instance.Dispatch(effSetChunk, 0, 16, szRect), 0);
    EXPECT_EQ(instance.Dispatch(effProcessEvents, 0, 0, szRect), 0);
    EXPECT_EQ(instance.Dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(instance.Dispatch(effSetProcessPrecision, 0, 1), 0);
    for (char c : szRect) EXPECT_EQ(c, 0);
}

TEST_P(VstHost, VersionZeroHostGetsNothing)
{
    HostVersionScope version(0);
    for (const char* pEntry : {"VSTPluginMain", "main_macho"}) {
        qvtest::AllocationScope allocations;
        EXPECT_EQ(m_pFile->Entry(pEntry)(qvhost::HostCallback), nullptr) << pEntry;
        EXPECT_EQ(allocations.Count(), 0u) << pEntry << " created something";
    }
    EXPECT_EQ(m_pFile->Entry("VSTPluginMain")(nullptr), nullptr);
}

TEST_P(VstHost, AsksTheHostOnlyForItsVersion)
{
    qvhost::ClearHostCalls();
    {
        auto pInstance = Open();
        ASSERT_NE(pInstance, nullptr);
        pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        pInstance->Dispatch(effMainsChanged, 0, 1);
        pInstance->Dispatch(effStartProcess);
        StereoBlock block = Noise(256, 1);
        PluginBlock(*pInstance, block, true);
        pInstance->SetParameter(0, 0.7f);
        pInstance->Dispatch(effSetProgram, 0, 1);
        pInstance->Dispatch(effStopProcess);
        pInstance->Dispatch(effMainsChanged, 0, 0);
    }
    EXPECT_EQ(qvhost::HostCalls(), std::vector<VstInt32>{audioMasterVersion});
}

// ---------------------------------------------------------------------------------------
// Programs and parameters

TEST_P(VstHost, FreshInstanceHoldsPresetZero)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    EXPECT_EQ(pInstance->Dispatch(effGetProgram), 0);
    EXPECT_EQ(pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), PresetName(*m_pReference, 0));
    for (int32 i = 0; i < m_lParams; ++i)
        EXPECT_EQ(pInstance->GetParameter(i), m_pReference->GetPresetParameterIndexed(0, i)) << i;
    ExpectParametersLike(*pInstance, *m_pReference, "fresh");
}

TEST_P(VstHost, EveryProgramMatchesItsPreset)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    CInstance& instance = *pInstance;
    for (int32 p = 0; p < m_lPrograms; ++p) {
        EXPECT_EQ(instance.Dispatch(effGetProgramNameIndexed, p, -1, nullptr), 0);
        char szName[kVstMaxProgNameLen + 8] = "";
        EXPECT_EQ(instance.Dispatch(effGetProgramNameIndexed, p, 0, szName), 1);
        EXPECT_EQ(std::string(szName), PresetName(*m_pReference, p));
    }
    // Backwards too, so that every change really lands.
    for (int32 p = m_lPrograms - 1; p >= 0; --p) {
        instance.Dispatch(effSetProgram, 0, p);
        m_pReference->SetPreset(p);
        EXPECT_EQ(instance.Dispatch(effGetProgram), p);
        EXPECT_EQ(instance.Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), PresetName(*m_pReference, p));
        for (int32 i = 0; i < m_lParams; ++i)
            EXPECT_EQ(instance.GetParameter(i), m_pReference->GetPresetParameterIndexed(p, i)) << p << "/" << i;
        ExpectParametersLike(instance, *m_pReference, "preset " + std::to_string(p));
    }
}

TEST_P(VstHost, ParameterChangesReachTheEffect)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    for (float v : {0.0f, 0.1f, 0.5f, 0.77f, 1.0f}) {
        for (int32 i = 0; i < m_lParams; ++i) {
            pInstance->SetParameter(i, v);
            m_pReference->SetParameter(i, v);
        }
        ExpectParametersLike(*pInstance, *m_pReference, "value " + std::to_string(v));
        for (int32 i = 0; i < m_lParams; ++i) {
            EXPECT_EQ(pInstance->Dispatch(effCanBeAutomated, i), 1);
            EXPECT_EQ(pInstance->Dispatch(effString2Parameter, i, 0, const_cast<char*>("0.5")), 0);
        }
    }
}

TEST_P(VstHost, OutOfRangeProgramKeepsValues)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    const int32 lProgram = m_lPrograms > 1 ? 1 : 0;
    pInstance->Dispatch(effSetProgram, 0, lProgram);
    const std::string name = pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen);
    for (VstInt32 lBad : {99, -1, m_lPrograms, INT32_MAX, INT32_MIN}) {
        pInstance->Dispatch(effSetProgram, 0, lBad);
        EXPECT_EQ(pInstance->Dispatch(effGetProgram), lBad);
        EXPECT_EQ(pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), name);
        for (int32 i = 0; i < m_lParams; ++i)
            EXPECT_EQ(pInstance->GetParameter(i), m_pReference->GetPresetParameterIndexed(lProgram, i)) << lBad;
    }
    // A value no program number can have is not cut down to a valid one (here 0). Only
    // a host whose request values are wider than 32 bits can send one.
    if (sizeof(VstIntPtr) > sizeof(VstInt32)) {
        pInstance->Dispatch(effSetProgram, 0, lProgram);
        pInstance->Dispatch(effSetProgram, 0, VstIntPtr(INT64_C(1) << 32));
        EXPECT_EQ(pInstance->Dispatch(effGetProgram), lProgram);
        EXPECT_EQ(pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), name);
    }
}

TEST_P(VstHost, ProgramNameRenamesOnlyTheCurrentSet)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    const int32 lProgram = m_lPrograms - 1;
    pInstance->Dispatch(effSetProgram, 0, lProgram);
    const std::string stored = PresetName(*m_pReference, lProgram);

    struct {
        std::string sent;
        std::string read;
    } const kCases[] = {
        {"My Sound", "My Sound"},
        {"", ""},
        {"A name far longer than any program name may be", "A name far longer than "},
    };
    for (const auto& c : kCases) {
        pInstance->Dispatch(effSetProgramName, 0, 0, const_cast<char*>(c.sent.c_str()));
        EXPECT_EQ(pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), c.read);
        EXPECT_EQ(pInstance->Text(effGetProgramNameIndexed, lProgram, 0, kVstMaxProgNameLen), stored);
    }
    // A host field of exactly 24 characters without a terminator is read no further.
    char szField[kVstMaxProgNameLen];
    std::memset(szField, 'Q', sizeof(szField));
    pInstance->Dispatch(effSetProgramName, 0, 0, szField);
    EXPECT_EQ(pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), std::string(kVstMaxProgNameLen - 1, 'Q'));
    // Selecting the program again brings back its own name.
    pInstance->Dispatch(effSetProgram, 0, lProgram);
    EXPECT_EQ(pInstance->Text(effGetProgramName, 0, 0, kVstMaxProgNameLen), stored);
}

TEST_P(VstHost, OutOfRangeIndicesGetNeutralAnswers)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    CInstance& instance = *pInstance;
    std::vector<float> before;
    for (int32 i = 0; i < m_lParams; ++i) before.push_back(instance.GetParameter(i));

    for (VstInt32 lBad : {-1, m_lParams, m_lParams + 1, INT32_MAX, INT32_MIN}) {
        SCOPED_TRACE("parameter index " + std::to_string(lBad));
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
            EXPECT_EQ(instance.Text(opcode, lBad), "") << opcode;
        EXPECT_EQ(instance.Dispatch(effCanBeAutomated, lBad), 0);
        EXPECT_EQ(instance.Dispatch(effString2Parameter, lBad, 0, const_cast<char*>("0.5")), 0);
        char szProperties[256] = {};
        for (VstInt32 opcode : {effGetParameterProperties, effGetInputProperties, effGetOutputProperties})
            EXPECT_EQ(instance.Dispatch(opcode, lBad, 0, szProperties), 0) << opcode;
        for (char c : szProperties) EXPECT_EQ(c, 0);
        EXPECT_EQ(instance.GetParameter(lBad), 0.0f);
        instance.SetParameter(lBad, 0.9f);
        for (int32 i = 0; i < m_lParams; ++i) EXPECT_EQ(instance.GetParameter(i), before[size_t(i)]) << i;
    }
    for (VstInt32 lBad : {-1, m_lPrograms, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(instance.Dispatch(effGetProgramNameIndexed, lBad, 0, nullptr), 0);
        EXPECT_EQ(instance.Text(effGetProgramNameIndexed, lBad), "<untouched>") << lBad;
    }
    // Opcodes this interface does not offer, and null buffers where texts are asked for.
    char szBuffer[256] = {};
    for (VstInt32 opcode : {9, 16, 30, 60, 78, 1000, -1, INT32_MAX, INT32_MIN})
        EXPECT_EQ(instance.Dispatch(opcode, 1, 1, szBuffer, 1.0f), 0) << opcode;
    for (char c : szBuffer) EXPECT_EQ(c, 0);
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                            effGetParamName, effString2Parameter, effGetProgramNameIndexed, effGetEffectName,
                            effGetVendorString, effGetProductString, effCanDo})
        EXPECT_EQ(instance.Dispatch(opcode, 0, 0, nullptr), 0) << opcode;
}

// ---------------------------------------------------------------------------------------
// Format and audio

// One sequence of host requests, replayed on the reference in the effect's own terms.
struct Step {
    enum Kind { kBlock, kProgram, kParameter, kReset } kind;
    int32 lArg;
    float fValue;
};

const Step kScript[] = {
    {Step::kBlock, 512, 0.0f},  {Step::kBlock, 64, 0.0f},     {Step::kProgram, 1, 0.0f},
    {Step::kBlock, 1024, 0.0f}, {Step::kParameter, 0, 0.3f},  {Step::kBlock, 8192, 0.0f},
    {Step::kBlock, 1, 0.0f},    {Step::kReset, 0, 0.0f},      {Step::kBlock, 777, 0.0f},
    {Step::kProgram, 2, 0.0f},  {Step::kParameter, 1, 0.95f}, {Step::kBlock, 1024, 0.0f},
};

TEST_P(VstHost, ProcessingMatchesTheEffectInMemory)
{
    for (bool bInPlace : {false, true}) {
        SCOPED_TRACE(bInPlace ? "in place" : "separate buffers");
        auto pInstance = Open();
        ASSERT_NE(pInstance, nullptr);
        EffectPtr pReference = MakeReference(m_pDeliverable->lCode);
        pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        pInstance->Dispatch(effSetBlockSize, 0, 512);
        pInstance->Dispatch(effMainsChanged, 0, 1);
        pInstance->Dispatch(effStartProcess);
        pReference->SetSampleRate(48000);
        pReference->SetBlockSize(512);
        pReference->Reset();
        pReference->Reset();

        unsigned seed = 10;
        for (const Step& step : kScript) {
            switch (step.kind) {
            case Step::kBlock: {
                const StereoBlock input = Noise(size_t(step.lArg), ++seed);
                const StereoBlock out = PluginBlock(*pInstance, input, bInPlace);
                EXPECT_TRUE(SameBits(out, qvtest::ProcessStereo(*pReference, input))) << "block of " << step.lArg;
                EXPECT_TRUE(AllFinite(out));
                break;
            }
            case Step::kProgram:
                if (step.lArg >= m_lPrograms) break;
                pInstance->Dispatch(effSetProgram, 0, step.lArg);
                pReference->SetPreset(step.lArg);
                break;
            case Step::kParameter:
                if (step.lArg >= m_lParams) break;
                pInstance->SetParameter(step.lArg, step.fValue);
                pReference->SetParameter(step.lArg, step.fValue);
                break;
            case Step::kReset:
                pInstance->Dispatch(effMainsChanged, 0, 0);
                pInstance->Dispatch(effMainsChanged, 0, 1);
                pReference->Reset();
                pReference->Reset();
                break;
            }
        }

        // Once a block size has been seen, processing allocates nothing.
        const StereoBlock input = Noise(1024, 99);
        StereoBlock in = input, out = Filled(1024, 0.0f);
        Channels ppIn(in), ppOut(bInPlace ? in : out);
        {
            qvtest::AllocationScope allocations;
            pInstance->ProcessReplacing(ppIn, ppOut, 1024);
            EXPECT_EQ(allocations.Count(), 0u);
        }
        EXPECT_TRUE(SameBits(bInPlace ? in : out, qvtest::ProcessStereo(*pReference, input)));
    }
}

TEST_P(VstHost, SampleRateIsTruncatedForTheEffect)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.7f);
    m_pReference->SetSampleRate(44100);
    // Rate-dependent coefficients follow at the next program change.
    const int32 lProgram = m_lPrograms - 1;
    pInstance->Dispatch(effSetProgram, 0, lProgram);
    m_pReference->SetPreset(lProgram);
    ExpectParametersLike(*pInstance, *m_pReference, "44100.7 Hz");
    const StereoBlock input = Noise(2048, 5);
    EXPECT_TRUE(SameBits(PluginBlock(*pInstance, input, false), qvtest::ProcessStereo(*m_pReference, input)));
}

TEST_P(VstHost, WildFormatRequestsKeepTheEffectSound)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    m_pReference->SetSampleRate(48000);
    // None of these is a rate to run at: the effect keeps 48000.
    for (float fRate : {std::nanf(""), INFINITY, -INFINITY, -44100.0f, 0.0f, 0.5f, 1e30f, 4294967296.0f})
        pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, fRate);
    // Block sizes no host can mean are ignored; zero and huge ones are survived.
    for (VstIntPtr size : {VstIntPtr(-1), VstIntPtr(INT32_MIN), kPastInt32, VstIntPtr(0),
                           VstIntPtr(INT32_MAX), VstIntPtr(300)}) {
        pInstance->Dispatch(effSetBlockSize, 0, size);
        if (size >= 0 && size <= INT32_MAX) m_pReference->SetBlockSize(uint32(size));
    }
    pInstance->Dispatch(effSetProgram, 0, 0);
    m_pReference->SetPreset(0);
    ExpectParametersLike(*pInstance, *m_pReference, "after wild formats");
    for (size_t lFrames : {size_t(4096), size_t(300), size_t(70000)}) {
        const StereoBlock input = Noise(lFrames, unsigned(lFrames));
        const StereoBlock out = PluginBlock(*pInstance, input, true);
        EXPECT_TRUE(AllFinite(out));
        EXPECT_TRUE(SameBits(out, qvtest::ProcessStereo(*m_pReference, input))) << lFrames;
    }

    // Wild parameter values: texts stay within their buffers and the effect recovers.
    for (float v : {std::nanf(""), INFINITY, -INFINITY, 1e30f, -1e30f, -1.0f, 2.0f, 1e-42f}) {
        for (int32 i = 0; i < m_lParams; ++i) pInstance->SetParameter(i, v);
        for (int32 i = 0; i < m_lParams; ++i) pInstance->Text(effGetParamDisplay, i, 0, kVstParamTextLen);
        PluginBlock(*pInstance, Noise(256, 3), false);
    }
    pInstance->Dispatch(effSetProgram, 0, 0);
    pInstance->Dispatch(effMainsChanged, 0, 1);
    m_pReference->SetPreset(0);
    m_pReference->Reset();
    const StereoBlock input = Noise(1024, 8);
    const StereoBlock out = PluginBlock(*pInstance, input, false);
    EXPECT_TRUE(AllFinite(out));
    EXPECT_TRUE(SameBits(out, qvtest::ProcessStereo(*m_pReference, input)));
}

TEST_P(VstHost, BlocksWithoutAudioAreLeftAlone)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    StereoBlock in = Noise(64, 2);
    for (VstInt32 lFrames : {0, -1, INT32_MIN}) {
        StereoBlock out = Filled(64, 7.0f);
        pInstance->ProcessReplacing(Channels(in), Channels(out), lFrames);
        EXPECT_TRUE(SameBits(out, Filled(64, 7.0f))) << lFrames;
    }
    pInstance->ProcessReplacing(Channels(in), nullptr, 64);
    StereoBlock out = Filled(64, 7.0f);
    pInstance->ProcessReplacing(nullptr, Channels(out), 64);
    EXPECT_TRUE(SameBits(out, Filled(64, 0.0f)));

    // The accumulating call of old hosts adds nothing; double precision gives silence.
    StereoBlock sum = Filled(64, 0.25f);
    pInstance->Record()->process(pInstance->Record(), Channels(in), Channels(sum), 64);
    EXPECT_TRUE(SameBits(sum, Filled(64, 0.25f)));
    std::vector<double> dIn(64, 0.5), dOut[2] = {std::vector<double>(64, 3.0), std::vector<double>(64, 3.0)};
    double* ppIn[2] = {dIn.data(), dIn.data()};
    double* ppOut[2] = {dOut[0].data(), dOut[1].data()};
    pInstance->Record()->processDoubleReplacing(pInstance->Record(), ppIn, ppOut, 64);
    for (const auto& c : dOut)
        for (double x : c) EXPECT_EQ(x, 0.0);

    // A channel the host leaves out is skipped, the other one processed.
    const StereoBlock input = Noise(512, 4);
    StereoBlock pluginIn = input, pluginOut = Filled(512, 9.0f), refIn = input, refOut = Filled(512, 9.0f);
    float* ppPluginIn[2] = {pluginIn.ch[0].data(), nullptr};
    float* ppPluginOut[2] = {pluginOut.ch[0].data(), nullptr};
    float* ppRefIn[2] = {refIn.ch[0].data(), nullptr};
    float* ppRefOut[2] = {refOut.ch[0].data(), nullptr};
    pInstance->Dispatch(effMainsChanged, 0, 1);
    m_pReference->Reset();
    pInstance->ProcessReplacing(ppPluginIn, ppPluginOut, 512);
    m_pReference->ProcessBlock(ppRefIn, ppRefOut, 512, false);
    EXPECT_TRUE(SameBits(pluginOut, refOut));
}

TEST_P(VstHost, RequestsBeforeOpenAreServed)
{
    AEffect* pEffect = m_pFile->Instantiate();
    ASSERT_NE(pEffect, nullptr);
    CInstance instance(pEffect);
    EXPECT_EQ(instance.Dispatch(effGetPlugCategory), kPlugCategEffect);
    instance.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    instance.Dispatch(effSetBlockSize, 0, 256);
    EXPECT_EQ(instance.Text(effGetParamName, 0), Name(*m_pReference, &CFilterWrap::GetParameterName, 0));
    EXPECT_EQ(instance.Dispatch(effGetVstVersion), 2400);
    const int32 lProgram = m_lPrograms - 1;
    instance.Dispatch(effSetProgram, 0, lProgram);
    instance.Dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(instance.Dispatch(effOpen), 0);
    EXPECT_EQ(instance.Dispatch(effGetProgram), lProgram);

    m_pReference->SetSampleRate(96000);
    m_pReference->SetBlockSize(256);
    m_pReference->SetPreset(lProgram);
    m_pReference->Reset();
    ExpectParametersLike(instance, *m_pReference, "opened late");
    const StereoBlock input = Noise(1000, 6);
    EXPECT_TRUE(SameBits(PluginBlock(instance, input, false), qvtest::ProcessStereo(*m_pReference, input)));
}

// Whatever a host sends, in whatever order: every answer stays defined, nothing is
// written outside the buffers given, and the plug-in still works afterwards.
TEST_P(VstHost, RandomRequestsLeaveItWorking)
{
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    std::mt19937 rng(7);
    std::uniform_int_distribution<VstInt32> opcode(-2, 80), index(-3, 12);
    const VstIntPtr kValues[] = {0, 1, 2, -1, 99, 512, 8192, INT32_MAX, kFarPastInt32};
    const float kOpts[] = {0.0f, 44100.0f, 96000.0f, -1.0f, std::nanf(""), 1e30f};
    char szBuffer[600];
    for (int i = 0; i < 400; ++i) {
        const VstInt32 op = opcode(rng);
        if (op == effClose) continue;
        // A terminated text within the first 24 bytes, for requests that read one.
        std::memset(szBuffer, 0x55, sizeof(szBuffer));
        std::strcpy(szBuffer, "2in2out");
        const size_t lValue = size_t(rng() % (sizeof(kValues) / sizeof(kValues[0])));
        const size_t lOpt = size_t(rng() % (sizeof(kOpts) / sizeof(kOpts[0])));
        pInstance->Dispatch(op, index(rng), kValues[lValue], rng() % 4 ? szBuffer : nullptr, kOpts[lOpt]);
        for (size_t b = 64; b < sizeof(szBuffer); ++b) ASSERT_EQ(szBuffer[b], 0x55) << "opcode " << op;
        if (i % 25 == 0) PluginBlock(*pInstance, Noise(333, unsigned(i)), i % 2 == 0);
    }
    pInstance->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    pInstance->Dispatch(effSetProgram, 0, 0);
    pInstance->Dispatch(effMainsChanged, 0, 1);
    m_pReference->SetPreset(0);
    m_pReference->Reset();
    ExpectParametersLike(*pInstance, *m_pReference, "after random requests");
    const StereoBlock input = Noise(1024, 31);
    EXPECT_TRUE(SameBits(PluginBlock(*pInstance, input, false), qvtest::ProcessStereo(*m_pReference, input)));
}

// ---------------------------------------------------------------------------------------
// Several instances and scarce memory

TEST_P(VstHost, TwoInstancesSideBySide)
{
    auto pFirst = Open();
    auto pSecond = Open();
    ASSERT_TRUE(pFirst && pSecond);
    EXPECT_NE(pFirst->Record(), pSecond->Record());
    EffectPtr pRefFirst = MakeReference(m_pDeliverable->lCode);
    EffectPtr pRefSecond = MakeReference(m_pDeliverable->lCode);
    const int32 lOther = m_lPrograms - 1;
    pSecond->Dispatch(effSetProgram, 0, lOther);
    pRefSecond->SetPreset(lOther);
    pFirst->SetParameter(0, 0.123f);
    pRefFirst->SetParameter(0, 0.123f);
    pFirst->Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
    pRefFirst->SetSampleRate(22050);
    pSecond->Dispatch(effSetProgramName, 0, 0, const_cast<char*>("Second"));

    EXPECT_EQ(pFirst->Dispatch(effGetProgram), 0);
    EXPECT_EQ(pFirst->Text(effGetProgramName), PresetName(*m_pReference, 0));
    EXPECT_EQ(pSecond->Text(effGetProgramName), "Second");
    ExpectParametersLike(*pFirst, *pRefFirst, "first");
    ExpectParametersLike(*pSecond, *pRefSecond, "second");
    for (int round = 0; round < 3; ++round) {
        const StereoBlock a = Noise(700, unsigned(20 + round)), b = Noise(700, unsigned(40 + round));
        EXPECT_TRUE(SameBits(PluginBlock(*pFirst, a, true), qvtest::ProcessStereo(*pRefFirst, a)));
        EXPECT_TRUE(SameBits(PluginBlock(*pSecond, b, false), qvtest::ProcessStereo(*pRefSecond, b)));
    }
    pFirst->Close();
    const StereoBlock b = Noise(700, 60);
    EXPECT_TRUE(SameBits(PluginBlock(*pSecond, b, true), qvtest::ProcessStereo(*pRefSecond, b)));
}

// Memory short from the start: neither the plug-in object nor its effect's lock can be
// had. The host gets nothing rather than a plug-in without its effect.
TEST_P(VstHost, ShortOfMemoryRefusesToLoad)
{
    for (size_t lAllowed : {0u, 1u}) {
        AEffect* pEffect;
        bool bRefused;
        {
            qvtest::FailingAllocationScope scarce(lAllowed);
            pEffect = m_pFile->Instantiate();
            bRefused = scarce.Refused();
        }
        EXPECT_TRUE(bRefused) << lAllowed;
        EXPECT_EQ(pEffect, nullptr) << lAllowed;
        if (pEffect) CInstance instance(pEffect);
    }
    auto pInstance = Open();
    ASSERT_NE(pInstance, nullptr);
    EXPECT_EQ(pInstance->Record()->numParams, m_lParams);
}

std::string PluginName(const ::testing::TestParamInfo<QVPluginFile>& info) { return info.param.pDeliverable; }

INSTANTIATE_TEST_SUITE_P(Plugins, VstHost, ::testing::ValuesIn(kPluginFiles), PluginName);

// ---------------------------------------------------------------------------------------
// All plug-ins in one process

TEST(VstHostProcess, EveryPluginLoadedTogetherKeepsItsOwnEffect)
{
    std::vector<std::unique_ptr<CPluginFile>> files;
    std::vector<std::unique_ptr<CInstance>> instances;
    for (const QVPluginFile& plugin : kPluginFiles) {
        files.emplace_back(new CPluginFile(plugin.pPath));
        ASSERT_TRUE(files.back()->IsLoaded()) << files.back()->Error();
        instances.emplace_back(new CInstance(files.back()->Instantiate()));
        ASSERT_NE(instances.back()->Record(), nullptr);
    }
    for (size_t i = 0; i < instances.size(); ++i) {
        const Deliverable* pDeliverable = FindDeliverable(kPluginFiles[i].pDeliverable);
        ASSERT_NE(pDeliverable, nullptr);
        SCOPED_TRACE(pDeliverable->pFile);
        CInstance& instance = *instances[i];
        EXPECT_EQ(instance.Text(effGetEffectName), pDeliverable->pEffectName);
        EXPECT_EQ(instance.Record()->uniqueID, pDeliverable->lCode);
        EffectPtr pReference = MakeReference(pDeliverable->lCode);
        const StereoBlock input = Noise(1024, unsigned(i));
        EXPECT_TRUE(SameBits(PluginBlock(instance, input, false), qvtest::ProcessStereo(*pReference, input)));
    }
}

// Hosts that scan plug-ins often quit without closing what they opened.
TEST(VstHostProcessDeathTest, InstancesLeftOpenAtExit)
{
    EXPECT_EXIT(
        {
            // Plain arrays stay reachable for the leak checker after static destruction.
            static CPluginFile* s_pFiles[64];
            static AEffect* s_pEffects[128];
            size_t lEffects = 0;
            static_cast<void>(s_pEffects);
            for (size_t f = 0; f < sizeof(kPluginFiles) / sizeof(kPluginFiles[0]); ++f) {
                s_pFiles[f] = new CPluginFile(kPluginFiles[f].pPath);
                for (int i = 0; i < 2; ++i) {
                    AEffect* pEffect = s_pFiles[f]->Instantiate();
                    if (!pEffect) std::exit(2);
                    pEffect->dispatcher(pEffect, effMainsChanged, 0, 1, nullptr, 0.0f);
                    s_pEffects[lEffects++] = pEffect;
                }
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
