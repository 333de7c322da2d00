// Small numeric helpers shared by the filters: float classification by the exponent
// field (cheap enough for every sample), the safe conversion of a host-controlled value
// to an integer, and the size every display text is bounded to.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

// Display texts go into host buffers of at least this many bytes.
enum { QV_DISPLAY_SIZE = 24 };

// The 8-bit exponent field of a single: 0 for zero and subnormals, 255 for
// infinities and NaN.
inline uint32_t QVExponentField(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return (u >> 23) & 0xffu;
}

inline bool QVIsNonFinite(float f) { return QVExponentField(f) == 0xffu; }

// Truncates toward zero like a cast, but with a defined answer for every input:
// infinities and NaN give 0, finite values beyond the int32 range saturate. A host may
// send any float as a parameter, and a plain cast of such a value is undefined behaviour.
inline int32_t QVTruncate(double d)
{
    if (!std::isfinite(d)) return 0;
    if (d >= 2147483647.0) return INT32_MAX;
    if (d <= -2147483648.0) return INT32_MIN;
    return int32_t(d);
}

// Level text of a linear value: 20 x ln(x) with two decimals, "-150" at or below 3.16e-8.
inline void QVLevelText(float fValue, char* pText)
{
    const double dValue = fValue;
    if (dValue > 3.16e-8)
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", 20.0 * std::log(dValue));
    else
        std::strcpy(pText, "-150");
}
