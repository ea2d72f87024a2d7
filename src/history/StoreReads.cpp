// Reading the history and what is derived from it: the tracks with their
// personal bests, a track's progress with its PB marks, the best of the
// other races, a race's best lap and laps, races found by their key, and
// whether a race's saved game is still there. A row found damaged is left
// out and kept to be said; the rest of the history serves.
#include "history/HistoryStore.h"

#include <algorithm>
#include <map>

#include "history/FileKinds.h"
#include "history/PathCodec.h"
#include "history/StoreRows.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// The personal best as races come in date order: a race takes it only when
// it is faster by more than the tie, so among equal times the earliest keeps it.
struct RunningBest {
    std::optional<BestLapOfRace> best;
    bool Offer(const BestLapOfRace& lap)
    {
        if (best && !(lap.BestS < best->BestS - kPersonalBestTie))
            return false;
        best = lap;
        return true;
    }
};

}  // namespace

std::optional<Sha256Digest> KeyIn(const Statement& row, int column, const char* what, std::string& problem)
{
    const std::vector<std::uint8_t> bytes = row.ColumnBlob(column);
    Sha256Digest key{};
    if (bytes.size() != key.size()) {
        problem = std::string("its ") + what + " is " + std::to_string(bytes.size()) +
                  (bytes.size() == 1 ? " byte" : " bytes") + " long, not " + std::to_string(key.size());
        return std::nullopt;
    }
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return key;
}

namespace {

// A race as a damaged row names it: its saved game and track.
std::string RaceName(const std::string& fileName, const std::string& trackName)
{
    return FileNameToUtf8(fileName) + ", " + trackName;
}

constexpr const char* kNotANumber = "its best lap's time is not a number";

HistoryFailure PathDamaged(const RaceKey& race)
{
    return {DatabaseFailure::Damaged, "the best lap's path of race " + KeyHex(race).substr(0, 8) + " is damaged"};
}

}  // namespace

std::string DamagedRowText(const DamagedRow& row)
{
    return "the history's " + row.Table + " row " + std::to_string(row.Id) +
           (row.Name.empty() ? std::string() : " (" + row.Name + ")") + " is damaged and left out: " + row.Problem;
}

void HistoryStore::NoteDamaged(DamagedRow row)
{
    const auto known = std::find_if(damaged_.begin(), damaged_.end(), [&](const DamagedRow& seen) {
        return seen.Table == row.Table && seen.Id == row.Id;
    });
    if (known == damaged_.end())
        damaged_.push_back(std::move(row));
}

// --- The tracks ---------------------------------------------------------------------------

