// What every elementary filter owes the composite and the host, checked on a configured
// prototype: processing in place gives the same samples as separate buffers, bAdd adds
// exactly the replacing result, a channel missing its input pointer is never written (a
// generator, which reads no input, writes every channel with an output), and once the
// first block has run processing allocates nothing. Also a sine-level probe for filters
// judged by their gains at given frequencies.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "filter.h"
#include "support/alloc_counter.h"
#include "support/filter_fuzz.h"

namespace qvtest {

// The text one of the filter's text getters writes for a parameter; "untouched" when it
// writes nothing.
inline std::string ParameterText(CFilter& filter, void (CFilter::*pGet)(int32, char*), int32 lIndex)
{
    char szText[64] = "untouched";
    (filter.*pGet)(lIndex, szText);
    return szText;
}

// A stereo test block: independent noise on each channel, scaled well below full scale.
inline std::vector<float> NoiseBlock(uint32 dwFrames, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    std::vector<float> x(dwFrames);
    for (float& v : x) v = sample(rng);
    return x;
}

// A fresh clone of the prototype, started at 48 kHz with the given block size.
inline CFilter* StartedClone(CFilter& prototype, uint32 dwBlock)
{
    CFilter* pFilter = static_cast<CFilter*>(prototype.Clone());
    if (!pFilter) return nullptr;
    pFilter->SetSampleRate(48000);
    pFilter->SetBlockSize(dwBlock);
    pFilter->Reset();
    pFilter->StartProcess();
    return pFilter;
}

inline void ExpectBlockContract(CFilter& prototype, bool bReadsInput = true)
{
    const uint32 kFrames = 256;
    const std::vector<float> in[2] = {NoiseBlock(kFrames, 11), NoiseBlock(kFrames, 12)};
    const std::vector<float> prior[2] = {NoiseBlock(kFrames, 21), NoiseBlock(kFrames, 22)};

    // Reference: separate buffers, replacing. Two blocks, so running state is carried.
    CFilter* pRef = StartedClone(prototype, kFrames);
    CFilter* pInPlace = StartedClone(prototype, kFrames);
    CFilter* pAdd = StartedClone(prototype, kFrames);
    ASSERT_TRUE(pRef && pInPlace && pAdd);
    for (int block = 0; block < 2; ++block) {
        std::vector<float> src[2] = {in[0], in[1]};
        std::vector<float> ref[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
        float* ppSrc[2] = {src[0].data(), src[1].data()};
        float* ppRef[2] = {ref[0].data(), ref[1].data()};
        pRef->ProcessBlock(ppSrc, ppRef, kFrames, false);
        EXPECT_EQ(src[0], in[0]) << "the input of a separate-buffer call is read only";

        std::vector<float> io[2] = {in[0], in[1]};
        float* ppIo[2] = {io[0].data(), io[1].data()};
        pInPlace->ProcessBlock(ppIo, ppIo, kFrames, false);

        std::vector<float> sum[2] = {prior[0], prior[1]};
        float* ppSum[2] = {sum[0].data(), sum[1].data()};
        pAdd->ProcessBlock(ppSrc, ppSum, kFrames, true);

        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(io[c], ref[c]) << "in place, block " << block << " channel " << c;
            for (uint32 i = 0; i < kFrames; ++i)
                ASSERT_EQ(sum[c][i], prior[c][i] + ref[c][i]) << "bAdd, block " << block << " channel " << c << " frame " << i;
        }
    }

    // Missing input pointers: that output channel keeps what it held, unless the filter
    // generates its output without reading any input.
    for (int missing = 0; missing < 2; ++missing) {
        std::vector<float> src[2] = {in[0], in[1]};
        std::vector<float> out[2] = {prior[0], prior[1]};
        float* ppIn[2] = {src[0].data(), src[1].data()};
        float* ppOut[2] = {out[0].data(), out[1].data()};
        ppIn[missing] = nullptr;
        pRef->ProcessBlock(ppIn, ppOut, kFrames, false);
        if (bReadsInput)
            EXPECT_EQ(out[missing], prior[missing]) << "channel " << missing << " has no input";
        else
            EXPECT_NE(out[missing], prior[missing]) << "generator channel " << missing << " left unwritten";
    }
    pRef->Delete();
    pInPlace->Delete();
    pAdd->Delete();
}

inline void ExpectNoSteadyStateAllocation(CFilter& prototype)
{
    const uint32 kBlock = 512;
    CFilter* pFilter = StartedClone(prototype, kBlock);
    ASSERT_NE(pFilter, nullptr);
    std::vector<float> buffer[2] = {NoiseBlock(kBlock, 1), NoiseBlock(kBlock, 2)};
    float* pp[2] = {buffer[0].data(), buffer[1].data()};
    pFilter->ProcessBlock(pp, pp, kBlock, false);
    const AllocationScope scope;
    for (int block = 0; block < 64; ++block) {
        pFilter->ProcessBlock(pp, pp, kBlock, block % 2 == 1);
        pFilter->ProcessBlock(pp, pp, kBlock / 3, false);
    }
    EXPECT_EQ(scope.Count(), 0u);
    pFilter->Delete();
}

// The block contract, the allocation check and the fuzz harness with a few seeds.
inline void ExpectFilterContract(CFilter& prototype, bool bReadsInput = true)
{
    ExpectBlockContract(prototype, bReadsInput);
    ExpectNoSteadyStateAllocation(prototype);
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
        float* ppIn[2] = {x.data() + i, nullptr};
        float* ppOut[2] = {y.data() + i, nullptr};
        filter.ProcessBlock(ppIn, ppOut, std::min(dwBlock, dwFrames - i), false);
    }
    double dIn = 0.0, dOut = 0.0;
    for (uint32 i = dwFrames / 2; i < dwFrames; ++i) {
        dIn += double(x[i]) * x[i];
        dOut += double(y[i]) * y[i];
    }
    return 10.0 * std::log10(dOut / dIn);
}

} // namespace qvtest
