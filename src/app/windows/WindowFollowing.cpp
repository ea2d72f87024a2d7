// Sections: start and the box; the looks at the folder; a new race.
#include "app/windows/WindowFollowing.h"

#include <chrono>

#include "app/windows/HistoryWindow.h"
#include "formats/GameFile.h"
#include "history/HistoryAdd.h"
#include "history/RaceRecord.h"
#include "history/Recording.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
#include "toolkit/NoWindows.h"
#include "toolkit/SystemServices.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr const char* kFollowSetting = "follow_folder";

FollowTime SteadyNow()
{
    return std::chrono::duration_cast<FollowTime>(std::chrono::steady_clock::now().time_since_epoch());
}

bool Ticked(const Toolkit& toolkit)
{
    return toolkit.GetControlValue(FollowCheckBox) != 0;
}

// What the log says of a race new to the history, what matters first and
// the file's name last, so that the two lines under the slider show it:
// "New best 42.910 s (-0.020 s): slow.gam", "New race 44.287 s, +0.685 s
// off your best: b.gam". withHistory: whether there is a best to measure
// against at all.
std::string NewRaceText(const std::string& name, const RaceRecord& race, const BestLapStanding& standing,
                        bool withHistory)
{
    const std::string best = SecondsText(race.BestS) + " s";
    switch (standing.kind) {
    case BestLapStanding::Kind::Known: return "Already in the history: " + name;
    case BestLapStanding::Kind::FirstOnTrack:
        return "New race " + best + (withHistory ? ", first on this track: " : ": ") + name;
    case BestLapStanding::Kind::NewBest:
        return "New best " + best + " (" + SignedFixedText(standing.gapS, 3) + " s): " + name;
    case BestLapStanding::Kind::EqualsBest: return "New race " + best + ", equals your best: " + name;
    case BestLapStanding::Kind::OffBest: break;
    }
    return "New race " + best + ", " + SignedFixedText(standing.gapS, 3) + " s off your best: " + name;
}

}  // namespace

WindowFollowing::WindowFollowing(HistoryWindow& history) : history_(history), clock_(SteadyNow) {}

WindowFollowing::~WindowFollowing() = default;

std::string WindowFollowing::Folder() const
{
    return follower_ ? follower_->Folder() : std::string();
}

// --- Start and the box --------------------------------------------------------------------

void WindowFollowing::Start(AppState& state, Toolkit& toolkit)
{
    HistoryStore* store = history_.Store();
    if (!store || store->ReadOnly())
        return;
    const auto kept = store->Setting(kFollowSetting);
    if (!kept || kept->empty() || *kept == "off")
        return;
    toolkit.SetControlValue(FollowCheckBox, 1);
    // "on" (kept by an earlier version, without the folder): the folder of
    // the first race loaded.
    if (*kept != "on")
        Begin(state, toolkit, *kept);
}

void WindowFollowing::KeepSetting(const std::string& value)
{
    HistoryStore* store = history_.Store();
    if (store && !store->ReadOnly())
        store->SetSetting(kFollowSetting, value);
}

bool WindowFollowing::HandleEvent(AppState& state, Toolkit& toolkit, int event)
{
    if (event == kTimerEvent && toolkit.EventControl() == FollowTimer) {
        Look(state, toolkit);
        return true;
    }
    if (event == kControlEvent && toolkit.EventControl() == FollowCheckBox) {
        if (!Ticked(toolkit)) {
            End(toolkit, false);
            KeepSetting("off");
        } else if (state.HasGame && !state.GamePath.empty()) {
            Begin(state, toolkit, FolderPart(state.GamePath));
        } else {
            // No race shown: the folder to follow is asked for.
            const std::string folder =
                toolkit.AskFolder(MainWindow, "Follow a folder of saved games", state.GameDirectory);
            if (folder.empty())
                End(toolkit, true);
            else
                Begin(state, toolkit, folder);
        }
        return true;
    }
    return false;
}

void WindowFollowing::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    if (Ticked(toolkit) && state.HasGame && (!follower_ || follower_->Folder() != FolderPart(state.GamePath)))
        Begin(state, toolkit, FolderPart(state.GamePath));
}

// Follows the folder from now on: the saved games there now stay as they
// are.
void WindowFollowing::Begin(AppState& state, Toolkit& toolkit, const std::string& folder)
{
    follower_.reset();
    std::vector<StampedFile> listing;
    if (toolkit.KindOf(folder) != PathKind::Folder || !toolkit.ListFiles(folder, listing)) {
        const std::string why = toolkit.KindOf(folder) == PathKind::None     ? "no such folder"
                                : toolkit.KindOf(folder) != PathKind::Folder ? "not a folder"
                                                                             : toolkit.LastError();
        LogFailure(state, toolkit, "Cannot follow (" + why + "): " + FileNameToUtf8(folder));
        End(toolkit, true);
        return;
    }
    follower_ = std::make_unique<FolderFollower>(folder);
    follower_->Start(listing, clock_());
    KeepSetting(follower_->Folder());
    LogMessage(state, toolkit, "Following " + FileNameToUtf8(follower_->Folder()));
    period_ = {};
    Schedule(toolkit);
}

void WindowFollowing::End(Toolkit& toolkit, bool untick)
{
    follower_.reset();
    toolkit.StopTimer(FollowTimer);
    if (untick && Ticked(toolkit)) {
        toolkit.SetControlValue(FollowCheckBox, 0);
        KeepSetting("off");
    }
}

