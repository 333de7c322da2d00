// The composite effect: up to 12 installed filters in parallel chains, parameter maps
// that say where each filter parameter's value comes from, and the user controls that
// drive the maps. A whole effect is itself a CFilter.
#pragma once

#include "filter.h"

enum {
    QV_MAX_FILTERS = 12,
    QV_MAX_MAPS = 40,
    QV_MAX_CONTROLS = 40,
    QV_MAX_CONTROL_MAPS = 12,
    QV_EFFECT_NAME_SIZE = 30,
    QV_CONTROL_TEXT_SIZE = 20,
};

// Display modes of a control besides "text of map entry n" (0..).
enum {
    QV_DISPLAY_LEVEL = -1,
    QV_DISPLAY_FREQUENCY = -2,
    QV_DISPLAY_PERCENT = -3,
};

class CFilterNode {
public:
    CFilterNode() : m_lParams(0), m_lChannel(0), m_pFilter(nullptr) {}
    ~CFilterNode();
    CFilterNode(const CFilterNode&) = delete;
    CFilterNode& operator=(const CFilterNode&) = delete;

    int32 m_lParams;    // the filter's parameter count at installation
    int32 m_lChannel;   // chain number; negative: not processed
    CFilter* m_pFilter; // owned
};

class CParamMap {
public:
    CParamMap() : m_lFilter(0), m_lParam(0), m_fMin(0.0f), m_fMax(0.0f), m_fValue(0.0f), m_lControl(0) {}

    int32 m_lFilter;
    int32 m_lParam;
    float m_fMin;
    float m_fMax;
    float m_fValue;
    int32 m_lControl; // negative: fixed, sends m_fValue
};

class CControlParam {
public:
    CControlParam();

    int32 m_lMaps[QV_MAX_CONTROL_MAPS];
    int32 m_lMapCount;
    float m_fDefault;
    char m_szName[QV_CONTROL_TEXT_SIZE];
    char m_szLabel[QV_CONTROL_TEXT_SIZE];
    int32 m_lDisplay;
};

class CFilterWrap : public CFilter {
public:
    CFilterWrap();
    ~CFilterWrap() override;

    IObject* Create() override;

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
    void ActivatePreset() override;
    void SetParameter(int32 lIndex, float fValue) override;
    int32 SetSampleRate(uint32 dwRate) override;
    int32 SetChannels(uint32 dwChannels) override;
    int32 SetBlockSize(uint32 dwSize) override;
    using CFilter::Copy;
    bool Copy(CFilter* pSource) override;
    void SetTempoReference(double* pTempo) override;

    // The composite's own virtual operations.
    virtual void SetOnlyStereo(bool bOnlyStereo);
    virtual bool IsOnlyStereo();

    // Building the effect (construction time).
    CFilter* InstallFilter(CFilter* pFilter, bool bControls, int32 lChannel);
    int32 AllocateParameter();
    bool SetControlName(int32 lControlID, const char* pName, const char* pLabel);
    CParamMap* GetParamMap(int32 lParamID);
    CControlParam* GetControlParam(int32 lControlID);
    CFilterNode* GetFilterNode(int32 lFilterID);
    void SetFilterChannel(int32 lFilterID, int32 lChannel);

    int32 GetFilterCount() const { return m_lFilterCount; }
    int32 GetMapCount() const { return m_lParamCount; }
    bool IsStarted() const { return m_bStarted; }

protected:
    void SetEffectName(const char* pName);
    void SetUniqueID(int32 lID) { m_lUniqueID = lID; }

    int32 m_lUniqueID;
    int32 m_lFilterCount;
    int32 m_lControlCount;
    int32 m_lParamCount;
    CFilterNode m_Nodes[QV_MAX_FILTERS];
    CParamMap m_Maps[QV_MAX_MAPS];
    CControlParam m_Controls[QV_MAX_CONTROLS];
    float* m_pWork[2];
    char m_szEffectName[QV_EFFECT_NAME_SIZE];
    bool m_bStarted;
    bool m_bOnlyStereo;

private:
    bool ControlInRange(int32 lIndex) const { return lIndex >= 0 && lIndex < m_lControlCount; }
    bool AllocateBuffers(uint32 dwSize);
    void ReleaseBuffers();
    void RunChains(float** ppSource, float** ppOut, uint32 dwSamples);
    // The composite's latency is that of its slowest chain: the sum of the latencies of
    // the filters in series on it. Recomputed wherever chains or filters can change.
    void UpdateLatency();

    // Copies of the input of an in-place replacing block; sized with the work buffers
    // so that steady-state processing never allocates.
    float* m_pInputCopy[2];
    uint32 m_dwBufferSize; // samples held by each work and copy buffer
};
