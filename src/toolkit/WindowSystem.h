// The window system: start, text and fonts, windows and controls, events,
// requesters, and the hand-over of files to the one window of the program.
//
// Conventions of every operation:
// - Texts and paths are UTF-8.
// - Windows, controls and fonts are named by non-zero ids the window system
//   hands out; 0 is "none", and an operation on an id that names nothing
//   does nothing and returns 0, false or the empty text.
// - Colours are the program's 24-bit values, red + green*256 + blue*65536.
// - Nothing here throws; only ProcessEvents(true) waits, and the requesters
//   and message boxes, for the user.
// - Until Start has succeeded, text, windows and requesters do nothing.
//
// Sections: events and their parts; the WindowSystem class (start, text,
// windows, placement, the hand-over, controls, events, timers, requesters
// and message boxes).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "toolkit/Image.h"

namespace vx {

enum class ControlKind { Label, Button, PictureBox, Slider, ScrollBar, CheckBox };

// Keys that run a command wherever the focus is in a window. Return is the
// main keyboard's and the keypad's Enter.
enum class Key {
    Left, Right, PageUp, PageDown, Home, End, CtrlO, CtrlS, Up, Down, Escape, CtrlW, Return
};

// What the pointer did over a picture box that tracks it. Press is the left
// button going down, RightPress the right one.
enum class PointerAction { Move, Press, Leave, Wheel, RightPress };

// The kinds of message box: an error or a plain information.
enum class MessageKind { Error, Information };

// A rectangle of the screen, in the units windows are placed in (OpenWindow's
// x and y): logical pixels, the screen's own at 100 %.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScreenArea&) const = default;
};

// What the window system reports. A control event carries the control's tag
// (the number the toolkit gave it); a close request carries the window's id;
// a drop carries the file's path, and so does an open: a file another start
// of the program passed to the window. A pointer event carries the picture
// box's tag, the action, the pointer's place in the box's own pixels (its
// top-left pixel is 0, 0; none for Leave), for Wheel the notches turned: +1
// for each turned away from the user, -1 for each towards, and whether Shift
// was held (false for Leave). A timer event carries the timer's tag.
struct PlatformEvent {
    enum class Kind { Control, Close, Drop, Open, Pointer, Timer };
    Kind kind = Kind::Control;
    int tag = 0;
    std::string path{};
    std::uint64_t window = 0;
    PointerAction action = PointerAction::Move;
    int x = 0;
    int y = 0;
    int wheelSteps = 0;
    bool shift = false;
};

struct FontMetrics {
    int ascent = 0;  // from the top of the character cell to the baseline
    int height = 0;  // of the character cell
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // --- Start --------------------------------------------------------------------

    // Starts the window system, once per process. Headless draws off-screen
    // and needs no display. False when no display is named; when the one named
    // cannot be reached, displayUnreachable runs (and ends the process).
    virtual bool Start(bool headless, void (*displayUnreachable)()) = 0;
    virtual bool Started() const = 0;

    // --- Text -----------------------------------------------------------------------

    // Fonts sized in pixels, glyphs drawn without antialiasing so that text
    // pixels are the text colour or left alone. A face the system lacks is
    // stood in for by a metric twin ("Arial") or a monospaced face ("Lucida
    // Console"). A font made lives until it is released (or the window
    // system ends); the default font, a drawing's font until another is
    // chosen (one fixed bold face of 13 pixels), is made once and never
    // released.
    virtual std::uint64_t MakeFont(const std::string& face, int pixelHeight, bool bold) = 0;
    virtual void ReleaseFont(std::uint64_t font) = 0;
    virtual std::uint64_t DefaultFont() = 0;
    virtual FontMetrics MetricsOf(std::uint64_t font) = 0;
    virtual int TextWidth(std::uint64_t font, std::string_view text) = 0;
    // The glyphs of text, their cells' top-left corner at (x, y), clipped to
    // the image; only glyph pixels change.
    virtual void DrawText(Image& image, std::uint64_t font, int x, int y, std::string_view text,
                          Colour colour) = 0;

