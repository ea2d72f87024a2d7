// The saved game (*.gam): its layout and its parser.
//
// Layout, offsets from the start of the file (n = DriverCount):
//   13, 14, 15, 16, 21   u8 gauges: tyres %, consumption %, damage %, fuel kg, speed %
//   78                   i8 DriverCount
//   82 + 13(k-1)         driver k's name (text to the first NUL), k = 1..6
//   CarBlockBase         82 + 105n; n car blocks of 1344 bytes, each opening
//                        with its car name (text to the first NUL)
//   TrackListBase        CarBlockBase + 1344n: i8 TrackListCount, i8 at +4
//                        CurrentTrackIndex, entries of 56 bytes from +8 (the
//                        track name is the text up to 39 bytes)
//   DriverRecordBase     TrackListBase + 8 + 56 TrackListCount; n records of 348
//   SecondIndexBase      DriverRecordBase + 348n; one 4-byte entry per driver
//                        (i8 first), then 4n bytes
//   RaceSummaryBase      SecondIndexBase + 8n; i32 RaceFlag at +8
// The replay block lies further on and is found by its signature
// (ReplayBlock.h).
#pragma once

#include "formats/Parsed.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vx {

constexpr std::int64_t kMaxGameFileBytes = 2'000'000;  // larger files are refused unread

constexpr int kMaxDrivers = 11;        // rows 1..11 of the driver table
constexpr int kNamedDrivers = 6;       // only drivers 1..6 have a name and a kind
constexpr int kDriverRowFields = 14;
constexpr std::int64_t kDriverNameBase = 82;
constexpr std::int64_t kDriverNameSlotBytes = 13;
constexpr std::int64_t kDriverAreaBytes = 105;   // per driver, from offset 82
constexpr std::int64_t kCarBlockBytes = 1344;
constexpr std::int64_t kTrackListEntryBytes = 56;
constexpr std::int64_t kTrackNameLimit = 39;
constexpr std::int64_t kDriverRecordBytes = 348;

// Index into DriverRow::Fields (field k of the row is Fields[k - 1]).
enum DriverField : int {
    kNameField = 0,       // name (drivers 1..6; empty for 7..11)
    kKindField = 1,       // "human" or "AI " + level (drivers 1..6; empty for 7..11)
    kCarField = 2,
    kPositionField = 3,   // 1-based
    kLapsField = 4,
    kRaceTimeField = 5,   // hundredths of a second
    kRecord20Field = 6,
    kRecord168Field = 7,
    kRecord170Field = 8,
    kRecord172Field = 9,
    kRecord174Field = 10,
    kRecord12Field = 11,
    kAILevelField = 12,
    kSecondIndexField = 13,  // 1-based
};

// One driver's row of the driver table: 14 texts. The fields are kept apart,
// so a comma inside a name or car name stays inside its own field.
struct DriverRow {
    std::array<std::string, kDriverRowFields> Fields;

    // The 14 fields joined by "," exactly as they are; a row that holds no
    // driver (every field empty) gives the empty text.
    std::string Text() const;
    bool operator==(const DriverRow&) const = default;
};

struct GameData {
    std::uint8_t TyresPercent = 0;        // byte 13
    std::uint8_t ConsumptionPercent = 0;  // byte 14
    std::uint8_t DamagePercent = 0;       // byte 15
    std::uint8_t FuelMassKg = 0;          // byte 16
    std::uint8_t SpeedPercent = 0;        // byte 21

    std::int32_t DriverCount = 0;  // 0..11
    std::int64_t CarBlockBase = 0;
    std::int64_t TrackListBase = 0;
    std::int64_t DriverRecordBase = 0;
    std::int64_t SecondIndexBase = 0;
    std::int64_t RaceSummaryBase = 0;
    std::int32_t TrackListCount = 0;
    std::int32_t CurrentTrackIndex = 0;  // 0..TrackListCount-1

    std::array<DriverRow, kMaxDrivers + 1> DriverRows;  // entry 0 unused; 1..DriverCount
    std::string TrackFileName;                          // raced track's name + ".trk"

    float AverageAILevel = 0.0f;         // mean strength of computer drivers 1..6
    std::uint8_t AIDriverCount = 0;      // computer drivers among 1..6
    std::uint8_t HumanDriverIndex = 0;   // the last human among 1..6; 0 when none
    std::int32_t RaceFlag = 0;           // the lap view is drawn only when non-zero

    bool operator==(const GameData&) const = default;
};

// Reads a whole saved game from its bytes. Refuses (with a reason naming the
// field) a driver count outside 0..11, a negative track-list count, a raced
// track index outside the list, and any field that lies outside the file.
// Reads nothing outside `file`.
Parsed<GameData> ParseGameFile(std::span<const std::uint8_t> file);

}  // namespace vx
