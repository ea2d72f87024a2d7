// The toolkit: every window, control, event, image, drawing, font,
// requester and file operation the program uses, over the platform's three
// parts (Platform.h). Plain C++: the platform does what needs the system.
//
// Objects are named by small numbers chosen by the program, separately per
// kind (windows, controls, images, fonts, files, timers). Creating an object under a
// number in use replaces the old one; an operation on a number that names
// nothing does nothing and returns 0 or the empty text. Texts are the
// program's texts (Windows-1252, as the files hold them); paths are the
// system's (UTF-8).
//
// Sections: handles and events; requesters; the Toolkit class (images,
// drawing, fonts, files and folders, windows and controls, placement,
// events, timers, requesters and message boxes); the drawing scope.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/Image.h"
#include "toolkit/Platform.h"

namespace vx {

// Handles are non-zero serial numbers; 0 means none.
using ImageHandle = std::uint64_t;
using DrawTarget = std::uint64_t;
using FontHandle = std::int64_t;
using WindowHandle = std::uint64_t;

// The system font, for SetDrawingFont.
constexpr FontHandle kSystemFont = -1;
// Font flag: bold.
constexpr int kFontBold = 0x100;

// Event codes returned by WaitEvent (0 is none): the system's own two,
constexpr int kControlEvent = 13100;
constexpr int kCloseEvent = 16;
// and the program's own kinds, below zero, apart from every number a window
// system gives its messages.
constexpr int kDropEvent = -1;     // a file dropped on or passed to the window; see DroppedPath()
constexpr int kPointerEvent = -2;  // the pointer over a picture box; see EventPointerAction()
constexpr int kTimerEvent = -3;    // a timer ran out; EventControl() is its number

// Style bits of a fixed-size window with a close box.
constexpr std::uint32_t kFixedWindowStyle = 0x00C80000;

// Attributes of a slider or scroll bar, for GetControlAttribute and
// SetControlAttribute.
constexpr int SliderMinimum = 1;
constexpr int SliderMaximum = 2;

// Label flags: a text too wide for the box ends in an ellipsis; a text's
// lines are broken between words to fit the box's width.
constexpr int kLabelEndEllipsis = 1;
constexpr int kLabelWordWrap = 2;

// Requesters and message boxes: the platform's own, or in tests scripted
// ones. The owner is the number of the window the user acted in (the one
// the requester or box opens in front of); texts are as the toolkit's
// caller gave them.
class Requester {
public:
    virtual ~Requester() = default;
    // Returns the chosen path, or "" when cancelled. The default file's folder
    // part (up to its last separator) is the folder shown first and its
    // file-name part is preselected; the filter is "description|pattern|...".
    virtual std::string AskOpenFile(int owner, const std::string& title,
                                    const std::string& defaultFile, const std::string& filter,
                                    int filterIndex) = 0;
    // Same conventions; asks before an existing file is replaced.
    virtual std::string AskSaveFile(int owner, const std::string& title,
                                    const std::string& defaultFile, const std::string& filter,
                                    int filterIndex) = 0;
    // An existing folder, the start folder shown first; "" when cancelled
    // (what a requester that does not answer folders gives).
    virtual std::string AskFolder(int owner, const std::string& title,
                                  const std::string& startFolder);
    // Returns when the user has seen the message (at once where nobody is
    // there to see it, the default).
    virtual void ShowMessage(int owner, MessageKind kind, const std::string& title,
                             const std::string& text);
};

class Toolkit {
public:
    // Constructing the toolkit is InitToolkit: it prepares the object tables
    // and the drawing defaults.
    explicit Toolkit(Platform platform = {});
    ~Toolkit();  // shuts down, if that has not happened yet
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;
    // Frees every image, every control and window, every font and every open
    // file, in this order. Nothing works afterwards.
    void ShutdownToolkit();

    Platform& System() { return platform_; }

    // Starts the window system (see WindowSystem::Start). Without it, fonts,
    // windows and requesters do nothing: the files still work.
    bool StartWindowSystem(bool headless, void (*displayUnreachable)() = nullptr);

    // --- Off-screen images ---------------------------------------------------
    int CreateImageSlot(int number, int width, int height);  // filled black
    // The same, filled with the colour: a picture's fresh start.
    int CreateImageSlot(int number, int width, int height, Colour fill);
    int CatchBitmapImage(int number, std::span<const std::uint8_t> bmp);
    // The picture itself under the number, replacing any image there.
    int StoreImageSlot(int number, Image image);
    int CopyImageSlot(int source, int target);
    bool ImageExists(int number) const;
    ImageHandle ImageHandleOf(int number) const;
    DrawTarget ImageDrawTarget(int number) const;
    // Direct access for code that reads pixels (tests, export); null if none.
    Image* FindImage(int number);
    const Image* FindImage(int number) const;
    // JPEG, quality level 0..10 (7 gives the encoder's 75); written to a
    // temporary file beside the target and put in its place. Non-zero on
    // success; on failure no file is left behind and LastError() says why.
    int SaveImageAsJpeg(int number, const std::string& path, int qualityLevel);
    // Lossless PNG, written the same all-or-nothing way.
    int SaveImageAsPng(int number, const std::string& path);
    const std::string& LastError() const { return lastError_; }

