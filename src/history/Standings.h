// Laps of other drivers kept in the history from lap files, and a track's
// standings: every driver's best lap on it, fastest first.
//
//   LapKeyOf        the identity of a kept lap
//   KeptLapRow      a kept lap as the history lists it; StoredKeptLap whole
//   StandingRow     one driver's (and car's) best lap on a track
//   StandingsOf     the standings of a track's races and kept laps (pure)
//
// A kept lap is the lap of a race that is not one of yours: it counts in the
// standings and can be compared against, but never in your personal bests,
// your progress or "PB".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/LapFile.h"
#include "history/HistoryFigures.h"
#include "history/RaceRecord.h"

namespace vx {

// A kept lap's identity: the SHA-256 of its race key's 32 bytes, its lap
// number as 4 bytes (least significant first) and its driver's name in
// UTF-8. The same lap of the same race by the same driver is one lap
// whatever file it came in (renamed, sent twice, written again with other
// decimals); the same lap under another driver's name is another.
using LapKey = Sha256Digest;
LapKey LapKeyOf(const RaceKey& race, std::int32_t lap, const std::string& driver);

// A kept lap, without its path.
struct KeptLapRow {
    LapKey Key{};
    LayoutKey Layout{};
    std::string TrackName;
    std::string Driver;
    std::string Car;
    std::int64_t DateNs = 0;  // its race's date, to the second
    RaceKey Race{};
    std::int32_t Lap = 0;
    std::int64_t ViewTime = 0;  // hundredths
    double PreciseS = 0;
    std::int64_t KeptNs = 0;  // when it was kept
};

// A kept lap whole: what it takes to compare a lap with it. Its path's
// times run from 0 at the lap's start.
struct StoredKeptLap {
    KeptLapRow Of;
    std::vector<PathVertex> Path;
    std::vector<std::optional<double>> SpeedsKmh;  // one per vertex
};

// A kept lap found by a key prefix.
struct KeptLapMatch {
    LapKey Key{};
    std::string Driver;
    std::string TrackName;
    std::int32_t Lap = 0;
    double PreciseS = 0;
};

// One row of a track's standings.
struct StandingRow {
    enum class Of {
        OwnRace,  // the best lap of one of your races: per driver of your races and car
        KeptLap,  // a kept lap: the best of each of the other drivers
    };
    Of Kind = Of::OwnRace;
    std::int32_t Place = 0;  // from 1; equal times (within 1 us) share a place
    std::string Driver;      // "" for your races' driver when the saved games name none
    std::string Car;
    double BestS = 0;
    double GapS = 0;  // to the fastest: 0 for the first
    std::int64_t DateNs = 0;
    RaceKey Race{};
    std::int32_t Lap = 0;
    std::string FileName;  // OwnRace: the saved game where the race was seen last
    LapKey Kept{};         // KeptLap: its key
};

// The standings of a track: the best lap of each driver and car of its races
// (in date order, as Progress gives them; equal times go to the earliest
// race) and the best kept lap of each other driver (equal times: the
// earliest race, then the first kept), fastest first; the same times by
// date, your races before kept laps. Each row's gap is to the first's time. A kept lap of one of the races themselves (a
// lap of yours sent back to you) stands in the standings as that race.
std::vector<StandingRow> StandingsOf(std::span<const ProgressRow> races, std::span<const KeptLapRow> kept);

}  // namespace vx
