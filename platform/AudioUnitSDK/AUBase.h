// The unit side of the Audio Unit interface: the base classes an effect component
// derives from. AUBase keeps the scopes' elements (the global parameters and the input
// and output streams), answers the standard properties, runs the render protocol and
// dispatches Component Manager requests; AUEffectBase adds the effect's channel table,
// input pulling, bypass and the silence propagation.
#pragma once

#include <vector>

#include "AUTypes.h"

class ComponentBase {
public:
    explicit ComponentBase(ComponentInstance instance) : mComponentInstance(instance) {}
    virtual ~ComponentBase() {}
    ComponentBase(const ComponentBase&) = delete;
    ComponentBase& operator=(const ComponentBase&) = delete;

    // Called by the entry function right after construction, before any request.
    virtual void PostConstructor() {}
    virtual OSStatus Version() { return 0x00010000; }
    ComponentInstance GetComponentInstance() const { return mComponentInstance; }

protected:
    ComponentInstance mComponentInstance;
};

// One element of a scope: parameters (global scope) or one stream (input, output).
class AUElement {
public:
    AUElement();
    ~AUElement();
    AUElement(const AUElement&) = delete;
    AUElement& operator=(const AUElement&) = delete;

    bool HasParameter(AudioUnitParameterID id) const;
    AudioUnitParameterValue GetParameter(AudioUnitParameterID id) const; // 0 when absent
    void SetParameter(AudioUnitParameterID id, AudioUnitParameterValue value);
    const std::vector<AudioUnitParameterID>& GetParameterIDs() const { return mIDs; }

    const AudioStreamBasicDescription& GetStreamFormat() const { return mFormat; }
    void SetStreamFormat(const AudioStreamBasicDescription& format) { mFormat = format; }
    UInt32 NumberChannels() const { return mFormat.mChannelsPerFrame; }

    // Sample storage of a stream element: one buffer per channel of maxFrames samples.
    bool AllocateBuffers(UInt32 maxFrames);
    void DeallocateBuffers();
    // The buffer list pointed at the element's own storage, sized for nFrames.
    AudioBufferList& PrepareBuffers(UInt32 nFrames);
    AudioBufferList& GetBufferList() { return *mBufferList; }

private:
    std::vector<AudioUnitParameterID> mIDs;
    std::vector<AudioUnitParameterValue> mValues;
    AudioStreamBasicDescription mFormat;
    std::vector<float> mStorage;
    AudioBufferList* mBufferList; // room for two buffers
    UInt32 mMaxFrames;
};

class AUBase : public ComponentBase {
public:
    AUBase(ComponentInstance instance, UInt32 numInputs, UInt32 numOutputs);
    ~AUBase() override;

    void PostConstructor() override;

    // Operations a unit overrides.
    virtual OSStatus Initialize();
    virtual void Cleanup();
    virtual OSStatus Reset(AudioUnitScope scope, AudioUnitElement element);
    virtual OSStatus GetPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                     UInt32& outDataSize, Boolean& outWritable);
    virtual OSStatus GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, void* outData);
    virtual OSStatus SetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                 const void* inData, UInt32 inDataSize);
    virtual OSStatus GetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                                  AudioUnitParameterValue& outValue);
    virtual OSStatus SetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                                  AudioUnitParameterValue value, UInt32 bufferOffsetInFrames);
    virtual OSStatus GetParameterInfo(AudioUnitScope scope, AudioUnitParameterID id, AudioUnitParameterInfo& outInfo);
    virtual OSStatus GetPresets(CFArrayRef* outData) const;
    virtual OSStatus NewFactoryPresetSet(const AUPreset& newFactoryPreset);
    virtual Float64 GetLatency();
    virtual Float64 GetTailTime();
    virtual bool SupportsTail();
    virtual UInt32 SupportedNumChannels(const AUChannelInfo** outInfo);
    virtual OSStatus Render(AudioUnitRenderActionFlags& ioActionFlags, const AudioTimeStamp& timeStamp,
                            UInt32 nFrames, AudioBufferList& ioData);

    // The protocol around them.
    OSStatus DoInitialize();
    void DoCleanup();
    OSStatus DoReset(AudioUnitScope scope, AudioUnitElement element);
    OSStatus DoRender(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp, UInt32 bus,
                      UInt32 nFrames, AudioBufferList* ioData);
    OSStatus DispatchGetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                 void* outData, UInt32* ioDataSize);
    bool IsInitialized() const { return mInitialized; }

    AUElement& Globals() { return mGlobal; }
    AUElement& Input() { return mInput; }
    AUElement& Output() { return mOutput; }
    UInt32 GetMaxFramesPerSlice() const { return mMaxFramesPerSlice; }

    OSStatus SetAFactoryPresetAsCurrent(const AUPreset& preset);
    // The class info: the global parameter values, saved and restored as a data block.
    CFDataRef SaveState();
    OSStatus RestoreState(CFPropertyListRef state);

    // Routes one Component Manager request to the unit (close destroys it).
    static OSStatus ComponentEntryDispatch(ComponentParameters* params, AUBase* unit);

protected:
    // The pulled input for nFrames: from a connection or a render callback.
    OSStatus PullInput(AudioUnitRenderActionFlags& ioActionFlags, const AudioTimeStamp& timeStamp, UInt32 nFrames);
    AUElement* StreamElement(AudioUnitScope scope, AudioUnitElement element);

private:
    void SetCurrentPreset(const AUPreset& preset);

    bool mInitialized;
    bool mRendering; // inside DoRender: a connection chain that leads back here is refused
    UInt32 mMaxFramesPerSlice;
    AUElement mGlobal, mInput, mOutput;
    AURenderCallbackStruct mRenderCallback;
    AudioUnitConnection mConnection;
    AUPreset mCurrentPreset; // owns a retained name
};

class AUEffectBase : public AUBase {
public:
    AUEffectBase(ComponentInstance instance, bool processesInPlace = true);

    OSStatus Initialize() override;
    void Cleanup() override;
    OSStatus Reset(AudioUnitScope scope, AudioUnitElement element) override;
    OSStatus GetPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                             UInt32& outDataSize, Boolean& outWritable) override;
    OSStatus GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                         void* outData) override;
    OSStatus SetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                         const void* inData, UInt32 inDataSize) override;
    OSStatus Render(AudioUnitRenderActionFlags& ioActionFlags, const AudioTimeStamp& timeStamp, UInt32 nFrames,
                    AudioBufferList& ioData) override;

    // Processes one slice from the pulled input into the output list.
    virtual OSStatus ProcessBufferLists(AudioUnitRenderActionFlags& ioActionFlags, const AudioBufferList& inBuffer,
                                        AudioBufferList& outBuffer, UInt32 nFrames);

    UInt32 GetNumberOfChannels() { return Output().NumberChannels(); }
    Float64 GetSampleRate() { return Output().GetStreamFormat().mSampleRate; }
    bool IsBypassEffect() const { return mBypass; }
    bool ProcessesInPlace() const { return mProcessesInPlace; }

    // Whether a slice flagged silent should be reported silent: only once the silence
    // has lasted longer than the unit's latency and tail.
    bool IsInputSilent(AudioUnitRenderActionFlags actionFlags, UInt32 nFrames);

private:
    bool mProcessesInPlace;
    bool mBypass;
    bool mSilenceRearm;
    UInt32 mSilenceCountdown;
};
