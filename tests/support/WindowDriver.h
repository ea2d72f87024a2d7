// Drives the main window headless as a user would: clicks, slider moves,
// drops and the close box become the window system's events, on every
// system. (tests/app/QtWindow.h reaches Qt's own widgets.)
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "support/ForwardingPlatform.h"
#include "support/TestSupport.h"

namespace vx::test {

// The system's platform, through which a test raises the events the user's
// actions would.
class DrivingPlatform : public ForwardingPlatform {
public:
    void SetEventSink(std::function<void(const PlatformEvent&)> sink) override
    {
        sink_ = sink;
        ForwardingPlatform::SetEventSink(std::move(sink));
    }
    void Raise(const PlatformEvent& event)
    {
        if (sink_)
            sink_(event);
    }

private:
    std::function<void(const PlatformEvent&)> sink_;
};

// A started program with a scripted requester.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        app.StartUp();
        script = Script(toolkit);
    }

    // A click on the button of this text ("Load", "Save", "<", ">"); a
    // disabled button takes none.
    void Click(const char* text)
    {
        const std::string name = text;
        const int control = name == "Load" ? LoadButton : name == "Save" ? SaveButton
                            : name == "<"  ? PrevLapButton
                            : name == ">"  ? NextLapButton
                                           : -1;
        ASSERT_NE(control, -1) << text;
        platform.Raise({PlatformEvent::Kind::Control, control, {}});
        app.ProcessPendingEvents();
    }
    // The user puts the slider's thumb on lap.
    void MoveSlider(int lap)
    {
        toolkit.SetControlValue(LapSlider, lap);
        platform.Raise({PlatformEvent::Kind::Control, LapSlider, {}});
        app.ProcessPendingEvents();
    }
    // A file dropped on the window.
    void Drop(const std::string& path)
    {
        platform.Raise({PlatformEvent::Kind::Drop, 0, path});
        app.ProcessPendingEvents();
    }
    std::string LapLabel() { return toolkit.GetControlText(LapNumberLabel); }
    AppState& State() { return app.State(); }
    std::string NewestLog() { return State().Log.Newest(); }

    DrivingPlatform platform;
    Toolkit toolkit{platform};
    Application app{toolkit};
    std::shared_ptr<ScriptedRequester::Shared> script;
};

}  // namespace vx::test
