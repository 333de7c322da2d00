// Vector building blocks for block passes whose results must be the very floats the
// scalar C library gives: a natural logarithm of floats and an exponential, evaluated
// in double precision four lanes at a time, and the test that says when such a double
// may round to a different float than the library's double would.
//
// Why this is exact: the filters round a double-precision logarithm or power to float.
// The approximations here stay within about 2^-43 (relative) of the true value, the C
// library within a unit or two in the last place of a double, so both doubles lie in a
// window of well under 2^-38 around the true value. Two doubles that close round to
// different floats only when a float rounding boundary (the midpoint between two
// adjacent floats) lies between them. RoundToFloat flags every double with such a
// boundary within 2^-38 of it; the callers recompute exactly those lanes with the
// scalar library call. Every other lane
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

// Eight lanes: one or two registers' worth on AVX-512 and AVX2, four on SSE2, which
// leaves independent work for the processor to overlap.
constexpr unsigned kLanes = 8;
typedef double vd __attribute__((vector_size(64)));
typedef float vf __attribute__((vector_size(32)));
typedef int32_t vi __attribute__((vector_size(32)));
typedef int64_t vl __attribute__((vector_size(64)));

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

QV_VECTOR_INLINE vd Splat(double d) { return vd{} + d; }
QV_VECTOR_INLINE vf Splat(float f) { return vf{} + f; }

QV_VECTOR_INLINE vd ToDouble(vf v) { return __builtin_convertvector(v, vd); }
QV_VECTOR_INLINE vf ToFloat(vd v) { return __builtin_convertvector(v, vf); }

QV_VECTOR_INLINE bool Any(vi mask)
{
    int32_t any = 0;
    for (unsigned i = 0; i < kLanes; ++i) any |= mask[i];
    return any != 0;
}

// Half the width of the window, relative to the value, in which the scalar library's
// double may lie: 2^-38 (about 2^-43 from the approximations, 2^-52 from the library).
// The test below looks at a window twice as wide, so a boundary within 2^-38 of the
// value lies strictly inside it.
constexpr double kTestWindow = 1.0 / 137438953472.0; // 2^-37

// Rounds r to float and says, per lane, whether a double within 2^-38 of r (relative)
// could round to another float: rounding is monotonic, so all doubles between r - w and
// r + w (w = r 2^-37) round alike exactly when the two ends do. This covers every float
// range alike (subnormal results, overflow to infinity); a NaN lane is always flagged.
QV_VECTOR_INLINE vf RoundToFloat(vd r, vi& uncertain)
{
    const vd w = r * kTestWindow;
    const vf up = ToFloat(r + w);
    const vf down = ToFloat(r - w);
    uncertain = up != down;
    return up;
}

// ln(x) in double for positive, normal, finite floats x (other lanes give garbage): x =
// 2^e m with m in [sqrt(1/2), sqrt(2)), ln m = 2 atanh(s) with s = (m - 1) / (m + 1),
// |s| < 0.1716, summed to s^15 (truncation below 2^-44), ln 2 in two parts.
QV_VECTOR_INLINE vd LnOfFloat(vf x)
{
    const vi bits = BitCast<vi>(x);
    // Mantissas above sqrt(2) move to the binade below: m / 2, e + 1.
    const vi up = (bits & 0x7fffff) > 0x3504f3;
    const vi e = ((bits >> 23) & 0xff) - 127 - up;
    const vi mbits = (bits & 0x7fffff) | ((127 + up) << 23);
    const vd m = ToDouble(BitCast<vf>(mbits));
    const vd s = (m - 1.0) / (m + 1.0);
    const vd s2 = s * s;
    // p = s2/3 + s2^2/5 + ... + s2^7/15, with the terms paired (Estrin's scheme) so
    // that the products do not wait on each other.
    const vd s4 = s2 * s2;
    const vd a0 = s2 * (1.0 / 5.0) + 1.0 / 3.0;
    const vd a1 = s2 * (1.0 / 9.0) + 1.0 / 7.0;
    const vd a2 = s2 * (1.0 / 13.0) + 1.0 / 11.0;
    const vd b0 = a0 + s4 * a1;
    const vd b1 = a2 + s4 * (1.0 / 15.0);
    const vd p = (b0 + (s4 * s4) * b1) * s2;
    const vd ed = __builtin_convertvector(e, vd);
    const double kLn2Hi = 0.693147180369123816490; // 32 significant bits: e * hi is exact
    const double kLn2Lo = 1.90821492927058770002e-10;
    const vd twoS = s + s;
    return ed * kLn2Hi + (twoS + (twoS * p + ed * kLn2Lo));
}

// e^w in double for |w| < 700 (other lanes give garbage): w = n ln 2 + f with |f| <=
// ln(2) / 2, e^f by its Taylor series to f^11 (truncation below 2^-47), times 2^n.
QV_VECTOR_INLINE vd Exp(vd w)
{
    const double kShift = 6755399441055744.0; // 1.5 * 2^52: adding it rounds to an integer
    const vd t = w * 1.4426950408889634 + kShift;
    const vd n = t - kShift;
    const double kLn2Hi = 0.693147180369123816490;
    const double kLn2Lo = 1.90821492927058770002e-10;
    const vd f = (w - n * kLn2Hi) - n * kLn2Lo;
    // The series in pairs of terms (Estrin's scheme), so that the products do not wait
    // on each other.
    const vd f2 = f * f;
    const vd f4 = f2 * f2;
    const vd q0 = f + 1.0;
    const vd q1 = f * (1.0 / 6.0) + 0.5;
    const vd q2 = f * (1.0 / 120.0) + 1.0 / 24.0;
    const vd q3 = f * (1.0 / 5040.0) + 1.0 / 720.0;
    const vd q4 = f * (1.0 / 362880.0) + 1.0 / 40320.0;
    const vd q5 = f * (1.0 / 39916800.0) + 1.0 / 3628800.0;
    const vd r0 = q0 + f2 * q1;
    const vd r1 = q2 + f2 * q3;
    const vd r2 = q4 + f2 * q5;
    const vd p = (r0 + f4 * r1) + (f4 * f4) * r2;
    // 2^n from the integer in the low bits of t.
    const vl scale = (BitCast<vl>(t) - BitCast<vl>(Splat(kShift)) + 1023) << 52;
    return p * BitCast<vd>(scale);
}

} // namespace qvvec
