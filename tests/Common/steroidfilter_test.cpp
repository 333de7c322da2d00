#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "multifilter.h"
#include "steroidfilter.h"
#include "support/filter_checks.h"

namespace {

class CSteroidProbe : public CSteroidFilter {
public:
    using CSteroidFilter::m_Current;
    using CSteroidFilter::m_lPhaseOffset;
    using CSteroidFilter::m_lStageCount;
};

// Parameter indices; 0..6 are those of the multi-mode filter.
enum { P_TYPE, P_FREQUENCY, P_Q, P_GAIN, P_SHAPE, P_RATE, P_MAGNITUDE, P_PHASE, P_STAGES, P_FEEDBACK, P_MIX };

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

std::vector<float> Process(CFilter& filter, const std::vector<float>& x)
{
    std::vector<float> y = x;
    float* pp[2] = {y.data(), nullptr};
    filter.ProcessBlock(pp, pp, uint32(y.size()), false);
    return y;
}

TEST(SteroidFilter, Identity)
{
    CSteroidFilter filter;
    qvtest::ExpectIdentity(filter, "Steroid Filter", QVFourCC('Q', 'V', 's', 'f'),
                           {0.0f, 0.6f, 0.5f, 0.5f, 0.0f, 0.5f, 0.0f, 0.5f, 0.25f, 0.3f, 1.0f}, P_STAGES, 1.0f);
    qvtest::ExpectParameterTexts(filter, {{"Filter", ""}, {"Frequency", "Hz"}, {"Q", ""}, {"Gain", "dB"}, {"LFO", ""},
                            {"Rate", "Hz"}, {"Magnitude", "dB"}, {"Phase", "Degrees"}, {"Stages", ""},
                            {"Feedback", ""}, {"Mix", "Wet / Dry"}});
    EXPECT_EQ(qvtest::ParameterText(filter, &CFilter::GetParameterLabel, 11), "");
}

TEST(SteroidFilter, Displays)
{
    qvtest::ExpectDisplays<CSteroidFilter>({
        {P_TYPE, 0.125f, "Low P"},
        {P_SHAPE, 0.7f, "Square"},
        {P_PHASE, 0.5f, "90.00"},
        {P_PHASE, 1.0f, "180.00"},
        {P_STAGES, 0.0f, "1"},
        {P_STAGES, 0.25f, "2"},
        {P_STAGES, 1.0f, "8"},
        {P_FEEDBACK, 0.3f, "0.30"},
        {P_MIX, 1.0f, "100"},
        {P_MIX, 0.25f, "-50"},
    });
}

struct CountCase {
    int32 lIndex;
    float p;
    int32 lExpected;
};

class SteroidFilterCounts : public ::testing::TestWithParam<CountCase> {};

// Stages = trunc(p x 0.9999 x 8 + 1): 1 at 0, 2 at 0.25, 8 at 1 (8.9992); "Phase" shifts
// channel 1 by trunc(p x 8) steps, 8 (half a cycle) at most. Values outside 0..1 stay in
// those ranges; non-finite ones act as 0.
TEST_P(SteroidFilterCounts, Value)
{
    CSteroidProbe filter;
    filter.SetParameter(GetParam().lIndex, GetParam().p);
    EXPECT_EQ(GetParam().lIndex == P_STAGES ? filter.m_lStageCount : filter.m_lPhaseOffset, GetParam().lExpected);
}

INSTANTIATE_TEST_SUITE_P(
    SteroidFilter, SteroidFilterCounts,
    ::testing::Values(CountCase{P_STAGES, 0.0f, 1}, CountCase{P_STAGES, 0.25f, 2}, CountCase{P_STAGES, 0.5f, 4},
                      CountCase{P_STAGES, 1.0f, 8}, CountCase{P_STAGES, kNaN, 1}, CountCase{P_STAGES, kInf, 1},
                      CountCase{P_STAGES, 1e30f, 8}, CountCase{P_STAGES, -3.0f, 1}, CountCase{P_PHASE, 0.5f, 4},
                      CountCase{P_PHASE, 1.0f, 8}, CountCase{P_PHASE, 0.0f, 0}, CountCase{P_PHASE, 5.0f, 8},
                      CountCase{P_PHASE, kNaN, 0}));

// One stage without feedback is the multi-mode filter (with "Phase" 0 both share one
// sweep): the same samples for a swept and for a randomly gliding filter.
TEST(SteroidFilter, OneStageWithoutFeedbackIsTheMultiFilter)
{
    for (float fShape : {0.0f, 0.7f, 1.0f}) {
        CSteroidFilter steroid;
        CMultiFilter multi;
        const std::pair<int32, float> kShared[] = {{P_TYPE, 0.3f},  {P_FREQUENCY, 0.5f}, {P_Q, 0.7f},
                                                   {P_SHAPE, fShape}, {P_RATE, 0.9f},   {P_MAGNITUDE, 0.8f},
                                                   {P_PHASE, 0.0f}};
        for (const auto& s : kShared) {
            steroid.SetParameter(s.first, s.second);
            multi.SetParameter(s.first, s.second);
        }
        steroid.SetParameter(P_STAGES, 0.0f);
        steroid.SetParameter(P_FEEDBACK, 0.0f);
        steroid.Reset();
        multi.Reset();
        const std::vector<float> x = qvtest::NoiseBlock(20000, 5);
        EXPECT_EQ(Process(steroid, x), Process(multi, x)) << "shape " << fShape;
    }
}

// Without sweep and feedback, n identical stages of a low pass give n times one stage's
// attenuation in dB above the cutoff.
TEST(SteroidFilter, StagesMultiplyTheAttenuation)
{
    auto attenuation = [](float fStages) {
        CSteroidFilter filter;
        filter.SetParameter(P_FREQUENCY, 0.5f); // about 490 Hz
        filter.SetParameter(P_FEEDBACK, 0.0f);
        filter.SetParameter(P_STAGES, fStages);
        return qvtest::SineGainDb(filter, 1000.0);
    };
    const double dOne = attenuation(0.0f);
    EXPECT_LT(dOne, -10.0);
    const std::pair<float, int> kCases[] = {{0.25f, 2}, {0.5f, 4}, {1.0f, 8}};
    for (const auto& k : kCases) EXPECT_NEAR(attenuation(k.first), k.second * dOne, 0.05 * k.second) << k.second;
}

// The cascade's output, times p9 x 0.95, joins the next input sample.
TEST(SteroidFilter, FeedbackFromOutputToNextInput)
{
    CSteroidProbe filter;
    filter.SetParameter(P_STAGES, 0.25f);
    filter.SetParameter(P_FEEDBACK, 0.6f);
    const std::vector<float> x = qvtest::NoiseBlock(500, 9);
    const std::vector<float> y = Process(filter, x);
    _FilterTaps taps = filter.m_Current[0]; // fixed: no sweep
    _FilterState stages[2] = {};
    float fBack = 0.0f;
    for (size_t i = 0; i < x.size(); ++i) {
        float s = x[i] + fBack;
        for (_FilterState& stage : stages) s = QVBiQuadStep(taps, stage, s);
        fBack = s * float(0.6f * 0.95);
        ASSERT_EQ(y[i], s) << "sample " << i;
    }
}

TEST(SteroidFilter, ResetClearsStagesAndFeedback)
{
    CSteroidFilter filter;
    filter.SetParameter(P_STAGES, 1.0f);
    filter.SetParameter(P_FEEDBACK, 0.9f);
    const std::vector<float> x = qvtest::NoiseBlock(3000, 2);
    const std::vector<float> first = Process(filter, x);
    filter.Reset();
    EXPECT_EQ(Process(filter, x), first);
}

TEST(SteroidFilter, FilterContract)
{
    qvtest::ExpectBoundedDisplays<CSteroidFilter>();
    for (float fShape : {0.0f, 1.0f}) {
        CSteroidFilter filter;
        qvtest::SetParameters(filter, {{P_SHAPE, fShape},
                                       {P_MAGNITUDE, 0.8f},
                                       {P_RATE, 0.9f},
                                       {P_STAGES, 0.6f},
                                       {P_FEEDBACK, 0.7f},
                                       {P_MIX, 0.8f}});
        qvtest::ExpectFilterContract(filter);
    }
}

} // namespace
