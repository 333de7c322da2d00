#include "filterwrap.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "qvassert.h"
#include "qvnumeric.h"

static const char kSource[] = "Common/filterwrap";

// Work buffers never grow past this many samples: a host announcing or sending a longer
// block gets it processed in slices of this length instead of an unbounded allocation.
static const uint32 kMaxSlice = 65536;

CFilterNode::~CFilterNode()
{
    if (m_pFilter) m_pFilter->Delete();
}

CControlParam::CControlParam() : m_lMapCount(0), m_fDefault(0.0f), m_lDisplay(0)
{
    for (int32& lMap : m_lMaps) lMap = 0;
    m_szName[0] = '\0';
    m_szLabel[0] = '\0';
}

CFilterWrap::CFilterWrap()
    : m_lUniqueID(0),
      m_lFilterCount(0),
      m_lControlCount(0),
      m_lParamCount(0),
      m_pWork{nullptr, nullptr},
      m_bStarted(false),
      m_bOnlyStereo(false),
      m_pInputCopy{nullptr, nullptr},
      m_dwBufferSize(0)
{
    SetEffectName("Construct-A-Filter");
}

CFilterWrap::~CFilterWrap() { ReleaseBuffers(); }

IObject* CFilterWrap::Create() { return new (std::nothrow) CFilterWrap; }

void CFilterWrap::SetEffectName(const char* pName) { QVCopyName(m_szEffectName, pName, QV_EFFECT_NAME_SIZE); }

void CFilterWrap::GetEffectName(char* pText) { std::strcpy(pText, m_szEffectName); }
int32 CFilterWrap::GetUniqueID() { return m_lUniqueID; }
int32 CFilterWrap::GetParameterCount() { return m_lControlCount; }

void CFilterWrap::SetOnlyStereo(bool bOnlyStereo) { m_bOnlyStereo = bOnlyStereo; }
bool CFilterWrap::IsOnlyStereo() { return m_bOnlyStereo; }

// ---------------------------------------------------------------------------------------
// Building

CFilter* CFilterWrap::InstallFilter(CFilter* pFilter, bool bControls, int32 lChannel)
{
    CFilter* pCopy = pFilter ? static_cast<CFilter*>(pFilter->Clone()) : nullptr;
    if (!pCopy) return nullptr;

    CFilterLock lock(m_Lock);
    QV_ASSERT(kSource, m_lFilterCount < QV_MAX_FILTERS);
    int32 lFirst = 0;
    for (int32 i = 0; i < m_lFilterCount; ++i) lFirst += m_Nodes[i].m_lParams;
    const int32 k = m_lFilterCount;
    const int32 lParams = pCopy->GetParameterCount();
    QV_ASSERT(kSource, lFirst + lParams <= QV_MAX_MAPS);

    CFilterNode& node = m_Nodes[k];
    node.m_lChannel = lChannel < 0 ? 0 : lChannel;
    node.m_pFilter = pCopy;
    node.m_lParams = lParams;

    for (int32 j = 0; j < lParams; ++j) {
        CParamMap& map = m_Maps[lFirst + j];
        map.m_fMin = 0.0f;
        map.m_fMax = 1.0f;
        map.m_fValue = pCopy->GetParameter(j);
        if (bControls) {
            const int32 c = AllocateParameter();
            map.m_lControl = c;
            CControlParam& control = m_Controls[c];
            control.m_lMaps[0] = lFirst + j;
            control.m_lMapCount = 1;
            control.m_lDisplay = 0;
            control.m_fDefault = map.m_fValue;
            char szText[256] = "";
            pCopy->GetParameterLabel(j, szText);
            QVCopyName(control.m_szLabel, szText, QV_CONTROL_TEXT_SIZE);
            szText[0] = '\0';
            pCopy->GetParameterName(j, szText);
            QVCopyName(control.m_szName, szText, QV_CONTROL_TEXT_SIZE);
        } else {
            map.m_lControl = -1;
        }
        map.m_lParam = j;
        map.m_lFilter = k;
    }
    m_lParamCount += lParams;
    m_lFilterCount = k + 1;

    pCopy->SetBlockSize(m_dwBufferSize ? m_dwBufferSize : (m_dwBlockSize < kMaxSlice ? m_dwBlockSize : kMaxSlice));
    if (m_bStarted) pCopy->StartProcess();
    UpdateLatency();
    return pCopy;
}

int32 CFilterWrap::AllocateParameter()
{
    QV_ASSERT(kSource, m_lControlCount < QV_MAX_CONTROLS);
    m_Params.AddParameter();
    for (int32 i = 0; i < m_lPresetCount; ++i) m_pPresets[i].AddParameter();
    return m_lControlCount++;
}

