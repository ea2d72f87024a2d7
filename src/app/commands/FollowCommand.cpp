// "vxanalyser follow FOLDER": the folder looked at once a second (four
// times while a saved game settles), each new race loaded as "report" loads
// it, printed on one line (or as one JSON object) and recorded in the
// history. Refusals and the follower's notes go to stderr.
//
// Sections: the words; the lines printed; a new race; running.
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>

#include "app/commands/Commands.h"
#include "follow/FolderFollower.h"
#include "history/HistoryAdd.h"
#include "history/HistoryStore.h"
#include "history/Recording.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// --- The words ------------------------------------------------------------------------

struct FollowWords {
    std::string folder;
    std::string historyFile;
    bool json = false;
    bool noHistory = false;
};

// --- The lines printed -------------------------------------------------------------------

// A new race and where it stands against its driver's best before it.
struct NewRace {
    RaceRecord race;
    std::optional<BestLapOfRace> previousBest;  // none: its first race there, or no history
    bool withHistory = false;
    bool kept = false;  // the history held it already
};

std::string GapText(const NewRace& row)
{
    if (!row.withHistory)
        return {};
    const BestLapStanding standing = StandingOf(row.race, row.previousBest, row.kept);
    switch (standing.kind) {
    case BestLapStanding::Kind::FirstOnTrack: return "first race on this track";
    case BestLapStanding::Kind::Known: return "already in the history";
    case BestLapStanding::Kind::NewBest:
        return "a new personal best, " + SecondsText(-standing.gapS) + " s under " + SecondsText(standing.previousS) +
               " s";
    case BestLapStanding::Kind::EqualsBest: return "equals your best";
    case BestLapStanding::Kind::OffBest: break;
    }
    return SignedFixedText(standing.gapS, 3) + " s off your best (" + SecondsText(standing.previousS) + " s)";
}

std::string RaceLine(const NewRace& row)
{
    const RaceRecord& race = row.race;
    std::string line = DateText(race.DateNs, DateForm::Readable) + "  " + FileNameToUtf8(race.FileName) + "  " +
                       race.TrackName + "  " + std::to_string(race.Laps.size()) +
                       (race.Laps.size() == 1 ? " lap" : " laps") + "  best lap " + std::to_string(race.BestLap) +
                       ": " + SecondsText(race.BestS) + " s";
    const std::string gap = GapText(row);
    return line + (gap.empty() ? "" : "  " + gap) + "\n";
}

Json RaceJson(const NewRace& row)
{
    const RaceRecord& race = row.race;
    Json best = nullptr, gap = nullptr;
    if (row.previousBest) {
        best = JsonSeconds(row.previousBest->BestS);
        gap = JsonSeconds(race.BestS - row.previousBest->BestS);
    }
    return {{"date", DateText(race.DateNs)},
            {"file", FileNameToUtf8(race.FileName)},
            {"track", race.TrackName},
            {"laps", race.Laps.size()},
            {"best_lap", race.BestLap},
            {"best_s", JsonSeconds(race.BestS)},
            {"personal_best_s", std::move(best)},
            {"gap_s", std::move(gap)},
            {"race_key", KeyHex(race.Race)},
            {"layout_key", KeyHex(race.Layout)}};
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

    // Loads a saved game that settled; a race new to this run is printed
    // and recorded.
    void Take(FolderFollower& follower, const FollowedFile& file)
    {
        RaceToRecord read = ReadRaceToRecord(state_, toolkit_, file.path);
        if (!read.pending) {
            follower.Refused(file);
            if (toolkit_.KindOf(file.path) != PathKind::None)  // one deleted meanwhile is let go
                Say(read.refusal);
            return;
        }
        if (follower.Loaded(file, state_.GameDigest) == FolderFollower::Outcome::SameBytes)
            return;
        NewRace row{std::move(read.pending->race), std::nullopt, store_ != nullptr};
        if (store_ != nullptr) {
            // Measured before it is recorded: the best of the driver's other
            // races, and whether the history held it already.
            row.previousBest = BestBefore(*store_, row.race);
            row.kept = store_->Holds(row.race.Race).value_or(false);
            if (store_->LastFailure().kind != DatabaseFailure::None ||
                !store_->Record(row.race, read.pending->seenAs))
                HistoryUnavailable(store_->LastFailure().message);
        }
        std::cout << (words_.json ? JsonText(RaceJson(row), JsonLayout::OneLine) : RaceLine(row)) << std::flush;
    }

private:
    const FollowWords& words_;
    HistoryStore* store_;
    Toolkit toolkit_;
    AppState state_;
};

// --- Running ----------------------------------------------------------------------------------

// The words of follow: one folder, and the history or none; the status to
// end with when they ask for help or are wrong usage.
std::optional<ExitStatus> ReadWords(const std::vector<std::string>& args, FollowWords& follow)
{
    std::vector<std::string> folders;
    if (auto ended = ReadCommandWords(args, Command::Follow, {{"--history", follow.historyFile}},
                                      {{"--json", follow.json}, {"--no-history", follow.noHistory}}, folders))
        return ended;
    if (folders.size() > 1)
        return WrongUsage("more than one folder: " + folders[1]);
    if (folders.empty())
        return WrongUsage("follow needs a folder");
    if (follow.noHistory && !follow.historyFile.empty())
        return WrongUsage("--history and --no-history do not go together");
    follow.folder = folders[0];
    return std::nullopt;
}

}  // namespace

ExitStatus RunFollowCommand(const std::vector<std::string>& args)
{
    FollowWords follow;
    if (const auto ended = ReadWords(args, follow))
        return *ended;

    FileSystem& files = SystemFiles();
    const std::string folder = files.AbsolutePath(follow.folder);
    const std::string shown = FileNameToUtf8(follow.folder);
    std::vector<StampedFile> listing;
    std::string error;
    if (files.KindOf(folder) != PathKind::Folder)
        return Refused("cannot follow " + shown + ": " +
                       (files.KindOf(folder) == PathKind::None ? "there is no such folder" : "it is not a folder"));
    if (!files.ListFiles(folder, listing, error))
        return Refused("cannot follow " + shown + ": " + error);

    std::unique_ptr<HistoryStore> store;
    if (!follow.noHistory) {
        HistoryOpening opening = OpenHistorySaid(HistoryPathOf(follow.historyFile));
        const std::string problem = !opening.Store ? opening.Problem : opening.ReadOnlyNote;
        if (!problem.empty())
            return HistoryUnavailable(problem);
        store = std::move(opening.Store);
    }

    CatchInterrupts();
    Following following(follow, store.get());
    FolderFollower follower(folder);
    follower.Start(listing, Now());
    Say("following " + shown + " (Ctrl+C or the end of the input stops)");
    while (WaitForEndOfInput(static_cast<int>(follower.PollInterval().count())) == InputWait::TimedOut) {
        const FollowTime now = Now();  // before the listing: what it lists is at least this late
        const std::int64_t wallNs = NowNs();
        const auto notes = files.ListFiles(folder, listing, error) ? follower.Poll(listing, now, wallNs)
                                                                   : follower.Lost(error);
        for (const FollowNote& note : notes)
            Say(FollowNoteText(note));
        if (follower.Ended())
            return ExitStatus::InputRefused;
        // Every race that settled, oldest first (a copy: taking one ends its
        // being due).
        for (const FollowedFile& due : std::vector<FollowedFile>(follower.Due()))
            following.Take(follower, due);
    }
    return ExitStatus::Ok;
}

}  // namespace vx
