// The window system over USER32, COMCTL32, GDI32, COMDLG32 and the shell:
// text drawn with GDI, the top-level windows, their placement and their
// "Static", "Button" (push buttons and check boxes), trackbar and
// "ScrollBar" controls, picture boxes of our own class, tooltips, the
// message loop and timers, the open, save and folder requesters and the
// message boxes.
//
// The program runs its own event loop: the window procedures only hand
// events to the sink, and the toolkit gives them out one at a time, so every
// handler runs to its end before the next event is read and nothing
// re-enters.
//
// The program is aware of each monitor's scale: a window takes its
// monitor's dots per inch, or the largest that fits the monitor's work area,
// and places its controls, sizes their font and enlarges its pictures (one
// picture pixel to a block of screen pixels, without smoothing) at that
// scale; it takes the new monitor's when it is moved to one of another
// scale. Pointer places are reported in the pictures' own pixels.
#include "toolkit/win32/Win32Platform.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "toolkit/Scaling.h"
#include "toolkit/Text.h"
#include "toolkit/WindowSystem.h"

namespace vx {

struct Picture;  // a picture box's, below

namespace {

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

}  // namespace

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

namespace {

const wchar_t* const kWindowClass = L"VxAnalyserWindow";
const wchar_t* const kPictureClass = L"VxPictureBox";
const wchar_t* const kTimerClass = L"VxTimers";
// Marks a window that receives files passed by later starts; the
// WM_COPYDATA that carries one is tagged so.
const wchar_t* const kReceivesFiles = L"VxAnalyserReceivesFiles";
constexpr ULONG_PTR kPassedFileTag = 0x56584631;  // "VXF1"
constexpr DWORD kMaxPassedBytes = 64 * 1024;
constexpr UINT kAnswerMs = 5000;
constexpr UINT_PTR kShowTimer = 1;
constexpr UINT kShowAfterMs = 200;

COLORREF ColorRef(Colour colour)
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

int SystemDpi()
{
    if (const auto forSystem = SystemFunction<UINT(WINAPI*)()>("GetDpiForSystem"))
        return static_cast<int>(forSystem());
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int DpiOf(HWND window)
{
    if (const auto forWindow = SystemFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow"))
        if (const UINT dpi = forWindow(window); dpi != 0)
            return static_cast<int>(dpi);
    return SystemDpi();
}

// The title bar and borders the system puts around the window's client
// area at dpi.
PixelSize FrameAt(HWND window, int dpi)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    RECT frame{0, 0, 0, 0};
    using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    if (const auto forDpi = SystemFunction<ForDpi>("AdjustWindowRectExForDpi"))
        forDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    return {static_cast<int>(frame.right - frame.left), static_cast<int>(frame.bottom - frame.top)};
}

// Lengths and places of the program's pixels at dpi; a place's edges are
// scaled, so that neighbours stay neighbours.
int AtDpi(int length, int dpi)
{
    return ScaledLength(length, dpi / 96.0);
}

RECT AtDpi(const RECT& place, int dpi)
{
    return {AtDpi(place.left, dpi), AtDpi(place.top, dpi), AtDpi(place.right, dpi),
            AtDpi(place.bottom, dpi)};
}

// The controls' font at dpi: the system's dialog font where dpi is the
// system's (none is made: the stock font serves), else its face at the
// height dpi asks for.
Font ControlFontAt(int dpi)
{
    const int systemDpi = SystemDpi();
    LOGFONTW face{};
    if (dpi == systemDpi || GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face) == 0)
        return nullptr;
    face.lfHeight = MulDiv(face.lfHeight, dpi, systemDpi);
    return Font(CreateFontIndirectW(&face));
}

}  // namespace

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

namespace {

Picture* PictureOf(HWND box)
{
    return reinterpret_cast<Picture*>(GetWindowLongPtrW(box, GWLP_USERDATA));
}

// The signed coordinates a mouse message packs in lParam.
POINT PointOf(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// The pointer at (in the box's screen pixels) is reported in the picture's
// pixels; shift: the MK_SHIFT bit of the message's keys.
void RaisePointer(HWND box, const Picture& picture, PointerAction action, POINT at,
                  WPARAM keys = 0, int wheelSteps = 0)
{
    RECT shown{};
    GetClientRect(box, &shown);
    picture.platform->Post({.kind = PlatformEvent::Kind::Pointer, .tag = GetDlgCtrlID(box),
                            .action = action,
                            .x = PicturePixelAt(static_cast<int>(at.x), picture.width, static_cast<int>(shown.right)),
                            .y = PicturePixelAt(static_cast<int>(at.y), picture.height, static_cast<int>(shown.bottom)),
                            .wheelSteps = wheelSteps, .shift = (keys & MK_SHIFT) != 0});
}

BITMAPINFO InfoOf(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void PaintPicture(HWND hwnd, HDC dc)
{
    Picture* picture = PictureOf(hwnd);
    if (picture == nullptr || picture->width == 0)
        return;
    RECT box{};
    GetClientRect(hwnd, &box);
    const PixelSize shown{static_cast<int>(box.right), static_cast<int>(box.bottom)};
    PixelSize size{picture->width, picture->height};
    const std::uint32_t* words = picture->words.data();
    if (shown.width != size.width || shown.height != size.height) {
        if (picture->enlarged.empty() || picture->enlargedSize.width != shown.width ||
            picture->enlargedSize.height != shown.height) {
            picture->enlarged.resize(static_cast<std::size_t>(shown.width) * static_cast<std::size_t>(shown.height));
            ScaleNearest(picture->words, size.width, size.height, picture->enlarged, shown.width,
                         shown.height);
            picture->enlargedSize = shown;
        }
        size = shown;
        words = picture->enlarged.data();
    }
    BITMAPINFO info = InfoOf(size.width, size.height);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(size.width), static_cast<DWORD>(size.height), 0,
                      0, 0, static_cast<UINT>(size.height), words, &info, DIB_RGB_COLORS);
}

LRESULT CALLBACK PictureProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        const Painting painting(hwnd);
        PaintPicture(hwnd, painting.Dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintPicture(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND: {
        const Picture* picture = PictureOf(hwnd);
        if (picture != nullptr && picture->width > 0)
            return 1;  // the picture covers the whole box
        break;
    }
    case WM_MOUSEMOVE: {
        Picture* picture = PictureOf(hwnd);
        if (picture == nullptr || !picture->tracking)
            break;
        if (!picture->inside) {
            // One WM_MOUSELEAVE when the pointer has gone; asked anew after it.
            TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&leave);
            picture->inside = true;
        }
        RaisePointer(hwnd, *picture, PointerAction::Move, PointOf(lParam), wParam);
        return 0;
    }
    case WM_MOUSELEAVE: {
        Picture* picture = PictureOf(hwnd);
        if (picture == nullptr || !picture->tracking || !picture->inside)
            break;
        picture->inside = false;
        RaisePointer(hwnd, *picture, PointerAction::Leave, {});
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        const Picture* picture = PictureOf(hwnd);
        if (picture == nullptr || !picture->tracking)
            break;
        RaisePointer(hwnd, *picture,
                     message == WM_LBUTTONDOWN ? PointerAction::Press : PointerAction::RightPress,
                     PointOf(lParam), wParam);
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);  // the picture goes with its control
        break;
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

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

Win32WindowSystem::WindowData* Win32WindowSystem::DataOf(HWND window)
{
    return reinterpret_cast<WindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

namespace {

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

ScrollState ScrollStateOf(HWND bar)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &info);
    const int page = std::max(static_cast<int>(info.nPage), 1);
    return {info.nMin, std::max(info.nMin, info.nMax - page + 1), page, info.nPos, info.nTrackPos};
}

void SetScrollPosition(HWND bar, int position)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
}

// The user put the scroll bar at position: it moves there (within its
// range), and a move is one event.
void UserScroll(Win32WindowSystem& platform, HWND bar, std::int64_t position)
{
    const ScrollState state = ScrollStateOf(bar);
    const int to = static_cast<int>(std::clamp<std::int64_t>(position, state.minimum, state.maximum));
    if (to == state.position)
        return;
    SetScrollPosition(bar, to);
    platform.Post({PlatformEvent::Kind::Control, GetDlgCtrlID(bar), {}});
}

// The wheel turned over one of the window's controls goes to it, wherever
// the focus is: a picture box that tracks the pointer reports it, a scroll
// bar moves by the system's wheel lines a notch, at most a page. False when
// no such control is under the pointer.
bool RouteWheel(HWND window, Win32WindowSystem::WindowData& data, WPARAM wParam, LPARAM lParam)
{
    const POINT screen = PointOf(lParam);
    POINT client = screen;
    ScreenToClient(window, &client);
    const HWND child = ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
    if (child == nullptr || child == window)
        return false;
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (std::wcscmp(name, kPictureClass) == 0) {
        Picture* picture = PictureOf(child);
        if (picture == nullptr || !picture->tracking)
            return false;
        picture->wheelDelta += delta;
        const int steps = picture->wheelDelta / WHEEL_DELTA;
        picture->wheelDelta -= steps * WHEEL_DELTA;
        POINT inBox = screen;
        ScreenToClient(child, &inBox);
        if (steps != 0)
            RaisePointer(child, *picture, PointerAction::Wheel, inBox, GET_KEYSTATE_WPARAM(wParam),
                         steps);
        return true;
    }
    const auto bar = data.wheelDeltas.find(child);
    if (bar == data.wheelDeltas.end())
        return false;
    bar->second += delta;
    const int steps = bar->second / WHEEL_DELTA;
    bar->second -= steps * WHEEL_DELTA;
    if (steps == 0)
        return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const ScrollState state = ScrollStateOf(child);
    const std::int64_t by = std::min<std::int64_t>(std::int64_t{lines} * std::abs(steps), state.page);
    // Away from the user is towards the top: the minimum.
    UserScroll(*data.platform, child, state.position - (steps > 0 ? by : -by));
    return true;
}

// A timer's id on the timer window is its tag's bits.
UINT_PTR TimerId(int tag)
{
    return static_cast<UINT_PTR>(static_cast<unsigned>(tag));
}

LRESULT CALLBACK TimerProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* platform = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_TIMER && platform != nullptr) {
        platform->Post({.kind = PlatformEvent::Kind::Timer,
                        .tag = static_cast<int>(static_cast<unsigned>(wParam))});
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* data = reinterpret_cast<Win32WindowSystem::WindowData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (data == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    Win32WindowSystem& platform = *data->platform;
    switch (message) {
    case WM_CLOSE:
        platform.Post({.kind = PlatformEvent::Kind::Close, .window = data->id});
        return 0;  // the window stays until the program destroys it
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0)
            platform.Post({PlatformEvent::Kind::Control, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), {}});
        return 0;
    case WM_HSCROLL: {
        // Every position the user gives a slider is one event; the program's
        // own changes send nothing.
        const auto slider = reinterpret_cast<HWND>(lParam);
        if (slider == nullptr)
            break;
        const int position = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
        int& last = data->sliderPositions[slider];
        if (position != last) {
            last = position;
            platform.Post({PlatformEvent::Kind::Control, GetDlgCtrlID(slider), {}});
        }
        return 0;
    }
    case WM_VSCROLL: {
        // A scroll bar reports what the user did; the program's own changes
        // send nothing.
        const auto bar = reinterpret_cast<HWND>(lParam);
        if (bar == nullptr)
            break;
        const ScrollState state = ScrollStateOf(bar);
        std::int64_t position = state.position;
        switch (LOWORD(wParam)) {
        case SB_LINEUP: position -= 1; break;
        case SB_LINEDOWN: position += 1; break;
        case SB_PAGEUP: position -= state.page; break;
        case SB_PAGEDOWN: position += state.page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: position = state.trackPosition; break;
        case SB_TOP: position = state.minimum; break;
        case SB_BOTTOM: position = state.maximum; break;
        default: return 0;  // SB_ENDSCROLL
        }
        UserScroll(platform, bar, position);
        return 0;
    }
    case WM_MOUSEWHEEL:
        // Sent to the focus, and on from a control to its window.
        if (RouteWheel(hwnd, *data, wParam, lParam))
            return 0;
        break;
    case WM_DROPFILES: {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, 0, path.data(), length + 1);
        path.resize(length);
        DragFinish(drop);
        if (!path.empty())
            platform.Post({PlatformEvent::Kind::Drop, 0, Utf8(path)});
        return 0;
    }
    case WM_COPYDATA: {
        // A file from a later start of the program (PassToOpenWindow).
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (GetPropW(hwnd, kReceivesFiles) == nullptr || copy == nullptr ||
            copy->dwData != kPassedFileTag || copy->cbData == 0 || copy->cbData > kMaxPassedBytes ||
            copy->cbData % sizeof(wchar_t) != 0)
            return FALSE;
        const std::wstring path(static_cast<const wchar_t*>(copy->lpData), copy->cbData / sizeof(wchar_t));
        platform.Post({PlatformEvent::Kind::Open, 0, Utf8(path)});
        // A sent message is handled inside GetMessage, which waits on: a
        // posted one ends the wait, so the program's loop takes the file now.
        PostMessageW(hwnd, WM_NULL, 0, 0);
        // And once it has drawn the game, wake the thread again: Wine puts
        // what a window painted on the screen only when its thread next
        // wakes, and nothing else would wake it before the user moves.
        SetTimer(hwnd, kShowTimer, kShowAfterMs, nullptr);
        if (IsIconic(hwnd))
            ShowWindow(hwnd, SW_RESTORE);
        SetForegroundWindow(hwnd);
        return TRUE;
    }
    case WM_DPICHANGED:
        // Moved to a monitor of another scale: the system suggests the place.
        platform.Rescale(hwnd, static_cast<int>(HIWORD(wParam)), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kShowTimer) {
            KillTimer(hwnd, kShowTimer);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        const auto control = reinterpret_cast<HWND>(lParam);
        SetBkColor(dc, ColorRef(data->backgroundColour));
        const auto colour = data->textColours.find(control);
        SetTextColor(dc, colour != data->textColours.end() ? ColorRef(colour->second)
                                                            : GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(data->background.get());
    }
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(data->background.get());
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, data->background.get());
        return 1;
    }
    case WM_NCDESTROY:
        RemovePropW(hwnd, kReceivesFiles);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);  // the data goes with the window's entry
        break;
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