bool CFilterWrap::SetControlName(int32 lControlID, const char* pName, const char* pLabel)
{
    QV_ASSERT(kSource, lControlID < m_lControlCount);
    QVCopyName(m_Controls[lControlID].m_szName, pName, QV_CONTROL_TEXT_SIZE);
    QVCopyName(m_Controls[lControlID].m_szLabel, pLabel, QV_CONTROL_TEXT_SIZE);
    return true;
}

CParamMap* CFilterWrap::GetParamMap(int32 lParamID)
{
    QV_ASSERT(kSource, lParamID < m_lParamCount);
    return &m_Maps[lParamID];
}

CControlParam* CFilterWrap::GetControlParam(int32 lControlID)
{
    QV_ASSERT(kSource, lControlID < m_lControlCount);
    return &m_Controls[lControlID];
}

CFilterNode* CFilterWrap::GetFilterNode(int32 lFilterID)
{
    QV_ASSERT(kSource, lFilterID < m_lFilterCount);
    return &m_Nodes[lFilterID];
}

void CFilterWrap::SetFilterChannel(int32 lFilterID, int32 lChannel)
{
    QV_ASSERT(kSource, lFilterID < m_lFilterCount);
    m_Nodes[lFilterID].m_lChannel = lChannel;
    UpdateLatency();
}

// ---------------------------------------------------------------------------------------
// Controls

void CFilterWrap::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    for (int32 i = 0; i < m_lParamCount; ++i) {
        const CParamMap& map = m_Maps[i];
        if (map.m_lControl >= 0) continue;
        QV_ASSERT(kSource, map.m_lFilter >= 0 && map.m_lFilter < m_lFilterCount);
        m_Nodes[map.m_lFilter].m_pFilter->SetParameter(map.m_lParam, map.m_fValue);
    }
    for (int32 c = 0; c < m_lControlCount; ++c) {
        CControlParam& control = m_Controls[c];
        const float v = m_Params.GetParameter(c);
        control.m_fDefault = v;
        QV_ASSERT(kSource, control.m_lMapCount <= QV_MAX_CONTROL_MAPS);
        for (int32 j = 0; j < control.m_lMapCount; ++j) {
            const int32 lMap = control.m_lMaps[j];
            QV_ASSERT(kSource, lMap >= 0 && lMap < m_lParamCount);
            const CParamMap& map = m_Maps[lMap];
            QV_ASSERT(kSource, map.m_lFilter >= 0 && map.m_lFilter < m_lFilterCount);
            const float fValue = map.m_fMin + (map.m_fMax - map.m_fMin) * v;
            m_Nodes[map.m_lFilter].m_pFilter->SetParameter(map.m_lParam, fValue);
        }
    }
    // A control may drive a filter's delay (a look-ahead, say).
    UpdateLatency();
}

// A host's control change. The store, the re-application of every map and the mirror
// into the control record happen under the lock, so a control thread never races a
// preset change or a block. Indices outside the controls store nothing at all.
void CFilterWrap::SetParameter(int32 lIndex, float fValue)
{
    CFilterLock lock(m_Lock);
    const bool bInRange = ControlInRange(lIndex);
    if (bInRange) m_Params.SetParameter(lIndex, fValue);
    ActivatePreset();
    if (bInRange) m_Controls[lIndex].m_fDefault = fValue;
}

void CFilterWrap::GetParameterName(int32 lIndex, char* pText)
{
    pText[0] = '\0';
    if (ControlInRange(lIndex)) std::strcpy(pText, m_Controls[lIndex].m_szName);
}

void CFilterWrap::GetParameterLabel(int32 lIndex, char* pText)
{
    pText[0] = '\0';
    if (ControlInRange(lIndex)) std::strcpy(pText, m_Controls[lIndex].m_szLabel);
}

void CFilterWrap::GetParameterDisplay(int32 lIndex, char* pText)
{
    pText[0] = '\0';
    if (!ControlInRange(lIndex)) return;
    CFilterLock lock(m_Lock);
    const float v = GetParameter(lIndex);
    const CControlParam& control = m_Controls[lIndex];
    switch (control.m_lDisplay) {
    case QV_DISPLAY_FREQUENCY: {
        const float a = m_fSampleRate / 20.0f;
        const float b = float(std::log10(double(a)) * double(v));
        const float c = b + 1.0f;
        const float f = float(std::pow(10.0, double(c)));
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(f));
        break;
    }
    case QV_DISPLAY_LEVEL:
        QVLevelText(v * v, pText);
        break;
    case QV_DISPLAY_PERCENT: {
        const float p = v * 100.0f;
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p));
        break;
    }
    default:
        if (control.m_lDisplay >= 0 && control.m_lDisplay < control.m_lMapCount) {
            const CParamMap& map = m_Maps[control.m_lMaps[control.m_lDisplay]];
            m_Nodes[map.m_lFilter].m_pFilter->GetParameterDisplay(map.m_lParam, pText);
        }
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Format and processing state

