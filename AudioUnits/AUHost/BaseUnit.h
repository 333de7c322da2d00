// Exposes one effect class of the suite to an Audio Unit host: the effect's controls are
// the host parameters (IDs 0..N-1, range 0..1), its presets the factory presets, its
// control display the parameter value texts, and every render slice one ProcessBlock in
// replace mode. The same template serves all eleven effects.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "filterwrap.h"
#include "platform/AudioUnitSDK/AUBase.h"

// A sample buffer described by its capacity in bytes; grows, never shrinks, until freed.
struct QVScratchBuffer {
    UInt32 m_dwCapacity = 0;
    void* m_pData = nullptr;

    bool Grow(UInt32 dwBytes)
    {
        if (m_dwCapacity >= dwBytes && m_pData) return true;
        void* pData = std::malloc(dwBytes ? dwBytes : 1);
        if (!pData) return false;
        std::free(m_pData);
        m_pData = pData;
        m_dwCapacity = dwBytes;
        return true;
    }
    void Clear()
    {
        if (m_pData) std::memset(m_pData, 0, m_dwCapacity);
    }
    void Free()
    {
        std::free(m_pData);
        m_pData = nullptr;
        m_dwCapacity = 0;
    }
};

template <class T>
class QVBaseUnit : public AUEffectBase {
public:
    enum : UInt32 { kBlockSize = 1024, kScratchBytes = 4096, kTextSize = 60, kPresetNameSize = 25 };

    explicit QVBaseUnit(ComponentInstance instance) : AUEffectBase(instance, true), m_pEffect(nullptr), m_pAUPresets(nullptr)
    {
        m_pEffect = new T;
        const int32 lControls = m_pEffect->GetParameterCount();
        for (int32 i = 0; i < lControls; ++i) Globals().SetParameter(AudioUnitParameterID(i), m_pEffect->GetParameter(i));

        const int32 lPresets = m_pEffect->GetPresetCount();
        if (lPresets > 0) {
            m_pAUPresets = new AUPreset[lPresets];
            for (int32 i = 0; i < lPresets; ++i) {
                char szName[kPresetNameSize] = {};
                m_pEffect->GetPresetNameIndexed(i, szName);
                m_pAUPresets[i].presetNumber = i;
                m_pAUPresets[i].presetName = CFStringCreateWithCString(kCFAllocatorDefault, szName, kCFStringEncodingUTF8);
            }
            NewFactoryPresetSet(m_pAUPresets[0]);
        }
    }

    ~QVBaseUnit() override
    {
        if (m_pAUPresets) {
            for (int32 i = 0; i < m_pEffect->GetPresetCount(); ++i)
                if (m_pAUPresets[i].presetName) CFRelease(m_pAUPresets[i].presetName);
            delete[] m_pAUPresets;
        }
        delete m_pEffect;
        // A host that closes without uninitializing still gets its memory back.
        m_ScratchBuffer.Free();
        m_DiscardBuffer.Free();
    }

    OSStatus Version() override { return 0x00010003; }

    OSStatus Initialize() override
    {
        const OSStatus result = AUEffectBase::Initialize();
        if (result != noErr) return result;
        m_pEffect->Reset();
        m_pEffect->SetChannels(GetNumberOfChannels());
        m_pEffect->SetSampleRate(SampleRateAsInteger());
        m_pEffect->SetBlockSize(kBlockSize);
        if (!m_ScratchBuffer.Grow(kScratchBytes)) return memFullErr;
        m_ScratchBuffer.Clear();
        return noErr;
    }

    void Cleanup() override
    {
        m_ScratchBuffer.Free();
        m_DiscardBuffer.Free();
        m_pEffect->Reset();
        AUEffectBase::Cleanup();
    }

    OSStatus Reset(AudioUnitScope scope, AudioUnitElement element) override
    {
        m_ScratchBuffer.Clear();
        m_pEffect->Reset();
        return AUEffectBase::Reset(scope, element);
    }

