#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue.h"
#include "support/alloc_counter.h"
#include "platform/AudioUnitSDK/AUHostAPI.h"

namespace {

struct Component {
    std::string subtype, name, entry;
    ComponentEntryProc proc;
    const QVEffectInfo* info;
};

// The bundle, loaded once: its registration file names the entries to look up.
class Bundle {
public:
    static Bundle& Get()
    {
        static Bundle bundle;
        return bundle;
    }
    std::vector<Component> components;
    std::string error;

private:
    Bundle()
    {
        const std::string dir = QV_AU_BUNDLE;
        void* handle = dlopen((dir + "/Contents/MacOS/Quillmark").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error = dlerror();
            return;
        }
        std::ifstream registration(dir + "/Contents/Resources/Quillmark.components");
        std::string line;
        while (std::getline(registration, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string type, subtype, manufacturer, name, entry;
            std::getline(fields, type, '\t');
            std::getline(fields, subtype, '\t');
            std::getline(fields, manufacturer, '\t');
            std::getline(fields, name, '\t');
            std::getline(fields, entry, '\t');
            Component c{subtype, name, entry, reinterpret_cast<ComponentEntryProc>(dlsym(handle, entry.c_str())), nullptr};
            const int32 code = QVFourCC(subtype[0], subtype[1], subtype[2], subtype[3]);
            c.info = QVFindEffect(code);
            components.push_back(c);
        }
    }
};

// One open unit, closed at the end of the scope.
class Unit {
public:
    explicit Unit(const Component& c)
    {
        EXPECT_EQ(OpenComponentWithEntry(c.proc, &unit), noErr);
    }
    ~Unit()
    {
        if (unit) CloseComponent(unit);
    }
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    OSStatus Format(UInt32 inChannels, UInt32 outChannels, Float64 rate = 44100.0)
    {
        OSStatus result = SetFormat(kAudioUnitScope_Input, inChannels, rate);
        if (result == noErr) result = SetFormat(kAudioUnitScope_Output, outChannels, rate);
        return result;
    }
    OSStatus SetFormat(AudioUnitScope scope, UInt32 channels, Float64 rate)
    {
        AudioStreamBasicDescription format = {};
        UInt32 size = sizeof format;
        AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, scope, 0, &format, &size);
        format.mChannelsPerFrame = channels;
        format.mSampleRate = rate;
        return AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, 0, &format, sizeof format);
    }
    float Parameter(AudioUnitParameterID id)
    {
        float value = -1.0f;
        EXPECT_EQ(AudioUnitGetParameter(unit, id, kAudioUnitScope_Global, 0, &value), noErr);
        return value;
    }
    // The value text of a parameter, at the given value or (null) the current one.
    std::string Text(AudioUnitParameterID id, const float* pValue, OSStatus* pResult = nullptr)
    {
        AudioUnitParameterStringFromValue record = {id, pValue, nullptr};
        UInt32 size = sizeof record;
        const OSStatus result =
            AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, &record, &size);
        if (pResult) *pResult = result;
        std::string text;
        if (record.outString) {
            char buffer[128];
            EXPECT_TRUE(CFStringGetCString(record.outString, buffer, sizeof buffer, kCFStringEncodingUTF8));
            text = buffer;
            CFRelease(record.outString);
        }
        return text;
    }

    AudioUnit unit = nullptr;
};

// Feeds a unit from fixed channel data through a render callback.
struct Source {
    std::vector<float> channels[2];
    UInt32 position = 0;
    bool silent = false;

    static OSStatus Render(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32 frames,
                           AudioBufferList* data)
    {
        Source* self = static_cast<Source*>(refCon);
        for (UInt32 c = 0; c < data->mNumberBuffers; ++c) {
            float* out = static_cast<float*>(data->mBuffers[c].mData);
            for (UInt32 i = 0; i < frames; ++i) {
                const std::vector<float>& ch = self->channels[c];
                out[i] = self->silent || ch.empty() ? 0.0f : ch[(self->position + i) % ch.size()];
            }
        }
        if (self->silent) *flags |= kAudioUnitRenderAction_OutputIsSilence;
        self->position += frames;
        return noErr;
    }
    void Attach(AudioUnit unit)
    {
        AURenderCallbackStruct callback = {&Source::Render, this};
        ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &callback,
                                       sizeof callback),
                  noErr);
    }
};