int32 CFilterWrap::SetSampleRate(uint32 dwRate)
{
    CFilterLock lock(m_Lock);
    CFilter::SetSampleRate(dwRate);
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->SetSampleRate(dwRate);
    UpdateLatency();
    return 1;
}

int32 CFilterWrap::SetChannels(uint32 dwChannels)
{
    CFilterLock lock(m_Lock);
    CFilter::SetChannels(dwChannels);
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->SetChannels(dwChannels);
    return 1;
}

void CFilterWrap::ReleaseBuffers()
{
    for (int i = 0; i < 2; ++i) {
        delete[] m_pWork[i];
        delete[] m_pInputCopy[i];
        m_pWork[i] = m_pInputCopy[i] = nullptr;
    }
    m_dwBufferSize = 0;
}

// Work and input-copy buffers of dwSize samples, cleared so that a filter reading the
// unused work channel of a mono block sees silence. On failure the old ones stay.
bool CFilterWrap::AllocateBuffers(uint32 dwSize)
{
    float* pNew[4];
    for (int i = 0; i < 4; ++i) {
        pNew[i] = new (std::nothrow) float[dwSize ? dwSize : 1]();
        if (!pNew[i]) {
            for (int j = 0; j < i; ++j) delete[] pNew[j];
            return false;
        }
    }
    ReleaseBuffers();
    m_pWork[0] = pNew[0];
    m_pWork[1] = pNew[1];
    m_pInputCopy[0] = pNew[2];
    m_pInputCopy[1] = pNew[3];
    m_dwBufferSize = dwSize;
    return true;
}

int32 CFilterWrap::SetBlockSize(uint32 dwSize)
{
    CFilterLock lock(m_Lock);
    CFilter::SetBlockSize(dwSize);
    const uint32 dwBuffer = dwSize < kMaxSlice ? dwSize : kMaxSlice;
    if (dwBuffer != m_dwBufferSize || !m_pWork[0]) AllocateBuffers(dwBuffer);
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->SetBlockSize(m_dwBufferSize);
    UpdateLatency();
    return 1;
}

void CFilterWrap::StartProcess()
{
    CFilterLock lock(m_Lock);
    m_bStarted = true;
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->StartProcess();
    UpdateLatency();
}

void CFilterWrap::StopProcess()
{
    CFilterLock lock(m_Lock);
    m_bStarted = false;
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->StopProcess();
}

int32 CFilterWrap::Reset()
{
    CFilterLock lock(m_Lock);
    if (!m_bStarted) StartProcess();
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->Reset();
    UpdateLatency();
    return 1;
}

void CFilterWrap::UpdateLatency()
{
    uint32 dwLatency = 0;
    for (int32 i = 0; i < m_lFilterCount; ++i) {
        const int32 lChain = m_Nodes[i].m_lChannel;
        if (lChain < 0) continue;
        bool bCounted = false; // the chain was summed at its first node already
        for (int32 j = 0; j < i && !bCounted; ++j) bCounted = m_Nodes[j].m_lChannel == lChain;
        if (bCounted) continue;
        uint32 dwChain = 0;
        for (int32 j = i; j < m_lFilterCount; ++j)
            if (m_Nodes[j].m_lChannel == lChain) dwChain += m_Nodes[j].m_pFilter->GetLatency();
        if (dwChain > dwLatency) dwLatency = dwChain;
    }
    m_dwLatency = dwLatency;
}

void CFilterWrap::SetTempoReference(double* pTempo)
{
    for (int32 i = 0; i < m_lFilterCount; ++i) m_Nodes[i].m_pFilter->SetTempoReference(pTempo);
}

bool CFilterWrap::Copy(CFilter* pSource)
{
    CFilterWrap* pWrap = static_cast<CFilterWrap*>(pSource);
    CFilter::Copy(pSource);
    m_lFilterCount = 0;
    m_lControlCount = pWrap->m_lControlCount;
    m_lParamCount = pWrap->m_lParamCount;
    SetEffectName(pWrap->m_szEffectName);
    for (int32 i = 0; i < QV_MAX_MAPS; ++i) m_Maps[i] = pWrap->m_Maps[i];
    for (int32 i = 0; i < QV_MAX_CONTROLS; ++i) m_Controls[i] = pWrap->m_Controls[i];
    for (int32 i = 0; i < pWrap->m_lFilterCount; ++i) {
        CFilterNode& node = m_Nodes[i];
        const CFilterNode& source = pWrap->m_Nodes[i];
        CFilter* pClone = static_cast<CFilter*>(source.m_pFilter->Clone());
        if (!pClone) return false;
        if (node.m_pFilter) node.m_pFilter->Delete();
        node.m_lParams = source.m_lParams;
        node.m_lChannel = source.m_lChannel;
        node.m_pFilter = pClone;
        ++m_lFilterCount;
    }
    UpdateLatency();
    return true;
}

