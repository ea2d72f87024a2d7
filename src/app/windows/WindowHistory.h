// The race history of the application: opened once as the program starts,
// owned here for as long as it runs, and read by the history window, the
// comparison ("PB") and following. Every load that commits is recorded here,
// without ever waiting on the history: while another program holds its lock
// the race waits and is recorded at a later idle turn (HistoryRetryTimer),
// nothing lost; only a wait that lasts is said in the log. At the same idle
// turns the kept speeds of races recorded before speeds were chords over
// half a second are worked out again from their saved games.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "history/KeptSpeeds.h"
#include "history/Recording.h"
#include "state/AppState.h"

namespace vx {

class CompareWindow;

// Where the window's history is and what it may do with it.
struct HistoryOptions {
    std::string Path;     // the history's file; "" for none at all
    bool Record = false;  // every committed load recorded, the settings kept
};

class WindowHistory final : public SideWindow {
public:
    explicit WindowHistory(CompareWindow& compare) : compare_(compare) {}

    // Opens the history as the program starts (the main window open): a
    // history that cannot be opened is said once in the log and in the
    // History button's tooltip. The "Open Game" requester starts in the
    // folder it last used.
    void Start(AppState& state, Toolkit& toolkit, const HistoryOptions& options);
    HistoryStore* Store() { return store_.get(); }
    // Why there is no history ("" when there is one).
    const std::string& Unavailable() const { return unavailable_; }
    // Committed loads are recorded (and the settings kept).
    bool Records() const { return record_; }

    // Told after each race recorded new in the history, at once or later.
    void OnRecorded(std::function<void(AppState&, Toolkit&)> told) { onRecorded_ = std::move(told); }
    // The last committed load's race was new in the history.
    bool RecordedLast() const { return recordedLast_; }
    // The races waiting for another program to let go of the history.
    const std::vector<RaceRecord>& Waiting() const { return waiting_; }

    void LapShown(const AppState&, Toolkit&) override {}
    // Records the committed race (or lets it wait) and keeps the folder
    // "Open Game" used.
    void AnalysisCommitted(AppState& state, Toolkit& toolkit) override;
    // The idle turn: the waiting races tried again, then one race's speeds.
    bool HandleEvent(AppState& state, Toolkit& toolkit, int event);
    void IdleTurn(AppState& state, Toolkit& toolkit);

    // Tries a waiting race this many times (once per kRetryMs) before the
    // wait is said in the log.
    static constexpr int kRetryMs = 500;
    static constexpr int kTriesBeforeSaid = 20;

private:
    void SaveGameFolder(const AppState& state);
    // Records the waiting races in turn: false while the lock is still held.
    bool RecordWaiting(AppState& state, Toolkit& toolkit);
    void Said(AppState& state, Toolkit& toolkit, const CommittedRecording& recording, bool quietWhenKnown);
    void Schedule(Toolkit& toolkit);

    CompareWindow& compare_;
    std::unique_ptr<HistoryStore> store_;
    std::string unavailable_;
    bool record_ = false;
    std::string savedGameFolder_;  // the "Open Game" folder as the settings hold it
    std::function<void(AppState&, Toolkit&)> onRecorded_;
    bool recordedLast_ = false;
    std::vector<RaceRecord> waiting_;
    int tries_ = 0;          // of the oldest waiting race
    bool waitSaid_ = false;  // the lasting wait said in the log
    std::unique_ptr<KeptSpeedsRedo> speeds_;
};

}  // namespace vx