    // --- Windows --------------------------------------------------------------------

    // A top-level window with a fixed client area of width x height, a title
    // bar with a close box and no maximise box, shown at once. Closing it
    // raises a Close event with its id; it stays until DestroyWindow, which
    // destroys its controls with it.
    virtual std::uint64_t OpenWindow(int x, int y, int width, int height,
                                     const std::string& title) = 0;
    virtual void DestroyWindow(std::uint64_t window) = 0;
    // The colour behind the window and its controls.
    virtual void SetWindowBackground(std::uint64_t window, Colour colour) = 0;
    // Files dropped on the window raise Drop events.
    virtual void AcceptDrops(std::uint64_t window, bool accept) = 0;
    // The key raises a Control event with tag wherever the focus is in the
    // window.
    virtual void AddKeyCommand(std::uint64_t window, Key key, int tag) = 0;
    // The client area as a picture, controls included.
    virtual Image GrabWindow(std::uint64_t window) = 0;

    // --- Placement ------------------------------------------------------------------

    // The work area (the screen less the task bars and docks) of the screen
    // the window is on, most of it when it spans several.
    virtual ScreenArea WorkArea(std::uint64_t window) = 0;
    // The window's outer frame, title bar and borders included, where it is.
    virtual ScreenArea WindowFrame(std::uint64_t window) = 0;
    // Moves the window so that its frame's top-left corner is at (x, y); its
    // size stays.
    virtual void MoveWindowTo(std::uint64_t window, int x, int y) = 0;

    // One window per user and display: a window that receives passed files
    // gets, as Open events, the files that later starts of the program would
    // have opened, and comes to the front. PassToOpenWindow hands such a
    // window the path (absolute), true once the window has taken it; false
    // when there is none, or off-screen.
    virtual void ReceivePassedFiles(std::uint64_t window) = 0;
    virtual bool PassToOpenWindow(const std::string& path) = 0;

    // --- Controls -------------------------------------------------------------------

