#include "app/windows/WindowHistory.h"

#include "app/windows/CompareWindow.h"
#include "history/HistoryMessages.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// The settings the application keeps in the history.
constexpr const char* kGameFolderSetting = "open_game_folder";

std::string Races(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " race waits" : " races wait");
}

}  // namespace

void WindowHistory::Start(AppState& state, Toolkit& toolkit, const HistoryOptions& options)
{
    record_ = options.Record;
    if (options.Path.empty()) {
        unavailable_ = "this window was started without one";
        toolkit.SetControlToolTip(HistoryButton, "The race history is not used in this window.");
        return;
    }
    // Without recording the history is only read: nothing is made, moved
    // or migrated.
    HistoryOpening opening = record_ ? OpenHistory(options.Path) : OpenHistoryToRead(options.Path);
    if (!opening.SetAsideTo.empty())
        LogFailure(state, toolkit, SetAsideMessage(opening));
    if (!opening.Store && !record_ && !StampOfPath(options.Path)) {
        // Not recording, and nothing recorded yet: nothing to say.
        unavailable_ = "no race has been recorded yet";
        toolkit.SetControlToolTip(HistoryButton, "Race history: " + unavailable_ + " (this window records none).");
        return;
    }
    if (!opening.Store) {
        unavailable_ = opening.Problem;
        LogFailure(state, toolkit, "History unavailable: " + unavailable_);
        // The problem names the file as the system spells it (UTF-8); the
        // toolkit's texts are Windows-1252.
        toolkit.SetControlToolTip(HistoryButton, "The race history is unavailable: " + FileNameToCp1252(unavailable_));
        return;
    }
    store_ = std::move(opening.Store);
    // From now on the window never waits for another program's lock.
    store_->SetBusyWait(0);
    compare_.UseHistory(store_.get());
    if (!opening.ReadOnlyNote.empty()) {
        record_ = false;
        LogMessage(state, toolkit, opening.ReadOnlyNote);
    }
    toolkit.SetControlToolTip(HistoryButton,
                              record_ ? "Race history: every race loaded here is kept, with your progress "
                                        "and personal best on each track."
                                      : "Race history: the races kept (this window records none).");
    if (const auto folder = store_->Setting(kGameFolderSetting)) {
        savedGameFolder_ = *folder;
        if (toolkit.KindOf(*folder) == PathKind::Folder)
            state.GameDirectory = *folder;
    }
    if (record_) {
        speeds_ = std::make_unique<KeptSpeedsRedo>(*store_);
        Schedule(toolkit);
    }
}

void WindowHistory::SaveGameFolder(const AppState& state)
{
    if (!record_ || !store_ || state.GameDirectory.empty() || state.GameDirectory == savedGameFolder_)
        return;
    if (store_->SetSetting(kGameFolderSetting, state.GameDirectory))
        savedGameFolder_ = state.GameDirectory;
}

void WindowHistory::Said(AppState& state, Toolkit& toolkit, const CommittedRecording& recording, bool quietWhenKnown)
{
    if (recording.failed)
        LogFailure(state, toolkit, recording.message);
    else if (!recording.message.empty() && (recording.recorded || !quietWhenKnown))
        LogMessage(state, toolkit, recording.message);
}

void WindowHistory::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    SaveGameFolder(state);
    recordedLast_ = false;
    if (!record_ || !store_ || !state.HasGame)
        return;
    // The races waiting go first; while the lock is held this one waits
    // behind them.
    RecordWaiting(state, toolkit);
    CommittedRecording recording = RecordCommittedRace(*store_, state);
    if (recording.waiting) {
        waiting_.push_back(std::move(*recording.waiting));
        Schedule(toolkit);
        return;
    }
    recordedLast_ = recording.recorded;
    Said(state, toolkit, recording, state.Laps.LapCount != 0);
}

// True when none waits (any more).
bool WindowHistory::RecordWaiting(AppState& state, Toolkit& toolkit)
{
    while (!waiting_.empty()) {
        const CommittedRecording recording = RecordWaitingRace(*store_, waiting_.front());
        if (recording.waiting) {
            ++tries_;
            if (tries_ >= kTriesBeforeSaid && !waitSaid_) {
                waitSaid_ = true;
                LogFailure(state, toolkit,
                           "History busy: " + Races(waiting_.size()) +
                               " to be recorded (another program holds the history)");
            }
            return false;
        }
        waiting_.erase(waiting_.begin());
        tries_ = 0;
        Said(state, toolkit, recording, false);
        if (recording.recorded && onRecorded_)
            onRecorded_(state, toolkit);
    }
    if (waitSaid_) {
        waitSaid_ = false;
        LogMessage(state, toolkit, "History free again: every waiting race recorded");
    }
    return true;
}

void WindowHistory::Schedule(Toolkit& toolkit)
{
    if (!waiting_.empty())
        toolkit.StartTimer(HistoryRetryTimer, kRetryMs);
    else if (speeds_)
        toolkit.StartTimer(HistoryRetryTimer, 0);  // whenever the windows have nothing else to do
    else
        toolkit.StopTimer(HistoryRetryTimer);
}

void WindowHistory::IdleTurn(AppState& state, Toolkit& toolkit)
{
    if (store_ && RecordWaiting(state, toolkit) && speeds_ && !speeds_->Step()) {
        // Another program's lock stops it until the next start; anything
        // else is said.
        if (!speeds_->StoreFailure().empty() && store_->LastFailure().kind != DatabaseFailure::Busy)
            LogFailure(state, toolkit, "History unavailable: " + speeds_->StoreFailure());
        speeds_.reset();
    }
    Schedule(toolkit);
}

bool WindowHistory::HandleEvent(AppState& state, Toolkit& toolkit, int event)
{
    if (event != kTimerEvent || toolkit.EventControl() != HistoryRetryTimer)
        return false;
    IdleTurn(state, toolkit);
    return true;
}

}  // namespace vx
