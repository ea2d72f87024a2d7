// The picture boxes of our own window class: each paints its own copy of
// its picture, enlarged to the box's screen pixels without smoothing on a
// scaled monitor, and reports what the pointer does over it in the
// picture's own pixels while it tracks it.
#include "toolkit/win32/Win32Window.h"

#include <algorithm>

namespace vx {

Picture* PictureOf(HWND box)
{
    return reinterpret_cast<Picture*>(GetWindowLongPtrW(box, GWLP_USERDATA));
}

POINT PointOf(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

void RaisePointer(HWND box, const Picture& picture, PointerAction action, POINT at, WPARAM keys,
                  int wheelSteps)
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

namespace {

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

}  // namespace

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

}  // namespace vx
