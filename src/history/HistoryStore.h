// The race history: one SQLite database per user that keeps every race the
// program has seen, and what is derived from it (history/HistoryFigures.h).
//
//   OpenHistory            opens to record (creating, migrating, setting a
//                          damaged database aside) and says what happened
//   OpenHistoryToRead      opens to read, never creating, moving or writing
//   HistoryStore           recording, the files already seen, the tracks with
//                          their personal bests, a track's progress, a best
//                          lap's path, forgetting, settings; laps of other
//                          drivers kept from lap files, a track's standings
//
// Its parts: history/Schema.cpp (the versions and their steps), Opening.cpp
// (opening, what a file given as the history is, setting aside),
// StoreWrites.cpp (recording, the files seen, forgetting, settings) and
// StoreReads.cpp (the tracks, progress and personal bests, best laps,
// damaged rows, a race's saved game) and KeptLaps.cpp (the laps of other
// drivers, the standings, a best lap as a lap file).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/Database.h"
#include "history/HistoryFigures.h"
#include "history/RaceRecord.h"
#include "history/Schema.h"
#include "history/Standings.h"
#include "toolkit/SystemServices.h"

namespace vx {

// The history file of the user: UserDataFolder() + "history.sqlite3"; empty
// when the system names no data folder.
std::string DefaultHistoryPath();

// A failure of the history, as the user is told it.
struct HistoryFailure {
    DatabaseFailure kind = DatabaseFailure::None;
    std::string message;  // the reason, for "History unavailable: ..."
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

    // Every track with its race count and personal bests (over every race,
    // per car, per driver and per car within a driver), by name: read in one
    // pass over the races, however many tracks and cars there are.
    std::optional<std::vector<TrackSummary>> Tracks();
    // The races of a layout (of one car on it, when car is given) in date
    // order; each race's PB mark says it lowered its own driver's best of
    // the races shown (another player's races never take it).
    std::optional<std::vector<ProgressRow>> Progress(const LayoutKey& layout,
                                                     const std::optional<std::string>& car = {});
    // One driver's races on a layout (in one car, when car is given) in
    // date order, with the PB marks of that driver's (and car's) best.
    std::optional<std::vector<ProgressRow>> DriverProgress(const LayoutKey& layout, const std::string& driver,
                                                           const std::optional<std::string>& car = {});
    // A driver's personal best on a layout, or in one car there; none
    // without such races (or on failure: LastFailure tells).
    std::optional<BestLapOfRace> PersonalBest(const LayoutKey& layout, const std::string& driver,
                                              const std::optional<std::string>& car = {});
    // The stored path of a race's best lap (timed vertices in map
    // coordinates, distances worked out), for a reference lap.
    std::optional<std::vector<PathVertex>> BestLapPath(const RaceKey& race);
    // A race's best lap with its path and speeds, for a reference lap.
    std::optional<StoredBestLap> BestLap(const RaceKey& race);
    // The best lap of the layout's races but one (the race shown): the
    // personal best set by another race, ties within 1 us going to the
    // earliest. None without another race (or on failure). Over every
    // driver's races, or a driver's own (in one car, when car is given).
    std::optional<BestLapOfRace> BestOfOtherRaces(const LayoutKey& layout, const RaceKey& besides);
    std::optional<BestLapOfRace> BestOfOtherRaces(const LayoutKey& layout, const RaceKey& besides,
                                                  const std::string& driver,
                                                  const std::optional<std::string>& car = {});
    // Whether the history holds the race (none on failure).
    std::optional<bool> Holds(const RaceKey& race);
    // The laps of a race.
    std::optional<std::vector<RaceLap>> Laps(const RaceKey& race);

    // The races whose key starts with these lowercase hex digits.
    std::optional<std::vector<RaceMatch>> FindRaces(const std::string& hexPrefix);
    // Removes a race with its laps and path; true when it was there.
    std::optional<bool> Forget(const RaceKey& race);

    // --- Laps of other drivers (KeptLaps.cpp) ---

