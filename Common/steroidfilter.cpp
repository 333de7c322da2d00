#include "steroidfilter.h"

#include <cstdio>
#include <cstring>

static const char kSource[] = "Common/steroidfilter";

// Stage count of a normalized value: trunc(p x 0.9999 x 8 + 1), 1..8, in double.
static double StageValue(float p) { return double(p) * 0.9999 * 8.0 + 1.0; }

CSteroidFilter::CSteroidFilter() : m_Stages(), m_fFeedbackIn(), m_fFeedback(0.0f), m_lStageCount(1)
{
    static const float kDefaults[] = {0.0f, 0.6f, 0.5f, 0.5f, 0.0f, 0.5f, 0.0f, 0.5f, 0.25f, 0.3f, 1.0f};
    m_Params.Init(11);
    for (int32 i = 0; i < 11; ++i) m_Params.SetParameter(i, kDefaults[i]);
    ActivatePreset();
    Reset();
}

IObject* CSteroidFilter::Clone() { return QVCloneFilter(this); }
IObject* CSteroidFilter::Create() { return new (std::nothrow) CSteroidFilter; }
void CSteroidFilter::GetEffectName(char* pText) { std::strcpy(pText, "Steroid Filter"); }
int32 CSteroidFilter::GetUniqueID() { return QVFourCC('Q', 'V', 's', 'f'); }
int32 CSteroidFilter::GetParameterCount() { return 11; }

void CSteroidFilter::GetParameterName(int32 lIndex, char* pText)
{
    static const char* const kNames[] = {"Phase", "Stages", "Feedback", "Mix"};
    if (GetSharedName(lIndex, pText)) return;
    if (lIndex >= 7 && lIndex <= 10) std::strcpy(pText, kNames[lIndex - 7]);
}

void CSteroidFilter::GetParameterLabel(int32 lIndex, char* pText)
{
    if (GetSharedLabel(lIndex, pText)) return;
    if (lIndex == 7) std::strcpy(pText, "Degrees");
    if (lIndex == 8 || lIndex == 9 || lIndex >= 11) std::strcpy(pText, "");
    if (lIndex == 10) std::strcpy(pText, "Wet / Dry");
}

void CSteroidFilter::GetParameterDisplay(int32 lIndex, char* pText)
{
    if (GetSharedDisplay(lIndex, pText)) return;
    const float p = m_Params.GetParameter(lIndex);
    switch (lIndex) {
    case 7: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p * 180.0f)); break;
    case 8: std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate(StageValue(p))); break;
    case 9: std::snprintf(pText, QV_DISPLAY_SIZE, "%.2f", double(p)); break;
    case 10: std::snprintf(pText, QV_DISPLAY_SIZE, "%d", QVTruncate((p - 0.5f) * 200.0f)); break;
    default: break;
    }
}

// "Phase" shifts channel 1 by up to half a cycle (8 steps); the stage count is held to
// 1..8. A feedback beyond the 0.95 of the parameter range makes the loop unstable, but the
// stages' runaway guard keeps it bounded.
void CSteroidFilter::ActivatePreset()
{
    CFilterLock lock(m_Lock);
    m_lPhaseOffset = QVTruncClamp(m_Params.GetParameter(7) * 8.0f, 0, TABLE_SIZE / 2);
    m_fWet = m_Params.GetParameter(10);
    m_fDry = 1.0f - m_fWet;
    m_fFeedback = float(double(m_Params.GetParameter(9)) * 0.95);
    m_lStageCount = QVTruncClamp(StageValue(QVFiniteOrZero(m_Params.GetParameter(8))), 1, MAX_STAGES);
    ActivateSweep();
}

int32 CSteroidFilter::ProcessBlock(float** ppIn, float** ppOut, uint32 dwFrames, bool bAdd)
{
    CFilterLock lock(m_Lock);
    // All stages run the channel's coefficients, each with its own history; the cascade's
    // output, scaled by the feedback, joins the next input sample.
    SweepBlock(ppIn, ppOut, dwFrames, bAdd, [this](int c, float x) {
        float s = x + m_fFeedbackIn[c];
        for (int32 k = 0; k < m_lStageCount; ++k) s = Filter(&m_Current[c], &m_Stages[c][k], s);
        m_fFeedbackIn[c] = s * m_fFeedback;
        return s;
    });
    return 1;
}

int32 CSteroidFilter::Reset()
{
    ResetOscillator();
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < MAX_STAGES; ++k) m_Stages[c][k] = _FilterState();
        m_fFeedbackIn[c] = 0.0f;
    }
    return 1;
}
