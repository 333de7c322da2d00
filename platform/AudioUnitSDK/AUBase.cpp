#include "AUBase.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "AUHostAPI.h"

namespace {
const UInt32 kDefaultMaxFrames = 4096;
const UInt32 kMostFramesPerSlice = 1u << 16; // no host needs more; bounds the stream buffers
const UInt32 kMostChannels = 2;
const UInt32 kClassInfoMagic = 0x51566369; // 'QVci'

AudioStreamBasicDescription FloatFormat(Float64 rate, UInt32 channels)
{
    AudioStreamBasicDescription format = {};
    format.mSampleRate = rate;
    format.mFormatID = kAudioFormatLinearPCM;
    format.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
    format.mBytesPerPacket = 4;
    format.mFramesPerPacket = 1;
    format.mBytesPerFrame = 4;
    format.mChannelsPerFrame = channels;
    format.mBitsPerChannel = 32;
    return format;
}

bool IsSupportedFormat(const AudioStreamBasicDescription& f)
{
    const UInt32 flags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsNonInterleaved;
    return f.mFormatID == kAudioFormatLinearPCM && (f.mFormatFlags & flags) == flags && f.mBitsPerChannel == 32 &&
           f.mChannelsPerFrame >= 1 && f.mChannelsPerFrame <= kMostChannels && f.mSampleRate >= 1.0 &&
           f.mSampleRate <= 4.0e6;
}

template <class T>
T Read(const void* p)
{
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}
} // namespace

// ---------------------------------------------------------------------------------------
// AUElement

AUElement::AUElement() : mFormat(FloatFormat(44100.0, 2)), mBufferList(nullptr), mMaxFrames(0)
{
    mBufferList = static_cast<AudioBufferList*>(std::calloc(1, sizeof(AudioBufferList) + sizeof(AudioBuffer)));
    if (!mBufferList) throw std::bad_alloc();
}

AUElement::~AUElement() { std::free(mBufferList); }

bool AUElement::HasParameter(AudioUnitParameterID id) const
{
    return std::find(mIDs.begin(), mIDs.end(), id) != mIDs.end();
}

AudioUnitParameterValue AUElement::GetParameter(AudioUnitParameterID id) const
{
    const auto it = std::find(mIDs.begin(), mIDs.end(), id);
    return it == mIDs.end() ? 0.0f : mValues[size_t(it - mIDs.begin())];
}

void AUElement::SetParameter(AudioUnitParameterID id, AudioUnitParameterValue value)
{
    const auto it = std::find(mIDs.begin(), mIDs.end(), id);
    if (it != mIDs.end()) {
        mValues[size_t(it - mIDs.begin())] = value;
        return;
    }
    mIDs.push_back(id);
    mValues.push_back(value);
}

bool AUElement::AllocateBuffers(UInt32 maxFrames)
{
    try {
        mStorage.assign(size_t(maxFrames) * kMostChannels, 0.0f);
    } catch (const std::bad_alloc&) {
        mStorage.clear();
        mMaxFrames = 0;
        return false;
    }
    mMaxFrames = maxFrames;
    return true;
}

void AUElement::DeallocateBuffers()
{
    std::vector<float>().swap(mStorage);
    mMaxFrames = 0;
}

AudioBufferList& AUElement::PrepareBuffers(UInt32 nFrames)
{
    const UInt32 channels = std::min(NumberChannels(), kMostChannels);
    mBufferList->mNumberBuffers = channels;
    for (UInt32 c = 0; c < channels; ++c) {
        AudioBuffer& buffer = mBufferList->mBuffers[c];
        buffer.mNumberChannels = 1;
        buffer.mDataByteSize = nFrames * UInt32(sizeof(float));
        buffer.mData = mStorage.empty() ? nullptr : mStorage.data() + size_t(c) * mMaxFrames;
    }
    return *mBufferList;
}

// ---------------------------------------------------------------------------------------
// AUBase

AUBase::AUBase(ComponentInstance instance, UInt32, UInt32)
    : ComponentBase(instance),
      mInitialized(false),
      mRendering(false),
      mMaxFramesPerSlice(kDefaultMaxFrames),
      mRenderCallback{nullptr, nullptr},
      mConnection{nullptr, 0, 0},
      mCurrentPreset{-1, nullptr}
{
}

