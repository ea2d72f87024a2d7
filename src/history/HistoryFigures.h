// What the history's reads give: best laps, the tracks with their personal
// bests (over every race, per driver, per car), a track's progress, races
// found by their key, the rows found damaged, and whether a race's saved game
// is still there.
//
// Derived, never stored: a personal best is the smallest best-lap time of
// its races, ties within 1 us going to the earliest race; the progress with
// its PB marks is worked out in date order (ties: the first recorded first).
// A player's personal best is their own: the figures of one driver (and of
// one car within a driver) take that driver's races alone, so that Zoe's
// races never lower Mara's best. The figures over every driver's races
// together are kept beside them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/RaceRecord.h"

namespace vx {

constexpr double kPersonalBestTie = 1e-6;  // seconds: closer times are equal

// A best lap in the history: a personal best is one of these.
struct BestLapOfRace {
    RaceKey Race{};
    std::int64_t DateNs = 0;
    std::string FileName;
    std::int32_t Lap = 0;
    double BestS = 0;
};

// A best lap kept in the history, whole: what it takes to compare a lap of
// another race on the same layout with it.
struct StoredBestLap {
    BestLapOfRace Of;
    std::vector<PathVertex> Path;
    // The speed at each vertex; empty when the race was recorded before the
    // history kept speeds.
    std::vector<std::optional<double>> SpeedsKmh;
};

struct CarSummary {
    std::string Car;
    std::int32_t Races = 0;
    BestLapOfRace PersonalBest;
};

// One driver's races on a track: the driver's personal best, and per car.
struct DriverSummary {
    std::string Driver;  // as the saved games name the human driver ("" where none was)
    std::int32_t Races = 0;
    BestLapOfRace PersonalBest;
    std::vector<CarSummary> Cars;  // by name
};

struct TrackSummary {
    LayoutKey Layout{};
    std::string Name;  // the newest race's spelling
    std::int32_t Races = 0;
    // Over every driver's races together.
    BestLapOfRace PersonalBest;
    std::vector<CarSummary> Cars;  // by name
    // Each driver's own.
    std::vector<DriverSummary> Drivers;  // by name
};

// One race of a track's progress.
struct ProgressRow {
    RaceKey Race{};
    std::int64_t DateNs = 0;
    std::string FileName;
    std::string Folder;
    std::int64_t FileSize = 0;
    std::string Driver;
    std::string Car;
    std::int32_t Laps = 0;
    std::int32_t BestLap = 0;
    double BestS = 0;
    std::int32_t CleanLaps = 0;
    std::optional<double> CleanMeanS;
    bool PersonalBest = false;  // it lowered the personal best of the races shown at its date
    // The track's record as the track file held it then.
    std::int32_t RecordTime = 0;
    std::string RecordDriver;
    std::string RecordCar;
};

// Whether a race's saved game is where it was seen last and holds the race:
// a file of another size has changed; one of its size and time is taken as
// it was; one of its size but another time (a copy, a file touched) is read,
// and has changed only when its bytes are not the race's.
enum class RaceFile { There, Changed, Gone };
RaceFile RaceFileOf(const ProgressRow& row);
bool FileStillThere(const ProgressRow& row);  // RaceFileOf(row) == There

// A race found by a key prefix.
struct RaceMatch {
    RaceKey Race{};
    std::string TrackName;
    std::string FileName;
    std::int64_t DateNs = 0;
};

// A row of the history that does not hold what its table promises (a key
// of another length, a race whose layout is gone, a best time that is no
// number): the reads leave it out, and the rest of the history serves.
struct DamagedRow {
    std::string Table;   // "race", "layout"
    std::int64_t Id = 0;  // its row id
    std::string Name;    // what it is of, where that can be read ("race2.gam, Kestrelvale")
    std::string Problem;  // what is wrong with it
    bool operator==(const DamagedRow&) const = default;
};
// "the history's race row 7 (race2.gam, Kestrelvale) is damaged and left
// out: its race key is 2 bytes long, not 32".
std::string DamagedRowText(const DamagedRow& row);

}  // namespace vx
