// "Follow folder" in the main window: while the box is ticked, a folder is
// looked at from a timer (the follower's PollInterval apart), and every
// saved game that settles there is recorded in the history and said in the
// log with its best lap against its driver's best; of those that settle
// together the newest is loaded as "Load" loads it (recorded like every
// committed load), the older ones are read and recorded without being shown.
//
// The folder followed is the shown race's; ticking the box with no race
// shown asks for one. A due race waits while a load runs (the user's own
// among them) and loads at the next look after it. Loading a race from
// another folder moves the following there, afresh: the saved games there
// already stay as they are. A folder that can no longer be read ends the
// following and clears the box. The folder followed is kept in the
// history's settings and followed again from the start of the next run.
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
    // history's settings left it, and the folder kept there followed.
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
    void Begin(AppState& state, Toolkit& toolkit, const std::string& folder);
    void End(Toolkit& toolkit, bool untick);
    void Look(AppState& state, Toolkit& toolkit);
    // The newest of the races due: loaded and shown.
    void Take(AppState& state, Toolkit& toolkit, const FollowedFile& file);
    // An older one: read, recorded and said, the race shown staying.
    void Keep(AppState& state, Toolkit& toolkit, const FollowedFile& file);
    // "off", or the folder followed.
    void KeepSetting(const std::string& value);
    void Schedule(Toolkit& toolkit);

    HistoryWindow& history_;
    std::function<FollowTime()> clock_;
    bool systemTime_ = true;                    // the system's time given with each look
    std::unique_ptr<FolderFollower> follower_;  // none while not following
    FollowTime period_{};                       // the timer's period as started
    // The older races of a batch, read without windows and never drawn.
    std::unique_ptr<Toolkit> scratchToolkit_;
    std::unique_ptr<AppState> scratch_;
};

}  // namespace vx