AUBase::~AUBase()
{
    if (mCurrentPreset.presetName) CFRelease(mCurrentPreset.presetName);
}

void AUBase::PostConstructor() {}

OSStatus AUBase::Initialize() { return noErr; }
void AUBase::Cleanup() {}
OSStatus AUBase::Reset(AudioUnitScope, AudioUnitElement) { return noErr; }

OSStatus AUBase::DoInitialize()
{
    if (mInitialized) return noErr;
    if (!mInput.AllocateBuffers(mMaxFramesPerSlice) || !mOutput.AllocateBuffers(mMaxFramesPerSlice)) {
        mInput.DeallocateBuffers();
        mOutput.DeallocateBuffers();
        return memFullErr;
    }
    const OSStatus result = Initialize();
    if (result != noErr) {
        mInput.DeallocateBuffers();
        mOutput.DeallocateBuffers();
        return result;
    }
    mInitialized = true;
    return noErr;
}

void AUBase::DoCleanup()
{
    if (!mInitialized) return;
    Cleanup();
    mInput.DeallocateBuffers();
    mOutput.DeallocateBuffers();
    mInitialized = false;
}

OSStatus AUBase::DoReset(AudioUnitScope scope, AudioUnitElement element) { return Reset(scope, element); }

AUElement* AUBase::StreamElement(AudioUnitScope scope, AudioUnitElement element)
{
    if (element != 0) return nullptr;
    if (scope == kAudioUnitScope_Input) return &mInput;
    if (scope == kAudioUnitScope_Output) return &mOutput;
    return nullptr;
}

