#include "filter.h"

#include <cstring>
#include <new>

#include "qvassert.h"

static const char kSource[] = "Common/filter";

int32 CFilter::m_slAllocated = 0;

void QVCopyName(char* pDest, const char* pSource, unsigned uSize)
{
    if (!pDest || uSize == 0) return;
    if (!pSource) pSource = "";
    std::strncpy(pDest, pSource, uSize);
    pDest[uSize - 1] = '\0';
}

// ---------------------------------------------------------------------------------------
// CFilterPreset

CFilterPreset::CFilterPreset() : m_pfValues(nullptr), m_lParamCount(0)
{
    QVCopyName(m_szName, "Init", NAME_SIZE);
}

CFilterPreset::~CFilterPreset() { delete[] m_pfValues; }

void CFilterPreset::Init(int32 lCount)
{
    delete[] m_pfValues;
    m_pfValues = nullptr;
    m_lParamCount = 0;
    if (lCount <= 0) return;
    m_pfValues = new (std::nothrow) float[lCount];
    if (!m_pfValues) return;
    for (int32 i = 0; i < lCount; ++i) m_pfValues[i] = 0.0f;
    m_lParamCount = lCount;
}

float CFilterPreset::GetParameter(int32 lIndex) const
{
    return (lIndex >= 0 && lIndex < m_lParamCount) ? m_pfValues[lIndex] : 0.0f;
}

void CFilterPreset::SetParameter(int32 lIndex, float fValue)
{
    if (lIndex >= 0 && lIndex < m_lParamCount) m_pfValues[lIndex] = fValue;
}

// Keeps the first values that fit; new values are 0.0. Unchanged when allocation fails.
void CFilterPreset::Resize(int32 lCount)
{
    float* pValues = new (std::nothrow) float[lCount];
    if (!pValues) return;
    for (int32 i = 0; i < lCount; ++i) pValues[i] = i < m_lParamCount ? m_pfValues[i] : 0.0f;
    delete[] m_pfValues;
    m_pfValues = pValues;
    m_lParamCount = lCount;
}

void CFilterPreset::AddParameter() { Resize(m_lParamCount + 1); }

void CFilterPreset::RemoveParameter()
{
    if (m_lParamCount < 2)
        Init(0);
    else
        Resize(m_lParamCount - 1);
}

void CFilterPreset::CopyPreset(CFilterPreset* pSource)
{
    if (m_lParamCount != pSource->GetParameterCount()) Init(pSource->GetParameterCount());
    QV_ASSERT(kSource, m_lParamCount == pSource->GetParameterCount());
    for (int32 i = 0; i < m_lParamCount; ++i) m_pfValues[i] = pSource->m_pfValues[i];
    SetName(pSource->m_szName);
}

void CFilterPreset::SetName(const char* pName) { QVCopyName(m_szName, pName, NAME_SIZE); }

// ---------------------------------------------------------------------------------------
// CFilter

CFilter::CFilter()
    : m_pTempo(nullptr),
      m_dwSampleRate(48000),
      m_fSampleRate(48000.0f),
      m_dwBlockSize(512),
      m_dwChannels(2),
      m_pPresets(nullptr),
      m_lPresetCount(0),
      m_Lock(nullptr),
      m_lRefCount(1),
      m_dwLatency(0)
{
    MPCreateCriticalRegion(&m_Lock);
    m_Params.Init(0);
    ++m_slAllocated;
}

CFilter::~CFilter()
{
    --m_slAllocated;
    MPDeleteCriticalRegion(m_Lock);
    delete[] m_pPresets;
}

int32 CFilter::QueryInterface(const _GUID& iid, void** ppOut)
{
    if (!ppOut) return QV_E_NOINTERFACE;
    if (iid == IID_IUnknown || iid == IID_Object || iid == IID_AudioEffect) {
        *ppOut = this;
        AddRef();
        return 0;
    }
    *ppOut = nullptr;
    return QV_E_NOINTERFACE;
}

int32 CFilter::AddRef()
{
    CFilterLock lock(m_Lock);
    return ++m_lRefCount;
}

int32 CFilter::Release()
{
    int32 lCount;
    {
        CFilterLock lock(m_Lock);
        lCount = --m_lRefCount;
    }
    if (lCount != 0) return lCount;
    delete this;
    return 0;
}

IObject* CFilter::Clone() { return nullptr; }
IObject* CFilter::Create() { return nullptr; }
const char* CFilter::GetName() { return "CFilter"; }
void CFilter::Walk(int32) {}

void CFilter::GetEffectName(char* pText) { std::strcpy(pText, "Stinkin' no name filter"); }
int32 CFilter::GetUniqueID() { return 0; }
int32 CFilter::GetParameterCount() { return m_Params.GetParameterCount(); }
void CFilter::GetParameterLabel(int32, char*) {}
void CFilter::GetParameterDisplay(int32, char*) {}
void CFilter::GetParameterName(int32, char*) {}
int32 CFilter::ProcessBlock(float**, float**, uint32, bool) { return 0; }
int32 CFilter::Reset() { return 0; }
void CFilter::StartProcess() {}
void CFilter::StopProcess() {}
void CFilter::Delete() { delete this; }
void CFilter::ActivatePreset() {}

