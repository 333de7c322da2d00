// The straightforward implementations of the effects' filters and of the composite's
// block loop, one sample at a time exactly as the arithmetic is defined. The library's
// filters restructure this work for speed (block passes, vector code, precomputed
// tables); the tests hold every one of them to these implementations, sample for
// sample and bit for bit.
//
// Each reference class derives from the library class for its parameters, names and
// coefficients and replaces the processing with its own copy. Shared with the library are
// only the delay line's per-sample calls (the library's block operations are tested
// against them in tests/Common/delayunit_blocks_test.cpp) and the noise reduction's
// windows, which are built once, outside processing.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "biquad.h"
#include "clip.h"
#include "compander.h"
#include "definition.h"
#include "delayfilter.h"
#include "monofilter.h"
#include "noisereduction.h"
#include "qvnumeric.h"

namespace qvref {

template <class T>
T* CloneOf(T* pSource)
{
    T* pCopy = new (std::nothrow) T;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(pSource));
    return pCopy;
}

// ---------------------------------------------------------------------------------------
// Biquad: Direct Form I, one sample at a time.

inline float BiQuadSample(const _FilterTaps& taps, _FilterState& state, float x)
{
    if (QVIsNonFinite(x)) x = 0.0f;
    float y = taps.b0 * x + taps.b1 * state.x1 + taps.b2 * state.x2 - taps.a1 * state.y1 - taps.a2 * state.y2;
    const uint32_t dwExponent = QVExponentField(y);
    if (dwExponent == 0 || dwExponent == 0xffu) y = 0.0f;
    if (y > 50.0f || y < -50.0f) {
        state = _FilterState{0.0f, 0.0f, 0.0f, 0.0f};
        y = 0.0f;
        x = 0.0f;
    }
    state.x2 = state.x1;
    state.x1 = x;
    state.y2 = state.y1;
    state.y1 = y;
    return y;
}

class CRefBiQuadFilter : public CBiQuadFilter {
public:
    IObject* Clone() override { return CloneOf(this); }
    IObject* Create() override { return new (std::nothrow) CRefBiQuadFilter; }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        CFilterLock lock(m_Lock);
        if (!ppIn || !ppOut) return 1;
        for (int c = 0; c < 2; ++c) {
            const float* pIn = ppIn[c];
            float* pOut = ppOut[c];
            if (!pIn || !pOut) continue;
            for (uint32 i = 0; i < dwFrames; ++i) {
                const float y = BiQuadSample(m_Taps, m_State[c], pIn[i]);
                pOut[i] = bAdd ? pOut[i] + y : y;
            }
        }
        return 1;
    }
    const _FilterState& State(int c) const { return m_State[c]; }
};

// ---------------------------------------------------------------------------------------
// Compander: detector, curve (one logarithm and one power per sample) and gain per sample.

class CRefCompander : public CCompander {
public:
    IObject* Clone() override { return CloneOf(this); }
    IObject* Create() override { return new (std::nothrow) CRefCompander; }

    float Curve(float x) const
    {
        float d = std::fabs(x) > 0.00001f ? float(20.0 * std::log10(double(x))) : -100.0f;
        d = d + m_fPreGain;
        if (d > m_fCompThreshold)
            d = d * m_fCompSlope + (1.0f - m_fCompSlope) * m_fCompThreshold;
        else if (d < m_fExpThreshold)
            d = d * m_fExpSlope + m_fExpThreshold - m_fExpThreshold * m_fExpSlope;
        const float fMakeUp = (1.0f - m_fCompSlope) * m_fCompThreshold * -0.8f;
        return float(std::pow(10.0, double((d + fMakeUp + m_fPostGain) / 20.0f)));
    }

    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        for (int c = 0; c < 2; ++c) {
            const uint32_t dwExponent = QVExponentField(m_fLevel[c]);
            if (dwExponent == 0 || dwExponent == 0xffu) m_fLevel[c] = 0.0f;
        }
        CFilterLock lock(m_Lock);
        for (uint32 i = 0; i < dwFrames; ++i) {
            for (int c = 0; c < 2; ++c) {
                if (!ppIn[c] || !ppOut[c]) continue;
                const float x = ppIn[c][i];
                const float a = std::fabs(x);
                m_DelayUnit[c].PutSample(x);
                const float y = m_DelayUnit[c].GetLastSample();
                const float e = m_fLevel[c];
                const float fStep = a >= e ? (a - e) * m_fAttack : (a - e) * m_fRelease;
                float g = (e + fStep) * m_fSmoothIn + m_fSmooth * m_fSmoothed[c];
                if (QVIsNonFinite(g)) g = 0.0f;
                m_fSmoothed[c] = g;
                if (double(g) < 0.001) g = 0.001f;
                if (g > 20.0f) g = (g - 20.0f) * 0.9f + 20.0f;
                const float h = Curve(g);
                m_fLevel[c] = g;
                const float v = h / g * y;
                if (bAdd)
                    ppOut[c][i] += v;
                else
                    ppOut[c][i] = v;
            }
        }
        return 1;
    }
};

