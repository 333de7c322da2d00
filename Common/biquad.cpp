#include "biquad.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "exactvector.h"

namespace {

const char* const kTypeNames[] = {"Low Pass", "High Pass", "Band Pass", "Notch",
                                  "All Pass", "EQ",        "Low Shelf", "High Shelf"};

// The filter is tuned slightly below the displayed scale (the display runs to 24000 Hz
// on log10(2400)); both spans belong to the filter's established sound and texts.
const double kTunedSpan = 2394.01513671875;
const double kShownSpan = 2400.0;

} // namespace

void QVBiQuadTaps(_FilterTaps* pTaps, int32 lType, float fFrequency, float fSampleRate, float fQ, float fGainDB)
{
    const double A = std::pow(10.0, double(fGainDB) / 40.0);
    const double w0 = double(fFrequency) * 6.283185307179586 / double(fSampleRate);
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const double alpha = s / double(2.0f * fQ);
    const double beta = std::sqrt(A) / double(fQ) * s;

    double b0, b1, b2, a0, a1, a2;
    switch (lType) {
    case LowPass:
        b0 = (1.0 - c) / 2.0;
        b1 = 1.0 - c;
        b2 = (1.0 - c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case HighPass:
        b0 = (1.0 + c) / 2.0;
        b1 = -(1.0 + c);
        b2 = (1.0 + c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case BandPass:
        b0 = alpha;
        b1 = 0.0;
        b2 = -alpha;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case Notch:
        b0 = 1.0;
        b1 = -2.0 * c;
        b2 = 1.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case AllPass:
        b0 = 1.0 - alpha;
        b1 = -2.0 * c;
        b2 = 1.0 + alpha;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case EQ:
        b0 = 1.0 + alpha * A;
        b1 = -2.0 * c;
        b2 = 1.0 - alpha * A;
        a0 = 1.0 + alpha / A;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha / A;
        break;
    case LowShelf:
        b0 = A * ((A + 1.0) - (A - 1.0) * c + beta);
        b1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * c);
        b2 = A * ((A + 1.0) - (A - 1.0) * c - beta);
        a0 = (A + 1.0) + (A - 1.0) * c + beta;
        a1 = -2.0 * ((A - 1.0) + (A + 1.0) * c);
        a2 = (A + 1.0) + (A - 1.0) * c - beta;
        break;
    default: // HighShelf, and any index the selector cannot name
        b0 = A * ((A + 1.0) + (A - 1.0) * c + beta);
        b1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * c);
        b2 = A * ((A + 1.0) + (A - 1.0) * c - beta);
        a0 = (A + 1.0) - (A - 1.0) * c + beta;
        a1 = 2.0 * ((A - 1.0) - (A + 1.0) * c);
        a2 = (A + 1.0) - (A - 1.0) * c - beta;
        break;
    }
    pTaps->b0 = float(b0 / a0);
    pTaps->b1 = float(b1 / a0);
    pTaps->b2 = float(b2 / a0);
    pTaps->a1 = float(a1 / a0);
    pTaps->a2 = float(a2 / a0);
}

CBiQuadFilter::CBiQuadFilter() : m_Taps(), m_State()
{
    m_Params.Init(4);
    m_Params.SetParameter(0, 0.0f);  // Low Pass
    m_Params.SetParameter(1, 0.6f);  // about 1065 Hz
    m_Params.SetParameter(2, 0.5f);  // Q 1
    m_Params.SetParameter(3, 0.5f);  // 0 dB
    ActivatePreset();
}

IObject* CBiQuadFilter::Clone()
{
    CBiQuadFilter* pCopy = new (std::nothrow) CBiQuadFilter;
    if (pCopy) pCopy->Copy(static_cast<CFilter*>(this));
    return pCopy;
}

IObject* CBiQuadFilter::Create() { return new (std::nothrow) CBiQuadFilter; }

