// The window system over USER32, COMCTL32, GDI32, COMDLG32 and the shell:
// its start, the top-level windows, their window procedure and placement,
// the message loop and timers. Its other parts stand in the files that
// Win32Window.h names.
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
#include "toolkit/win32/Win32Window.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "toolkit/Scaling.h"

namespace vx {

Win32WindowSystem::WindowData* Win32WindowSystem::DataOf(HWND window)
{
    return reinterpret_cast<WindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

namespace {

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

// A tip about to show, moved into the work area of the monitor under the
// pointer where it would pass an edge of it: true when it was moved (the
// tip then stays where it was put).
bool KeepTipOnWorkArea(HWND tip)
{
    RECT shown;
    POINT pointer;
    if (!GetWindowRect(tip, &shown) || !GetCursorPos(&pointer))
        return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    const RECT& work = monitor.rcWork;
    const ScreenArea kept = KeptInside({shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top},
                                       {work.left, work.top, work.right - work.left, work.bottom - work.top});
    if (kept.x == shown.left && kept.y == shown.top)
        return false;
    SetWindowPos(tip, nullptr, kept.x, kept.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
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
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->code == TTN_SHOW && KeepTipOnWorkArea(header->hwndFrom))
            return TRUE;
        break;
    }
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

}  // namespace vx