// ---------------------------------------------------------------------------------------
// Sliding sample store and spectral noise reduction.

class CRefShiftBuffer {
public:
    void SetBufferSize(int32 lSize)
    {
        m_Buffer.assign(std::size_t(lSize > 0 ? lSize : 0), 0.0f);
        m_lReadPos = 0;
        m_lWritePos = int32(m_Buffer.size());
    }
    void Clear()
    {
        std::fill(m_Buffer.begin(), m_Buffer.end(), 0.0f);
        m_lReadPos = 0;
        m_lWritePos = int32(m_Buffer.size());
    }
    void ShiftBuffer()
    {
        if (m_lReadPos <= 0) return;
        const int32 lSize = int32(m_Buffer.size());
        const int32 lKeep = m_lReadPos < lSize ? lSize - m_lReadPos : 0;
        std::memmove(m_Buffer.data(), m_Buffer.data() + (lSize - lKeep), sizeof(float) * std::size_t(lKeep));
        std::fill(m_Buffer.begin() + lKeep, m_Buffer.end(), 0.0f);
        m_lWritePos -= m_lReadPos;
        m_lReadPos = 0;
    }
    void ShiftIn(const float* pfIn, int32 lLength)
    {
        ShiftBuffer();
        for (int32 i = 0; i < lLength; ++i) m_Buffer[std::size_t(m_lWritePos + i)] = pfIn[i];
        m_lWritePos += lLength;
    }
    void IncrementRead(int32 lCount)
    {
        m_lReadPos += lCount;
        ShiftBuffer();
    }
    void ShiftOut(float* pfOut, int32 lLength, bool bAdd)
    {
        const int32 lHeld = Held();
        int32 lDeliver = lHeld > lLength ? lLength : lHeld;
        if (lDeliver < 0) lDeliver = 0;
        const int32 lSkip = lLength > lDeliver ? lLength - lDeliver : 0;
        if (!bAdd)
            for (int32 i = 0; i < lSkip; ++i) pfOut[i] = 0.0f;
        for (int32 i = 0; i < lDeliver; ++i) {
            const float v = m_Buffer[std::size_t(m_lReadPos + i)];
            pfOut[lSkip + i] = bAdd ? pfOut[lSkip + i] + v : v;
        }
        m_lReadPos += lDeliver;
        ShiftBuffer();
    }
    float* Data() { return m_Buffer.data(); }
    int32 Held() const { return m_lWritePos - m_lReadPos; }

    std::vector<float> m_Buffer;
    int32 m_lReadPos = 0;
    int32 m_lWritePos = 0;
};

inline void RefTwiddleIncrement(float fTheta, float& wpr, float& wpi)
{
    const double dHalf = std::sin(0.5 * double(fTheta));
    wpr = float(-2.0 * dHalf * dHalf);
    wpi = float(std::sin(double(fTheta)));
}

inline void RefAdvanceTwiddle(float& wr, float& wi, float wpr, float wpi)
{
    const float fOld = wr;
    wr = fOld * wpr - wi * wpi + wr;
    wi = wi * wpr + fOld * wpi + wi;
}

inline void RefBitReverse(float* x, int ND)
{
    int m = 0;
    for (int i = 0, j = 0; i < ND; i += 2, j += m) {
        if (j > i) {
            std::swap(x[j], x[i]);
            std::swap(x[j + 1], x[i + 1]);
        }
        for (m = ND >> 1; m >= 2 && j >= m; m >>= 1) j -= m;
    }
}

