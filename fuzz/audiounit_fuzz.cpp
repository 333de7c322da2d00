// Fuzzes the Audio Unit components of the Quillmark bundle the way a careless host
// drives them: the byte stream decodes into a sequence of host calls on one or two
// instances of any of the eleven effects. Selectors, properties, scopes and elements take
// any value; property data comes in buffers of exactly the size the host declares (any
// size), so a read or write past it is caught; stream formats, parameter and preset
// calls, and renders of mono and stereo buffer lists with any frame count, null or short
// buffers, fed by a render callback or by the other instance.
//
// The host keeps its side of the contract where the interface hands over pointers: the
// objects and callbacks it passes are real ones, and it releases what it is given.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "catalogue.h"
#include "fuzz_bytes.h"
#include "platform/AudioUnitSDK/AUHostAPI.h"

namespace {

const AudioUnitPropertyID kProperties[] = {
    kAudioUnitProperty_ClassInfo, kAudioUnitProperty_MakeConnection, kAudioUnitProperty_SampleRate,
    kAudioUnitProperty_ParameterList, kAudioUnitProperty_ParameterInfo, kAudioUnitProperty_StreamFormat,
    kAudioUnitProperty_ElementCount, kAudioUnitProperty_Latency, kAudioUnitProperty_SupportedNumChannels,
    kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitProperty_TailTime, kAudioUnitProperty_BypassEffect,
    kAudioUnitProperty_SetRenderCallback, kAudioUnitProperty_FactoryPresets, kAudioUnitProperty_CurrentPreset,
    kAudioUnitProperty_InPlaceProcessing, kAudioUnitProperty_ParameterStringFromValue,
    kAudioUnitProperty_PresentPreset, 5, 7, 1000};
const AudioUnitScope kScopes[] = {kAudioUnitScope_Global, kAudioUnitScope_Input, kAudioUnitScope_Output, 3, 0xFFFFFFFFu};
const UInt32 kFrameCounts[] = {0, 1, 15, 512, 1024, 4096, 4097, 65536, 65537};
const Float64 kRates[] = {44100.0, 48000.0, 96000.0, 1.0, 0.0, -48000.0, 4.0e6, 4.1e6, 1e300, 0.5};

const int kMaxSteps = 64;
const UInt32 kMaxFrames = 1u << 17;

// Host memory of exactly the size the host declares, so that the sanitizer sees any
// access past it.
class CBlock {
public:
    explicit CBlock(size_t size) : m_p(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1))), m_Size(size) {}
    ~CBlock() { std::free(m_p); }
    CBlock(const CBlock&) = delete;
    CBlock& operator=(const CBlock&) = delete;

    // Copies the start of a record into the block, as much as fits.
    template <class T>
    void Put(const T& record)
    {
        std::memcpy(m_p, &record, m_Size < sizeof(T) ? m_Size : sizeof(T));
    }
    template <class T>
    T Get() const
    {
        T record;
        std::memcpy(&record, m_p, sizeof(T));
        return record;
    }
    uint8_t* Data() { return m_p; }
    UInt32 Size() const { return UInt32(m_Size); }

private:
    uint8_t* m_p;
    size_t m_Size;
};

ComponentEntryProc EntryOf(const QVEffectInfo& effect)
{
    return reinterpret_cast<ComponentEntryProc>(dlsym(RTLD_DEFAULT, effect.pUnitEntry));
}

class CHost {
public:
    explicit CHost(CQVFuzzBytes& in) : m_In(in) {}
    ~CHost()
    {
        for (int i = 0; i < 2; ++i) Close(i);
        if (m_SavedState) CFRelease(m_SavedState);
    }
    CHost(const CHost&) = delete;
    CHost& operator=(const CHost&) = delete;

