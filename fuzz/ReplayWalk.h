// Walks every sample that a replay search hands out, as the lap view does.
#pragma once

#include "FuzzCheck.h"
#include "formats/ReplayBlock.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace vx {

inline void WalkReplay(std::span<const std::uint8_t> file)
{
    const auto block = FindReplayBlock(file);
    if (!block)
        return;
    const auto size = static_cast<std::int64_t>(file.size());
    FuzzCheck(block->Offset >= 0 && block->Offset + kReplayHeaderBytes <= size,
              "the replay header lies inside the file");
    FuzzCheck(block->Marker == 5 || block->Marker == 16, "the replay marker is 5 or 16");
    FuzzCheck(block->WholeSamples >= 0 &&
                  block->WholeSamples <= std::max<std::int64_t>(0, block->SampleCount),
              "no more samples than stored");
    FuzzCheck(block->SampleBase + kReplaySampleBytes * block->WholeSamples <= size,
              "the samples read lie inside the file");
    std::uint64_t sum = 0;
    for (std::int64_t j = 0; j < block->WholeSamples; ++j)
        sum += block->SampleX(j) + block->SampleY(j);
    volatile std::uint64_t sink = sum;
    (void)sink;
}

}  // namespace vx
