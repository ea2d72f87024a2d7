// The system's services on Windows: BCrypt for the digest, KERNEL32 for
// files and the console, SHELL32 for the user's local application data.
#include "toolkit/win32/Win32Platform.h"

#include <bcrypt.h>
#include <io.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <vector>

#include "toolkit/SystemServices.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

struct AlgorithmCloser {
    void operator()(BCRYPT_ALG_HANDLE handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
using Algorithm = std::unique_ptr<void, AlgorithmCloser>;

}  // namespace

Sha256Digest Sha256(std::span<const std::uint8_t> bytes)
{
    Sha256Digest digest{};
    // The provider is opened once: opening it costs more than a small digest.
    static const Algorithm algorithm = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
            handle = nullptr;
        return Algorithm(handle);
    }();
    static const ULONG objectLength = [] {
        ULONG length = 0, got = 0;
        if (!algorithm || !BCRYPT_SUCCESS(BCryptGetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH,
                                                            reinterpret_cast<PUCHAR>(&length),
                                                            sizeof length, &got, 0)))
            return ULONG{0};
        return length;
    }();
    if (!algorithm || objectLength == 0)
        return digest;  // zero: matches no file
    std::vector<UCHAR> object(objectLength);
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = BCRYPT_SUCCESS(
        BCryptCreateHash(algorithm.get(), &hash, object.data(), objectLength, nullptr, 0, 0));
    // BCryptHashData takes at most 4 GB at once; the files here are far smaller.
    done = done && BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(bytes.data()),
                                                 static_cast<ULONG>(bytes.size()), 0));
    done = done && BCRYPT_SUCCESS(
                       BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash != nullptr)
        BCryptDestroyHash(hash);
    if (!done)
        digest.fill(0);
    return digest;
}

std::string UserDataFolder()
{
    std::wstring base;
    if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && local[0] != L'\0') {
        base = local;
    } else {
        PWSTR known = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)))
            base = known;
        CoTaskMemFree(known);
    }
    if (base.empty())
        return {};
    if (base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    return Utf8(base) + "vxanalyser\\";
}

bool MakePrivateFolders(const std::string& folder, std::string& error)
{
    std::string trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\'))
        trimmed.pop_back();
    const std::wstring wide = SystemPath(trimmed);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        error = trimmed + " is not a folder";
        return false;
    }
    const std::string parent = FolderPart(trimmed);
    if (!parent.empty() && parent.size() < trimmed.size() && parent.back() != ':' &&
        !(parent.size() == 3 && parent[1] == ':') && !MakePrivateFolders(parent, error))
        return false;
    // The user's profile folders are the user's alone already: the new
    // folder inherits their rights.
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = "cannot make the folder " + trimmed + " (" + ErrorText(GetLastError()) + ")";
        return false;
    }
    return true;
}

bool RenamePath(const std::string& from, const std::string& to, std::string& error)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target is never replaced.
    if (!MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), 0)) {
        error = ErrorText(GetLastError());
        return false;
    }
    return true;
}

bool ErrorOutputIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

namespace {

volatile LONG interrupted = 0;

BOOL WINAPI NoteInterrupt(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;  // closing the console ends the process as usual
    InterlockedExchange(&interrupted, 1);
    return TRUE;
}

}  // namespace

void CatchInterrupts()
{
    SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

bool InterruptRequested()
{
    return InterlockedCompareExchange(&interrupted, 0, 0) != 0;
}

InputWait WaitForEndOfInput(int milliseconds)
{
    static bool ended = false;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const DWORD type =
        input == nullptr || input == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(input);
    DWORD mode = 0;
    const bool console = type == FILE_TYPE_CHAR && GetConsoleMode(input, &mode) != 0;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max(milliseconds, 0));
    // The interrupt key's handler runs on a thread of its own: it is looked
    // for between steps of at most 50 ms.
    for (;;) {
        if (InterruptRequested())
            return InputWait::Interrupted;
        if (ended)
            return InputWait::Ended;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return InputWait::TimedOut;
        const DWORD step = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50));
        char dropped[4096];
        DWORD got = 0;
        if (console) {
            // Key presses come as events; Ctrl+Z ends the input.
            if (WaitForSingleObject(input, step) != WAIT_OBJECT_0)
                continue;
            INPUT_RECORD events[64];
            DWORD count = 0;
            if (!ReadConsoleInputW(input, events, 64, &count)) {
                Sleep(step);
                continue;
            }
            for (DWORD i = 0; i < count; ++i) {
                const KEY_EVENT_RECORD& key = events[i].Event.KeyEvent;
                if (events[i].EventType == KEY_EVENT && key.bKeyDown && key.uChar.UnicodeChar == 0x1A)
                    ended = true;
            }
        } else if (type == FILE_TYPE_PIPE) {
            DWORD available = 0;
            if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) {
                ended = GetLastError() == ERROR_BROKEN_PIPE;  // the writer closed it
                if (!ended)
                    Sleep(step);
            } else if (available == 0) {
                Sleep(step);
            } else if (!ReadFile(input, dropped, std::min<DWORD>(available, sizeof dropped), &got, nullptr) ||
                       got == 0) {
                ended = true;
            }
        } else if (type == FILE_TYPE_DISK || type == FILE_TYPE_CHAR) {
            // A file, or a device such as NUL: read to its end.
            if (!ReadFile(input, dropped, sizeof dropped, &got, nullptr) || got == 0)
                ended = true;
        } else {
            Sleep(step);  // no standard input: it never ends
        }
    }
}

}  // namespace vx