OSStatus AUBase::GetPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                 UInt32& outDataSize, Boolean& outWritable)
{
    outWritable = false;
    switch (id) {
    case kAudioUnitProperty_ClassInfo:
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = sizeof(CFPropertyListRef);
        outWritable = true;
        return noErr;
    case kAudioUnitProperty_MakeConnection:
        if (scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
        if (element != 0) return kAudioUnitErr_InvalidElement;
        outDataSize = sizeof(AudioUnitConnection);
        outWritable = true;
        return noErr;
    case kAudioUnitProperty_SampleRate:
        if (!StreamElement(scope, element)) return scope == kAudioUnitScope_Global ? kAudioUnitErr_InvalidScope : kAudioUnitErr_InvalidElement;
        outDataSize = sizeof(Float64);
        outWritable = true;
        return noErr;
    case kAudioUnitProperty_StreamFormat:
        if (!StreamElement(scope, element)) return scope == kAudioUnitScope_Global ? kAudioUnitErr_InvalidScope : kAudioUnitErr_InvalidElement;
        outDataSize = sizeof(AudioStreamBasicDescription);
        outWritable = true;
        return noErr;
    case kAudioUnitProperty_ParameterList:
        outDataSize = scope == kAudioUnitScope_Global ? UInt32(mGlobal.GetParameterIDs().size() * sizeof(AudioUnitParameterID)) : 0;
        return noErr;
    case kAudioUnitProperty_ParameterInfo:
        outDataSize = sizeof(AudioUnitParameterInfo);
        return noErr;
    case kAudioUnitProperty_ElementCount:
        outDataSize = sizeof(UInt32);
        return noErr;
    case kAudioUnitProperty_Latency:
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = sizeof(Float64);
        return noErr;
    case kAudioUnitProperty_SupportedNumChannels:
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = SupportedNumChannels(nullptr) * UInt32(sizeof(AUChannelInfo));
        if (outDataSize == 0) return kAudioUnitErr_InvalidProperty;
        return noErr;
    case kAudioUnitProperty_MaximumFramesPerSlice:
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = sizeof(UInt32);
        outWritable = true;
        return noErr;
    case kAudioUnitProperty_TailTime:
        if (!SupportsTail()) return kAudioUnitErr_InvalidProperty;
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = sizeof(Float64);
        return noErr;
    case kAudioUnitProperty_SetRenderCallback:
        if (scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
        if (element != 0) return kAudioUnitErr_InvalidElement;
        outDataSize = sizeof(AURenderCallbackStruct);
        outWritable = true;
        return noErr;
    case kAudioUnitProperty_FactoryPresets:
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        if (GetPresets(nullptr) != noErr) return kAudioUnitErr_InvalidProperty;
        outDataSize = sizeof(CFArrayRef);
        return noErr;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = sizeof(AUPreset);
        outWritable = true;
        return noErr;
    default:
        return kAudioUnitErr_InvalidProperty;
    }
}

OSStatus AUBase::GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, void* outData)
{
    switch (id) {
    case kAudioUnitProperty_ClassInfo: {
        CFDataRef state = SaveState();
        if (!state) return memFullErr;
        *static_cast<CFPropertyListRef*>(outData) = state;
        return noErr;
    }
    case kAudioUnitProperty_MakeConnection:
        *static_cast<AudioUnitConnection*>(outData) = mConnection;
        return noErr;
    case kAudioUnitProperty_SampleRate:
        *static_cast<Float64*>(outData) = StreamElement(scope, element)->GetStreamFormat().mSampleRate;
        return noErr;
    case kAudioUnitProperty_StreamFormat:
        *static_cast<AudioStreamBasicDescription*>(outData) = StreamElement(scope, element)->GetStreamFormat();
        return noErr;
    case kAudioUnitProperty_ParameterList: {
        if (scope != kAudioUnitScope_Global) return noErr;
        const std::vector<AudioUnitParameterID>& ids = mGlobal.GetParameterIDs();
        if (!ids.empty()) std::memcpy(outData, ids.data(), ids.size() * sizeof(AudioUnitParameterID));
        return noErr;
    }
    case kAudioUnitProperty_ParameterInfo:
        // The element names the parameter.
        std::memset(outData, 0, sizeof(AudioUnitParameterInfo));
        return GetParameterInfo(scope, element, *static_cast<AudioUnitParameterInfo*>(outData));
    case kAudioUnitProperty_ElementCount:
        *static_cast<UInt32*>(outData) = 1;
        return noErr;
    case kAudioUnitProperty_Latency:
        *static_cast<Float64*>(outData) = GetLatency();
        return noErr;
    case kAudioUnitProperty_SupportedNumChannels: {
        const AUChannelInfo* pInfo = nullptr;
        const UInt32 count = SupportedNumChannels(&pInfo);
        if (pInfo) std::memcpy(outData, pInfo, count * sizeof(AUChannelInfo));
        return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
        *static_cast<UInt32*>(outData) = mMaxFramesPerSlice;
        return noErr;
    case kAudioUnitProperty_TailTime:
        *static_cast<Float64*>(outData) = GetTailTime();
        return noErr;
    case kAudioUnitProperty_SetRenderCallback:
        *static_cast<AURenderCallbackStruct*>(outData) = mRenderCallback;
        return noErr;
    case kAudioUnitProperty_FactoryPresets:
        return GetPresets(static_cast<CFArrayRef*>(outData));
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset: {
        // The present preset hands out its own reference to the name; the older
        // current-preset property lends the unit's.
        AUPreset preset = mCurrentPreset;
        if (id == kAudioUnitProperty_PresentPreset && preset.presetName) CFRetain(preset.presetName);
        *static_cast<AUPreset*>(outData) = preset;
        return noErr;
    }
    default:
        return kAudioUnitErr_InvalidProperty;
    }
}

OSStatus AUBase::DispatchGetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                     void* outData, UInt32* ioDataSize)
{
    UInt32 needed = 0;
    Boolean writable = false;
    OSStatus result = GetPropertyInfo(id, scope, element, needed, writable);
    if (result != noErr) return result;
    if (!ioDataSize) return kAudio_ParamError;
    if (!outData) {
        *ioDataSize = needed;
        return noErr;
    }
    if (*ioDataSize < needed) return kAudio_ParamError;
    result = GetProperty(id, scope, element, outData);
    if (result == noErr) *ioDataSize = needed;
    return result;
}

OSStatus AUBase::SetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                             const void* inData, UInt32 inDataSize)
{
    UInt32 needed = 0;
    Boolean writable = false;
    const OSStatus info = GetPropertyInfo(id, scope, element, needed, writable);
    if (info != noErr) return info;
    if (!writable) return kAudioUnitErr_PropertyNotWritable;
    if (!inData || inDataSize < needed) return kAudio_ParamError;

    switch (id) {
    case kAudioUnitProperty_ClassInfo:
        return RestoreState(Read<CFPropertyListRef>(inData));
    case kAudioUnitProperty_MakeConnection: {
        const AudioUnitConnection connection = Read<AudioUnitConnection>(inData);
        if (connection.sourceAudioUnit == GetComponentInstance() && connection.sourceAudioUnit) return kAudio_ParamError;
        mConnection = connection;
        return noErr;
    }
    case kAudioUnitProperty_SampleRate:
    case kAudioUnitProperty_StreamFormat: {
        AUElement* pElement = StreamElement(scope, element);
        AudioStreamBasicDescription format = pElement->GetStreamFormat();
        if (id == kAudioUnitProperty_SampleRate)
            format.mSampleRate = Read<Float64>(inData);
        else
            format = Read<AudioStreamBasicDescription>(inData);
        if (!IsSupportedFormat(format)) return kAudioUnitErr_FormatNotSupported;
        if (mInitialized && format.mChannelsPerFrame != pElement->NumberChannels())
            return kAudioUnitErr_CannotDoInCurrentContext;
        pElement->SetStreamFormat(format);
        return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice: {
        const UInt32 frames = Read<UInt32>(inData);
        if (frames == 0 || frames > kMostFramesPerSlice) return kAudioUnitErr_InvalidPropertyValue;
        if (mInitialized) return kAudioUnitErr_CannotDoInCurrentContext;
        mMaxFramesPerSlice = frames;
        return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback:
        mRenderCallback = Read<AURenderCallbackStruct>(inData);
        return noErr;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset: {
        const AUPreset preset = Read<AUPreset>(inData);
        if (preset.presetNumber >= 0) return NewFactoryPresetSet(preset);
        // A user preset: remembered as current, nothing applied.
        SetCurrentPreset(preset);
        return noErr;
    }
    default:
        return kAudioUnitErr_InvalidProperty;
    }
}

OSStatus AUBase::GetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                              AudioUnitParameterValue& outValue)
{
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (element != 0) return kAudioUnitErr_InvalidElement;
    if (!mGlobal.HasParameter(id)) return kAudioUnitErr_InvalidParameter;
    outValue = mGlobal.GetParameter(id);
    return noErr;
}

OSStatus AUBase::SetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                              AudioUnitParameterValue value, UInt32)
{
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (element != 0) return kAudioUnitErr_InvalidElement;
    if (!mGlobal.HasParameter(id)) return kAudioUnitErr_InvalidParameter;
    mGlobal.SetParameter(id, value);
    return noErr;
}

