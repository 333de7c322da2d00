#include "noisereduction.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <new>

#include "exactvector.h"
#include "qvnumeric.h"

// Single-precision circle constants: the transforms and windows are built from them.
static const float kPi = 3.1415927f;
static const float kTwoPi = 6.2831855f;

// The spectral step turns the normalized transform of a 512-sample frame back into the
// plain sum, so a bin's magnitude reads as the amplitude of the component in it.
static const float kMagnitudeScale = 512.0f;

// -2 sin^2(theta / 2) and sin(theta): the increments of the twiddle recurrence
// w' = w + w * (wpr + i wpi), which turns w by theta per step without a sine per step.
static void TwiddleIncrement(float fTheta, float& wpr, float& wpi)
{
    const double dHalf = std::sin(0.5 * double(fTheta));
    wpr = float(-2.0 * dHalf * dHalf);
    wpi = float(std::sin(double(fTheta)));
}

static void AdvanceTwiddle(float& wr, float& wi, float wpr, float wpi)
{
    const float fOld = wr;
    wr = fOld * wpr - wi * wpi + wr;
    wi = wi * wpr + fOld * wpi + wi;
}

namespace {

// Where a transform loop takes its twiddle factors from, one factor per step: the
// recurrence itself, starting at 1 and turning by fTheta per step...
class RecurrenceTwiddle {
public:
    explicit RecurrenceTwiddle(float fTheta) : m_wr(1.0f), m_wi(0.0f) { TwiddleIncrement(fTheta, m_wpr, m_wpi); }
    float Re() const { return m_wr; }
    float Im() const { return m_wi; }
    void Next() { AdvanceTwiddle(m_wr, m_wi, m_wpr, m_wpi); }

private:
    float m_wr, m_wi, m_wpr, m_wpi;
};

// ...or a table the recurrence filled: real and imaginary parts lStride floats apart,
// one step lStep floats on.
class TableTwiddle {
public:
    TableTwiddle(const float* p, int lStride, int lStep) : m_p(p), m_lStride(lStride), m_lStep(lStep) {}
    float Re() const { return m_p[0]; }
    float Im() const { return m_p[m_lStride]; }
    void Next() { m_p += m_lStep; }

private:
    const float* m_p;
    int m_lStride;
    int m_lStep;
};

// One butterfly pass of cfft (groups of span mmax floats) over ND floats.
template <class Twiddle>
void ButterflyPass(float* x, int ND, int mmax, Twiddle w)
{
    const int delta = mmax << 1;
    for (int m = 0; m < mmax; m += 2) {
        const float wr = w.Re();
        const float wi = w.Im();
        for (int i = m; i < ND; i += delta) {
            const int j = i + mmax;
            const float fRe = wr * x[j] - wi * x[j + 1];
            const float fIm = wr * x[j + 1] + wi * x[j];
            x[j] = x[i] - fRe;
            x[j + 1] = x[i + 1] - fIm;
            x[i] += fRe;
            x[i + 1] += fIm;
        }
        w.Next();
    }
}

// The split step of rfft on 2NC floats: it forms the spectrum of the real sequence from
// the complex transform of its even and odd samples (forward, c2 = -0.5), or prepares
// the inverse complex transform (c2 = 0.5).
template <class Twiddle>
void SplitStep(float* x, int NC, bool bForward, Twiddle w)
{
    const float c1 = 0.5f;
    const float c2 = bForward ? -0.5f : 0.5f;
    float xr, xi;
    if (bForward) {
        xr = x[0];
        xi = x[1];
    } else {
        xr = x[1];
        xi = 0.0f;
        x[1] = 0.0f;
    }
    const int N2p1 = (NC << 1) + 1;
    for (int i = 0; i <= NC >> 1; ++i) {
        const float wr = w.Re();
        const float wi = w.Im();
        const int i1 = i << 1;
        const int i2 = i1 + 1;
        const int i3 = N2p1 - i2;
        const int i4 = i3 + 1;
        // Value 0's mirror is value NC, that is value 0 again: it is read from and
        // written to xr, xi, so that slot pair 0 can receive DC and Nyquist.
        const float fMirrorRe = i == 0 ? xr : x[i3];
        const float fMirrorIm = i == 0 ? xi : x[i4];
        const float h1r = c1 * (x[i1] + fMirrorRe);
        const float h1i = c1 * (x[i2] - fMirrorIm);
        const float h2r = -c2 * (x[i2] + fMirrorIm);
        const float h2i = c2 * (x[i1] - fMirrorRe);
        x[i1] = h1r + wr * h2r - wi * h2i;
        x[i2] = h1i + wr * h2i + wi * h2r;
        const float fRe = h1r - wr * h2r + wi * h2i;
        const float fIm = -h1i + wr * h2i + wi * h2r;
        if (i == 0) {
            xr = fRe;
            xi = fIm;
        } else {
            x[i3] = fRe;
            x[i4] = fIm;
        }
        w.Next();
    }
    if (bForward) x[1] = xr;
}

// The scaling that ends cfft: 1 / ND forward, 2 inverse.
void ScaleTransform(float* x, int ND, bool bForward)
{
    const float fScale = bForward ? 1.0f / float(ND) : 2.0f;
    for (int i = 0; i < ND; ++i) x[i] *= fScale;
}

} // namespace