void CBiQuadFilter::GetEffectName(char* pText) { std::strcpy(pText, "BiQuad Filter"); }

int32 CBiQuadFilter::GetUniqueID() { return QVFourCC('Q', 'V', 'b', 'q'); }

int32 CBiQuadFilter::GetParameterCount() { return 4; }

void CBiQuadFilter::GetParameterName(int32 lIndex, char* pText)
{
    static const char* const kNames[] = {"Filter", "Frequency", "Q", "Gain"};
    if (lIndex >= 0 && lIndex < 4) std::strcpy(pText, kNames[lIndex]);
}

void CBiQuadFilter::GetParameterLabel(int32 lIndex, char* pText)
{
    std::strcpy(pText, lIndex == 1 ? "Hz" : lIndex == 3 ? "dB" : "");
}

void CBiQuadFilter::GetParameterDisplay(int32 lIndex, char* pText)
{
    const float p = m_Params.GetParameter(lIndex);
    switch (lIndex) {
    case 0:
        GetFilterChoice(pText);
        break;
    case 1:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d",
                      QVTruncate(std::pow(10.0, 1.0 + double(p) * std::log10(kShownSpan))));
        break;
    case 2:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(QVBiQuadQ(p)));
        break;
    case 3:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 80.0f - 40.0f));
        break;
    default:
        break;
    }
}

void CBiQuadFilter::GetFilterChoice(char* pText)
{
    const int32 lType = QVBiQuadType(m_Params.GetParameter(0));
    std::strcpy(pText, lType >= 0 && lType <= 7 ? kTypeNames[lType] : "???");
}

void CBiQuadFilter::Init(FilterType type, float, float fFrequency, float fQ, float fGain)
{
    CFilterLock lock(m_Lock);
    // The middle of the type's interval: (t + 0.5) / 8 decodes back to t for t = 0..7.
    m_Params.SetParameter(0, float(2 * int32(type) + 1) / 16.0f);
    m_Params.SetParameter(1, fFrequency);
    m_Params.SetParameter(2, fQ);
    m_Params.SetParameter(3, fGain);
    ActivatePreset();
}

void CBiQuadFilter::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fGainDB = m_Params.GetParameter(3) * 80.0f - 40.0f;
    float fFrequency = QVBiQuadFrequency(m_Params.GetParameter(1), std::log10(kTunedSpan));
    const int32 lType = QVBiQuadType(m_Params.GetParameter(0));
    const float fQ = QVBiQuadQ(m_Params.GetParameter(2));
    // Keep w0 below pi whatever the rate.
    const double dLimit = double(m_fSampleRate) / 2.01;
    if (double(fFrequency) > dLimit) fFrequency = float(dLimit);
    QVBiQuadTaps(&m_Taps, lType, fFrequency, m_fSampleRate, fQ, fGainDB);
}

float CBiQuadFilter::Filter(_FilterTaps* pTaps, _FilterState* pState, float x)
{
    // A float comparison and a branch that is all but never taken: cheaper per sample
    // than a look at the exponent bits.
    if (__builtin_expect(!(std::fabs(x) <= 3.40282347e38f), 0)) x = 0.0f;
    return QVBiQuadStep(*pTaps, *pState, x);
}

