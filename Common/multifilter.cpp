#include "multifilter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

static const char kSource[] = "Common/multifilter";

namespace {

// The swept filters are tuned on log10(2398.8) while their frequency display runs on
// log10(2400).
const double kTunedSpan = 2398.800537109375;
const double kShownSpan = 2400.0;

const char* const kTypeNames[] = {"Low P", "High P", "Band P", "Notch", "All P", "EQ", "Low Sh", "High Sh"};
const char* const kShapeNames[] = {"Sine", "Triangle", "Saw", "Square", "Random"};

const float kTriangle[CSweptBiQuad::TABLE_SIZE] = {0.0f,  0.25f,  0.5f,  0.75f,  1.0f,  0.75f,  0.5f,  0.25f,
                                                    0.0f, -0.25f, -0.5f, -0.75f, -1.0f, -0.75f, -0.5f, -0.25f};

// Oscillator shape of a normalized value: trunc((p x 5, in float) x 0.999).
int32 LFOShape(float p) { return QVTruncate(double(p * 5.0f) * 0.999); }

// 10^(p x 3) / 50 Hz: 0.02 to 20 Hz.
float LFORate(float p) { return float(std::pow(10.0, double(p * 3.0f)) / 50.0); }

} // namespace

// ---------------------------------------------------------------------------------------
// CSweptBiQuad

CSweptBiQuad::CSweptBiQuad()
    : m_Table(), m_Current(), m_fRate(0.0f), m_dIncrement(0.0), m_dPhase(0.0), m_lLastStep(0), m_lPhaseOffset(0),
      m_bRandom(false), m_lRandomFrom(), m_lRandomTo(), m_lCountdown(0), m_dChangePhase(0.0), m_fWet(1.0f),
      m_fDry(0.0f), m_lEntryA(), m_lEntryB(), m_dFraction(0.0)
{
}

void CSweptBiQuad::GetFilterChoice(char* pText)
{
    const int32 lType = QVBiQuadType(m_Params.GetParameter(0));
    std::strcpy(pText, lType >= 0 && lType <= 7 ? kTypeNames[lType] : "???");
}

void CSweptBiQuad::GetLFOChoice(char* pText)
{
    const int32 lShape = LFOShape(m_Params.GetParameter(4));
    std::strcpy(pText, lShape >= 0 && lShape <= 4 ? kShapeNames[lShape] : "???");
}

bool CSweptBiQuad::GetSharedName(int32 lIndex, char* pText)
{
    static const char* const kNames[] = {"Filter", "Frequency", "Q", "Gain", "LFO", "Rate", "Magnitude"};
    if (lIndex < 0 || lIndex > 6) return false;
    std::strcpy(pText, kNames[lIndex]);
    return true;
}

bool CSweptBiQuad::GetSharedLabel(int32 lIndex, char* pText)
{
    static const char* const kLabels[] = {"", "Hz", "", "dB", "", "Hz", "dB"};
    if (lIndex < 0 || lIndex > 6) return false;
    std::strcpy(pText, kLabels[lIndex]);
    return true;
}

// The type shown uses trunc(p x 8 x 0.999) while the filter uses trunc(p x 8): for p0 in
// [t / 8, t / 7.992) the display still names type t - 1.
bool CSweptBiQuad::GetSharedDisplay(int32 lIndex, char* pText)
{
    const float p = m_Params.GetParameter(lIndex);
    switch (lIndex) {
    case 0: GetFilterChoice(pText); break;
    case 1:
        std::snprintf(pText, QV_DISPLAY_SIZE, "%d",
                      QVTruncate(std::pow(10.0, 1.0 + double(p) * std::log10(kShownSpan))));
        break;
    case 2: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(QVBiQuadQ(p))); break;
    case 3: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 80.0f - 40.0f)); break;
    case 4: GetLFOChoice(pText); break;
    case 5: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(LFORate(p))); break;
    case 6: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 100.0f)); break;
    default: return false;
    }
    return true;
}