inline void RefComplexFFT(float* x, int NC, int forward)
{
    const int ND = NC << 1;
    RefBitReverse(x, ND);
    for (int mmax = 2; mmax < ND; mmax <<= 1) {
        const int delta = mmax << 1;
        float wpr, wpi;
        RefTwiddleIncrement(forward ? 6.2831855f / float(mmax) : -6.2831855f / float(mmax), wpr, wpi);
        float wr = 1.0f;
        float wi = 0.0f;
        for (int m = 0; m < mmax; m += 2) {
            for (int i = m; i < ND; i += delta) {
                const int j = i + mmax;
                const float fRe = wr * x[j] - wi * x[j + 1];
                const float fIm = wr * x[j + 1] + wi * x[j];
                x[j] = x[i] - fRe;
                x[j + 1] = x[i + 1] - fIm;
                x[i] += fRe;
                x[i + 1] += fIm;
            }
            RefAdvanceTwiddle(wr, wi, wpr, wpi);
        }
    }
    const float fScale = forward ? 1.0f / float(ND) : 2.0f;
    for (int i = 0; i < ND; ++i) x[i] *= fScale;
}

inline void RefRealFFT(float* x, int NC, int forward)
{
    const float c1 = 0.5f;
    float c2;
    float fTheta = 3.1415927f / float(NC);
    float xr, xi;
    if (forward) {
        c2 = -0.5f;
        RefComplexFFT(x, NC, forward);
        xr = x[0];
        xi = x[1];
    } else {
        c2 = 0.5f;
        fTheta = -fTheta;
        xr = x[1];
        xi = 0.0f;
        x[1] = 0.0f;
    }
    float wpr, wpi;
    RefTwiddleIncrement(fTheta, wpr, wpi);
    float wr = 1.0f;
    float wi = 0.0f;
    const int N2p1 = (NC << 1) + 1;
    for (int i = 0; i <= NC >> 1; ++i) {
        const int i1 = i << 1;
        const int i2 = i1 + 1;
        const int i3 = N2p1 - i2;
        const int i4 = i3 + 1;
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
        RefAdvanceTwiddle(wr, wi, wpr, wpi);
    }
    if (forward)
        x[1] = xr;
    else
        RefComplexFFT(x, NC, forward);
}

// Uses the library filter's windows (built once, outside processing) and its parameter;
// the sample stores, the frame and every transform are its own.
class CRefNoiseReduction : public CNoiseReduction {
public:
    CRefNoiseReduction() { Rebuild(); }
    IObject* Clone() override { return CloneOf(this); }
    IObject* Create() override { return new (std::nothrow) CRefNoiseReduction; }
    int32 SetBlockSize(uint32 dwSize) override
    {
        CNoiseReduction::SetBlockSize(dwSize);
        Rebuild();
        return 1;
    }
    int32 Reset() override
    {
        CNoiseReduction::Reset();
        for (int c = 0; c < 2; ++c) {
            m_In[c].Clear();
            m_In[c].m_lReadPos = 0;
            m_In[c].m_lWritePos = GetWindowSize();
            m_Out[c].Clear();
            m_Out[c].m_lWritePos = 0;
        }
        return 1;
    }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        CFilterLock lock(m_Lock);
        const uint32 dwLongest = m_dwBlockSize < kMaxBlockSize ? m_dwBlockSize : uint32(kMaxBlockSize);
        const uint32 dwCapacity = GetWindowSize() ? dwLongest : 0;
        if (dwFrames > m_dwBlockSize || dwFrames > dwCapacity || !ppIn || !ppOut) return 0;
        const int32 lFrames = int32(dwFrames);
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            m_In[c].ShiftIn(ppIn[c], lFrames);
            for (;;) {
                if (m_Out[c].Held() >= lFrames) {
                    m_Out[c].ShiftOut(ppOut[c], lFrames, bAdd);
                    break;
                }
                if (m_In[c].Held() < kHop) break;
                Frame(m_In[c], m_Out[c]);
            }
        }
        return 1;
    }

