// How many samples an effect delays its input by, asked of the effect itself so that the
// renderer can line its output up with the input.
#pragma once

#include "filterwrap.h"

// Asks one elementary filter for its processing delay in samples at its current
// settings and sample rate; 0 for a filter that does not delay its signal.
typedef uint32 (*QVLatencyQuery)(CFilter* pFilter);

// The library's own answer for every filter it knows (by filter code); 0 for others.
uint32 QVFilterLatency(CFilter* pFilter);

// A composite's delay: the filters of one chain run in series, so their delays add up;
// the chains are summed, and the longest chain is the one whose content the output
// carries last. Nested composites are asked the same way. pQuery answers for the
// elementary filters.
uint32 QVEffectLatency(CFilter* pEffect, QVLatencyQuery pQuery = QVFilterLatency);
