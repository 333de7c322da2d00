#include "rectify.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "filtertools.h"

static const char kSource[] = "Common/rectify";

CRectify::CRectify() : m_fWet(0.0f), m_fDry(1.0f)
{
    Reset();
    m_Params.Init(1);
    m_Params.SetParameter(0, 0.9f);
    ActivatePreset();
}

IObject* CRectify::Clone() { return QVCloneFilter(this); }
IObject* CRectify::Create() { return new (std::nothrow) CRectify; }
void CRectify::GetEffectName(char* pText) { std::strcpy(pText, "Rectifier"); }
int32 CRectify::GetUniqueID() { return QVFourCC('Q', 'V', 'r', 'c'); }
int32 CRectify::GetParameterCount() { return 1; }

void CRectify::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "%");
}

void CRectify::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Rectify");
}

void CRectify::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(m_Params.GetParameter(0) * 100.0f));
}

void CRectify::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    m_fWet = m_Params.GetParameter(0);
    m_fDry = 1.0f - m_fWet;
}

// The sum is kept by adding the newest value and subtracting the one it replaces. A
// non-finite input enters the history as 0: it would otherwise stay in the sum for good.
int32 CRectify::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    for (uint32 i = 0; i < dwFrames; ++i) {
        if (++m_lPosition >= HISTORY) m_lPosition = 0;
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            const float x = ppIn[c][i];
            float r = 2.0f * std::fabs(x);
            if (!std::isfinite(r)) r = 0.0f;
            float& fOldest = m_fHistory[c][m_lPosition];
            m_fSum[c] = m_fSum[c] + r - fOldest;
            fOldest = r;
            QVStore(ppOut[c][i], (r + m_fSum[c] / -200.0f) * m_fWet + x * m_fDry, bAdd);
        }
    }
    return 1;
}

int32 CRectify::Reset()
{
    std::memset(m_fHistory, 0, sizeof m_fHistory);
    m_fSum[0] = m_fSum[1] = 0.0f;
    m_lPosition = 0;
    return 1;
}
