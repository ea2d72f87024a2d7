// The best lap's path kept compactly: a lap of the demo's size (about 900
// timed vertices, 21 KB as doubles) takes about 6 KB, and the speed at its
// vertices about 1 KB more.
//
// Positions are kept to 1/1024 of a map pixel and times to a microsecond,
// each vertex as the difference from the one before (zigzag varints), so a
// decoded path lies within 0.0005 pixels and 0.5 microseconds of the lap's
// own: far below anything drawn or timed from it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "state/Analysis.h"

namespace vx {

std::vector<std::uint8_t> EncodePath(std::span<const PathVertex> path);

// The path again, each vertex's distance along it worked out as the analysis
// works it out; none when the bytes are not such a path.
std::optional<std::vector<PathVertex>> DecodePath(std::span<const std::uint8_t> bytes);

// The speed at each vertex of a path (none where the path has none: at a
// crossing of the line, or without a track length), kept to 1/100 km/h.
std::vector<std::uint8_t> EncodeSpeeds(std::span<const std::optional<double>> speedsKmh);

// The speeds again; none when the bytes are not such speeds.
std::optional<std::vector<std::optional<double>>> DecodeSpeeds(std::span<const std::uint8_t> bytes);

}  // namespace vx
