// The load: the saved game, the track lookup, and the redraw of everything.
//
// Files are read and checked in staging buffers; only a load that has both a
// valid saved game and a valid track is committed into the data block and
// drawn, so a load that stops early leaves the previous analysis whole.
//
// Sections: reading files; the track lookup; the load itself; the commit.
#include "app/LoadWorkflow.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "app/Export.h"
#include "laps/DriverTable.h"
#include "laps/Gauges.h"
#include "laps/LapView.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"
#include "trackmap/Objects.h"

namespace vx {

// --- Reading files ----------------------------------------------------------

std::string GroupedNumber(std::int64_t value)
{
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

namespace {

// One attempt: the file as it stood while it was read, or Changed when its
// stamp moved meanwhile (or it ended early without an error).
FileRead ReadOnce(Toolkit& toolkit, const std::string& path, std::int64_t limit)
{
    FileRead read;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        read.result = FileRead::Result::Missing;
        read.reason = "not found";
        return read;
    }
    if (toolkit.OpenFileForRead(ReadFile, path) == 0) {
        read.result = FileRead::Result::Unreadable;
        read.reason = toolkit.LastError();
        return read;
    }
    const Toolkit::FileStamp before = toolkit.FileStampOf(ReadFile);
    read.length = before.size;
    if (read.length > limit) {
        toolkit.CloseFileSlot(ReadFile);
        read.result = FileRead::Result::TooLarge;
        read.reason = GroupedNumber(read.length) + " bytes";
        return read;
    }
    read.bytes.resize(static_cast<std::size_t>(read.length));
    const std::int64_t got = toolkit.ReadFileBytes(ReadFile, read.bytes.data(), read.length);
    const std::string readError = toolkit.LastError();
    const Toolkit::FileStamp after = toolkit.FileStampOf(ReadFile);
    toolkit.CloseFileSlot(ReadFile);
    if (got < read.length && !readError.empty()) {
        read.result = FileRead::Result::Unreadable;
        read.reason = readError;
        read.bytes.clear();
        return read;
    }
    if (got != read.length || !(after == before)) {
        read.result = FileRead::Result::Changed;
        read.reason = "it changed while it was read";
        read.bytes.clear();
        return read;
    }
    read.result = FileRead::Result::Ok;
    return read;
}

}  // namespace

FileRead ReadWholeFile(Toolkit& toolkit, const std::string& path, std::int64_t limit)
{
    // A saved game may be rewritten by the game while it is loaded: a read
    // that met a change is repeated, after a pause that lets the writer
    // finish, and never committed as a mixture of two versions.
    FileRead read;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1 << (attempt - 1)));
        read = ReadOnce(toolkit, path, limit);
        if (read.result != FileRead::Result::Changed)
            break;
    }
    return read;
}

// --- The track lookup -------------------------------------------------------

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ReplaceText(a, b, "", 1).empty();
}

// The first entry of folder (in name order) named like name, ignoring case.
std::string MatchEntry(const std::string& folder, const std::string& name, bool wantFolder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end;
         !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        std::error_code kindError;
        const bool isFolder = it->is_directory(kindError);
        if (SameIgnoringCase(entry, name) && isFolder == wantFolder)
            matches.push_back(entry);
    }
    if (matches.empty())
        return {};
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string FindIgnoringCase(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (path.empty())
        return {};
    if (fs::exists(path, error))
        return path;
    const std::string name = FileNamePart(path);
    std::string folder = FolderPart(path);
    if (name.empty())
        return {};
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        // The folder's own last name may differ in case ("tracks" for "Tracks").
        const std::string trimmed = folder.substr(0, folder.size() - 1);
        const std::string parent = FolderPart(trimmed);
        const std::string match = MatchEntry(parent, FileNamePart(trimmed), true);
        if (match.empty())
            return {};
        folder = parent + match + "/";
    }
    const std::string match = MatchEntry(folder, name, false);
    return match.empty() ? std::string() : folder + match;
}

