#include "history/Database.h"

#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <thread>

#include "toolkit/SystemServices.h"

namespace vx {

namespace {

// How long a statement waits for another program's transaction to end.
constexpr std::chrono::milliseconds kBusyWait{5000};

}  // namespace

// --- Statement -------------------------------------------------------------------

Statement::Statement(Database& database, sqlite3_stmt* statement, bool* inUse)
    : database_(&database), statement_(statement), inUse_(inUse), connection_(database.connection_),
      succeeded_(statement != nullptr)
{
}

Statement::Statement(Statement&& other) noexcept
    : database_(other.database_), statement_(other.statement_), inUse_(other.inUse_),
      connection_(other.connection_), succeeded_(other.succeeded_)
{
    other.statement_ = nullptr;
}

Statement::~Statement()
{
    if (statement_ == nullptr)
        return;
    if (inUse_ == nullptr) {
        // A statement of this use alone; also after the connection closed,
        // which then ends with it.
        sqlite3_finalize(statement_);
        return;
    }
    if (connection_ != database_->connection_)
        return;  // finalised with the connection
    // Ends the statement's read of the database (a statement stopped after
    // its first row would otherwise keep its snapshot) and readies it for
    // the next use.
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    *inUse_ = false;
}

void Statement::Bound(int result)
{
    if (result != SQLITE_OK) {
        succeeded_ = false;
        database_->Check(result);
    }
}

void Statement::BindInt64(int index, std::int64_t value)
{
    if (statement_ != nullptr)
        Bound(sqlite3_bind_int64(statement_, index + 1, value));
}

void Statement::BindDouble(int index, double value)
{
    if (statement_ != nullptr)
        Bound(sqlite3_bind_double(statement_, index + 1, value));
}

void Statement::BindOptionalDouble(int index, const std::optional<double>& value)
{
    if (value)
        BindDouble(index, *value);
    else
        BindNull(index);
}

void Statement::BindText(int index, std::string_view utf8)
{
    if (statement_ != nullptr)
        Bound(sqlite3_bind_text64(statement_, index + 1, utf8.data(), utf8.size(), SQLITE_TRANSIENT,
                                  SQLITE_UTF8));
}

void Statement::BindBlob(int index, std::span<const std::uint8_t> bytes)
{
    // A blob of no bytes is still a blob, not NULL: it needs a pointer.
    static const std::uint8_t kNothing = 0;
    if (statement_ != nullptr)
        Bound(sqlite3_bind_blob64(statement_, index + 1, bytes.empty() ? &kNothing : bytes.data(),
                                  bytes.size(), SQLITE_TRANSIENT));
}

void Statement::BindNull(int index)
{
    if (statement_ != nullptr)
        Bound(sqlite3_bind_null(statement_, index + 1));
}

bool Statement::Step()
{
    if (statement_ == nullptr || !succeeded_)
        return false;
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE) {
        succeeded_ = false;
        database_->Check(result);
    }
    return false;
}

bool Statement::Run()
{
    while (Step()) {
    }
    return succeeded_;
}

std::int64_t Statement::ColumnInt64(int index) const
{
    return statement_ != nullptr ? sqlite3_column_int64(statement_, index) : 0;
}

double Statement::ColumnDouble(int index) const
{
    return statement_ != nullptr ? sqlite3_column_double(statement_, index) : 0.0;
}

std::optional<double> Statement::ColumnOptionalDouble(int index) const
{
    if (ColumnIsNull(index))
        return std::nullopt;
    return ColumnDouble(index);
}

std::string Statement::ColumnText(int index) const
{
    if (statement_ == nullptr)
        return {};
    const auto* text = sqlite3_column_text(statement_, index);
    const int bytes = sqlite3_column_bytes(statement_, index);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes))
                           : std::string();
}

std::vector<std::uint8_t> Statement::ColumnBlob(int index) const
{
    if (statement_ == nullptr)
        return {};
    const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, index));
    const int bytes = sqlite3_column_bytes(statement_, index);
    return blob != nullptr ? std::vector<std::uint8_t>(blob, blob + bytes) : std::vector<std::uint8_t>();
}

bool Statement::ColumnIsNull(int index) const
{
    return statement_ == nullptr || sqlite3_column_type(statement_, index) == SQLITE_NULL;
}