std::optional<std::vector<TrackSummary>> HistoryStore::Tracks()
{
    struct Fold {
        std::int32_t races = 0;
        RunningBest best;
        void Offer(const BestLapOfRace& lap)
        {
            ++races;
            best.Offer(lap);
        }
    };
    struct DriverFold {
        Fold all;
        std::map<std::string, Fold> cars;
    };
    struct LayoutFold {
        std::int64_t id = 0;
        LayoutKey key{};
        bool usable = true;  // its own row is there and whole
        std::string name;
        Fold all;
        std::map<std::string, Fold> cars;
        std::map<std::string, DriverFold> drivers;
    };
    std::vector<LayoutFold> layouts;
    // Every race with its layout, in date order within each layout: one pass
    // gives every figure.
    Statement races = db_.Cached(
        "SELECT r.id, r.layout_id, l.id, l.layout_key, r.race_key, r.track_name, r.driver, r.car, r.date_ns, "
        "r.file_name, r.best_lap, r.best_s FROM race AS r LEFT JOIN layout AS l ON l.id = r.layout_id "
        "ORDER BY r.layout_id, r.date_ns, r.id");
    while (races.Step()) {
        const std::int64_t raceId = races.ColumnInt64(0);
        const std::int64_t layoutId = races.ColumnInt64(1);
        const std::string trackName = races.ColumnText(5);
        const std::string fileName = races.ColumnText(9);
        if (layouts.empty() || layouts.back().id != layoutId) {
            LayoutFold& layout = layouts.emplace_back();
            layout.id = layoutId;
            std::string problem;
            if (races.ColumnIsNull(2)) {
                layout.usable = false;
            } else if (const auto key = KeyIn(races, 3, "key", problem)) {
                layout.key = *key;
            } else {
                layout.usable = false;
                NoteDamaged({"layout", layoutId, trackName, problem});
            }
        }
        LayoutFold& layout = layouts.back();
        if (races.ColumnIsNull(2))
            NoteDamaged({"race", raceId, RaceName(fileName, trackName), "its layout is not in the history"});
        if (!layout.usable)
            continue;
        std::string problem;
        const auto key = KeyIn(races, 4, "race key", problem);
        if (!key || !races.ColumnIsNumber(11)) {
            NoteDamaged({"race", raceId, RaceName(fileName, trackName), key ? kNotANumber : problem});
            continue;
        }
        const BestLapOfRace lap{*key, races.ColumnInt64(8), fileName, static_cast<std::int32_t>(races.ColumnInt64(10)),
                                races.ColumnDouble(11)};
        layout.name = trackName;  // the newest race's, at the end
        layout.all.Offer(lap);
        const std::string car = races.ColumnText(7);
        layout.cars[car].Offer(lap);
        DriverFold& driver = layout.drivers[races.ColumnText(6)];
        driver.all.Offer(lap);
        driver.cars[car].Offer(lap);
    }
    if (!races.Succeeded())
        return Fail(), std::nullopt;

    const auto carsOf = [](const std::map<std::string, Fold>& cars) {
        std::vector<CarSummary> summaries;
        for (const auto& [name, fold] : cars)
            summaries.push_back({name, fold.races, *fold.best.best});
        return summaries;
    };
    std::vector<TrackSummary> tracks;
    for (const LayoutFold& layout : layouts) {
        if (layout.all.races == 0)
            continue;  // every race of it damaged
        TrackSummary track;
        track.Layout = layout.key;
        track.Name = layout.name;
        track.Races = layout.all.races;
        track.PersonalBest = *layout.all.best.best;
        track.Cars = carsOf(layout.cars);
        for (const auto& [name, fold] : layout.drivers)
            track.Drivers.push_back({name, fold.all.races, *fold.all.best.best, carsOf(fold.cars)});
        tracks.push_back(std::move(track));
    }
    std::stable_sort(tracks.begin(), tracks.end(), [](const TrackSummary& a, const TrackSummary& b) {
        return a.Name != b.Name ? a.Name < b.Name : a.Layout < b.Layout;
    });
    return tracks;
}

// --- A track's progress and its personal bests ------------------------------------------------

std::optional<std::vector<ProgressRow>> HistoryStore::ProgressOf(const LayoutKey& layout, const Selection& selection)
{
    const auto layoutId = LayoutId(layout, false);
    if (!layoutId) {
        if (db_.LastError().kind != DatabaseFailure::None)
            return Fail(), std::nullopt;
        return std::vector<ProgressRow>{};
    }
    std::vector<ProgressRow> rows;
    Statement races = db_.Cached(
        "SELECT race_key, date_ns, file_name, folder, file_size, driver, car, lap_count, best_lap, best_s, "
        "clean_laps, clean_mean_s, record_time, record_driver, record_car, id, track_name FROM race "
        "WHERE layout_id = ?1 AND (?2 IS NULL OR driver = ?2) AND (?3 IS NULL OR car = ?3) "
        "ORDER BY date_ns, id");
    races.BindInt64(0, *layoutId);
    if (selection.driver)
        races.BindText(1, *selection.driver);
    else
        races.BindNull(1);
    if (selection.car)
        races.BindText(2, *selection.car);
    else
        races.BindNull(2);
    // Each race's PB mark is of its own driver's best: another player's
    // races never take it.
    std::map<std::string, RunningBest> bests;
    while (races.Step()) {
        ProgressRow row;
        row.FileName = races.ColumnText(2);
        std::string problem;
        const auto key = KeyIn(races, 0, "race key", problem);
        if (!key || !races.ColumnIsNumber(9)) {
            NoteDamaged({"race", races.ColumnInt64(15), RaceName(row.FileName, races.ColumnText(16)),
                     key ? kNotANumber : problem});
            continue;
        }
        row.Race = *key;
        row.DateNs = races.ColumnInt64(1);
        row.Folder = races.ColumnText(3);
        row.FileSize = races.ColumnInt64(4);
        row.Driver = races.ColumnText(5);
        row.Car = races.ColumnText(6);
        row.Laps = static_cast<std::int32_t>(races.ColumnInt64(7));
        row.BestLap = static_cast<std::int32_t>(races.ColumnInt64(8));
        row.BestS = races.ColumnDouble(9);
        row.CleanLaps = static_cast<std::int32_t>(races.ColumnInt64(10));
        row.CleanMeanS = races.ColumnOptionalDouble(11);
        row.RecordTime = static_cast<std::int32_t>(races.ColumnInt64(12));
        row.RecordDriver = races.ColumnText(13);
        row.RecordCar = races.ColumnText(14);
        row.PersonalBest = bests[row.Driver].Offer({row.Race, row.DateNs, row.FileName, row.BestLap, row.BestS});
        rows.push_back(std::move(row));
    }
    if (!races.Succeeded())
        return Fail(), std::nullopt;
    return rows;
}

