#include "clip.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "qvnumeric.h"

CClip::CClip() : m_fDrive(1.0f), m_fOutGain(0.0f)
{
    m_Params.Init(2);
    m_Params.SetParameter(0, 0.0f);
    ActivatePreset(); // 0 dB drive, level 0: silent until the level is set
}

IObject* CClip::Clone()
{
    CClip* pCopy = new (std::nothrow) CClip;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CClip::Create() { return new (std::nothrow) CClip; }

void CClip::GetEffectName(char* pText) { std::strcpy(pText, "Clip"); }

int32 CClip::GetUniqueID() { return QVFourCC('Q', 'V', 'c', 'l'); }

void CClip::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Clip");
    if (lIndex == 1) std::strcpy(pText, "Level");
}

void CClip::GetParameterLabel(int32 lIndex, char* pText)
{
    if (lIndex == 0 || lIndex == 1) std::strcpy(pText, "dB");
}

void CClip::GetParameterDisplay(int32 lIndex, char* pText)
{
    const float p = m_Params.GetParameter(lIndex);
    if (lIndex == 0) {
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 60.0f));
    } else if (lIndex == 1) {
        QVLevelText(p, pText);
    }
}

// The gains are read by every sample of a running block, so they change under the lock:
// a new setting lands between two blocks, never inside one.
void CClip::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fLevel = m_Params.GetParameter(1);
    const float fDriveDB = m_Params.GetParameter(0) * 60.0f / 20.0f;
    m_fDrive = float(std::pow(10.0, double(fDriveDB)));
    m_fOutGain = fLevel * fLevel;
}

int32 CClip::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    if (!ppIn || !ppOut) return 1;
    const float fDrive = m_fDrive;
    const float fOutGain = m_fOutGain;
    for (int c = 0; c < 2; ++c) {
        const float* pIn = ppIn[c];
        float* pOut = ppOut[c];
        if (!pIn || !pOut) continue;
        // One loop per output mode; the clamp as comparisons and selections (a NaN
        // stays NaN), so that the loops vectorize.
        if (bAdd) {
            for (uint32 i = 0; i < dwFrames; ++i) {
                const float x = pIn[i] * fDrive;
                pOut[i] += (x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x)) * fOutGain;
            }
        } else {
            for (uint32 i = 0; i < dwFrames; ++i) {
                const float x = pIn[i] * fDrive;
                pOut[i] = (x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x)) * fOutGain;
            }
        }
    }
    return 1;
}

int32 CClip::Reset() { return 1; }
