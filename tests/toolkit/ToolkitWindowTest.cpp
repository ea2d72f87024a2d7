// Windows, picture boxes and scroll bars of the toolkit, driven through the
// system's own events: Qt's on Linux, the window messages on Windows.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#endif

#include <string>

#include "toolkit/Toolkit.h"

namespace vx {
namespace {

// What the user does, as the system reports it to the window or control at
// (x, y) of the client area of the window of this title.
#ifdef _WIN32
HWND Window(const std::string& title)
{
    return FindWindowW(nullptr, std::wstring(title.begin(), title.end()).c_str());
}

HWND ControlAt(const std::string& title, int x, int y)
{
    const HWND control = ChildWindowFromPoint(Window(title), POINT{x, y});
    return control == Window(title) ? nullptr : control;
}

void CloseBox(const std::string& title)
{
    SendMessageW(Window(title), WM_CLOSE, 0, 0);
}

void MouseMove(HWND control, int x, int y)
{
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void LeftPress(HWND control, int x, int y)
{
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void MouseLeave(HWND control)
{
    SendMessageW(control, WM_MOUSELEAVE, 0, 0);
}

// The wheel goes to the window that has the focus, with the pointer's place
// on the screen.
void Wheel(HWND control, int x, int y, int delta)
{
    POINT screen{x, y};
    ClientToScreen(control, &screen);
    SendMessageW(GetAncestor(control, GA_ROOT), WM_MOUSEWHEEL, MAKEWPARAM(0, delta),
                 MAKELPARAM(screen.x, screen.y));
}

// What the scroll bar tells its window after a click in its trough below
// the thumb.
void PageDown(HWND bar)
{
    SendMessageW(GetParent(bar), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0),
                 reinterpret_cast<LPARAM>(bar));
}
#else
QWidget* Window(const std::string& title)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowTitle() == QString::fromStdString(title))
            return widget;
    return nullptr;
}

QWidget* ControlAt(const std::string& title, int x, int y)
{
    return Window(title)->childAt(x, y);
}

void CloseBox(const std::string& title)
{
    Window(title)->close();
}

void Mouse(QWidget* control, QEvent::Type type, int x, int y, Qt::MouseButton button)
{
    QMouseEvent event(type, QPointF(x, y), control->mapToGlobal(QPointF(x, y)), button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(control, &event);
}

void MouseMove(QWidget* control, int x, int y)
{
    Mouse(control, QEvent::MouseMove, x, y, Qt::NoButton);
}

void LeftPress(QWidget* control, int x, int y)
{
    Mouse(control, QEvent::MouseButtonPress, x, y, Qt::LeftButton);
    Mouse(control, QEvent::MouseButtonRelease, x, y, Qt::LeftButton);
}

void MouseLeave(QWidget* control)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(control, &leave);
}

void Wheel(QWidget* control, int x, int y, int delta)
{
    QWheelEvent event(QPointF(x, y), control->mapToGlobal(QPointF(x, y)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(control, &event);
}

void PageDown(QWidget* bar)
{
    static_cast<QScrollBar*>(bar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
}
#endif

class TwoWindows : public testing::Test {
protected:
    void SetUp() override
    {
        tk.AttachControlList(tk.CreateAppWindow(0, 10, 10, 300, 200, "Main", kFixedWindowStyle));
        tk.AddLabel(1, 10, 10, 80, 20, "main");
        tk.AddPictureBox(2, 100, 50, 120, 90, 0);
        tk.CreateAppWindow(1, 40, 40, 200, 150, "Second", kFixedWindowStyle);
        tk.AttachControlList(tk.NativeWindowHandle(1));
        tk.AddLabel(3, 10, 10, 80, 20, "second");
        tk.AddScrollBar(4, 150, 20, 17, 100, 0, 20, 10);
    }

    Toolkit tk;
};

TEST_F(TwoWindows, ACloseRequestNamesItsWindow)
{
    CloseBox("Second");
    CloseBox("Main");
    ASSERT_EQ(tk.PollEvent(), kCloseEvent);
    EXPECT_EQ(tk.EventWindow(), 1);
    ASSERT_EQ(tk.PollEvent(), kCloseEvent);
    EXPECT_EQ(tk.EventWindow(), 0);
    EXPECT_NE(Window("Second"), nullptr);  // until the program destroys it
}

TEST_F(TwoWindows, DestroyingAWindowTakesItsControlsAndWhatIsQueuedForIt)
{
    CloseBox("Second");
    tk.DestroyAppWindow(1);
    EXPECT_EQ(Window("Second"), nullptr);
    EXPECT_EQ(tk.ControlSize(3), std::make_pair(0, 0));
    EXPECT_EQ(tk.ControlSize(4), std::make_pair(0, 0));
    EXPECT_EQ(tk.GetControlText(3), "");
    EXPECT_EQ(tk.GetControlText(1), "main");
    EXPECT_EQ(tk.ControlSize(2), std::make_pair(120, 90));
    EXPECT_EQ(tk.PollEvent(), 0);
    // New controls go to the window still open.
    tk.AddLabel(5, 10, 40, 60, 20, "next");
    EXPECT_NE(ControlAt("Main", 15, 45), nullptr);
    tk.DestroyAppWindow(0);
    tk.AddLabel(6, 10, 40, 60, 20, "none");
    EXPECT_EQ(tk.ControlSize(6), std::make_pair(0, 0));
    EXPECT_EQ(tk.WaitEvent(), 0);  // nothing is left that could raise one
}

TEST_F(TwoWindows, APictureBoxReportsThePointerInItsOwnPixelsWhileItTracks)
{
    const auto box = ControlAt("Main", 105, 55);
    ASSERT_NE(box, nullptr);
    MouseMove(box, 3, 4);  // not tracking yet
    EXPECT_EQ(tk.PollEvent(), 0);

    tk.TrackPointer(2, true);
    MouseMove(box, 5, 6);
    MouseMove(box, 7, 8);  // takes the place of the move not yet taken
    LeftPress(box, 7, 8);
    MouseMove(box, 9, 10);
    MouseLeave(box);
    const auto take = [&](PointerAction action, int x, int y) {
        ASSERT_EQ(tk.PollEvent(), kPointerEvent);
        EXPECT_EQ(tk.EventControl(), 2);
        EXPECT_EQ(tk.EventPointerAction(), action);
        if (action != PointerAction::Leave) {
            EXPECT_EQ(tk.PointerX(), x);
            EXPECT_EQ(tk.PointerY(), y);
        }
    };
    take(PointerAction::Move, 7, 8);
    take(PointerAction::Press, 7, 8);
    take(PointerAction::Move, 9, 10);
    take(PointerAction::Leave, 0, 0);

    Wheel(box, 30, 40, -120);  // a notch towards the user
    Wheel(box, 31, 41, 60);    // half notches of a fine wheel
    Wheel(box, 32, 42, 60);
    take(PointerAction::Wheel, 30, 40);
    EXPECT_EQ(tk.WheelSteps(), -1);
    take(PointerAction::Wheel, 32, 42);
    EXPECT_EQ(tk.WheelSteps(), 1);

    tk.SetBusy(true);
    LeftPress(box, 1, 1);
    tk.SetBusy(false);
    EXPECT_EQ(tk.PollEvent(), 0);
}

TEST_F(TwoWindows, AScrollBarMovedByTheUserRaisesAnEventAndByTheProgramNone)
{
    const auto bar = ControlAt("Second", 155, 60);
    ASSERT_NE(bar, nullptr);
    tk.SetControlValue(4, 5);
    EXPECT_EQ(tk.PollEvent(), 0);
    EXPECT_EQ(tk.GetControlValue(4), 5);

    // A page down, then one more stopping at the maximum, whatever the page.
    PageDown(bar);
    ASSERT_EQ(tk.PollEvent(), kControlEvent);
    EXPECT_EQ(tk.EventControl(), 4);
    EXPECT_EQ(tk.GetControlValue(4), 15);
    PageDown(bar);
    ASSERT_EQ(tk.PollEvent(), kControlEvent);
    EXPECT_EQ(tk.GetControlValue(4), 20);
    PageDown(bar);  // at the end already: no move, no event
    EXPECT_EQ(tk.PollEvent(), 0);

    // A notch away from the user: three lines up.
    Wheel(bar, 5, 50, 120);
    ASSERT_EQ(tk.PollEvent(), kControlEvent);
    EXPECT_EQ(tk.GetControlValue(4), 17);

    tk.SetControlAttribute(4, SliderMaximum, 16);
    tk.SetScrollPage(4, 4);
    EXPECT_EQ(tk.PollEvent(), 0);
    EXPECT_EQ(tk.GetControlValue(4), 16);
    EXPECT_EQ(tk.GetControlAttribute(4, SliderMaximum), 16);
}

}  // namespace
}  // namespace vx
