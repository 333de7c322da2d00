// Vector building blocks for block passes whose results must be the very floats the
// scalar C library gives: a logarithm of floats and powers, evaluated in double
// precision eight lanes at a time, and the test that says when such a double may round
// to another float than the library's double would.
//
// Why this is exact: the filters round a double-precision logarithm or power to float.
// The approximations here stay within about 2^-44 (relative) of the true value, the C
// library within a unit or two in the last place of a double, so both doubles lie well
// within 2^-38 of each other. Two doubles that close round to different floats only when
// a float rounding boundary (the midpoint between two adjacent floats) lies between them.
// RoundToFloat flags every double with such a boundary within 2^-38 of it; the callers
// recompute exactly those lanes (about two in ten thousand) with the scalar library call,
// and every other lane rounds to the library's float. The slow tests check this on more
// than 10^8 inputs.
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
typedef uint64_t vu __attribute__((vector_size(64))); // bit arithmetic that may wrap

#define QV_VECTOR_INLINE inline __attribute__((always_inline))

// Every processor level a block pass is compiled for on 64-bit x86. Other processors
// (32-bit x86, PowerPC) compile it once, for the processor the build names. Under
// ThreadSanitizer too: the loader runs the clone resolvers before the sanitizer's
// runtime is up, and their instrumented entry crashes the program at start.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QV_NO_TARGET_CLONES 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define QV_NO_TARGET_CLONES 1
#endif
#if defined(__x86_64__) && !defined(QV_NO_TARGET_CLONES)
#define QV_TARGET_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#else
#define QV_TARGET_CLONES
#endif

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

QV_VECTOR_INLINE vf Load(const float* p)
{
    vf v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

QV_VECTOR_INLINE void Store(float* p, vf v) { __builtin_memcpy(p, &v, sizeof v); }

// Four lanes, for the stereo loops that keep the left and right channel in lanes 0 and 1.
typedef float v4f __attribute__((vector_size(16)));
typedef int32_t v4i __attribute__((vector_size(16)));

// Whether a comparison holds in lanes 0 and 1 (both channels). x86 gathers the lanes'
// sign bits in one instruction; other processors test the two lanes.
QV_VECTOR_INLINE bool BothChannels(v4i mask)
{
#if defined(__SSE__)
    return (__builtin_ia32_movmskps(BitCast<v4f>(mask)) & 3) == 3;
#else
    return (mask[0] & mask[1]) != 0;
#endif
}

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

// dScale ln(x) in double for positive, normal, finite floats x (other lanes give
// garbage): x = 2^e m with m in [sqrt(1/2), sqrt(2)), ln m = 2 atanh(s) with s =
// (m - 1) / (m + 1), |s| < 0.1716, summed to s^15 (truncation below 2^-44). The scale is
// folded into the constants: e dScale ln 2 + 2 dScale s (1 + p). Relative error below
// 2^-44 (the first term is at least twice the second when e is not 0).
QV_VECTOR_INLINE vd LogOfFloat(vf x, double dScale)
{
    const vi bits = BitCast<vi>(x);
    // Mantissas above sqrt(2) move to the binade below: m / 2, e + 1.
    const vi up = (bits & 0x7fffff) > 0x3504f3;
    const vi e = ((bits >> 23) & 0xff) - 127 - up;
    const vi mbits = (bits & 0x7fffff) | ((127 + up) << 23);
    const vd m = ToDouble(BitCast<vf>(mbits));
    const vd s = (m - 1.0) / (m + 1.0);
    const vd s2 = s * s;
    // p = s2/3 + s2^2/5 + ... + s2^7/15 (Horner: the fewest operations).
    vd p = s2 * (1.0 / 15.0) + 1.0 / 13.0;
    p = p * s2 + 1.0 / 11.0;
    p = p * s2 + 1.0 / 9.0;
    p = p * s2 + 1.0 / 7.0;
    p = p * s2 + 1.0 / 5.0;
    p = p * s2 + 1.0 / 3.0;
    p = p * s2;
    const vd twoS = s * (2.0 * dScale);
    return __builtin_convertvector(e, vd) * (0.69314718055994530942 * dScale) + (twoS + twoS * p);
}

// Coefficients of the series of e^(u ln B) = sum (u ln B)^k / k!, k = 0 .. 11.
struct ExpSeries {
    double c[12];
    constexpr explicit ExpSeries(double dLnBase) : c()
    {
        double t = 1.0;
        for (int k = 0; k < 12; ++k) {
            c[k] = t;
            t = t * dLnBase / double(k + 1);
        }
    }
};

// B^y in double for |y log2 B| < 1000 (other lanes give garbage): y = n log_B 2 + u
// (log_B 2 in two parts, the first with 24 bits so that n times it is exact), B^u =
// e^(u ln B) with |u ln B| <= ln(2) / 2 by its series to the 11th power (truncation
// below 2^-47), then 2^n added to the exponent field.
QV_VECTOR_INLINE vd PowerOf(vd y, double dLog2Base, double dLogBase2Hi, double dLogBase2Lo, const ExpSeries& series)
{
    const double kShift = 6755399441055744.0; // 1.5 * 2^52: adding it rounds to an integer
    const vd t = y * dLog2Base + kShift;
    const vd n = t - kShift;
    const vd u = (y - n * dLogBase2Hi) - n * dLogBase2Lo;
    vd p = u * series.c[11] + series.c[10];
    p = p * u + series.c[9];
    p = p * u + series.c[8];
    p = p * u + series.c[7];
    p = p * u + series.c[6];
    p = p * u + series.c[5];
    p = p * u + series.c[4];
    p = p * u + series.c[3];
    p = p * u + series.c[2];
    p = p * u + series.c[1];
    p = p * u + series.c[0];
    // The integer n sits in the low bits of t; p lies in [1/2, 2], so adding n to its
    // exponent field multiplies it by 2^n.
    const vu n64 = BitCast<vu>(t) - BitCast<vu>(Splat(kShift));
    return BitCast<vd>(BitCast<vu>(p) + (n64 << 52));
}

// 10^z in double (|z| < 300).
constexpr ExpSeries kSeries10(2.30258509299404568402);
QV_VECTOR_INLINE vd TenTo(vd z)
{
    return PowerOf(z, 3.32192809488736234787, double(0.30102999566398119521f),
                   0.30102999566398119521 - double(0.30102999566398119521f), kSeries10);
}

// e^w in double (|w| < 700).
constexpr ExpSeries kSeriesE(1.0);
QV_VECTOR_INLINE vd Exp(vd w)
{
    return PowerOf(w, 1.44269504088896340736, double(0.69314718055994530942f),
                   0.69314718055994530942 - double(0.69314718055994530942f), kSeriesE);
}

} // namespace qvvec
