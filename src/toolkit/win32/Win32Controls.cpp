// The controls: "Static" labels, "Button" push buttons and check boxes,
// trackbar sliders and "ScrollBar" scroll bars at their places in the
// program's pixels, their texts, colours and tooltips, and the wheel over
// them.
#include "toolkit/win32/Win32Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace vx {

ScrollState ScrollStateOf(HWND bar)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &info);
    const int page = std::max(static_cast<int>(info.nPage), 1);
    return {info.nMin, std::max(info.nMin, info.nMax - page + 1), page, info.nPos, info.nTrackPos};
}

namespace {

void SetScrollPosition(HWND bar, int position)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
}

}  // namespace

void UserScroll(Win32WindowSystem& platform, HWND bar, std::int64_t position)
{
    const ScrollState state = ScrollStateOf(bar);
    const int to = static_cast<int>(std::clamp<std::int64_t>(position, state.minimum, state.maximum));
    if (to == state.position)
        return;
    SetScrollPosition(bar, to);
    platform.Post({PlatformEvent::Kind::Control, GetDlgCtrlID(bar), {}});
}

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


std::pair<int, int> Win32WindowSystem::ControlSize(std::uint64_t control)
{
    Control* c = ControlOf(control);
    if (c == nullptr)
        return {0, 0};
    return {static_cast<int>(c->place.right - c->place.left), static_cast<int>(c->place.bottom - c->place.top)};
}

}  // namespace vx