void CFilter::SetParameter(int32 lIndex, float fValue)
{
    m_Params.SetParameter(lIndex, fValue);
    ActivatePreset();
}

float CFilter::GetParameter(int32 lIndex) { return m_Params.GetParameter(lIndex); }

int32 CFilter::SetSampleRate(uint32 dwRate)
{
    m_dwSampleRate = dwRate;
    m_fSampleRate = float(dwRate);
    return 0;
}

int32 CFilter::SetChannels(uint32 dwChannels)
{
    m_dwChannels = dwChannels;
    return 0;
}

int32 CFilter::SetBlockSize(uint32 dwSize)
{
    m_dwBlockSize = dwSize;
    return 0;
}

bool CFilter::Copy(IAudioEffect* pSource) { return Copy(static_cast<CFilter*>(pSource)); }

bool CFilter::Copy(CFilter* pSource)
{
    SetSampleRate(pSource->m_dwSampleRate);
    SetChannels(pSource->m_dwChannels);
    SetBlockSize(pSource->m_dwBlockSize);
    m_Params.CopyPreset(&pSource->m_Params);
    ActivatePreset();
    return true;
}

void CFilter::SetTempoReference(double* pTempo) { m_pTempo = pTempo; }

// ---------------------------------------------------------------------------------------
// Preset table. Every size change builds a new table and copies the surviving records.

int32 CFilter::AddPreset(const char* pName)
{
    const int32 lParams = m_Params.GetParameterCount();
    CFilterPreset* pTable = new (std::nothrow) CFilterPreset[m_lPresetCount + 1];
    if (!pTable) return 0;
    for (int32 i = 0; i < m_lPresetCount; ++i) {
        pTable[i].Init(lParams);
        pTable[i].CopyPreset(&m_pPresets[i]);
    }
    CFilterPreset& last = pTable[m_lPresetCount];
    last.SetName(pName);
    last.Init(lParams);
    delete[] m_pPresets;
    m_pPresets = pTable;
    return m_lPresetCount++;
}

void CFilter::RemovePreset(int32 lPreset)
{
    QV_ASSERT(kSource, lPreset >= 0);
    if (lPreset >= m_lPresetCount) return;
    CFilterPreset* pTable = nullptr;
    if (m_lPresetCount > 1) {
        pTable = new (std::nothrow) CFilterPreset[m_lPresetCount - 1];
        if (!pTable) return;
        for (int32 i = 0, j = 0; i < m_lPresetCount; ++i)
            if (i != lPreset) pTable[j++].CopyPreset(&m_pPresets[i]);
    }
    delete[] m_pPresets;
    m_pPresets = pTable;
    --m_lPresetCount;
}

void CFilter::SetPresetCount(int32 lCount)
{
    delete[] m_pPresets;
    m_pPresets = nullptr;
    m_lPresetCount = 0;
    if (lCount <= 0) return;
    m_pPresets = new (std::nothrow) CFilterPreset[lCount];
    if (!m_pPresets) return;
    const int32 lParams = GetParameterCount();
    for (int32 i = 0; i < lCount; ++i) m_pPresets[i].Init(lParams);
    m_lPresetCount = lCount;
}

bool CFilter::CreatePreset(int32 lPreset, const char* pName, const float* pValues)
{
    if (!PresetInRange(lPreset)) return false;
    CFilterPreset& preset = m_pPresets[lPreset];
    preset.SetName(pName);
    const int32 lCount = GetParameterCount();
    for (int32 i = 0; i < lCount; ++i) preset.SetParameter(i, pValues[i]);
    return true;
}

// The current values are shared with the control thread's SetParameter and with
// ActivatePreset, so the copy is made under the object's (re-entrant) lock.
void CFilter::SetPreset(int32 lPreset)
{
    if (!PresetInRange(lPreset)) return;
    CFilterLock lock(m_Lock);
    m_Params.CopyPreset(&m_pPresets[lPreset]);
    ActivatePreset();
}

void CFilter::WritePreset(int32 lPreset)
{
    if (!PresetInRange(lPreset)) return;
    CFilterLock lock(m_Lock);
    m_pPresets[lPreset].CopyPreset(&m_Params);
}

void CFilter::SetPresetName(const char* pName)
{
    CFilterLock lock(m_Lock);
    m_Params.SetName(pName);
}

bool CFilter::SetPresetName(int32 lPreset, const char* pName)
{
    if (!PresetInRange(lPreset)) return false;
    m_pPresets[lPreset].SetName(pName);
    return true;
}

void CFilter::GetPresetName(char* pText)
{
    CFilterLock lock(m_Lock);
    std::strcpy(pText, m_Params.m_szName);
}

bool CFilter::GetPresetNameIndexed(int32 lPreset, char* pText)
{
    if (!PresetInRange(lPreset)) return false;
    std::strcpy(pText, m_pPresets[lPreset].m_szName);
    return true;
}

bool CFilter::SetPresetParameter(int32 lPreset, int32 lIndex, float fValue)
{
    if (!PresetInRange(lPreset)) return false;
    m_pPresets[lPreset].SetParameter(lIndex, fValue);
    return true;
}

float CFilter::GetPresetParameterIndexed(int32 lPreset, int32 lIndex)
{
    if (!PresetInRange(lPreset)) return 0.0f;
    return m_pPresets[lPreset].GetParameter(lIndex);
}
