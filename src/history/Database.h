// Our own small layer over SQLite's C API: the only code that talks to the
// database engine. Callers never see the engine's handles.
//
//   Database     one connection: opened and configured once, its statements
//                prepared once and kept, every result code checked here and
//                turned into a DatabaseFailure with the engine's message
//   Statement    one use of a prepared statement: typed binds and column
//                reads by index (both from 0), reset when the use ends. A
//                kept statement serves one use at a time: a use of the same
//                text while another is under way (a read loop that calls a
//                function reading the same rows) gets a statement of its own
//   Transaction  a scope that takes the write lock at Begin and rolls back
//                unless Commit succeeded
//
// SQL texts are fixed texts of the program; every value goes in through a
// bind, never into the text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vx {

// Why an operation on the database failed.
enum class DatabaseFailure {
    None,
    Unavailable,  // cannot be opened, created or written: permissions, a full disk, I/O
    Damaged,      // not a database, or its pages contradict each other
    Busy,         // another process held its lock past the wait
    ReadOnly,     // opened for reading only
    Failed,       // anything else (a constraint, the program's own mistake)
};

struct DatabaseError {
    DatabaseFailure kind = DatabaseFailure::None;
    std::string message;  // the engine's words, with the system's where it has them
};

class Database;

class Statement {
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    // Resets the statement and clears its binds for the next use (nothing
    // when the connection closed meanwhile).
    ~Statement();

    // An unusable statement (its text failed to prepare) binds nothing and
    // steps to no row; the database holds the reason.
    bool Valid() const { return statement_ != nullptr; }

    void BindInt64(int index, std::int64_t value);
    void BindDouble(int index, double value);
    void BindOptionalDouble(int index, const std::optional<double>& value);
    void BindText(int index, std::string_view utf8);
    void BindBlob(int index, std::span<const std::uint8_t> bytes);
    void BindNull(int index);

    // Runs to the next row: true when one came, false at the end or on a
    // failure (Succeeded tells which).
    bool Step();
    // Runs a statement that gives no rows; true when it succeeded.
    bool Run();
    bool Succeeded() const { return succeeded_; }

    std::int64_t ColumnInt64(int index) const;
    double ColumnDouble(int index) const;
    std::optional<double> ColumnOptionalDouble(int index) const;
    std::string ColumnText(int index) const;
    std::vector<std::uint8_t> ColumnBlob(int index) const;
    bool ColumnIsNull(int index) const;
    // An integer or a real, not text, a blob or NULL.
    bool ColumnIsNumber(int index) const;

private:
    friend class Database;
    // A kept statement is lent (inUse set while this use lasts); one of its
    // own (inUse null) is finalised when the use ends.
    Statement(Database& database, sqlite3_stmt* statement, bool* inUse);
    void Bound(int result);
    Database* database_;
    sqlite3_stmt* statement_;
    bool* inUse_;
    std::uint64_t connection_;  // the database's connection it belongs to
    bool succeeded_ = true;
};

class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    Database() = default;
    ~Database();  // closes the connection; a transaction still open is rolled back
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the database file at path (UTF-8), creating it in ReadWrite mode
    // when it is missing, with foreign keys on and a busy wait of 5 s. The
    // file itself is first read by the first statement. A ReadOnly
    // connection never creates the file and refuses every write.
    bool Open(const std::string& path, Mode mode);
    // Switches to the write-ahead journal (a write, when the file has another).
    bool UseWriteAheadJournal();
    // How long a statement (and the journal switch) waits for another
    // program's lock before it fails as Busy: 5 s from Open; 0 fails at once.
    bool SetBusyWait(int milliseconds);
    void Close();
    bool InTransaction() const;
    bool IsOpen() const { return db_ != nullptr; }
    Mode OpenMode() const { return mode_; }

    // The statement of this fixed text, prepared at its first use and kept;
    // while that one is in use, a statement of its own for this use.
    Statement Cached(const char* sql);
    // Runs fixed texts of one or more statements that give no rows.
    bool Execute(const char* sql);

    std::int64_t LastInsertRowId() const;
    std::int64_t Changes() const;

    // The failure of the last operation that failed (kind None when none
    // has failed since ClearError).
    const DatabaseError& LastError() const { return error_; }
    void ClearError() { error_ = {}; }

    // Records the result code of an operation: false, with the failure set,
    // unless it is a success.
    bool Check(int result);

private:
    friend class Statement;
    friend class Transaction;
    struct StatementDeleter {
        void operator()(sqlite3_stmt* statement) const;
    };
    struct Kept {
        std::unique_ptr<sqlite3_stmt, StatementDeleter> statement;
        bool inUse = false;
    };
    sqlite3_stmt* Prepare(const char* sql);
    sqlite3* db_ = nullptr;
    std::uint64_t connection_ = 0;  // counts the connections: a closed one's statements are gone
    Mode mode_ = Mode::ReadWrite;
    int busyWaitMs_ = 0;
    // The elements of an unordered map stay where they are as it grows: a
    // use holds its statement's inUse flag.
    std::unordered_map<std::string, Kept> cache_;
    DatabaseError error_;
};

// Takes the write lock at Begin (so that two writers never meet halfway) and
// rolls back when the scope is left without a successful Commit.
class Transaction {
public:
    explicit Transaction(Database& database) : database_(database) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Begin();
    bool Commit();

private:
    Database& database_;
    bool open_ = false;
};

}  // namespace vx