std::vector<float> Noise(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<float> x(n);
    for (float& v : x) v = d(rng);
    return x;
}

// Renders nFrames into host buffers (or, with bInPlace, into the unit's own) and
// returns the output channels.
std::vector<std::vector<float>> Render(AudioUnit unit, UInt32 channels, UInt32 frames, bool bInPlace,
                                       AudioUnitRenderActionFlags* pFlags = nullptr)
{
    std::vector<std::vector<float>> out(channels, std::vector<float>(frames, 99.0f));
    std::unique_ptr<AudioBufferList, decltype(&std::free)> list(
        static_cast<AudioBufferList*>(std::calloc(1, sizeof(AudioBufferList) + sizeof(AudioBuffer))), &std::free);
    list->mNumberBuffers = channels;
    for (UInt32 c = 0; c < channels; ++c) {
        list->mBuffers[c].mNumberChannels = 1;
        list->mBuffers[c].mDataByteSize = frames * 4;
        list->mBuffers[c].mData = bInPlace ? nullptr : out[c].data();
    }
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp stamp = {};
    const OSStatus result = AudioUnitRender(unit, &flags, &stamp, 0, frames, list.get());
    EXPECT_EQ(result, noErr);
    if (pFlags) *pFlags = flags;
    if (bInPlace && result == noErr)
        for (UInt32 c = 0; c < channels; ++c) {
            const float* p = static_cast<const float*>(list->mBuffers[c].mData);
            out[c].assign(p, p + frames);
        }
    return out;
}

// The same effect in memory, prepared as the adapter prepares it.
std::unique_ptr<CFilterWrap, void (*)(CFilterWrap*)> Reference(const QVEffectInfo& info, UInt32 channels, uint32 rate)
{
    std::unique_ptr<CFilterWrap, void (*)(CFilterWrap*)> effect(info.pCreate(), [](CFilterWrap* p) { p->Delete(); });
    effect->SetPreset(0);
    effect->Reset();
    effect->SetChannels(channels);
    effect->SetSampleRate(rate);
    effect->SetBlockSize(1024);
    return effect;
}

class AudioUnitHost : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        Bundle& bundle = Bundle::Get();
        ASSERT_TRUE(bundle.error.empty()) << bundle.error;
        ASSERT_LT(size_t(GetParam()), bundle.components.size());
        component = &bundle.components[size_t(GetParam())];
        ASSERT_NE(component->proc, nullptr) << component->entry;
        ASSERT_NE(component->info, nullptr) << component->subtype;
    }
    const QVEffectInfo& Info() const { return *component->info; }
    const Component* component = nullptr;
};

TEST(AudioUnitBundle, RegistersEveryEffectOfTheCatalogue)
{
    Bundle& bundle = Bundle::Get();
    ASSERT_TRUE(bundle.error.empty()) << bundle.error;
    ASSERT_EQ(int(bundle.components.size()), QVCatalogueCount());
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        const Component& c = bundle.components[size_t(i)];
        ASSERT_NE(c.info, nullptr) << c.subtype;
        EXPECT_EQ(c.entry, c.info->pUnitEntry);
        EXPECT_NE(c.proc, nullptr) << c.entry;
        EXPECT_EQ(c.name, std::string("Tessary: ") + c.info->pShortName);
    }
}

TEST_P(AudioUnitHost, IdentityLatencyAndTail)
{
    Unit u(*component);
    EXPECT_EQ(CallComponentVersion(u.unit), 0x00010003);
    Float64 value = 0;
    UInt32 size = sizeof value;
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &value, &size), noErr);
    EXPECT_EQ(value, 0.02);
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, &value, &size), noErr);
    EXPECT_EQ(value, 0.5);
    AUChannelInfo channels[4] = {};
    size = sizeof channels;
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, channels, &size),
              noErr);
    ASSERT_EQ(size, 2 * sizeof(AUChannelInfo));
    EXPECT_EQ(channels[0].inChannels, 1);
    EXPECT_EQ(channels[0].outChannels, 1);
    EXPECT_EQ(channels[1].inChannels, 2);
    EXPECT_EQ(channels[1].outChannels, 2);
    EXPECT_EQ(CallComponentCanDo(u.unit, kAudioUnitRenderSelect), 1);
    EXPECT_EQ(CallComponentCanDo(u.unit, kAudioUnitProcessSelect), 0);
}