// ---------------------------------------------------------------------------------------
// Blocks

int32 CFilterWrap::ProcessBlock(float** ppIn, float** ppOut, uint32 dwSamples, bool bAdd)
{
    if (!ppIn || !ppOut) return 0;
    CFilterLock lock(m_Lock);
    if (dwSamples > m_dwBlockSize) SetBlockSize(dwSamples);
    // A host that never announced a block size still gets buffers before the first block.
    if (m_dwBufferSize < dwSamples && m_dwBufferSize < kMaxSlice) SetBlockSize(m_dwBlockSize);
    if (!m_bStarted) StartProcess();
    if (dwSamples == 0) return 1;

    if (m_dwBufferSize == 0) {
        // Not even the smallest buffer could be had: answer silence rather than garbage.
        if (!bAdd)
            for (int i = 0; i < 2 && ppOut[i]; ++i) std::memset(ppOut[i], 0, sizeof(float) * dwSamples);
        return 0;
    }

    for (uint32 dwDone = 0; dwDone < dwSamples;) {
        const uint32 dwSlice = dwSamples - dwDone < m_dwBufferSize ? dwSamples - dwDone : m_dwBufferSize;
        float* pIn[2] = {ppIn[0] ? ppIn[0] + dwDone : nullptr, ppIn[1] ? ppIn[1] + dwDone : nullptr};
        float* pOut[2] = {ppOut[0] ? ppOut[0] + dwDone : nullptr, ppOut[1] ? ppOut[1] + dwDone : nullptr};

        // Every chain must read the input as it was before the output is cleared or
        // added into, so an input channel that is also an output channel is copied aside.
        float* pSource[2];
        for (int i = 0; i < 2; ++i) {
            pSource[i] = pIn[i];
            if (pIn[i] && (pIn[i] == pOut[0] || pIn[i] == pOut[1])) {
                std::memcpy(m_pInputCopy[i], pIn[i], sizeof(float) * dwSlice);
                pSource[i] = m_pInputCopy[i];
            }
        }
        QV_ASSERT(kSource, dwSlice <= m_dwBlockSize);
        if (!bAdd)
            for (int i = 0; i < 2 && pOut[i]; ++i) std::memset(pOut[i], 0, sizeof(float) * dwSlice);
        RunChains(pSource, pOut, dwSlice);
        dwDone += dwSlice;
    }
    return 1;
}

void CFilterWrap::RunChains(float** ppSource, float** ppOut, uint32 dwSamples)
{
    int32 lPending = 0;
    for (int32 i = 0; i < m_lFilterCount; ++i)
        if (m_Nodes[i].m_lChannel >= 0) ++lPending;

    if (lPending == 0) {
        for (int i = 0; i < 2; ++i)
            if (ppSource[i] && ppOut[i] && ppSource[i] != ppOut[i])
                std::memcpy(ppOut[i], ppSource[i], sizeof(float) * dwSamples);
        return;
    }

    // Chains run in increasing chain number; numbers without nodes are passed over.
    int32 lChain = -1;
    while (lPending > 0) {
        int32 lNext = INT32_MAX;
        for (int32 i = 0; i < m_lFilterCount; ++i) {
            const int32 n = m_Nodes[i].m_lChannel;
            if (n > lChain && n < lNext) lNext = n;
        }
        lChain = lNext;
        int32 lLeft = 0;
        for (int32 i = 0; i < m_lFilterCount; ++i)
            if (m_Nodes[i].m_lChannel == lChain) ++lLeft;
        lPending -= lLeft;

        bool bFirst = true;
        for (int32 i = 0; i < m_lFilterCount && lLeft > 0; ++i) {
            if (m_Nodes[i].m_lChannel != lChain) continue;
            --lLeft;
            CFilter* pFilter = m_Nodes[i].m_pFilter;
            float** ppFrom = bFirst ? ppSource : m_pWork;
            if (lLeft == 0)
                pFilter->ProcessBlock(ppFrom, ppOut, dwSamples, true);
            else
                pFilter->ProcessBlock(ppFrom, m_pWork, dwSamples, false);
            bFirst = false;
        }
    }
}