Win32WindowSystem::~Win32WindowSystem() = default;

WindowSystem& SystemWindows()
{
    static Win32WindowSystem windows;
    return windows;
}

// --- Start ----------------------------------------------------------------------

bool Win32WindowSystem::Start(bool headless, void (*)())
{
    if (Started())
        return true;
    // Client pixels are the screen's, and the program scales its windows to
    // each monitor itself; where the system knows only one scale, to that.
    // A manifest that declares it already leaves it as declared.
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setContext = SystemFunction<SetContext>("SetProcessDpiAwarenessContext");
    if (setContext == nullptr ||
        (!setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) && GetLastError() != ERROR_ACCESS_DENIED))
        SetProcessDPIAware();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    WNDCLASSEXW pictureClass{};
    pictureClass.cbSize = sizeof pictureClass;
    pictureClass.lpfnWndProc = PictureProcedure;
    pictureClass.hInstance = instance;
    pictureClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    pictureClass.lpszClassName = kPictureClass;
    RegisterClassExW(&pictureClass);
    WNDCLASSEXW timerClass{};
    timerClass.cbSize = sizeof timerClass;
    timerClass.lpfnWndProc = TimerProcedure;
    timerClass.hInstance = instance;
    timerClass.lpszClassName = kTimerClass;
    RegisterClassExW(&timerClass);
    timerWindow_.reset(CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       instance, nullptr));
    if (timerWindow_ != nullptr)
        SetWindowLongPtrW(timerWindow_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    screen_.reset(CreateCompatibleDC(nullptr));
    headless_ = headless;
    return Started();
}

