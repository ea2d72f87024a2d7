// Sections: start and the box; the looks at the folder; a new race.
#include "app/windows/WindowFollowing.h"

#include <chrono>

#include "app/windows/HistoryWindow.h"
#include "formats/GameFile.h"
#include "history/RaceRecord.h"
#include "history/Recording.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
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

std::string Seconds(double value)
{
    return FixedText(value, 2) + " s";
}

// "New race: NAME, best lap 43.60 s, 0.21 s off your best".
std::string NewRaceText(const std::string& name, const RaceRecord& race, const BestLapStanding& standing)
{
    if (standing.kind == BestLapStanding::Kind::Known)
        return "Already in the history: " + name;
    std::string text = "New race: " + name;
    text += ", best lap " + Seconds(race.BestS);
    switch (standing.kind) {
    case BestLapStanding::Kind::FirstOnTrack:
    case BestLapStanding::Kind::Known: return text;
    case BestLapStanding::Kind::NewBest: return text + ", a new best: " + Seconds(-standing.gapS) + " under";
    case BestLapStanding::Kind::EqualsBest: return text + ", equals your best";
    case BestLapStanding::Kind::OffBest: break;
    }
    return text + ", " + Seconds(standing.gapS) + " off your best";
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
    if (store && !store->ReadOnly() && store->Setting(kFollowSetting) == std::optional<std::string>("on")) {
        toolkit.SetControlValue(FollowCheckBox, 1);
        Begin(state, toolkit);
    }
}

void WindowFollowing::KeepSetting(bool on)
{
    HistoryStore* store = history_.Store();
    if (store && !store->ReadOnly())
        store->SetSetting(kFollowSetting, on ? "on" : "off");
}

bool WindowFollowing::HandleEvent(AppState& state, Toolkit& toolkit, int event)
{
    if (event == kTimerEvent && toolkit.EventControl() == FollowTimer) {
        Look(state, toolkit);
        return true;
    }
    if (event == kControlEvent && toolkit.EventControl() == FollowCheckBox) {
        KeepSetting(Ticked(toolkit));
        if (Ticked(toolkit))
            Begin(state, toolkit);
        else
            End(toolkit, false);
        return true;
    }
    return false;
}

void WindowFollowing::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    if (Ticked(toolkit) && (!follower_ || follower_->Folder() != FolderPart(state.GamePath)))
        Begin(state, toolkit);
}

// Follows the folder of the race shown, from now on; nothing while no
// saved game is shown.
void WindowFollowing::Begin(AppState& state, Toolkit& toolkit)
{
    follower_.reset();
    if (!state.HasGame || state.GamePath.empty()) {
        toolkit.StopTimer(FollowTimer);
        return;
    }
    const std::string folder = FolderPart(state.GamePath);
    std::vector<StampedFile> listing;
    if (!toolkit.ListFiles(folder, listing)) {
        LogFailure(state, toolkit, "Cannot follow " + FileNameToUtf8(folder) + ": " + toolkit.LastError());
        End(toolkit, true);
        return;
    }
    follower_ = std::make_unique<FolderFollower>(folder);
    follower_->Start(listing, clock_());
    LogMessage(state, toolkit, "Following " + FileNameToUtf8(folder));
    period_ = {};
    Schedule(toolkit);
}

void WindowFollowing::End(Toolkit& toolkit, bool untick)
{
    follower_.reset();
    toolkit.StopTimer(FollowTimer);
    if (untick && Ticked(toolkit)) {
        toolkit.SetControlValue(FollowCheckBox, 0);
        KeepSetting(false);
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
    // A load in progress (the user's own) is never interrupted: the race
    // stays due and loads at a look after it.
    if (!state.Loading)
        if (const auto& due = follower_->Due())
            Take(state, toolkit, FollowedFile(*due));  // a copy: taking it ends its being due
    if (follower_)
        Schedule(toolkit);
}

// --- A new race ---------------------------------------------------------------------------

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
    if (read.result == FileRead::Result::Ok) {
        const Sha256Digest key = Sha256(read.bytes);
        if (follower_->Knows(key) || (state.HasGame && key == state.GameDigest)) {
            follower_->Loaded(file, key);
            return;
        }
        if (HistoryStore* store = history_.Store())
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
        LogMessage(state, toolkit, "New race: " + FileNameToUtf8(file.name) + " (" + whyNot + ")");
        return;
    }
    std::optional<BestLapOfRace> previousBest;
    if (HistoryStore* store = history_.Store())
        previousBest = BestBefore(*store, *race);
    LogMessage(state, toolkit, NewRaceText(FileNameToUtf8(file.name), *race, StandingOf(*race, previousBest, kept)));
}

}  // namespace vx
