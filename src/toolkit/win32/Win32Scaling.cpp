// Each monitor's scale: a window takes its monitor's dots per inch, or the
// largest that fits the monitor's work area, and places its controls and
// sizes their font at that scale; it takes the new monitor's when it is
// moved to one of another scale.
#include "toolkit/win32/Win32Window.h"

#include <algorithm>
#include <cmath>

namespace vx {

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

namespace {

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

}  // namespace

int AtDpi(int length, int dpi)
{
    return ScaledLength(length, dpi / 96.0);
}

RECT AtDpi(const RECT& place, int dpi)
{
    return {AtDpi(place.left, dpi), AtDpi(place.top, dpi), AtDpi(place.right, dpi),
            AtDpi(place.bottom, dpi)};
}

// The system's dialog font where dpi is the system's (none is made: the
// stock font serves), else its face at the height dpi asks for.
Font ControlFontAt(int dpi)
{
    const int systemDpi = SystemDpi();
    LOGFONTW face{};
    if (dpi == systemDpi || GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face) == 0)
        return nullptr;
    face.lfHeight = MulDiv(face.lfHeight, dpi, systemDpi);
    return Font(CreateFontIndirectW(&face));
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

}  // namespace vx
