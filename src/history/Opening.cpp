// Opening the history: the folder made, a file that is no race history
// refused, a damaged database set aside, an older one migrated, the
// integrity check when it is due; opening to read alone; and the damage met
// while in use.
#include "history/HistoryStore.h"

#include <algorithm>

#include "history/FileKinds.h"
#include "toolkit/Platform.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr std::int64_t kCheckInterval = 24LL * 3600 * 1'000'000'000;  // a day

constexpr const char* kNewerUnreadable =
    "it was written by a newer version of vxanalyser that this one cannot read";

// The damaged file's new name: beside it, with the time it was set aside.
std::string DamagedName(const std::string& path, int attempt)
{
    const std::string date = DateText(NowNs());  // YYYY-MM-DDTHH:MM:SSZ
    std::string name = path + ".damaged-";
    for (const std::size_t at : {0, 1, 2, 3, 5, 6, 8, 9})
        name += date[at];
    name += '-';
    for (const std::size_t at : {11, 12, 14, 15, 17, 18})
        name += date[at];
    if (attempt != 0) {
        name += '-';
        name += std::to_string(attempt + 1);
    }
    return name;
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

HistoryFailure FailureOf(const DatabaseError& error)
{
    return {error.kind == DatabaseFailure::None ? DatabaseFailure::Failed : error.kind, error.message};
}

// An SQLite database that no program of ours made a history: another
// program's, refused as such.
std::string AnotherProgramsDatabase(const std::string& path)
{
    return FileNameToUtf8(FileNamePart(path)) + " is a database of another program, not a race history";
}

std::string NoHistoryAt(const std::string& path)
{
    return "no race history at " + FileNameToUtf8(path);
}

std::string DamagedProblem(const std::string& why)
{
    return "it is damaged (" + why + ")";
}

}  // namespace

std::string DefaultHistoryPath()
{
    const std::string folder = UserDataFolder();
    return folder.empty() ? std::string() : folder + "history.sqlite3";
}

HistoryStore::Opened HistoryStore::OpenFile(bool checkAlways, HistoryOpening& opening)
{
    // Told before the database engine opens it: the engine would take a
    // journal beside such a file for its own and remove it.
    const HistoryFileKind file = KindOfHistoryFile(path_);
    if (file.kind == HistoryFileKind::Kind::Other || file.kind == HistoryFileKind::Kind::Damaged) {
        opening.Problem = file.said;
        return file.kind == HistoryFileKind::Kind::Other ? Opened::Refused : Opened::Damaged;
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
    const auto closed = [&](Opened kind, std::string why) {
        opening.Problem = std::move(why);
        db_.Close();
        return kind;
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
        if (!oldest || *oldest > kHistorySchemaVersion)
            return closed(Opened::Unavailable, kNewerUnreadable);
        db_.Close();
        if (!db_.Open(path_, Database::Mode::ReadOnly))
            return classified();
        opening.ReadOnlyNote =
            "The history was written by a newer version of vxanalyser: it is read, never written";
        return Opened::Ok;
    }
    if (*version == 0) {
        // A new history has no table yet (nothing written, or nothing at all).
        const auto tables = HoldsTables(db_);
        if (!tables)
            return classified();
        if (*tables)
            return closed(Opened::Refused, AnotherProgramsDatabase(path_));
    } else {
        const auto missing = MissingFromSchema(db_, *version);
        if (!missing)
            return classified();
        if (!missing->empty())
            return closed(Opened::Damaged, *missing);
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
        if (verdict != "ok")
            return closed(Opened::Damaged, "it fails its integrity check: " + verdict);
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
        if (opened != HistoryStore::Opened::Damaged || attempt > 0)
            return opening;
        // A damaged database: kept aside, nothing deleted, and a new one
        // started in its place.
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
    const HistoryFileKind file = KindOfHistoryFile(path);
    switch (file.kind) {
    case HistoryFileKind::Kind::None: opening.Problem = NoHistoryAt(path); return opening;
    case HistoryFileKind::Kind::Damaged: opening.Problem = DamagedProblem(file.said); return opening;
    case HistoryFileKind::Kind::Other: opening.Problem = file.said; return opening;
    case HistoryFileKind::Kind::Database: break;
    }
    auto store = std::make_unique<HistoryStore>(path);
    Database& db = store->db_;
    const auto unavailable = [&] {
        const DatabaseError& error = db.LastError();
        opening.Problem = error.kind == DatabaseFailure::Damaged ? DamagedProblem(error.message) : error.message;
        return std::move(opening);
    };
    if (!db.Open(path, Database::Mode::ReadOnly))
        return unavailable();
    const auto version = SchemaVersion(db);
    if (!version)
        return unavailable();
    if (*version == 0) {
        const auto tables = HoldsTables(db);
        if (!tables)
            return unavailable();
        opening.Problem = *tables ? AnotherProgramsDatabase(path) : NoHistoryAt(path);
        return opening;
    }
    if (*version > kHistorySchemaVersion) {
        const auto oldest = MetaValue(db, "oldest_reader");
        if (!oldest || *oldest > kHistorySchemaVersion) {
            opening.Problem = kNewerUnreadable;
            return opening;
        }
    } else {
        const auto missing = MissingFromSchema(db, *version);
        if (!missing)
            return unavailable();
        if (!missing->empty()) {
            opening.Problem = DamagedProblem(*missing);
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
                    schemaVersion_ > kHistorySchemaVersion
                        ? "the history was written by a newer version of vxanalyser: it is never written"
                        : "the history was opened to be read alone: it is never written"};
        return false;
    }
    return true;
}

}  // namespace vx
