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
// (ReplayBlock.h); the parser decodes it with the rest.
#pragma once

#include "formats/Parsed.h"
#include "formats/ReplayBlock.h"

#include <array>
#include <cstdint>
#include <span>
#include <optional>
#include <string>
#include <vector>

namespace vx {

constexpr std::int64_t kMaxGameFileBytes = 2'000'000;  // larger files are refused unread

constexpr int kMaxDrivers = 11;        // rows 1..11 of the driver table
constexpr int kNamedDrivers = 6;       // only drivers 1..6 have a name and a kind
constexpr std::int64_t kDriverCountOffset = 78;
constexpr std::int64_t kDriverNameBase = 82;
constexpr std::int64_t kDriverNameSlotBytes = 13;
constexpr std::int64_t kDriverAreaBytes = 105;   // per driver, from offset 82
constexpr std::int64_t kCarBlockBytes = 1344;
constexpr std::int64_t kTrackListEntryBytes = 56;
constexpr std::int64_t kTrackNameLimit = 39;
constexpr std::int64_t kDriverRecordBytes = 348;

// One driver of the race, as its records give it.
struct DriverRecord {
    bool Named = false;          // drivers 1..6 have a name and a kind
    std::string Name;            // empty for drivers 7..11
    bool Human = false;
    std::uint8_t AILevel = 0;
    std::string CarName;
    std::int32_t Position = 0;   // 1-based
    std::int32_t LapsDriven = 0;
    std::int32_t RaceTime = 0;   // hundredths of a second
    std::int32_t Record20 = 0;   // record fields kept for the report's row
    std::int16_t Record168 = 0;
    std::uint16_t Record170 = 0;
    std::uint16_t Record172 = 0;
    std::uint16_t Record174 = 0;
    std::int8_t Record12 = 0;
    std::int32_t SecondIndex = 0;  // 1-based

    bool operator==(const DriverRecord&) const = default;
};

struct GameData {
    std::uint8_t TyresPercent = 0;        // byte 13
    std::uint8_t ConsumptionPercent = 0;  // byte 14
    std::uint8_t DamagePercent = 0;       // byte 15
    std::uint8_t FuelMassKg = 0;          // byte 16
    std::uint8_t SpeedPercent = 0;        // byte 21

    // Where the tables lie in the file (for the parser's tests).
    std::int64_t CarBlockBase = 0;
    std::int64_t TrackListBase = 0;
    std::int64_t DriverRecordBase = 0;
    std::int64_t SecondIndexBase = 0;
    std::int64_t RaceSummaryBase = 0;
    std::int32_t TrackListCount = 0;
    std::int32_t CurrentTrackIndex = 0;  // 0..TrackListCount-1

    std::vector<DriverRecord> Drivers;  // drivers 1..DriverCount, 0..11 of them
    std::string TrackFileName;          // raced track's name + ".trk"

    float AverageAILevel = 0.0f;         // mean strength of computer drivers 1..6
    std::uint8_t AIDriverCount = 0;      // computer drivers among 1..6
    std::uint8_t HumanDriverIndex = 0;   // the last human among 1..6; 0 when none
    std::int32_t RaceFlag = 0;           // the lap view is drawn only when non-zero

    // The car's replay, found once when the file is read; none when the file
    // holds no replay block.
    std::optional<ReplayBlock> Replay;

    std::int32_t DriverCount() const { return static_cast<std::int32_t>(Drivers.size()); }
    bool operator==(const GameData&) const = default;
};

// Reads a whole saved game from its bytes: a saved game is what this parses,
// whatever the file's name. Refuses a file that begins as a track or a
// picture does (as not a saved game, saying what it is), and (as damaged,
// with a reason in a player's words that names the field and its offset) a
// driver count outside 0..11, a negative track-list count, a raced track
// index outside the list, and any field that lies outside the file. Reads
// nothing outside `file`.
Parsed<GameData> ParseGameFile(std::span<const std::uint8_t> file);

// The kind of picture a file is by its first bytes ("PNG", "JPEG", "GIF" or
// "BMP": the map this program saves is one); none when it begins as none does.
const char* PictureFormatOf(std::span<const std::uint8_t> file);

}  // namespace vx
