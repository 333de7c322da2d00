// Checks every library filter must pass, whatever it does to the sound: its identity and
// parameter texts, the write/add and in-place rules of ProcessBlock, the absent-channel
// rule, a steady state free of allocations and the fuzz harness. Also a sine-level probe
// for the filters whose figures are gains at given frequencies.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "filter.h"
#include "support/alloc_counter.h"
#include "support/filter_fuzz.h"

namespace qvtest {

// One parameter's name and label; a null label means the buffer is left untouched.
struct ParamText {
    const char* pName;
    const char* pLabel;
};

inline void ExpectIdentity(CFilter& filter, const char* pEffectName, int32 lUniqueID, const std::vector<ParamText>& params)
{
    char szText[64];
    filter.GetEffectName(szText);
    EXPECT_STREQ(szText, pEffectName);
    EXPECT_EQ(filter.GetUniqueID(), lUniqueID);
    ASSERT_EQ(filter.GetParameterCount(), int32(params.size()));
    for (int32 i = 0; i < int32(params.size()); ++i) {
        std::strcpy(szText, "untouched");
        filter.GetParameterName(i, szText);
        EXPECT_STREQ(szText, params[i].pName) << "parameter " << i;
        std::strcpy(szText, "untouched");
        filter.GetParameterLabel(i, szText);
        EXPECT_STREQ(szText, params[i].pLabel ? params[i].pLabel : "untouched") << "parameter " << i;
    }
    for (int32 i : {-1, int32(params.size())}) {
        std::strcpy(szText, "untouched");
        filter.GetParameterName(i, szText);
        EXPECT_STREQ(szText, "untouched") << "name of parameter " << i;
        std::strcpy(szText, "untouched");
        filter.GetParameterDisplay(i, szText);
        EXPECT_STREQ(szText, "untouched") << "display of parameter " << i;
    }
}

// The text GetParameterDisplay writes for lIndex after SetParameter(lIndex, fValue).
inline std::string DisplayOf(CFilter& filter, int32 lIndex, float fValue)
{
    filter.SetParameter(lIndex, fValue);
    char szText[64] = "";
    filter.GetParameterDisplay(lIndex, szText);
    return szText;
}

inline std::vector<float> NoiseBlock(uint32 dwFrames, unsigned seed, float fLevel = 0.5f)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> sample(-fLevel, fLevel);
    std::vector<float> x(dwFrames);
    for (float& v : x) v = sample(rng);
    return x;
}

// A fresh copy of the prototype, reset, at 48 kHz with 512-frame blocks.
inline CFilter* FreshClone(CFilter& prototype)
{
    CFilter* pFilter = static_cast<CFilter*>(prototype.Clone());
    if (!pFilter) return nullptr;
    pFilter->SetSampleRate(48000);
    pFilter->SetBlockSize(512);
    pFilter->ActivatePreset();
    pFilter->Reset();
    return pFilter;
}

