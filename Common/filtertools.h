// Small pieces the library filters share: the Clone/Create pattern, turning untrusted
// float parameters into bounded integers, the library's level text, the float
// exponent-field test, the write-or-add rule of ProcessBlock and a private random
// source for filters that must not touch the process-wide rand() from the audio thread.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "filter.h"

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

// Truncates toward zero into lMin..lMax; a NaN lands on lMin. Never converts an
// out-of-range value (which would be undefined behaviour).
inline int32 QVTruncClamp(double dValue, int32 lMin, int32 lMax)
{
    if (!(dValue > double(lMin))) return lMin;
    if (dValue >= double(lMax)) return lMax;
    return int32(dValue);
}

// The integer shown by a "%d" display: truncation, saturated to the int32 range.
inline int32 QVDisplayInt(double dValue) { return QVTruncClamp(std::isnan(dValue) ? 0.0 : dValue, INT32_MIN, INT32_MAX); }

// Level text of a linear value: 20 x ln(x) with two decimals, "-150" at or below 3.16e-8.
inline void QVLevelText(float fValue, char* pText)
{
    const double dValue = fValue;
    if (dValue > 3.16e-8)
        std::sprintf(pText, "%.2f", 20.0 * std::log(dValue));
    else
        std::strcpy(pText, "-150");
}

// True for zero, subnormal, infinite and NaN values: exponent bits all 0 or all 1.
inline bool QVIsAbnormal(float fValue)
{
    uint32_t uBits;
    std::memcpy(&uBits, &fValue, sizeof uBits);
    const uint32_t uExponent = uBits & 0x7f800000u;
    return uExponent == 0 || uExponent == 0x7f800000u;
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