CNoiseReduction::CNoiseReduction()
    : m_lFFTSize(0),
      m_lWindowSize(0),
      m_lInputHop(0),
      m_lOutputHop(0),
      m_lShiftSize(0),
      m_pfAnalysis(nullptr),
      m_pfSynthesis(nullptr),
      m_pfWork(nullptr),
      m_pfTwiddles(nullptr),
      m_plSwaps(nullptr),
      m_lSwapCount(0),
      m_fStrength(0.0f),
      m_dwBlockCapacity(0)
{
    m_Params.Init(1);
    m_Params.SetParameter(0, 0.5f);
    ActivatePreset();
    Init(9, 2, 2, 2);
}

CNoiseReduction::~CNoiseReduction() { Finish(); }

IObject* CNoiseReduction::Clone()
{
    CNoiseReduction* pCopy = new (std::nothrow) CNoiseReduction;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CNoiseReduction::Create() { return new (std::nothrow) CNoiseReduction; }

void CNoiseReduction::GetEffectName(char* pText) { std::strcpy(pText, "NoiseReduction"); }

int32 CNoiseReduction::GetUniqueID() { return QVFourCC('Q', 'V', 'n', 'r'); }

int32 CNoiseReduction::GetParameterCount() { return 1; }

void CNoiseReduction::GetParameterLabel(int32, char* pText) { pText[0] = '\0'; }

void CNoiseReduction::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(GetParameter(0)));
}

void CNoiseReduction::GetParameterName(int32 lIndex, char* pText)
{
    if (lIndex == 0) std::strcpy(pText, "Noise Reduction");
}

void CNoiseReduction::Delete() { delete this; }

void CNoiseReduction::ActivatePreset() { m_fStrength.store(GetParameter(0), std::memory_order_relaxed); }

int32 CNoiseReduction::SetBlockSize(uint32 dwSize)
{
    CFilter::SetBlockSize(dwSize);
    Init(9, 2, 2, 2);
    return 1;
}

