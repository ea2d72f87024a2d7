// "vxanalyser follow FOLDER": the folder looked at once a second (four
// times while a saved game settles), each new race loaded as "report" loads
// it, printed on one line (or as one JSON object) and recorded in the
// history. Refusals and the follower's notes go to stderr.
//
// Sections: the words; the lines printed; a new race; running.
#include "app/commands/FollowCommand.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <optional>

#include "app/commands/Report.h"
#include "follow/FolderFollower.h"
#include "history/HistoryStore.h"
#include "history/Recording.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

const char* const kFollowUsage = "  vxanalyser follow FOLDER [--json] [--history FILE] [--no-history]\n";

const char* const kFollowHelp =
    "  follow   follows a folder of saved games while the game runs: each race\n"
    "           the game saves or rewrites there is loaded once the file has\n"
    "           stopped changing for a second, printed on one line (its date,\n"
    "           file, track, laps, best lap and the gap to your personal best\n"
    "           on that track; --json: one JSON object per line, with the race\n"
    "           key) and recorded in the history (--no-history: not recorded;\n"
    "           --history FILE as for history). Of several files at once the\n"
    "           newest is loaded; the saved games there at the start are left\n"
    "           as they are; the same bytes saved again are no new race; a\n"
    "           saved game that cannot be loaded is said and following goes\n"
    "           on. Runs until Ctrl+C or the end of its input (Ctrl+D; in a\n"
    "           script, keep its input open); a folder that cannot be read\n"
    "           ends it with status 3.\n";

namespace {

enum ExitStatus { kOk = 0, kInputError = 3 };

// --- The words ------------------------------------------------------------------------

struct FollowWords {
    std::string folder;
    std::string historyFile;
    bool json = false;
    bool noHistory = false;
};

bool ParseWords(const std::vector<std::string>& words, FollowWords& parsed, std::string& error)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--history") {
            if (i + 1 >= words.size()) {
                error = "--history needs a value";
                return false;
            }
            parsed.historyFile = words[++i];
        } else if (word == "--json") {
            parsed.json = true;
        } else if (word == "--no-history") {
            parsed.noHistory = true;
        } else if (!word.empty() && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        } else if (parsed.folder.empty()) {
            parsed.folder = word;
        } else {
            error = "more than one folder: " + word;
            return false;
        }
    }
    if (parsed.folder.empty()) {
        error = "follow needs a folder";
        return false;
    }
    if (parsed.noHistory && !parsed.historyFile.empty()) {
        error = "--history and --no-history do not go together";
        return false;
    }
    return true;
}

// --- The lines printed -------------------------------------------------------------------

// A new race and where it stands against its driver's best before it.
struct NewRace {
    RaceRecord race;
    std::optional<BestLapOfRace> previousBest;  // none: its first race there, or no history
    bool withHistory = false;
    bool kept = false;  // the history held it already
};

std::string Seconds(double value)
{
    return FixedText(value, 3);
}

std::string GapText(const NewRace& row)
{
    if (!row.withHistory)
        return {};
    const BestLapStanding standing = StandingOf(row.race, row.previousBest, row.kept);
    switch (standing.kind) {
    case BestLapStanding::Kind::FirstOnTrack: return "first race on this track";
    case BestLapStanding::Kind::Known: return "already in the history";
    case BestLapStanding::Kind::NewBest:
        return "a new personal best, " + Seconds(-standing.gapS) + " s under " + Seconds(standing.previousS) + " s";
    case BestLapStanding::Kind::EqualsBest: return "equals your best";
    case BestLapStanding::Kind::OffBest: break;
    }
    return SignedFixedText(standing.gapS, 3) + " s off your best (" + Seconds(standing.previousS) + " s)";
}

// "2026-12-01 19:04:11" (UTC) of the race's date.
std::string LineDate(std::int64_t unixNs)
{
    std::string date = DateText(unixNs);
    date[10] = ' ';
    date.pop_back();
    return date;
}

std::string RaceLine(const NewRace& row)
{
    const RaceRecord& race = row.race;
    std::string line = LineDate(race.DateNs) + "  " + FileNameToUtf8(race.FileName) + "  " + race.TrackName +
                       "  " + std::to_string(race.Laps.size()) + (race.Laps.size() == 1 ? " lap" : " laps") +
                       "  best lap " + std::to_string(race.BestLap) + ": " + Seconds(race.BestS) + " s";
    const std::string gap = GapText(row);
    return line + (gap.empty() ? "" : "  " + gap) + "\n";
}

std::string RaceJson(const NewRace& row)
{
    const RaceRecord& race = row.race;
    std::string gap = "null", best = "null";
    if (row.previousBest) {
        best = Seconds(row.previousBest->BestS);
        gap = FixedText(race.BestS - row.previousBest->BestS, 3);
    }
    return "{ \"date\": \"" + DateText(race.DateNs) + "\", \"file\": " + JsonString(FileNameToUtf8(race.FileName)) +
           ", \"track\": " + JsonString(race.TrackName) + ", \"laps\": " + std::to_string(race.Laps.size()) +
           ", \"best_lap\": " + std::to_string(race.BestLap) + ", \"best_s\": " + Seconds(race.BestS) +
           ", \"personal_best_s\": " + best + ", \"gap_s\": " + gap + ", \"race_key\": \"" + KeyHex(race.Race) +
           "\", \"layout_key\": \"" + KeyHex(race.Layout) + "\" }\n";
}

