// The laps of other drivers kept from lap files: keeping one once,
// forgetting it, listing a layout's, reading one whole; a track's standings;
// and the best lap of one of your races as a lap file carries it.
#include <utility>

#include "history/HistoryStore.h"
#include "history/PathCodec.h"
#include "history/StoreRows.h"
#include "laps/CompareFigures.h"
#include "laps/LapFilePath.h"

namespace vx {

namespace {

// The history holds kept laps from this version of its schema on: an older
// one, opened to be read alone, has none.
constexpr int kKeptLapsSince = 5;

constexpr const char* kKeptLapColumns =
    "k.lap_key, l.layout_key, k.track_name, k.driver, k.car, k.date_ns, k.race_key, k.lap, k.view_time, "
    "k.precise_s, k.kept_ns, k.id";

// A kept lap's row, its columns as kKeptLapColumns lists them; none, with
// what is wrong, when a key is not a key or the time no number.
std::optional<KeptLapRow> KeptLapIn(const Statement& read, std::string& problem)
{
    KeptLapRow row;
    const auto key = KeyIn(read, 0, "lap key", problem);
    const auto layout = key ? KeyIn(read, 1, "layout key", problem) : std::nullopt;
    const auto race = layout ? KeyIn(read, 6, "race key", problem) : std::nullopt;
    if (!race)
        return std::nullopt;
    if (!read.ColumnIsNumber(9)) {
        problem = "its time is not a number";
        return std::nullopt;
    }
    row.Key = *key;
    row.Layout = *layout;
    row.TrackName = read.ColumnText(2);
    row.Driver = read.ColumnText(3);
    row.Car = read.ColumnText(4);
    row.DateNs = read.ColumnInt64(5);
    row.Race = *race;
    row.Lap = static_cast<std::int32_t>(read.ColumnInt64(7));
    row.ViewTime = read.ColumnInt64(8);
    row.PreciseS = read.ColumnDouble(9);
    row.KeptNs = read.ColumnInt64(10);
    return row;
}

std::string KeptLapName(const Statement& read)
{
    return read.ColumnText(3) + ", " + read.ColumnText(2);
}

}  // namespace

std::optional<HistoryStore::Kept> HistoryStore::KeepLapFile(const LapFile& lap)
{
    if (!Writable())
        return std::nullopt;
    if (const auto fault = LapFault(lap)) {
        failure_ = {DatabaseFailure::Failed, "the lap is not kept: " + *fault};
        return std::nullopt;
    }
    const LapKey key = LapKeyOf(lap.Race, lap.Lap, lap.Driver);
    Transaction transaction(db_);
    if (!transaction.Begin())
        return Fail(), std::nullopt;
    {
        Statement find = db_.Cached("SELECT 1 FROM kept_lap WHERE lap_key = ?");
        find.BindBlob(0, key);
        if (find.Step()) {
            if (!transaction.Commit())
                return Fail(), std::nullopt;
            return Kept::AlreadyKept;
        }
        if (!find.Succeeded())
            return Fail(), std::nullopt;
    }
    const auto layoutId = LayoutId(lap.Layout, true);
    if (!layoutId)
        return Fail(), std::nullopt;
    std::vector<PathVertex> path;
    std::vector<std::optional<double>> speeds;
    path.reserve(lap.Path.size());
    speeds.reserve(lap.Path.size());
    for (const LapVertex& vertex : lap.Path) {
        path.push_back({vertex.X, vertex.Y, vertex.T, 0});
        speeds.push_back(vertex.SpeedKmh);
    }
    Statement insert = db_.Cached(
        "INSERT INTO kept_lap (lap_key, layout_id, track_name, driver, car, date_ns, race_key, lap, view_time, "
        "precise_s, vertices, speeds, kept_ns) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.BindBlob(0, key);
    insert.BindInt64(1, *layoutId);
    insert.BindText(2, lap.TrackName);
    insert.BindText(3, lap.Driver);
    insert.BindText(4, lap.Car);
    insert.BindInt64(5, lap.DateNs);
    insert.BindBlob(6, lap.Race);
    insert.BindInt64(7, lap.Lap);
    insert.BindInt64(8, lap.ViewTime);
    insert.BindDouble(9, lap.PreciseS);
    insert.BindBlob(10, EncodePath(path));
    insert.BindBlob(11, EncodeSpeeds(speeds));
    insert.BindInt64(12, NowNs());
    if (!insert.Run() || !transaction.Commit())
        return Fail(), std::nullopt;
    return Kept::New;
}

std::optional<bool> HistoryStore::ForgetLap(const LapKey& key)
{
    return RemoveKeyed("kept_lap", "lap_key", key);
}

std::optional<std::vector<KeptLapRow>> HistoryStore::KeptLaps(const LayoutKey& layout)
{
    failure_ = {};
    std::vector<KeptLapRow> rows;
    if (schemaVersion_ < kKeptLapsSince)
        return rows;
    Statement read = db_.Cached(
        (std::string("SELECT ") + kKeptLapColumns +
         " FROM kept_lap AS k JOIN layout AS l ON l.id = k.layout_id WHERE l.layout_key = ? "
         "ORDER BY k.precise_s, k.kept_ns, k.id")
            .c_str());
    read.BindBlob(0, layout);
    while (read.Step()) {
        std::string problem;
        if (auto row = KeptLapIn(read, problem))
            rows.push_back(std::move(*row));
        else
            NoteDamaged({"kept_lap", read.ColumnInt64(11), KeptLapName(read), problem});
    }
    if (!read.Succeeded())
        return Fail(), std::nullopt;
    return rows;
}

std::optional<StoredKeptLap> HistoryStore::KeptLap(const LapKey& key)
{
    failure_ = {};
    const auto notThere = [&] {
        failure_ = {DatabaseFailure::Failed, "lap " + KeyHex(key).substr(0, 8) + " is not in the history"};
        return std::nullopt;
    };
    if (schemaVersion_ < kKeptLapsSince)
        return notThere();
    Statement read = db_.Cached((std::string("SELECT ") + kKeptLapColumns +
                                 ", k.vertices, k.speeds FROM kept_lap AS k JOIN layout AS l ON l.id = k.layout_id "
                                 "WHERE k.lap_key = ?")
                                    .c_str());
    read.BindBlob(0, key);
    if (!read.Step()) {
        if (!read.Succeeded())
            return Fail(), std::nullopt;
        return notThere();
    }
    std::string problem;
    auto row = KeptLapIn(read, problem);
    auto path = row ? DecodePath(read.ColumnBlob(12)) : std::nullopt;
    auto speeds = path ? DecodeSpeeds(read.ColumnBlob(13)) : std::nullopt;
    if (!speeds || speeds->size() != path->size()) {
        failure_ = {DatabaseFailure::Damaged, "the kept lap " + KeyHex(key).substr(0, 8) + " is damaged" +
                                                  (problem.empty() ? std::string() : ": " + problem)};
        return std::nullopt;
    }
    return StoredKeptLap{std::move(*row), std::move(*path), std::move(*speeds)};
}

std::optional<std::vector<KeptLapMatch>> HistoryStore::FindKeptLaps(const std::string& hexPrefix)
{
    failure_ = {};
    std::vector<KeptLapMatch> matches;
    if (schemaVersion_ < kKeptLapsSince)
        return matches;
    const auto [low, high] = KeyRangeOf(hexPrefix);
    Statement find = db_.Cached(
        "SELECT lap_key, driver, track_name, lap, precise_s, id FROM kept_lap WHERE lap_key BETWEEN ? AND ? "
        "ORDER BY lap_key");
    find.BindBlob(0, low);
    find.BindBlob(1, high);
    while (find.Step()) {
        std::string problem;
        const auto key = KeyIn(find, 0, "lap key", problem);
        if (!key) {
            NoteDamaged({"kept_lap", find.ColumnInt64(5), find.ColumnText(1) + ", " + find.ColumnText(2), problem});
            continue;
        }
        matches.push_back({*key, find.ColumnText(1), find.ColumnText(2),
                           static_cast<std::int32_t>(find.ColumnInt64(3)), find.ColumnDouble(4)});
    }
    if (!find.Succeeded())
        return Fail(), std::nullopt;
    return matches;
}

std::optional<std::vector<StandingRow>> HistoryStore::Standings(const LayoutKey& layout)
{
    const auto races = Progress(layout);
    if (!races)
        return std::nullopt;
    const auto kept = KeptLaps(layout);
    if (!kept)
        return std::nullopt;
    return StandingsOf(*races, *kept);
}

std::optional<LapFile> HistoryStore::LapFileOf(const RaceKey& race)
{
    failure_ = {};
    Statement read = db_.Cached(
        "SELECT r.track_name, l.layout_key, r.driver, r.car, r.date_ns, r.best_lap, "
        "(SELECT view_time FROM lap WHERE race_id = r.id AND lap = r.best_lap) "
        "FROM race AS r JOIN layout AS l ON l.id = r.layout_id WHERE r.race_key = ?");
    if (!StepToRace(read, race))
        return std::nullopt;
    LapFile lap;
    lap.TrackName = read.ColumnText(0);
    std::string problem;
    const auto layout = KeyIn(read, 1, "layout key", problem);
    if (!layout || read.ColumnIsNull(6)) {
        failure_ = {DatabaseFailure::Damaged, "race " + KeyHex(race).substr(0, 8) + " is damaged: " +
                                                  (layout ? std::string("its best lap is not among its laps") : problem)};
        return std::nullopt;
    }
    lap.Layout = *layout;
    lap.Driver = read.ColumnText(2);
    lap.Car = read.ColumnText(3);
    lap.DateNs = read.ColumnInt64(4);
    lap.Race = race;
    lap.Lap = static_cast<std::int32_t>(read.ColumnInt64(5));
    lap.ViewTime = read.ColumnInt64(6);
    auto best = BestLap(race);
    if (!best)
        return std::nullopt;
    lap.PreciseS = best->Of.BestS;
    // The path as a lap file carries it: times from the lap's start, each
    // after the one before (a crossing that fell on a sample held once).
    lap.Path = LapFilePathOf(ProfileOfKeptLap(lap.Lap, {}, lap.PreciseS, std::move(best->Path),
                                              std::move(best->SpeedsKmh)));
    return lap;
}

std::optional<LapFile> HistoryStore::LapFileOfKept(const LapKey& key)
{
    auto kept = KeptLap(key);
    if (!kept)
        return std::nullopt;
    const KeptLapRow& of = kept->Of;
    LapFile lap{of.TrackName, of.Layout, of.Driver, of.Car, of.DateNs, of.Race, of.Lap, of.ViewTime, of.PreciseS, {}};
    lap.Path.reserve(kept->Path.size());
    for (std::size_t i = 0; i < kept->Path.size(); ++i) {
        const PathVertex& p = kept->Path[i];
        lap.Path.push_back({p.x, p.y, p.t, kept->SpeedsKmh[i]});
    }
    return lap;
}

}  // namespace vx