void CNoiseReduction::Init(int32 lOrder, int32 lFactor, int32 lDivider, int32)
{
    CFilterLock lock(m_Lock);
    Finish();
    m_dwBlockCapacity = 0;
    // Only Init(9, 2, 2, 2) is ever used; other shapes must still give a transform of at
    // least 2 samples and hops of at least one sample, or processing could never advance.
    if (lOrder < 1 || lOrder > 16 || lFactor < 1 || lFactor > 16 || lDivider < 1 || lDivider > (1 << lOrder)) {
        m_lFFTSize = m_lWindowSize = m_lInputHop = m_lOutputHop = m_lShiftSize = 0;
        m_dwLatency = 0;
        return;
    }
    m_lFFTSize = 1 << lOrder;
    m_lWindowSize = lFactor * m_lFFTSize;
    // Output sample t is made from input sample t - N.
    m_dwLatency = uint32(m_lWindowSize);
    m_lInputHop = m_lOutputHop = m_lFFTSize / lDivider;

    m_pfAnalysis = new (std::nothrow) float[m_lWindowSize];
    m_pfSynthesis = new (std::nothrow) float[m_lWindowSize];
    m_pfWork = new (std::nothrow) float[m_lFFTSize];
    m_pfTwiddles = new (std::nothrow) float[TwiddleCount(m_lFFTSize)];
    m_plSwaps = new (std::nothrow) int32[m_lFFTSize];

    // A host may announce any block size; the stores are sized for at most
    // kMaxBlockSize and longer blocks are refused like any block over the block size.
    const uint32 dwBlock = m_dwBlockSize < kMaxBlockSize ? m_dwBlockSize : kMaxBlockSize;
    const int32 lBlock = int32(dwBlock);
    m_lShiftSize = (m_lInputHop < lBlock ? 2 * lBlock : 2 * m_lInputHop) + m_lWindowSize;
    // Both channel slots are always sized, whatever the channel count: a slot left at an
    // older, smaller size would overflow when a stereo block arrives later.
    bool bStores = true;
    for (int c = 0; c < 2; ++c) {
        m_InBuffer[c].SetBufferSize(m_lShiftSize);
        m_OutBuffer[c].SetBufferSize(m_lShiftSize);
        bStores = bStores && m_InBuffer[c].HasBuffer() && m_OutBuffer[c].HasBuffer();
    }
    if (!m_pfAnalysis || !m_pfSynthesis || !m_pfWork || !m_pfTwiddles || !m_plSwaps || !bStores) {
        Finish();
        return;
    }
    m_dwBlockCapacity = dwBlock;

    std::memset(m_pfAnalysis, 0, sizeof(float) * size_t(m_lWindowSize));
    std::memset(m_pfSynthesis, 0, sizeof(float) * size_t(m_lWindowSize));
    CreateWindows();
    BuildTables();
    Reset();
}

void CNoiseReduction::Finish()
{
    delete[] m_pfAnalysis;
    delete[] m_pfSynthesis;
    delete[] m_pfWork;
    delete[] m_pfTwiddles;
    delete[] m_plSwaps;
    m_pfTwiddles = nullptr;
    m_plSwaps = nullptr;
    m_lSwapCount = 0;
    m_pfAnalysis = nullptr;
    m_pfSynthesis = nullptr;
    m_pfWork = nullptr;
}

// Hamming windows; with windows longer than the transform, the analysis window is
// shaped by an interpolating (sin x / x) factor that vanishes at multiples of the
// transform length from the centre and the synthesis window by one that vanishes at
// multiples of the output hop, then both are normalized so that the analysis window
// sums to 2: a sinusoid of amplitude a then shows a bin magnitude of about a.
void CNoiseReduction::CreateWindows()
{
    const int32 N = m_lWindowSize;
    const int32 M = m_lFFTSize;
    const int32 I = m_lOutputHop;
    for (int32 i = 0; i < N; ++i) {
        const float fPhase = float(i) * kTwoPi / float(N - 1);
        const float w = 0.54f - 0.46f * float(std::cos(double(fPhase)));
        m_pfAnalysis[i] = w;
        m_pfSynthesis[i] = w;
    }
    if (N <= M) return;

    float x = -float(N - 1) / 2.0f;
    for (int32 i = 0; i < N; ++i, x += 1.0f) {
        if (x == 0.0f) continue;
        const float d = x * kPi;
        const double dD = double(d);
        m_pfAnalysis[i] = float(double(m_pfAnalysis[i]) * (double(M) * std::sin(dD / double(M)) / dD));
        if (I != 0) m_pfSynthesis[i] = float(double(m_pfSynthesis[i]) * (double(I) * std::sin(dD / double(I)) / dD));
    }

    float fSum = 0.0f;
    for (int32 i = 0; i < N; ++i) fSum += m_pfAnalysis[i];
    const float fAnalysisScale = 2.0f / fSum;
    const float fSynthesisScale = fSum / 2.0f;
    for (int32 i = 0; i < N; ++i) {
        m_pfAnalysis[i] *= fAnalysisScale;
        m_pfSynthesis[i] *= fSynthesisScale;
    }
}

// Both run one transform length at a time, so that each slot still sums its terms in
// increasing sample order while the loops vectorize across slots.
void CNoiseReduction::FoldInput(const float* pfIn)
{
    const int32 M = m_lFFTSize;
    float* const pfWork = m_pfWork;
    for (int32 t = 0; t < M; ++t) pfWork[t] = 0.0f;
    for (int32 j0 = 0; j0 < m_lWindowSize; j0 += M) {
        const float* const pfFrom = pfIn + j0;
        const float* const pfWindow = m_pfAnalysis + j0;
        for (int32 t = 0; t < M; ++t) pfWork[t] += pfFrom[t] * pfWindow[t];
    }
}

