// The object model every audio object of the suite shares, from a single biquad to a
// whole composite effect: three interfaces, the empty CSource base and CFilter, which
// holds the sample format, the normalized parameters, stored presets, a reference
// count and the object's own re-entrant lock.
#pragma once

#include <cstdint>

#include "guid.h"
#include "platform/multiprocessing.h"

typedef int32_t int32;
typedef uint32_t uint32;

// Result for an interface the object does not have.
static const int32 QV_E_NOINTERFACE = int32(0x80004002u);

// Packs a four-character code, first character in the most significant byte.
constexpr int32 QVFourCC(char a, char b, char c, char d)
{
    return int32((uint32(uint8_t(a)) << 24) | (uint32(uint8_t(b)) << 16) | (uint32(uint8_t(c)) << 8) |
                 uint32(uint8_t(d)));
}

class IUnknown {
public:
    virtual int32 QueryInterface(const _GUID& iid, void** ppOut) = 0;
    virtual int32 AddRef() = 0;
    virtual int32 Release() = 0;
    virtual ~IUnknown() {}
};

class IObject : public IUnknown {
public:
    virtual IObject* Clone() = 0;
    virtual IObject* Create() = 0;
    virtual const char* GetName() = 0;
    virtual void Walk(int32) = 0;
};

class IAudioEffect : public IObject {
public:
    virtual void GetEffectName(char* pText) = 0;
    virtual int32 GetUniqueID() = 0;
    virtual int32 GetParameterCount() = 0;
    virtual void GetParameterLabel(int32 lIndex, char* pText) = 0;
    virtual void GetParameterDisplay(int32 lIndex, char* pText) = 0;
    virtual void GetParameterName(int32 lIndex, char* pText) = 0;
    virtual int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) = 0;
    virtual int32 Reset() = 0;
    virtual void StartProcess() = 0;
    virtual void StopProcess() = 0;
    virtual void Delete() = 0;
    virtual void ActivatePreset() = 0;
    virtual void SetParameter(int32 lIndex, float fValue) = 0;
    virtual float GetParameter(int32 lIndex) = 0;
    virtual int32 SetSampleRate(uint32 dwRate) = 0;
    virtual int32 SetChannels(uint32 dwChannels) = 0;
    virtual int32 SetBlockSize(uint32 dwSize) = 0;
    virtual bool Copy(IAudioEffect* pSource) = 0;
};

class CSource {};

// One named set of normalized parameter values.
class CFilterPreset {
public:
    enum { NAME_SIZE = 24 };

    CFilterPreset();
    ~CFilterPreset();
    CFilterPreset(const CFilterPreset&) = delete;
    CFilterPreset& operator=(const CFilterPreset&) = delete;

    void Init(int32 lCount);
    int32 GetParameterCount() const { return m_lParamCount; }
    float GetParameter(int32 lIndex) const;
    void SetParameter(int32 lIndex, float fValue);
    void AddParameter();
    void RemoveParameter();
    void CopyPreset(CFilterPreset* pSource);

    void SetName(const char* pName);
    const char* GetName() const { return m_szName; }

    char m_szName[NAME_SIZE];
    float* m_pfValues;
    int32 m_lParamCount;

private:
    void Resize(int32 lCount);
};

// Copies a name into a fixed field of lSize bytes, cutting it and always terminating.
void QVCopyName(char* pDest, const char* pSource, unsigned uSize);

class CFilter : public IAudioEffect, public CSource {
public:
    CFilter();
    ~CFilter() override;
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;

    // IUnknown
    int32 QueryInterface(const _GUID& iid, void** ppOut) override;
    int32 AddRef() override;
    int32 Release() override;

    // IObject
    IObject* Clone() override;
    IObject* Create() override;
    const char* GetName() override;
    void Walk(int32) override;

    // IAudioEffect
    void GetEffectName(char* pText) override;
    int32 GetUniqueID() override;
    int32 GetParameterCount() override;
    void GetParameterLabel(int32 lIndex, char* pText) override;
    void GetParameterDisplay(int32 lIndex, char* pText) override;
    void GetParameterName(int32 lIndex, char* pText) override;
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override;
    int32 Reset() override;
    void StartProcess() override;
    void StopProcess() override;
    void Delete() override;
    void ActivatePreset() override;
    void SetParameter(int32 lIndex, float fValue) override;
    float GetParameter(int32 lIndex) override;
    int32 SetSampleRate(uint32 dwRate) override;
    int32 SetChannels(uint32 dwChannels) override;
    int32 SetBlockSize(uint32 dwSize) override;
    bool Copy(IAudioEffect* pSource) override;

    // CFilter's own virtual operations, after the interfaces'.
    virtual bool Copy(CFilter* pSource);
    virtual void SetTempoReference(double* pTempo);

    // Preset table.
    int32 AddPreset(const char* pName);
    void RemovePreset(int32 lPreset);
    void SetPresetCount(int32 lCount);
    bool CreatePreset(int32 lPreset, const char* pName, const float* pValues);
    void SetPreset(int32 lPreset);
    void WritePreset(int32 lPreset);
    void SetPresetName(const char* pName);
    bool SetPresetName(int32 lPreset, const char* pName);
    void GetPresetName(char* pText);
    bool GetPresetNameIndexed(int32 lPreset, char* pText);
    bool SetPresetParameter(int32 lPreset, int32 lIndex, float fValue);
    float GetPresetParameterIndexed(int32 lPreset, int32 lIndex);
    int32 GetPresetCount() const { return m_lPresetCount; }

    uint32 GetSampleRate() const { return m_dwSampleRate; }
    uint32 GetChannels() const { return m_dwChannels; }
    uint32 GetBlockSize() const { return m_dwBlockSize; }
    // Samples by which the output lags the input (a host compensates for it); filters
    // that delay their signal set m_dwLatency.
    uint32 GetLatency() const { return m_dwLatency; }
    // The object's lock, for callers that must make several calls appear as one.
    MPCriticalRegionID GetLock() const { return m_Lock; }

    // Number of CFilter objects alive; a plain counter, read by nothing in processing.
    static int32 m_slAllocated;

protected:
    void Lock() { MPEnterCriticalRegion(m_Lock, kDurationForever); }
    void Unlock() { MPExitCriticalRegion(m_Lock); }
    bool PresetInRange(int32 lPreset) const { return lPreset >= 0 && lPreset < m_lPresetCount; }

    double* m_pTempo;
    uint32 m_dwSampleRate;
    float m_fSampleRate;
    uint32 m_dwBlockSize;
    uint32 m_dwChannels;
    CFilterPreset* m_pPresets;
    CFilterPreset m_Params;
    int32 m_lPresetCount;
    MPCriticalRegionID m_Lock;
    int32 m_lRefCount;
    uint32 m_dwLatency;

    friend class CFilterWrap;
};

// Holds a filter's lock for a scope.
class CFilterLock {
public:
    explicit CFilterLock(MPCriticalRegionID region) : m_Region(region) { MPEnterCriticalRegion(m_Region, kDurationForever); }
    ~CFilterLock() { MPExitCriticalRegion(m_Region); }
    CFilterLock(const CFilterLock&) = delete;
    CFilterLock& operator=(const CFilterLock&) = delete;

private:
    MPCriticalRegionID m_Region;
};