// The timer runs at the follower's pace: faster while a saved game settles.
void WindowFollowing::Schedule(Toolkit& toolkit)
{
    if (follower_->PollInterval() == period_)
        return;
    period_ = follower_->PollInterval();
    toolkit.StartTimer(FollowTimer, static_cast<int>(period_.count()));
}

// --- The looks at the folder --------------------------------------------------------------

void WindowFollowing::Look(AppState& state, Toolkit& toolkit)
{
    if (!follower_)
        return;
    std::vector<StampedFile> listing;
    const FollowTime now = clock_();  // before the listing: what it lists is at least this late
    const std::optional<std::int64_t> wallNs = systemTime_ ? std::optional(NowNs()) : std::nullopt;
    const auto notes = toolkit.ListFiles(follower_->Folder(), listing) ? follower_->Poll(listing, now, wallNs)
                                                                      : follower_->Lost(toolkit.LastError());
    for (const FollowNote& note : notes) {
        if (note.kind == FollowNote::Kind::FolderGone)
            LogFailure(state, toolkit, FollowNoteText(note));
        else
            LogMessage(state, toolkit, FollowNoteText(note));
    }
    if (follower_->Ended()) {
        End(toolkit, true);
        return;
    }
    // A load in progress (the user's own) is never interrupted: the races
    // stay due and load at a look after it. Every race due is recorded,
    // oldest first; the newest is shown.
    if (!state.Loading && !follower_->Due().empty()) {
        const std::vector<FollowedFile> due = follower_->Due();  // a copy: taking one ends its being due
        const std::string folder = follower_->Folder();
        for (std::size_t k = 0; k + 1 < due.size(); ++k) {
            Keep(state, toolkit, due[k]);
            if (!follower_ || follower_->Folder() != folder)
                return;
        }
        Take(state, toolkit, due.back());
    }
    if (follower_)
        Schedule(toolkit);
}

// --- A new race ---------------------------------------------------------------------------

void WindowFollowing::Keep(AppState& state, Toolkit& toolkit, const FollowedFile& file)
{
    if (!scratch_) {
        // A toolkit without windows: a track the lookup does not find asks
        // nobody, and nothing of the window is drawn.
        scratchToolkit_ = std::make_unique<Toolkit>(Platform{.windows = NoWindowSystem()});
        scratch_ = std::make_unique<AppState>();
        InitAppState(*scratch_, scratchToolkit_->CurrentFolder());
    }
    RaceToRecord read = ReadRaceToRecord(*scratch_, *scratchToolkit_, file.path);
    if (!read.pending) {
        follower_->Refused(file);
        if (toolkit.KindOf(file.path) != PathKind::None)  // one deleted meanwhile is let go
            LogFailure(state, toolkit, read.refusal);
        return;
    }
    const RaceRecord& race = read.pending->race;
    if (follower_->Loaded(file, race.Race) == FolderFollower::Outcome::SameBytes ||
        (state.HasGame && race.Race == state.GameDigest))
        return;
    HistoryStore* store = history_.Store();
    const bool recording = store && !store->ReadOnly();
    bool kept = false;
    std::optional<BestLapOfRace> previousBest;
    if (recording) {
        kept = store->Holds(race.Race).value_or(false);
        previousBest = BestBefore(*store, race);
        if (store->LastFailure().kind != DatabaseFailure::None || !store->Record(race, read.pending->seenAs)) {
            LogFailure(state, toolkit, "History unavailable: " + store->LastFailure().message);
            return;
        }
    }
    LogMessage(state, toolkit,
               NewRaceText(FileNameToUtf8(file.name), race, StandingOf(race, previousBest, kept), recording));
}

void WindowFollowing::Take(AppState& state, Toolkit& toolkit, const FollowedFile& file)
{
    // The same bytes as the race shown, or as a race taken already: no new
    // race, nothing said.
    const FileRead read = ReadWholeFile(toolkit, file.path, kMaxGameFileBytes);
    if (read.result == FileRead::Result::Missing) {
        follower_->Refused(file);  // deleted meanwhile: let go
        return;
    }
    // Whether the history held the race before the load records it.
    bool kept = false;
    HistoryStore* store = history_.Store();
    if (read.result == FileRead::Result::Ok) {
        const Sha256Digest key = Sha256(read.bytes);
        if (follower_->Knows(key) || (state.HasGame && key == state.GameDigest)) {
            follower_->Loaded(file, key);
            return;
        }
        if (store)
            kept = store->Holds(key).value_or(false);
    }
    const std::string folder = follower_->Folder();
    // The load's failure (a hostile file, no track) is in the log; the race
    // shown stays.
    if (!LoadFoundGame(state, toolkit, file.path)) {
        if (follower_)
            follower_->Refused(file);
        return;
    }
    if (!follower_ || follower_->Folder() != folder)
        return;
    follower_->Loaded(file, state.GameDigest);
    std::string whyNot;
    const auto race = RaceRecordOf(state, FileStamp{}, whyNot);
    if (!race) {
        LogMessage(state, toolkit, "No race to compare (" + whyNot + "): " + FileNameToUtf8(file.name));
        return;
    }
    std::optional<BestLapOfRace> previousBest;
    if (store)
        previousBest = BestBefore(*store, *race);
    LogMessage(state, toolkit,
               NewRaceText(FileNameToUtf8(file.name), *race, StandingOf(*race, previousBest, kept), store != nullptr));
}

}  // namespace vx
