// The replay block of a saved game: the car's position 20 times per second.
//
// The block has no fixed offset. It is the first place in the file, searching
// from offset 0 upward, whose four bytes are 5 or 16, 1, 'R', 'P' and whose
// whole 16-byte header lies inside the file:
//   +0  u8 5 or 16    +1 u8 1    +2 'R'    +3 'P'
//   +8  i32 SampleCount
//   +16 samples of 18 bytes: u16 X at +0, u16 Y at +4 (track map units)
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vx {

constexpr std::int64_t kReplayHeaderBytes = 16;
constexpr std::int64_t kReplaySampleBytes = 18;
constexpr int kReplaySamplesPerSecond = 20;

// One replay sample's position.
struct ReplaySample {
    std::uint16_t SampleX = 0;
    std::uint16_t SampleY = 0;
    friend bool operator==(ReplaySample, ReplaySample) = default;
};

struct ReplayBlock {
    std::int64_t Offset = 0;       // of the signature
    std::uint8_t Marker = 0;       // 5 or 16
    std::int32_t SampleCount = 0;  // as stored; may promise more than the file holds
    // The samples read: SampleCount, but never more than the whole samples
    // inside the file, and never below 0. A file cut inside the replay keeps
    // the samples it holds.
    std::vector<ReplaySample> Samples;

    bool operator==(const ReplayBlock&) const = default;
};

// Finds and reads the replay block of a saved game's bytes; none when no
// signature with a whole header lies inside them.
std::optional<ReplayBlock> FindReplayBlock(std::span<const std::uint8_t> game);

}  // namespace vx
