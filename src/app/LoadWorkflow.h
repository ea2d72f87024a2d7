// "Load": the saved game, its track, and every picture of the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/AppState.h"

namespace vx {

// What "Load" does: asks for a saved game, finds its track and redraws the
// analysis. A load that stops early leaves the previous analysis whole and
// says why in the message log. True when the new analysis was committed.
bool LoadGame(AppState& state, Toolkit& toolkit);

// The same, for a saved game named from outside (the command line, a drop):
// the path takes the place of the "Open Game" answer. A track path, when
// given, is used instead of the lookup.
bool LoadGameFrom(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                  const std::string& trackPath = {});

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

// The path itself when it exists; otherwise a file (in a folder) whose names
// differ from it only in letter case, or "" when there is none. Saved games
// and tracks often come from file systems that ignore case.
std::string FindIgnoringCase(const std::string& path);

// A name that could lead out of the folders or is empty before ".trk".
bool UnsafeTrackName(const std::string& name);

bool EndsWithIgnoringCase(const std::string& text, const std::string& end);
// A path whose name ends in ".gam", in any letter case, with something before.
bool IsSavedGameName(const std::string& path);

// Commits an analysis built outside the window's load: the game and track
// bytes with their parsed data, then draws every picture as "Load" does.
// trackFileName is the track's name as shown (the program's texts).
void CommitAnalysis(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                    std::vector<std::uint8_t> gameBytes, GameData game,
                    const std::string& trackPath, const std::string& trackFileName,
                    std::vector<std::uint8_t> trackBytes, TrackData track);

// "1,234,567".
std::string GroupedNumber(std::int64_t value);

}  // namespace vx