    enum class Kept { New, AlreadyKept };
    // Keeps a lap file's lap as a lap of another driver, once: a lap kept
    // already (the same lap key) is left as it is. A lap LapFault finds
    // unsound is refused and nothing written. None on failure or refusal
    // (LastFailure says why).
    std::optional<Kept> KeepLapFile(const LapFile& lap);
    // Removes a kept lap; true when it was there.
    std::optional<bool> ForgetLap(const LapKey& key);
    // The kept laps of a layout, fastest first (equal times: the first kept).
    std::optional<std::vector<KeptLapRow>> KeptLaps(const LayoutKey& layout);
    // A kept lap with its path and speeds, for a reference lap.
    std::optional<StoredKeptLap> KeptLap(const LapKey& key);
    // The kept laps whose key starts with these lowercase hex digits.
    std::optional<std::vector<KeptLapMatch>> FindKeptLaps(const std::string& hexPrefix);
    // The layout's standings (history/Standings.h): every race of it and
    // every kept lap of it.
    std::optional<std::vector<StandingRow>> Standings(const LayoutKey& layout);
    // The best lap of one of your races as a lap file carries it (its
    // race's driver, car, date and track, its path and speeds), ready to be
    // written; none when the race is not there (or on failure).
    std::optional<LapFile> LapFileOf(const RaceKey& race);
    // A kept lap as the lap file it was kept from carried it (its path as
    // kept); none when it is not there (or on failure).
    std::optional<LapFile> LapFileOfKept(const LapKey& key);

    std::optional<std::string> Setting(const std::string& name);
    bool SetSetting(const std::string& name, const std::string& value);

    // How long a write waits for another program's lock before it fails
    // as Busy (DatabaseFailure::Busy): 5 s when opened; 0 fails at once,
    // for a caller that must never wait (the window).
    bool SetBusyWait(int milliseconds) { return db_.SetBusyWait(milliseconds); }

    // The races whose kept speeds (the best lap's, the laps' top speeds)
    // were worked out before speeds were chords over half a second, up to
    // limit of them: where their saved games were seen last. Empty for a
    // history only read.
    std::optional<std::vector<ProgressRow>> RacesWithOldSpeeds(std::size_t limit);
    // Replaces a race's kept speeds with those of its saved game read again
    // (the same bytes: redone.Race is the race's key) and marks them done.
    bool RedoSpeeds(const RaceRecord& redone);

    const HistoryFailure& LastFailure() const { return failure_; }

    // The damaged rows the reads have met and left out since the history was
    // opened, each once, in the order met: to be said once each.
    const std::vector<DamagedRow>& DamagedRows() const { return damaged_; }

private:
    friend HistoryOpening OpenHistory(const std::string& path, bool checkAlways);
    friend HistoryOpening OpenHistoryToRead(const std::string& path);
    // Refused: a file that is no race history, left as it is.
    enum class Opened { Ok, Damaged, Unavailable, Refused };
    // Which races a progress is of: every driver's or one's, every car or one.
    struct Selection {
        std::optional<std::string> driver;
        std::optional<std::string> car;
    };
    Opened OpenFile(bool checkAlways, HistoryOpening& opening);
    bool Fail();
    bool Writable();
    std::optional<std::int64_t> LayoutId(const LayoutKey& layout, bool create);
    std::optional<Recorded> Insert(const Pending& pending, std::int64_t now);
    std::optional<std::vector<ProgressRow>> ProgressOf(const LayoutKey& layout, const Selection& selection);
    std::optional<BestLapOfRace> BestOfOthers(const LayoutKey& layout, const RaceKey& besides,
                                              const Selection& selection);
    // Removes the row of a race or a kept lap by its key, and its layout
    // when nothing else is on it: true when it was there.
    std::optional<bool> RemoveKeyed(const char* table, const char* keyColumn, const Sha256Digest& key);
    void NoteDamaged(DamagedRow row);
    // Binds the race's key as the statement's one value and steps to its
    // row: false, with the failure, when it is not there or the read failed.
    bool StepToRace(Statement& read, const RaceKey& race);

    std::string path_;
    Database db_;
    int schemaVersion_ = kHistorySchemaVersion;  // of the file, as opened
    HistoryFailure failure_;
    std::vector<DamagedRow> damaged_;
};

// Opens the history at path to record, creating it and its folder (0700)
// when they are missing (an empty file is an empty history, as the engine
// takes it), migrating an older schema forward in one transaction. An SQLite
// database that fails its checks (its pages contradict each other, its
// integrity check fails, one of its tables or columns is missing) is renamed
// aside with its journal files (history.sqlite3.damaged-YYYYMMDD-HHMMSS) and
// a new one is started. Any other file (a saved game given as the history,
// a text, another program's database) is refused and left as it is, the
// problem saying what it is. The integrity check reads the whole file, so
// it runs when the last one is a day old (or never ran), or always with
// checkAlways.
HistoryOpening OpenHistory(const std::string& path, bool checkAlways = false);

// Opens an existing history to read it and nothing else, as it is (no
// migration, no integrity check, nothing set aside, created or written):
// for the commands that never write the history. "no race history at PATH"
// when there is none (no file, an empty one); a file that is no race
// history is refused as OpenHistory refuses it, a damaged one is said.
HistoryOpening OpenHistoryToRead(const std::string& path);

}  // namespace vx
