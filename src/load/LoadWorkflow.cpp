// The load: the saved game, the track lookup, and the redraw of everything.
//
// Files are read and checked in staging buffers; only a load that has both a
// valid saved game and a valid track is committed into the data block and
// drawn, so a load that stops early leaves the previous analysis whole.
//
// Reading the files and finding them: load/LoadFiles.h.
//
// Sections: failures; the load itself; the commit.
#include "load/LoadWorkflow.h"

#include <optional>

#include "laps/DriverTable.h"
#include "laps/Gauges.h"
#include "laps/LapNavigation.h"
#include "laps/LapView.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"
#include "trackmap/Objects.h"

namespace vx {

// --- Failures -------------------------------------------------------------------

std::string LoadProblemMessage(const LoadProblem& problem)
{
    const std::string what = problem.track ? "Track" : "Saved game";
    const std::string reason = " (" + problem.reason + ")";
    switch (problem.kind) {
    case LoadProblem::Kind::NotFound:
        return what + " not found: " + problem.name + (problem.reason.empty() ? "" : reason);
    case LoadProblem::Kind::TooLarge: return what + " too large: " + problem.name + reason;
    case LoadProblem::Kind::Unreadable:
        return std::string("Cannot read ") + (problem.track ? "track" : "saved game") + ": " +
               problem.name + reason;
    case LoadProblem::Kind::ChangedWhileRead:
        return what + " changed while being read: " + problem.name;
    case LoadProblem::Kind::Damaged: return what + " damaged: " + problem.name + reason;
    case LoadProblem::Kind::NotASavedGame: return "Not a saved game: " + problem.name + reason;
    case LoadProblem::Kind::NotATrackFile: return "Not a track file: " + problem.name + reason;
    case LoadProblem::Kind::NoTrackChosen: return "No track chosen";
    case LoadProblem::Kind::NotTheRecordedRace:
        return "Saved game changed since the history recorded it: " + problem.name;
    }
    return {};
}

// --- The load -----------------------------------------------------------------

namespace {

// The name the track requester's title gives when no saved game was chosen,
// and a track chosen under that name counts as none chosen: the system's
// word for "no file".
constexpr const char* kNoFileName = "nix";

// A requester's answer: the path chosen, or none when it was cancelled (an
// answer of fewer than 3 characters).
std::optional<std::string> ChosenPath(const std::string& answer)
{
    if (answer.size() < 3)
        return std::nullopt;
    return answer;
}

// The saved game a load reads, and the name its messages give it.
struct GameChoice {
    std::string path;
    std::string name;
};

// The choice of a path: named by its file name, or as given.
std::optional<GameChoice> ChoiceOf(const std::optional<std::string>& path, const std::string& given, Naming naming)
{
    if (!path)
        return std::nullopt;
    return GameChoice{*path, naming == Naming::AsGiven ? given : FileNamePart(*path)};
}

// What the load decides on its way, beside the files it stages.
struct Staging {
    StagedLoad files;
    // The saved game's track name + ".trk"; none without a saved game.
    std::optional<std::string> storedTrackName;
    // Why a track candidate that is there could not be read: said instead
    // of "not found" when no track is chosen after it.
    std::optional<LoadProblem> candidateFailure;
    // Whether the track may be asked for when the lookup finds none: not
    // for a saved game nobody asked for (one found in a followed folder).
    bool mayAsk = true;
};

LoadProblem ReadProblem(const FileRead& read, bool track, const std::string& name)
{
    switch (read.result) {
    case FileRead::Result::Missing: return {LoadProblem::Kind::NotFound, track, name, {}};
    case FileRead::Result::TooLarge: return {LoadProblem::Kind::TooLarge, track, name, read.reason};
    case FileRead::Result::Changed: return {LoadProblem::Kind::ChangedWhileRead, track, name, {}};
    default: return {LoadProblem::Kind::Unreadable, track, name, read.reason};
    }
}

// Reads and parses the chosen saved game, whatever its name: a saved game is
// what parses as one. Its track name is what the lookup looks for.
std::optional<LoadProblem> LoadGameFile(Toolkit& toolkit, const GameChoice& game, Staging& staging)
{
    const std::string& path = game.path;
    FileRead read = ReadWholeFile(toolkit, path, kMaxGameFileBytes);
    if (read.result != FileRead::Result::Ok)
        return ReadProblem(read, false, game.name);
    Parsed<GameData> parsed = ParseGameFile(read.bytes);
    if (!parsed.ok()) {
        const auto kind =
            parsed.refusal == Refusal::NotThisKind ? LoadProblem::Kind::NotASavedGame : LoadProblem::Kind::Damaged;
        return LoadProblem{kind, false, game.name, parsed.error};
    }
    staging.files.GamePath = path;
    staging.files.GameLength = read.length;
    staging.files.GameDigest = Sha256(read.bytes);
    staging.files.Game = std::move(*parsed.value);
    staging.storedTrackName = staging.files.Game.TrackFileName;
    return std::nullopt;
}

// Reads and parses the track at path (or its twin in another letter case).
// A track that is missing or unreadable lets the lookup go on, unless it was
// the last chance; one that is too large, keeps changing or cannot be parsed
// stops the load.
enum class TrackRead { Found, NotThere, Stop };

// The track's messages name it by name, or (a track given) as given.
TrackRead LoadTrackFile(Toolkit& toolkit, const std::string& path, bool lastChance,
                        Staging& staging, std::optional<LoadProblem>& problem,
                        const std::optional<std::string>& givenName = std::nullopt)
{
    const std::string found = FindIgnoringCase(toolkit, path);
    const std::string read_path = found.empty() ? path : found;
    const std::string name = givenName ? *givenName : FileNamePart(path);
    const FileRead read = ReadWholeFile(toolkit, read_path, kMaxTrackFileBytes);
    if (read.result == FileRead::Result::Ok) {
        Parsed<TrackData> parsed = ParseTrackFile(read.bytes);
        if (!parsed.ok()) {
            LoadProblem refused{LoadProblem::Kind::Damaged, true, givenName ? *givenName : FileNamePart(read_path),
                                parsed.error};
            if (parsed.refusal == Refusal::NotThisKind) {
                refused.kind = LoadProblem::Kind::NotATrackFile;
                if (ParseGameFile(read.bytes).ok())
                    refused.reason = "it is a saved game";
            }
            problem = refused;
            return TrackRead::Stop;
        }
        staging.files.TrackPath = read_path;
        staging.files.LayoutDigest = Sha256(LayoutBytes(read.bytes, parsed.value->TrackInfoBase));
        staging.files.Track = std::move(*parsed.value);
        return TrackRead::Found;
    }
    if (read.result == FileRead::Result::TooLarge || read.result == FileRead::Result::Changed ||
        lastChance) {
        problem = ReadProblem(read, true, name);
        return TrackRead::Stop;
    }
    if (read.result == FileRead::Result::Unreadable && !staging.candidateFailure)
        staging.candidateFailure = ReadProblem(read, true, name);
    return TrackRead::NotThere;
}

// What a track's lookup was: for the saved game named, in the folders
// searched (without their last separator): "for race.gam, looked for in
// /home/mara/Game/Saves and /home/mara/Game/Tracks". The saved game comes
// first: the folders may be long.
std::string LookupText(const std::optional<GameChoice>& game, const std::vector<std::string>& searched)
{
    std::string text = game ? "for " + game->name : std::string();
    for (std::size_t i = 0; i < searched.size(); ++i) {
        std::string folder = FileNameToUtf8(searched[i]);
        const bool root = folder.size() < 2 || folder[folder.size() - 2] == ':';  // "/" and "C:\" keep it
        if (!root && (folder.back() == '/' || folder.back() == '\\'))
            folder.pop_back();
        text += i == 0 ? (text.empty() ? "looked for in " : ", looked for in ") : " and ";
        text += folder;
    }
    return text;
}

// The saved game chosen (or the committed one when none was), then its
// track: beside the saved game, in the "Tracks" folder beside "Saves", or as
// the user chooses.
std::optional<LoadProblem> StageLoad(AppState& state, Toolkit& toolkit, const std::optional<GameChoice>& game,
                                     const std::string& givenTrack, Naming naming, int window,
                                     const Sha256Digest* recordedRace, Staging& staging)
{
    if (game) {
        state.GameDirectory = FolderPart(game->path);
        if (auto problem = LoadGameFile(toolkit, *game, staging))
            return problem;
        if (recordedRace && staging.files.GameDigest != *recordedRace)
            return LoadProblem{LoadProblem::Kind::NotTheRecordedRace, false, FileNamePart(game->path), {}};
    } else {
        // No saved game chosen: a track chosen below pairs with the game of
        // the current analysis (an empty game before the first load).
        staging.files.Game = state.HasGame ? state.Game : GameData{};
        staging.files.GamePath = state.GamePath;
        staging.files.GameLength = state.GameLength;
        staging.files.GameDigest = state.GameDigest;
    }

    std::optional<LoadProblem> problem;
    if (!givenTrack.empty()) {
        staging.files.TrackFileName = FileNameToCp1252(FileNamePart(givenTrack));
        LoadTrackFile(toolkit, givenTrack, true, staging, problem,
                      naming == Naming::AsGiven ? std::optional<std::string>(givenTrack) : std::nullopt);
        return problem;
    }

    // The stored name is Windows-1252, file names are UTF-8: the name is
    // looked for in both spellings (a track copied from an old disk keeps
    // its 8-bit name).
    const std::optional<std::string>& storedTrack = staging.storedTrackName;
    const std::string stored = storedTrack ? FileNamePart(*storedTrack) : kNoFileName;
    const std::string name = Cp1252ToUtf8(stored);
    // Where the lookup looked, for the message when it finds nothing.
    std::vector<std::string> searched;
    if (storedTrack && !UnsafeTrackName(*storedTrack)) {
        std::vector<std::string> spellings = {name};
        if (stored != name)
            spellings.push_back(stored);
        const std::string altFolder = ReplaceText(state.GameDirectory, "Saves", "Tracks", 1);
        searched = {state.GameDirectory};
        if (altFolder != state.GameDirectory)
            searched.push_back(altFolder);
        for (const std::string& folder : searched) {
            for (const std::string& spelling : spellings) {
                const TrackRead read = LoadTrackFile(toolkit, folder + spelling, false, staging, problem);
                if (read == TrackRead::Found) {
                    staging.files.TrackFileName = *storedTrack;
                    return std::nullopt;
                }
                if (read == TrackRead::Stop)
                    return problem;
            }
        }
    }

    state.TrackDirectory = state.GameDirectory;
    std::optional<std::string> chosen;
    if (staging.mayAsk)
        chosen = ChosenPath(toolkit.AskOpenFile(window, "Open Track: " + stored, state.TrackDirectory, "trk|*.trk", 0));
    if (chosen && FileNamePart(*chosen) == kNoFileName)
        chosen.reset();
    if (!chosen) {
        // Both requesters cancelled: nothing was looked for.
        if (!storedTrack)
            return LoadProblem{LoadProblem::Kind::NoTrackChosen, true, {}, {}};
        if (staging.candidateFailure)
            return *staging.candidateFailure;
        return LoadProblem{LoadProblem::Kind::NotFound, true, name, LookupText(game, searched)};
    }
    state.TrackDirectory = FolderPart(*chosen);
    staging.files.TrackFileName = FileNameToCp1252(FileNamePart(*chosen));
    LoadTrackFile(toolkit, *chosen, true, staging, problem);
    return problem;
}

// Marks the load as running: "Load", drops and lap navigation are ignored
// until it ends, however it ends.
class LoadGuard {
public:
    LoadGuard(AppState& state, Toolkit& toolkit) : state_(state), toolkit_(toolkit)
    {
        state_.Loading = true;
        toolkit_.SetBusy(true);
    }
    ~LoadGuard()
    {
        state_.Loading = false;
        toolkit_.SetBusy(false);
    }
    LoadGuard(const LoadGuard&) = delete;
    LoadGuard& operator=(const LoadGuard&) = delete;

private:
    AppState& state_;
    Toolkit& toolkit_;
};

bool RunLoad(AppState& state, Toolkit& toolkit, const std::optional<GameChoice>& game,
             const std::string& givenTrack, Naming naming, bool draw, int window,
             const Sha256Digest* recordedRace = nullptr, bool mayAsk = true)
{
    Staging staging;
    staging.mayAsk = mayAsk;
    if (const auto problem = StageLoad(state, toolkit, game, givenTrack, naming, window, recordedRace, staging)) {
        if (problem->kind == LoadProblem::Kind::NoTrackChosen)
            LogMessage(state, toolkit, LoadProblemMessage(*problem));  // the user's choice
        else
            SayFailure(state, toolkit, window, LoadProblemMessage(*problem));
        return false;
    }
    CommitLoad(state, std::move(staging.files), draw);
    if (draw)
        DrawAnalysis(state, toolkit);
    // Short enough for the log line under the lap selector; the map names
    // the track.
    const std::int32_t laps = state.Laps.LapCount;
    LogMessage(state, toolkit,
               state.HasGame ? "Loaded " + FileNamePart(state.GamePath) + ": " + IntToText(laps) +
                                   (laps == 1 ? " lap" : " laps")
                             : "Loaded " + Cp1252ToUtf8(state.TrackFileName) + " without a saved game");
    return true;
}

}  // namespace

bool LoadGame(AppState& state, Toolkit& toolkit, int window)
{
    if (state.Loading)
        return false;
    const LoadGuard guard(state, toolkit);
    const auto game = ChosenPath(toolkit.AskOpenFile(window, "Open Game", state.GameDirectory, "gam|*.gam", 0));
    return RunLoad(state, toolkit, ChoiceOf(game, {}, Naming::FileName), {}, Naming::FileName, true, window);
}

bool LoadGameFrom(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                  const std::string& trackPath, int window, Naming naming)
{
    if (state.Loading)
        return false;
    const LoadGuard guard(state, toolkit);
    return RunLoad(state, toolkit, ChoiceOf(ChosenPath(toolkit.AbsolutePath(gamePath)), gamePath, naming),
                   trackPath, naming, true, window);
}

bool LoadRecordedRace(AppState& state, Toolkit& toolkit, const std::string& gamePath, const Sha256Digest& race,
                      int window)
{
    if (state.Loading)
        return false;
    const LoadGuard guard(state, toolkit);
    return RunLoad(state, toolkit, ChoiceOf(ChosenPath(toolkit.AbsolutePath(gamePath)), gamePath, Naming::FileName),
                   {}, Naming::FileName, true, window, &race);
}

bool LoadFoundGame(AppState& state, Toolkit& toolkit, const std::string& gamePath)
{
    if (state.Loading)
        return false;
    const LoadGuard guard(state, toolkit);
    return RunLoad(state, toolkit, ChoiceOf(ChosenPath(toolkit.AbsolutePath(gamePath)), gamePath, Naming::FileName),
                   {}, Naming::FileName, true, NoWindow, nullptr, false);
}

bool LoadGameData(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                  const std::string& trackPath, Naming naming)
{
    return RunLoad(state, toolkit, ChoiceOf(ChosenPath(toolkit.AbsolutePath(gamePath)), gamePath, naming),
                   trackPath, naming, false, NoWindow);
}

// --- The commit and the pictures -------------------------------------------------

void CommitLoad(AppState& state, StagedLoad&& staged, bool keepPixels)
{
    state.HasGame = staged.GameLength > 0;
    state.GamePath = state.HasGame ? std::move(staged.GamePath) : std::string();
    state.GameLength = staged.GameLength;
    state.GameDigest = staged.GameDigest;
    state.Game = std::move(staged.Game);
    state.HasTrack = true;
    state.TrackPath = std::move(staged.TrackPath);
    state.TrackFileName = std::move(staged.TrackFileName);
    state.LayoutDigest = staged.LayoutDigest;
    state.Track = std::move(staged.Track);
    state.Laps = TraceReplay(state.Game, state.Track, keepPixels);
    state.CurrentLap = 0;
}

void DrawAnalysis(AppState& state, Toolkit& toolkit)
{
    if (state.HasGame)
        DrawGaugePanel(state, toolkit);
    FillDriverTable(state, toolkit);
    DrawTrackPicture(state, toolkit);
    DrawWaterCells(state, toolkit);
    DrawTrackObjects(state, toolkit);
    toolkit.CopyImageSlot(MapImage, MapMasterImage);
    DrawLapView(state, toolkit);
    ShowLapSelector(state, toolkit);
    toolkit.SetControlEnabled(SaveButton, toolkit.ImageExists(MapImage));
    toolkit.SetControlEnabled(CompareButton, state.Laps.LapCount > 0);
    for (SideWindow* window : state.SideWindows)
        window->AnalysisCommitted(state, toolkit);
}

}  // namespace vx