// --- Text -----------------------------------------------------------------------

std::uint64_t Win32WindowSystem::MakeFont(const std::string& face, int pixelHeight, bool bold)
{
    if (!Started() || pixelHeight <= 0)
        return 0;
    // A negative height is the character's own height, as the points ask
    // for; no antialiasing, so text pixels are the text colour or untouched.
    Font font(CreateFontW(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(face).c_str()));
    if (font == nullptr)
        return 0;
    TEXTMETRICW metrics{};
    {
        const SelectedObject selected(screen_.get(), font.get());
        GetTextMetricsW(screen_.get(), &metrics);
    }
    const std::uint64_t id = next_++;
    fonts_[id] = {std::move(font), {static_cast<int>(metrics.tmAscent), static_cast<int>(metrics.tmHeight)}};
    return id;
}

void Win32WindowSystem::ReleaseFont(std::uint64_t font)
{
    if (font != defaultFont_)
        fonts_.erase(font);
}

std::uint64_t Win32WindowSystem::DefaultFont()
{
    if (defaultFont_ == 0)
        defaultFont_ = MakeFont("Arial", 13, true);
    return defaultFont_;
}

FontMetrics Win32WindowSystem::MetricsOf(std::uint64_t font)
{
    const auto it = fonts_.find(font);
    return it == fonts_.end() ? FontMetrics{} : it->second.metrics;
}

int Win32WindowSystem::TextWidth(std::uint64_t font, std::string_view text)
{
    const auto it = fonts_.find(font);
    if (it == fonts_.end() || text.empty())
        return 0;
    const std::wstring wide = Wide(text);
    const SelectedObject selected(screen_.get(), it->second.font.get());
    SIZE size{};
    GetTextExtentPoint32W(screen_.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
}

void Win32WindowSystem::DrawText(Image& image, std::uint64_t font, int x, int y, std::string_view text,
                             Colour colour)
{
    const auto it = fonts_.find(font);
    if (it == fonts_.end() || text.empty())
        return;
    // The glyphs are drawn on a DIB section holding the pixels of the text's
    // box, which then go back into the image. The box reaches a line's
    // height past the measured width: glyphs may overhang their advance, and
    // a substituted face (Wine has no Arial) may draw wider than it measures.
    const int width = TextWidth(font, text) + it->second.metrics.height;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + width, image.Width()));
    const int y1 = std::min(y + it->second.metrics.height, image.Height());
    if (x0 >= x1 || y0 >= y1)
        return;
    const int w = x1 - x0, h = y1 - y0;
    BITMAPINFO info = InfoOf(w, h);
    void* bits = nullptr;
    const HDC dc = screen_.get();
    const Bitmap section(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section == nullptr)
        return;
    auto* words = static_cast<std::uint32_t*>(bits);
    for (int row = 0; row < h; ++row)
        std::memcpy(words + static_cast<std::size_t>(row) * w,
                    image.Words() + static_cast<std::size_t>(y0 + row) * image.Width() + x0,
                    static_cast<std::size_t>(w) * 4);
    {
        const SelectedObject selectedBitmap(dc, section.get());
        const SelectedObject selectedFont(dc, it->second.font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorRef(colour));
        SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    // Each glyph stands where the measurement put it: a face whose hinted
    // advances differ from its measured ones (Wine's stand-ins) would
    // otherwise drift right of the width the layout was made for.
        const std::wstring wide = Wide(text);
        const int count = static_cast<int>(wide.size());
        std::vector<INT> ends(wide.size()), advances(wide.size());
        SIZE size{};
        GetTextExtentExPointW(dc, wide.c_str(), count, 0, nullptr, ends.data(), &size);
        for (std::size_t i = 0; i < wide.size(); ++i)
            advances[i] = ends[i] - (i == 0 ? 0 : ends[i - 1]);
        ExtTextOutW(dc, x - x0, y - y0, 0, nullptr, wide.c_str(), static_cast<UINT>(count),
                    advances.data());
        GdiFlush();
    }
    for (int row = 0; row < h; ++row) {
        std::uint32_t* to = image.Words() + static_cast<std::size_t>(y0 + row) * image.Width() + x0;
        const std::uint32_t* from = words + static_cast<std::size_t>(row) * w;
        for (int col = 0; col < w; ++col)
            to[col] = from[col] | Image::kOpaque;  // GDI leaves the fourth byte 0
    }
}

