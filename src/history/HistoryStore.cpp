// The race history's store.
//
// Sections: the schema and its versions; opening (the folder, the damaged
// file set aside, migration, the integrity check); recording; reading and the
// derived figures; forgetting and settings.
#include "history/HistoryStore.h"

#include <algorithm>
#include <map>

#include "history/PathCodec.h"
#include "toolkit/Platform.h"
#include "toolkit/Text.h"

namespace vx {

// --- The schema ------------------------------------------------------------------------

namespace {

// Each step takes the schema from the version before it to its own. A new
// database runs them all; an older one the steps it lacks, all in one
// transaction. Dates and times are nanoseconds since 1970 (UTC); keys are the
// 32 bytes of their SHA-256.
constexpr const char* kSchemaSteps[kHistorySchemaVersion] = {
    // 1: races, their laps and best-lap paths, the layouts, the settings.
    R"sql(
CREATE TABLE meta (name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE layout (
  id INTEGER PRIMARY KEY,
  layout_key BLOB NOT NULL UNIQUE
);
CREATE TABLE race (
  id INTEGER PRIMARY KEY,
  race_key BLOB NOT NULL UNIQUE,
  layout_id INTEGER NOT NULL REFERENCES layout (id),
  track_name TEXT NOT NULL,
  file_name TEXT NOT NULL,
  folder TEXT NOT NULL,
  seen_ns INTEGER NOT NULL,
  date_ns INTEGER NOT NULL,
  file_size INTEGER NOT NULL,
  recorded_ns INTEGER NOT NULL,
  driver TEXT NOT NULL,
  car TEXT NOT NULL,
  race_flag INTEGER NOT NULL,
  lap_count INTEGER NOT NULL,
  best_lap INTEGER NOT NULL,
  best_s REAL NOT NULL,
  clean_laps INTEGER NOT NULL,
  clean_mean_s REAL,
  record_time INTEGER NOT NULL,
  record_driver TEXT NOT NULL,
  record_car TEXT NOT NULL
);
CREATE INDEX race_by_layout ON race (layout_id, date_ns, id, car, best_s);
CREATE TABLE lap (
  race_id INTEGER NOT NULL REFERENCES race (id) ON DELETE CASCADE,
  lap INTEGER NOT NULL,
  view_time INTEGER NOT NULL,
  precise_s REAL NOT NULL,
  sector1_s REAL,
  sector2_s REAL,
  sector3_s REAL,
  top_speed_kmh REAL,
  clean INTEGER NOT NULL,
  PRIMARY KEY (race_id, lap)
) WITHOUT ROWID;
CREATE TABLE best_path (
  race_id INTEGER PRIMARY KEY REFERENCES race (id) ON DELETE CASCADE,
  vertices BLOB NOT NULL
);
CREATE TABLE setting (name TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
)sql",
    // 2: the saved games seen, so that an unchanged file is not read again.
    R"sql(
CREATE TABLE seen_file (
  path TEXT PRIMARY KEY,
  size INTEGER NOT NULL,
  modified_ns INTEGER NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  race_id INTEGER NOT NULL REFERENCES race (id) ON DELETE CASCADE
) WITHOUT ROWID;
CREATE INDEX seen_file_by_race ON seen_file (race_id);
)sql",
    // 3: the speed at each vertex of the best lap's path, for drawing it as a
    // reference (none for the races recorded before).
    R"sql(
ALTER TABLE best_path ADD COLUMN speeds BLOB;
)sql",
};

constexpr std::int64_t kCheckInterval = 24LL * 3600 * 1'000'000'000;  // a day

std::optional<std::int64_t> MetaValue(Database& db, const char* name)
{
    Statement read = db.Cached("SELECT value FROM meta WHERE name = ?");
    read.BindText(0, name);
    if (read.Step())
        return read.ColumnInt64(0);
    return std::nullopt;
}

bool SetMetaValue(Database& db, const char* name, std::int64_t value)
{
    Statement write = db.Cached(
        "INSERT INTO meta (name, value) VALUES (?, ?) ON CONFLICT (name) DO UPDATE SET value = excluded.value");
    write.BindText(0, name);
    write.BindInt64(1, value);
    return write.Run();
}

std::optional<int> SchemaVersion(Database& db)
{
    Statement read = db.Cached("PRAGMA user_version");
    if (!read.Step())
        return std::nullopt;
    return static_cast<int>(read.ColumnInt64(0));
}

// Takes the schema from its version to ours inside one transaction; another
// program may have done it meanwhile, so the version is read again inside.
bool MigrateSchema(Database& db)
{
    Transaction transaction(db);
    if (!transaction.Begin())
        return false;
    const auto version = SchemaVersion(db);
    if (!version)
        return false;
    if (*version >= kHistorySchemaVersion)
        return transaction.Commit();
    for (int step = *version; step < kHistorySchemaVersion; ++step)
        if (!db.Execute(kSchemaSteps[step]))
            return false;
    // The version is the program's own number, never text from a file.
    const std::string setVersion = "PRAGMA user_version = " + std::to_string(kHistorySchemaVersion);
    if (!db.Execute(setVersion.c_str()) || !SetMetaValue(db, "oldest_reader", kHistoryOldestReader))
        return false;
    // A new database has nothing to check yet.
    if (*version == 0 && !SetMetaValue(db, "checked_ns", NowNs()))
        return false;
    return transaction.Commit();
}

// The damaged file's new name: beside it, with the time it was set aside.
std::string DamagedName(const std::string& path, int attempt)
{
    std::string stamp = DateText(NowNs());  // YYYY-MM-DDTHH:MM:SSZ
    stamp = stamp.substr(0, 4) + stamp.substr(5, 2) + stamp.substr(8, 2) + "-" + stamp.substr(11, 2) +
            stamp.substr(14, 2) + stamp.substr(17, 2);
    return path + ".damaged-" + stamp + (attempt == 0 ? "" : "-" + std::to_string(attempt + 1));
}

// Renames the file and its journal files aside; the new name of the file,
// or "" with the reason.
std::string SetAside(const std::string& path, std::string& error)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::string aside = DamagedName(path, attempt);
        if (StampOfPath(aside))
            continue;
        if (!RenamePath(path, aside, error))
            continue;
        for (const char* journal : {"-wal", "-shm", "-journal"}) {
            std::string ignored;
            if (StampOfPath(path + journal))
                RenamePath(path + journal, aside + journal, ignored);
        }
        return aside;
    }
    return {};
}

