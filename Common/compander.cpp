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
// A block runs in chunks of kChunk samples and each chunk in passes: the detector, a
// tight scalar recurrence, writes the clamped level of every sample; the look-ahead line
// delays the audio; the static curve (a logarithm and a power per sample, independent of
// the recurrence) runs over the whole chunk as vector code; the gains land on the
// delayed audio. The passes compute exactly the floats the per-sample order computes.

namespace {

const unsigned kChunk = 256;

struct DetectorCoefficients {
    float fAttack;
    float fRelease;
    float fSmoothIn;
    float fSmooth;
};

// One detector step; e is the clamped level, fSmoothed the value before clamping.
inline float DetectorStep(float a, float& e, float& fSmoothed, const DetectorCoefficients& k)
{
    const float fStep = (a - e) * (a >= e ? k.fAttack : k.fRelease);
    float g = (e + fStep) * k.fSmoothIn + k.fSmooth * fSmoothed;
    // Levels from -60 to +26 dB pass unchanged: one test on the recurrence's path, one
    // branch the processor predicts. The rest leaves it.
    if (__builtin_expect(!(g >= 0.001f && g <= 20.0f), 0)) {
        if (QVIsNonFinite(g)) g = 0.0f;
        fSmoothed = g;
        // g < 0.001 in double is g < 0.001f in float: no float lies between the two.
        if (g < 0.001f) g = 0.001f;                             // never below -60 dB
        if (g > 20.0f) g = (g - 20.0f) * 0.9f + 20.0f;          // soft knee above +26 dB
    } else {
        fSmoothed = g;
    }
    e = g;
    return g;
}

} // namespace

// The static curve for one vector of levels; lanes whose logarithm or power might round
// to another float than the scalar library's are marked (non-zero) in the result.
QV_VECTOR_INLINE qvvec::vi CurveLanes(const CCompander::CurveConstants& k, const float* pLevel, float* pCurve)
{
    using namespace qvvec;
    vf x;
    __builtin_memcpy(&x, pLevel, sizeof x);
    const vi bits = BitCast<vi>(x);
    // Levels the logarithm below cannot take: zero, subnormal, negative, not finite.
    // Those at or below 0.00001 in magnitude (NaN included) take -100 dB anyway.
    const vi inRange = ((bits >> 23) > 0) & ((bits >> 23) < 0xff);
    const vi tiny = ~(BitCast<vf>(bits & 0x7fffffff) > 0.00001f);
    vi uncertain;
    const vf level = RoundToFloat(LnOfFloat(x) * 8.6858896380650365530225783783321, uncertain); // 20 / ln 10
    vi fix = (~inRange | uncertain) & ~tiny;
    vf d = tiny ? Splat(-100.0f) : level;
    d = d + k.fPreGain;
    const vf compressed = d * k.fCompSlope + k.fCompOffset;
    const vf expanded = d * k.fExpSlope + k.fExpThreshold - k.fExpOffset;
    d = d > k.fCompThreshold ? compressed : (d < k.fExpThreshold ? expanded : d);
    const vf z = (d + k.fMakeUpGain + k.fPostGain) / 20.0f;
    // 10^z rounds to float 0 below -46 (10^-46 < 2^-150); above 38.5 (where the
    // exponential's argument leaves its range) it overflows.
    const vf power = RoundToFloat(Exp(ToDouble(z) * 2.3025850929940456840179914546844), uncertain);
    const vi zero = z < -46.0f;
    const vi wild = ~(z <= 38.5f); // NaN too
    fix |= wild | (uncertain & ~zero);
    const vf h = zero ? Splat(0.0f) : power;
    __builtin_memcpy(pCurve, &h, sizeof h);
    return fix;
}

