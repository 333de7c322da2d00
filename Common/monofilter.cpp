#include "monofilter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "qvnumeric.h"

namespace {

// sqrt(fPower) by way of its level in dB, which gives exactly 0 for a power of 0 (the
// level is -inf). A pan outside 0..1 would ask for the root of a negative power, and a
// non-finite pan for a non-finite one; both count as 0, so a finite input stays finite.
float PanGain(float fPower)
{
    if (!(fPower > 0.0f) || QVIsNonFinite(fPower)) fPower = 0.0f;
    const float fLevelDB = float(20.0 * std::log10(std::sqrt(double(fPower))));
    return float(std::pow(10.0, double(fLevelDB) / 20.0));
}

} // namespace

CMonoFilter::CMonoFilter() : m_fLeftGain(0.0f), m_fRightGain(0.0f)
{
    m_Params.Init(1);
    m_Params.SetParameter(0, 0.5f);
    ActivatePreset();
}

IObject* CMonoFilter::Clone()
{
    CMonoFilter* pCopy = new (std::nothrow) CMonoFilter;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CMonoFilter::Create() { return new (std::nothrow) CMonoFilter; }

void CMonoFilter::GetEffectName(char* pText) { std::strcpy(pText, "Mono"); }

int32 CMonoFilter::GetUniqueID() { return QVFourCC('Q', 'V', 'm', 'n'); }

void CMonoFilter::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Pan");
}

void CMonoFilter::GetParameterLabel(int32, char* pText) { pText[0] = '\0'; }

void CMonoFilter::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex != 0) return;
    // -90 at the left, 0 in the middle, +90 only from 0.99502 on.
    const long long llPan = (long long)QVTruncate(double(m_Params.GetParameter(0)) * 180.9) - 90;
    std::snprintf(pText, QV_DISPLAY_SIZE, "%lld", llPan);
}

// The gains are read by every sample of a running block, so they change under the lock:
// a new setting lands between two blocks, never inside one.
void CMonoFilter::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fPan = m_Params.GetParameter(0);
    m_fLeftGain = PanGain(1.0f - fPan);
    m_fRightGain = PanGain(fPan);
}

int32 CMonoFilter::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    // A mono call has nothing to mix: the output is left as it is.
    if (!ppIn || !ppOut || !ppIn[0] || !ppIn[1] || !ppOut[0] || !ppOut[1]) return 1;
    const float* pInL = ppIn[0];
    const float* pInR = ppIn[1];
    float* pOutL = ppOut[0];
    float* pOutR = ppOut[1];
    const float fLeft = m_fLeftGain;
    const float fRight = m_fRightGain;
    // Both inputs of a sample are read before either output is written, so the filter
    // works in place; one loop per output mode.
    if (bAdd) {
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float m = pInL[i] + pInR[i]; // not halved: two equal full-scale channels give 2.0
            pOutL[i] += m * fLeft;
            pOutR[i] += m * fRight;
        }
    } else {
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float m = pInL[i] + pInR[i];
            pOutL[i] = m * fLeft;
            pOutR[i] = m * fRight;
        }
    }
    return 1;
}
