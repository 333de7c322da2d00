// The effect a VST plug-in carries: a composite whose constructor is the definition of
// that plug-in's effect. Every plug-in is built from the same adapter and entry point;
// only the definition behind this constructor differs between them.
#pragma once

#include "filterwrap.h"

class CQVEffect : public CFilterWrap {
public:
    CQVEffect();

    // False when the definition could not be completed for lack of memory; the plug-in
    // then refuses to load rather than run a half-built effect.
    bool IsBuilt() const { return m_bBuilt; }

private:
    // Whether every table the definition filled got its memory: the lock, the current
    // values and each preset's values for every control, and every installed filter.
    bool TablesComplete() const
    {
        if (!m_Lock || m_lControlCount <= 0 || m_lPresetCount <= 0 || m_Params.GetParameterCount() != m_lControlCount)
            return false;
        for (int32 i = 0; i < m_lPresetCount; ++i)
            if (m_pPresets[i].GetParameterCount() != m_lControlCount) return false;
        for (int32 i = 0; i < m_lFilterCount; ++i)
            if (!m_Nodes[i].m_pFilter) return false;
        return true;
    }

    bool m_bBuilt;
};
