// The race history: one SQLite database per user that keeps every race the
// program has seen, and what is derived from it.
//
//   OpenHistory            opens (creating, migrating, setting a damaged file
//                          aside) and says what happened
//   HistoryStore           recording, the files already seen, the tracks with
//                          their personal bests, a track's progress, a best
//                          lap's path, forgetting, settings
//   RecordCommittedRace    the window's step: the committed load recorded
//
// Derived, never stored: a layout's personal best (the smallest best-lap time
// of its races, ties within 1 us going to the earliest race) and the same per
// car, and the progress with its PB marks, worked out in date order (ties:
// the first recorded first).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/Database.h"
#include "history/RaceRecord.h"
#include "toolkit/SystemServices.h"

namespace vx {

// The schema this program writes, and the oldest program's schema that can
// read what it writes.
constexpr int kHistorySchemaVersion = 3;
constexpr int kHistoryOldestReader = 1;

constexpr double kPersonalBestTie = 1e-6;  // seconds: closer times are equal

// The SQL of the schema's step to version (1..kHistorySchemaVersion) from the
// one before: an older program's history is made of the steps up to its own.
const char* HistorySchemaStep(int version);

// The history file of the user: UserDataFolder() + "history.sqlite3"; empty
// when the system names no data folder.
std::string DefaultHistoryPath();

// A failure of the history, as the user is told it.
struct HistoryFailure {
    DatabaseFailure kind = DatabaseFailure::None;
    std::string message;  // the reason, for "History unavailable: ..."
};

// A best lap in the history: the personal best of a layout (or of one car on
// it) is one of these.
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

struct TrackSummary {
    LayoutKey Layout{};
    std::string Name;  // the newest race's spelling
    std::int32_t Races = 0;
    BestLapOfRace PersonalBest;
    std::vector<CarSummary> Cars;  // by name
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
    bool PersonalBest = false;  // it lowered the personal best at its date
    // The track's record as the track file held it then.
    std::int32_t RecordTime = 0;
    std::string RecordDriver;
    std::string RecordCar;
};

// Whether a race's saved game is still where it was seen, as it was: a file
// of its size and modification time.
bool FileStillThere(const ProgressRow& row);

// The same, telling a file that is gone from one that is there but changed.
enum class RaceFile { There, Changed, Gone };
RaceFile RaceFileOf(const ProgressRow& row);

// A race found by a key prefix.
struct RaceMatch {
    RaceKey Race{};
    std::string TrackName;
    std::string FileName;
    std::int64_t DateNs = 0;
};

class HistoryStore;

// What opening the history found.
struct HistoryOpening {
    std::unique_ptr<HistoryStore> Store;  // none: the history is unavailable
    std::string Problem;                  // why it is unavailable
    std::string SetAsideTo;               // a damaged file was renamed to this
    std::string SetAsideReason;           // and this was wrong with it
    // Written by a newer program: read, never written ("" otherwise).
    std::string ReadOnlyNote;
};

class HistoryStore {
public:
    enum class Recorded { New, AlreadyKnown };

    explicit HistoryStore(std::string path) : path_(std::move(path)) {}
    ~HistoryStore() = default;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const std::string& Path() const { return path_; }
    // Written by a newer program: read, never written.
    bool ReadOnly() const { return db_.OpenMode() == Database::Mode::ReadOnly; }

    // A race to record, and the file it was read from when that file stayed
    // the same while it was read (SeenUnchanged then finds it).
    struct Pending {
        RaceRecord race;
        std::optional<std::pair<std::string, FileStamp>> seenAs;
    };

    // Records a race: all of it or none of it. A race known already (the
    // same bytes, under any name) changes only where and when it was seen
    // last. None on failure (LastFailure says why).
    std::optional<Recorded> Record(const RaceRecord& race,
                                   const std::optional<std::pair<std::string, FileStamp>>& seenAs = {});
    // Records races, and marks the races of files seen again unchanged as
    // seen now, in one transaction: one write of the shared pages for them
    // all. Each race is whole or absent; on failure none is recorded.
    std::optional<std::vector<Recorded>> RecordAll(std::span<const Pending> races,
                                                   std::span<const std::string> seenAgain = {});