    OSStatus GetPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                             UInt32& outDataSize, Boolean& outWritable) override
    {
        if (id == kAudioUnitProperty_ParameterStringFromValue && scope == kAudioUnitScope_Global) {
            // The record's size on this machine: parameter ID, value pointer, result string.
            outDataSize = sizeof(AudioUnitParameterStringFromValue);
            outWritable = false;
            return noErr;
        }
        return AUEffectBase::GetPropertyInfo(id, scope, element, outDataSize, outWritable);
    }

    OSStatus GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, void* outData) override
    {
        if (id == kAudioUnitProperty_ParameterStringFromValue && scope == kAudioUnitScope_Global)
            return ValueText(*static_cast<AudioUnitParameterStringFromValue*>(outData));
        return AUEffectBase::GetProperty(id, scope, element, outData);
    }

    OSStatus SetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                          AudioUnitParameterValue value, UInt32 bufferOffsetInFrames) override
    {
        m_pEffect->SetParameter(int32(id), value);
        return AUBase::SetParameter(id, scope, element, value, bufferOffsetInFrames);
    }

    OSStatus GetParameterInfo(AudioUnitScope scope, AudioUnitParameterID id, AudioUnitParameterInfo& outInfo) override
    {
        if (scope != kAudioUnitScope_Global) return AUBase::GetParameterInfo(scope, id, outInfo);
        if (int32(id) >= m_pEffect->GetParameterCount() || int32(id) < 0) {
            std::printf("Error: filter parameter id out of range!\n");
            return AUBase::GetParameterInfo(scope, id, outInfo);
        }
        const CControlParam* pControl = m_pEffect->GetControlParam(int32(id));
        if (!pControl) {
            std::printf("Error: filter parameter cannot be retrieved!\n");
            return AUBase::GetParameterInfo(scope, id, outInfo);
        }
        outInfo.cfNameString = CFStringCreateWithCString(kCFAllocatorDefault, pControl->m_szName, kCFStringEncodingUTF8);
        std::strncpy(outInfo.name, pControl->m_szName, sizeof(outInfo.name) - 1);
        outInfo.name[sizeof(outInfo.name) - 1] = '\0';
        outInfo.unit = kAudioUnitParameterUnit_CustomUnit;
        outInfo.unitName = CFStringCreateWithCString(kCFAllocatorDefault, pControl->m_szLabel, kCFStringEncodingUTF8);
        outInfo.minValue = 0.0f;
        outInfo.maxValue = 1.0f;
        outInfo.defaultValue = pControl->m_fDefault;
        outInfo.flags |= kAudioUnitParameterFlag_HasCFNameString | kAudioUnitParameterFlag_CFNameRelease |
                         kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable |
                         kAudioUnitParameterFlag_ValuesHaveStrings;
        return noErr;
    }

    OSStatus GetPresets(CFArrayRef* outData) const override
    {
        if (!outData) return noErr;
        const int32 lPresets = m_pEffect->GetPresetCount();
        CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, lPresets, nullptr);
        if (!array) return memFullErr;
        for (int32 i = 0; i < lPresets; ++i) CFArrayAppendValue(array, &m_pAUPresets[i]);
        *outData = array;
        return noErr;
    }

    OSStatus NewFactoryPresetSet(const AUPreset& newFactoryPreset) override
    {
        const SInt32 n = newFactoryPreset.presetNumber;
        if (n < 0 || n >= m_pEffect->GetPresetCount()) return kAudioUnitErr_InvalidPropertyValue;
        m_pEffect->SetPreset(n);
        const int32 lControls = m_pEffect->GetParameterCount();
        for (int32 i = 0; i < lControls; ++i) Globals().SetParameter(AudioUnitParameterID(i), m_pEffect->GetParameter(i));
        SetAFactoryPresetAsCurrent(m_pAUPresets[n]);
        return noErr;
    }

    Float64 GetLatency() override { return 0.02; }
    Float64 GetTailTime() override { return 0.5; }
    bool SupportsTail() override { return true; }

    UInt32 SupportedNumChannels(const AUChannelInfo** outInfo) override
    {
        static const AUChannelInfo kChannels[2] = {{1, 1}, {2, 2}};
        if (outInfo) *outInfo = kChannels;
        return 2;
    }

    OSStatus ProcessBufferLists(AudioUnitRenderActionFlags& ioActionFlags, const AudioBufferList& inBuffer,
                                AudioBufferList& outBuffer, UInt32 nFrames) override
    {
        const bool bSilent = IsInputSilent(ioActionFlags, nFrames);
        float* ppIn[2] = {nullptr, nullptr};
        float* ppOut[2] = {nullptr, nullptr};
        const UInt32 dwChannels = GetNumberOfChannels() <= 1 ? GetNumberOfChannels() : 2;
        for (UInt32 c = 0; c < dwChannels; ++c) {
            ppIn[c] = static_cast<float*>(inBuffer.mBuffers[c].mData);
            ppOut[c] = static_cast<float*>(outBuffer.mBuffers[c].mData);
        }
        if (dwChannels == 1 && m_pEffect->IsOnlyStereo()) {
            // A stereo-only effect on a mono stream hears the mono input on both
            // channels; its second output goes to a buffer of its own and is dropped.
            const UInt32 dwBytes = inBuffer.mBuffers[0].mDataByteSize;
            if (m_ScratchBuffer.Grow(dwBytes) && m_DiscardBuffer.Grow(dwBytes)) {
                std::memcpy(m_ScratchBuffer.m_pData, inBuffer.mBuffers[0].mData, dwBytes);
                ppIn[1] = static_cast<float*>(m_ScratchBuffer.m_pData);
                ppOut[1] = static_cast<float*>(m_DiscardBuffer.m_pData);
            }
            m_pEffect->SetChannels(2);
        } else {
            m_pEffect->SetChannels(dwChannels);
        }
        m_pEffect->ProcessBlock(ppIn, ppOut, nFrames, false);
        if (bSilent)
            ioActionFlags |= kAudioUnitRenderAction_OutputIsSilence;
        else
            ioActionFlags &= ~AudioUnitRenderActionFlags(kAudioUnitRenderAction_OutputIsSilence);
        return noErr;
    }

    T* GetEffect() { return m_pEffect; }

