// Vector building blocks for block passes whose results must be the very floats the
// scalar C library gives: a natural logarithm of floats and an exponential, evaluated
// in double precision four lanes at a time, and the test that says when such a double
// may round to a different float than the library's double would.
//
// Why this is exact: the filters round a double-precision logarithm or power to float.
// The approximations here stay within about 2^-45 (relative) of the true value, the C
// library within a unit or two in the last place of a double, so both doubles lie in a
// window of well under 2^-40 around the true value. Two doubles that close round to
// different floats only when a float rounding boundary (the midpoint between two
// adjacent floats) lies between them. NearFloatBoundary flags every double within 2^-40
// of such a midpoint, and every double outside the range where floats are normal; the
// callers recompute exactly those lanes with the scalar library call. Every other lane
// rounds to the library's float. tests/slow checks this over more than 10^8 inputs.
//
// The helpers are plain inline functions on GCC vector types; the loops that use them
// are compiled once per processor level (target_clones) and picked at load time, so the
// same source runs as SSE2, AVX2 or AVX-512 code. All arithmetic is IEEE single or
// double as written: no contraction into fused multiply-adds, no reassociation.
#pragma once

#include <cstdint>

// The helpers pass 32-byte vectors by value; they are always inlined, so the note that
// such values travel differently without AVX concerns no real call. It stays off in
// the sources that include this header, whose block passes call the helpers.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace qvvec {

typedef double v4d __attribute__((vector_size(32)));
typedef float v4f __attribute__((vector_size(16)));
typedef int32_t v4i __attribute__((vector_size(16)));
typedef int64_t v4l __attribute__((vector_size(32)));

#define QV_VECTOR_INLINE inline __attribute__((always_inline))

// Every processor level a block pass is compiled for.
#define QV_TARGET_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))

template <class To, class From>
QV_VECTOR_INLINE To BitCast(From v)
{
    static_assert(sizeof(To) == sizeof(From), "same size");
    To t;
    __builtin_memcpy(&t, &v, sizeof t);
    return t;
}

QV_VECTOR_INLINE v4d Splat(double d) { return v4d{d, d, d, d}; }
QV_VECTOR_INLINE v4f Splat(float f) { return v4f{f, f, f, f}; }

QV_VECTOR_INLINE v4d ToDouble(v4f v) { return __builtin_convertvector(v, v4d); }
QV_VECTOR_INLINE v4f ToFloat(v4d v) { return __builtin_convertvector(v, v4f); }

// Widens a float lane mask (all ones or zero per lane) to double lanes.
QV_VECTOR_INLINE v4l Widen(v4i mask) { return __builtin_convertvector(mask, v4l); }

QV_VECTOR_INLINE bool Any(v4l mask) { return (mask[0] | mask[1] | mask[2] | mask[3]) != 0; }

// Half the window around a float rounding boundary that is recomputed by the scalar
// call, in units in the last place of the double: 2^12 ulps = 2^-40 relative.
constexpr int64_t kBoundaryUlps = 1 << 12;

// True in each lane whose double may round to another float than a double within
// 2^-40 of it: near the midpoint between two floats, or where the float is not a
// normal number (zero excepted) or not finite.
QV_VECTOR_INLINE v4l NearFloatBoundary(v4d r)
{
    const v4l bits = BitCast<v4l>(r);
    // The 29 mantissa bits a float drops: the midpoint is 2^28.
    const v4l low = bits & 0x1fffffff;
    const v4l offset = low - (int64_t(1) << 28);
    const v4l near = (offset < kBoundaryUlps) & (offset > -kBoundaryUlps);
    // Double exponent of the normal float range: 2^-126 .. 2^127 (biased 897 .. 1150).
    const v4l exponent = (bits >> 52) & 0x7ff;
    const v4l abnormal = ((exponent < 897) | (exponent > 1150)) & ((bits & 0x7fffffffffffffff) != 0);
    return near | abnormal;
}

// ln(x) in double for positive, normal, finite floats x (other lanes give garbage): x =
// 2^e m with m in [sqrt(1/2), sqrt(2)), ln m = 2 atanh(s) with s = (m - 1) / (m + 1),
// |s| < 0.1716, summed to s^17 (truncation below 2^-50), ln 2 in two parts.
QV_VECTOR_INLINE v4d LnOfFloat(v4f x)
{
    const v4i bits = BitCast<v4i>(x);
    // Mantissas above sqrt(2) move to the binade below: m / 2, e + 1.
    const v4i up = (bits & 0x7fffff) > 0x3504f3;
    const v4i e = ((bits >> 23) & 0xff) - 127 - up;
    const v4i mbits = (bits & 0x7fffff) | ((127 + up) << 23);
    const v4d m = ToDouble(BitCast<v4f>(mbits));
    const v4d s = (m - 1.0) / (m + 1.0);
    const v4d s2 = s * s;
    v4d p = Splat(1.0 / 19.0);
    p = p * s2 + 1.0 / 17.0;
    p = p * s2 + 1.0 / 15.0;
    p = p * s2 + 1.0 / 13.0;
    p = p * s2 + 1.0 / 11.0;
    p = p * s2 + 1.0 / 9.0;
    p = p * s2 + 1.0 / 7.0;
    p = p * s2 + 1.0 / 5.0;
    p = p * s2 + 1.0 / 3.0;
    p = p * s2;
    const v4d ed = __builtin_convertvector(e, v4d);
    const double kLn2Hi = 0.693147180369123816490; // 32 significant bits: e * hi is exact
    const double kLn2Lo = 1.90821492927058770002e-10;
    const v4d twoS = s + s;
    return ed * kLn2Hi + (twoS + (twoS * p + ed * kLn2Lo));
}

// e^w in double for |w| < 700 (other lanes give garbage): w = n ln 2 + f with |f| <=
// ln(2) / 2, e^f by its Taylor series to f^13 (truncation below 2^-52), times 2^n.
QV_VECTOR_INLINE v4d Exp(v4d w)
{
    const double kShift = 6755399441055744.0; // 1.5 * 2^52: adding it rounds to an integer
    const v4d t = w * 1.4426950408889634 + kShift;
    const v4d n = t - kShift;
    const double kLn2Hi = 0.693147180369123816490;
    const double kLn2Lo = 1.90821492927058770002e-10;
    const v4d f = (w - n * kLn2Hi) - n * kLn2Lo;
    v4d p = Splat(1.0 / 6227020800.0);
    p = p * f + 1.0 / 479001600.0;
    p = p * f + 1.0 / 39916800.0;
    p = p * f + 1.0 / 3628800.0;
    p = p * f + 1.0 / 362880.0;
    p = p * f + 1.0 / 40320.0;
    p = p * f + 1.0 / 5040.0;
    p = p * f + 1.0 / 720.0;
    p = p * f + 1.0 / 120.0;
    p = p * f + 1.0 / 24.0;
    p = p * f + 1.0 / 6.0;
    p = p * f + 0.5;
    p = p * f + 1.0;
    p = p * f + 1.0;
    // 2^n from the integer in the low bits of t.
    const v4l scale = (BitCast<v4l>(t) - BitCast<v4l>(Splat(kShift)) + 1023) << 52;
    return p * BitCast<v4d>(scale);
}

} // namespace qvvec
