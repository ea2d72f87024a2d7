// Drives the program's windows headless as a user would: clicks, slider
// moves, the pointer over picture boxes, drops and close boxes become the
// window system's events, on every system. (tests/app/QtWindow.h reaches
// Qt's own widgets.)
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "app/windows/MainWindow.h"
#include "support/ForwardingWindowSystem.h"
#include "support/TestSupport.h"

namespace vx::test {

// The system's window system, through which a test raises the events the
// user's actions would.
class DrivingWindowSystem : public ForwardingWindowSystem {
public:
    void SetEventSink(std::function<void(const PlatformEvent&)> sink) override
    {
        sink_ = sink;
        ForwardingWindowSystem::SetEventSink(std::move(sink));
    }
    std::uint64_t OpenWindow(int x, int y, int w, int h, const std::string& title) override
    {
        const std::uint64_t id = ForwardingWindowSystem::OpenWindow(x, y, w, h, title);
        windows_[title] = id;
        return id;
    }
    void AddKeyCommand(std::uint64_t window, Key key, int tag) override
    {
        keys_[{window, key}] = tag;
        ForwardingWindowSystem::AddKeyCommand(window, key, tag);
    }
    void Raise(const PlatformEvent& event)
    {
        if (sink_)
            sink_(event);
    }
    // Timers run when the test says so, not by the clock: a timer started
    // and not stopped raises one event per RaiseTimer.
    void StartTimer(int tag, int) override { timers_.insert(tag); }
    void StopTimer(int tag) override { timers_.erase(tag); }
    bool TimerRuns(int tag) const { return timers_.count(tag) != 0; }
    void RaiseTimer(int tag)
    {
        if (TimerRuns(tag))
            Raise({.kind = PlatformEvent::Kind::Timer, .tag = tag});
    }
    // The close box of the window last opened with this title.
    void RaiseClose(const std::string& title)
    {
        Raise({.kind = PlatformEvent::Kind::Close, .window = windows_[title]});
    }
    // The key pressed in the window last opened with this title: the
    // command the program bound to it there; false when it bound none.
    bool RaiseKey(const std::string& title, Key key)
    {
        const auto bound = keys_.find({windows_[title], key});
        if (bound == keys_.end())
            return false;
        Raise({PlatformEvent::Kind::Control, bound->second, {}});
        return true;
    }

private:
    std::function<void(const PlatformEvent&)> sink_;
    std::map<std::string, std::uint64_t> windows_;  // UTF-8 title -> id
    std::set<int> timers_;
    std::map<std::pair<std::uint64_t, Key>, int> keys_;  // window id and key -> tag
};

// A started program with a scripted requester.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        app.StartUp();
        script = Script(toolkit);
    }

    // A click on the button of this text ("Load", "Save", "<", ">",
    // "Compare"); a disabled button takes none.
    void Click(const char* text)
    {
        const std::string name = text;
        const int control = name == "Load" ? LoadButton : name == "Save" ? SaveButton
                            : name == "<"       ? PrevLapButton
                            : name == ">"       ? NextLapButton
                            : name == "Compare" ? CompareButton
                                                : -1;
        ASSERT_NE(control, -1) << text;
        Press(control);
    }
    // A click on the button, or a move of the scroll bar, of this number.
    void Press(int control)
    {
        windowSystem.Raise({PlatformEvent::Kind::Control, control, {}});
        app.ProcessPendingEvents();
    }
    // The user puts the slider's thumb on lap.
    void MoveSlider(int lap)
    {
        toolkit.SetControlValue(LapSlider, lap);
        windowSystem.Raise({PlatformEvent::Kind::Control, LapSlider, {}});
        app.ProcessPendingEvents();
    }
    // A file dropped on the window.
    void Drop(const std::string& path)
    {
        windowSystem.Raise({PlatformEvent::Kind::Drop, 0, path});
        app.ProcessPendingEvents();
    }
    // The pointer over a picture box that tracks it, at (x, y) in the box.
    void Point(int box, PointerAction action, int x, int y, int wheelSteps = 0, bool shift = false)
    {
        windowSystem.Raise({.kind = PlatformEvent::Kind::Pointer, .tag = box, .action = action, .x = x,
                        .y = y, .wheelSteps = wheelSteps, .shift = shift});
        app.ProcessPendingEvents();
    }
    // The timer runs out once (when it runs).
    void Tick(int timer)
    {
        windowSystem.RaiseTimer(timer);
        app.ProcessPendingEvents();
    }
    // A key pressed in the window of this title; a key it has no command
    // for fails the test.
    void PressKey(const std::string& title, Key key)
    {
        ASSERT_TRUE(windowSystem.RaiseKey(title, key)) << title << ": key " << static_cast<int>(key);
        app.ProcessPendingEvents();
    }
    // A click on the close box of the window of this title.
    void CloseWindow(const std::string& title)
    {
        windowSystem.RaiseClose(title);
        app.ProcessPendingEvents();
    }
    std::string LapLabel() { return toolkit.GetControlText(LapNumberLabel); }
    AppState& State() { return app.State(); }
    std::string NewestLog() { return State().Log.Newest(); }

    DrivingWindowSystem windowSystem;
    Toolkit toolkit{{.windows = windowSystem}};
    Application app{toolkit};
    std::shared_ptr<ScriptedRequester::Shared> script;
};

}  // namespace vx::test