namespace {

// The sample loops, one per output mode so that no sample asks for it. Each works on
// copies of the coefficients and histories, which the output stores cannot alias; the
// stereo loop runs the two channels' independent recurrences side by side.
template <bool bAdd>
void FilterChannel(_FilterTaps taps, _FilterState& history, const float* pIn, float* pOut, uint32 dwFrames)
{
    _FilterState state = history;
    for (uint32 i = 0; i < dwFrames; ++i) {
        const float y = CBiQuadFilter::Filter(&taps, &state, pIn[i]);
        pOut[i] = bAdd ? pOut[i] + y : y;
    }
    history = state;
}

// The stereo loop keeps both channels in two lanes of one register: every lane does the
// float operations of Filter in the same order, with half the instructions; a frame
// whose outputs leave the normal range up to +-50 takes the scalar guards per lane.
using qvvec::v4f;
using qvvec::v4i;

template <bool bAdd>
void FilterStereo(_FilterTaps taps, _FilterState* pHistory, float** ppIn, float** ppOut, uint32 dwFrames)
{
    const float* const pInL = ppIn[0];
    const float* const pInR = ppIn[1];
    float* const pOutL = ppOut[0];
    float* const pOutR = ppOut[1];
    const v4f b0 = v4f{} + taps.b0, b1 = v4f{} + taps.b1, b2 = v4f{} + taps.b2;
    const v4f a1 = v4f{} + taps.a1, a2 = v4f{} + taps.a2;
    v4f x1 = {pHistory[0].x1, pHistory[1].x1, 0.0f, 0.0f};
    v4f x2 = {pHistory[0].x2, pHistory[1].x2, 0.0f, 0.0f};
    v4f y1 = {pHistory[0].y1, pHistory[1].y1, 0.0f, 0.0f};
    v4f y2 = {pHistory[0].y2, pHistory[1].y2, 0.0f, 0.0f};
    const v4i kMagnitude = v4i{} + 0x7fffffff;
    for (uint32 i = 0; i < dwFrames; ++i) {
        v4f x = {pInL[i], pInR[i], 0.0f, 0.0f};
        // A non-finite input counts as 0.
        const v4f magnitude = (v4f)((v4i)x & kMagnitude);
        x = (v4f)((v4i)x & (magnitude <= 3.40282347e38f));
        v4f y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        const v4f m = (v4f)((v4i)y & kMagnitude);
        const v4i normal = (m >= 1.17549435e-38f) & (m <= 50.0f);
        if (__builtin_expect(qvvec::BothChannels(normal), 1)) {
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
        } else {
            // The guards of QVBiQuadStep, lane by lane.
            _FilterState left = {x1[0], x2[0], y1[0], y2[0]};
            _FilterState right = {x1[1], x2[1], y1[1], y2[1]};
            y = v4f{QVBiQuadStep(taps, left, x[0]), QVBiQuadStep(taps, right, x[1]), 0.0f, 0.0f};
            x1 = v4f{left.x1, right.x1, 0.0f, 0.0f};
            x2 = v4f{left.x2, right.x2, 0.0f, 0.0f};
            y1 = v4f{left.y1, right.y1, 0.0f, 0.0f};
            y2 = v4f{left.y2, right.y2, 0.0f, 0.0f};
        }
        pOutL[i] = bAdd ? pOutL[i] + y[0] : y[0];
        pOutR[i] = bAdd ? pOutR[i] + y[1] : y[1];
    }
    pHistory[0] = _FilterState{x1[0], x2[0], y1[0], y2[0]};
    pHistory[1] = _FilterState{x1[1], x2[1], y1[1], y2[1]};
}

} // namespace

int32 CBiQuadFilter::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    if (!ppIn || !ppOut) return 1;
    const bool bLeft = ppIn[0] && ppOut[0];
    const bool bRight = ppIn[1] && ppOut[1];
    if (bLeft && bRight) {
        (bAdd ? FilterStereo<true> : FilterStereo<false>)(m_Taps, m_State, ppIn, ppOut, dwFrames);
        return 1;
    }
    for (int c = 0; c < 2; ++c)
        if (ppIn[c] && ppOut[c])
            (bAdd ? FilterChannel<true> : FilterChannel<false>)(m_Taps, m_State[c], ppIn[c], ppOut[c], dwFrames);
    return 1;
}

int32 CBiQuadFilter::Reset()
{
    m_State[0] = _FilterState();
    m_State[1] = _FilterState();
    return 1;
}

int32 CBiQuadFilter::SetBlockSize(uint32 dwSize)
{
    CFilter::SetBlockSize(dwSize);
    return 1;
}