TEST_P(AudioUnitHost, ChannelConfigurations)
{
    struct Case {
        UInt32 in, out;
        OSStatus expected;
    };
    for (const Case& c : {Case{1, 1, noErr}, Case{2, 2, noErr}, Case{1, 2, kAudioUnitErr_FormatNotSupported},
                          Case{2, 1, kAudioUnitErr_FormatNotSupported}}) {
        SCOPED_TRACE(testing::Message() << c.in << " in, " << c.out << " out");
        Unit u(*component);
        ASSERT_EQ(u.Format(c.in, c.out), noErr);
        EXPECT_EQ(AudioUnitInitialize(u.unit), c.expected);
    }
}

TEST_P(AudioUnitHost, ParametersAndTheirInfo)
{
    Unit u(*component);
    std::unique_ptr<CFilterWrap, void (*)(CFilterWrap*)> effect(Info().pCreate(), [](CFilterWrap* p) { p->Delete(); });
    effect->SetPreset(0);
    const UInt32 n = UInt32(Info().lControlCount);

    std::vector<AudioUnitParameterID> ids(n + 1);
    UInt32 size = UInt32(ids.size() * sizeof(AudioUnitParameterID));
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(), &size), noErr);
    ASSERT_EQ(size, n * sizeof(AudioUnitParameterID));

    for (UInt32 i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ids[i], i);
        EXPECT_EQ(u.Parameter(i), effect->GetParameter(int32(i))) << "preset 0 is applied and copied to the host";
        AudioUnitParameterInfo info;
        size = sizeof info;
        ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, i, &info, &size), noErr);
        char name[32], label[32];
        effect->GetParameterName(int32(i), name);
        effect->GetParameterLabel(int32(i), label);
        EXPECT_STREQ(info.name, name);
        char text[64];
        ASSERT_TRUE(CFStringGetCString(info.cfNameString, text, sizeof text, kCFStringEncodingUTF8));
        EXPECT_STREQ(text, name);
        ASSERT_TRUE(CFStringGetCString(info.unitName, text, sizeof text, kCFStringEncodingUTF8));
        EXPECT_STREQ(text, label);
        EXPECT_EQ(info.unit, 26u);
        EXPECT_EQ(info.minValue, 0.0f);
        EXPECT_EQ(info.maxValue, 1.0f);
        EXPECT_EQ(info.flags, 0xC8200010u);
        EXPECT_EQ(info.defaultValue, effect->GetParameter(int32(i)));
        CFRelease(info.cfNameString);
        CFRelease(info.unitName);

        // The reported default follows the last value set.
        ASSERT_EQ(AudioUnitSetParameter(u.unit, i, kAudioUnitScope_Global, 0, 0.7f, 0), noErr);
        EXPECT_EQ(u.Parameter(i), 0.7f);
        ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, i, &info, &size), noErr);
        EXPECT_EQ(info.defaultValue, 0.7f);
        CFRelease(info.cfNameString);
        CFRelease(info.unitName);
    }

    AudioUnitParameterInfo info;
    size = sizeof info;
    testing::internal::CaptureStdout();
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, n, &info, &size),
              kAudioUnitErr_InvalidParameter);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: filter parameter id out of range!\n");
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Input, 0, &info, &size),
              kAudioUnitErr_InvalidParameter);
}