private:
    uint32 SampleRateAsInteger()
    {
        const Float64 dRate = GetSampleRate();
        return dRate >= 1.0 && dRate < 4294967296.0 ? uint32(dRate) : 0;
    }

    // The value-text conversion probes the live effect with the asked value. It runs
    // under the effect's own lock, so no block is ever processed with the probed value.
    OSStatus ValueText(AudioUnitParameterStringFromValue& record)
    {
        if (record.inParamID >= UInt32(m_pEffect->GetParameterCount())) return kAudioUnitErr_InvalidParameter;
        const int32 lID = int32(record.inParamID);
        char szText[kTextSize] = {};
        if (record.inValue) {
            CFilterLock lock(m_pEffect->GetLock());
            const float fCurrent = m_pEffect->GetParameter(lID);
            m_pEffect->SetParameter(lID, *record.inValue);
            m_pEffect->GetParameterDisplay(lID, szText);
            m_pEffect->SetParameter(lID, fCurrent);
        } else {
            m_pEffect->GetParameterDisplay(lID, szText);
        }
        szText[kTextSize - 1] = '\0';
        record.outString = CFStringCreateWithCString(kCFAllocatorDefault, szText, kCFStringEncodingUTF8);
        return noErr;
    }

    T* m_pEffect;
    AUPreset* m_pAUPresets;
    QVScratchBuffer m_ScratchBuffer;
    QVScratchBuffer m_DiscardBuffer;
};
