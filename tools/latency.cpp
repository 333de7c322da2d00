#include "latency.h"

#include <algorithm>
#include <map>

uint32 QVFilterLatency(CFilter* /*pFilter*/)
{
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
