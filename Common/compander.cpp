#include "compander.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "exactvector.h"
#include "qvnumeric.h"

static const char* const kNames[CCompander::PARAM_COUNT] = {"Pre Gain", "Compress", "Threshold", "Expand",
                                                            "Threshold", "Attack", "Release", "Smoothing",
                                                            "Post Gain", "Delay"};
// Smoothing has no unit: its label is left as the caller had it.
static const char* const kLabels[CCompander::PARAM_COUNT] = {"dB", "Ratio", "dB", "Ratio", "dB",
                                                             "ms", "ms", nullptr, "dB", "ms"};

static bool InRange(int32 lIndex) { return lIndex >= 0 && lIndex < CCompander::PARAM_COUNT; }

CCompander::CCompander()
    : m_fPreGain(0.0f),
      m_fCompThreshold(0.0f),
      m_fExpThreshold(0.0f),
      m_fPostGain(0.0f),
      m_fCompSlope(1.0f),
      m_fExpSlope(1.0f),
      m_fCompOffset(0.0f),
      m_fExpOffset(0.0f),
      m_fMakeUpGain(0.0f),
      m_fAttack(0.0f),
      m_fRelease(0.0f),
      m_fSmoothIn(1.0f),
      m_fSmooth(0.0f),
      m_fLevel{0.0f, 0.0f},
      m_fSmoothed{0.0f, 0.0f}
{
    static const float kDefaults[PARAM_COUNT] = {0.5f, 0.0f, 0.8f, 0.0f, 0.4f, 0.02f, 0.04f, 0.5f, 0.5f, 0.0f};
    m_Params.Init(PARAM_COUNT);
    for (int32 i = 0; i < PARAM_COUNT; ++i) m_Params.SetParameter(i, kDefaults[i]);
    ActivatePreset();
}

CCompander::~CCompander() {}

IObject* CCompander::Clone()
{
    CCompander* pCopy = new (std::nothrow) CCompander;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CCompander::Create() { return new (std::nothrow) CCompander; }

void CCompander::GetEffectName(char* pText) { std::strcpy(pText, "Compander"); }

int32 CCompander::GetUniqueID() { return QVFourCC('Q', 'V', 'c', 'p'); }

int32 CCompander::GetParameterCount() { return PARAM_COUNT; }

void CCompander::GetParameterName(int32 lIndex, char* pText)
{
    if (InRange(lIndex)) std::strcpy(pText, kNames[lIndex]);
}

void CCompander::GetParameterLabel(int32 lIndex, char* pText)
{
    if (InRange(lIndex) && kLabels[lIndex]) std::strcpy(pText, kLabels[lIndex]);
}

void CCompander::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (!InRange(lIndex)) return;
    const float p = GetParameter(lIndex);
    switch (lIndex) {
    case PRE_GAIN:
    case POST_GAIN:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 48.0f - 24.0f));
        break;
    case COMPRESS:
        // In double: single precision would show p = 1 as 9998.34:1.
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f:1", 1.0 / (1.0 - 0.9999 * double(p)));
        break;
    case EXPAND:
        std::snprintf(pText, QV_DISPLAY_SIZE, "1:%.2f", 1.0 / (1.0 - 0.9999 * double(p)));
        break;
    case COMP_THRESHOLD:
    case EXP_THRESHOLD:
        // In single precision: 0.8 shows -20, not the -19 that double arithmetic gives.
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(p * 100.0f - 100.0f));
        break;
    case ATTACK:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 10.0f));
        break;
    case RELEASE:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 100.0f));
        break;
    case SMOOTHING:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p));
        break;
    case DELAY:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 20.0f));
        break;
    }
}

