// Helpers for the value texts of filter parameters. A host may store any float in a
// parameter (NaN, infinities, 1e30); the text written for it must neither overflow the
// caller's buffer nor convert an unrepresentable float to an integer.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

// Callers' buffers hold at least this many bytes for a display text.
enum { QV_DISPLAY_TEXT_SIZE = 24 };

// Truncates toward zero like a C cast; NaN gives 0 and values beyond the int32 range
// give its nearest end.
inline int32_t QVTruncToInt(float f)
{
    if (!(f == f)) return 0;
    if (f >= 2147483648.0f) return INT32_MAX;
    if (f <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(f);
}

// printf into a display buffer, cut to its size.
inline void QVFormatDisplay(char* pText, const char* pFormat, ...) __attribute__((format(printf, 2, 3)));
inline void QVFormatDisplay(char* pText, const char* pFormat, ...)
{
    va_list args;
    va_start(args, pFormat);
    std::vsnprintf(pText, QV_DISPLAY_TEXT_SIZE, pFormat, args);
    va_end(args);
}