// Replace, add, in place and a half-absent channel pair, each on its own fresh clone, must
// agree: add = replace + what the output held, in place = replace. Generators (which read
// no input) process a channel whose output alone is present.
inline void ExpectBlockContract(CFilter& prototype, bool bReadsInput = true)
{
    const uint32 dwFrames = 512;
    const std::vector<float> in[2] = {NoiseBlock(dwFrames, 11), NoiseBlock(dwFrames, 12)};
    auto run = [&](std::vector<float> out[2], bool bInPlace, bool bAdd) {
        CFilter* pFilter = FreshClone(prototype);
        ASSERT_NE(pFilter, nullptr);
        std::vector<float> source[2] = {in[0], in[1]};
        float* ppIn[2] = {source[0].data(), source[1].data()};
        float* ppOut[2] = {out[0].data(), out[1].data()};
        if (bInPlace) {
            pFilter->ProcessBlock(ppIn, ppIn, dwFrames, bAdd);
            out[0] = source[0];
            out[1] = source[1];
        } else {
            pFilter->ProcessBlock(ppIn, ppOut, dwFrames, bAdd);
            EXPECT_EQ(source[0], in[0]) << "the input was modified";
        }
        pFilter->Delete();
    };
    std::vector<float> replaced[2] = {std::vector<float>(dwFrames, 0.0f), std::vector<float>(dwFrames, 0.0f)};
    run(replaced, false, false);
    std::vector<float> added[2] = {std::vector<float>(dwFrames, 0.25f), std::vector<float>(dwFrames, 0.25f)};
    run(added, false, true);
    std::vector<float> inPlace[2];
    run(inPlace, true, false);
    for (int c = 0; c < 2; ++c)
        for (uint32 i = 0; i < dwFrames; ++i) {
            ASSERT_EQ(added[c][i], replaced[c][i] + 0.25f) << "add, channel " << c << " frame " << i;
            ASSERT_EQ(inPlace[c][i], replaced[c][i]) << "in place, channel " << c << " frame " << i;
        }

    // Channel 1 with an output but no input: only a generator writes it.
    CFilter* pFilter = FreshClone(prototype);
    ASSERT_NE(pFilter, nullptr);
    std::vector<float> left = in[0], sentinel(dwFrames, 0.125f), out0(dwFrames, 0.0f);
    float* ppIn[2] = {left.data(), nullptr};
    float* ppOut[2] = {out0.data(), sentinel.data()};
    pFilter->ProcessBlock(ppIn, ppOut, dwFrames, false);
    if (bReadsInput)
        EXPECT_EQ(sentinel, std::vector<float>(dwFrames, 0.125f)) << "a channel without input was written";
    else
        EXPECT_NE(sentinel, std::vector<float>(dwFrames, 0.125f)) << "a generator left its output unwritten";
    // No channel pointers at all: nothing to touch.
    float* ppNone[2] = {nullptr, nullptr};
    pFilter->ProcessBlock(ppNone, ppNone, dwFrames, false);
    pFilter->Delete();
}

// After a first block at 512 frames, blocks and parameter changes allocate nothing.
inline void ExpectSteadyStateAllocationFree(CFilter& prototype)
{
    CFilter* pFilter = FreshClone(prototype);
    ASSERT_NE(pFilter, nullptr);
    std::vector<float> buffer[2] = {NoiseBlock(512, 21), NoiseBlock(512, 22)};
    float* pp[2] = {buffer[0].data(), buffer[1].data()};
    pFilter->ProcessBlock(pp, pp, 512, false);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::size_t uAllocations;
    {
        AllocationScope scope;
        for (int block = 0; block < 40; ++block) {
            pFilter->SetParameter(block % pFilter->GetParameterCount(), unit(rng));
            pFilter->ProcessBlock(pp, pp, block % 2 ? 512 : 100, block % 3 == 0);
        }
        uAllocations = scope.Count();
    }
    EXPECT_EQ(uAllocations, 0u);
    pFilter->Delete();
}

// Everything above plus the fuzz harness with a few seeds.
inline void ExpectFilterContract(CFilter& prototype, bool bReadsInput = true)
{
    ExpectBlockContract(prototype, bReadsInput);
    ExpectSteadyStateAllocationFree(prototype);
    for (unsigned seed : {1u, 2u, 3u}) FuzzFilter(prototype, seed);
}

// Level change in dB of a sine at dFrequency through channel 0, measured over the second
// half of dSeconds once the filter has settled.
inline double SineGainDb(CFilter& filter, double dFrequency, double dSeconds = 0.5)
{
    const uint32 dwRate = filter.GetSampleRate();
    const uint32 dwFrames = uint32(dSeconds * dwRate);
    const uint32 dwBlock = filter.GetBlockSize();
    std::vector<float> x(dwFrames), y(dwFrames);
    for (uint32 i = 0; i < dwFrames; ++i) x[i] = float(0.5 * std::sin(2.0 * M_PI * dFrequency * i / dwRate));
    for (uint32 i = 0; i < dwFrames; i += dwBlock) {
        const uint32 n = std::min(dwBlock, dwFrames - i);
        float* ppIn[2] = {x.data() + i, nullptr};
        float* ppOut[2] = {y.data() + i, nullptr};
        filter.ProcessBlock(ppIn, ppOut, n, false);
    }
    double dIn = 0.0, dOut = 0.0;
    for (uint32 i = dwFrames / 2; i < dwFrames; ++i) {
        dIn += double(x[i]) * x[i];
        dOut += double(y[i]) * y[i];
    }
    return 10.0 * std::log10(dOut / dIn);
}

} // namespace qvtest
