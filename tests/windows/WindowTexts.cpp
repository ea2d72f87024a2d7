// window_texts.exe PREFIX: waits until a control of the analyser's window
// shows a text that begins with PREFIX, prints the texts of the window's
// controls (UTF-8, one a line), and closes the window. Exit status 0 when the
// text came, 1 when it had not come after two minutes (a guard against a hang,
// not a measure: the window's own message line says when a load is done).
// The installer checks read what the window says after a start through the
// saved-game file type.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                        nullptr);
    return out;
}

// The window belongs to another process: its controls' texts come by
// message (GetWindowText gives only captions across processes).
std::wstring TextOf(HWND control)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length) || length == 0)
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        5000, &copied);
    text.resize(copied);
    return text;
}

BOOL CALLBACK Collect(HWND control, LPARAM texts)
{
    reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(TextOf(control));
    return TRUE;
}

}  // namespace

// wmain: the prefix comes as UTF-16, as the shell gave it; a narrow argv
// would come in the ANSI code page and never match an accented text.
int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_texts PREFIX\n");
        return 2;
    }
    const std::string prefix = Utf8(argv[1]);
    std::vector<std::wstring> texts;
    HWND window = nullptr;
    for (int tries = 0; tries < 1200; ++tries, Sleep(100)) {
        window = FindWindowW(L"VxAnalyserWindow", nullptr);
        if (window == nullptr)
            continue;
        texts.clear();
        EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&texts));
        bool shown = false;
        for (const std::wstring& text : texts)
            shown = shown || Utf8(text).rfind(prefix, 0) == 0;
        if (shown)
            break;
        window = nullptr;
    }
    for (const std::wstring& text : texts)
        if (!text.empty())
            std::printf("%s\n", Utf8(text).c_str());
    const HWND open = FindWindowW(L"VxAnalyserWindow", nullptr);
    if (open != nullptr)
        PostMessageW(open, WM_CLOSE, 0, 0);
    return window != nullptr ? 0 : 1;
}
