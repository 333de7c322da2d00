#include "toneremove.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "filtertools.h"

static const char kSource[] = "Common/toneremove";

// The display runs on log10(2400), the filter on log10(2394.01513671875): 24000.0 is
// shown at p = 1 while the filter runs at 23940 Hz.
static const double kShownSpan = 2400.0;
static const double kTunedSpan = 2394.01513671875;

// Bandwidth of every section in octaves, 0..2.
static float Bandwidth(float p)
{
    const float fRoot = p * 1.4142135f;
    return fRoot * fRoot;
}

CToneRemove::CToneRemove() : m_lSections(1)
{
    std::memset(m_SectionTaps, 0, sizeof m_SectionTaps);
    std::memset(m_SectionState, 0, sizeof m_SectionState);
    m_Params.Init(4);
    m_Params.SetParameter(0, 0.1f);
    m_Params.SetParameter(1, 0.1f);
    m_Params.SetParameter(2, 0.5f);
    m_Params.SetParameter(3, 0.5f);
    ActivatePreset();
}

IObject* CToneRemove::Clone() { return QVCloneFilter(this); }
IObject* CToneRemove::Create() { return new (std::nothrow) CToneRemove; }
void CToneRemove::GetEffectName(char* pText) { std::strcpy(pText, "Tone Remover"); }
int32 CToneRemove::GetUniqueID() { return QVFourCC('Q', 'V', 't', 'r'); }
int32 CToneRemove::GetParameterCount() { return 4; }

void CToneRemove::GetParameterLabel(int32 lIndex, char* pText)
{
    std::strcpy(pText, lIndex == 0 ? "Hz" : lIndex == 2 ? "dB" : "");
}

void CToneRemove::GetParameterName(int32 lIndex, char* pText)
{
    static const char* const kNames[] = {"Frequency", "Width", "Cut", "Harmonics"};
    if (lIndex >= 0 && lIndex < 4) std::strcpy(pText, kNames[lIndex]);
}

void CToneRemove::GetParameterDisplay(int32 lIndex, char* pText)
{
    const float p = m_Params.GetParameter(lIndex);
    switch (lIndex) {
    case 0: std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(QVBiQuadFrequency(p, std::log10(kShownSpan)))); break;
    case 1: std::snprintf(pText, QV_DISPLAY_SIZE, "%.3f", double(Bandwidth(p))); break;
    case 2: std::snprintf(pText, QV_DISPLAY_SIZE, "%.1f", double(p * 80.0f) - 40.0); break;
    case 3: std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(double(p * 19.0f) + 1.0)); break;
    default: break;
    }
}

// Peaking-equaliser sections with a bandwidth in octaves. fmax keeps every section below
// half the sample rate minus a twelfth of the bandwidth; the cascade stops at the first
// harmonic that reaches it.
void CToneRemove::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    const float fs = m_fSampleRate;
    float fGain = m_Params.GetParameter(2) * 80.0f - 40.0f;
    const float f0 = QVBiQuadFrequency(m_Params.GetParameter(0), std::log10(kTunedSpan));
    const float fBandwidth = Bandwidth(m_Params.GetParameter(1));
    const float fMax = fs * fBandwidth / -12.0f + fs * 0.5f;
    const int32 lCount = QVTruncClamp(QVFiniteOrZero(m_Params.GetParameter(3)) * 19.0f + 1.0f, 1, MAX_SECTIONS);
    m_lSections = lCount;
    for (int32 k = 0; k < lCount; ++k) {
        float fk = float(k + 1) * f0;
        if (fk >= fMax) {
            if (k > 0) {
                m_lSections = k;
                break;
            }
            fk = fMax;
        }
        fGain = fGain * 0.94f;
        const double A = std::pow(10.0, double(fGain) / 40.0);
        const double w = double(fk) * 6.283185307179586 / double(fs);
        const double s = std::sin(w);
        const double alpha = std::sinh(double(fBandwidth) * 0.34657359027997264 * w / s) * s;
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha / A;
        _FilterTaps& taps = m_SectionTaps[k];
        taps.fFrequency = fk;
        taps.b0 = float((1.0 + alpha * A) / a0);
        taps.b1 = taps.a1 = float(-2.0 * c / a0);
        taps.b2 = float((1.0 - alpha * A) / a0);
        taps.a2 = float((1.0 - alpha / A) / a0);
    }
}

// Each section is a Direct Form I step; a non-normal output becomes 0 and one beyond
// +-100 also clears the section's newest history, so a runaway section restarts.
int32 CToneRemove::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    const int32 lSections = m_lSections;
    for (int c = 0; c < 2; ++c) {
        if (!ppIn[c] || !ppOut[c]) continue;
        _FilterState* pStates = m_SectionState[c];
        for (uint32 i = 0; i < dwFrames; ++i) {
            float v = ppIn[c][i];
            for (int32 k = 0; k < lSections; ++k) {
                const _FilterTaps& t = m_SectionTaps[k];
                _FilterState& st = pStates[k];
                float y = t.b0 * v + t.b1 * st.x1 + t.b2 * st.x2 - t.a1 * st.y1 - t.a2 * st.y2;
                const uint32_t uExponent = QVExponentField(y);
                if (uExponent == 0 || uExponent == 0xffu) y = 0.0f;
                if (y > 100.0f || y < -100.0f) {
                    st.x1 = 0.0f;
                    st.y1 = 0.0f;
                    y = 0.0f;
                }
                st.x2 = st.x1;
                st.x1 = v;
                st.y2 = st.y1;
                st.y1 = y;
                v = y;
            }
            QVStore(ppOut[c][i], v, bAdd);
        }
    }
    return 1;
}

int32 CToneRemove::Reset()
{
    std::memset(m_SectionState, 0, sizeof m_SectionState);
    return 1;
}