    void Step()
    {
        const uint8_t op = m_In.Byte();
        const int slot = op & 1;
        AudioUnit unit = m_Units[slot]; // may be null: the calls must refuse it
        switch ((op >> 1) % 14) {
        case 0: Toggle(slot); break;
        case 1: AudioUnitInitialize(unit); break;
        case 2: AudioUnitUninitialize(unit); break;
        case 3: {
            const AudioUnitScope scope = m_In.Pick(kScopes);
            AudioUnitReset(unit, scope, Element());
            break;
        }
        case 4: GetPropertyInfo(unit); break;
        case 5: GetProperty(unit); break;
        case 6: SetProperty(slot); break;
        case 7: GetParameter(unit); break;
        case 8: SetParameter(unit); break;
        case 9: Render(unit); break;
        case 10: m_In.Bool() ? CallComponentVersion(unit) : CallComponentCanDo(unit, int16_t(m_In.U16())); break;
        case 11: RawCall(unit); break;
        case 12: SetFormat(unit); break;
        default: {
            const UInt32 frames = m_In.Bool() ? m_In.Pick(kFrameCounts) : m_In.U32();
            AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames,
                                 sizeof frames);
            break;
        }
        }
    }

private:
    AudioUnitElement Element() { return m_In.Bool() ? 0 : m_In.Count(UINT32_MAX); }
    AudioUnitParameterID Parameter() { return m_In.Bool() ? m_In.Byte() % 8 : m_In.U32(); }
    AudioUnitPropertyID Property() { return m_In.Byte() < 240 ? m_In.Pick(kProperties) : m_In.U32(); }

    void Toggle(int slot)
    {
        if (m_Units[slot]) {
            Close(slot);
            return;
        }
        const QVEffectInfo& effect = QVCatalogue()[m_In.Byte() % QVCatalogueCount()];
        OpenComponentWithEntry(EntryOf(effect), &m_Units[slot]);
    }

    // A host disconnects a unit from its listeners before it closes it.
    void Close(int slot)
    {
        if (!m_Units[slot]) return;
        const int other = 1 - slot;
        if (m_Units[other] && m_Source[other] == slot) {
            const AudioUnitConnection none = {nullptr, 0, 0};
            AudioUnitSetProperty(m_Units[other], kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &none,
                                 sizeof none);
            m_Source[other] = -1;
        }
        CloseComponent(m_Units[slot]);
        m_Units[slot] = nullptr;
        m_Source[slot] = -1;
    }

    void GetPropertyInfo(AudioUnit unit)
    {
        UInt32 size = 0;
        Boolean writable = false;
        const uint8_t nulls = m_In.Byte();
        const AudioUnitPropertyID id = Property();
        const AudioUnitScope scope = m_In.Pick(kScopes);
        AudioUnitGetPropertyInfo(unit, id, scope, Element(), nulls & 1 ? nullptr : &size, nulls & 2 ? nullptr : &writable);
    }

    void GetProperty(AudioUnit unit)
    {
        const AudioUnitPropertyID id = Property();
        const AudioUnitScope scope = m_In.Pick(kScopes);
        const AudioUnitElement element = Element();
        UInt32 size = 0;
        switch (m_In.Byte() % 4) {
        case 0: { // a size query, then the property in a buffer of the size given
            Boolean writable;
            AudioUnitGetPropertyInfo(unit, id, scope, element, &size, &writable);
            break;
        }
        case 1: size = m_In.Count(512); break;
        case 2: AudioUnitGetProperty(unit, id, scope, element, nullptr, &size); return;
        default: {
            uint8_t data[512];
            AudioUnitGetProperty(unit, id, scope, element, data, nullptr);
            return;
        }
        }
        CBlock block(size);
        AudioUnitParameterValue value = m_In.Float();
        if (id == kAudioUnitProperty_ParameterStringFromValue) {
            const AudioUnitParameterID parameter = Parameter();
            block.Put(AudioUnitParameterStringFromValue{parameter, m_In.Bool() ? &value : nullptr, nullptr});
        }
        UInt32 ioSize = size;
        if (AudioUnitGetProperty(unit, id, scope, element, block.Data(), &ioSize) != noErr) return;
        ReleaseResult(id, block);
    }

    // What a get hands over belongs to the host now.
    void ReleaseResult(AudioUnitPropertyID id, const CBlock& block)
    {
        switch (id) {
        case kAudioUnitProperty_ClassInfo:
            if (m_SavedState) CFRelease(m_SavedState);
            m_SavedState = block.Get<CFPropertyListRef>();
            break;
        case kAudioUnitProperty_FactoryPresets:
            CFRelease(block.Get<CFArrayRef>());
            break;
        case kAudioUnitProperty_PresentPreset:
            if (CFStringRef name = block.Get<AUPreset>().presetName) CFRelease(name);
            break;
        case kAudioUnitProperty_ParameterInfo: {
            const AudioUnitParameterInfo info = block.Get<AudioUnitParameterInfo>();
            const UInt32 owned = kAudioUnitParameterFlag_HasCFNameString | kAudioUnitParameterFlag_CFNameRelease;
            if ((info.flags & owned) == owned && info.cfNameString) CFRelease(info.cfNameString);
            if (info.unitName) CFRelease(info.unitName);
            break;
        }
        case kAudioUnitProperty_ParameterStringFromValue:
            if (CFStringRef text = block.Get<AudioUnitParameterStringFromValue>().outString) CFRelease(text);
            break;
        default:
            break;
        }
    }

    void SetProperty(int slot)
    {
        AudioUnit unit = m_Units[slot];
        const AudioUnitPropertyID id = Property();
        const AudioUnitScope scope = m_In.Pick(kScopes);
        const AudioUnitElement element = Element();
        const uint8_t sizeChoice = m_In.Byte();
        CFTypeRef made = nullptr; // an object made for this call, released after it
        size_t natural = 0;
        uint8_t record[sizeof(AudioStreamBasicDescription) + 64] = {};
        switch (id) {
        case kAudioUnitProperty_ClassInfo: {
            CFPropertyListRef state = ClassInfo(&made);
            natural = sizeof state;
            std::memcpy(record, &state, natural);
            break;
        }
        case kAudioUnitProperty_MakeConnection: {
            const AudioUnitConnection connection = {m_In.Bool() ? m_Units[1 - slot] : nullptr, m_In.Count(UINT32_MAX),
                                                    m_In.Count(UINT32_MAX)};
            natural = sizeof connection;
            std::memcpy(record, &connection, natural);
            break;
        }
        case kAudioUnitProperty_SetRenderCallback: {
            const AURenderCallbackStruct callback = {m_In.Bool() ? Pull : nullptr, this};
            natural = sizeof callback;
            std::memcpy(record, &callback, natural);
            break;
        }
        case kAudioUnitProperty_CurrentPreset:
        case kAudioUnitProperty_PresentPreset: {
            const SInt32 number = m_In.Bool() ? SInt32(m_In.Byte() % 6) - 1 : SInt32(m_In.U32());
            if (m_In.Bool()) made = CFStringCreateWithCString(kCFAllocatorDefault, "Mine", kCFStringEncodingUTF8);
            const AUPreset preset = {number, static_cast<CFStringRef>(made)};
            natural = sizeof preset;
            std::memcpy(record, &preset, natural);
            break;
        }
        default: // plain data: whatever bytes the stream holds
            natural = m_In.Count(sizeof record);
            for (size_t i = 0; i < natural; ++i) record[i] = m_In.Byte();
            break;
        }
        // Usually the record's own size; sometimes any size, the record cut or padded.
        const size_t size = sizeChoice < 192 ? natural : m_In.Count(sizeof record);
        CBlock block(size);
        std::memcpy(block.Data(), record, size < sizeof record ? size : sizeof record);
        const bool bNull = sizeChoice == 255;
        const OSStatus result = AudioUnitSetProperty(unit, id, scope, element, bNull ? nullptr : block.Data(), block.Size());
        if (id == kAudioUnitProperty_MakeConnection && result == noErr && unit)
            m_Source[slot] = block.Get<AudioUnitConnection>().sourceAudioUnit ? 1 - slot : -1;
        if (made) CFRelease(made);
    }

    // A state to restore: one a unit saved, bytes from the stream behind the state's
    // magic number, or an object of another type (null included).
    CFPropertyListRef ClassInfo(CFTypeRef* pMade)
    {
        switch (m_In.Byte() % 4) {
        case 0: return m_SavedState;
        case 1: {
            std::vector<uint8_t> bytes = {0x69, 0x63, 0x56, 0x51};
            const UInt32 count = m_In.Count(64);
            for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(count >> (8 * i)));
            const size_t n = m_In.Count(8 * 70);
            for (size_t i = 0; i < n; ++i) bytes.push_back(m_In.Byte());
            return *pMade = CFDataCreate(kCFAllocatorDefault, bytes.data(), CFIndex(bytes.size()));
        }
        case 2: return *pMade = CFStringCreateWithCString(kCFAllocatorDefault, "state", kCFStringEncodingUTF8);
        default: return nullptr;
        }
    }

    void GetParameter(AudioUnit unit)
    {
        AudioUnitParameterValue value = 0.0f;
        const AudioUnitParameterID id = Parameter();
        const AudioUnitScope scope = m_In.Pick(kScopes);
        const AudioUnitElement element = Element();
        AudioUnitGetParameter(unit, id, scope, element, m_In.Byte() == 255 ? nullptr : &value);
    }

    void SetParameter(AudioUnit unit)
    {
        const AudioUnitParameterID id = Parameter();
        const AudioUnitScope scope = m_In.Pick(kScopes);
        const AudioUnitElement element = Element();
        const AudioUnitParameterValue value = m_In.Float();
        AudioUnitSetParameter(unit, id, scope, element, value, m_In.Count(UINT32_MAX));
    }

    void SetFormat(AudioUnit unit)
    {
        AudioStreamBasicDescription format = {};
        format.mSampleRate = m_In.Bool() ? m_In.Pick(kRates) : Float64(m_In.Float());
        format.mFormatID = m_In.Byte() < 224 ? kAudioFormatLinearPCM : m_In.U32();
        format.mFormatFlags = m_In.Byte() < 224
                                  ? UInt32(kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved)
                                  : m_In.U32();
        format.mBytesPerPacket = format.mBytesPerFrame = 4;
        format.mFramesPerPacket = 1;
        format.mChannelsPerFrame = m_In.Bool() ? 1 + m_In.Bool() : m_In.Count(UINT32_MAX);
        format.mBitsPerChannel = m_In.Byte() < 224 ? 32 : m_In.Byte();
        const AudioUnitScope scope = m_In.Bool() ? kAudioUnitScope_Input + m_In.Bool() : m_In.Pick(kScopes);
        const AudioUnitPropertyID id = m_In.Byte() < 32 ? kAudioUnitProperty_SampleRate : kAudioUnitProperty_StreamFormat;
        AudioUnitSetProperty(unit, id, scope, Element(), &format, sizeof format);
    }

    UInt32 Frames() { return m_In.Bool() ? m_In.Pick(kFrameCounts) : m_In.Count(kMaxFrames); }

    void Render(AudioUnit unit)
    {
        const UInt32 frames = Frames();
        // Room for two buffers; the list says how many it carries (at most two).
        CBlock list(sizeof(AudioBufferList) + sizeof(AudioBuffer));
        AudioBufferList* pList = reinterpret_cast<AudioBufferList*>(list.Data());
        pList->mNumberBuffers = m_In.Byte() % 3;
        std::vector<float> storage[2];
        for (UInt32 c = 0; c < pList->mNumberBuffers; ++c) {
            AudioBuffer& buffer = pList->mBuffers[c];
            buffer.mNumberChannels = 1;
            const uint8_t kind = m_In.Byte() % 8;
            if (kind == 0) continue; // the unit's own buffers
            if (kind == 1 && c == 1) { // both channels on one buffer
                buffer = pList->mBuffers[0];
                continue;
            }
            const UInt32 have = kind == 2 ? m_In.Count(frames) : frames;
            storage[c].assign(have ? have : 1, 0.0f);
            buffer.mData = storage[c].data();
            buffer.mDataByteSize = have * UInt32(sizeof(float));
        }
        AudioUnitRenderActionFlags flags = m_In.Byte() < 32 ? AudioUnitRenderActionFlags(kAudioUnitRenderAction_OutputIsSilence) : 0;
        const AudioTimeStamp stamp = {};
        const uint8_t nulls = m_In.Byte();
        const UInt32 bus = nulls < 248 ? 0 : m_In.U32();
        AudioUnitRender(unit, nulls == 253 ? nullptr : &flags, nulls == 254 ? nullptr : &stamp, bus, frames,
                        nulls == 255 ? nullptr : pList);
    }

    // The render callback: fills the unit's input buffers, or hands over buffers of its
    // own (possibly short ones), or fails.
    static OSStatus Pull(void* pRefCon, AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp*, UInt32,
                         UInt32 frames, AudioBufferList* ioData)
    {
        CHost& host = *static_cast<CHost*>(pRefCon);
        CQVFuzzBytes& in = host.m_In;
        const uint8_t kind = in.Byte() % 8;
        if (kind == 0) return kAudioUnitErr_NoConnection;
        for (UInt32 c = 0; c < ioData->mNumberBuffers && c < 2; ++c) {
            AudioBuffer& buffer = ioData->mBuffers[c];
            if (kind == 1) {
                const UInt32 have = in.Bool() ? frames : in.Count(frames);
                host.m_Pulled[c].assign(have ? have : 1, 0.0f);
                buffer.mData = host.m_Pulled[c].data();
                buffer.mDataByteSize = have * UInt32(sizeof(float));
            }
            if (!buffer.mData) continue;
            const UInt32 n = buffer.mDataByteSize / sizeof(float);
            QVFuzzSamples(in, static_cast<float*>(buffer.mData), n < frames ? n : frames);
        }
        if (in.Byte() < 32) *ioActionFlags |= kAudioUnitRenderAction_OutputIsSilence;
        return noErr;
    }

    // A request built by hand, its argument list cut short at any word: the words the
    // unit does not get read as 0. Pointer arguments point at real host memory.
    void RawCall(AudioUnit unit)
    {
        // Per argument: 'i' a number, 'p' a data pointer, 's' a size pointer, 'n' a data size.
        struct Selector {
            int16_t what;
            const char* args;
        };
        static const Selector kSelectors[] = {
            {kAudioUnitInitializeSelect, ""},           {kAudioUnitUninitializeSelect, ""},
            {kAudioUnitGetPropertyInfoSelect, "iiisp"}, {kAudioUnitGetPropertySelect, "iiips"},
            {kAudioUnitSetPropertySelect, "iiipn"},     {kAudioUnitGetParameterSelect, "iiip"},
            {kAudioUnitSetParameterSelect, "iiiii"},    {kAudioUnitResetSelect, "ii"},
            {kComponentCanDoSelect, "i"},               {kComponentVersionSelect, ""},
            {kAudioUnitAddPropertyListenerSelect, "iii"}, {kAudioUnitScheduleParametersSelect, "ii"},
            {kAudioUnitProcessSelect, "iiii"},          {-7, "iiii"},
            {99, "iiii"},
        };
        if (!unit || !unit->entry) return;
        const Selector& selector = m_In.Pick(kSelectors);
        CBlock data(512);
        UInt32 size = m_In.Count(data.Size());
        ComponentParameters params = {};
        params.what = selector.what;
        int count = 0;
        for (const char* a = selector.args; *a; ++a, ++count) {
            intptr_t& word = params.params[count];
            switch (*a) {
            case 'p': word = m_In.Byte() < 32 ? 0 : reinterpret_cast<intptr_t>(data.Data()); break;
            case 's': word = m_In.Byte() < 32 ? 0 : reinterpret_cast<intptr_t>(&size); break;
            case 'n': word = intptr_t(size); break;
            default: word = intptr_t(m_In.Bool() ? m_In.Byte() % 40 : m_In.U32()); break;
            }
        }
        params.paramSize = uint8_t(sizeof(intptr_t) * (m_In.Bool() ? count : m_In.Byte() % (count + 1)));
        const OSStatus result = unit->entry(&params, unit->storage);
        if (selector.what == kAudioUnitGetPropertySelect && result == noErr && params.params[3] &&
            params.paramSize > 3 * sizeof(intptr_t))
            ReleaseResult(AudioUnitPropertyID(params.params[0]), data);
    }

    CQVFuzzBytes& m_In;
    AudioUnit m_Units[2] = {nullptr, nullptr};
    int m_Source[2] = {-1, -1}; // the slot whose unit feeds this one through a connection
    CFPropertyListRef m_SavedState = nullptr;
    std::vector<float> m_Pulled[2];
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    CQVFuzzBytes in(pData, size);
    CHost host(in);
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) host.Step();
    return 0;
}