// A file that is there, not empty, and does not start as every SQLite
// database starts. Such a file is set aside before the database engine opens
// it: the engine would take a journal beside it for its own and remove it.
bool PlainlyNotADatabase(const std::string& path)
{
    FileSystem& platform = SystemFiles();
    std::string error;
    const std::uint64_t file = platform.OpenForRead(path, error);
    if (file == 0)
        return false;  // missing, a folder: the engine says what it is
    static constexpr char kHeader[16] = "SQLite format 3";  // and its NUL
    std::uint8_t start[16] = {};
    const std::int64_t got = platform.Read(file, start, 16, error);
    platform.Close(file);
    return got > 0 && (got < 16 || !std::equal(start, start + 16, kHeader));
}

HistoryFailure FailureOf(const DatabaseError& error)
{
    return {error.kind == DatabaseFailure::None ? DatabaseFailure::Failed : error.kind, error.message};
}

}  // namespace

const char* HistorySchemaStep(int version)
{
    return version >= 1 && version <= kHistorySchemaVersion ? kSchemaSteps[version - 1] : "";
}

std::string DefaultHistoryPath()
{
    const std::string folder = UserDataFolder();
    return folder.empty() ? std::string() : folder + "history.sqlite3";
}

bool FileStillThere(const ProgressRow& row)
{
    return RaceFileOf(row) == RaceFile::There;
}

RaceFile RaceFileOf(const ProgressRow& row)
{
    const auto stamp = StampOfPath(row.Folder + row.FileName);
    if (!stamp)
        return RaceFile::Gone;
    return stamp->size == row.FileSize && stamp->modifiedNs == row.DateNs ? RaceFile::There : RaceFile::Changed;
}

// --- Opening ------------------------------------------------------------------------------

