// Stereo blocks for filter tests that follow signals through time: impulses in, one
// processed block out.
#pragma once

#include <cstddef>
#include <vector>

#include "filter.h"

namespace qvtest {

struct StereoBlock {
    std::vector<float> ch[2];
};

// Silence with the given values at frame dwAt of each channel.
inline StereoBlock StereoImpulse(std::size_t frames, float fLeft, float fRight, std::size_t at = 0)
{
    StereoBlock block{{std::vector<float>(frames), std::vector<float>(frames)}};
    block.ch[0][at] = fLeft;
    block.ch[1][at] = fRight;
    return block;
}

// One block through the filter, into fresh (zeroed) output buffers.
inline StereoBlock ProcessStereo(CFilter& filter, StereoBlock in, bool bAdd = false)
{
    StereoBlock out{{std::vector<float>(in.ch[0].size()), std::vector<float>(in.ch[1].size())}};
    float* ppIn[2] = {in.ch[0].data(), in.ch[1].data()};
    float* ppOut[2] = {out.ch[0].data(), out.ch[1].data()};
    filter.ProcessBlock(ppIn, ppOut, uint32(in.ch[0].size()), bAdd);
    return out;
}

// Sum of squares over both channels, frames first .. last - 1.
inline double Energy(const StereoBlock& block, std::size_t first, std::size_t last)
{
    double e = 0.0;
    for (const std::vector<float>& x : block.ch)
        for (std::size_t i = first; i < last; ++i) e += double(x[i]) * x[i];
    return e;
}

} // namespace qvtest