OSStatus AUBase::GetParameterInfo(AudioUnitScope, AudioUnitParameterID, AudioUnitParameterInfo&)
{
    return kAudioUnitErr_InvalidParameter;
}

OSStatus AUBase::GetPresets(CFArrayRef*) const { return kAudioUnitErr_InvalidProperty; }
OSStatus AUBase::NewFactoryPresetSet(const AUPreset&) { return kAudioUnitErr_InvalidPropertyValue; }
Float64 AUBase::GetLatency() { return 0.0; }
Float64 AUBase::GetTailTime() { return 0.0; }
bool AUBase::SupportsTail() { return false; }
UInt32 AUBase::SupportedNumChannels(const AUChannelInfo**) { return 0; }

OSStatus AUBase::Render(AudioUnitRenderActionFlags&, const AudioTimeStamp&, UInt32, AudioBufferList&)
{
    return unimpErr;
}

void AUBase::SetCurrentPreset(const AUPreset& preset)
{
    if (preset.presetName) CFRetain(preset.presetName);
    if (mCurrentPreset.presetName) CFRelease(mCurrentPreset.presetName);
    mCurrentPreset = preset;
}

OSStatus AUBase::SetAFactoryPresetAsCurrent(const AUPreset& preset)
{
    if (preset.presetNumber < 0) return kAudio_ParamError;
    SetCurrentPreset(preset);
    return noErr;
}

CFDataRef AUBase::SaveState()
{
    const std::vector<AudioUnitParameterID>& ids = mGlobal.GetParameterIDs();
    std::vector<uint8_t> bytes;
    auto put = [&bytes](const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
    };
    const UInt32 count = UInt32(ids.size());
    put(&kClassInfoMagic, sizeof kClassInfoMagic);
    put(&count, sizeof count);
    for (AudioUnitParameterID id : ids) {
        const AudioUnitParameterValue value = mGlobal.GetParameter(id);
        put(&id, sizeof id);
        put(&value, sizeof value);
    }
    return CFDataCreate(kCFAllocatorDefault, bytes.data(), CFIndex(bytes.size()));
}

