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

namespace vx {

constexpr std::int64_t kReplayHeaderBytes = 16;
constexpr std::int64_t kReplaySampleBytes = 18;
constexpr int kReplaySamplesPerSecond = 20;

// A view of the block inside the game's bytes; valid while those bytes are.
struct ReplayBlock {
    std::int64_t Offset = 0;       // of the signature
    std::uint8_t Marker = 0;       // 5 or 16
    std::int64_t SampleBase = 0;   // Offset + 16
    std::int32_t SampleCount = 0;  // as stored; may promise more than the file holds
    // The samples that are read: SampleCount, but never more than the whole
    // samples inside the file, and never below 0. A file cut inside the replay
    // keeps the samples it holds.
    std::int64_t WholeSamples = 0;

    // Sample j, 0 <= j < WholeSamples (0 for any other j).
    std::uint16_t SampleX(std::int64_t j) const { return Word(j, 0); }
    std::uint16_t SampleY(std::int64_t j) const { return Word(j, 4); }

    std::span<const std::uint8_t> Game;

private:
    std::uint16_t Word(std::int64_t j, std::int64_t field) const
    {
        if (j < 0 || j >= WholeSamples)
            return 0;
        const std::uint8_t* p = Game.data() + SampleBase + kReplaySampleBytes * j + field;
        return static_cast<std::uint16_t>(p[0] | p[1] << 8);
    }
};

// Finds the replay block in a saved game's bytes; none when no signature with
// a whole header lies inside them.
std::optional<ReplayBlock> FindReplayBlock(std::span<const std::uint8_t> game);

}  // namespace vx