private:
    static const int32 kSize = 512;
    static const int32 kHop = 256;

    void Rebuild()
    {
        for (int c = 0; c < 2; ++c) {
            m_In[c].SetBufferSize(GetShiftSize());
            m_Out[c].SetBufferSize(GetShiftSize());
        }
        Reset();
    }

    void Frame(CRefShiftBuffer& in, CRefShiftBuffer& out)
    {
        const float fStrength = GetParameter(0);
        const float fExponent = (fStrength + fStrength) * 0.4f + 1.0f;
        const float* pfIn = in.Data() + in.m_lReadPos;
        const float* pfAnalysis = GetAnalysisWindow();
        const float* pfSynthesis = GetSynthesisWindow();
        const int32 N = GetWindowSize();
        for (int32 k = 0; k < kSize; ++k) m_fWork[k] = 0.0f;
        for (int32 j = 0; j < N; ++j) m_fWork[j % kSize] += pfIn[j] * pfAnalysis[j];
        in.IncrementRead(kHop);
        RefRealFFT(m_fWork, kSize / 2, 1);
        const double dExponent = double(fExponent);
        for (int32 k = 0; k < kSize; k += 2) {
            const float m = float(std::hypot(double(m_fWork[k]), double(m_fWork[k + 1]))) * 512.0f;
            if (m != 0.0f) {
                const float g = float(dExponent * std::pow(double(m), dExponent) / double(m));
                m_fWork[k] *= g;
                m_fWork[k + 1] *= g;
            } else {
                m_fWork[k] = 0.0f;
                m_fWork[k + 1] = 0.0f;
            }
        }
        RefRealFFT(m_fWork, kSize / 2, 0);
        float* pfOut = out.Data() + out.m_lWritePos;
        for (int32 j = 0; j < N; ++j) pfOut[j] += m_fWork[j % kSize] * pfSynthesis[j];
        out.m_lWritePos += kHop;
    }

    CRefShiftBuffer m_In[2];
    CRefShiftBuffer m_Out[2];
    float m_fWork[kSize];
};

// ---------------------------------------------------------------------------------------
// Stereo delay filter, clipper and mono mixer.

class CRefDelayFilter : public CDelayFilter {
public:
    IObject* Clone() override { return CloneOf(this); }
    IObject* Create() override { return new (std::nothrow) CRefDelayFilter; }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        CFilterLock lock(m_Lock);
        if (!ppIn[0] || !ppIn[1]) return 1;
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float x[2] = {ppIn[0][i], ppIn[1][i]};
            for (int c = 0; c < 2; ++c) {
                if (!ppOut[c]) continue;
                const float d = m_DelayUnit[c].GetLastSample();
                m_DelayUnit[c].PutSample(x[1 - c]);
                const float v = x[c] * m_fDry + d * m_fMix;
                if (bAdd)
                    ppOut[c][i] += v;
                else
                    ppOut[c][i] = v;
            }
        }
        return 1;
    }
};

class CRefClip : public CClip {
public:
    IObject* Clone() override { return CloneOf(this); }
    IObject* Create() override { return new (std::nothrow) CRefClip; }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        CFilterLock lock(m_Lock);
        if (!ppIn || !ppOut) return 1;
        for (int c = 0; c < 2; ++c) {
            if (!ppIn[c] || !ppOut[c]) continue;
            for (uint32 i = 0; i < dwFrames; ++i) {
                float x = ppIn[c][i] * m_fDrive;
                if (x > 1.0f)
                    x = 1.0f;
                else if (x < -1.0f)
                    x = -1.0f;
                const float v = x * m_fOutGain;
                ppOut[c][i] = bAdd ? ppOut[c][i] + v : v;
            }
        }
        return 1;
    }
};

class CRefMonoFilter : public CMonoFilter {
public:
    IObject* Clone() override { return CloneOf(this); }
    IObject* Create() override { return new (std::nothrow) CRefMonoFilter; }
    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd) override
    {
        CFilterLock lock(m_Lock);
        if (!ppIn || !ppOut || !ppIn[0] || !ppIn[1] || !ppOut[0] || !ppOut[1]) return 1;
        for (uint32 i = 0; i < dwFrames; ++i) {
            const float m = ppIn[0][i] + ppIn[1][i];
            const float l = m * m_fLeftGain;
            const float r = m * m_fRightGain;
            ppOut[0][i] = bAdd ? ppOut[0][i] + l : l;
            ppOut[1][i] = bAdd ? ppOut[1][i] + r : r;
        }
        return 1;
    }
};

// ---------------------------------------------------------------------------------------
// Effects built from the catalogue's definitions with the reference filters, run by the
// composite's block loop as written out step by step.

template <class T>
CFilter* RefPrototype()
{
    return new (std::nothrow) T;
}

