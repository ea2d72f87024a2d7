// The window system on Windows, what its files share: the platform's own
// class over USER32, COMCTL32, GDI32, COMDLG32 and the shell, what it keeps
// of each window and picture box, and the helpers its files call one
// another's. Never included outside this folder.
//
//   Win32Window.cpp      the start, the top-level windows and their window
//                        procedure, placement, the event loop, timers
//   Win32Scaling.cpp     each monitor's scale: the window, its controls and
//                        their font at the monitor's dots per inch
//   Win32PictureBox.cpp  the picture boxes of our own class
//   Win32Controls.cpp    labels, buttons, check boxes, sliders, scroll bars,
//                        tooltips, the wheel over them
//   Win32Fonts.cpp       fonts, measuring and drawing text with GDI
//   Win32Requesters.cpp  the open, save and folder requesters, message boxes
//   Win32PassedFiles.cpp the one-window hand-over (WM_COPYDATA)
#pragma once

#include "toolkit/win32/Win32Platform.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/Scaling.h"
#include "toolkit/WindowSystem.h"

namespace vx {

struct Picture;  // a picture box's, below

// A window of ours destroyed with its owner (its controls with it).
struct WindowDestroyer {
    void operator()(HWND window) const
    {
        if (IsWindow(window))
            ::DestroyWindow(window);
    }
};
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// The painting of a window's invalid part, ended on scope exit.
class Painting {
public:
    explicit Painting(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~Painting() { EndPaint(window_, &paint_); }
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;
    HDC Dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

class Win32WindowSystem final : public WindowSystem {
public:
    Win32WindowSystem() = default;
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    bool Start(bool headless, void (*displayUnreachable)()) override;
    bool Started() const override { return screen_ != nullptr; }
    std::uint64_t MakeFont(const std::string& face, int pixelHeight, bool bold) override;
    void ReleaseFont(std::uint64_t font) override;
    std::uint64_t DefaultFont() override;
    FontMetrics MetricsOf(std::uint64_t font) override;
    int TextWidth(std::uint64_t font, std::string_view text) override;
    void DrawText(Image& image, std::uint64_t font, int x, int y, std::string_view text,
                  Colour colour) override;
    std::uint64_t OpenWindow(int x, int y, int width, int height, const std::string& title) override;
    void DestroyWindow(std::uint64_t window) override;
    void SetWindowBackground(std::uint64_t window, Colour colour) override;
    void AcceptDrops(std::uint64_t window, bool accept) override;
    void AddKeyCommand(std::uint64_t window, Key key, int tag) override;
    Image GrabWindow(std::uint64_t window) override;
    ScreenArea WorkArea(std::uint64_t window) override;
    ScreenArea WindowFrame(std::uint64_t window) override;
    void MoveWindowTo(std::uint64_t window, int x, int y) override;
    void ReceivePassedFiles(std::uint64_t window) override;
    bool PassToOpenWindow(const std::string& path) override;
    std::uint64_t AddControl(std::uint64_t window, ControlKind kind, int tag, int x, int y,
                             int width, int height) override;
    void DestroyControl(std::uint64_t control) override;
    void SetText(std::uint64_t control, const std::string& text) override;
    void SetEndEllipsis(std::uint64_t control, bool on) override;
    void SetWordWrap(std::uint64_t control, bool on) override;
    void SetTextColour(std::uint64_t control, Colour colour) override;
    void SetToolTip(std::uint64_t control, const std::string& text) override;
    void SetEnabled(std::uint64_t control, bool enabled) override;
    bool IsEnabled(std::uint64_t control) override;
    void SetFocusable(std::uint64_t control) override;
    void SetTabOrder(std::span<const std::uint64_t> controls) override;
    void SetSliderRange(std::uint64_t control, int minimum, int maximum) override;
    void SetSliderTicks(std::uint64_t control, bool on) override;
    int SliderValue(std::uint64_t control) override;
    void SetSliderValue(std::uint64_t control, int value) override;
    void SetScrollPage(std::uint64_t control, int page) override;
    bool IsChecked(std::uint64_t control) override;
    void SetChecked(std::uint64_t control, bool checked) override;
    void ShowPicture(std::uint64_t control, const Image* picture) override;
    Image ShownPicture(std::uint64_t control) override;
    void TrackPointer(std::uint64_t control, bool on) override;
    std::pair<int, int> ControlSize(std::uint64_t control) override;
    void SetEventSink(std::function<void(const PlatformEvent&)> sink) override;
    void ProcessEvents(bool wait) override;
    void StartTimer(int tag, int milliseconds) override;
    void StopTimer(int tag) override;
    std::string AskOpenFile(std::uint64_t owner, const std::string& title,
                            const std::string& defaultFile, const std::string& filter,
                            int filterIndex) override;
    std::string AskSaveFile(std::uint64_t owner, const std::string& title,
                            const std::string& defaultFile, const std::string& filter,
                            int filterIndex) override;
    std::string AskFolder(std::uint64_t owner, const std::string& title,
                          const std::string& startFolder) override;
    void ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                     const std::string& text) override;

    // For the window procedures of this file.
    void Post(const PlatformEvent& event);
    struct WindowData;
    static WindowData* DataOf(HWND window);
    // The window at the scale of a monitor of dpi dots per inch, or the
    // largest that fits the work area of the monitor nearest place (where
    // the window's frame goes), and its controls with it.
    void Rescale(HWND window, int dpi, const RECT& place);

private:
    struct Control {
        ControlKind kind = ControlKind::Label;
        HWND hwnd = nullptr;  // the window's child: destroyed with it
        HWND window = nullptr;
        int tag = 0;
        RECT place{};  // in the program's pixels (a picture box: its picture's size)
        std::wstring text;
        bool endEllipsis = false;
        bool wordWrap = false;
        HWND toolTip = nullptr;  // owned by the window: destroyed with it
        int minimum = 0;  // a scroll bar's range and page
        int maximum = 0;
        int page = 1;
        std::unique_ptr<Picture> picture;  // a picture box's
    };
    struct FontEntry {
        Font font;
        FontMetrics metrics;
    };
    // The window's data goes after the window, whose last messages read it.
    struct Window {
        std::unique_ptr<WindowData> data;
        OwnedWindow hwnd;
    };
    Control* ControlOf(std::uint64_t id);
    HWND WindowOf(std::uint64_t id) const;
    bool TranslateKey(const MSG& message);
    // The window a requester or message box opens in front of.
    HWND OwnerOf(std::uint64_t window) const;
    std::string Ask(std::uint64_t owner, const std::string& title, const std::string& defaultFile,
                    const std::string& filter, int filterIndex, bool save);
    void ApplyLabelStyle(Control& control);
    void ApplyScrollRange(const Control& control);
    void PlaceControl(const Control& control);

    // Members go in the reverse order: the windows first (their controls
    // with them), then what the controls kept, the fonts and the device
    // context text is drawn on; the sink last, as windows report to it
    // while they go.
    std::function<void(const PlatformEvent&)> sink_;
    bool headless_ = false;
    std::uint64_t next_ = 1;
    MemoryDc screen_;  // a memory device context for text
    std::map<std::uint64_t, FontEntry> fonts_;
    std::uint64_t defaultFont_ = 0;
    std::map<std::uint64_t, Control> controls_;
    std::map<std::uint64_t, Window> windows_;
    // Timers run on a message-only window of their own; those of 0 ms are
    // raised by ProcessEvents whenever nothing else is pending.
    OwnedWindow timerWindow_;
    std::set<int> idleTimers_;
};

// A picture box's own copy of its picture, painted as it is, and whether
// it reports what the pointer does over it. Its control owns it; the box
// points to it while the box exists.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> words;
    // The picture at its box's size when that is not its own: made when
    // painted, kept while the picture and the size stay.
    PixelSize enlargedSize;
    std::vector<std::uint32_t> enlarged;
    Win32WindowSystem* platform = nullptr;
    bool tracking = false;
    bool inside = false;  // a move was reported since the last leave
    int wheelDelta = 0;   // what is left of a part turn, in 120ths of a notch
};

// What a top-level window keeps: the window system it reports to and its id
// there, its background, the keys it answers, the colours of its labels and
// the part turns of the wheel over its scroll bars. Its entry owns it; the
// window points to it while the window exists.
struct Win32WindowSystem::WindowData {
    Win32WindowSystem* platform = nullptr;
    std::uint64_t id = 0;
    PixelSize client;  // in the program's pixels
    int dpi = 96;      // the window's scale, as dots per inch
    Font controlFont;  // at that scale; none: the system's own dialog font
    Brush background;
    Colour backgroundColour = MakeRgb(212, 208, 200);
    std::vector<std::pair<Key, int>> keys;
    std::map<HWND, Colour> textColours;
    std::map<HWND, int> sliderPositions;  // last position reported, per slider
    std::map<HWND, int> wheelDeltas;      // in 120ths of a notch, per scroll bar
};

// --- Shared by the files of the window system -----------------------------------

inline const wchar_t* const kWindowClass = L"VxAnalyserWindow";
inline const wchar_t* const kPictureClass = L"VxPictureBox";
inline const wchar_t* const kTimerClass = L"VxTimers";
// Marks a window that receives files passed by later starts; the
// WM_COPYDATA that carries one is tagged so.
inline const wchar_t* const kReceivesFiles = L"VxAnalyserReceivesFiles";
inline constexpr ULONG_PTR kPassedFileTag = 0x56584631;  // "VXF1"
inline constexpr DWORD kMaxPassedBytes = 64 * 1024;
inline constexpr UINT kAnswerMs = 5000;
inline constexpr UINT_PTR kShowTimer = 1;
inline constexpr UINT kShowAfterMs = 200;

inline COLORREF ColorRef(Colour colour)
{
    return static_cast<COLORREF>(colour & 0xFFFFFF);  // 0x00BBGGRR, as the program's colours
}

// The system's services for each monitor's scale, where it has them
// (Windows 10 from 1607 on); without them every monitor has the system's.
template <class Function>
Function SystemFunction(const char* name)
{
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The scale (Win32Scaling.cpp): the system's dots per inch and a window's;
// lengths and places of the program's pixels at dpi, a place's edges
// scaled, so that neighbours stay neighbours; the controls' font at dpi
// (none where the system's dialog font serves).
int SystemDpi();
int DpiOf(HWND window);
int AtDpi(int length, int dpi);
RECT AtDpi(const RECT& place, int dpi);
Font ControlFontAt(int dpi);

// Picture boxes (Win32PictureBox.cpp). A 32-bit top-down DIB of the size;
// the signed coordinates a mouse message packs in lParam; the box's
// picture; the pointer at (the box's screen pixels) reported in the
// picture's pixels, shift from the MK_SHIFT bit of keys.
BITMAPINFO InfoOf(int width, int height);
POINT PointOf(LPARAM lParam);
Picture* PictureOf(HWND box);
void RaisePointer(HWND box, const Picture& picture, PointerAction action, POINT at, WPARAM keys = 0,
                  int wheelSteps = 0);
LRESULT CALLBACK PictureProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Scroll bars and the wheel (Win32Controls.cpp).
// A scroll bar's value runs over [minimum, maximum] of the program's range:
// the system's range is minimum .. maximum + page - 1, whose last page
// begins at maximum.
struct ScrollState {
    int minimum = 0;
    int maximum = 0;
    int page = 1;
    int position = 0;
    int trackPosition = 0;
};
ScrollState ScrollStateOf(HWND bar);
// The user put the scroll bar at position: it moves there (within its
// range), and a move is one event.
void UserScroll(Win32WindowSystem& platform, HWND bar, std::int64_t position);
// The wheel turned over one of the window's controls goes to it, wherever
// the focus is: a picture box that tracks the pointer reports it, a scroll
// bar moves by the system's wheel lines a notch, at most a page. False when
// no such control is under the pointer.
bool RouteWheel(HWND window, Win32WindowSystem::WindowData& data, WPARAM wParam, LPARAM lParam);

}  // namespace vx
