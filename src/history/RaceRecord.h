// A race as the history keeps it, and where it comes from: the identity of
// a saved game and of a track's layout, and the committed analysis.
//
//   LayoutBytes, KeyHex, ParseKeyPrefix   identity
//   RaceRecord                            what is kept of one race
//   RaceRecordOf                          the record of the committed load
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "state/AppState.h"
#include "toolkit/Format.h"  // DateText: a race's date as the history prints it
#include "toolkit/SystemServices.h"

namespace vx {

// The race key is the SHA-256 of the saved game's bytes; the layout key that
// of the track's bytes up to TrackInfoBase (exclusive): everything but the
// best times and their names, which the game rewrites when a record falls.
using RaceKey = Sha256Digest;
using LayoutKey = Sha256Digest;

// Lowercase hexadecimal.
std::string KeyHex(std::span<const std::uint8_t> key);

// The lowercase digits of a key prefix typed by the user; none when it holds
// anything but hexadecimal digits or is shorter than minimum.
std::optional<std::string> ParseKeyPrefix(std::string_view text, std::size_t minimum);

// The lowest and the highest key that start with these lowercase hex digits
// (as ParseKeyPrefix gives them): the keys between them are those.
std::pair<Sha256Digest, Sha256Digest> KeyRangeOf(const std::string& hexPrefix);

// Nanoseconds since 1970, now.
std::int64_t NowNs();

// One lap, as the race's own analysis gives it.
struct RaceLap {
    std::int32_t Lap = 0;
    std::int64_t ViewTime = 0;  // the lap view's time, hundredths
    double PreciseS = 0;
    std::array<std::optional<double>, 3> SectorsS;
    std::optional<double> TopSpeedKmh;
    bool Clean = false;
    bool operator==(const RaceLap&) const = default;
};

// What the history keeps of one race. Texts are UTF-8: names from the files
// decoded from Windows-1252 as shown; the file's name and folder as the
// system spells them.
struct RaceRecord {
    RaceKey Race{};
    LayoutKey Layout{};
    std::string TrackName;        // as the label strip shows it
    std::string FileName;         // the saved game where it was seen last
    std::string Folder;           // with its trailing separator
    std::int64_t DateNs = 0;      // the file's modification time: the race's date
    std::int64_t FileSize = 0;
    std::string Driver;           // the human driver's row; empty when there is none
    std::string Car;
    std::int32_t RaceFlag = 0;
    std::vector<RaceLap> Laps;    // laps 1..N
    // The default reference lap: its number, precise time and path.
    std::int32_t BestLap = 0;
    double BestS = 0;
    std::vector<PathVertex> BestPath;
    // The speed at each vertex of BestPath, as the comparison draws it: none
    // at a crossing of the line and where the sample has none.
    std::vector<std::optional<double>> BestSpeedsKmh;
    // The clean laps of the race's own analysis.
    std::int32_t CleanLaps = 0;
    std::optional<double> CleanMeanS;
    // The track's record as the track file held it: BestTime1 (hundredths;
    // 6000 or more is none), its driver and car.
    std::int32_t RecordTime = 0;
    std::string RecordDriver;
    std::string RecordCar;
};

// The human driver of the race loaded, as the history names it (UTF-8):
// whose personal best the race counts toward; "" when there is none.
std::string HumanDriverOf(const AppState& state);

// The record of the race of the committed load, dated by the saved game's
// stamp; none, with the reason, when there is nothing to compare (no saved
// game, no lap, no analysis).
std::optional<RaceRecord> RaceRecordOf(const AppState& state, const FileStamp& gameStamp,
                                       std::string& whyNot);

}  // namespace vx