void CNoiseReduction::UnfoldOutput(float* pfOut)
{
    const int32 M = m_lFFTSize;
    const float* const pfWork = m_pfWork;
    for (int32 j0 = 0; j0 < m_lWindowSize; j0 += M) {
        float* const pfTo = pfOut + j0;
        const float* const pfWindow = m_pfSynthesis + j0;
        for (int32 t = 0; t < M; ++t) pfTo[t] += pfWork[t] * pfWindow[t];
    }
}

// ---------------------------------------------------------------------------------------
// Transforms

void CNoiseReduction::bitreverse(float* x, int ND)
{
    int m = 0;
    for (int i = 0, j = 0; i < ND; i += 2, j += m) {
        if (j > i) {
            const float fRe = x[j];
            const float fIm = x[j + 1];
            x[j] = x[i];
            x[j + 1] = x[i + 1];
            x[i] = fRe;
            x[i + 1] = fIm;
        }
        for (m = ND >> 1; m >= 2 && j >= m; m >>= 1) j -= m;
    }
}

void CNoiseReduction::cfft(float* x, int NC, int forward)
{
    const int ND = NC << 1;
    bitreverse(x, ND);
    for (int mmax = 2; mmax < ND; mmax <<= 1)
        ButterflyPass(x, ND, mmax, RecurrenceTwiddle(forward ? kTwoPi / float(mmax) : -kTwoPi / float(mmax)));
    ScaleTransform(x, ND, forward != 0);
}

// The real transform of 2NC samples runs as a complex transform of NC values (even
// samples as real parts, odd ones as imaginary parts) and a split step that separates
// the two interleaved spectra; the inverse splits first and transforms after.
void CNoiseReduction::rfft(float* x, int NC, int forward)
{
    const float fTheta = kPi / float(NC);
    if (forward) {
        cfft(x, NC, forward);
        SplitStep(x, NC, true, RecurrenceTwiddle(fTheta));
    } else {
        SplitStep(x, NC, false, RecurrenceTwiddle(-fTheta));
        cfft(x, NC, forward);
    }
}

// ---------------------------------------------------------------------------------------
// Processing

// ---------------------------------------------------------------------------------------
// The frame's transforms from tables
//
// Every frame transforms the same length, so the factors the recurrences of cfft and
// rfft produce are worked out once, by the same recurrences, and read from tables; so is
// the bit-reversal permutation, as the list of swaps bitreverse makes. The butterflies
// then run several at a time: within a pass no two touch the same value, and each one
// still computes exactly the operations cfft writes out.

// Floats of the tables for a transform of lSize real samples: per direction the passes
// of the complex transform (the factor of each butterfly pair, real parts then imaginary
// parts, each twice, once per float of a complex value) and the split step's factors.
int32 CNoiseReduction::TwiddleCount(int32 lSize)
{
    const int32 NC = lSize / 2;
    return 2 * (2 * (lSize - 2) + 2 * (NC / 2 + 1));
}

void CNoiseReduction::BuildTables()
{
    const int ND = m_lFFTSize;
    const int NC = ND / 2;
    float* p = m_pfTwiddles;
    for (int forward = 1; forward >= 0; --forward) {
        for (int mmax = 2; mmax < ND; mmax <<= 1) {
            RecurrenceTwiddle w(forward ? kTwoPi / float(mmax) : -kTwoPi / float(mmax));
            for (int m = 0; m < mmax; m += 2, w.Next()) {
                p[m] = p[m + 1] = w.Re();
                p[mmax + m] = p[mmax + m + 1] = w.Im();
            }
            p += 2 * mmax;
        }
    }
    for (int forward = 1; forward >= 0; --forward) {
        const float fTheta = kPi / float(NC);
        RecurrenceTwiddle w(forward ? fTheta : -fTheta);
        for (int i = 0; i <= NC >> 1; ++i, w.Next()) {
            p[2 * i] = w.Re();
            p[2 * i + 1] = w.Im();
        }
        p += 2 * (NC / 2 + 1);
    }
    // The swaps of bitreverse, in its order.
    m_lSwapCount = 0;
    int m = 0;
    for (int i = 0, j = 0; i < ND; i += 2, j += m) {
        if (j > i) {
            m_plSwaps[m_lSwapCount++] = i;
            m_plSwaps[m_lSwapCount++] = j;
        }
        for (m = ND >> 1; m >= 2 && j >= m; m >>= 1) j -= m;
    }
}

