// Presses Ctrl+C in a console for the tests: runs a program in this
// program's console, its output and errors in files, its input a pipe held
// open; once the program has written TEXT (to either file) it generates the
// console's Ctrl+C, as a user's key would, and waits for the program to end.
//
//   console_interrupt OUT ERR TEXT PROGRAM [WORDS...]
//
// Prints what it did and "exit N" with the program's exit status. A console
// of its own is made where it was started without one (under Wine from a
// shell, where the one it has takes no events). Exit 0 once the program has
// ended, 2 when it could not be run.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::wstring Quoted(const std::wstring& word)
{
    std::wstring quoted = L"\"";
    for (const wchar_t c : word) {
        if (c == L'"')
            quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

HANDLE Inheritable(const wchar_t* path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Holds(const std::wstring& path, const std::string& text)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str().find(text) != std::string::npos;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: console_interrupt OUT ERR TEXT PROGRAM [WORDS...]\n");
        return 2;
    }
    const std::wstring out = argv[1], err = argv[2];
    const int length = WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, text.data(), length, nullptr, nullptr);
    std::wstring line = Quoted(argv[4]);
    for (int i = 5; i < argc; ++i)
        line += L" " + Quoted(argv[i]);

    // Under Wine started from a shell the process holds no console a key
    // can be pressed in (no process list, no events): it takes one afresh.
    DWORD attached[4];
    if (GetConsoleProcessList(attached, 4) == 0) {
        FreeConsole();
        if (!AllocConsole()) {
            std::printf("no console: AllocConsole failed (%lu)\n", GetLastError());
            return 2;
        }
        std::printf("made a console of its own\n");
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inputRead = nullptr, inputWrite = nullptr;
    CreatePipe(&inputRead, &inputWrite, &inherit, 0);
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = inputRead;
    start.hStdOutput = Inheritable(out.c_str());
    start.hStdError = Inheritable(err.c_str());
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(argv[4], line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &started)) {
        std::printf("cannot start the program (%lu)\n", GetLastError());
        return 2;
    }
    CloseHandle(started.hThread);

    // The text, or the program's end, or two minutes.
    bool seen = false;
    for (int look = 0; look < 2400 && !seen; ++look) {
        if (WaitForSingleObject(started.hProcess, 50) == WAIT_OBJECT_0)
            break;
        seen = Holds(out, text) || Holds(err, text);
    }
    if (seen) {
        // This program stays: the key is the program's alone to answer.
        SetConsoleCtrlHandler(nullptr, TRUE);
        if (GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
            std::printf("Ctrl+C generated\n");
        else
            std::printf("GenerateConsoleCtrlEvent failed (%lu)\n", GetLastError());
    } else {
        std::printf("the program ended or wrote no '%s' in two minutes\n", text.c_str());
    }
    std::fflush(stdout);
    if (WaitForSingleObject(started.hProcess, 120'000) != WAIT_OBJECT_0) {
        std::printf("the program did not end: ended here\n");
        TerminateProcess(started.hProcess, 99);
        WaitForSingleObject(started.hProcess, INFINITE);
    }
    DWORD status = 0;
    GetExitCodeProcess(started.hProcess, &status);
    std::printf("exit %lu\n", status);
    return 0;
}