HistoryStore::Opened HistoryStore::OpenFile(bool checkAlways, HistoryOpening& opening)
{
    if (PlainlyNotADatabase(path_)) {
        opening.Problem = "file is not a database";
        return Opened::Damaged;
    }
    const auto problem = [&](Opened kind) {
        failure_ = FailureOf(db_.LastError());
        opening.Problem = failure_.message;
        db_.Close();
        return kind;
    };
    const auto classified = [&] {
        return db_.LastError().kind == DatabaseFailure::Damaged ? problem(Opened::Damaged)
                                                                : problem(Opened::Unavailable);
    };
    if (!db_.Open(path_, Database::Mode::ReadWrite))
        return classified();
    const auto version = SchemaVersion(db_);
    if (!version)
        return classified();
    schemaVersion_ = std::max(*version, kHistorySchemaVersion);
    if (*version > kHistorySchemaVersion) {
        // A newer program's: read when it says this one can, never written.
        const auto oldest = MetaValue(db_, "oldest_reader");
        if (!oldest || *oldest > kHistorySchemaVersion) {
            opening.Problem = "it was written by a newer version of vxanalyser that this one cannot read";
            db_.Close();
            return Opened::Unavailable;
        }
        db_.Close();
        if (!db_.Open(path_, Database::Mode::ReadOnly))
            return classified();
        opening.ReadOnlyNote =
            "The history was written by a newer version of vxanalyser: it is read, never written";
        return Opened::Ok;
    }
    if (!db_.UseWriteAheadJournal())
        return classified();
    if (*version < kHistorySchemaVersion && !MigrateSchema(db_))
        return classified();
    const auto checked = MetaValue(db_, "checked_ns");
    if (checkAlways || !checked || NowNs() - *checked > kCheckInterval) {
        Statement check = db_.Cached("PRAGMA quick_check");
        const bool row = check.Step();
        const std::string verdict = row ? check.ColumnText(0) : std::string();
        if (!check.Succeeded())
            return classified();
        if (verdict != "ok") {
            opening.Problem = "it fails its integrity check: " + verdict;
            db_.Close();
            return Opened::Damaged;
        }
        if (!SetMetaValue(db_, "checked_ns", NowNs()))
            return classified();
    }
    return Opened::Ok;
}

HistoryOpening OpenHistory(const std::string& path, bool checkAlways)
{
    HistoryOpening opening;
    if (path.empty()) {
        opening.Problem = "the system names no folder for the user's data";
        return opening;
    }
    const std::string folder = FolderPart(path);
    std::string error;
    if (!folder.empty() && !MakePrivateFolders(folder, error)) {
        opening.Problem = error;
        return opening;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto store = std::make_unique<HistoryStore>(path);
        const HistoryStore::Opened opened = store->OpenFile(checkAlways, opening);
        if (opened == HistoryStore::Opened::Ok) {
            opening.Problem.clear();
            opening.Store = std::move(store);
            return opening;
        }
        if (opened == HistoryStore::Opened::Unavailable || attempt > 0)
            return opening;
        // Not a database, or a damaged one: kept aside, nothing deleted, and
        // a new one started in its place.
        store.reset();
        opening.SetAsideReason = opening.Problem;
        opening.SetAsideTo = SetAside(path, error);
        if (opening.SetAsideTo.empty()) {
            opening.Problem = "it is damaged (" + opening.SetAsideReason +
                              ") and cannot be set aside: " + error;
            return opening;
        }
    }
    return opening;
}

HistoryOpening OpenHistoryToRead(const std::string& path)
{
    HistoryOpening opening;
    if (!StampOfPath(path)) {
        opening.Problem = "there is no history at " + FileNameToUtf8(path);
        return opening;
    }
    auto store = std::make_unique<HistoryStore>(path);
    Database& db = store->db_;
    const auto unavailable = [&] {
        opening.Problem = db.LastError().message;
        return std::move(opening);
    };
    if (!db.Open(path, Database::Mode::ReadOnly))
        return unavailable();
    const auto version = SchemaVersion(db);
    if (!version)
        return unavailable();
    if (*version == 0) {
        opening.Problem = "it is not a history of vxanalyser";
        return opening;
    }
    if (*version > kHistorySchemaVersion) {
        const auto oldest = MetaValue(db, "oldest_reader");
        if (!oldest || *oldest > kHistorySchemaVersion) {
            opening.Problem = "it was written by a newer version of vxanalyser that this one cannot read";
            return opening;
        }
    }
    store->schemaVersion_ = *version;
    opening.Store = std::move(store);
    return opening;
}