// The increment is kept below one cycle (16 steps) so that one subtraction wraps the
// position; only rates far beyond the 20 Hz of the parameter range are affected. A
// non-finite increment (a wild rate or a zero sample rate) stops the oscillator.
void CSweptBiQuad::ActivateSweep()
{
    m_fRate = LFORate(m_Params.GetParameter(5));
    const double dIncrement = m_fRate * 16.0f / m_fSampleRate;
    m_dIncrement = std::isfinite(dIncrement) ? std::fmod(dIncrement, double(TABLE_SIZE)) : 0.0;
    CalcLFO();
}

// Modulation values of the selected shape, scaled by the depth. An unknown shape (only
// from a value beyond 1) leaves the modulation values as they are.
void CSweptBiQuad::CalcLFO()
{
    const int32 lShape = LFOShape(m_Params.GetParameter(4));
    const float fDepth = m_Params.GetParameter(6);
    const bool bWasRandom = m_bRandom;
    m_bRandom = lShape == RANDOM;
    if (lShape >= SINE && lShape <= RANDOM) {
        for (int k = 0; k < TABLE_SIZE; ++k) {
            float v;
            switch (lShape) {
            case SINE: v = float(std::sin(2.0 * M_PI * k / TABLE_SIZE)); break;
            case TRIANGLE: v = kTriangle[k]; break;
            case SQUARE: v = k < TABLE_SIZE / 2 ? 1.0f : -1.0f; break;
            default: v = 2.0f * float(k) / 16.0f - 1.0f; break; // saw and random
            }
            m_Table[k].fModulation = v * fDepth;
        }
    }
    // Entering the random shape restarts its glide here: a glide left from an earlier
    // random spell would otherwise extrapolate the coefficients far beyond the table.
    if (m_bRandom && !bWasRandom) {
        m_lCountdown = 0;
        m_lLastStep = -1;
    }
    CalcFilter();
}

// Entry k sits at f0 x 8^v[k], below fs / 2.01.
void CSweptBiQuad::CalcFilter()
{
    const float f0 = QVBiQuadFrequency(m_Params.GetParameter(1), std::log10(kTunedSpan));
    const float fQ = QVBiQuadQ(m_Params.GetParameter(2));
    const float fGainDB = m_Params.GetParameter(3) * 80.0f - 40.0f;
    const MFilterType type = QVTruncate(m_Params.GetParameter(0) * 8.0f);
    const float fLimit = float(double(m_fSampleRate) / 2.01);
    const double dLog8 = std::log10(8.0), dLogF0 = std::log10(double(f0));
    for (int k = 0; k < TABLE_SIZE; ++k) {
        const float f = float(std::pow(10.0, dLog8 * double(m_Table[k].fModulation) + dLogF0));
        m_Table[k].fFrequency = std::min(f, fLimit);
        CalcTaps(&m_Table[k], type, fQ, fGainDB);
    }
}

void CSweptBiQuad::CalcTaps(_FilterTaps* pTaps, MFilterType type, float fQ, float fGainDB)
{
    QVBiQuadTaps(pTaps, type, pTaps->fFrequency, m_fSampleRate, fQ, fGainDB);
}

// The position is wrapped into one cycle; the random glide's reference points move with
// it, so steps, entries and fractions are those of the unwrapped position.
void CSweptBiQuad::AdvanceOscillator(int lChannels)
{
    m_dPhase += m_dIncrement;
    if (m_dPhase >= double(TABLE_SIZE)) {
        m_dPhase -= double(TABLE_SIZE);
        if (m_bRandom) {
            m_dChangePhase -= double(TABLE_SIZE);
            m_lLastStep -= TABLE_SIZE;
        }
    }
    const int32 n = int32(m_dPhase);
    if (m_bRandom) {
        // Once per cycle each channel picks a new step of the saw table and glides there.
        if (n != m_lLastStep) {
            if (--m_lCountdown < 1) {
                for (int c = 0; c < lChannels; ++c) {
                    m_lRandomFrom[c] = m_lRandomTo[c];
                    m_lRandomTo[c] = m_Random.Next() % TABLE_SIZE;
                }
                m_lCountdown = TABLE_SIZE;
                m_dChangePhase = m_dPhase;
            }
            m_lLastStep = n;
        }
        m_dFraction = (m_dPhase - m_dChangePhase) * 0.0625;
        for (int c = 0; c < 2; ++c) {
            m_lEntryA[c] = m_lRandomFrom[c];
            m_lEntryB[c] = m_lRandomTo[c];
        }
    } else {
        m_dFraction = m_dPhase - n;
        for (int c = 0; c < 2; ++c) {
            m_lEntryA[c] = (c * m_lPhaseOffset + n) % TABLE_SIZE;
            m_lEntryB[c] = (m_lEntryA[c] + 1) % TABLE_SIZE;
        }
    }
}