OSStatus AUBase::RestoreState(CFPropertyListRef state)
{
    CFDataRef object = static_cast<CFDataRef>(state);
    if (CFGetTypeID(object) != CFDataGetTypeID()) return kAudioUnitErr_InvalidPropertyValue;
    const uint8_t* p = CFDataGetBytePtr(object);
    const size_t length = size_t(CFDataGetLength(object));
    const size_t header = 2 * sizeof(UInt32), entry = sizeof(AudioUnitParameterID) + sizeof(AudioUnitParameterValue);
    if (length < header || Read<UInt32>(p) != kClassInfoMagic) return kAudioUnitErr_InvalidPropertyValue;
    const UInt32 count = Read<UInt32>(p + sizeof(UInt32));
    if ((length - header) / entry < count) return kAudioUnitErr_InvalidPropertyValue;
    // The values go into the element as they are; the unit hears of them only when the
    // host sets parameters or chooses a preset.
    for (UInt32 i = 0; i < count; ++i) {
        const uint8_t* e = p + header + i * entry;
        mGlobal.SetParameter(Read<AudioUnitParameterID>(e), Read<AudioUnitParameterValue>(e + sizeof(AudioUnitParameterID)));
    }
    return noErr;
}

OSStatus AUBase::PullInput(AudioUnitRenderActionFlags& ioActionFlags, const AudioTimeStamp& timeStamp, UInt32 nFrames)
{
    AudioBufferList& input = mInput.PrepareBuffers(nFrames);
    if (mConnection.sourceAudioUnit)
        return AudioUnitRender(mConnection.sourceAudioUnit, &ioActionFlags, &timeStamp, mConnection.sourceOutputNumber,
                               nFrames, &input);
    if (mRenderCallback.inputProc)
        return mRenderCallback.inputProc(mRenderCallback.inputProcRefCon, &ioActionFlags, &timeStamp, 0, nFrames, &input);
    return kAudioUnitErr_NoConnection;
}

OSStatus AUBase::DoRender(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp, UInt32 bus,
                          UInt32 nFrames, AudioBufferList* ioData)
{
    if (!ioActionFlags || !timeStamp || !ioData) return kAudio_ParamError;
    if (!mInitialized) return kAudioUnitErr_Uninitialized;
    if (bus != 0) return kAudioUnitErr_InvalidElement;
    if (nFrames > mMaxFramesPerSlice) return kAudioUnitErr_TooManyFramesToProcess;
    // The host's list must carry one buffer per output channel, each large enough.
    const UInt32 channels = mOutput.NumberChannels();
    if (ioData->mNumberBuffers < channels) return kAudio_ParamError;
    for (UInt32 c = 0; c < channels; ++c) {
        const AudioBuffer& buffer = ioData->mBuffers[c];
        if (buffer.mData && buffer.mDataByteSize < nFrames * sizeof(float)) return kAudio_ParamError;
    }
    // Units connected in a ring would pull each other's input without end; the unit that
    // is asked again while it renders refuses instead.
    if (mRendering) return kAudioUnitErr_CannotDoInCurrentContext;
    struct RenderScope {
        bool& flag;
        explicit RenderScope(bool& f) : flag(f) { flag = true; }
        ~RenderScope() { flag = false; }
    } scope(mRendering);
    return Render(*ioActionFlags, *timeStamp, nFrames, *ioData);
}

// ---------------------------------------------------------------------------------------
// AUEffectBase

AUEffectBase::AUEffectBase(ComponentInstance instance, bool processesInPlace)
    : AUBase(instance, 1, 1), mProcessesInPlace(processesInPlace), mBypass(false), mSilenceRearm(true), mSilenceCountdown(0)
{
}

OSStatus AUEffectBase::Initialize()
{
    const UInt32 inChannels = Input().NumberChannels(), outChannels = Output().NumberChannels();
    const AUChannelInfo* pInfo = nullptr;
    const UInt32 count = SupportedNumChannels(&pInfo);
    if (count == 0 || !pInfo) return inChannels == outChannels ? OSStatus(noErr) : OSStatus(kAudioUnitErr_FormatNotSupported);
    for (UInt32 i = 0; i < count; ++i)
        if (UInt32(pInfo[i].inChannels) == inChannels && UInt32(pInfo[i].outChannels) == outChannels) return noErr;
    return kAudioUnitErr_FormatNotSupported;
}

