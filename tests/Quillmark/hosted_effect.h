// What the soak and load tests share: a catalogue effect set up as a host sets one up,
// and a fingerprint of long outputs that need not be kept to be compared.
#pragma once

#include <cstdint>
#include <cstring>

#include "catalogue.h"

namespace qvtest {

// A new effect ready for its first stereo block: preset 0 as on loading, the sample
// rate, two channels, the block size, then a reset, which starts it. Null when memory
// is short.
inline CFilterWrap* NewHostedEffect(const QVEffectInfo& info, uint32 dwRate, uint32 dwBlock)
{
    CFilterWrap* p = info.pCreate();
    if (!p) return nullptr;
    p->SetPreset(0);
    p->SetSampleRate(dwRate);
    p->SetChannels(2);
    p->SetBlockSize(dwBlock);
    p->Reset();
    return p;
}

const uint64_t kHashStart = 14695981039346656037ull;

// FNV-1a over the bits of the samples, continuing qwHash.
inline void HashSamples(uint64_t& qwHash, const float* pSamples, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &pSamples[i], sizeof bits);
        for (int b = 0; b < 4; ++b) qwHash = (qwHash ^ ((bits >> (8 * b)) & 0xFF)) * 1099511628211ull;
    }
}

} // namespace qvtest
