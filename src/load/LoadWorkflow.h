// "Load": the saved game, its track, and every picture of the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/AppState.h"

namespace vx {

// What "Load" does: asks for a saved game, finds its track and redraws the
// analysis. The requesters stand in front of window, the one the user acted
// in. A load that stops early leaves the previous analysis whole and says
// why (SayFailure); both requesters cancelled is no failure, and only
// logged. True when the new analysis was committed.
bool LoadGame(AppState& state, Toolkit& toolkit, int window = MainWindow);

// How the messages of a load name the files named from outside: by their
// file names (the window's log), or as the user gave them (the command line,
// where the path typed is the one to look at again).
enum class Naming { FileName, AsGiven };

// The same, for a saved game named from outside (the command line, a drop):
// the path takes the place of the "Open Game" answer. A track path, when
// given, is used instead of the lookup. Whatever its name, the file is a
// saved game when it parses as one. window: the window the user gave the
// file to, or NoWindow for the command line's own commands.
bool LoadGameFrom(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                  const std::string& trackPath = {}, int window = NoWindow,
                  Naming naming = Naming::FileName);

// The same for a race of the history: the saved game is committed only when
// its bytes are still the race's (their digest is its key); otherwise the
// failure says it changed since it was recorded, in front of window.
bool LoadRecordedRace(AppState& state, Toolkit& toolkit, const std::string& gamePath, const Sha256Digest& race,
                      int window);

// The same for a saved game the program found itself (a followed folder):
// nobody asked for it, so nothing asks the user anything (a track the
// lookup does not find is a failure) and failures go to the log alone.
bool LoadFoundGame(AppState& state, Toolkit& toolkit, const std::string& gamePath);

// The same load, committed without drawing anything (the report).
bool LoadGameData(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                  const std::string& trackPath = {}, Naming naming = Naming::FileName);

// Why a load stopped. The message names the file and gives the reason.
struct LoadProblem {
    enum class Kind { NotFound, TooLarge, Unreadable, ChangedWhileRead, Damaged, NotASavedGame,
                      NotATrackFile, NoTrackChosen, NotTheRecordedRace };
    Kind kind = Kind::NotFound;
    bool track = false;  // the track, else the saved game
    std::string name;    // the file's name, or its path as given (UTF-8)
    // Why; for a track the lookup did not find, the saved game it was
    // looked for and the folders it was looked for in.
    std::string reason;
};
std::string LoadProblemMessage(const LoadProblem& problem);

// The files of a load, read and parsed, waiting for the commit.
struct StagedLoad {
    std::string GamePath;         // empty, with length 0, for no saved game
    std::int64_t GameLength = 0;
    Sha256Digest GameDigest{};    // the race's key and the layout's (history/RaceRecord.h)
    GameData Game;
    std::string TrackPath;
    std::string TrackFileName;    // the track's name as shown (the program's texts)
    Sha256Digest LayoutDigest{};
    TrackData Track;
};

// The one step that writes the committed analysis: the staged files whole,
// the replay cut into laps, lap 0 shown. Without pixels the laps keep their
// times alone: an analysis that is reported, never drawn.
void CommitLoad(AppState& state, StagedLoad&& staged, bool keepPixels = true);

// Every picture of the committed analysis, in the order "Load" draws them,
// and the lap selector at lap 0.
void DrawAnalysis(AppState& state, Toolkit& toolkit);

}  // namespace vx
