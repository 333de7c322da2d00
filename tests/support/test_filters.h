// Small filters used as fixtures: they make the composite's routing visible.
#pragma once

#include <cstdio>
#include <cstring>
#include <new>

#include "filter.h"

namespace qvtest {

// y = k * x with k = 4 * p0 (p0 = 0.25: unity); p1 is a spare parameter.
// Counts the calls the composite makes on it.
class CScaleFilter : public CFilter {
public:
    CScaleFilter()
    {
        m_Params.Init(2);
        m_Params.SetParameter(0, 0.25f);
        ActivatePreset();
    }
    IObject* Clone() override
    {
        CScaleFilter* p = new (std::nothrow) CScaleFilter;
        if (p) p->Copy(static_cast<CFilter*>(this));
        return p;
    }
    IObject* Create() override { return new (std::nothrow) CScaleFilter; }
    void GetEffectName(char* pText) override { std::strcpy(pText, "Scale"); }
    int32 GetUniqueID() override { return QVFourCC('Q', 'V', 't', 's'); }
    void GetParameterName(int32 lIndex, char* pText) override
    {
        if (lIndex == 0) std::strcpy(pText, "Scale");
        if (lIndex == 1) std::strcpy(pText, "Spare");
    }
    void GetParameterLabel(int32 lIndex, char* pText) override
    {
        if (lIndex == 0) std::strcpy(pText, "x");
    }
    void GetParameterDisplay(int32 lIndex, char* pText) override
    {
        if (lIndex >= 0 && lIndex < GetParameterCount()) std::sprintf(pText, "%.4f", double(GetParameter(lIndex)));
    }
    void ActivatePreset() override
    {
        ++m_lActivations;
        m_fGain = 4.0f * GetParameter(0);
    }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            for (uint32 i = 0; i < dwFrames; ++i) {
                const float y = m_fGain * ppIn[c][i];
                ppOut[c][i] = bAdd ? ppOut[c][i] + y : y;
            }
        }
        return 1;
    }
    int32 SetBlockSize(uint32 dwSize) override
    {
        ++m_lBlockSizeCalls;
        return CFilter::SetBlockSize(dwSize);
    }
    int32 Reset() override
    {
        ++m_lResets;
        return 1;
    }
    void StartProcess() override { ++m_lStarts; }

    float m_fGain = 1.0f;
    int m_lActivations = 0;
    int m_lBlockSizeCalls = 0;
    int m_lResets = 0;
    int m_lStarts = 0;
};

// y = x + offset, offset = p0 (four parameters in all, the others unused).
class COffsetFilter : public CFilter {
public:
    explicit COffsetFilter(int32 lParams = 4)
    {
        m_Params.Init(lParams);
        ActivatePreset();
    }
    IObject* Clone() override
    {
        COffsetFilter* p = new (std::nothrow) COffsetFilter(GetParameterCount());
        if (p) p->Copy(static_cast<CFilter*>(this));
        return p;
    }
    IObject* Create() override { return new (std::nothrow) COffsetFilter; }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        const float fOffset = GetParameter(0);
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            for (uint32 i = 0; i < dwFrames; ++i) {
                const float y = ppIn[c][i] + fOffset;
                ppOut[c][i] = bAdd ? ppOut[c][i] + y : y;
            }
        }
        return 1;
    }
};

// y[n] = x[n - N]: a pure delay of N samples that reports them as its latency.
class CLagFilter : public CFilter {
public:
    static constexpr uint32 kMaxLag = 4096;
    explicit CLagFilter(uint32 dwLag = 0)
    {
        m_dwLatency = dwLag < kMaxLag ? dwLag : kMaxLag;
        Reset();
    }
    IObject* Clone() override
    {
        CLagFilter* p = new (std::nothrow) CLagFilter(m_dwLatency);
        if (p) p->Copy(static_cast<CFilter*>(this));
        return p;
    }
    IObject* Create() override { return new (std::nothrow) CLagFilter(m_dwLatency); }
    int32 Reset() override
    {
        std::memset(m_fHistory, 0, sizeof(m_fHistory));
        m_dwPos = 0;
        return 1;
    }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        uint32 dwPos = m_dwPos;
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            dwPos = m_dwPos;
            for (uint32 i = 0; i < dwFrames; ++i) {
                // Slot dwPos holds the sample of N frames ago (read before it is overwritten).
                const float x = ppIn[c][i];
                const float y = m_dwLatency ? m_fHistory[c][dwPos] : x;
                if (m_dwLatency) {
                    m_fHistory[c][dwPos] = x;
                    dwPos = (dwPos + 1) % m_dwLatency;
                }
                ppOut[c][i] = bAdd ? ppOut[c][i] + y : y;
            }
        }
        m_dwPos = dwPos;
        return 1;
    }

private:
    float m_fHistory[2][kMaxLag];
    uint32 m_dwPos = 0;
};

} // namespace qvtest