std::optional<std::vector<ProgressRow>> HistoryStore::Progress(const LayoutKey& layout,
                                                               const std::optional<std::string>& car)
{
    return ProgressOf(layout, {std::nullopt, car});
}

std::optional<std::vector<ProgressRow>> HistoryStore::DriverProgress(const LayoutKey& layout,
                                                                     const std::string& driver,
                                                                     const std::optional<std::string>& car)
{
    return ProgressOf(layout, {driver, car});
}

std::optional<BestLapOfRace> HistoryStore::PersonalBest(const LayoutKey& layout, const std::string& driver,
                                                        const std::optional<std::string>& car)
{
    failure_ = {};
    const auto rows = ProgressOf(layout, {driver, car});
    if (!rows)
        return std::nullopt;
    std::optional<BestLapOfRace> best;
    for (const ProgressRow& row : *rows)
        if (row.PersonalBest)
            best = BestLapOfRace{row.Race, row.DateNs, row.FileName, row.BestLap, row.BestS};
    return best;
}

std::optional<BestLapOfRace> HistoryStore::BestOfOthers(const LayoutKey& layout, const RaceKey& besides,
                                                        const Selection& selection)
{
    failure_ = {};
    const auto rows = ProgressOf(layout, selection);
    if (!rows)
        return std::nullopt;
    std::optional<BestLapOfRace> best;
    for (const ProgressRow& row : *rows)
        if (row.Race != besides && (!best || row.BestS < best->BestS - kPersonalBestTie))
            best = BestLapOfRace{row.Race, row.DateNs, row.FileName, row.BestLap, row.BestS};
    return best;
}

std::optional<BestLapOfRace> HistoryStore::BestOfOtherRaces(const LayoutKey& layout, const RaceKey& besides)
{
    return BestOfOthers(layout, besides, {});
}

std::optional<BestLapOfRace> HistoryStore::BestOfOtherRaces(const LayoutKey& layout, const RaceKey& besides,
                                                            const std::string& driver,
                                                            const std::optional<std::string>& car)
{
    return BestOfOthers(layout, besides, {driver, car});
}

// --- One race ------------------------------------------------------------------------------------

std::optional<bool> HistoryStore::Holds(const RaceKey& race)
{
    Statement find = db_.Cached("SELECT 1 FROM race WHERE race_key = ?");
    find.BindBlob(0, race);
    if (find.Step())
        return true;
    if (!find.Succeeded())
        return Fail(), std::nullopt;
    return false;
}

bool HistoryStore::StepToRace(Statement& read, const RaceKey& race)
{
    read.BindBlob(0, race);
    if (read.Step())
        return true;
    if (read.Succeeded())
        failure_ = {DatabaseFailure::Failed, "race " + KeyHex(race).substr(0, 8) + " is not in the history"};
    else
        Fail();
    return false;
}

std::optional<std::vector<PathVertex>> HistoryStore::BestLapPath(const RaceKey& race)
{
    Statement read = db_.Cached(
        "SELECT vertices FROM best_path WHERE race_id = (SELECT id FROM race WHERE race_key = ?)");
    if (!StepToRace(read, race))
        return std::nullopt;
    auto path = DecodePath(read.ColumnBlob(0));
    if (!path)
        failure_ = PathDamaged(race);
    return path;
}