using qvvec::Load;
using qvvec::Store;
using qvvec::vf;
using qvvec::vi;

// The butterfly passes of cfft on ND floats after the reordering, with the factors of
// pfTable. Passes of four or more butterflies per group run four complex values at once:
// t = w x[j] is wr x - wi y and wr y + wi x, the same products and sums per float.
QV_TARGET_CLONES
static void ButterflyPasses(float* x, int ND, const float* pfTable)
{
    for (int mmax = 2; mmax < ND; mmax <<= 1) {
        const int delta = mmax << 1;
        const float* const pfWr = pfTable;
        const float* const pfWi = pfTable + mmax;
        pfTable += 2 * mmax;
        if (mmax >= 8) {
            for (int g = 0; g < ND; g += delta)
                for (int m = 0; m < mmax; m += 8) {
                    float* const pi = x + g + m;
                    float* const pj = pi + mmax;
                    const vf xi = Load(pi);
                    const vf xj = Load(pj);
                    const vf a = Load(pfWr + m) * xj;
                    const vf b = Load(pfWi + m) * __builtin_shufflevector(xj, xj, 1, 0, 3, 2, 5, 4, 7, 6);
                    const vf t = __builtin_shufflevector(a - b, a + b, 0, 9, 2, 11, 4, 13, 6, 15);
                    Store(pj, xi - t);
                    Store(pi, xi + t);
                }
        } else {
            ButterflyPass(x, ND, mmax, TableTwiddle(pfWr, mmax, 2));
        }
    }
}

void CNoiseReduction::FrameTransform(bool bForward)
{
    float* const x = m_pfWork;
    const int ND = m_lFFTSize;
    const int NC = ND / 2;
    const float* const pfPasses = m_pfTwiddles + (bForward ? 0 : 2 * (ND - 2));
    const TableTwiddle split(m_pfTwiddles + 4 * (ND - 2) + (bForward ? 0 : 2 * (NC / 2 + 1)), 1, 2);
    if (!bForward) SplitStep(x, NC, false, split);
    for (int32 k = 0; k < m_lSwapCount; k += 2) {
        const int i = m_plSwaps[k];
        const int j = m_plSwaps[k + 1];
        std::swap(x[i], x[j]);
        std::swap(x[i + 1], x[j + 1]);
    }
    ButterflyPasses(x, ND, pfPasses);
    ScaleTransform(x, ND, bForward);
    if (bForward) SplitStep(x, NC, true, split);
}

// The gain of every bin, g = q m^q / m with m = hypot(re, im) x 512 (q m^q / m =
// q m^(q - 1), the slope of m -> m^q, exactly 1 for q = 1), as vector code over eight
// bins at a time: the magnitude as a double square root, the power as exp(q ln m). The
// magnitude and the gain are rounded to float as the library's hypot and pow would
// round them except in lanes RoundToFloat flags; those, and lanes whose power argument
// is large or not finite, keep their values and are marked in pFix for the scalar
// computation. Returns the number of bins done (a multiple of eight).
QV_TARGET_CLONES
static int32 BinGains(float* x, int32 lBins, float fExponent, int32* pFix)
{
    using namespace qvvec;
    const vd q = Splat(double(fExponent));
    int32 k = 0;
    for (; k + int32(kLanes) <= lBins; k += kLanes) {
        float* const p = x + 2 * k;
        const vf lo = Load(p);
        const vf hi = Load(p + kLanes);
        const vf re = __builtin_shufflevector(lo, hi, 0, 2, 4, 6, 8, 10, 12, 14);
        const vf im = __builtin_shufflevector(lo, hi, 1, 3, 5, 7, 9, 11, 13, 15);
        const vd dr = ToDouble(re);
        const vd di = ToDouble(im);
        const vd sq = dr * dr + di * di;
        vd s;
        for (unsigned l = 0; l < kLanes; ++l) s[l] = __builtin_sqrt(sq[l]);
        vi uncertainMagnitude, uncertainGain;
        const vf m = RoundToFloat(s, uncertainMagnitude) * 512.0f;
        const vd w = q * LogOfFloat(m, 1.0);
        const vf g = RoundToFloat(q * Exp(w) / ToDouble(m), uncertainGain);
        const vi zero = m == 0.0f;
        // The logarithm takes normal floats; beyond |w| = 64 the power's relative error
        // could leave the window.
        const vf wf = ToFloat(w);
        const vi tame = (wf < 64.0f) & (wf > -64.0f) & (m >= 1.17549435e-38f) & (m <= 3.4028235e38f);
        const vi fix = uncertainMagnitude | ((uncertainGain | ~tame) & ~zero);
        const vf outRe = fix ? re : (zero ? Splat(0.0f) : re * g);
        const vf outIm = fix ? im : (zero ? Splat(0.0f) : im * g);
        Store(p, __builtin_shufflevector(outRe, outIm, 0, 8, 1, 9, 2, 10, 3, 11));
        Store(p + kLanes, __builtin_shufflevector(outRe, outIm, 4, 12, 5, 13, 6, 14, 7, 15));
        __builtin_memcpy(pFix + k, &fix, sizeof fix);
    }
    return k;
}