bool Statement::ColumnIsNumber(int index) const
{
    if (statement_ == nullptr)
        return false;
    const int type = sqlite3_column_type(statement_, index);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// --- Database --------------------------------------------------------------------

void Database::StatementDeleter::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

Database::~Database()
{
    Close();
}

bool Database::Open(const std::string& path, Mode mode)
{
    Close();
    ClearError();
    mode_ = mode;
    // A connection to read opens the file for writing all the same, where
    // the system lets it (else for reading), and refuses every write itself
    // (query_only): only a connection that may write removes, as the last
    // one to close, the journal files that reading a write-ahead journal
    // makes beside the file, so that reading leaves the folder as it was.
    // It never creates the file.
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int opened = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (db_ != nullptr)
        sqlite3_extended_result_codes(db_, 1);
    if (!Check(opened)) {
        const DatabaseError error = error_;
        Close();
        error_ = error;
        return false;
    }
    if (!SetBusyWait(static_cast<int>(kBusyWait.count())) || !Execute("PRAGMA foreign_keys=ON;") ||
        (mode == Mode::ReadOnly && !Execute("PRAGMA query_only=ON;"))) {
        const DatabaseError error = error_;
        Close();
        error_ = error;
        return false;
    }
    return true;
}

bool Database::UseWriteAheadJournal()
{
    // NORMAL synchronisation is safe with the write-ahead journal: a crash of
    // the process loses nothing committed, and a crash of the system at most
    // the last commits, never the database's consistency. The journal is
    // copied back into the database every 16 MB rather than every 4 MB: each
    // copy waits for the disk twice.
    //
    // Switching a new database to the journal needs it to itself for a
    // moment, and the engine answers "locked" at once, without waiting as it
    // does for a transaction, when another program is opening it too: the
    // switch is tried again for as long as a transaction would wait.
    const auto waited = std::chrono::steady_clock::now();
    while (!Execute("PRAGMA journal_mode=WAL;")) {
        if (error_.kind != DatabaseFailure::Busy ||
            std::chrono::steady_clock::now() - waited > std::chrono::milliseconds(busyWaitMs_))
            return false;
        ClearError();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Execute("PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=4000;");
}

bool Database::SetBusyWait(int milliseconds)
{
    if (db_ == nullptr || !Check(sqlite3_busy_timeout(db_, milliseconds)))
        return false;
    busyWaitMs_ = milliseconds;
    return true;
}

bool Database::InTransaction() const
{
    return db_ != nullptr && sqlite3_get_autocommit(db_) == 0;
}

void Database::Close()
{
    cache_.clear();  // statements are finalised before their connection
    if (db_ != nullptr)
        sqlite3_close_v2(db_);  // rolls back an open transaction
    db_ = nullptr;
    ++connection_;
}

sqlite3_stmt* Database::Prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!Check(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr)) ||
        statement == nullptr) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

Statement Database::Cached(const char* sql)
{
    if (db_ == nullptr) {
        error_ = {DatabaseFailure::Failed, "the database is not open"};
        return Statement(*this, nullptr, nullptr);
    }
    auto it = cache_.find(sql);
    if (it == cache_.end()) {
        sqlite3_stmt* statement = Prepare(sql);
        if (statement == nullptr)
            return Statement(*this, nullptr, nullptr);
        it = cache_.emplace(sql, Kept{std::unique_ptr<sqlite3_stmt, StatementDeleter>(statement)}).first;
    }
    Kept& kept = it->second;
    if (kept.inUse)
        return Statement(*this, Prepare(sql), nullptr);
    kept.inUse = true;
    return Statement(*this, kept.statement.get(), &kept.inUse);
}

bool Database::Execute(const char* sql)
{
    if (db_ == nullptr) {
        error_ = {DatabaseFailure::Failed, "the database is not open"};
        return false;
    }
    return Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

std::int64_t Database::LastInsertRowId() const
{
    return db_ != nullptr ? sqlite3_last_insert_rowid(db_) : 0;
}

std::int64_t Database::Changes() const
{
    return db_ != nullptr ? sqlite3_changes64(db_) : 0;
}

bool Database::Check(int result)
{
    if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE)
        return true;
    DatabaseFailure kind = DatabaseFailure::Failed;
    switch (result & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: kind = DatabaseFailure::Damaged; break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: kind = DatabaseFailure::Busy; break;
    case SQLITE_READONLY: kind = DatabaseFailure::ReadOnly; break;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_PERM:
    case SQLITE_NOLFS:
    case SQLITE_AUTH: kind = DatabaseFailure::Unavailable; break;
    default: break;
    }
    // Opened for writing, a file or folder that cannot be written makes the
    // history unavailable; ReadOnly is for a connection opened to read.
    if (kind == DatabaseFailure::ReadOnly && mode_ == Mode::ReadWrite)
        kind = DatabaseFailure::Unavailable;
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    const int systemError = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
    if (systemError != 0 && kind == DatabaseFailure::Unavailable)
        message += " (" + SystemErrorText(systemError) + ")";
    error_ = {kind, message};
    return false;
}

// --- Transaction -------------------------------------------------------------------

bool Transaction::Begin()
{
    open_ = database_.Cached("BEGIN IMMEDIATE").Run();
    return open_;
}

bool Transaction::Commit()
{
    if (!open_)
        return false;
    if (!database_.Cached("COMMIT").Run())
        return false;  // still open: the destructor rolls it back
    open_ = false;
    return true;
}

Transaction::~Transaction()
{
    if (!open_ || !database_.InTransaction())
        return;
    // The engine may have rolled back by itself already (a full disk); the
    // failure that caused it stays the one reported.
    const DatabaseError error = database_.LastError();
    database_.Execute("ROLLBACK");
    if (error.kind != DatabaseFailure::None)
        database_.error_ = error;
}

}  // namespace vx