TEST_P(AudioUnitHost, ValueTextsLeaveTheControlAsItWas)
{
    Unit u(*component);
    std::unique_ptr<CFilterWrap, void (*)(CFilterWrap*)> effect(Info().pCreate(), [](CFilterWrap* p) { p->Delete(); });
    effect->SetPreset(0);
    const UInt32 n = UInt32(Info().lControlCount);
    for (UInt32 i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        char expected[64];
        effect->GetParameterDisplay(int32(i), expected);
        EXPECT_EQ(u.Text(i, nullptr), expected);
        for (float value : {0.0f, 0.25f, 1.0f}) {
            effect->SetParameter(int32(i), value);
            effect->GetParameterDisplay(int32(i), expected);
            EXPECT_EQ(u.Text(i, &value), expected) << value;
        }
        effect->SetPreset(0);
        effect->GetParameterDisplay(int32(i), expected);
        EXPECT_EQ(u.Text(i, nullptr), expected) << "the probe is undone";
        EXPECT_EQ(u.Parameter(i), effect->GetParameter(int32(i)));
    }
    OSStatus result = noErr;
    const float value = 0.5f;
    EXPECT_EQ(u.Text(n, &value, &result), "");
    EXPECT_EQ(result, kAudioUnitErr_InvalidParameter);
    EXPECT_EQ(u.Text(0xFFFFFFFFu, nullptr, &result), "");
    EXPECT_EQ(result, kAudioUnitErr_InvalidParameter);
}

TEST_P(AudioUnitHost, FactoryPresets)
{
    Unit u(*component);
    std::unique_ptr<CFilterWrap, void (*)(CFilterWrap*)> effect(Info().pCreate(), [](CFilterWrap* p) { p->Delete(); });
    CFArrayRef presets = nullptr;
    UInt32 size = sizeof presets;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets, &size), noErr);
    ASSERT_EQ(CFArrayGetCount(presets), Info().lPresetCount);

    AUPreset current = {};
    size = sizeof current;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &current, &size), noErr);
    EXPECT_EQ(current.presetNumber, 0) << "preset 0 is current after opening";
    CFRelease(current.presetName);

    for (CFIndex p = CFArrayGetCount(presets) - 1; p >= 0; --p) {
        SCOPED_TRACE(p);
        const AUPreset* entry = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, p));
        ASSERT_EQ(entry->presetNumber, p);
        char name[32], expected[32];
        ASSERT_TRUE(CFStringGetCString(entry->presetName, name, sizeof name, kCFStringEncodingUTF8));
        effect->GetPresetNameIndexed(int32(p), expected);
        EXPECT_STREQ(name, expected);

        // The caller's name does not matter: the unit reports its own entry.
        AUPreset choice = {SInt32(p), nullptr};
        ASSERT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &choice, sizeof choice),
                  noErr);
        for (int32 c = 0; c < Info().lControlCount; ++c)
            EXPECT_EQ(u.Parameter(AudioUnitParameterID(c)), effect->GetPresetParameterIndexed(int32(p), c));
        ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &current, &size), noErr);
        EXPECT_EQ(current.presetNumber, p);
        ASSERT_TRUE(CFStringGetCString(current.presetName, name, sizeof name, kCFStringEncodingUTF8));
        EXPECT_STREQ(name, expected);
        CFRelease(current.presetName);
    }
    AUPreset beyond = {SInt32(Info().lPresetCount), nullptr};
    EXPECT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, &beyond, sizeof beyond),
              kAudioUnitErr_InvalidPropertyValue);
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, &current, &size), noErr);
    EXPECT_EQ(current.presetNumber, 0) << "a refused preset changes nothing";
    CFRelease(presets);
}

