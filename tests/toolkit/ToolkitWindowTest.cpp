// Windows, their placement, picture boxes, scroll bars, check boxes, labels,
// keys and timers of the toolkit, driven through the system's own events:
// Qt's on Linux, the window messages on Windows.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>
#endif

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "support/ForwardingWindowSystem.h"

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

void LeftPress(HWND control, int x, int y, bool shift = false)
{
    const WPARAM keys = shift ? MK_SHIFT : 0;
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    SendMessageW(control, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

void RightPress(HWND control, int x, int y)
{
    SendMessageW(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    SendMessageW(control, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
}

// Space typed while the control has the focus.
void Space(HWND control)
{
    SendMessageW(control, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(control, WM_KEYUP, VK_SPACE, 0xC0000001);
}

// A key typed while the control has the focus, as the window's loop takes
// it from the queue, Ctrl held or not.
enum class Typed { Up, Down, Escape, CtrlW, W, Return };
void Type(HWND control, Typed key)
{
    const WPARAM codes[] = {VK_UP, VK_DOWN, VK_ESCAPE, 'W', 'W', VK_RETURN};
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = key == Typed::CtrlW ? 0x80 : 0;
    SetKeyboardState(keys);
    SetFocus(control);
    PostMessageW(control, WM_KEYDOWN, codes[static_cast<int>(key)], 1);
}

void ReleaseKeys()
{
    BYTE keys[256] = {};
    SetKeyboardState(keys);
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

void LeftPress(QWidget* control, int x, int y, bool shift = false)
{
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(x, y), control->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, modifiers);
        QApplication::sendEvent(control, &event);
    }
}

void RightPress(QWidget* control, int x, int y)
{
    Mouse(control, QEvent::MouseButtonPress, x, y, Qt::RightButton);
    Mouse(control, QEvent::MouseButtonRelease, x, y, Qt::RightButton);
}

void Space(QWidget* control)
{
    QTest::keyClick(control, Qt::Key_Space);
}

enum class Typed { Up, Down, Escape, CtrlW, W, Return, Enter };
void Type(QWidget* control, Typed key)
{
    const Qt::Key codes[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Escape, Qt::Key_W, Qt::Key_W,
                             Qt::Key_Return, Qt::Key_Enter};
    const Qt::KeyboardModifiers modifiers = key == Typed::CtrlW ? Qt::ControlModifier
                                            : key == Typed::Enter ? Qt::KeypadModifier
                                                                  : Qt::NoModifier;
    control->setFocus();
    QTest::keyClick(control, codes[static_cast<int>(key)], modifiers);
}

void ReleaseKeys() {}

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

// The system's window system, knowing each window's id by its title.
class NamedWindows : public test::ForwardingWindowSystem {
public:
    std::uint64_t OpenWindow(int x, int y, int w, int h, const std::string& title) override
    {
        return ids[title] = ForwardingWindowSystem::OpenWindow(x, y, w, h, title);
    }
    std::map<std::string, std::uint64_t> ids;
};

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

    NamedWindows windows;
    Toolkit tk{{.windows = windows}};
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

TEST_F(TwoWindows, ARightPressIsItsOwnActionAndAPressSaysWhetherShiftWasHeld)
{
    tk.TrackPointer(2, true);
    const auto box = ControlAt("Main", 105, 55);
    ASSERT_NE(box, nullptr);
    RightPress(box, 4, 5);
    LeftPress(box, 6, 7, true);
    LeftPress(box, 8, 9);
    const struct { PointerAction action; int x; bool shift; } expected[] = {
        {PointerAction::RightPress, 4, false}, {PointerAction::Press, 6, true}, {PointerAction::Press, 8, false}};
    for (const auto& press : expected) {
        ASSERT_EQ(tk.PollEvent(), kPointerEvent);
        EXPECT_EQ(tk.EventPointerAction(), press.action);
        EXPECT_EQ(tk.PointerX(), press.x);
        EXPECT_EQ(tk.PointerShift(), press.shift);
    }
    EXPECT_EQ(tk.PollEvent(), 0);
}

TEST_F(TwoWindows, ACheckBoxTicksOnAClickOrSpaceAndTheProgramsChangesRaiseNothing)
{
    tk.AddCheckBox(5, 10, 130, 120, 20, "Follow folder");
    EXPECT_EQ(tk.GetControlText(5), "Follow folder");
    EXPECT_EQ(tk.GetControlValue(5), 0);
    const auto box = ControlAt("Second", 15, 140);
    ASSERT_NE(box, nullptr);
    LeftPress(box, 5, 10);
    ASSERT_EQ(tk.PollEvent(), kControlEvent);
    EXPECT_EQ(tk.EventControl(), 5);
    EXPECT_EQ(tk.GetControlValue(5), 1);

    tk.SetControlValue(5, 0);
    EXPECT_EQ(tk.PollEvent(), 0);
    EXPECT_EQ(tk.GetControlValue(5), 0);
    Space(box);
    ASSERT_EQ(tk.PollEvent(), kControlEvent);
    EXPECT_EQ(tk.GetControlValue(5), 1);
}

TEST_F(TwoWindows, UpDownEscapeCtrlWAndReturnRaiseTheirCommandsWhereverTheFocusIs)
{
    const Key keys[] = {Key::Up, Key::Down, Key::Escape, Key::CtrlW, Key::Return};
    for (int k = 0; k < 5; ++k)
        tk.AddKeyCommand(1, keys[k], 41 + k);
    tk.AddCheckBox(5, 10, 130, 120, 20, "Follow folder");
    const auto focus = ControlAt("Second", 15, 140);
    ASSERT_NE(focus, nullptr);
#ifndef _WIN32
    Window("Second")->activateWindow();  // a window's keys are the active window's
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window("Second")));
    const std::vector<Typed> typed = {Typed::Up, Typed::Down, Typed::Escape, Typed::W,
                                      Typed::CtrlW, Typed::Return, Typed::Enter};
    const std::vector<int> commands = {41, 42, 43, 44, 45, 45};
#else
    const std::vector<Typed> typed = {Typed::Up, Typed::Down, Typed::Escape, Typed::W,
                                      Typed::CtrlW, Typed::Return};
    const std::vector<int> commands = {41, 42, 43, 44, 45};
#endif
    std::vector<int> raised;
    for (const Typed key : typed) {
        Type(focus, key);
        while (tk.PollEvent() == kControlEvent)
            raised.push_back(tk.EventControl());
        ReleaseKeys();
    }
    EXPECT_EQ(raised, commands);  // W alone is no command
    EXPECT_EQ(tk.GetControlValue(5), 0);
}

TEST_F(TwoWindows, AWrappedLabelBreaksItsLinesBetweenWordsAndAPlainOneKeepsThemWhole)
{
    const std::string text = "one two three four five six seven eight nine ten eleven";
    // Ink in the label's box below its first line.
    const auto inkBelowFirstLine = [&] {
        const Image shown = windows.GrabWindow(windows.ids["Second"]);
        const Colour background = shown.At(10 + 129, 40 + 99);
        int ink = 0;
        for (int y = 40 + 24; y < 40 + 100; ++y)
            for (int x = 10; x < 10 + 130; ++x)
                ink += shown.At(x, y) != background;
        return ink;
    };
    tk.AddLabel(5, 10, 40, 130, 100, text);
    EXPECT_EQ(inkBelowFirstLine(), 0);
    tk.AddLabel(5, 10, 40, 130, 100, text, kLabelWordWrap | kLabelEndEllipsis);
    EXPECT_GT(inkBelowFirstLine(), 0);
    EXPECT_EQ(tk.GetControlText(5), text);
}

TEST_F(TwoWindows, AWindowMovesWhereItIsAskedAndSaysWhereItIsOnItsScreen)
{
    // Far off the screens, where a window system's window manager would
    // neither see it nor move it.
    tk.MoveAppWindow(1, -20000, -15000);
    const ScreenArea frame = tk.WindowFrameOf(1);
    EXPECT_EQ(frame.x, -20000);
    EXPECT_EQ(frame.y, -15000);
    EXPECT_GE(frame.width, 200);  // the client area and the frame around it
    EXPECT_GE(frame.height, 150);
    const ScreenArea work = tk.WorkAreaOf(1);
    EXPECT_GT(work.width, 0);
    EXPECT_GT(work.height, 0);
    EXPECT_EQ(tk.WindowFrameOf(7), ScreenArea{});  // no window 7
}

#ifndef _WIN32
TEST_F(TwoWindows, AToolTipChangedWhileShownShowsTheNewTextEveryLineWholeAndWrapped)
{
    const auto box = ControlAt("Main", 105, 55);
    ASSERT_NE(box, nullptr);
    tk.SetControlToolTip(2, "Lap 3: 58.35");
    const QPoint inBox(10, 10), onScreen = box->mapToGlobal(inBox);
    QCursor::setPos(onScreen);
    QHelpEvent rest(QEvent::ToolTip, inBox, onScreen);  // the pointer rests on the box
    QApplication::sendEvent(box, &rest);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains("Lap 3: 58.35"));

    // A line narrower than the screen, so that Qt itself would not break it.
    std::string words;
    while (words.size() < 110)
        words += "sector ";
    tk.SetControlToolTip(2, "Lap 4: 61.70\n" + words);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains("Lap 4: 61.70\n"));
    EXPECT_EQ(QToolTip::text().count("sector"), 16);  // every word
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible())
            tip = widget;
    ASSERT_NE(tip, nullptr);
    const QFontMetrics metrics(tip->font());
    ASSERT_LT(metrics.horizontalAdvance(QString::fromStdString(words)), tip->screen()->geometry().width());
    EXPECT_LE(tip->width(), metrics.averageCharWidth() * 85);
    EXPECT_GE(tip->height(), 3 * metrics.height());  // the lap's line and two of words
}
#endif

TEST(Timers, SeveralRunAtOnceOnTheSystemsLoopUntilStopped)
{
    Toolkit tk;
    tk.StartTimer(7, 0);  // whenever the loop is idle
    tk.StartTimer(8, 5);
    std::map<int, int> seen;
    // A bounded wait for the condition, never for a time.
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((seen[7] < 3 || seen[8] < 3) && std::chrono::steady_clock::now() < bound)
        if (tk.WaitEvent() == kTimerEvent)
            ++seen[tk.EventControl()];
    EXPECT_GE(seen[7], 3);
    EXPECT_GE(seen[8], 3);
    tk.StopTimer(7);
    tk.StopTimer(8);
    EXPECT_EQ(tk.PollEvent(), 0);
    EXPECT_EQ(tk.WaitEvent(), 0);  // nothing is left that could raise one
}

}  // namespace
}  // namespace vx