void CCompander::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fs = m_fSampleRate;
    m_fCompSlope = 1.0f - GetParameter(COMPRESS);
    // The upper threshold never lies below the lower one; the stored value follows.
    if (GetParameter(EXP_THRESHOLD) > GetParameter(COMP_THRESHOLD))
        m_Params.SetParameter(COMP_THRESHOLD, GetParameter(EXP_THRESHOLD));
    m_fCompThreshold = GetParameter(COMP_THRESHOLD) * 100.0f - 100.0f;
    m_fExpSlope = 1.0f / (1.0f - GetParameter(EXPAND) * 0.999f);
    m_fExpThreshold = GetParameter(EXP_THRESHOLD) * 100.0f - 100.0f;
    m_fAttack = 10.0f / (std::max(GetParameter(ATTACK), 0.0001f) * fs);
    m_fRelease = 1.0f / (std::max(GetParameter(RELEASE), 0.001f) * fs);
    m_fPostGain = GetParameter(POST_GAIN) * 48.0f - 24.0f;
    m_fPreGain = GetParameter(PRE_GAIN) * 48.0f - 24.0f;
    m_fSmooth = GetParameter(SMOOTHING) * 0.99f;
    m_fSmoothIn = 1.0f - m_fSmooth;

    m_fCompOffset = (1.0f - m_fCompSlope) * m_fCompThreshold;
    m_fExpOffset = m_fExpThreshold * m_fExpSlope;
    m_fMakeUpGain = m_fCompOffset * -0.8f;

    // Up to 20 ms of look-ahead; the lines keep their content across the change.
    const float fLongest = fs * 0.02f;
    const unsigned int dwLength = QVDelayLength(GetParameter(DELAY) * fs * 0.02f, fLongest);
    m_DelayUnit[0].SetDelayLength(dwLength);
    m_DelayUnit[1].SetDelayLength(dwLength);
    // Written, then read one slot further on: the audio comes L - 2 samples late.
    m_dwLatency = dwLength > 2 ? dwLength - 2 : 0;
}

int32 CCompander::Init(float fAttack, float fRelease, float fCompress, float fExpand, float fCompThreshold,
                       float fExpThreshold, float fPostGain)
{
    CFilterLock lock(m_Lock);
    m_Params.SetParameter(ATTACK, fAttack);
    m_Params.SetParameter(RELEASE, fRelease);
    m_Params.SetParameter(COMPRESS, fCompress);
    m_Params.SetParameter(EXPAND, fExpand);
    m_Params.SetParameter(COMP_THRESHOLD, fCompThreshold);
    m_Params.SetParameter(EXP_THRESHOLD, fExpThreshold);
    m_Params.SetParameter(POST_GAIN, fPostGain);
    ActivatePreset();
    return 1;
}

CCompander::CurveConstants CCompander::Constants() const
{
    return CurveConstants{m_fPreGain,  m_fCompThreshold, m_fCompSlope,  m_fCompOffset, m_fExpThreshold,
                          m_fExpSlope, m_fExpOffset,     m_fMakeUpGain, m_fPostGain};
}

float CCompander::Transform(float x)
{
    float d = std::fabs(x) > 0.00001f ? float(20.0 * std::log10(double(x))) : -100.0f;
    d = d + m_fPreGain;
    if (d > m_fCompThreshold)
        d = d * m_fCompSlope + m_fCompOffset;
    else if (d < m_fExpThreshold)
        d = d * m_fExpSlope + m_fExpThreshold - m_fExpOffset;
    return float(std::pow(10.0, double((d + m_fMakeUpGain + m_fPostGain) / 20.0f)));
}

// ---------------------------------------------------------------------------------------
// Processing
//
// A block runs in chunks of kChunk samples and each chunk in passes that compute exactly
// the floats the per-sample order computes:
//   1. the detector, a tight scalar recurrence, gives the clamped level of every sample
//      (stereo: both channels in two lanes of one register); interleaved with it, one
//      vector behind, the first half of the static curve, vector code independent of the
//      recurrence: the level's logarithm, the thresholds, the power's argument;
//   2. the curve's second half, the power, over the whole chunk;
//   3. the lanes the vector code could not vouch for, by the scalar Transform;
//   4. the look-ahead line delays the audio and the gains land on it.
// The curve is split in two passes because each half alone is a short chain of
// dependent operations that the processor overlaps across vectors; the whole curve in
// one loop is not.