    // Marks a race known already, with all the history keeps of it, as seen
    // now under this name: true. False for a race not known (or known
    // without its best lap's speeds): the caller records it whole.
    std::optional<bool> SeenAgain(const RaceKey& race, const std::string& fileName, const std::string& folder);

    // Whether the file at path, with this stamp, was recorded before as a
    // race still in the history (RecordAll then marks it seen again).
    std::optional<bool> SeenUnchanged(const std::string& path, const FileStamp& stamp);

    // Every file recorded as a race still in the history, by path: its stamp
    // then (its size, time and identity; no change time), and whether its race was seen last under this path (a file seen
    // again unchanged where its race was seen last changes nothing).
    struct SeenFile {
        FileStamp stamp;
        bool lastSeenHere = false;
    };
    std::optional<std::unordered_map<std::string, SeenFile>> SeenFiles();

    // Every track with its race count and personal bests, by name.
    std::optional<std::vector<TrackSummary>> Tracks();
    // The races of a layout (of one car on it, when car is given) in date
    // order, with their PB marks.
    std::optional<std::vector<ProgressRow>> Progress(const LayoutKey& layout,
                                                     const std::optional<std::string>& car = {});
    // The personal best of a layout, or of one car on it; none without races
    // (or on failure: LastFailure tells).
    std::optional<BestLapOfRace> PersonalBest(const LayoutKey& layout,
                                              const std::optional<std::string>& car = {});
    // The stored path of a race's best lap (timed vertices in map
    // coordinates, distances worked out), for a reference lap.
    std::optional<std::vector<PathVertex>> BestLapPath(const RaceKey& race);
    // A race's best lap with its path and speeds, for a reference lap.
    std::optional<StoredBestLap> BestLap(const RaceKey& race);
    // The best lap of the layout's races but one (the race shown): the
    // personal best set by another race, ties within 1 us going to the
    // earliest. None without another race (or on failure).
    std::optional<BestLapOfRace> BestOfOtherRaces(const LayoutKey& layout, const RaceKey& besides);
    // The laps of a race.
    std::optional<std::vector<RaceLap>> Laps(const RaceKey& race);

    // The races whose key starts with these lowercase hex digits.
    std::optional<std::vector<RaceMatch>> FindRaces(const std::string& hexPrefix);
    // Removes a race with its laps and path; true when it was there.
    std::optional<bool> Forget(const RaceKey& race);

    std::optional<std::string> Setting(const std::string& name);
    bool SetSetting(const std::string& name, const std::string& value);

    const HistoryFailure& LastFailure() const { return failure_; }

private:
    friend HistoryOpening OpenHistory(const std::string& path, bool checkAlways);
    friend HistoryOpening OpenHistoryToRead(const std::string& path);
    enum class Opened { Ok, Damaged, Unavailable };
    Opened OpenFile(bool checkAlways, HistoryOpening& opening);
    bool Fail();
    bool Writable();
    std::optional<std::int64_t> LayoutId(const LayoutKey& layout, bool create);
    std::optional<Recorded> Insert(const Pending& pending, std::int64_t now);
    std::optional<std::vector<ProgressRow>> ProgressOf(std::int64_t layoutId,
                                                       const std::optional<std::string>& car);

    std::string path_;
    Database db_;
    int schemaVersion_ = kHistorySchemaVersion;  // of the file, as opened
    HistoryFailure failure_;
};

// Opens the history at path, creating it and its folder (0700) when they are
// missing, migrating an older schema forward in one transaction. A file that
// is not a database, or fails its integrity check, is renamed aside with its
// journal files (history.sqlite3.damaged-YYYYMMDD-HHMMSS) and a new one is
// started. The integrity check reads the whole file, so it runs when the
// last one is a day old (or never ran), or always with checkAlways.
HistoryOpening OpenHistory(const std::string& path, bool checkAlways = false);

// Opens an existing history to read it and nothing else, as it is (no
// migration, no check, nothing set aside): for the commands that never
// write the history.
HistoryOpening OpenHistoryToRead(const std::string& path);

}  // namespace vx
