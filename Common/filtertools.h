// Small pieces the library filters share: the Clone pattern, turning untrusted float
// parameters into bounded integers, the library's level text, the write-or-add rule of
// ProcessBlock and a private random source for filters that must not touch the
// process-wide rand() from the audio thread.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "filter.h"
#include "qvnumeric.h"

// A new default object of the filter's class that copies pSource (format and parameters).
template <class T>
IObject* QVCloneFilter(T* pSource)
{
    T* pCopy = new (std::nothrow) T;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(pSource));
    return pCopy;
}

// Hosts may send anything as a parameter; where a value becomes a count, an index or a
// length, a non-finite value acts as 0.
inline float QVFiniteOrZero(float fValue) { return std::isfinite(fValue) ? fValue : 0.0f; }

// A parameter held to 0..1, NaN as 0: for values that feed a recursion's stability.
inline float QVClampUnit(float fValue) { return fValue > 0.0f ? (fValue < 1.0f ? fValue : 1.0f) : 0.0f; }

// Truncates toward zero into lMin..lMax; infinities and NaN act as 0 (then clamped).
// Never converts an out-of-range value, which would be undefined behaviour.
inline int32 QVTruncClamp(double dValue, int32 lMin, int32 lMax)
{
    const int32 lValue = QVTruncate(dValue);
    return lValue < lMin ? lMin : lValue > lMax ? lMax : lValue;
}

// Writes y, or adds it when the block is mixed into the output.
inline void QVStore(float& fOut, float fValue, bool bAdd)
{
    if (bAdd)
        fOut += fValue;
    else
        fOut = fValue;
}

// Runs fn(pIn, pOut) for channels 0 and 1 when both their pointers are present.
template <class Fn>
void QVForEachChannel(float** ppIn, float** ppOut, Fn fn)
{
    for (int c = 0; c < 2; ++c)
        if (ppIn[c] && ppOut[c]) fn(ppIn[c], ppOut[c]);
}

// y = x * fGain on every present channel.
inline void QVScaleBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd, float fGain)
{
    QVForEachChannel(ppIn, ppOut, [&](const float* pIn, float* pOut) {
        for (uint32 i = 0; i < dwFrames; ++i) QVStore(pOut[i], pIn[i] * fGain, bAdd);
    });
}

// A filter-owned uniform 15-bit source (the classic portable rand() recurrence): cheap,
// lock-free and private to one object, so the audio thread shares no state with anyone.
class CQVRandom {
public:
    explicit CQVRandom(uint32_t uSeed = 1) : m_uState(uSeed) {}
    int32 Next()
    {
        m_uState = m_uState * 1103515245u + 12345u;
        return int32((m_uState >> 16) & 0x7fffu);
    }

private:
    uint32_t m_uState;
};
