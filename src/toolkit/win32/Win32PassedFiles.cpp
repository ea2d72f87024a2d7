// The one-window hand-over: a saved game opened while the window is open
// (a double click in Explorer) is passed to that window as WM_COPYDATA; the
// window procedure takes it (Win32Window.cpp).
#include "toolkit/win32/Win32Window.h"

#include <cwchar>

namespace vx {

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