// Detector and curve of kChannels channels over n samples (n <= kChunk). The detector,
// a latency-bound scalar recurrence, and the curve, throughput-bound vector code, are
// interleaved vector by vector (the curve one vector behind), so that the processor
// works on both at once. Levels go to pGain, curve values to pCurve (both padded to whole
// vectors), lanes for the scalar curve are marked in pFix; returns whether any is.
template <int kChannels>
QV_VECTOR_INLINE bool DetectAndCurve(const DetectorCoefficients& k, const CCompander::CurveConstants& curve,
                                     float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                                     float (*pGain)[kChunk], float (*pCurve)[kChunk], int32 (*pFix)[kChunk])
{
    using namespace qvvec;
    const unsigned nVector = (n + kLanes - 1) & ~(kLanes - 1);
    for (int c = 0; c < kChannels; ++c)
        for (unsigned i = n; i < nVector; ++i) pGain[c][i] = 1.0f; // harmless padding
    float e[kChannels], g[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        e[c] = pfLevel[c];
        g[c] = pfSmoothed[c];
    }
    vi any = {};
    for (unsigned i0 = 0; i0 < nVector + kLanes; i0 += kLanes) {
        const unsigned iEnd = i0 + kLanes < n ? i0 + kLanes : n;
        for (unsigned i = i0; i < iEnd; ++i)
            for (int c = 0; c < kChannels; ++c) pGain[c][i] = DetectorStep(std::fabs(ppIn[c][i]), e[c], g[c], k);
        if (i0 >= kLanes) {
            const unsigned j = i0 - kLanes;
            for (int c = 0; c < kChannels; ++c) {
                const vi fix = CurveLanes(curve, pGain[c] + j, pCurve[c] + j);
                __builtin_memcpy(pFix[c] + j, &fix, sizeof fix);
                any |= fix;
            }
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        pfLevel[c] = e[c];
        pfSmoothed[c] = g[c];
    }
    return Any(any);
}

QV_TARGET_CLONES
static bool DetectAndCurveStereo(const DetectorCoefficients& k, const CCompander::CurveConstants& curve,
                                 float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                                 float (*pGain)[kChunk], float (*pCurve)[kChunk], int32 (*pFix)[kChunk])
{
    return DetectAndCurve<2>(k, curve, pfLevel, pfSmoothed, ppIn, n, pGain, pCurve, pFix);
}

QV_TARGET_CLONES
static bool DetectAndCurveMono(const DetectorCoefficients& k, const CCompander::CurveConstants& curve,
                               float* pfLevel, float* pfSmoothed, const float* const* ppIn, unsigned n,
                               float (*pGain)[kChunk], float (*pCurve)[kChunk], int32 (*pFix)[kChunk])
{
    return DetectAndCurve<1>(k, curve, pfLevel, pfSmoothed, ppIn, n, pGain, pCurve, pFix);
}

// The curve alone over up to kChunk levels (padded to whole vectors by the caller).
QV_TARGET_CLONES
static bool CurveBlock(const CCompander::CurveConstants& k, const float* pLevel, float* pCurve, int32* pFix,
                       unsigned nVector)
{
    qvvec::vi any = {};
    for (unsigned i = 0; i < nVector; i += qvvec::kLanes) {
        const qvvec::vi fix = CurveLanes(k, pLevel + i, pCurve + i);
        __builtin_memcpy(pFix + i, &fix, sizeof fix);
        any |= fix;
    }
    return qvvec::Any(any);
}

void CCompander::TransformBlock(const float* pLevel, float* pCurve, uint32 dwCount)
{
    const CurveConstants k = Constants();
    alignas(32) float fLevel[kChunk];
    alignas(32) float fCurve[kChunk];
    alignas(32) int32 lFix[kChunk];
    for (uint32 dwDone = 0; dwDone < dwCount; dwDone += kChunk) {
        const unsigned n = dwCount - dwDone < kChunk ? unsigned(dwCount - dwDone) : kChunk;
        const unsigned nVector = (n + qvvec::kLanes - 1) & ~(qvvec::kLanes - 1);
        for (unsigned i = 0; i < nVector; ++i) fLevel[i] = i < n ? pLevel[dwDone + i] : 1.0f;
        const bool bFix = CurveBlock(k, fLevel, fCurve, lFix, nVector);
        for (unsigned i = 0; i < n; ++i) pCurve[dwDone + i] = bFix && lFix[i] ? Transform(fLevel[i]) : fCurve[i];
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

    alignas(32) float fGain[2][kChunk];
    alignas(32) float fCurve[2][kChunk];
    alignas(32) int32 lFix[2][kChunk];
    alignas(32) float fDelayed[kChunk];
    for (uint32 dwDone = 0; dwDone < dwFrames; dwDone += kChunk) {
        const unsigned n = dwFrames - dwDone < kChunk ? unsigned(dwFrames - dwDone) : kChunk;
        const float* pIn[2] = {ppIn[lChannel[0]] + dwDone, ppIn[lChannel[nChannels - 1]] + dwDone};
        const bool bFix = nChannels == 2 ? DetectAndCurveStereo(k, curve, fLevel, fSmoothed, pIn, n, fGain, fCurve, lFix)
                                         : DetectAndCurveMono(k, curve, fLevel, fSmoothed, pIn, n, fGain, fCurve, lFix);
        for (int j = 0; j < nChannels; ++j) {
            const int c = lChannel[j];
            const float* const pLevel = fGain[j];
            float* const pCurve = fCurve[j];
            if (bFix)
                for (unsigned i = 0; i < n; ++i)
                    if (lFix[j][i]) pCurve[i] = Transform(pLevel[i]);
            // The detector hears the input now; the gain lands on the delayed audio.
            m_DelayUnit[c].PutSamples(pIn[j], fDelayed, n);
            float* const pOut = ppOut[c] + dwDone;
            if (bAdd)
                for (unsigned i = 0; i < n; ++i) pOut[i] += pCurve[i] / pLevel[i] * fDelayed[i];
            else
                for (unsigned i = 0; i < n; ++i) pOut[i] = pCurve[i] / pLevel[i] * fDelayed[i];
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