    // --- Drawing (outside a drawing every call does nothing) ----------------
    // The program draws through a Drawing scope (below), which ends the
    // drawing however the scope is left.
    int BeginDrawing(DrawTarget target);
    void EndDrawing();
    bool IsDrawing() const { return drawing_.target != nullptr; }
    void SetDrawingFont(FontHandle font);
    void SetDrawingMode(int mode);  // 0 opaque text cells, 1 transparent
    void PlotPixel(std::int64_t x, std::int64_t y, Colour colour);
    void FillBox(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, Colour colour);
    void DrawSegment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                     Colour colour);
    void DrawLineBy(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                    Colour colour);
    void FloodFillArea(std::int64_t x, std::int64_t y, std::int64_t boundary, Colour fill);
    // (x, y) is the top-left corner of the first character cell. Returns the
    // x just right of the text (0 outside a drawing).
    int DrawTextAt(int x, int y, std::string_view text);
    int DrawTextAt(int x, int y, std::string_view text, Colour textColour);
    int DrawTextAt(int x, int y, std::string_view text, Colour textColour, Colour background);
    int MeasureTextWidth(std::string_view text);
    // The drawing's target image (for procedures that draw many pixels).
    Image* DrawingImage() { return drawing_.target; }

    // --- Fonts ---------------------------------------------------------------
    // Character height = points * 96 / 72 pixels, rounded as MulDiv rounds.
    // The font a slot held before is released.
    FontHandle LoadFontSlot(int number, const std::string& face, int points, int flags = 0);
    FontHandle FontHandleOf(int number) const;
    // Height in pixels of a font's character cell (0 when there is none).
    int FontCellHeight(FontHandle font) const;

    // --- Files and folders ---------------------------------------------------
    // Opens an existing regular file for reading; 0 on failure.
    int OpenFileForRead(int number, const std::string& path);
    std::int64_t FileLength(int number) const;
    FileStamp FileStampOf(int number) const;
    // Reads up to count bytes; returns the bytes actually read. Afterwards
    // LastError() is empty unless a read failed.
    std::int64_t ReadFileBytes(int number, std::uint8_t* destination, std::int64_t count);
    void CloseFileSlot(int number);
    // The process's current folder with exactly one trailing separator.
    std::string CurrentFolder();
    std::string AbsolutePath(const std::string& path) { return platform_.files.AbsolutePath(path); }
    PathKind KindOf(const std::string& path) { return platform_.files.KindOf(path); }
    std::vector<FolderEntry> ListFolder(const std::string& folder)
    {
        return platform_.files.ListFolder(folder);
    }
    // The regular files of a folder, each with the stamp FileStampOf would
    // give it opened, in one cheap pass (for watching a folder by polling);
    // false with the reason in LastError() when the folder cannot be read.
    bool ListFiles(const std::string& folder, std::vector<StampedFile>& files)
    {
        return platform_.files.ListFiles(folder, files, lastError_);
    }
    bool MakeFolders(const std::string& folder);  // the reason in LastError()

