// The files the store reads beside its database: a file given as the
// history, to tell what it is before the database engine touches it, and a
// race's saved game, to tell whether it still holds the race.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vx {

// Up to limit bytes from the start of the regular file at path; none, with
// the reason, when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::int64_t limit,
                                                       std::string& error);

// What a file given as the history is, told by its first bytes with the
// parsers' own tests, nothing written.
struct HistoryFileKind {
    enum class Kind {
        None,      // nothing there, or an empty file: no history yet
        Database,  // begins as every SQLite database begins (or cannot be read: the engine says why)
        Damaged,   // begins so, but the rest of its header is no database's
        Other,     // anything else: a saved game, a track, a text, a folder
    };
    Kind kind = Kind::None;
    // Damaged: what is wrong ("its header is damaged"). Other: what it is
    // ("race.gam is a saved game, not a race history"; "… is not a race
    // history" when nothing tells).
    std::string said;
};
HistoryFileKind KindOfHistoryFile(const std::string& path);

}  // namespace vx