void CNoiseReduction::ShapeSpectrum(float* pfBins, int32 lBins, float fExponent)
{
    int32 lFix[kMaxVectorBins];
    const int32 lVector = lBins <= kMaxVectorBins ? BinGains(pfBins, lBins, fExponent, lFix) : 0;
    const double dExponent = double(fExponent);
    for (int32 b = 0; b < lBins; ++b) {
        if (b < lVector && !lFix[b]) continue;
        float* const pBin = pfBins + 2 * b;
        const float m = float(std::hypot(double(pBin[0]), double(pBin[1]))) * kMagnitudeScale;
        if (m != 0.0f) {
            const float g = float(dExponent * std::pow(double(m), dExponent) / double(m));
            pBin[0] *= g;
            pBin[1] *= g;
        } else {
            pBin[0] = 0.0f;
            pBin[1] = 0.0f;
        }
    }
}

// One analysis-synthesis frame of one channel: fold, transform, power law on every
// bin's magnitude, inverse transform, overlap-add.
void CNoiseReduction::ProcessFrame(CShiftBuffer& in, CShiftBuffer& out)
{
    // A strength change takes effect at the next frame.
    const float fStrength = m_fStrength.load(std::memory_order_relaxed);
    const float fExponent = (fStrength + fStrength) * 0.4f + 1.0f;
    FoldInput(in.GetBuffer() + in.GetReadPos());
    in.IncrementRead(m_lInputHop);
    FrameTransform(true);
    // Slot pair 0 holds DC and Nyquist; they are shaped as one complex value.
    ShapeSpectrum(m_pfWork, m_lFFTSize / 2, fExponent);
    FrameTransform(false);
    UnfoldOutput(out.GetBuffer() + out.GetWritePos());
    out.SetWritePos(out.GetWritePos() + m_lOutputHop);
}

int32 CNoiseReduction::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    // Also refuses everything when Init could not build the filter bank.
    if (dwFrames > m_dwBlockSize || dwFrames > m_dwBlockCapacity || !ppIn || !ppOut) return 0;
    const int32 lFrames = int32(dwFrames);
    for (int c = 0; c < 2; ++c) {
        if (!ppIn[c] || !ppOut[c]) continue;
        CShiftBuffer& in = m_InBuffer[c];
        CShiftBuffer& out = m_OutBuffer[c];
        in.ShiftIn(ppIn[c], lFrames);
        for (;;) {
            if (out.GetHeld() >= lFrames) {
                out.ShiftOut(ppOut[c], lFrames, bAdd);
                break;
            }
            if (in.GetHeld() < m_lInputHop) break;
            ProcessFrame(in, out);
        }
    }
    return 1;
}

// Each input store starts with a window's worth of silence, so the first frame reads
// valid history; the output stores start empty.
int32 CNoiseReduction::Reset()
{
    CFilterLock lock(m_Lock);
    for (int c = 0; c < 2; ++c) {
        m_InBuffer[c].Clear();
        m_InBuffer[c].SetReadPos(0);
        m_InBuffer[c].SetWritePos(m_lWindowSize);
        m_OutBuffer[c].Clear();
        m_OutBuffer[c].SetWritePos(0);
    }
    return 1;
}