// --- Windows --------------------------------------------------------------------

HWND Win32WindowSystem::WindowOf(std::uint64_t id) const
{
    const auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.hwnd.get();
}

std::uint64_t Win32WindowSystem::OpenWindow(int x, int y, int width, int height, const std::string& title)
{
    if (!Started())
        return 0;
    // Caption and system menu: a fixed frame, a close box, no maximise box.
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    Window made;
    made.hwnd.reset(CreateWindowExW(0, kWindowClass, Wide(title).c_str(), style, x, y,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr));
    if (made.hwnd == nullptr)
        return 0;
    const HWND window = made.hwnd.get();
    const std::uint64_t id = next_++;
    made.data = std::make_unique<WindowData>();
    made.data->platform = this;
    made.data->id = id;
    made.data->client = {width, height};
    made.data->background.reset(CreateSolidBrush(ColorRef(made.data->backgroundColour)));
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made.data.get()));
    if (headless_) {
        // Pictured in the program's own pixels, whatever the screen's scale.
        made.data->controlFont = ControlFontAt(96);
    } else {
        RECT place{};
        GetWindowRect(window, &place);
        Rescale(window, DpiOf(window), place);
    }
    if (headless_) {
        // Off-screen, but shown: its controls paint themselves as they would
        // on the screen, so that the window can be pictured.
        SetWindowPos(window, nullptr, -32000, -32000, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(window, SW_SHOWNOACTIVATE);
    } else {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    windows_[id] = std::move(made);
    return id;
}

void Win32WindowSystem::Rescale(HWND window, int dpi, const RECT& place)
{
    WindowData* data = DataOf(window);
    if (data == nullptr || data->platform != this)
        return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    // The frame is the system's, at the monitor's scale; the client area is ours.
    const PixelSize frame = FrameAt(window, dpi);
    const double scale = FitScale(dpi / 96.0, data->client, frame,
                                  {static_cast<int>(work.right - work.left), static_cast<int>(work.bottom - work.top)});
    data->dpi = static_cast<int>(std::lround(scale * 96.0));
    // The whole window in the work area where it can be.
    const int width = AtDpi(data->client.width, data->dpi) + frame.width;
    const int height = AtDpi(data->client.height, data->dpi) + frame.height;
    const int x = std::clamp(static_cast<int>(place.left), static_cast<int>(work.left),
                             std::max(static_cast<int>(work.left), static_cast<int>(work.right) - width));
    const int y = std::clamp(static_cast<int>(place.top), static_cast<int>(work.top),
                             std::max(static_cast<int>(work.top), static_cast<int>(work.bottom) - height));
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame drawn may differ from the one foretold (a move's message
    // comes before the frame is drawn anew): the client area is made exact.
    RECT client{};
    GetClientRect(window, &client);
    const int wider = AtDpi(data->client.width, data->dpi) - static_cast<int>(client.right);
    const int taller = AtDpi(data->client.height, data->dpi) - static_cast<int>(client.bottom);
    if (wider != 0 || taller != 0)
        SetWindowPos(window, nullptr, 0, 0, width + wider, height + taller,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The controls take the new font before the old one goes.
    Font font = ControlFontAt(data->dpi);
    std::swap(font, data->controlFont);
    for (const auto& [id, control] : controls_)
        if (control.window == window)
            PlaceControl(control);
    InvalidateRect(window, nullptr, TRUE);
}

// The control at its place and, but for a picture box, with its font, at
// its window's scale.
void Win32WindowSystem::PlaceControl(const Control& control)
{
    const WindowData* data = DataOf(control.window);
    if (data == nullptr)
        return;
    const RECT place = AtDpi(control.place, data->dpi);
    SetWindowPos(control.hwnd, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (control.kind != ControlKind::PictureBox) {
        const HGDIOBJ font = data->controlFont != nullptr ? data->controlFont.get()
                                                          : GetStockObject(DEFAULT_GUI_FONT);
        SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    InvalidateRect(control.hwnd, nullptr, TRUE);
}

void Win32WindowSystem::DestroyWindow(std::uint64_t window)
{
    const HWND hwnd = WindowOf(window);
    if (hwnd == nullptr)
        return;
    windows_.erase(window);  // its controls and their tooltips with it, then its data
    std::erase_if(controls_, [hwnd](const auto& entry) { return entry.second.window == hwnd; });
}

void Win32WindowSystem::SetWindowBackground(std::uint64_t window, Colour colour)
{
    const HWND hwnd = WindowOf(window);
    WindowData* data = hwnd != nullptr ? DataOf(hwnd) : nullptr;
    if (data == nullptr)
        return;
    data->backgroundColour = colour;
    data->background.reset(CreateSolidBrush(ColorRef(colour)));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Win32WindowSystem::AcceptDrops(std::uint64_t window, bool accept)
{
    if (const HWND hwnd = WindowOf(window))
        DragAcceptFiles(hwnd, accept ? TRUE : FALSE);
}

void Win32WindowSystem::AddKeyCommand(std::uint64_t window, Key key, int tag)
{
    const HWND hwnd = WindowOf(window);
    if (WindowData* data = hwnd != nullptr ? DataOf(hwnd) : nullptr)
        data->keys.emplace_back(key, tag);
}

bool Win32WindowSystem::TranslateKey(const MSG& message)
{
    if (message.message != WM_KEYDOWN)
        return false;
    const HWND window = GetAncestor(message.hwnd, GA_ROOT);
    WindowData* data = window != nullptr ? DataOf(window) : nullptr;
    if (data == nullptr || data->platform != this)
        return false;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    for (const auto& [key, tag] : data->keys) {
        bool match = false;
        switch (key) {
        case Key::Left: match = message.wParam == VK_LEFT && !control; break;
        case Key::Right: match = message.wParam == VK_RIGHT && !control; break;
        case Key::PageUp: match = message.wParam == VK_PRIOR && !control; break;
        case Key::PageDown: match = message.wParam == VK_NEXT && !control; break;
        case Key::Home: match = message.wParam == VK_HOME && !control; break;
        case Key::End: match = message.wParam == VK_END && !control; break;
        case Key::CtrlO: match = message.wParam == 'O' && control; break;
        case Key::CtrlS: match = message.wParam == 'S' && control; break;
        case Key::Up: match = message.wParam == VK_UP && !control; break;
        case Key::Down: match = message.wParam == VK_DOWN && !control; break;
        case Key::Escape: match = message.wParam == VK_ESCAPE && !control; break;
        case Key::CtrlW: match = message.wParam == 'W' && control; break;
        case Key::Return: match = message.wParam == VK_RETURN && !control; break;  // keypad's too
        }
        if (match) {
            Post({PlatformEvent::Kind::Control, tag, {}});
            return true;  // the key is the command's, wherever the focus is
        }
    }
    return false;
}

namespace {

// The window (or control) as it paints itself, on a picture of its size: each
// is printed on a device context of its own, its origin at its own top left,
// as controls expect.
Image PrintOf(HWND hwnd, HDC dc, int width, int height, HBRUSH background)
{
    Image image(width, height);
    if (width <= 0 || height <= 0)
        return image;
    BITMAPINFO info = InfoOf(width, height);
    void* bits = nullptr;
    const Bitmap section(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section == nullptr)
        return image;
    const SelectedObject selected(dc, section.get());
    RECT all{0, 0, width, height};
    FillRect(dc, &all, background);
    SendMessageW(hwnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i)
        image.Words()[i] = words[i] | Image::kOpaque;
    return image;
}

}  // namespace

Image Win32WindowSystem::GrabWindow(std::uint64_t window)
{
    const HWND hwnd = WindowOf(window);
    WindowData* data = hwnd != nullptr ? DataOf(hwnd) : nullptr;
    if (data == nullptr)
        return Image(0, 0);
    RECT client;
    GetClientRect(hwnd, &client);
    // The client area drawn anew: the background, then each control as it
    // paints itself, in the order the window paints them.
    Image image(client.right, client.bottom, data->backgroundColour);
    std::vector<HWND> children;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (const HWND child : children) {
        if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&place), 2);
        const Image part = PrintOf(child, screen_.get(), place.right - place.left,
                                   place.bottom - place.top, data->background.get());
        for (int y = 0; y < part.Height(); ++y)
            for (int x = 0; x < part.Width(); ++x)
                PlotPixel(image, place.left + x, place.top + y, part.At(x, y));
    }
    return image;
}

// --- Placement ------------------------------------------------------------------

namespace {

ScreenArea AreaOf(const RECT& rect)
{
    return {static_cast<int>(rect.left), static_cast<int>(rect.top),
            static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top)};
}

// The frame as the user sees it: the system's window rectangle less the
// borders it keeps invisible for resizing (where the desktop composes
// windows), else the window rectangle itself.
RECT VisibleFrame(HWND hwnd)
{
    RECT frame{};
    if (FAILED(DwmGetWindowAttribute(hwnd, DWMWA_EXTENDED_FRAME_BOUNDS, &frame, sizeof frame)) ||
        frame.right <= frame.left)
        GetWindowRect(hwnd, &frame);
    return frame;
}

}  // namespace

ScreenArea Win32WindowSystem::WorkArea(std::uint64_t window)
{
    const HWND hwnd = WindowOf(window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (hwnd == nullptr ||
        !GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor))
        return {};
    return AreaOf(monitor.rcWork);
}

ScreenArea Win32WindowSystem::WindowFrame(std::uint64_t window)
{
    const HWND hwnd = WindowOf(window);
    return hwnd == nullptr ? ScreenArea{} : AreaOf(VisibleFrame(hwnd));
}

void Win32WindowSystem::MoveWindowTo(std::uint64_t window, int x, int y)
{
    const HWND hwnd = WindowOf(window);
    if (hwnd == nullptr)
        return;
    RECT whole{};
    GetWindowRect(hwnd, &whole);
    if (headless_) {
        // A headless window stays off the screens, where it is pictured: a
        // move onto them is not made (it would show the window, and under
        // some window systems wait for a window manager).
        const RECT screens{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                           GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        const RECT target{x, y, x + (whole.right - whole.left), y + (whole.bottom - whole.top)};
        RECT both{};
        if (IntersectRect(&both, &screens, &target))
            return;
    }
    const RECT visible = VisibleFrame(hwnd);
    SetWindowPos(hwnd, nullptr, x - (visible.left - whole.left), y - (visible.top - whole.top), 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Controls -------------------------------------------------------------------

Win32WindowSystem::Control* Win32WindowSystem::ControlOf(std::uint64_t id)
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

std::uint64_t Win32WindowSystem::AddControl(std::uint64_t window, ControlKind kind, int tag, int x, int y,
                                        int width, int height)
{
    const HWND parent = WindowOf(window);
    if (parent == nullptr)
        return 0;
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (kind) {
    case ControlKind::Label: style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY; break;
    case ControlKind::Button:
        className = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::CheckBox:
        // The button ticks or clears itself on a click or Space, then tells
        // its window (BN_CLICKED); BM_SETCHECK tells nobody.
        className = L"BUTTON";
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        break;
    case ControlKind::PictureBox: className = kPictureClass; break;
    case ControlKind::Slider:
        className = TRACKBAR_CLASSW;
        style |= TBS_HORZ | TBS_BOTTOM | WS_TABSTOP;
        break;
    case ControlKind::ScrollBar:
        className = L"SCROLLBAR";
        style |= SBS_VERT;
        break;
    }
    const WindowData* data = DataOf(parent);
    const RECT place{x, y, x + width, y + height};
    const RECT onScreen = AtDpi(place, data != nullptr ? data->dpi : 96);
    const HWND hwnd = CreateWindowExW(0, className, L"", style, onScreen.left, onScreen.top,
                                      onScreen.right - onScreen.left, onScreen.bottom - onScreen.top,
                                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(tag)),
                                      GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr)
        return 0;
    const std::uint64_t id = next_++;
    Control& control = controls_[id];
    if (kind == ControlKind::PictureBox) {
        control.picture = std::make_unique<Picture>();
        control.picture->platform = this;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control.picture.get()));
    } else {
        const HGDIOBJ font = data != nullptr && data->controlFont != nullptr
                                 ? data->controlFont.get()
                                 : GetStockObject(DEFAULT_GUI_FONT);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    control.kind = kind;
    control.hwnd = hwnd;
    control.window = parent;
    control.tag = tag;
    control.place = place;
    if (kind == ControlKind::ScrollBar) {
        ApplyScrollRange(control);
        if (WindowData* data = DataOf(parent))
            data->wheelDeltas[hwnd] = 0;
    }
    return id;
}

void Win32WindowSystem::ApplyScrollRange(const Control& control)
{
    // The last page begins at the maximum (see ScrollStateOf).
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = control.minimum;
    info.nMax = static_cast<int>(std::min<std::int64_t>(
        std::int64_t{control.maximum} + control.page - 1, INT32_MAX));
    info.nPage = static_cast<UINT>(control.page);
    SetScrollInfo(control.hwnd, SB_CTL, &info, TRUE);
}

void Win32WindowSystem::DestroyControl(std::uint64_t control)
{
    if (Control* c = ControlOf(control)) {
        if (c->toolTip != nullptr)
            ::DestroyWindow(c->toolTip);
        if (WindowData* data = DataOf(c->window)) {
            data->textColours.erase(c->hwnd);
            data->sliderPositions.erase(c->hwnd);
            data->wheelDeltas.erase(c->hwnd);
        }
        ::DestroyWindow(c->hwnd);
    }
    controls_.erase(control);
}

void Win32WindowSystem::ApplyLabelStyle(Control& control)
{
    LONG_PTR style = GetWindowLongPtrW(control.hwnd, GWL_STYLE);
    // Lines broken between words (SS_LEFT), or each line as it is; the
    // ellipsis makes the text one line, so a wrapped label has none.
    style = (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) |
            (control.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
    const bool ellipsis = control.endEllipsis && !control.wordWrap;
    style = ellipsis ? style | SS_ENDELLIPSIS : style & ~static_cast<LONG_PTR>(SS_ENDELLIPSIS);
    SetWindowLongPtrW(control.hwnd, GWL_STYLE, style);
    InvalidateRect(control.hwnd, nullptr, TRUE);
}

void Win32WindowSystem::SetText(std::uint64_t control, const std::string& text)
{
    Control* c = ControlOf(control);
    if (c == nullptr || (c->kind != ControlKind::Label && c->kind != ControlKind::Button &&
                         c->kind != ControlKind::CheckBox))
        return;
    c->text = Wide(text);
    SetWindowTextW(c->hwnd, c->text.c_str());
}

void Win32WindowSystem::SetEndEllipsis(std::uint64_t control, bool on)
{
    Control* c = ControlOf(control);
    if (c == nullptr || c->kind != ControlKind::Label)
        return;
    c->endEllipsis = on;
    ApplyLabelStyle(*c);
}

void Win32WindowSystem::SetWordWrap(std::uint64_t control, bool on)
{
    Control* c = ControlOf(control);
    if (c == nullptr || c->kind != ControlKind::Label)
        return;
    c->wordWrap = on;
    ApplyLabelStyle(*c);
}

void Win32WindowSystem::SetTextColour(std::uint64_t control, Colour colour)
{
    Control* c = ControlOf(control);
    WindowData* data = c != nullptr ? DataOf(c->window) : nullptr;
    if (data == nullptr)
        return;
    data->textColours[c->hwnd] = colour;
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

void Win32WindowSystem::SetToolTip(std::uint64_t control, const std::string& text)
{
    Control* c = ControlOf(control);
    if (c == nullptr)
        return;
    std::wstring wide = Wide(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = c->window;
    tool.uId = reinterpret_cast<UINT_PTR>(c->hwnd);
    tool.lpszText = wide.data();
    if (c->toolTip == nullptr) {
        c->toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, c->window, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        // Each line of the text a line of the tip, one wider than 80 average
        // characters of the tip's font broken between words.
        const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(c->toolTip, WM_GETFONT, 0, 0));
        TEXTMETRICW metrics{};
        {
            const SelectedObject selected(screen_.get(),
                                          font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
            GetTextMetricsW(screen_.get(), &metrics);
        }
        SendMessageW(c->toolTip, TTM_SETMAXTIPWIDTH, 0,
                     std::max<LPARAM>(metrics.tmAveCharWidth * 80, 200));
        SendMessageW(c->toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    } else {
        SendMessageW(c->toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Win32WindowSystem::SetEnabled(std::uint64_t control, bool enabled)
{
    if (Control* c = ControlOf(control))
        EnableWindow(c->hwnd, enabled ? TRUE : FALSE);
}

bool Win32WindowSystem::IsEnabled(std::uint64_t control)
{
    Control* c = ControlOf(control);
    return c != nullptr && IsWindowEnabled(c->hwnd);
}

void Win32WindowSystem::SetFocusable(std::uint64_t control)
{
    if (Control* c = ControlOf(control))
        SetWindowLongPtrW(c->hwnd, GWL_STYLE, GetWindowLongPtrW(c->hwnd, GWL_STYLE) | WS_TABSTOP);
}

void Win32WindowSystem::SetTabOrder(std::span<const std::uint64_t> controls)
{
    // Tab follows the z-order: each control goes just behind the one before.
    HWND previous = nullptr;
    for (const std::uint64_t id : controls) {
        Control* c = ControlOf(id);
        if (c == nullptr)
            continue;
        if (previous != nullptr)
            SetWindowPos(c->hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = c->hwnd;
    }
}

void Win32WindowSystem::SetSliderRange(std::uint64_t control, int minimum, int maximum)
{
    Control* c = ControlOf(control);
    if (c != nullptr && c->kind == ControlKind::ScrollBar) {
        c->minimum = minimum;
        c->maximum = std::max(minimum, maximum);
        ApplyScrollRange(*c);
        return;
    }
    if (c == nullptr || c->kind != ControlKind::Slider)
        return;
    SendMessageW(c->hwnd, TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageW(c->hwnd, TBM_SETRANGEMAX, TRUE, maximum);
    SendMessageW(c->hwnd, TBM_SETLINESIZE, 0, 1);
    SendMessageW(c->hwnd, TBM_SETPAGESIZE, 0, std::max(1, (maximum - minimum) / 5));
    if (GetWindowLongPtrW(c->hwnd, GWL_STYLE) & TBS_AUTOTICKS)
        SendMessageW(c->hwnd, TBM_SETTICFREQ, 1, 0);
    if (WindowData* data = DataOf(c->window))
        data->sliderPositions[c->hwnd] = static_cast<int>(SendMessageW(c->hwnd, TBM_GETPOS, 0, 0));
}

void Win32WindowSystem::SetSliderTicks(std::uint64_t control, bool on)
{
    Control* c = ControlOf(control);
    if (c == nullptr || c->kind != ControlKind::Slider)
        return;
    const LONG_PTR style = GetWindowLongPtrW(c->hwnd, GWL_STYLE);
    SetWindowLongPtrW(c->hwnd, GWL_STYLE,
                      on ? (style | TBS_AUTOTICKS) & ~static_cast<LONG_PTR>(TBS_NOTICKS)
                         : (style & ~static_cast<LONG_PTR>(TBS_AUTOTICKS)) | TBS_NOTICKS);
    SendMessageW(c->hwnd, TBM_SETTICFREQ, 1, 0);
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

void Win32WindowSystem::SetScrollPage(std::uint64_t control, int page)
{
    Control* c = ControlOf(control);
    if (c == nullptr || c->kind != ControlKind::ScrollBar)
        return;
    c->page = std::max(page, 1);
    ApplyScrollRange(*c);
}

bool Win32WindowSystem::IsChecked(std::uint64_t control)
{
    Control* c = ControlOf(control);
    return c != nullptr && c->kind == ControlKind::CheckBox &&
           SendMessageW(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32WindowSystem::SetChecked(std::uint64_t control, bool checked)
{
    Control* c = ControlOf(control);
    if (c != nullptr && c->kind == ControlKind::CheckBox)
        SendMessageW(c->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32WindowSystem::SliderValue(std::uint64_t control)
{
    Control* c = ControlOf(control);
    if (c != nullptr && c->kind == ControlKind::ScrollBar)
        return ScrollStateOf(c->hwnd).position;
    return c == nullptr || c->kind != ControlKind::Slider
               ? 0
               : static_cast<int>(SendMessageW(c->hwnd, TBM_GETPOS, 0, 0));
}

void Win32WindowSystem::SetSliderValue(std::uint64_t control, int value)
{
    Control* c = ControlOf(control);
    if (c != nullptr && c->kind == ControlKind::ScrollBar) {
        SetScrollPosition(c->hwnd, std::clamp(value, c->minimum, c->maximum));
        return;
    }
    if (c == nullptr || c->kind != ControlKind::Slider)
        return;
    SendMessageW(c->hwnd, TBM_SETPOS, TRUE, value);
    if (WindowData* data = DataOf(c->window))
        data->sliderPositions[c->hwnd] = static_cast<int>(SendMessageW(c->hwnd, TBM_GETPOS, 0, 0));
}

void Win32WindowSystem::ShowPicture(std::uint64_t control, const Image* picture)
{
    Control* c = ControlOf(control);
    if (c == nullptr || c->kind != ControlKind::PictureBox)
        return;
    Picture* shown = c->picture.get();
    if (shown == nullptr)
        return;
    shown->enlarged.clear();
    if (picture == nullptr) {
        shown->width = shown->height = 0;
        shown->words.clear();
    } else {
        shown->width = picture->Width();
        shown->height = picture->Height();
        shown->words.assign(picture->Words(),
                            picture->Words() + static_cast<std::size_t>(picture->Width()) * picture->Height());
        c->place.right = c->place.left + shown->width;
        c->place.bottom = c->place.top + shown->height;
        const WindowData* data = DataOf(c->window);
        const RECT onScreen = AtDpi(c->place, data != nullptr ? data->dpi : 96);
        SetWindowPos(c->hwnd, nullptr, 0, 0, onScreen.right - onScreen.left, onScreen.bottom - onScreen.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

Image Win32WindowSystem::ShownPicture(std::uint64_t control)
{
    Control* c = ControlOf(control);
    const Picture* shown = c != nullptr && c->kind == ControlKind::PictureBox ? c->picture.get()
                                                                              : nullptr;
    if (shown == nullptr || shown->width == 0)
        return Image(0, 0);
    Image image(shown->width, shown->height);
    std::copy(shown->words.begin(), shown->words.end(), image.Words());
    return image;
}

void Win32WindowSystem::TrackPointer(std::uint64_t control, bool on)
{
    Control* c = ControlOf(control);
    Picture* picture = c != nullptr && c->kind == ControlKind::PictureBox ? c->picture.get()
                                                                          : nullptr;
    if (picture == nullptr)
        return;
    picture->tracking = on;
    picture->inside = false;
    picture->wheelDelta = 0;
}

std::pair<int, int> Win32WindowSystem::ControlSize(std::uint64_t control)
{
    Control* c = ControlOf(control);
    if (c == nullptr)
        return {0, 0};
    return {static_cast<int>(c->place.right - c->place.left), static_cast<int>(c->place.bottom - c->place.top)};
}

// --- Events ---------------------------------------------------------------------

void Win32WindowSystem::SetEventSink(std::function<void(const PlatformEvent&)> sink)
{
    sink_ = std::move(sink);
}

void Win32WindowSystem::Post(const PlatformEvent& event)
{
    if (sink_)
        sink_(event);
}

void Win32WindowSystem::ProcessEvents(bool wait)
{
    if (!Started())
        return;
    const auto handle = [this](MSG& message) {
        if (TranslateKey(message))
            return;
        const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        // The wheel goes to the focus: over a picture box or a scroll bar it
        // is theirs, even while a slider has the focus.
        if (message.message == WM_MOUSEWHEEL && root != nullptr && DataOf(root) != nullptr &&
            DataOf(root)->platform == this && RouteWheel(root, *DataOf(root), message.wParam, message.lParam))
            return;
        if (root != nullptr && DataOf(root) != nullptr && IsDialogMessageW(root, &message))
            return;  // Tab and the like move the focus
        TranslateMessage(&message);
        DispatchMessageW(&message);
    };
    MSG message;
    // With a timer of 0 ms running the loop never sleeps: it raises that
    // timer whenever nothing else is pending.
    if (wait && idleTimers_.empty() && GetMessageW(&message, nullptr, 0, 0) > 0)
        handle(message);
    bool pending = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        handle(message);
        pending = true;
    }
    if (pending)
        return;
    const std::set<int> idle = idleTimers_;  // the sink may stop one
    for (const int tag : idle)
        Post({.kind = PlatformEvent::Kind::Timer, .tag = tag});
}

// --- Timers ---------------------------------------------------------------------

void Win32WindowSystem::StartTimer(int tag, int milliseconds)
{
    if (!Started() || timerWindow_ == nullptr)
        return;
    if (milliseconds <= 0) {
        KillTimer(timerWindow_.get(), TimerId(tag));
        idleTimers_.insert(tag);
        return;
    }
    idleTimers_.erase(tag);
    // Replaces a running one.
    SetTimer(timerWindow_.get(), TimerId(tag), static_cast<UINT>(milliseconds), nullptr);
}

void Win32WindowSystem::StopTimer(int tag)
{
    idleTimers_.erase(tag);
    if (timerWindow_ != nullptr)
        KillTimer(timerWindow_.get(), TimerId(tag));
}

// --- Requesters and message boxes -----------------------------------------------

HWND Win32WindowSystem::OwnerOf(std::uint64_t window) const
{
    if (const HWND owner = WindowOf(window))
        return owner;
    return windows_.empty() ? nullptr : windows_.rbegin()->second.hwnd.get();  // the newest
}

std::string Win32WindowSystem::AskOpenFile(std::uint64_t owner, const std::string& title,
                                           const std::string& defaultFile,
                                           const std::string& filter, int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, false);
}

std::string Win32WindowSystem::AskSaveFile(std::uint64_t owner, const std::string& title,
                                           const std::string& defaultFile,
                                           const std::string& filter, int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, true);
}

namespace {

// COM for this thread while the scope lasts (a thread that has it keeps it).
class ComScope {
public:
    ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope()
    {
        if (started_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool started_;
};

}  // namespace

// The shell's own folder requester (the common item dialog picking folders).
std::string Win32WindowSystem::AskFolder(std::uint64_t owner, const std::string& title,
                                         const std::string& startFolder)
{
    using Microsoft::WRL::ComPtr;
    if (!Started())
        return {};
    const ComScope com;
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog))))
        return {};
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                       FOS_NOCHANGEDIR);
    dialog->SetTitle(Wide(title).c_str());
    std::wstring start = Wide(startFolder);
    std::replace(start.begin(), start.end(), L'/', L'\\');
    ComPtr<IShellItem> folder;
    if (!start.empty() &&
        SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(&folder))))
        dialog->SetFolder(folder.Get());
    ComPtr<IShellItem> chosen;
    wchar_t* path = nullptr;
    if (FAILED(dialog->Show(OwnerOf(owner))) || FAILED(dialog->GetResult(&chosen)) ||
        FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return {};  // cancelled, or not a folder of the file system
    const std::string result = Utf8(path);
    CoTaskMemFree(path);
    return result;
}

void Win32WindowSystem::ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                                    const std::string& text)
{
    if (!Started() || headless_)
        return;
    const UINT icon = kind == MessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(OwnerOf(owner), Wide(text).c_str(), Wide(title).c_str(), MB_OK | icon);
}

std::string Win32WindowSystem::Ask(std::uint64_t ownerId, const std::string& title,
                                   const std::string& defaultFile, const std::string& filter,
                                   int filterIndex, bool save)
{
    if (!Started())
        return {};
    // "description|pattern|..." with every bar a NUL and a second NUL at the end.
    std::wstring filters = Wide(filter);
    std::replace(filters.begin(), filters.end(), L'|', L'\0');
    filters.push_back(L'\0');
    filters.push_back(L'\0');
    std::wstring folder = Wide(FolderPart(defaultFile));
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = Wide(FileNamePart(defaultFile));
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(name.size(), file.size() - 1)),
              file.begin());
    const std::wstring caption = Wide(title);
    const HWND owner = OwnerOf(ownerId);
    OPENFILENAMEW ask{};
    ask.lStructSize = sizeof ask;
    ask.hwndOwner = owner;
    ask.lpstrFilter = filters.c_str();
    ask.nFilterIndex = static_cast<DWORD>(filterIndex + 1);
    ask.lpstrFile = file.data();
    ask.nMaxFile = static_cast<DWORD>(file.size());
    ask.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ask.lpstrTitle = caption.c_str();
    ask.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&ask) : GetOpenFileNameW(&ask);
    return chosen ? Utf8(file.data()) : std::string();
}

// --- Files passed by later starts ---------------------------------------------

void Win32WindowSystem::ReceivePassedFiles(std::uint64_t window)
{
    const HWND hwnd = WindowOf(window);
    if (headless_ || hwnd == nullptr)
        return;
    SetPropW(hwnd, kReceivesFiles, reinterpret_cast<HANDLE>(1));
}

namespace {

BOOL CALLBACK FindReceiver(HWND window, LPARAM found)
{
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, 64) == 0 || std::wcscmp(name, kWindowClass) != 0 ||
        GetPropW(window, kReceivesFiles) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

bool Win32WindowSystem::PassToOpenWindow(const std::string& path)
{
    const std::wstring wide = Wide(path);
    const DWORD bytes = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    if (!Started() || headless_ || bytes == 0 || bytes > kMaxPassedBytes)
        return false;
    HWND receiver = nullptr;
    EnumWindows(FindReceiver, reinterpret_cast<LPARAM>(&receiver));
    if (receiver == nullptr)
        return false;
    // The window may come to the front: this start was the user's last act.
    DWORD process = 0;
    GetWindowThreadProcessId(receiver, &process);
    AllowSetForegroundWindow(process);
    COPYDATASTRUCT copy{kPassedFileTag, bytes, const_cast<wchar_t*>(wide.data())};
    DWORD_PTR taken = FALSE;
    return SendMessageTimeoutW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs, &taken) != 0 &&
           taken == TRUE;
}

}  // namespace vx
