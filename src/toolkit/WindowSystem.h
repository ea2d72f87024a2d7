// The window system: start, text and fonts, windows and controls, events,
// requesters, and the hand-over of files to the one window of the program.
//
// Conventions of every operation:
// - Texts and paths are UTF-8.
// - Windows, controls and fonts are named by non-zero ids the window system
//   hands out; 0 is "none", and an operation on an id that names nothing
//   does nothing and returns 0, false or the empty text.
// - Colours are the program's 24-bit values, red + green*256 + blue*65536.
// - Nothing here throws, and only ProcessEvents(true) blocks.
// - Until Start has succeeded, text, windows and requesters do nothing.
//
// Sections: events and their parts; the WindowSystem class (start, text,
// windows, the hand-over, controls, events, requesters).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "toolkit/Image.h"

namespace vx {

enum class ControlKind { Label, Button, PictureBox, Slider, ScrollBar };

// Keys that run a command wherever the focus is in a window.
enum class Key { Left, Right, PageUp, PageDown, Home, End, CtrlO, CtrlS };

// What the pointer did over a picture box that tracks it.
enum class PointerAction { Move, Press, Leave, Wheel };

// What the window system reports. A control event carries the control's tag
// (the number the toolkit gave it); a close request carries the window's id;
// a drop carries the file's path, and so does an open: a file another start
// of the program passed to the window. A pointer event carries the picture
// box's tag, the action, the pointer's place in the box's own pixels (its
// top-left pixel is 0, 0; none for Leave) and, for Wheel, the notches
// turned: +1 for each turned away from the user, -1 for each towards.
struct PlatformEvent {
    enum class Kind { Control, Close, Drop, Open, Pointer };
    Kind kind = Kind::Control;
    int tag = 0;
    std::string path{};
    std::uint64_t window = 0;
    PointerAction action = PointerAction::Move;
    int x = 0;
    int y = 0;
    int wheelSteps = 0;
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

    // One window per user and display: a window that receives passed files
    // gets, as Open events, the files that later starts of the program would
    // have opened, and comes to the front. PassToOpenWindow hands such a
    // window the path (absolute), true once the window has taken it; false
    // when there is none, or off-screen.
    virtual void ReceivePassedFiles(std::uint64_t window) = 0;
    virtual bool PassToOpenWindow(const std::string& path) = 0;

    // --- Controls -------------------------------------------------------------------

    // A control in the window: a label (plain text at the top left; with
    // endEllipsis a text too wide ends in "..."), a push button (a click
    // raises a Control event), a picture box (shows a picture at its top
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
    virtual void SetTextColour(std::uint64_t control, Colour colour) = 0;
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
    // The box shows a copy of the picture from now on, resized to it, and is
    // repainted at once; none empties it.
    virtual void ShowPicture(std::uint64_t control, const Image* picture) = 0;
    // What the box shows, or an empty image.
    virtual Image ShownPicture(std::uint64_t control) = 0;
    // While on, the picture box raises Pointer events: Move as the pointer
    // moves over it, Press when the left button goes down over it, Leave when
    // the pointer leaves it after a Move, Wheel when the wheel turns over it
    // (fine wheels' part turns add up: 120 units make a notch).
    virtual void TrackPointer(std::uint64_t control, bool on) = 0;
    // Width and height of the control.
    virtual std::pair<int, int> ControlSize(std::uint64_t control) = 0;

    // --- Events ---------------------------------------------------------------------

    // Events go to the sink as the system reports them.
    virtual void SetEventSink(std::function<void(const PlatformEvent&)> sink) = 0;
    // Handles what the system has pending; with wait, first waits for it.
    virtual void ProcessEvents(bool wait) = 0;

    // --- Requesters -----------------------------------------------------------------

    // The system's file requesters, modal to the whole program. The default
    // file's folder part is shown first and its name preselected; filter is
    // "description|pattern|..." (patterns match in any letter case). The save
    // requester asks before an existing file is replaced. The chosen path, or
    // "" when cancelled.
    virtual std::string AskOpenFile(const std::string& title, const std::string& defaultFile,
                                    const std::string& filter, int filterIndex) = 0;
    virtual std::string AskSaveFile(const std::string& title, const std::string& defaultFile,
                                    const std::string& filter, int filterIndex) = 0;
};

// The window system of the system the program was built for; one per process.
WindowSystem& SystemWindows();

}  // namespace vx