// The reference class standing in for the filter a definition row installs.
inline CFilter* (*RefPrototypeFor(CFilter* (*pPrototype)()))()
{
    CFilter* pFilter = pPrototype();
    const int32 lCode = pFilter ? pFilter->GetUniqueID() : 0;
    if (pFilter) pFilter->Delete();
    switch (lCode) {
    case QVFourCC('Q', 'V', 'b', 'q'): return RefPrototype<CRefBiQuadFilter>;
    case QVFourCC('Q', 'V', 'c', 'p'): return RefPrototype<CRefCompander>;
    case QVFourCC('Q', 'V', 'n', 'r'): return RefPrototype<CRefNoiseReduction>;
    case QVFourCC('Q', 'V', 'd', 'l'): return RefPrototype<CRefDelayFilter>;
    case QVFourCC('Q', 'V', 'c', 'l'): return RefPrototype<CRefClip>;
    case QVFourCC('Q', 'V', 'm', 'n'): return RefPrototype<CRefMonoFilter>;
    default: return nullptr;
    }
}

// A definition whose filter rows name the reference classes; everything else is shared.
struct RefDefinition {
    explicit RefDefinition(const QVEffectDefinition& definition) : m_Definition(definition)
    {
        for (int32 k = 0; k < definition.lFilterCount; ++k) {
            m_Filters[k] = definition.pFilters[k];
            m_Filters[k].pPrototype = RefPrototypeFor(definition.pFilters[k].pPrototype);
        }
        m_Definition.pFilters = m_Filters;
    }
    bool Complete() const
    {
        for (int32 k = 0; k < m_Definition.lFilterCount; ++k)
            if (!m_Filters[k].pPrototype) return false;
        return true;
    }
    QVEffectDefinition m_Definition;
    QVFilterDef m_Filters[QV_MAX_FILTERS];
};

class CRefEffect : public CCatalogueEffect {
public:
    explicit CRefEffect(const RefDefinition& definition) : CCatalogueEffect(definition.m_Definition, QV_AUDIO_UNIT) {}

    int32 ProcessBlock(float** ppIn, float** ppOut, uint32 dwSamples, bool bAdd) override
    {
        if (!ppIn || !ppOut) return 0;
        CFilterLock lock(m_Lock);
        if (dwSamples > m_dwBlockSize) SetBlockSize(dwSamples);
        if (!IsStarted()) StartProcess();
        if (dwSamples == 0) return 1;
        std::vector<float> copies[2];
        float* pSource[2];
        for (int i = 0; i < 2; ++i) {
            pSource[i] = ppIn[i];
            if (ppIn[i] && (ppIn[i] == ppOut[0] || ppIn[i] == ppOut[1])) {
                copies[i].assign(ppIn[i], ppIn[i] + dwSamples);
                pSource[i] = copies[i].data();
            }
        }
        if (!bAdd)
            for (int i = 0; i < 2 && ppOut[i]; ++i)
                for (uint32 j = 0; j < dwSamples; ++j) ppOut[i][j] = 0.0f;
        int32 lPending = 0;
        for (int32 i = 0; i < m_lFilterCount; ++i)
            if (m_Nodes[i].m_lChannel >= 0) ++lPending;
        if (lPending == 0) {
            for (int i = 0; i < 2; ++i)
                if (pSource[i] && ppOut[i])
                    for (uint32 j = 0; j < dwSamples; ++j) ppOut[i][j] = pSource[i][j];
            return 1;
        }
        for (int32 lChain = 0; lPending > 0; ++lChain) {
            int32 lLeft = 0;
            for (int32 i = 0; i < m_lFilterCount; ++i)
                if (m_Nodes[i].m_lChannel == lChain) ++lLeft;
            lPending -= lLeft;
            bool bFirst = true;
            for (int32 i = 0; i < m_lFilterCount; ++i) {
                if (m_Nodes[i].m_lChannel != lChain) continue;
                --lLeft;
                float** ppFrom = bFirst ? pSource : m_pWork;
                if (lLeft == 0)
                    m_Nodes[i].m_pFilter->ProcessBlock(ppFrom, ppOut, dwSamples, true);
                else
                    m_Nodes[i].m_pFilter->ProcessBlock(ppFrom, m_pWork, dwSamples, false);
                bFirst = false;
            }
        }
        return 1;
    }
};

} // namespace qvref