namespace {

using qvvec::vf;
using qvvec::vi;
using qvvec::kLanes;

const unsigned kChunk = 256;

struct DetectorCoefficients {
    float fAttack;
    float fRelease;
    float fSmoothIn;
    float fSmooth;
};

// A chunk's intermediate values per processed channel, padded to whole vectors.
struct ChunkValues {
    alignas(32) float fLevel[2][kChunk];    // the detector's clamped levels
    alignas(32) float fExponent[2][kChunk]; // the power's argument, (dB + gains) / 20
    alignas(32) float fCurve[2][kChunk];    // Transform of the level
    alignas(32) int32 lFix[2][kChunk];      // non-zero: Transform recomputes this lane
};

// The clamps of a detector value outside -60 .. +26 dB, as one detector step applies
// them; fSmoothed receives the value before clamping.
inline float DetectorClamp(float g, float& fSmoothed)
{
    if (QVIsNonFinite(g)) g = 0.0f;
    fSmoothed = g;
    // g < 0.001 in double is g < 0.001f in float: no float lies between the two.
    if (g < 0.001f) g = 0.001f;                    // never below -60 dB
    if (g > 20.0f) g = (g - 20.0f) * 0.9f + 20.0f; // soft knee above +26 dB
    return g;
}

// One detector step; e is the clamped level, fSmoothed the value before clamping.
inline float DetectorStep(float a, float& e, float& fSmoothed, const DetectorCoefficients& k)
{
    const float fStep = (a - e) * (a >= e ? k.fAttack : k.fRelease);
    float g = (e + fStep) * k.fSmoothIn + k.fSmooth * fSmoothed;
    // Levels from -60 to +26 dB pass unchanged: one test on the recurrence's path, one
    // branch the processor predicts. The rest leaves it.
    if (__builtin_expect(g >= 0.001f && g <= 20.0f, 1))
        fSmoothed = g;
    else
        g = DetectorClamp(g, fSmoothed);
    e = g;
    return g;
}

// The stereo detector keeps both channels in the lanes of one register (left, right,
// and the same again in the upper two lanes): the same float operations per lane as
// DetectorStep, half the instructions, one branch per frame for levels outside
// -60 .. +26 dB.
using qvvec::v4f;
using qvvec::v4i;

struct PairCoefficients {
    explicit PairCoefficients(const DetectorCoefficients& k)
        : attack(v4f{} + k.fAttack), release(v4f{} + k.fRelease), smoothIn(v4f{} + k.fSmoothIn),
          smooth(v4f{} + k.fSmooth)
    {
    }
    v4f attack, release, smoothIn, smooth;
};

QV_VECTOR_INLINE v4f PairStep(const PairCoefficients& k, v4f& e, v4f& smoothed, v4f a)
{
    v4f g = (e + (a - e) * (a >= e ? k.attack : k.release)) * k.smoothIn + k.smooth * smoothed;
    const v4i inside = (g >= 0.001f) & (g <= 20.0f);
    if (__builtin_expect(qvvec::BothChannels(inside), 1)) {
        smoothed = g;
    } else {
        float s0, s1;
        const float g0 = DetectorClamp(g[0], s0);
        const float g1 = DetectorClamp(g[1], s1);
        g = v4f{g0, g1, g0, g1};
        smoothed = v4f{s0, s1, s0, s1};
    }
    e = g;
    return g;
}

// Eight frames, from the magnitudes of each channel to the levels of each channel,
// without a trip through memory.
QV_VECTOR_INLINE void DetectEight(const PairCoefficients& k, v4f& e, v4f& smoothed, vf a0, vf a1, vf& l0, vf& l1)
{
    const vf lo = __builtin_shufflevector(a0, a1, 0, 8, 1, 9, 2, 10, 3, 11);  // frames 0 .. 3, left and right
    const vf hi = __builtin_shufflevector(a0, a1, 4, 12, 5, 13, 6, 14, 7, 15); // frames 4 .. 7
    const v4f q[4] = {{lo[0], lo[1], lo[2], lo[3]}, {lo[4], lo[5], lo[6], lo[7]},
                      {hi[0], hi[1], hi[2], hi[3]}, {hi[4], hi[5], hi[6], hi[7]}};
    v4f pairs[4];
    for (int j = 0; j < 4; ++j) {
        const v4f first = PairStep(k, e, smoothed, __builtin_shufflevector(q[j], q[j], 0, 1, 0, 1));
        const v4f second = PairStep(k, e, smoothed, __builtin_shufflevector(q[j], q[j], 2, 3, 2, 3));
        pairs[j] = __builtin_shufflevector(first, second, 0, 1, 4, 5);
    }
    const vf levelsLo = {pairs[0][0], pairs[0][1], pairs[0][2], pairs[0][3],
                         pairs[1][0], pairs[1][1], pairs[1][2], pairs[1][3]};
    const vf levelsHi = {pairs[2][0], pairs[2][1], pairs[2][2], pairs[2][3],
                         pairs[3][0], pairs[3][1], pairs[3][2], pairs[3][3]};
    l0 = __builtin_shufflevector(levelsLo, levelsHi, 0, 2, 4, 6, 8, 10, 12, 14);
    l1 = __builtin_shufflevector(levelsLo, levelsHi, 1, 3, 5, 7, 9, 11, 13, 15);
}

// The curve's first half for one vector of levels: 20 log10 x rounded to float (-100
// at or below 0.00001), pre gain, thresholds, make-up and post gain, / 20. Lanes whose
// logarithm might round to another float than the scalar library's are marked.
QV_VECTOR_INLINE vi CurveExponent(const CCompander::CurveConstants& k, const float* pLevel, float* pExponent)
{
    using namespace qvvec;
    const vf x = Load(pLevel);
    const vi bits = BitCast<vi>(x);
    // Levels the logarithm below cannot take: zero, subnormal, negative, not finite.
    // Those at or below 0.00001 in magnitude (NaN included) take -100 dB anyway.
    const vi inRange = ((bits >> 23) > 0) & ((bits >> 23) < 0xff);
    const vi tiny = ~(BitCast<vf>(bits & 0x7fffffff) > 0.00001f);
    vi uncertain;
    const vf level = RoundToFloat(LogOfFloat(x, 8.6858896380650365530225783783321), uncertain); // 20 log10 x
    vf d = tiny ? Splat(-100.0f) : level;
    d = d + k.fPreGain;
    const vf compressed = d * k.fCompSlope + k.fCompOffset;
    const vf expanded = d * k.fExpSlope + k.fExpThreshold - k.fExpOffset;
    d = d > k.fCompThreshold ? compressed : (d < k.fExpThreshold ? expanded : d);
    Store(pExponent, (d + k.fMakeUpGain + k.fPostGain) / 20.0f);
    return (~inRange | uncertain) & ~tiny;
}

// The curve's second half for one vector: 10^z rounded to float. It is 0 below -46
// (10^-46 < 2^-150); lanes above 38.5 (overflow, and the power's range left), NaN and
// those whose power might round otherwise than the library's are marked.
QV_VECTOR_INLINE vi CurvePower(const float* pExponent, float* pCurve)
{
    using namespace qvvec;
    const vf z = Load(pExponent);
    vi uncertain;
    const vf power = RoundToFloat(TenTo(ToDouble(z)), uncertain);
    const vi zero = z < -46.0f;
    Store(pCurve, zero ? Splat(0.0f) : power);
    return ~(z <= 38.5f) | (uncertain & ~zero);
}

// Pass 1's curve half for vector j of every channel, and pass 2 over the chunk.
template <int kChannels>
QV_VECTOR_INLINE vi ExponentVector(const CCompander::CurveConstants& k, ChunkValues& v, unsigned j)
{
    vi fix = {};
    for (int c = 0; c < kChannels; ++c) {
        const vi f = CurveExponent(k, v.fLevel[c] + j, v.fExponent[c] + j);
        __builtin_memcpy(v.lFix[c] + j, &f, sizeof f);
        fix |= f;
    }
    return fix;
}

template <int kChannels>
QV_VECTOR_INLINE vi PowerPass(ChunkValues& v, unsigned nVector)
{
    vi any = {};
    for (unsigned j = 0; j < nVector; j += kLanes)
        for (int c = 0; c < kChannels; ++c) {
            vi fix;
            __builtin_memcpy(&fix, v.lFix[c] + j, sizeof fix);
            fix |= CurvePower(v.fExponent[c] + j, v.fCurve[c] + j);
            __builtin_memcpy(v.lFix[c] + j, &fix, sizeof fix);
            any |= fix;
        }
    return any;
}

// Passes 1 and 2 over n samples (n <= kChunk) of kChannels channels; returns whether
// any lane needs the scalar curve. Stereo has its own version below.
template <int kChannels>
QV_VECTOR_INLINE bool DetectAndCurve(const DetectorCoefficients kRef, const CCompander::CurveConstants curveRef,
                                     float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                                     ChunkValues& v)
{
    // Local copies: the stores below could alias the callers' records, which would make
    // the compiler load every coefficient again for every sample.
    const DetectorCoefficients k = kRef;
    const CCompander::CurveConstants curve = curveRef;
    const unsigned nVector = (n + kLanes - 1) & ~(kLanes - 1);
    for (int c = 0; c < kChannels; ++c)
        for (unsigned i = n; i < nVector; ++i) v.fLevel[c][i] = 1.0f; // harmless padding
    float e[kChannels], g[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        e[c] = pfLevel[c];
        g[c] = pfSmoothed[c];
    }
    vi any = {};
    for (unsigned i0 = 0; i0 < nVector + kLanes; i0 += kLanes) {
        const unsigned iEnd = i0 + kLanes < n ? i0 + kLanes : n;
        for (unsigned i = i0; i < iEnd; ++i)
            for (int c = 0; c < kChannels; ++c) v.fLevel[c][i] = DetectorStep(std::fabs(ppIn[c][i]), e[c], g[c], k);
        if (i0 >= kLanes) any |= ExponentVector<kChannels>(curve, v, i0 - kLanes);
    }
    for (int c = 0; c < kChannels; ++c) {
        pfLevel[c] = e[c];
        pfSmoothed[c] = g[c];
    }
    any |= PowerPass<kChannels>(v, nVector);
    return qvvec::Any(any);
}

template <>
QV_VECTOR_INLINE bool DetectAndCurve<2>(const DetectorCoefficients kRef, const CCompander::CurveConstants curveRef,
                                        float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                                        ChunkValues& v)
{
    using namespace qvvec;
    const PairCoefficients k(kRef);
    const CCompander::CurveConstants curve = curveRef;
    const unsigned nVector = (n + kLanes - 1) & ~(kLanes - 1);
    v4f e = {pfLevel[0], pfLevel[1], pfLevel[0], pfLevel[1]};
    v4f smoothed = {pfSmoothed[0], pfSmoothed[1], pfSmoothed[0], pfSmoothed[1]};
    const vi kMagnitude = vi{} + 0x7fffffff;
    vi any = {};
    for (unsigned i0 = 0; i0 < nVector + kLanes; i0 += kLanes) {
        if (i0 + kLanes <= n) {
            const vf a0 = BitCast<vf>(BitCast<vi>(Load(ppIn[0] + i0)) & kMagnitude);
            const vf a1 = BitCast<vf>(BitCast<vi>(Load(ppIn[1] + i0)) & kMagnitude);
            vf l0, l1;
            DetectEight(k, e, smoothed, a0, a1, l0, l1);
            Store(v.fLevel[0] + i0, l0);
            Store(v.fLevel[1] + i0, l1);
        } else if (i0 < n) {
            // The last, partial vector; past n the levels are padding the curve takes
            // harmlessly.
            for (unsigned i = i0; i < i0 + kLanes; ++i) {
                if (i < n) {
                    const float a0 = std::fabs(ppIn[0][i]);
                    const float a1 = std::fabs(ppIn[1][i]);
                    const v4f g = PairStep(k, e, smoothed, v4f{a0, a1, a0, a1});
                    v.fLevel[0][i] = g[0];
                    v.fLevel[1][i] = g[1];
                } else {
                    v.fLevel[0][i] = v.fLevel[1][i] = 1.0f;
                }
            }
        }
        if (i0 >= kLanes) any |= ExponentVector<2>(curve, v, i0 - kLanes);
    }
    pfLevel[0] = e[0];
    pfLevel[1] = e[1];
    pfSmoothed[0] = smoothed[0];
    pfSmoothed[1] = smoothed[1];
    any |= PowerPass<2>(v, nVector);
    return Any(any);
}

} // namespace

