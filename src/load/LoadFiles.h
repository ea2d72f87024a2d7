// The files of a load: read whole, as one version of the file; found
// whatever the letter case of their names; and the tests of those names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/LapFile.h"
#include "formats/Parsed.h"
#include "state/AppState.h"

namespace vx {

// A file read whole, or the reason it was not.
struct FileRead {
    enum class Result { Ok, Missing, Unreadable, TooLarge, Changed };
    Result result = Result::Missing;
    std::vector<std::uint8_t> bytes;
    std::int64_t length = 0;  // the file's length, also when too large
    std::string reason;
};
// The file as one version: a read that meets a change of the file (its size,
// times or identity) is made again, up to kReadAttempts times in all, and
// then gives Changed.
constexpr int kReadAttempts = 5;
FileRead ReadWholeFile(Toolkit& toolkit, const std::string& path, std::int64_t limit);

// The lap file at path, read whole (its size looked at first: a file too
// large is refused unread) and checked (formats/LapFile.h); refused with one
// line that names it as shownName: "Lap file not found: lap.vxlap",
// "Cannot read lap file: lap.vxlap (REASON)", "Lap file changed while being
// read: lap.vxlap", or the reader's own refusals.
Parsed<LapFile> ReadLapFileAt(Toolkit& toolkit, const std::string& path, const std::string& shownName);

// The path itself when it exists; otherwise a file (in a folder) whose names
// differ from it only in letter case (SameIgnoringLetterCase), or "" when
// there is none. Saved games and tracks often come from file systems that
// ignore case.
std::string FindIgnoringCase(Toolkit& toolkit, const std::string& path);

// A name that could lead out of the folders or is empty before ".trk".
bool UnsafeTrackName(const std::string& name);

}  // namespace vx