    // A control in the window: a label (plain text at the top left, one line
    // per line of the text; with endEllipsis a text too wide ends in "...";
    // with wordWrap the lines are broken between words to fit the box's
    // width), a push button (a click raises a Control event), a check box
    // (its text beside a box that a click, or Space while it has the focus,
    // ticks or clears, raising a Control event; the program's own changes
    // raise none), a picture box (shows a picture at its top
    // left and takes its size) or a horizontal slider with tick marks (every
    // position the user gives it raises a Control event; the program's own
    // changes raise none; arrows and the wheel move it by one, a click in the
    // groove and PageUp or PageDown by a fifth of its range, at least 1;
    // tick marks below, one per step, when asked for) or a vertical scroll
    // bar (events as the slider's; its value runs from the range's minimum
    // at the top to its maximum at the bottom, whatever the page; arrows move
    // it by one, a click in the trough by a page, each notch of the wheel by
    // the system's wheel lines, 3 unless the user chose otherwise, at most a
    // page, towards the minimum when turned away from the user).
    virtual std::uint64_t AddControl(std::uint64_t window, ControlKind kind, int tag, int x,
                                     int y, int width, int height) = 0;
    virtual void DestroyControl(std::uint64_t control) = 0;
    virtual void SetText(std::uint64_t control, const std::string& text) = 0;
    virtual void SetEndEllipsis(std::uint64_t control, bool on) = 0;
    virtual void SetWordWrap(std::uint64_t control, bool on) = 0;
    virtual void SetTextColour(std::uint64_t control, Colour colour) = 0;
    // The text shown while the pointer rests on the control: every line
    // whole, a line wider than the tip's width (about 80 characters) broken
    // between words. A tip changed while it is shown shows the new text at
    // once (a picture box that names what is under the pointer); "" hides it.
    virtual void SetToolTip(std::uint64_t control, const std::string& text) = 0;
    virtual void SetEnabled(std::uint64_t control, bool enabled) = 0;
    virtual bool IsEnabled(std::uint64_t control) = 0;
    virtual void SetFocusable(std::uint64_t control) = 0;
    // Tab moves the focus from each control to the next in this order.
    virtual void SetTabOrder(std::span<const std::uint64_t> controls) = 0;
    // Sliders and scroll bars: the range and the value (kept in the range);
    // neither raises an event.
    virtual void SetSliderRange(std::uint64_t control, int minimum, int maximum) = 0;
    virtual void SetSliderTicks(std::uint64_t control, bool on) = 0;
    virtual int SliderValue(std::uint64_t control) = 0;
    virtual void SetSliderValue(std::uint64_t control, int value) = 0;
    // The scroll bar's page (at least 1): how much of the range is in view.
    // The thumb takes page / (maximum - minimum + page) of the trough, and a
    // click in the trough moves the value by a page; the range stays.
    virtual void SetScrollPage(std::uint64_t control, int page) = 0;
    // Check boxes: whether ticked; setting it raises nothing.
    virtual bool IsChecked(std::uint64_t control) = 0;
    virtual void SetChecked(std::uint64_t control, bool checked) = 0;
    // The box shows a copy of the picture from now on, resized to it, and is
    // repainted at once; none empties it.
    virtual void ShowPicture(std::uint64_t control, const Image* picture) = 0;
    // What the box shows, or an empty image.
    virtual Image ShownPicture(std::uint64_t control) = 0;
    // While on, the picture box raises Pointer events: Move as the pointer
    // moves over it, Press when the left button goes down over it,
    // RightPress when the right one does, Leave when the pointer leaves it
    // after a Move, Wheel when the wheel turns over it (fine wheels' part
    // turns add up: 120 units make a notch).
    virtual void TrackPointer(std::uint64_t control, bool on) = 0;
    // Width and height of the control.
    virtual std::pair<int, int> ControlSize(std::uint64_t control) = 0;

    // --- Events ---------------------------------------------------------------------

    // Events go to the sink as the system reports them.
    virtual void SetEventSink(std::function<void(const PlatformEvent&)> sink) = 0;
    // Handles what the system has pending; with wait, first waits for it
    // (or for a timer).
    virtual void ProcessEvents(bool wait) = 0;

    // --- Timers ---------------------------------------------------------------------

    // Raises a Timer event with the tag every milliseconds until stopped;
    // 0 raises one whenever the system has nothing else pending (work done
    // in steps between the user's events). Starting a tag that runs restarts
    // it with the new period. Timers need no window, but need Start.
    virtual void StartTimer(int tag, int milliseconds) = 0;
    virtual void StopTimer(int tag) = 0;

    // --- Requesters and message boxes -----------------------------------------------

    // The system's file requesters, modal to the whole program, in front of
    // their owner (a window; 0 for the window the user works in). The default
    // file's folder part is shown first and its name preselected; filter is
    // "description|pattern|..." (patterns match in any letter case). The save
    // requester asks before an existing file is replaced. The chosen path, or
    // "" when cancelled.
    virtual std::string AskOpenFile(std::uint64_t owner, const std::string& title,
                                    const std::string& defaultFile, const std::string& filter,
                                    int filterIndex) = 0;
    virtual std::string AskSaveFile(std::uint64_t owner, const std::string& title,
                                    const std::string& defaultFile, const std::string& filter,
                                    int filterIndex) = 0;
    // The system's folder requester, likewise: an existing folder, the start
    // folder shown first; "" when cancelled.
    virtual std::string AskFolder(std::uint64_t owner, const std::string& title,
                                  const std::string& startFolder) = 0;
    // The system's message box with the kind's icon, the text and one OK
    // button, modal to its owner; returns when the user has closed it.
    // Headless, nobody could close it: nothing is shown.
    virtual void ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                             const std::string& text) = 0;
};

// The window system of the system the program was built for; one per process.
WindowSystem& SystemWindows();

}  // namespace vx