QV_TARGET_CLONES
static bool DetectAndCurveStereo(const DetectorCoefficients& k, const CCompander::CurveConstants& curve,
                                 float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                                 ChunkValues& v)
{
    return DetectAndCurve<2>(k, curve, pfLevel, pfSmoothed, ppIn, n, v);
}

QV_TARGET_CLONES
static bool DetectAndCurveMono(const DetectorCoefficients& k, const CCompander::CurveConstants& curve,
                               float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                               ChunkValues& v)
{
    return DetectAndCurve<1>(k, curve, pfLevel, pfSmoothed, ppIn, n, v);
}

// The curve alone over nVector levels (whole vectors, at most kChunk) in v.fLevel[0].
QV_TARGET_CLONES
static bool CurveBlock(const CCompander::CurveConstants& k, ChunkValues& v, unsigned nVector)
{
    vi any = {};
    for (unsigned j = 0; j < nVector; j += kLanes) any |= ExponentVector<1>(k, v, j);
    any |= PowerPass<1>(v, nVector);
    return qvvec::Any(any);
}

void CCompander::TransformBlock(const float* pLevel, float* pCurve, uint32 dwCount)
{
    const CurveConstants k = Constants();
    ChunkValues v;
    for (uint32 dwDone = 0; dwDone < dwCount; dwDone += kChunk) {
        const unsigned n = dwCount - dwDone < kChunk ? unsigned(dwCount - dwDone) : kChunk;
        const unsigned nVector = (n + kLanes - 1) & ~(kLanes - 1);
        for (unsigned i = 0; i < nVector; ++i) v.fLevel[0][i] = i < n ? pLevel[dwDone + i] : 1.0f;
        const bool bFix = CurveBlock(k, v, nVector);
        for (unsigned i = 0; i < n; ++i)
            pCurve[dwDone + i] = bFix && v.lFix[0][i] ? Transform(v.fLevel[0][i]) : v.fCurve[0][i];
    }
}

