// The test of the car's move against the track's lap line.
#pragma once

#include <cstdint>

namespace vx {

// Results of CrossesLapLine.
inline constexpr std::int8_t kMoveCrossesLine = 0;  // within 0.2 pixel, ends inclusive
inline constexpr std::int8_t kLineRightOrMissed = 1;  // wholly right, or the lines meet off a piece
inline constexpr std::int8_t kLineLeft = 2;
inline constexpr std::int8_t kLineBelow = 3;
inline constexpr std::int8_t kLineAbove = 4;
inline constexpr std::int8_t kLineParallel = 5;

// Whether the move from (px, py) to (x, y) crosses the lap line from
// (x1, y1) to (x2, y2). Each argument counts by its low 16 bits, as a signed
// 16-bit value; the arithmetic is single precision. A vertical move or line
// is leaned by one pixel, so no slope divides by zero.
std::int8_t CrossesLapLine(std::int32_t x, std::int32_t y, std::int32_t px, std::int32_t py,
                           std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);

}  // namespace vx