void AUEffectBase::Cleanup() {}

OSStatus AUEffectBase::Reset(AudioUnitScope, AudioUnitElement)
{
    mSilenceRearm = true;
    mSilenceCountdown = 0;
    return noErr;
}

OSStatus AUEffectBase::GetPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                       UInt32& outDataSize, Boolean& outWritable)
{
    if (id == kAudioUnitProperty_BypassEffect || id == kAudioUnitProperty_InPlaceProcessing) {
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        outDataSize = sizeof(UInt32);
        outWritable = true;
        return noErr;
    }
    return AUBase::GetPropertyInfo(id, scope, element, outDataSize, outWritable);
}

OSStatus AUEffectBase::GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, void* outData)
{
    if (id == kAudioUnitProperty_BypassEffect) {
        *static_cast<UInt32*>(outData) = mBypass ? 1 : 0;
        return noErr;
    }
    if (id == kAudioUnitProperty_InPlaceProcessing) {
        *static_cast<UInt32*>(outData) = mProcessesInPlace ? 1 : 0;
        return noErr;
    }
    return AUBase::GetProperty(id, scope, element, outData);
}

OSStatus AUEffectBase::SetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                   const void* inData, UInt32 inDataSize)
{
    if (id == kAudioUnitProperty_BypassEffect || id == kAudioUnitProperty_InPlaceProcessing) {
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        if (!inData || inDataSize < sizeof(UInt32)) return kAudio_ParamError;
        const bool on = Read<UInt32>(inData) != 0;
        if (id == kAudioUnitProperty_InPlaceProcessing) {
            mProcessesInPlace = on;
        } else if (on != mBypass) {
            mBypass = on;
            // Coming out of bypass the effect starts from a clean state.
            if (!on && IsInitialized()) Reset(kAudioUnitScope_Global, 0);
        }
        return noErr;
    }
    return AUBase::SetProperty(id, scope, element, inData, inDataSize);
}

bool AUEffectBase::IsInputSilent(AudioUnitRenderActionFlags actionFlags, UInt32 nFrames)
{
    bool silent = (actionFlags & kAudioUnitRenderAction_OutputIsSilence) != 0;
    if (!silent) {
        mSilenceRearm = true;
        return false;
    }
    if (mSilenceRearm) {
        const double frames = GetSampleRate() * (GetLatency() + GetTailTime());
        mSilenceCountdown = frames > 0.0 && frames < 4294967295.0 ? UInt32(frames) : 0;
        mSilenceRearm = false;
    }
    if (mSilenceCountdown > 0) {
        mSilenceCountdown = nFrames >= mSilenceCountdown ? 0 : mSilenceCountdown - nFrames;
        silent = false;
    }
    return silent;
}

OSStatus AUEffectBase::Render(AudioUnitRenderActionFlags& ioActionFlags, const AudioTimeStamp& timeStamp, UInt32 nFrames,
                              AudioBufferList& ioData)
{
    const OSStatus pulled = PullInput(ioActionFlags, timeStamp, nFrames);
    if (pulled != noErr) return pulled;
    AudioBufferList& input = Input().GetBufferList();
    const UInt32 channels = std::min(Input().NumberChannels(), Output().NumberChannels());
    for (UInt32 c = 0; c < Input().NumberChannels(); ++c)
        if (!input.mBuffers[c].mData || input.mBuffers[c].mDataByteSize < nFrames * sizeof(float)) return kAudio_ParamError;

    // A host that leaves the output pointers empty gets the unit's own buffers: the
    // input itself when processing in place.
    if (!ioData.mBuffers[0].mData) {
        AudioBufferList& own = mProcessesInPlace ? input : Output().PrepareBuffers(nFrames);
        for (UInt32 c = 0; c < Output().NumberChannels(); ++c) {
            ioData.mBuffers[c].mData = own.mBuffers[c].mData;
            ioData.mBuffers[c].mDataByteSize = nFrames * UInt32(sizeof(float));
        }
    }
    if (mBypass) {
        for (UInt32 c = 0; c < channels; ++c)
            if (ioData.mBuffers[c].mData && ioData.mBuffers[c].mData != input.mBuffers[c].mData)
                std::memcpy(ioData.mBuffers[c].mData, input.mBuffers[c].mData, nFrames * sizeof(float));
        return noErr;
    }
    return ProcessBufferLists(ioActionFlags, input, ioData, nFrames);
}

