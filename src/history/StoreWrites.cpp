// Writing the history: recording races whole, the saved games seen (so that
// an unchanged file is not read again), forgetting a race, the settings.
#include "history/HistoryStore.h"

#include "history/PathCodec.h"
#include "toolkit/Text.h"

namespace vx {

std::optional<std::int64_t> HistoryStore::LayoutId(const LayoutKey& layout, bool create)
{
    {
        Statement find = db_.Cached("SELECT id FROM layout WHERE layout_key = ?");
        find.BindBlob(0, layout);
        if (find.Step())
            return find.ColumnInt64(0);
        if (!find.Succeeded() || !create)
            return std::nullopt;
    }
    Statement insert = db_.Cached("INSERT INTO layout (layout_key) VALUES (?)");
    insert.BindBlob(0, layout);
    if (!insert.Run())
        return std::nullopt;
    return db_.LastInsertRowId();
}

std::optional<HistoryStore::Recorded> HistoryStore::Record(
    const RaceRecord& race, const std::optional<std::pair<std::string, FileStamp>>& seenAs)
{
    const Pending pending{race, seenAs};
    const auto recorded = RecordAll(std::span(&pending, 1));
    if (!recorded)
        return std::nullopt;
    return recorded->front();
}

std::optional<std::vector<HistoryStore::Recorded>> HistoryStore::RecordAll(
    std::span<const Pending> races, std::span<const std::string> seenAgain)
{
    if (!Writable())
        return std::nullopt;
    const std::int64_t now = NowNs();
    Transaction transaction(db_);
    if (!transaction.Begin())
        return Fail(), std::nullopt;
    std::vector<Recorded> recorded;
    for (const Pending& pending : races) {
        const auto one = Insert(pending, now);
        if (!one)
            return Fail(), std::nullopt;
        recorded.push_back(*one);
    }
    for (const std::string& path : seenAgain) {
        Statement seen = db_.Cached(
            "UPDATE race SET file_name = ?, folder = ?, seen_ns = ? "
            "WHERE id = (SELECT race_id FROM seen_file WHERE path = ?)");
        seen.BindText(0, FileNamePart(path));
        seen.BindText(1, FolderPart(path));
        seen.BindInt64(2, now);
        seen.BindText(3, path);
        if (!seen.Run())
            return Fail(), std::nullopt;
    }
    if (!transaction.Commit())
        return Fail(), std::nullopt;
    return recorded;
}

std::optional<HistoryStore::Recorded> HistoryStore::Insert(const Pending& pending, std::int64_t now)
{
    const RaceRecord& race = pending.race;
    std::optional<std::int64_t> raceId;
    {
        Statement find = db_.Cached("SELECT id FROM race WHERE race_key = ?");
        find.BindBlob(0, race.Race);
        if (find.Step())
            raceId = find.ColumnInt64(0);
        else if (!find.Succeeded())
            return std::nullopt;
    }
    Recorded recorded = Recorded::AlreadyKnown;
    if (raceId) {
        Statement seen = db_.Cached("UPDATE race SET file_name = ?, folder = ?, seen_ns = ? WHERE id = ?");
        seen.BindText(0, race.FileName);
        seen.BindText(1, race.Folder);
        seen.BindInt64(2, now);
        seen.BindInt64(3, *raceId);
        if (!seen.Run())
            return std::nullopt;
        // A race recorded before the speeds were kept gains them.
        if (race.BestSpeedsKmh.size() == race.BestPath.size() && !race.BestPath.empty()) {
            Statement speeds = db_.Cached("UPDATE best_path SET speeds = ? WHERE race_id = ? AND speeds IS NULL");
            speeds.BindBlob(0, EncodeSpeeds(race.BestSpeedsKmh));
            speeds.BindInt64(1, *raceId);
            if (!speeds.Run())
                return std::nullopt;
        }
    } else {
        recorded = Recorded::New;
        const auto layoutId = LayoutId(race.Layout, true);
        if (!layoutId)
            return std::nullopt;
        {
            Statement insert = db_.Cached(
                "INSERT INTO race (race_key, layout_id, track_name, file_name, folder, seen_ns, date_ns, "
                "file_size, recorded_ns, driver, car, race_flag, lap_count, best_lap, best_s, clean_laps, "
                "clean_mean_s, record_time, record_driver, record_car) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            insert.BindBlob(0, race.Race);
            insert.BindInt64(1, *layoutId);
            insert.BindText(2, race.TrackName);
            insert.BindText(3, race.FileName);
            insert.BindText(4, race.Folder);
            insert.BindInt64(5, now);
            insert.BindInt64(6, race.DateNs);
            insert.BindInt64(7, race.FileSize);
            insert.BindInt64(8, now);
            insert.BindText(9, race.Driver);
            insert.BindText(10, race.Car);
            insert.BindInt64(11, race.RaceFlag);
            insert.BindInt64(12, static_cast<std::int64_t>(race.Laps.size()));
            insert.BindInt64(13, race.BestLap);
            insert.BindDouble(14, race.BestS);
            insert.BindInt64(15, race.CleanLaps);
            insert.BindOptionalDouble(16, race.CleanMeanS);
            insert.BindInt64(17, race.RecordTime);
            insert.BindText(18, race.RecordDriver);
            insert.BindText(19, race.RecordCar);
            if (!insert.Run())
                return std::nullopt;
        }
        raceId = db_.LastInsertRowId();
        for (const RaceLap& lap : race.Laps) {
            Statement insert = db_.Cached(
                "INSERT INTO lap (race_id, lap, view_time, precise_s, sector1_s, sector2_s, sector3_s, "
                "top_speed_kmh, clean) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
            insert.BindInt64(0, *raceId);
            insert.BindInt64(1, lap.Lap);
            insert.BindInt64(2, lap.ViewTime);
            insert.BindDouble(3, lap.PreciseS);
            for (int s = 0; s < 3; ++s)
                insert.BindOptionalDouble(4 + s, lap.SectorsS[static_cast<std::size_t>(s)]);
            insert.BindOptionalDouble(7, lap.TopSpeedKmh);
            insert.BindInt64(8, lap.Clean ? 1 : 0);
            if (!insert.Run())
                return std::nullopt;
        }
        Statement path = db_.Cached("INSERT INTO best_path (race_id, vertices, speeds) VALUES (?, ?, ?)");
        path.BindInt64(0, *raceId);
        path.BindBlob(1, EncodePath(race.BestPath));
        path.BindBlob(2, EncodeSpeeds(race.BestSpeedsKmh));
        if (!path.Run())
            return std::nullopt;
    }
    if (pending.seenAs) {
        Statement seen = db_.Cached(
            "INSERT INTO seen_file (path, size, modified_ns, device, inode, race_id) VALUES (?, ?, ?, ?, ?, ?) "
            "ON CONFLICT (path) DO UPDATE SET size = excluded.size, modified_ns = excluded.modified_ns, "
            "device = excluded.device, inode = excluded.inode, race_id = excluded.race_id");
        const FileStamp& stamp = pending.seenAs->second;
        seen.BindText(0, pending.seenAs->first);
        seen.BindInt64(1, stamp.size);
        seen.BindInt64(2, stamp.modifiedNs);
        seen.BindInt64(3, static_cast<std::int64_t>(stamp.device));
        seen.BindInt64(4, static_cast<std::int64_t>(stamp.inode));
        seen.BindInt64(5, *raceId);
        if (!seen.Run())
            return std::nullopt;
    }
    return recorded;
}

std::optional<bool> HistoryStore::SeenAgain(const RaceKey& race, const std::string& fileName,
                                            const std::string& folder)
{
    if (!Writable())
        return std::nullopt;
    Statement seen = db_.Cached(
        "UPDATE race SET file_name = ?, folder = ?, seen_ns = ? WHERE race_key = ? AND EXISTS "
        "(SELECT 1 FROM best_path WHERE race_id = race.id AND speeds IS NOT NULL)");
    seen.BindText(0, fileName);
    seen.BindText(1, folder);
    seen.BindInt64(2, NowNs());
    seen.BindBlob(3, race);
    if (!seen.Run())
        return Fail(), std::nullopt;
    return db_.Changes() > 0;
}

std::optional<bool> HistoryStore::SeenUnchanged(const std::string& path, const FileStamp& stamp)
{
    Statement find = db_.Cached(
        "SELECT 1 FROM seen_file WHERE path = ? AND size = ? AND modified_ns = ? AND device = ? "
        "AND inode = ?");
    find.BindText(0, path);
    find.BindInt64(1, stamp.size);
    find.BindInt64(2, stamp.modifiedNs);
    find.BindInt64(3, static_cast<std::int64_t>(stamp.device));
    find.BindInt64(4, static_cast<std::int64_t>(stamp.inode));
    if (find.Step())
        return true;
    if (!find.Succeeded())
        return Fail(), std::nullopt;
    return false;
}

std::optional<std::unordered_map<std::string, HistoryStore::SeenFile>> HistoryStore::SeenFiles()
{
    Statement read = db_.Cached(
        "SELECT s.path, s.size, s.modified_ns, s.device, s.inode, r.folder || r.file_name = s.path "
        "FROM seen_file AS s JOIN race AS r ON r.id = s.race_id");
    std::unordered_map<std::string, SeenFile> files;
    while (read.Step()) {
        SeenFile& file = files[read.ColumnText(0)];
        file.stamp.size = read.ColumnInt64(1);
        file.stamp.modifiedNs = read.ColumnInt64(2);
        file.stamp.device = static_cast<std::uint64_t>(read.ColumnInt64(3));
        file.stamp.inode = static_cast<std::uint64_t>(read.ColumnInt64(4));
        file.lastSeenHere = read.ColumnInt64(5) != 0;
    }
    if (!read.Succeeded())
        return Fail(), std::nullopt;
    return files;
}

std::optional<bool> HistoryStore::Forget(const RaceKey& race)
{
    // The laps, the path and the files seen as this race go with it.
    return RemoveKeyed("race", "race_key", race);
}

std::optional<bool> HistoryStore::RemoveKeyed(const char* table, const char* keyColumn, const Sha256Digest& key)
{
    if (!Writable())
        return std::nullopt;
    // The table's and column's names are the program's own, never text from a file.
    const std::string from = std::string(" FROM ") + table + " WHERE " + keyColumn + " = ?";
    Transaction transaction(db_);
    if (!transaction.Begin())
        return Fail(), std::nullopt;
    std::optional<std::int64_t> layoutId;
    {
        Statement find = db_.Cached(("SELECT layout_id" + from).c_str());
        find.BindBlob(0, key);
        if (find.Step())
            layoutId = find.ColumnInt64(0);
        else if (!find.Succeeded())
            return Fail(), std::nullopt;
    }
    if (!layoutId)
        return false;
    Statement remove = db_.Cached(("DELETE" + from).c_str());
    remove.BindBlob(0, key);
    if (!remove.Run())
        return Fail(), std::nullopt;
    // The layout goes when nothing is left on it.
    Statement orphan = db_.Cached(
        "DELETE FROM layout WHERE id = ?1 AND NOT EXISTS (SELECT 1 FROM race WHERE layout_id = ?1) "
        "AND NOT EXISTS (SELECT 1 FROM kept_lap WHERE layout_id = ?1)");
    orphan.BindInt64(0, *layoutId);
    if (!orphan.Run() || !transaction.Commit())
        return Fail(), std::nullopt;
    return true;
}

std::optional<std::string> HistoryStore::Setting(const std::string& name)
{
    failure_ = {};
    Statement read = db_.Cached("SELECT value FROM setting WHERE name = ?");
    read.BindText(0, name);
    if (read.Step())
        return read.ColumnText(0);
    if (!read.Succeeded())
        Fail();
    return std::nullopt;
}

bool HistoryStore::SetSetting(const std::string& name, const std::string& value)
{
    if (!Writable())
        return false;
    Statement write = db_.Cached(
        "INSERT INTO setting (name, value) VALUES (?, ?) ON CONFLICT (name) DO UPDATE SET value = excluded.value");
    write.BindText(0, name);
    write.BindText(1, value);
    return write.Run() || Fail();
}

}  // namespace vx
