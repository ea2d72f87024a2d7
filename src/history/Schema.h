// The history's schema: its versions, each made by a step from the one
// before, the parts a database of each version has, and the small table of
// facts about the file itself (meta).
//
// Dates and times are nanoseconds since 1970 (UTC); keys are the 32 bytes of
// their SHA-256.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vx {

class Database;

// The schema this program writes, and the oldest program's schema that can
// read what it writes.
constexpr int kHistorySchemaVersion = 5;
constexpr int kHistoryOldestReader = 1;

// The SQL of the schema's step to version (1..kHistorySchemaVersion) from the
// one before: an older program's history is made of the steps up to its own.
const char* HistorySchemaStep(int version);

// The version the file says it has (PRAGMA user_version; 0 for a database
// that no program of ours has made a history yet).
std::optional<int> SchemaVersion(Database& db);

// A fact of the meta table: the oldest reader, when the file was checked.
std::optional<std::int64_t> MetaValue(Database& db, const char* name);
bool SetMetaValue(Database& db, const char* name, std::int64_t value);

// Takes the schema from its version to ours inside one transaction; another
// program may have done it meanwhile, so the version is read again inside.
// A new database is noted as checked now.
bool MigrateSchema(Database& db);

// What a database of this version (1..kHistorySchemaVersion) lacks of the
// tables and columns the steps up to it make: "" when nothing ("its table lap
// is missing"); none when the database cannot be read (its LastError says why).
std::optional<std::string> MissingFromSchema(Database& db, int version);

// Whether the database holds any table at all; none when it cannot be read.
std::optional<bool> HoldsTables(Database& db);

}  // namespace vx