bool UnsafeTrackName(const std::string& name)
{
    if (name.size() <= 4)  // nothing before ".trk"
        return true;
    for (const char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127)
            return true;
    return false;
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           ReplaceText(RightText(text, TextLength(end)), end, "", 1).empty();
}

bool IsSavedGameName(const std::string& path)
{
    const std::string name = FileNamePart(path);
    return name.size() > 4 && EndsWithIgnoringCase(name, ".gam");
}

// --- The load -----------------------------------------------------------------

namespace {

const char* const kNoFile = "nix";

struct Staging {
    bool newGame = false;
    std::string gamePath;
    std::vector<std::uint8_t> gameBytes;
    GameData game;
    std::vector<std::uint8_t> trackBytes;
    TrackData track;
    std::string trackPath;
    // The track's file name as the window shows it (the program's texts):
    // the stored spelling when the lookup found it, whatever the letter case
    // or encoding of the file found.
    std::string trackFileName;
    // Why a track candidate that is there could not be read: said instead
    // of "not found" when no track is chosen after it.
    std::string candidateFailure;
};

void LogReadFailure(AppState& state, Toolkit& toolkit, const char* what, const char* whatCap,
                    const std::string& name, const FileRead& read)
{
    switch (read.result) {
    case FileRead::Result::Missing:
        LogFailure(state, toolkit, std::string(whatCap) + " not found: " + name);
        break;
    case FileRead::Result::TooLarge:
        LogFailure(state, toolkit, std::string(whatCap) + " too large: " + name + " (" +
                                       read.reason + ")");
        break;
    case FileRead::Result::Changed:
        LogFailure(state, toolkit, std::string(whatCap) + " changed while being read: " + name);
        break;
    default:
        LogFailure(state, toolkit, std::string("Cannot read ") + what + ": " + name + " (" +
                                       read.reason + ")");
        break;
    }
}

// Reads the chosen saved game (GameDirectory + GameFileName) into the
// staging area and parses it; TrackFileName becomes the name of the track it
// was raced on. False when the load stops. The gauges are drawn when the
// load commits.
bool LoadGameFile(AppState& state, Toolkit& toolkit, Staging& staging)
{
    const std::string path = state.GameDirectory + state.GameFileName;
    FileRead read = ReadWholeFile(toolkit, path, kMaxGameFileBytes);
    if (read.result != FileRead::Result::Ok) {
        LogReadFailure(state, toolkit, "saved game", "Saved game", state.GameFileName, read);
        return false;
    }
    Parsed<GameData> parsed = ParseGameFile(read.bytes);
    if (!parsed.ok()) {
        LogFailure(state, toolkit,
                   "Saved game damaged: " + state.GameFileName + " (" + parsed.error + ")");
        return false;
    }
    staging.newGame = true;
    staging.gamePath = path;
    staging.gameBytes = std::move(read.bytes);
    staging.game = std::move(*parsed.value);
    state.TrackFileName = staging.game.TrackFileName;
    return true;
}

// Reads the track at path (or its twin in another letter case) into the
// staging area. A track that is missing or unreadable lets the lookup go on,
// unless it was the last chance; one that is too large or keeps changing
// stops the load.
enum class TrackRead { Found, NotThere, Stop };

TrackRead StageTrackFrom(AppState& state, Toolkit& toolkit, const std::string& path,
                         Staging& staging, bool lastChance)
{
    const std::string found = FindIgnoringCase(path);
    FileRead read = ReadWholeFile(toolkit, found.empty() ? path : found, kMaxTrackFileBytes);
    if (read.result == FileRead::Result::Ok) {
        staging.trackBytes = std::move(read.bytes);
        staging.trackPath = found;
        return TrackRead::Found;
    }
    if (read.result == FileRead::Result::TooLarge || read.result == FileRead::Result::Changed ||
        lastChance) {
        LogReadFailure(state, toolkit, "track", "Track", FileNamePart(path), read);
        return TrackRead::Stop;
    }
    if (read.result == FileRead::Result::Unreadable && staging.candidateFailure.empty())
        staging.candidateFailure =
            "Cannot read track: " + FileNamePart(path) + " (" + read.reason + ")";
    return TrackRead::NotThere;
}

// The saved game named by answer (or the committed one when there is none),
// then its track. False when the load stops; the reason is logged.
bool OpenGameAndTrack(AppState& state, Toolkit& toolkit, const std::string& answer,
                      const std::string& givenTrack, Staging& staging)
{
    state.TrackFileName = kNoFile;
    state.GameFileName = kNoFile;
    if (answer.size() >= 3) {
        state.GameFileName = FileNamePart(answer);
        state.GameDirectory = FolderPart(answer);
        if (!LoadGameFile(state, toolkit, staging))
            return false;
    } else {
        // No saved game chosen: a track chosen below pairs with the game of
        // the current analysis (an empty game before the first load).
        staging.game = state.HasGame ? state.Game : GameData{};
    }

    if (!givenTrack.empty()) {
        state.TrackPath = givenTrack;
        state.TrackFileName = FileNameToCp1252(FileNamePart(givenTrack));
        staging.trackFileName = state.TrackFileName;
        return StageTrackFrom(state, toolkit, givenTrack, staging, true) == TrackRead::Found;
    }

    // The stored name is Windows-1252, file names are UTF-8: the name is
    // looked for in both spellings (a track copied from an old disk keeps
    // its 8-bit name).
    const std::string stored = FileNamePart(state.TrackFileName);
    const std::string name = Cp1252ToUtf8(stored);
    const std::string altFolder = ReplaceText(state.GameDirectory, "Saves", "Tracks", 1);
    state.TrackPath = state.GameDirectory + name;
    state.TrackAltPath = altFolder + name;
    if (state.TrackFileName != kNoFile && !UnsafeTrackName(state.TrackFileName)) {
        std::vector<std::string> spellings = {name};
        if (stored != name)
            spellings.push_back(stored);
        for (const std::string& folder : {state.GameDirectory, altFolder}) {
            for (const std::string& spelling : spellings) {
                const TrackRead read =
                    StageTrackFrom(state, toolkit, folder + spelling, staging, false);
                if (read == TrackRead::Found) {
                    staging.trackFileName = state.TrackFileName;
                    return true;
                }
                if (read == TrackRead::Stop)
                    return false;
            }
        }
    }

    const std::string lookedFor = stored;
    state.TrackDirectory = state.GameDirectory;
    state.TrackFileName = kNoFile;
    const std::string chosen =
        toolkit.AskOpenFile("Open Track: " + lookedFor, state.TrackDirectory, "trk|*.trk", 0);
    // Both requesters cancelled: nothing was looked for. Messages are
    // composed in UTF-8, like the file names they hold.
    const std::string notFound = lookedFor == kNoFile ? std::string("No track chosen")
                                 : !staging.candidateFailure.empty()
                                     ? staging.candidateFailure
                                     : "Track not found: " + name;
    if (chosen.size() < 3) {
        LogFailure(state, toolkit, notFound);
        return false;
    }
    state.TrackFileName = FileNamePart(chosen);
    state.TrackDirectory = FolderPart(chosen);
    if (state.TrackFileName == kNoFile) {
        LogFailure(state, toolkit, notFound);
        return false;
    }
    state.TrackPath = state.TrackDirectory + state.TrackFileName;
    state.TrackFileName = FileNameToCp1252(state.TrackFileName);
    staging.trackFileName = state.TrackFileName;
    return StageTrackFrom(state, toolkit, state.TrackPath, staging, true) == TrackRead::Found;
}

// Parses the staged track. False when it is refused (the reason is logged).
bool LoadTrackFile(AppState& state, Toolkit& toolkit, Staging& staging)
{
    Parsed<TrackData> parsed = ParseTrackFile(staging.trackBytes);
    if (parsed.ok()) {
        staging.track = std::move(*parsed.value);
        return true;
    }
    const std::string name = FileNamePart(staging.trackPath);
    if (parsed.error.find("header") != std::string::npos)
        LogFailure(state, toolkit, "Not a track file: " + name + " (" + parsed.error + ")");
    else
        LogFailure(state, toolkit, "Track damaged: " + name + " (" + parsed.error + ")");
    return false;
}

bool RunLoad(AppState& state, Toolkit& toolkit, const std::string& answer,
             const std::string& givenTrack)
{
    Staging staging;
    if (!OpenGameAndTrack(state, toolkit, answer, givenTrack, staging))
        return false;
    if (!LoadTrackFile(state, toolkit, staging))
        return false;
    if (!staging.newGame) {
        // The committed game pairs with the new track.
        staging.gameBytes.assign(GameBytes(state).begin(), GameBytes(state).end());
        staging.gamePath = state.GamePath;
    }
    CommitAnalysis(state, toolkit, staging.gamePath, std::move(staging.gameBytes),
                   std::move(staging.game), staging.trackPath, staging.trackFileName,
                   std::move(staging.trackBytes), std::move(staging.track));
    return true;
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

}  // namespace

bool LoadGame(AppState& state, Toolkit& toolkit)
{
    if (state.Loading)
        return false;
    const LoadGuard guard(state, toolkit);
    const std::string answer = toolkit.AskOpenFile("Open Game", state.GameDirectory, "gam|*.gam", 0);
    return RunLoad(state, toolkit, answer, {});
}

bool LoadGameFrom(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                  const std::string& trackPath)
{
    if (state.Loading)
        return false;
    const LoadGuard guard(state, toolkit);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(gamePath, error);
    return RunLoad(state, toolkit, error ? gamePath : absolute.string(), trackPath);
}

// --- The commit -----------------------------------------------------------------

void CommitAnalysis(AppState& state, Toolkit& toolkit, const std::string& gamePath,
                    std::vector<std::uint8_t> gameBytes, GameData game,
                    const std::string& trackPath, const std::string& trackFileName,
                    std::vector<std::uint8_t> trackBytes, TrackData track)
{
    const std::size_t gameSize = std::min<std::size_t>(gameBytes.size(), kGameArea);
    const std::size_t trackSize = std::min<std::size_t>(trackBytes.size(), kTrackArea);
    if (gameSize > 0)
        std::memmove(state.GameBuffer, gameBytes.data(), gameSize);
    state.GameLength = static_cast<std::int32_t>(gameSize);
    if (trackSize > 0)
        std::memmove(state.TrackBuffer, trackBytes.data(), trackSize);
    state.TrackFileLength = static_cast<std::int32_t>(trackSize);
    state.HasGame = gameSize > 0;
    state.GamePath = state.HasGame ? gamePath : std::string();
    state.Game = std::move(game);
    state.Track = std::move(track);
    state.HasTrack = true;
    state.TrackPath = trackPath;
    state.TrackFileName = trackFileName;

    if (state.HasGame)
        DrawGaugePanel(state, toolkit);
    FillDriverTable(state, toolkit);
    DrawTrackPicture(state, toolkit);
    DrawWaterCells(state, toolkit);
    DrawTrackObjects(state, toolkit);
    toolkit.CopyImageSlot(MapImage, MapMasterImage);

    state.Laps = TraceReplay(state.Game, state.Track);
    state.CurrentLap = 0;
    DrawLapView(state, toolkit);
    toolkit.SetControlAttribute(LapSlider, 2, state.Laps.LapCount);
    toolkit.SetControlText(LapNumberLabel, "0");
    toolkit.SetControlValue(LapSlider, 0);
    toolkit.SetControlEnabled(SaveButton, toolkit.ImageExists(MapImage));

    // Short enough for the log line under the lap selector; the map names
    // the track.
    std::string summary = "Loaded " + FileNamePart(state.GamePath) + ": " +
                          IntToText(state.Laps.LapCount) + (state.Laps.LapCount == 1 ? " lap" : " laps");
    if (!state.HasGame)
        summary = "Loaded " + Cp1252ToUtf8(state.TrackFileName) + " without a saved game";
    LogMessage(state, toolkit, summary);
}

}  // namespace vx