std::optional<StoredBestLap> HistoryStore::BestLap(const RaceKey& race)
{
    failure_ = {};
    // A history older than the speeds has none to read.
    Statement read = db_.Cached(
        schemaVersion_ >= 3
            ? "SELECT r.date_ns, r.file_name, r.best_lap, r.best_s, p.vertices, p.speeds FROM race AS r "
              "JOIN best_path AS p ON p.race_id = r.id WHERE r.race_key = ?"
            : "SELECT r.date_ns, r.file_name, r.best_lap, r.best_s, p.vertices, NULL FROM race AS r "
              "JOIN best_path AS p ON p.race_id = r.id WHERE r.race_key = ?");
    if (!StepToRace(read, race))
        return std::nullopt;
    StoredBestLap lap;
    lap.Of = {race, read.ColumnInt64(0), read.ColumnText(1), static_cast<std::int32_t>(read.ColumnInt64(2)),
              read.ColumnDouble(3)};
    auto path = DecodePath(read.ColumnBlob(4));
    std::optional<std::vector<std::optional<double>>> speeds;
    if (!read.ColumnIsNull(5))
        speeds = DecodeSpeeds(read.ColumnBlob(5));
    if (!path || (!read.ColumnIsNull(5) && (!speeds || speeds->size() != path->size()))) {
        failure_ = PathDamaged(race);
        return std::nullopt;
    }
    lap.Path = std::move(*path);
    if (speeds)
        lap.SpeedsKmh = std::move(*speeds);
    return lap;
}

std::optional<std::vector<RaceLap>> HistoryStore::Laps(const RaceKey& race)
{
    Statement read = db_.Cached(
        "SELECT lap, view_time, precise_s, sector1_s, sector2_s, sector3_s, top_speed_kmh, clean FROM lap "
        "WHERE race_id = (SELECT id FROM race WHERE race_key = ?) ORDER BY lap");
    read.BindBlob(0, race);
    std::vector<RaceLap> laps;
    while (read.Step()) {
        RaceLap lap;
        lap.Lap = static_cast<std::int32_t>(read.ColumnInt64(0));
        lap.ViewTime = read.ColumnInt64(1);
        lap.PreciseS = read.ColumnDouble(2);
        for (int s = 0; s < 3; ++s)
            lap.SectorsS[static_cast<std::size_t>(s)] = read.ColumnOptionalDouble(3 + s);
        lap.TopSpeedKmh = read.ColumnOptionalDouble(6);
        lap.Clean = read.ColumnInt64(7) != 0;
        laps.push_back(lap);
    }
    if (!read.Succeeded())
        return Fail(), std::nullopt;
    return laps;
}

std::optional<std::vector<RaceMatch>> HistoryStore::FindRaces(const std::string& hexPrefix)
{
    const auto [low, high] = KeyRangeOf(hexPrefix);
    Statement find = db_.Cached(
        "SELECT race_key, track_name, file_name, date_ns, id FROM race WHERE race_key BETWEEN ? AND ? "
        "ORDER BY race_key");
    find.BindBlob(0, low);
    find.BindBlob(1, high);
    std::vector<RaceMatch> matches;
    while (find.Step()) {
        RaceMatch match;
        std::string problem;
        const auto key = KeyIn(find, 0, "race key", problem);
        if (!key) {
            NoteDamaged({"race", find.ColumnInt64(4), RaceName(find.ColumnText(2), find.ColumnText(1)), problem});
            continue;
        }
        match.Race = *key;
        match.TrackName = find.ColumnText(1);
        match.FileName = find.ColumnText(2);
        match.DateNs = find.ColumnInt64(3);
        matches.push_back(std::move(match));
    }
    if (!find.Succeeded())
        return Fail(), std::nullopt;
    return matches;
}

// --- A race's saved game ---------------------------------------------------------------------------

RaceFile RaceFileOf(const ProgressRow& row)
{
    const std::string path = row.Folder + row.FileName;
    const auto stamp = StampOfPath(path);
    if (!stamp)
        return RaceFile::Gone;
    if (stamp->size != row.FileSize)
        return RaceFile::Changed;
    if (stamp->modifiedNs == row.DateNs)
        return RaceFile::There;
    // Its size at another time: a copy, a file touched, or one rewritten;
    // its bytes tell. One that cannot be read is not known to hold the race.
    std::string error;
    const auto bytes = ReadFileStart(path, row.FileSize + 1, error);
    return bytes && std::ssize(*bytes) == row.FileSize && Sha256(*bytes) == row.Race ? RaceFile::There
                                                                                    : RaceFile::Changed;
}

bool FileStillThere(const ProgressRow& row)
{
    return RaceFileOf(row) == RaceFile::There;
}

}  // namespace vx
