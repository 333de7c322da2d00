#include "latency.h"

#include <algorithm>
#include <map>

#include "compander.h"
#include "delayunit.h"
#include "noisereduction.h"

uint32 QVFilterLatency(CFilter* pFilter)
{
    // The noise reduction's output sample t is made from input sample t - N, N being its
    // window: the overlap-add filter bank starts with one window of silence.
    if (CNoiseReduction* p = dynamic_cast<CNoiseReduction*>(pFilter)) return uint32(p->GetWindowSize());
    // The compander's look-ahead line of L slots, written and then read at its far end,
    // delays the audio by L - 2 samples (none for L of 1 or 2). L follows from its Delay
    // parameter at the rate its settings were applied at, by the line's own length rule.
    if (dynamic_cast<CCompander*>(pFilter)) {
        const float fs = float(pFilter->GetSampleRate());
        const unsigned int dwLength =
            QVDelayLength(pFilter->GetParameter(CCompander::DELAY) * fs * 0.02f, fs * 0.02f);
        return dwLength > 2 ? dwLength - 2 : 0;
    }
    return 0;
}

uint32 QVEffectLatency(CFilter* pEffect, QVLatencyQuery pQuery)
{
    CFilterWrap* pWrap = dynamic_cast<CFilterWrap*>(pEffect);
    if (!pWrap) return pQuery(pEffect);
    std::map<int32, uint32> chains; // chain number -> summed delay
    for (int32 i = 0; i < pWrap->GetFilterCount(); ++i) {
        const CFilterNode* pNode = pWrap->GetFilterNode(i);
        if (pNode->m_lChannel < 0 || !pNode->m_pFilter) continue;
        chains[pNode->m_lChannel] += QVEffectLatency(pNode->m_pFilter, pQuery);
    }
    uint32 dwLatency = 0;
    for (const auto& chain : chains) dwLatency = std::max(dwLatency, chain.second);
    return dwLatency;
}