// --- A new race ---------------------------------------------------------------------------

FollowTime Now()
{
    return std::chrono::duration_cast<FollowTime>(std::chrono::steady_clock::now().time_since_epoch());
}

class Following {
public:
    Following(const FollowWords& words, HistoryStore* store) : words_(words), store_(store)
    {
        InitAppState(state_, toolkit_.CurrentFolder());
    }

    // Loads the saved game that settled; a race new to this run is printed
    // and recorded.
    void Take(FolderFollower& follower, const FollowedFile& file)
    {
        const auto before = StampOfPath(file.path);
        if (!LoadGameData(state_, toolkit_, file.path)) {
            follower.Refused(file);
            if (toolkit_.KindOf(file.path) != PathKind::None)  // one deleted meanwhile is let go
                std::cerr << "vxanalyser: " << state_.Log.NewestWhole() << "\n";
            return;
        }
        if (follower.Loaded(file, state_.GameDigest) == FolderFollower::Outcome::SameBytes)
            return;
        // Dated by the file, as history add dates it; remembered as seen
        // when it stayed the same while it was read.
        const auto after = StampOfPath(file.path);
        PathStamp dated = after ? *after : before ? *before : PathStamp{};
        if (!after && !before)
            dated.modifiedNs = NowNs();
        std::string whyNot;
        auto record = RaceRecordOf(state_, dated, whyNot);
        if (!record) {
            std::cerr << "vxanalyser: No race to show in " << FileNameToUtf8(file.name) << " (" << whyNot << ")\n";
            return;
        }
        NewRace row{std::move(*record), std::nullopt, store_ != nullptr};
        if (store_ != nullptr) {
            row.previousBest = BestBefore(*store_, row.race);
            row.kept = store_->Holds(row.race.Race).value_or(false);
            std::optional<std::pair<std::string, PathStamp>> seenAs;
            if (before && after && *before == *after)
                seenAs = std::make_pair(file.path, *after);
            if (store_->LastFailure().kind != DatabaseFailure::None || !store_->Record(row.race, seenAs))
                std::cerr << "vxanalyser: History unavailable: " << store_->LastFailure().message << "\n";
        }
        std::cout << (words_.json ? RaceJson(row) : RaceLine(row)) << std::flush;
    }

private:
    const FollowWords& words_;
    HistoryStore* store_;
    Toolkit toolkit_;
    AppState state_;
};

}  // namespace

// --- Running ----------------------------------------------------------------------------------

int RunFollowCommand(const std::vector<std::string>& args,
                     const std::function<int(const std::string&)>& usageError)
{
    FollowWords words;
    std::string error;
    if (!ParseWords(args, words, error))
        return usageError(error);
    FileSystem& files = SystemFiles();
    const std::string folder = files.AbsolutePath(words.folder);
    const std::string shown = FileNameToUtf8(words.folder);
    std::vector<StampedFile> listing;
    if (files.KindOf(folder) != PathKind::Folder) {
        std::cerr << "vxanalyser: cannot follow " << shown << ": "
                  << (files.KindOf(folder) == PathKind::None ? "there is no such folder" : "it is not a folder")
                  << "\n";
        return kInputError;
    }
    if (!files.ListFiles(folder, listing, error)) {
        std::cerr << "vxanalyser: cannot follow " << shown << ": " << error << "\n";
        return kInputError;
    }

    std::unique_ptr<HistoryStore> store;
    if (!words.noHistory) {
        const std::string path =
            words.historyFile.empty() ? DefaultHistoryPath() : files.AbsolutePath(words.historyFile);
        HistoryOpening opening = OpenHistory(path);
        if (!opening.SetAsideTo.empty())
            std::cerr << "vxanalyser: the history was damaged (" << opening.SetAsideReason
                      << "); it was set aside as " << FileNameToUtf8(opening.SetAsideTo) << " and a new one started\n";
        const std::string problem = !opening.Store ? opening.Problem : opening.ReadOnlyNote;
        if (!problem.empty()) {
            std::cerr << "vxanalyser: History unavailable: " << problem << "\n";
            return kInputError;
        }
        store = std::move(opening.Store);
    }

    CatchInterrupts();
    Following following(words, store.get());
    FolderFollower follower(folder);
    follower.Start(listing, Now());
    std::cerr << "vxanalyser: following " << shown << " (Ctrl+C or the end of the input stops)\n";
    while (!InterruptRequested() && !WaitForEndOfInput(static_cast<int>(follower.PollInterval().count()))) {
        const FollowTime now = Now();  // before the listing: what it lists is at least this late
        const std::int64_t wallNs = NowNs();
        const auto notes = files.ListFiles(folder, listing, error) ? follower.Poll(listing, now, wallNs)
                                                                   : follower.Lost(error);
        for (const FollowNote& note : notes)
            std::cerr << "vxanalyser: " << FollowNoteText(note) << "\n";
        if (follower.Ended())
            return kInputError;
        if (const auto& due = follower.Due())
            following.Take(follower, FollowedFile(*due));  // a copy: taking it ends its being due
    }
    return kOk;
}

}  // namespace vx
