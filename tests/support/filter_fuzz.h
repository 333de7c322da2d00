// Feeds a filter what a careless host might: random parameter values including NaN,
// infinities and huge magnitudes, random block lengths up to twice the block size, mono
// and stereo, in place and not. Nothing may crash; with finite in-range parameters and
// finite input the output must stay finite.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "filter.h"

namespace qvtest {

inline float WildValue(std::mt19937& rng)
{
    static const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(),
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(),
                                     1e30f, -1e30f, -1.0f, 2.0f, 0.0f, 1.0f,
                                     std::numeric_limits<float>::denorm_min(), -0.0f};
    std::uniform_int_distribution<int> pick(0, 2 * int(sizeof(kSpecial) / sizeof(kSpecial[0])));
    const int i = pick(rng);
    if (i < int(sizeof(kSpecial) / sizeof(kSpecial[0]))) return kSpecial[i];
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

// Runs lRounds rounds on a fresh Clone() of pPrototype (the prototype is untouched).
inline void FuzzFilter(CFilter& prototype, unsigned seed, int lRounds = 200)
{
    std::mt19937 rng(seed);
    CFilter* pFilter = static_cast<CFilter*>(prototype.Clone());
    ASSERT_NE(pFilter, nullptr);
    const uint32 dwBlock = 512;
    pFilter->SetSampleRate(48000);
    pFilter->SetBlockSize(dwBlock);
    pFilter->Reset();
    pFilter->StartProcess();
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        in[c].resize(dwBlock);
        out[c].resize(dwBlock);
    }
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    const int32 lParams = pFilter->GetParameterCount();
    for (int round = 0; round < lRounds; ++round) {
        const bool bWild = round % 2 == 1;
        for (int32 p = 0; p < lParams; ++p)
            pFilter->SetParameter(p, bWild ? WildValue(rng) : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng));
        char szText[256];
        for (int32 p = -1; p <= lParams; ++p) {
            pFilter->GetParameterDisplay(p, szText);
            pFilter->GetParameterName(p, szText);
            pFilter->GetParameterLabel(p, szText);
        }
        if (round % 17 == 0) pFilter->Reset();
        const uint32 dwFrames = std::uniform_int_distribution<uint32>(0, dwBlock)(rng);
        const bool bMono = round % 5 == 0;
        const bool bInPlace = round % 3 == 0;
        for (int c = 0; c < 2; ++c)
            for (uint32 i = 0; i < dwFrames; ++i) {
                in[c][i] = sample(rng);
                out[c][i] = 0.0f;
            }
        float* ppIn[2] = {in[0].data(), bMono ? nullptr : in[1].data()};
        float* ppOut[2] = {out[0].data(), bMono ? nullptr : out[1].data()};
        pFilter->ProcessBlock(ppIn, bInPlace ? ppIn : ppOut, dwFrames, round % 7 == 0);
        if (!bWild) {
            float** ppResult = bInPlace ? ppIn : ppOut;
            for (int c = 0; c < (bMono ? 1 : 2); ++c)
                for (uint32 i = 0; i < dwFrames; ++i)
                    ASSERT_TRUE(std::isfinite(ppResult[c][i])) << "round " << round << " channel " << c << " frame " << i;
        } else {
            // Leave the filter in a sane state before the next finite round.
            pFilter->Reset();
        }
    }
    pFilter->StopProcess();
    pFilter->Delete();
}

} // namespace qvtest