int32 CCompander::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    const DetectorCoefficients k = {m_fAttack, m_fRelease, m_fSmoothIn, m_fSmooth};
    const CurveConstants curve = Constants();
    for (int c = 0; c < 2; ++c) {
        // A stored level that is zero, subnormal or not finite restarts the detector.
        const uint32 dwExponent = QVExponentField(m_fLevel[c]);
        if (dwExponent == 0 || dwExponent == 0xffu) m_fLevel[c] = 0.0f;
    }
    // The channels to process, packed: their detectors run side by side.
    int lChannel[2];
    int nChannels = 0;
    for (int c = 0; c < 2; ++c)
        if (ppIn[c] && ppOut[c]) lChannel[nChannels++] = c;
    if (nChannels == 0) return 1;
    float fLevel[2], fSmoothed[2];
    for (int j = 0; j < nChannels; ++j) {
        fLevel[j] = m_fLevel[lChannel[j]];
        fSmoothed[j] = m_fSmoothed[lChannel[j]];
    }

    ChunkValues v;
    alignas(32) float fDelayed[kChunk];
    for (uint32 dwDone = 0; dwDone < dwFrames; dwDone += kChunk) {
        const unsigned n = dwFrames - dwDone < kChunk ? unsigned(dwFrames - dwDone) : kChunk;
        const float* pIn[2] = {ppIn[lChannel[0]] + dwDone, ppIn[lChannel[nChannels - 1]] + dwDone};
        const bool bFix = nChannels == 2 ? DetectAndCurveStereo(k, curve, fLevel, fSmoothed, pIn, n, v)
                                         : DetectAndCurveMono(k, curve, fLevel, fSmoothed, pIn, n, v);
        for (int j = 0; j < nChannels; ++j) {
            const int c = lChannel[j];
            const float* const pLevel = v.fLevel[j];
            float* const pCurve = v.fCurve[j];
            if (bFix)
                for (unsigned i = 0; i < n; ++i)
                    if (v.lFix[j][i]) pCurve[i] = Transform(pLevel[i]);
            // The detector hears the input now; the gain lands on the delayed audio.
            const float* const pDelayed = m_DelayUnit[c].PutSamples(pIn[j], fDelayed, n);
            float* const pOut = ppOut[c] + dwDone;
            if (bAdd)
                for (unsigned i = 0; i < n; ++i) pOut[i] += pCurve[i] / pLevel[i] * pDelayed[i];
            else
                for (unsigned i = 0; i < n; ++i) pOut[i] = pCurve[i] / pLevel[i] * pDelayed[i];
        }
    }
    for (int j = 0; j < nChannels; ++j) {
        m_fLevel[lChannel[j]] = fLevel[j];
        m_fSmoothed[lChannel[j]] = fSmoothed[j];
    }
    return 1;
}

int32 CCompander::Reset()
{
    CFilterLock lock(m_Lock);
    for (int c = 0; c < 2; ++c) {
        m_DelayUnit[c].Clear();
        m_fLevel[c] = 0.0f;
        m_fSmoothed[c] = 0.0f;
    }
    return 1;
}

void CCompander::StartProcess()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].StartProcess();
    m_DelayUnit[1].StartProcess();
}

void CCompander::StopProcess()
{
    CFilterLock lock(m_Lock);
    m_DelayUnit[0].StopProcess();
    m_DelayUnit[1].StopProcess();
}
