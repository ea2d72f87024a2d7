// The system's services on Windows: BCrypt for the digest, KERNEL32 for
// files and the console, SHELL32 for the user's local application data.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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

std::wstring WideOf(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Utf8Of(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                        length, nullptr, nullptr);
    return utf8;
}

// The path as the wide services take it: backslashes, and the \\?\ form when
// it is too long for the plain one.
std::wstring SystemPathOf(const std::string& path)
{
    std::wstring wide = WideOf(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

struct AlgorithmCloser {
    void operator()(BCRYPT_ALG_HANDLE handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
using Algorithm = std::unique_ptr<void, AlgorithmCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ScopedHandle = std::unique_ptr<void, HandleCloser>;

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
    return Utf8Of(base) + "vxanalyser\\";
}

bool MakePrivateFolders(const std::string& folder, std::string& error)
{
    std::string trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\'))
        trimmed.pop_back();
    const std::wstring wide = SystemPathOf(trimmed);
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
        error = "cannot make the folder " + trimmed + " (" + SystemErrorText(static_cast<int>(GetLastError())) + ")";
        return false;
    }
    return true;
}

std::optional<PathStamp> StampOfPath(const std::string& path)
{
    // Opened for no access at all: enough for its information, and no
    // sharing conflict with a writer.
    const ScopedHandle file(CreateFileW(SystemPathOf(path).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || GetFileType(file.get()) != FILE_TYPE_DISK)
        return std::nullopt;
    PathStamp stamp;
    stamp.size = static_cast<std::int64_t>(std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow);
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    // 100 ns ticks since 1601-01-01, moved to 1970-01-01.
    const std::uint64_t ticks =
        std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
    constexpr std::int64_t kTicksTo1970 = 116'444'736'000'000'000;
    stamp.modifiedNs = (static_cast<std::int64_t>(ticks) - kTicksTo1970) * 100;
    return stamp;
}

bool RenamePath(const std::string& from, const std::string& to, std::string& error)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target is never replaced.
    if (!MoveFileExW(SystemPathOf(from).c_str(), SystemPathOf(to).c_str(), 0)) {
        error = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

std::string SystemErrorText(int code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text != nullptr ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + IntToText(code) : Utf8Of(message);
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

}  // namespace vx
