// Checks what a replay search hands out against the file it searched.
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
    const auto samples = std::ssize(block->Samples);
    FuzzCheck(samples <= std::max<std::int64_t>(0, block->SampleCount),
              "no more samples than stored");
    FuzzCheck(block->Offset + kReplayHeaderBytes + kReplaySampleBytes * samples <= size,
              "the samples read lie inside the file");
}

}  // namespace vx