TEST_P(AudioUnitHost, RendersLikeTheEffectInMemoryInPlaceOrNot)
{
    for (UInt32 channels : {1u, 2u}) {
        for (bool bInPlace : {true, false}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, in place " << bInPlace);
            Unit u(*component);
            ASSERT_EQ(u.Format(channels, channels, 48000.0), noErr);
            Source source;
            source.channels[0] = Noise(8192, 1);
            source.channels[1] = Noise(8192, 2);
            source.Attach(u.unit);
            ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);

            const bool bStereoOnly = channels == 1 && Reference(Info(), 2, 48000)->IsOnlyStereo();
            auto effect = Reference(Info(), bStereoOnly ? 2 : channels, 48000);
            std::vector<float> in[2], out[2];
            UInt32 position = 0;
            for (UInt32 frames : {512u, 1024u, 2048u, 7u, 512u}) {
                const auto rendered = Render(u.unit, channels, frames, bInPlace);
                for (UInt32 c = 0; c < 2; ++c) {
                    const std::vector<float>& src = source.channels[bStereoOnly ? 0 : c];
                    in[c].assign(src.begin() + position, src.begin() + position + frames);
                    out[c].assign(frames, 0.0f);
                }
                float* ppIn[2] = {in[0].data(), channels == 2 || bStereoOnly ? in[1].data() : nullptr};
                float* ppOut[2] = {out[0].data(), channels == 2 || bStereoOnly ? out[1].data() : nullptr};
                effect->ProcessBlock(ppIn, ppOut, frames, false);
                for (UInt32 c = 0; c < channels; ++c)
                    ASSERT_EQ(rendered[c], out[c]) << "slice of " << frames << " frames, channel " << c;
                position += frames;
            }
        }
    }
}

TEST_P(AudioUnitHost, SteadyRenderAllocatesNothing)
{
    for (UInt32 channels : {1u, 2u}) {
        Unit u(*component);
        ASSERT_EQ(u.Format(channels, channels), noErr);
        Source source;
        source.channels[0] = Noise(4096, 5);
        source.channels[1] = Noise(4096, 6);
        source.Attach(u.unit);
        ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
        AudioUnitRenderActionFlags flags = 0;
        AudioTimeStamp stamp = {};
        std::vector<float> out[2] = {std::vector<float>(512), std::vector<float>(512)};
        alignas(AudioBufferList) unsigned char storage[sizeof(AudioBufferList) + sizeof(AudioBuffer)] = {};
        AudioBufferList* list = reinterpret_cast<AudioBufferList*>(storage);
        list->mNumberBuffers = channels;
        auto render = [&](bool bInPlace) {
            for (UInt32 c = 0; c < channels; ++c) list->mBuffers[c] = {1, 512 * 4, bInPlace ? nullptr : out[c].data()};
            return AudioUnitRender(u.unit, &flags, &stamp, 0, 512, list);
        };
        ASSERT_EQ(render(true), noErr);
        ASSERT_EQ(render(false), noErr);
        // Control changes (on the host's control thread) may allocate; render may not.
        size_t allocations = 0;
        for (int i = 0; i < 20; ++i) {
            qvtest::AllocationScope scope;
            ASSERT_EQ(render(i % 2 == 0), noErr);
            allocations += scope.Count();
            AudioUnitSetParameter(u.unit, 0, kAudioUnitScope_Global, 0, 0.05f * float(i), 0);
        }
        EXPECT_EQ(allocations, 0u) << channels << " channels";
    }
}

TEST_P(AudioUnitHost, SilenceIsReportedOnlyAfterLatencyAndTail)
{
    Unit u(*component);
    ASSERT_EQ(u.Format(2, 2, 44100.0), noErr);
    Source source;
    source.channels[0] = Noise(512, 3);
    source.channels[1] = Noise(512, 4);
    source.Attach(u.unit);
    ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
    AudioUnitRenderActionFlags flags = 0;
    for (int round = 0; round < 2; ++round) {
        source.silent = false;
        Render(u.unit, 2, 512, true, &flags);
        EXPECT_EQ(flags & kAudioUnitRenderAction_OutputIsSilence, 0u);
        source.silent = true;
        // 0.52 s at 44100 Hz is 22932 frames: 45 silent slices still sound, the 46th not.
        for (int slice = 1; slice <= 46; ++slice) {
            Render(u.unit, 2, 512, true, &flags);
            EXPECT_EQ((flags & kAudioUnitRenderAction_OutputIsSilence) != 0, slice == 46) << "slice " << slice;
        }
    }
}