    // --- Windows and controls ------------------------------------------------
    // A window replaced under its number takes its controls with it. Controls
    // go to the window of the last AttachControlList.
    WindowHandle CreateAppWindow(int number, int x, int y, int clientWidth, int clientHeight,
                                 const std::string& title, std::uint32_t style);
    WindowHandle NativeWindowHandle(int number) const;
    int AttachControlList(WindowHandle window);
    // Destroys the window and every control added to it, and drops the events
    // still queued for them; other windows and their controls stay. Controls
    // are added to the first window still open (the lowest number) from now
    // on, or to none.
    void DestroyAppWindow(int number);
    // Plain text at the top left of the box (flags: kLabelEndEllipsis,
    // kLabelWordWrap).
    void AddLabel(int number, int x, int y, int w, int h, const std::string& text, int flags = 0);
    void AddButton(int number, int x, int y, int w, int h, const std::string& text);
    // A check box with its text, cleared: a click (or Space while it has the
    // focus) ticks or clears it and raises a control event. GetControlValue
    // is 1 while ticked, 0 otherwise; SetControlValue ticks it (non-zero) or
    // clears it and raises nothing.
    void AddCheckBox(int number, int x, int y, int w, int h, const std::string& text);
    void AddPictureBox(int number, int x, int y, int w, int h, ImageHandle image);
    void AddSlider(int number, int x, int y, int w, int h, int minimum, int maximum, int flags);
    // A vertical scroll bar over minimum..maximum (at the top, at the bottom)
    // showing page of it: every position the user gives it is a control
    // event; see WindowSystem::AddControl.
    void AddScrollBar(int number, int x, int y, int w, int h, int minimum, int maximum,
                      int page);
    std::string GetControlText(int number) const;
    void SetControlText(int number, const std::string& text);
    std::int64_t GetControlValue(int number) const;
    // Slider, scroll bar: moves the thumb without raising an event. Picture
    // box: shows the image whose handle is given, taking its size. Check
    // box: see AddCheckBox.
    void SetControlValue(int number, std::int64_t value);
    // The picture box shows the image: SetControlValue with its handle.
    void ShowImage(int box, int image);
    // Slider, scroll bar: SliderMinimum, SliderMaximum. A click in the groove
    // and PageUp or PageDown move the slider by a fifth of its range (at
    // least 1), the scroll bar by its page.
    int GetControlAttribute(int number, int which) const;
    void SetControlAttribute(int number, int which, int value);
    // The scroll bar's page (at least 1): its thumb's share of the trough and
    // its page step. The value and the range stay.
    void SetScrollPage(int number, int page);
    // While on, the picture box raises kPointerEvent (see EventPointerAction).
    void TrackPointer(int box, bool on);
    void SetControlEnabled(int number, bool enabled);
    bool ControlEnabled(int number) const;
    // Every line of the text whole, long ones broken between words; a tip
    // changed while it is shown shows the new text at once.
    void SetControlToolTip(int number, const std::string& text);
    void SetControlTextColour(int number, Colour colour);
    // The colour behind the window and its controls.
    void SetWindowBackground(int windowNumber, Colour colour);
    // The key raises a control event for control wherever the focus is in
    // the window; nothing while that control exists and is disabled. The
    // control number may name no control (a command of the program's own).
    void AddKeyCommand(int windowNumber, Key key, int control);
    // The order in which Tab moves the focus among these controls.
    void SetTabOrder(std::span<const int> controls);
    // Accept files dropped on the window (raising kDropEvent).
    void AcceptDrops(int windowNumber, bool accept);
    // The files later starts of the program pass to this window raise
    // kDropEvent too, even while busy.
    void ReceivePassedFiles(int windowNumber);
    // Hands the file to a window of this program that receives passed files;
    // true when one took it.
    bool PassToOpenWindow(const std::string& path);
    // The window's client area as a picture (all controls as shown).
    int SaveWindowPng(int windowNumber, const std::string& path);
    // The picture a picture box shows (0 x 0 when it shows none), and the
    // same as PNG; 0 when it shows none.
    Image ShownPicture(int box) const;
    int SaveShownPicturePng(int control, const std::string& path);
    // Width and height of the control (0, 0 when there is none).
    std::pair<int, int> ControlSize(int number) const;

    // --- Placement -----------------------------------------------------------
    // In the units CreateAppWindow places windows in; all zero for a number
    // that names no window. The work area of the screen the window is on
    // (less task bars and docks), the window's outer frame (title bar
    // included) where it is, and a move of that frame's top-left corner.
    ScreenArea WorkAreaOf(int windowNumber) const;
    ScreenArea WindowFrameOf(int windowNumber) const;
    void MoveAppWindow(int windowNumber, int x, int y);

    // --- Events --------------------------------------------------------------
    // Blocks until the next event, without spinning (a timer of 0 ms raises
    // its events whenever nothing else is pending).
    int WaitEvent();
    // Handles what the system has pending and returns the next event, or 0.
    int PollEvent();
    // What the event taken last carries. EventControl: the control of a
    // control event, the picture box of a pointer event.
    int EventControl() const { return eventControl_; }
    const std::string& DroppedPath() const { return droppedPath_; }
    // The window a close request (kCloseEvent) is for; -1 for other events
    // and for a window the toolkit does not hold.
    int EventWindow() const { return eventWindow_; }
    // A pointer event: what the pointer did, where in the box's own pixels
    // (its top-left pixel is 0, 0; 0, 0 for Leave), for Wheel the notches
    // turned: +1 for each away from the user, -1 for each towards, and
    // whether Shift was held (false for Leave). A move queued right behind
    // another of the same box replaces it, so that a slow handler sees only
    // the pointer's newest place.
    PointerAction EventPointerAction() const { return pointer_.action; }
    int PointerX() const { return pointer_.x; }
    int PointerY() const { return pointer_.y; }
    int WheelSteps() const { return pointer_.wheelSteps; }
    bool PointerShift() const { return pointer_.shift; }
    // While busy, control events, pointer events and drops are ignored (a
    // handler that shows a requester runs a nested loop); close requests,
    // passed files and timer events are kept.
    void SetBusy(bool busy) { busy_ = busy; }