bool HistoryStore::Fail()
{
    failure_ = FailureOf(db_.LastError());
    db_.ClearError();
    if (failure_.kind == DatabaseFailure::Damaged && !ReadOnly()) {
        // Met while in use: set aside as at the start, and a new one begun,
        // so that the next race is recorded.
        db_.Close();
        std::string error;
        const std::string aside = SetAside(path_, error);
        HistoryOpening reopening;
        if (!aside.empty() && OpenFile(false, reopening) == Opened::Ok)
            failure_.message += "; the damaged history was set aside as " + aside + " and a new one started";
    }
    return false;
}

bool HistoryStore::Writable()
{
    if (!db_.IsOpen()) {
        failure_ = {DatabaseFailure::Unavailable, "the history is not open"};
        return false;
    }
    if (ReadOnly()) {
        failure_ = {DatabaseFailure::ReadOnly,
                    "the history was written by a newer version of vxanalyser: it is never written"};
        return false;
    }
    return true;
}

// --- Recording ------------------------------------------------------------------------------

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

// --- Reading and the derived figures ----------------------------------------------------------

namespace {

// The personal best as races come in date order: a race takes it only when
// it is faster by more than the tie, so among equal times the earliest keeps it.
struct RunningBest {
    std::optional<double> best;
    std::int64_t raceId = 0;
    bool Offer(double bestS, std::int64_t id)
    {
        if (best && !(bestS < *best - kPersonalBestTie))
            return false;
        best = bestS;
        raceId = id;
        return true;
    }
};

}  // namespace

std::optional<std::vector<TrackSummary>> HistoryStore::Tracks()
{
    struct CarFold {
        std::int32_t races = 0;
        RunningBest best;
    };
    struct LayoutFold {
        std::int64_t id = 0;
        std::int32_t races = 0;
        RunningBest best;
        std::int64_t newest = 0;
        std::map<std::string, CarFold> cars;
    };
    std::vector<LayoutFold> layouts;
    {
        // In the order of the index that holds every column read here.
        Statement races = db_.Cached(
            "SELECT layout_id, car, best_s, id FROM race ORDER BY layout_id, date_ns, id");
        while (races.Step()) {
            const std::int64_t layoutId = races.ColumnInt64(0);
            if (layouts.empty() || layouts.back().id != layoutId) {
                layouts.emplace_back();
                layouts.back().id = layoutId;
            }
            LayoutFold& layout = layouts.back();
            const double bestS = races.ColumnDouble(2);
            const std::int64_t raceId = races.ColumnInt64(3);
            ++layout.races;
            layout.best.Offer(bestS, raceId);
            layout.newest = raceId;
            CarFold& car = layout.cars[races.ColumnText(1)];
            ++car.races;
            car.best.Offer(bestS, raceId);
        }
        if (!races.Succeeded())
            return Fail(), std::nullopt;
    }
    const auto bestLapOf = [this](std::int64_t raceId) -> std::optional<BestLapOfRace> {
        Statement read = db_.Cached(
            "SELECT race_key, date_ns, file_name, best_lap, best_s FROM race WHERE id = ?");
        read.BindInt64(0, raceId);
        if (!read.Step())
            return std::nullopt;
        BestLapOfRace best;
        const auto key = read.ColumnBlob(0);
        std::copy_n(key.begin(), std::min(key.size(), best.Race.size()), best.Race.begin());
        best.DateNs = read.ColumnInt64(1);
        best.FileName = read.ColumnText(2);
        best.Lap = static_cast<std::int32_t>(read.ColumnInt64(3));
        best.BestS = read.ColumnDouble(4);
        return best;
    };
    std::vector<TrackSummary> tracks;
    for (const LayoutFold& layout : layouts) {
        TrackSummary track;
        track.Races = layout.races;
        {
            Statement key = db_.Cached("SELECT layout_key FROM layout WHERE id = ?");
            key.BindInt64(0, layout.id);
            if (!key.Step())
                return Fail(), std::nullopt;
            const auto bytes = key.ColumnBlob(0);
            std::copy_n(bytes.begin(), std::min(bytes.size(), track.Layout.size()), track.Layout.begin());
        }
        {
            Statement name = db_.Cached("SELECT track_name FROM race WHERE id = ?");
            name.BindInt64(0, layout.newest);
            if (!name.Step())
                return Fail(), std::nullopt;
            track.Name = name.ColumnText(0);
        }
        const auto best = bestLapOf(layout.best.raceId);
        if (!best)
            return Fail(), std::nullopt;
        track.PersonalBest = *best;
        for (const auto& [name, fold] : layout.cars) {
            const auto carBest = bestLapOf(fold.best.raceId);
            if (!carBest)
                return Fail(), std::nullopt;
            track.Cars.push_back({name, fold.races, *carBest});
        }
        tracks.push_back(std::move(track));
    }
    std::stable_sort(tracks.begin(), tracks.end(), [](const TrackSummary& a, const TrackSummary& b) {
        return a.Name != b.Name ? a.Name < b.Name : a.Layout < b.Layout;
    });
    return tracks;
}

