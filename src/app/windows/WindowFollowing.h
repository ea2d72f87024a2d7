// "Follow folder" in the main window: while the box is ticked and a race is
// shown, the folder of the race shown is looked at from a timer (the
// follower's PollInterval apart), and each saved game that settles there is
// loaded as "Load" loads it, recorded in the history like every committed
// load, and said in the log with its best lap against the personal best.
//
// A due race waits while a load runs (the user's own among them) and loads
// at the next look after it. Loading a race from another folder moves the
// following there, afresh: the saved games there already stay as they are.
// A folder that can no longer be read ends the following and clears the
// box. The box's state is kept in the history's settings.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "follow/FolderFollower.h"
#include "state/AppState.h"

namespace vx {

class HistoryWindow;

class WindowFollowing final : public SideWindow {
public:
    explicit WindowFollowing(HistoryWindow& history);
    ~WindowFollowing();

    // After the main window and the history are open: the box ticked as the
    // history's settings left it.
    void Start(AppState& state, Toolkit& toolkit);
    // The box's clicks and the timer's looks; false for an event not its own.
    bool HandleEvent(AppState& state, Toolkit& toolkit, int event);

    void LapShown(const AppState&, Toolkit&) override {}
    // A race loaded from another folder moves the following there.
    void AnalysisCommitted(AppState& state, Toolkit& toolkit) override;

    // The folder followed ("" for none).
    std::string Folder() const;
    // The clock the follower is given (steady; tests give their own, and
    // then the system's time is not given beside it).
    void SetClock(std::function<FollowTime()> clock)
    {
        clock_ = std::move(clock);
        systemTime_ = false;
    }

private:
    void Begin(AppState& state, Toolkit& toolkit);
    void End(Toolkit& toolkit, bool untick);
    void Look(AppState& state, Toolkit& toolkit);
    void Take(AppState& state, Toolkit& toolkit, const FollowedFile& file);
    void KeepSetting(bool on);
    void Schedule(Toolkit& toolkit);

    HistoryWindow& history_;
    std::function<FollowTime()> clock_;
    bool systemTime_ = true;                    // the system's time given with each look
    std::unique_ptr<FolderFollower> follower_;  // none while not following
    FollowTime period_{};                       // the timer's period as started
};

}  // namespace vx
