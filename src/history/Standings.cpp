#include "history/Standings.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace vx {

LapKey LapKeyOf(const RaceKey& race, std::int32_t lap, const std::string& driver)
{
    std::vector<std::uint8_t> bytes(race.begin(), race.end());
    const auto number = static_cast<std::uint32_t>(lap);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(number >> shift));
    bytes.insert(bytes.end(), driver.begin(), driver.end());
    return Sha256(bytes);
}

namespace {

// Whether a is the better of two laps: faster by more than the tie, or as
// fast and earlier (then sooner in the order given: earlier first).
bool Better(double aS, std::int64_t aDate, double bS, std::int64_t bDate)
{
    if (aS < bS - kPersonalBestTie)
        return true;
    if (bS < aS - kPersonalBestTie)
        return false;
    return aDate < bDate;
}

// The row of its driver (and car) in rows, or better than the one there.
template <typename Key>
void Offer(std::vector<StandingRow>& rows, std::map<Key, std::size_t>& places, const Key& key, StandingRow row)
{
    const auto [at, fresh] = places.try_emplace(key, rows.size());
    if (fresh)
        rows.push_back(std::move(row));
    else if (Better(row.BestS, row.DateNs, rows[at->second].BestS, rows[at->second].DateNs))
        rows[at->second] = std::move(row);
}

}  // namespace

std::vector<StandingRow> StandingsOf(std::span<const ProgressRow> races, std::span<const KeptLapRow> kept)
{
    std::vector<StandingRow> rows;
    std::set<RaceKey> ownRaces;
    // Your races: the best of each driver and car, in date order.
    std::map<std::pair<std::string, std::string>, std::size_t> own;
    for (const ProgressRow& race : races) {
        ownRaces.insert(race.Race);
        StandingRow row;
        row.Kind = StandingRow::Of::OwnRace;
        row.Driver = race.Driver;
        row.Car = race.Car;
        row.BestS = race.BestS;
        row.DateNs = race.DateNs;
        row.Race = race.Race;
        row.Lap = race.BestLap;
        row.FileName = race.FileName;
        Offer(rows, own, std::make_pair(race.Driver, race.Car), std::move(row));
    }
    // The other drivers: each one's best kept lap, whatever its car.
    std::map<std::string, std::size_t> others;
    for (const KeptLapRow& lap : kept) {
        if (ownRaces.count(lap.Race) != 0)
            continue;
        StandingRow row;
        row.Kind = StandingRow::Of::KeptLap;
        row.Driver = lap.Driver;
        row.Car = lap.Car;
        row.BestS = lap.PreciseS;
        row.DateNs = lap.DateNs;
        row.Race = lap.Race;
        row.Lap = lap.Lap;
        row.Kept = lap.Key;
        Offer(rows, others, lap.Driver, std::move(row));
    }
    // Fastest first; equal times by date, yours first, then by name. The
    // order among rows of exactly equal keys is the order above (stable).
    std::stable_sort(rows.begin(), rows.end(), [](const StandingRow& a, const StandingRow& b) {
        if (a.BestS != b.BestS)
            return a.BestS < b.BestS;
        return std::tie(a.DateNs, a.Kind, a.Driver, a.Car) < std::tie(b.DateNs, b.Kind, b.Driver, b.Car);
    });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].GapS = rows[i].BestS - rows.front().BestS;
        rows[i].Place = i > 0 && rows[i].BestS - rows[i - 1].BestS <= kPersonalBestTie
                            ? rows[i - 1].Place
                            : static_cast<std::int32_t>(i + 1);
    }
    return rows;
}

}  // namespace vx