std::optional<std::vector<ProgressRow>> HistoryStore::ProgressOf(std::int64_t layoutId,
                                                                 const std::optional<std::string>& car)
{
    std::vector<ProgressRow> rows;
    Statement races = db_.Cached(
        "SELECT race_key, date_ns, file_name, folder, file_size, driver, car, lap_count, best_lap, best_s, "
        "clean_laps, clean_mean_s, record_time, record_driver, record_car, id FROM race "
        "WHERE layout_id = ? ORDER BY date_ns, id");
    races.BindInt64(0, layoutId);
    RunningBest best;
    while (races.Step()) {
        ProgressRow row;
        row.Car = races.ColumnText(6);
        if (car && row.Car != *car)
            continue;
        const auto key = races.ColumnBlob(0);
        std::copy_n(key.begin(), std::min(key.size(), row.Race.size()), row.Race.begin());
        row.DateNs = races.ColumnInt64(1);
        row.FileName = races.ColumnText(2);
        row.Folder = races.ColumnText(3);
        row.FileSize = races.ColumnInt64(4);
        row.Driver = races.ColumnText(5);
        row.Laps = static_cast<std::int32_t>(races.ColumnInt64(7));
        row.BestLap = static_cast<std::int32_t>(races.ColumnInt64(8));
        row.BestS = races.ColumnDouble(9);
        row.CleanLaps = static_cast<std::int32_t>(races.ColumnInt64(10));
        row.CleanMeanS = races.ColumnOptionalDouble(11);
        row.RecordTime = static_cast<std::int32_t>(races.ColumnInt64(12));
        row.RecordDriver = races.ColumnText(13);
        row.RecordCar = races.ColumnText(14);
        row.PersonalBest = best.Offer(row.BestS, races.ColumnInt64(15));
        rows.push_back(std::move(row));
    }
    if (!races.Succeeded())
        return Fail(), std::nullopt;
    return rows;
}

std::optional<std::vector<ProgressRow>> HistoryStore::Progress(const LayoutKey& layout,
                                                               const std::optional<std::string>& car)
{
    const auto layoutId = LayoutId(layout, false);
    if (!layoutId) {
        if (db_.LastError().kind != DatabaseFailure::None)
            return Fail(), std::nullopt;
        return std::vector<ProgressRow>{};
    }
    return ProgressOf(*layoutId, car);
}

std::optional<BestLapOfRace> HistoryStore::PersonalBest(const LayoutKey& layout,
                                                        const std::optional<std::string>& car)
{
    failure_ = {};
    const auto rows = Progress(layout, car);
    if (!rows)
        return std::nullopt;
    std::optional<BestLapOfRace> best;
    for (const ProgressRow& row : *rows)
        if (row.PersonalBest)
            best = BestLapOfRace{row.Race, row.DateNs, row.FileName, row.BestLap, row.BestS};
    return best;
}