OSStatus AUEffectBase::ProcessBufferLists(AudioUnitRenderActionFlags&, const AudioBufferList&, AudioBufferList&, UInt32)
{
    return unimpErr;
}

// ---------------------------------------------------------------------------------------
// Component Manager dispatch. Arguments arrive as words, first argument first.

OSStatus AUBase::ComponentEntryDispatch(ComponentParameters* params, AUBase* unit)
{
    if (!params) return kAudio_ParamError;
    if (!unit) return kAudio_ParamError;
    auto word = [params](int i) -> intptr_t {
        return size_t(i + 1) * sizeof(intptr_t) <= params->paramSize ? params->params[i] : 0;
    };
    switch (params->what) {
    case kComponentCloseSelect:
        delete unit;
        return noErr;
    case kComponentVersionSelect:
        return unit->Version();
    case kComponentCanDoSelect:
        switch (int16_t(word(0))) {
        case kComponentOpenSelect: case kComponentCloseSelect: case kComponentCanDoSelect: case kComponentVersionSelect:
        case kAudioUnitInitializeSelect: case kAudioUnitUninitializeSelect: case kAudioUnitGetPropertyInfoSelect:
        case kAudioUnitGetPropertySelect: case kAudioUnitSetPropertySelect: case kAudioUnitGetParameterSelect:
        case kAudioUnitSetParameterSelect: case kAudioUnitResetSelect: case kAudioUnitRenderSelect:
            return 1;
        default:
            return 0;
        }
    case kAudioUnitInitializeSelect:
        return unit->DoInitialize();
    case kAudioUnitUninitializeSelect:
        unit->DoCleanup();
        return noErr;
    case kAudioUnitGetPropertyInfoSelect: {
        UInt32 size = 0;
        Boolean writable = false;
        const OSStatus result = unit->GetPropertyInfo(AudioUnitPropertyID(word(0)), AudioUnitScope(word(1)),
                                                      AudioUnitElement(word(2)), size, writable);
        if (result == noErr) {
            if (UInt32* pSize = reinterpret_cast<UInt32*>(word(3))) *pSize = size;
            if (Boolean* pWritable = reinterpret_cast<Boolean*>(word(4))) *pWritable = writable;
        }
        return result;
    }
    case kAudioUnitGetPropertySelect:
        return unit->DispatchGetProperty(AudioUnitPropertyID(word(0)), AudioUnitScope(word(1)), AudioUnitElement(word(2)),
                                         reinterpret_cast<void*>(word(3)), reinterpret_cast<UInt32*>(word(4)));
    case kAudioUnitSetPropertySelect:
        return unit->SetProperty(AudioUnitPropertyID(word(0)), AudioUnitScope(word(1)), AudioUnitElement(word(2)),
                                 reinterpret_cast<const void*>(word(3)), UInt32(word(4)));
    case kAudioUnitGetParameterSelect: {
        AudioUnitParameterValue* pValue = reinterpret_cast<AudioUnitParameterValue*>(word(3));
        if (!pValue) return kAudio_ParamError;
        return unit->GetParameter(AudioUnitParameterID(word(0)), AudioUnitScope(word(1)), AudioUnitElement(word(2)), *pValue);
    }
    case kAudioUnitSetParameterSelect: {
        const uint32_t bits = uint32_t(word(3));
        AudioUnitParameterValue value;
        std::memcpy(&value, &bits, sizeof value);
        return unit->SetParameter(AudioUnitParameterID(word(0)), AudioUnitScope(word(1)), AudioUnitElement(word(2)), value,
                                  UInt32(word(4)));
    }
    case kAudioUnitResetSelect:
        return unit->DoReset(AudioUnitScope(word(0)), AudioUnitElement(word(1)));
    case kAudioUnitRenderSelect:
        return unit->DoRender(reinterpret_cast<AudioUnitRenderActionFlags*>(word(0)),
                              reinterpret_cast<const AudioTimeStamp*>(word(1)), UInt32(word(2)), UInt32(word(3)),
                              reinterpret_cast<AudioBufferList*>(word(4)));
    default:
        return unimpErr;
    }
}