TEST_P(AudioUnitHost, ResetBeforeInitializeAndRenderErrors)
{
    Unit u(*component);
    EXPECT_EQ(AudioUnitReset(u.unit, kAudioUnitScope_Global, 0), noErr);
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp stamp = {};
    AudioBufferList list = {1, {{1, 0, nullptr}}};
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 64, &list), kAudioUnitErr_Uninitialized);
    ASSERT_EQ(u.Format(1, 1), noErr);
    ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 64, &list), kAudioUnitErr_NoConnection);
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 1u << 20, &list), kAudioUnitErr_TooManyFramesToProcess);
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 64, nullptr), kAudio_ParamError);
    EXPECT_EQ(AudioUnitUninitialize(u.unit), noErr);
    EXPECT_EQ(AudioUnitReset(u.unit, kAudioUnitScope_Global, 0), noErr);
}

TEST_P(AudioUnitHost, ClassInfoRestoresTheHostParameters)
{
    Unit u(*component);
    const UInt32 n = UInt32(Info().lControlCount);
    for (UInt32 i = 0; i < n; ++i) ASSERT_EQ(AudioUnitSetParameter(u.unit, i, kAudioUnitScope_Global, 0, 0.1f * float(i + 1), 0), noErr);
    CFPropertyListRef state = nullptr;
    UInt32 size = sizeof state;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size), noErr);
    for (UInt32 i = 0; i < n; ++i) AudioUnitSetParameter(u.unit, i, kAudioUnitScope_Global, 0, 0.9f, 0);
    const std::string textChanged = u.Text(0, nullptr);
    ASSERT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, sizeof state), noErr);
    for (UInt32 i = 0; i < n; ++i) EXPECT_EQ(u.Parameter(i), 0.1f * float(i + 1));
    EXPECT_EQ(u.Text(0, nullptr), textChanged) << "the effect keeps its values until the host sets parameters";
    CFRelease(state);

    CFDataRef garbage = CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const uint8_t*>("junk"), 4);
    EXPECT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &garbage, sizeof garbage),
              kAudioUnitErr_InvalidPropertyValue);
    CFRelease(garbage);
}

// A host that wires two units into a ring gets an error from the render, not a stack
// overflow; the same units render again once the ring is broken.
TEST(AudioUnitConnections, RingOfUnitsRefusesToRender)
{
    const Bundle& bundle = Bundle::Get();
    ASSERT_GE(bundle.components.size(), 2u) << bundle.error;
    Unit a(bundle.components[0]), b(bundle.components[1]);
    auto connect = [](AudioUnit to, AudioUnit from) {
        const AudioUnitConnection connection = {from, 0, 0};
        return AudioUnitSetProperty(to, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &connection,
                                    sizeof connection);
    };
    ASSERT_EQ(connect(a.unit, b.unit), noErr);
    ASSERT_EQ(connect(b.unit, a.unit), noErr);
    ASSERT_EQ(AudioUnitInitialize(a.unit), noErr);
    ASSERT_EQ(AudioUnitInitialize(b.unit), noErr);
    std::vector<float> left(256), right(256);
    AudioBufferList* list = static_cast<AudioBufferList*>(std::calloc(1, sizeof(AudioBufferList) + sizeof(AudioBuffer)));
    list->mNumberBuffers = 2;
    list->mBuffers[0] = {1, 256 * 4, left.data()};
    list->mBuffers[1] = {1, 256 * 4, right.data()};
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = {};
    EXPECT_EQ(AudioUnitRender(a.unit, &flags, &stamp, 0, 256, list), kAudioUnitErr_CannotDoInCurrentContext);

    Source source;
    source.channels[0] = source.channels[1] = Noise(256, 3);
    source.Attach(b.unit);
    ASSERT_EQ(connect(b.unit, nullptr), noErr);
    EXPECT_EQ(AudioUnitRender(a.unit, &flags, &stamp, 0, 256, list), noErr);
    std::free(list);
}

std::string EffectName(const testing::TestParamInfo<int>& info)
{
    const Bundle& bundle = Bundle::Get();
    if (size_t(info.param) >= bundle.components.size()) return "missing" + std::to_string(info.param);
    return bundle.components[size_t(info.param)].entry;
}

INSTANTIATE_TEST_SUITE_P(AllEffects, AudioUnitHost, ::testing::Range(0, 11), EffectName);

} // namespace