// Interpolates between the two entries, or copies the first where the shape is flat.
void CSweptBiQuad::SelectTaps(int c)
{
    const _FilterTaps& a = m_Table[m_lEntryA[c]];
    const _FilterTaps& b = m_Table[m_lEntryB[c]];
    _FilterTaps& current = m_Current[c];
    if (a.fModulation != b.fModulation) {
        const double t = m_dFraction;
        current.b0 = float(a.b0 + (b.b0 - a.b0) * t);
        current.b1 = float(a.b1 + (b.b1 - a.b1) * t);
        current.b2 = float(a.b2 + (b.b2 - a.b2) * t);
        current.a1 = float(a.a1 + (b.a1 - a.a1) * t);
        current.a2 = float(a.a2 + (b.a2 - a.a2) * t);
    } else {
        current = a;
    }
}

// With the countdown at 0 the first whole step after a reset draws new targets.
void CSweptBiQuad::ResetOscillator()
{
    m_dPhase = 0.0;
    m_lLastStep = 0;
    for (int c = 0; c < 2; ++c) {
        m_lRandomFrom[c] = 0;
        m_lRandomTo[c] = m_Random.Next() % TABLE_SIZE;
    }
    m_dChangePhase = 0.0;
    m_lCountdown = 0;
}

// ---------------------------------------------------------------------------------------
// CMultiFilter

CMultiFilter::CMultiFilter() : m_State()
{
    static const float kDefaults[] = {0.0f, 0.6f, 0.5f, 0.5f, 0.0f, 0.5f, 0.0f, 0.5f, 1.0f};
    m_Params.Init(9);
    for (int32 i = 0; i < 9; ++i) m_Params.SetParameter(i, kDefaults[i]);
    ActivatePreset();
    Reset();
}

IObject* CMultiFilter::Clone() { return QVCloneFilter(this); }
IObject* CMultiFilter::Create() { return new (std::nothrow) CMultiFilter; }
void CMultiFilter::GetEffectName(char* pText) { std::strcpy(pText, "Multi Filter"); }
int32 CMultiFilter::GetUniqueID() { return QVFourCC('Q', 'V', 'm', 'f'); }
int32 CMultiFilter::GetParameterCount() { return 9; }

void CMultiFilter::GetParameterName(int32 lIndex, char* pText)
{
    if (GetSharedName(lIndex, pText)) return;
    if (lIndex == 7) std::strcpy(pText, "Phase");
    if (lIndex == 8) std::strcpy(pText, "Mix");
}

void CMultiFilter::GetParameterLabel(int32 lIndex, char* pText)
{
    if (GetSharedLabel(lIndex, pText)) return;
    if (lIndex == 7) std::strcpy(pText, "Degrees");
    if (lIndex == 8) std::strcpy(pText, "Wet / Dry");
    if (lIndex >= 9) std::strcpy(pText, "");
}

void CMultiFilter::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (GetSharedDisplay(lIndex, pText)) return;
    const float p = m_Params.GetParameter(lIndex);
    if (lIndex == 7) std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 360.0f));
    if (lIndex == 8) std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate((p - 0.5f) * 200.0f));
}

// "Phase" shifts channel 1 by whole steps: 0 to 16 (a full cycle).
void CMultiFilter::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    m_lPhaseOffset = QVTruncClamp(m_Params.GetParameter(7) * 16.0f, 0, TABLE_SIZE);
    m_fWet = m_Params.GetParameter(8);
    m_fDry = 1.0f - m_fWet;
    ActivateSweep();
}

int32 CMultiFilter::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    SweepBlock(ppIn, ppOut, dwFrames, bAdd, [this](int c, float x) { return Filter(&m_Current[c], &m_State[c], x); });
    return 1;
}

int32 CMultiFilter::Reset()
{
    ResetOscillator();
    m_State[0] = _FilterState();
    m_State[1] = _FilterState();
    return 1;
}
