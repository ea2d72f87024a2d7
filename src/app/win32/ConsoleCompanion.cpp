// vxanalyser.com: the program's face in a console on Windows.
//
// vxanalyser.exe is a program of the window subsystem, so that Explorer and
// the Start menu open its window without a console. A console does not wait
// for such a program: its words came after the next prompt and its exit
// status was lost. This small console program lies beside it under the same
// name; a console finds "vxanalyser" as the .com before the .exe, so typing
// `vxanalyser ...` in cmd or PowerShell starts this one. It starts the .exe
// with the same words, hands it its own standard handles (the console, or
// the files and pipes they are redirected to), waits for it and returns its
// exit status. A command of the .exe shares this console (it attaches to
// it), so the console's Ctrl+C reaches it as it reaches a console program:
// `history add` and `follow` stop as they choose and say so, and their
// exit status is returned. A .exe not attached (the window) is ended by
// Ctrl+C, as it is by closing the console.
//
// It stands apart from the program's libraries: nothing but the system.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace {

// The running .exe, for the console signal handler (another thread).
std::atomic<HANDLE> child{nullptr};
std::atomic<DWORD> childId{0};

// Windows ends the .exe when the last handle to this job closes: when this
// program ends in any way, the .exe goes with it.
HANDLE TieToThisProcess()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// Whether the process is attached to this program's console.
bool SharesConsole(DWORD process)
{
    std::vector<DWORD> attached(16);
    for (;;) {
        const DWORD count = GetConsoleProcessList(attached.data(), static_cast<DWORD>(attached.size()));
        if (count == 0)
            return false;
        if (count <= attached.size())
            return std::find(attached.begin(), attached.begin() + count, process) != attached.begin() + count;
        attached.resize(count + 8);  // more processes than room: try again
    }
}

BOOL WINAPI OnConsoleSignal(DWORD event)
{
    const HANDLE running = child.load();
    if (running == nullptr)
        return TRUE;
    // Ctrl+C or Ctrl+Break: the .exe attached to this console has the same
    // event, and this program waits for the status it ends with.
    if ((event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) && SharesConsole(childId.load()))
        return TRUE;
    // Not attached, or the console closing: the .exe ends as a console
    // program would, with the status a console shows for Ctrl+C.
    TerminateProcess(running, STATUS_CONTROL_C_EXIT);
    return TRUE;
}

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // a long path: try again with room for it
    }
}

// The window program beside this one: the same name ending in .exe.
std::wstring WindowProgram()
{
    std::wstring path = ModulePath();
    const std::size_t name = path.find_last_of(L"\\/");
    const std::size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (name == std::wstring::npos || dot > name))
        path.resize(dot);
    return path + L".exe";
}

// The command line after the program's name, exactly as typed: the .exe
// reads the same words, quotes and all. The name ends where the system's
// own parser ends it: at the closing quote, or else at the first blank.
const wchar_t* WordsAfterName(const wchar_t* line)
{
    if (*line == L'"') {
        ++line;
        while (*line != L'\0' && *line != L'"')
            ++line;
        return *line == L'"' ? line + 1 : line;
    }
    while (*line != L'\0' && *line != L' ' && *line != L'\t')
        ++line;
    return line;
}

void SayFailure(const std::wstring& program)
{
    wchar_t* reason = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr);
    std::wstring text = L"vxanalyser: cannot start " + program + L": " + (reason ? reason : L"") + L"\n";
    LocalFree(reason);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(err, &mode)) {
        WriteConsoleW(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    WriteFile(err, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// The .exe writes UTF-8; the console shows it as such while the .exe runs.
struct Utf8Console {
    Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console()
    {
        if (previous_ != 0)
            SetConsoleOutputCP(previous_);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;
private:
    UINT previous_;
};

}  // namespace

int main()
{
    const std::wstring program = WindowProgram();
    std::wstring line = L"\"" + program + L"\"" + WordsAfterName(GetCommandLineW());

    // The .exe writes through this program's standard handles. Since
    // Windows 8 a console's handles are handles like any other: a process
    // that holds one writes to that console without being attached to it.
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    HANDLE* handles[] = {&start.hStdInput, &start.hStdOutput, &start.hStdError};
    const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
        *handles[i] = GetStdHandle(which[i]);
        if (*handles[i] != nullptr && *handles[i] != INVALID_HANDLE_VALUE)
            SetHandleInformation(*handles[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }

    Utf8Console utf8;
    const HANDLE job = TieToThisProcess();
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        nullptr, &start, &started)) {
        SayFailure(program);
        return 1;
    }
    if (job != nullptr)
        AssignProcessToJobObject(job, started.hProcess);  // without a job, Ctrl+C still ends it
    childId.store(started.dwProcessId);
    child.store(started.hProcess);
    SetConsoleCtrlHandler(OnConsoleSignal, TRUE);
    // A window it opens may come to the front: typing the command was the
    // user's last act.
    AllowSetForegroundWindow(started.dwProcessId);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(started.hProcess, &status);
    return static_cast<int>(status);
}