std::optional<std::vector<PathVertex>> HistoryStore::BestLapPath(const RaceKey& race)
{
    Statement read = db_.Cached(
        "SELECT vertices FROM best_path WHERE race_id = (SELECT id FROM race WHERE race_key = ?)");
    read.BindBlob(0, race);
    if (!read.Step()) {
        if (read.Succeeded())
            failure_ = {DatabaseFailure::Failed, "race " + KeyHex(race).substr(0, 8) + " is not in the history"};
        else
            Fail();
        return std::nullopt;
    }
    auto path = DecodePath(read.ColumnBlob(0));
    if (!path)
        failure_ = {DatabaseFailure::Damaged,
                    "the best lap's path of race " + KeyHex(race).substr(0, 8) + " is damaged"};
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
    read.BindBlob(0, race);
    if (!read.Step()) {
        if (read.Succeeded())
            failure_ = {DatabaseFailure::Failed, "race " + KeyHex(race).substr(0, 8) + " is not in the history"};
        else
            Fail();
        return std::nullopt;
    }
    StoredBestLap lap;
    lap.Of = {race, read.ColumnInt64(0), read.ColumnText(1), static_cast<std::int32_t>(read.ColumnInt64(2)),
              read.ColumnDouble(3)};
    auto path = DecodePath(read.ColumnBlob(4));
    std::optional<std::vector<std::optional<double>>> speeds;
    if (!read.ColumnIsNull(5))
        speeds = DecodeSpeeds(read.ColumnBlob(5));
    if (!path || (!read.ColumnIsNull(5) && (!speeds || speeds->size() != path->size()))) {
        failure_ = {DatabaseFailure::Damaged,
                    "the best lap's path of race " + KeyHex(race).substr(0, 8) + " is damaged"};
        return std::nullopt;
    }
    lap.Path = std::move(*path);
    if (speeds)
        lap.SpeedsKmh = std::move(*speeds);
    return lap;
}

std::optional<BestLapOfRace> HistoryStore::BestOfOtherRaces(const LayoutKey& layout, const RaceKey& besides)
{
    failure_ = {};
    const auto rows = Progress(layout);
    if (!rows)
        return std::nullopt;
    std::optional<BestLapOfRace> best;
    for (const ProgressRow& row : *rows)
        if (row.Race != besides && (!best || row.BestS < best->BestS - kPersonalBestTie))
            best = BestLapOfRace{row.Race, row.DateNs, row.FileName, row.BestLap, row.BestS};
    return best;
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

// --- Forgetting and settings ------------------------------------------------------------------

std::optional<std::vector<RaceMatch>> HistoryStore::FindRaces(const std::string& hexPrefix)
{
    // The keys that start with the prefix lie between the prefix filled up
    // with zero digits and the prefix filled up with f digits.
    RaceKey low{}, high{};
    high.fill(0xff);
    for (std::size_t i = 0; i < hexPrefix.size() && i < 64; ++i) {
        const char c = hexPrefix[i];
        const int nibble = c <= '9' ? c - '0' : c - 'a' + 10;
        const std::size_t byte = i / 2;
        if (i % 2 == 0) {
            low[byte] = static_cast<std::uint8_t>(nibble << 4);
            high[byte] = static_cast<std::uint8_t>(nibble << 4 | 0x0f);
        } else {
            low[byte] = static_cast<std::uint8_t>(low[byte] | nibble);
            high[byte] = static_cast<std::uint8_t>((high[byte] & 0xf0) | nibble);
        }
    }
    Statement find = db_.Cached(
        "SELECT race_key, track_name, file_name, date_ns FROM race WHERE race_key BETWEEN ? AND ? "
        "ORDER BY race_key");
    find.BindBlob(0, low);
    find.BindBlob(1, high);
    std::vector<RaceMatch> matches;
    while (find.Step()) {
        RaceMatch match;
        const auto key = find.ColumnBlob(0);
        std::copy_n(key.begin(), std::min(key.size(), match.Race.size()), match.Race.begin());
        match.TrackName = find.ColumnText(1);
        match.FileName = find.ColumnText(2);
        match.DateNs = find.ColumnInt64(3);
        matches.push_back(std::move(match));
    }
    if (!find.Succeeded())
        return Fail(), std::nullopt;
    return matches;
}

std::optional<bool> HistoryStore::Forget(const RaceKey& race)
{
    if (!Writable())
        return std::nullopt;
    Transaction transaction(db_);
    if (!transaction.Begin())
        return Fail(), std::nullopt;
    std::optional<std::int64_t> layoutId;
    {
        Statement find = db_.Cached("SELECT layout_id FROM race WHERE race_key = ?");
        find.BindBlob(0, race);
        if (find.Step())
            layoutId = find.ColumnInt64(0);
        else if (!find.Succeeded())
            return Fail(), std::nullopt;
    }
    if (!layoutId)
        return false;
    // The laps, the path and the files seen as this race go with it.
    Statement remove = db_.Cached("DELETE FROM race WHERE race_key = ?");
    remove.BindBlob(0, race);
    if (!remove.Run())
        return Fail(), std::nullopt;
    Statement orphan = db_.Cached(
        "DELETE FROM layout WHERE id = ?1 AND NOT EXISTS (SELECT 1 FROM race WHERE layout_id = ?1)");
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
