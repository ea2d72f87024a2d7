// The track (*.trk): its layout and its parser.
//
// Layout, offsets from the start of the file:
//   0     i16 261, then the two characters "VX" at 2
//   4     i32 TrackInfoOffset (TrackInfoBase)
//   8     u8 MapScale    9  u8 WaterLevel
//   16    i32 MapRunCount (N); 20: N + 1 run-length words of the map picture
//   HeightGridBase   22 + 2N: 64 x 64 heights
//   ObjectTableBase  HeightGridBase + 4096: i16 ObjectCount, entries of 8 bytes
//   ZoneTableBase    i8 ZoneCount, entries of 6 bytes
//   LineTableBase    i8 LineCount, entries of four i16 X1, Y1, X2, Y2
// Track-info section, offsets from TrackInfoBase:
//   -4 i32 TrackLength    0 i16 BestTime1    2 i16 BestTime2
//   14, 27 best-time names (text up to 12)   105 car block of BestTime1, its
//   name (text up to 12) first
// The parser decodes the map's runs, the height grid and the objects into
// tables of their own.
#pragma once

#include "formats/Parsed.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

constexpr std::int64_t kMaxTrackFileBytes = 1'000'000;  // larger files are refused unread

constexpr std::int16_t kTrackMagic = 261;
constexpr std::int64_t kMapRunDataOffset = 20;
constexpr std::int64_t kHeightGridBytes = 4096;
constexpr std::int64_t kObjectEntryBytes = 8;
constexpr std::int64_t kZoneEntryBytes = 6;
constexpr std::int64_t kLineEntryBytes = 8;
constexpr std::int64_t kBestTimeNameLimit = 12;
constexpr std::int16_t kNoBestTime = 6000;  // a best time of 6000 or more is none

constexpr int kHeightGridCells = 4096;

// One entry of the object table.
struct TrackObject {
    std::int8_t Type = 0;      // +0
    std::int16_t X = 0;        // +2, track units
    std::int16_t Y = 0;        // +4
    std::uint8_t Heading = 0;  // +7
    friend bool operator==(const TrackObject&, const TrackObject&) = default;
};

struct TrackData {
    std::uint8_t MapScale = 0;
    std::uint8_t WaterLevel = 0;
    std::int32_t MapRunCount = 0;  // N >= 0

    // The map picture's N + 1 run-length words, in file order.
    std::vector<std::uint16_t> MapRuns;
    // 64 x 64 heights, in file order.
    std::array<std::uint8_t, kHeightGridCells> HeightGrid{};
    std::vector<TrackObject> Objects;
    std::int8_t ZoneCount = 0;
    std::int8_t LineCount = 0;

    // Where the tables lie in the file (for the parser's tests).
    std::int32_t TrackInfoBase = 0;
    std::int64_t HeightGridBase = 0;
    std::int64_t ObjectTableBase = 0;  // at the object count; the entries follow
    std::int64_t ZoneTableBase = 0;
    std::int64_t LineTableBase = 0;

    // The lap line in map pixels, from the last line entry: X / 2 and
    // 512 - Y / 2, truncated toward zero. All zero, and HasLapLine false,
    // for a track without line entries.
    std::int32_t LapLineX1 = 0;
    std::int32_t LapLineY1 = 0;
    std::int32_t LapLineX2 = 0;
    std::int32_t LapLineY2 = 0;
    bool HasLapLine = false;

    std::int32_t TrackLength = 0;  // metres per lap
    std::int16_t BestTime1 = 0;    // hundredths of a second
    std::int16_t BestTime2 = 0;
    std::string BestTimeName1;
    std::string BestTimeName2;
    // The car of BestTime1. The file holds no car name for BestTime2.
    std::string BestTimeCarName;

    std::int32_t ObjectCount() const { return static_cast<std::int32_t>(Objects.size()); }
    bool operator==(const TrackData&) const = default;
};

// The file begins as a track does: 261, then "VX".
bool HasTrackHeader(std::span<const std::uint8_t> file);

// Reads a track from its bytes. Refuses a bad header (as not a track file),
// a negative map run, object, zone or line count, and any field or table
// that lies outside the file (as damaged), with a reason. Reads nothing
// outside `file`.
Parsed<TrackData> ParseTrackFile(std::span<const std::uint8_t> file);

// The bytes of a track that make its layout key (the race history's name
// for a track: everything but the best times and their names): up to TrackInfoBase when it
// lies inside 8..the file's length, else the whole file.
std::span<const std::uint8_t> LayoutBytes(std::span<const std::uint8_t> track,
                                          std::int64_t trackInfoBase);

}  // namespace vx