    // --- Timers --------------------------------------------------------------
    // The timer raises kTimerEvent with EventControl() = number every
    // milliseconds until stopped; 0 raises one whenever the window system has
    // nothing else pending (work done in steps from the event loop). A timer
    // started again under its number runs with the new period. A timer's
    // event not yet taken stands for its later ones (at most one is queued
    // per timer), and stopping a timer drops it. Needs the window system.
    void StartTimer(int number, int milliseconds);
    void StopTimer(int number);

    // --- Requesters and message boxes -----------------------------------------
    // Without a requester of its own the toolkit asks the platform's. The
    // owner is the number of the window the user acted in; the requester or
    // box opens in front of it.
    void SetRequester(std::unique_ptr<Requester> requester);
    std::string AskOpenFile(int owner, const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex);
    std::string AskSaveFile(int owner, const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex);
    std::string AskFolder(int owner, const std::string& title, const std::string& startFolder);
    // An error or information box with an OK button, modal to its owner;
    // returns when the user has closed it.
    void ShowMessageBox(int owner, MessageKind kind, const std::string& title,
                        const std::string& text);

private:
    struct ImageSlot {
        ImageHandle handle = 0;
        std::unique_ptr<Image> image;
    };
    struct FontSlot {
        FontHandle handle = 0;
        std::uint64_t id = 0;  // the platform's
        FontMetrics metrics;
    };
    struct ControlSlot {
        ControlKind kind = ControlKind::Label;
        std::uint64_t id = 0;
        std::string text;  // the bytes last set, returned as they were
        std::uint64_t window = 0;  // the platform's id of its window
    };
    struct WindowSlot {
        WindowHandle handle = 0;
        std::uint64_t id = 0;
    };
    struct DrawingState {
        Image* target = nullptr;
        ImageHandle handle = 0;
        Colour front = 0;
        Colour back = 0xFFFFFF;
        int mode = 0;
        FontHandle font = kSystemFont;
    };
    struct Pointer {
        PointerAction action = PointerAction::Move;
        int x = 0;
        int y = 0;
        int wheelSteps = 0;
        bool shift = false;
    };
    struct Event {
        int code = 0;
        int control = 0;
        std::string path;
        int window = -1;
        Pointer pointer{};
    };

    ImageSlot* PutImage(int number, std::unique_ptr<Image> image);
    Image* RenewImage(int number, int width, int height);
    void DestroyImage(int number);
    const FontSlot* FindFont(FontHandle font);
    const ControlSlot* FindControl(int number, ControlKind kind) const;
    const ControlSlot* FindRanged(int number) const;  // a slider or a scroll bar
    void DropWindow(std::map<int, WindowSlot>::iterator window);
    std::uint64_t ControlId(int number) const;
    std::uint64_t WindowId(int number) const;
    int DrawText(int x, int y, std::string_view text, Colour colour, bool opaque,
                 Colour background);
    int SavePng(const Image& image, const std::string& path);
    void Receive(const PlatformEvent& event);
    int TakeEvent();

    Platform platform_;
    std::map<int, ImageSlot> images_;
    std::map<int, FontSlot> fonts_;
    FontSlot systemFont_;
    std::map<int, std::uint64_t> files_;  // number -> the platform's file
    std::map<int, WindowSlot> windows_;
    std::map<int, ControlSlot> controls_;
    std::map<int, std::pair<int, int>> sliderRanges_;  // minimum, maximum
    std::set<int> timers_;  // the numbers of the timers running
    std::uint64_t parentWindow_ = 0;  // controls are added to it
    std::deque<Event> queue_;
    std::unique_ptr<Requester> requester_;
    DrawingState drawing_;
    std::uint64_t nextSerial_ = 1;
    int eventControl_ = 0;
    std::string droppedPath_;
    int eventWindow_ = -1;
    Pointer pointer_;
    std::string lastError_;
    bool busy_ = false;
    bool shutDown_ = false;
};

// A drawing on an image for as long as the scope lasts: it begins when made
// and ends when the scope is left, however it is left.
class Drawing {
public:
    Drawing(Toolkit& toolkit, int image) : toolkit_(toolkit)
    {
        toolkit_.BeginDrawing(toolkit_.ImageDrawTarget(image));
    }
    ~Drawing() { toolkit_.EndDrawing(); }
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    // The image drawn on, or null when there is none.
    Image* Target() { return toolkit_.DrawingImage(); }

private:
    Toolkit& toolkit_;
};

}  // namespace vx
