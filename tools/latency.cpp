#include "latency.h"

#include <algorithm>
#include <map>

#include "noisereduction.h"

uint32 QVFilterLatency(CFilter* pFilter)
{
    // The noise reduction's output sample t is made from input sample t - N, N being its
    // window: the overlap-add filter bank starts with one window of silence.
    if (CNoiseReduction* p = dynamic_cast<CNoiseReduction*>(pFilter)) return uint32(p->GetWindowSize());
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
