#include "history/Schema.h"

#include <set>
#include <utility>

#include "history/Database.h"
#include "history/RaceRecord.h"

namespace vx {

namespace {

// Each step takes the schema from the version before it to its own. A new
// database runs them all; an older one the steps it lacks, all in one
// transaction.
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
    // 4: which races' kept speeds (the best lap's, the laps' top speeds) are
    // chords over half a second (1), as every race recorded from now on,
    // and which were worked out from one sample to the next (0): those are
    // worked out again where their saved game is still there, unchanged.
    R"sql(
ALTER TABLE race ADD COLUMN speeds_chord INTEGER NOT NULL DEFAULT 1;
UPDATE race SET speeds_chord = 0;
)sql",
    // 5: laps of other drivers, kept from lap files: each once (its lap key:
    // its race key, lap number and driver), with its path and speeds.
    R"sql(
CREATE TABLE kept_lap (
  id INTEGER PRIMARY KEY,
  lap_key BLOB NOT NULL UNIQUE,
  layout_id INTEGER NOT NULL REFERENCES layout (id),
  track_name TEXT NOT NULL,
  driver TEXT NOT NULL,
  car TEXT NOT NULL,
  date_ns INTEGER NOT NULL,
  race_key BLOB NOT NULL,
  lap INTEGER NOT NULL,
  view_time INTEGER NOT NULL,
  precise_s REAL NOT NULL,
  vertices BLOB NOT NULL,
  speeds BLOB NOT NULL,
  kept_ns INTEGER NOT NULL
);
CREATE INDEX kept_lap_by_layout ON kept_lap (layout_id, precise_s);
)sql",
};

// The tables of a database, each with its columns, by name.
using TablesAndColumns = std::set<std::pair<std::string, std::string>>;

std::optional<TablesAndColumns> TablesOf(Database& db)
{
    Statement read = db.Cached(
        "SELECT m.name, c.name FROM sqlite_master AS m JOIN pragma_table_info(m.name) AS c "
        "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    TablesAndColumns tables;
    while (read.Step())
        tables.emplace(read.ColumnText(0), read.ColumnText(1));
    if (!read.Succeeded())
        return std::nullopt;
    return tables;
}

}  // namespace

const char* HistorySchemaStep(int version)
{
    return version >= 1 && version <= kHistorySchemaVersion ? kSchemaSteps[version - 1] : "";
}

std::optional<int> SchemaVersion(Database& db)
{
    Statement read = db.Cached("PRAGMA user_version");
    if (!read.Step())
        return std::nullopt;
    return static_cast<int>(read.ColumnInt64(0));
}

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

std::optional<std::string> MissingFromSchema(Database& db, int version)
{
    // What the steps make, made again where nothing else is: a database in
    // memory.
    Database made;
    if (!made.Open(":memory:", Database::Mode::ReadWrite))
        return std::nullopt;
    for (int step = 1; step <= version && step <= kHistorySchemaVersion; ++step)
        if (!made.Execute(HistorySchemaStep(step)))
            return std::nullopt;
    const auto wanted = TablesOf(made);
    const auto found = TablesOf(db);
    if (!wanted || !found)
        return std::nullopt;
    std::set<std::string> tables;
    for (const auto& [table, column] : *found)
        tables.insert(table);
    for (const auto& [table, column] : *wanted) {
        if (tables.count(table) == 0)
            return "its table " + table + " is missing";
        if (found->count({table, column}) == 0)
            return "its table " + table + " lacks the column " + column;
    }
    return std::string();
}

std::optional<bool> HoldsTables(Database& db)
{
    const auto tables = TablesOf(db);
    if (!tables)
        return std::nullopt;
    return !tables->empty();
}

}  // namespace vx
