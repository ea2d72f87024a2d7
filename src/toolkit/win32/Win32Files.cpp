// The process, and files and folders over KERNEL32, with wide (UTF-16)
// paths: any file name works, and paths longer than MAX_PATH too. Every open
// file is a KernelHandle of its entry, closed when the entry goes.
#include "toolkit/win32/Win32Platform.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "toolkit/Platform.h"
#include "toolkit/SystemServices.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// A time of the file system (100 ns ticks since 1601-01-01 UTC, as FILETIME
// and the times of the file information classes count) in nanoseconds since
// 1970-01-01 UTC, as every stamp and the system's clock count: moved to 1970
// in ticks first, so that the product stays well inside 64 bits (a time of
// this century is some 1.3e19 ns after 1601, beyond them). Every stamp's
// times pass here.
std::int64_t NsSince1970(std::int64_t ticksSince1601)
{
    constexpr std::int64_t kTicksTo1970 = 116'444'736'000'000'000;  // 369 years
    return (ticksSince1601 - kTicksTo1970) * 100;
}

std::int64_t NsSince1970(const FILETIME& time)
{
    return NsSince1970(static_cast<std::int64_t>(std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime));
}

// The stamp of an open file or of one opened for its attributes only.
std::optional<FileStamp> StampOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == nullptr || !GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    FILE_BASIC_INFO basic{};
    const bool hasBasic =
        GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) != 0;
    FileStamp stamp;
    stamp.size = static_cast<std::int64_t>(std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow);
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    stamp.modifiedNs = NsSince1970(info.ftLastWriteTime);
    stamp.changedNs = hasBasic ? NsSince1970(basic.ChangeTime.QuadPart) : stamp.modifiedNs;
    return stamp;
}

class Win32Files final : public FileSystem {
public:
    std::string CurrentFolder() override;
    std::string AbsolutePath(const std::string& path) override;
    PathKind KindOf(const std::string& path) override;
    std::vector<FolderEntry> ListFolder(const std::string& folder) override;
    bool ListFiles(const std::string& folder, std::vector<StampedFile>& files,
                   std::string& error) override;
    bool MakeFolders(const std::string& folder, std::string& error) override;
    std::uint64_t OpenForRead(const std::string& path, std::string& error) override;
    FileStamp StampOf(std::uint64_t file) override;
    std::int64_t Read(std::uint64_t file, std::uint8_t* into, std::int64_t count,
                      std::string& error) override;
    void Close(std::uint64_t file) override;
    bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& error) override;

private:
    HANDLE FileOf(std::uint64_t id) const;

    std::uint64_t next_ = 1;
    std::map<std::uint64_t, KernelHandle> files_;
};

// A folder search, ended with its owner.
struct SearchCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};
using Search = std::unique_ptr<void, SearchCloser>;

}  // namespace

std::optional<FileStamp> StampOfPath(const std::string& path)
{
    // Opened for its attributes alone: no sharing conflict with a writer.
    const KernelHandle file = OwnHandle(CreateFileW(
        SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file == nullptr || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || GetFileType(file.get()) != FILE_TYPE_DISK)
        return std::nullopt;
    return StampOfHandle(file.get());
}

std::vector<std::string> ProgramArguments(int, char**)
{
    // The system's own wide words, not the code page's rendering of them.
    int count = 0;
    const LocalMemory<wchar_t*> words(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> arguments;
    for (int i = 0; words != nullptr && i < count; ++i)
        arguments.push_back(Utf8(words.get()[i]));
    return arguments;
}

FileSystem& SystemFiles()
{
    static Win32Files files;
    return files;
}

void AttachTextOutput()
{
    // A program of the window subsystem started from a console (by
    // vxanalyser.com, or typed as vxanalyser.exe) is attached to no console:
    // attached to its parent's, it gets that console's Ctrl+C and Ctrl+Break
    // as a console program does, ended by them or, once it catches
    // interrupts, told of them (CatchInterrupts). Its standard handles are
    // the ones it was given (the companion hands on its own, redirected or
    // not); without any (typed in cmd), it writes to that console.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const bool hasOutput = out != nullptr && out != INVALID_HANDLE_VALUE;
    if (AttachConsole(ATTACH_PARENT_PROCESS) && !hasOutput) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    SetConsoleOutputCP(CP_UTF8);  // the texts are UTF-8
    // The same bytes as on other systems: lines end in a line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

std::string Win32Files::CurrentFolder()
{
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    folder.resize(GetCurrentDirectoryW(length, folder.data()));
    if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/'))
        folder.push_back(L'\\');
    return Utf8(folder);
}

std::string Win32Files::AbsolutePath(const std::string& path)
{
    if (path.empty())
        return path;
    const std::wstring wide = Wide(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    return Utf8(full);
}

PathKind Win32Files::KindOf(const std::string& path)
{
    if (path.empty())
        return PathKind::None;
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::None;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return PathKind::Other;
    return PathKind::File;
}

std::vector<FolderEntry> Win32Files::ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    std::wstring pattern = SystemPath(folder.empty() ? "." : folder);
    if (pattern.back() != L'\\')
        pattern.push_back(L'\\');
    pattern.push_back(L'*');
    WIN32_FIND_DATAW found{};
    const HANDLE first = FindFirstFileW(pattern.c_str(), &found);
    if (first == INVALID_HANDLE_VALUE)
        return entries;
    const Search search(first);
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        entries.push_back({Utf8(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search.get(), &found));
    return entries;
}

namespace {

// Neither a folder nor a device: what the program may read as a file.
bool IsPlainFile(DWORD attributes)
{
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// The listing by FindFirstFileExW, where the volume gives no file numbers:
// sizes and times without identity (device and inode 0), the change time
// being the write time.
bool ListWithoutIdentity(const std::wstring& folder, std::vector<StampedFile>& files,
                         std::string& error)
{
    WIN32_FIND_DATAW found{};
    const HANDLE first =
        FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (first == INVALID_HANDLE_VALUE) {
        error = ErrorText(GetLastError());
        return false;
    }
    const Search search(first);
    do {
        if (!IsPlainFile(found.dwFileAttributes))
            continue;
        FileStamp stamp;
        stamp.size = static_cast<std::int64_t>(std::uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow);
        stamp.modifiedNs = stamp.changedNs = NsSince1970(found.ftLastWriteTime);
        files.push_back({Utf8(found.cFileName), stamp});
    } while (FindNextFileW(search.get(), &found));
    return true;
}

}  // namespace

// The folder opened once and read in large blocks of entries that carry
// each file's number, size and times (FileIdBothDirectoryInfo): the stamps
// StampOf gives, without opening a file.
bool Win32Files::ListFiles(const std::string& folder, std::vector<StampedFile>& files,
                           std::string& error)
{
    files.clear();
    std::wstring path = SystemPath(folder.empty() ? "." : folder);
    if (path.back() != L'\\')
        path.push_back(L'\\');
    const KernelHandle handle = OwnHandle(CreateFileW(
        path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr));  // the flag that opens a folder
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == nullptr || !GetFileInformationByHandle(handle.get(), &info)) {
        error = ErrorText(GetLastError());
        return false;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "it is not a folder";
        return false;
    }
    // 64 KB a call: a thousand entries in a few calls.
    std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));  // 8-byte aligned
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;;
         kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(handle.get(), kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size() * sizeof buffer[0]))) {
            const DWORD failed = GetLastError();
            if (failed == ERROR_NO_MORE_FILES)
                return true;
            files.clear();
            if (kind == FileIdBothDirectoryRestartInfo &&
                (failed == ERROR_INVALID_PARAMETER || failed == ERROR_NOT_SUPPORTED ||
                 failed == ERROR_INVALID_FUNCTION))
                return ListWithoutIdentity(path, files, error);
            error = ErrorText(failed);
            return false;
        }
        const auto* at = reinterpret_cast<const std::uint8_t*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            if (IsPlainFile(entry->FileAttributes)) {
                FileStamp stamp;
                stamp.size = entry->EndOfFile.QuadPart;
                stamp.device = info.dwVolumeSerialNumber;
                stamp.inode = static_cast<std::uint64_t>(entry->FileId.QuadPart);
                stamp.modifiedNs = NsSince1970(entry->LastWriteTime.QuadPart);
                stamp.changedNs = NsSince1970(entry->ChangeTime.QuadPart);
                files.push_back({Utf8(std::wstring_view(entry->FileName,
                                                        entry->FileNameLength / sizeof(wchar_t))),
                                 stamp});
            }
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
}

bool Win32Files::MakeFolders(const std::string& folder, std::string& error)
{
    if (folder.empty() || KindOf(folder) == PathKind::Folder)
        return true;
    std::string trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\'))
        trimmed.pop_back();
    const std::string parent = FolderPart(trimmed);
    if (!parent.empty() && parent.size() < trimmed.size() && !MakeFolders(parent, error))
        return false;
    if (!CreateDirectoryW(SystemPath(trimmed).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        error = ErrorText(GetLastError());
        return false;
    }
    return true;
}

std::uint64_t Win32Files::OpenForRead(const std::string& path, std::string& error)
{
    const std::wstring wide = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "it is a folder";
        return 0;
    }
    // Others may read, write and rename the file meanwhile: the game may be
    // rewriting it, which the stamps tell.
    KernelHandle file = OwnHandle(CreateFileW(wide.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file == nullptr) {
        error = ErrorText(GetLastError());
        return 0;
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        error = "it is not a regular file";
        return 0;
    }
    const std::uint64_t id = next_++;
    files_[id] = std::move(file);
    return id;
}

HANDLE Win32Files::FileOf(std::uint64_t id) const
{
    const auto it = files_.find(id);
    return it == files_.end() ? nullptr : it->second.get();
}

FileStamp Win32Files::StampOf(std::uint64_t file)
{
    return StampOfHandle(FileOf(file)).value_or(FileStamp{});
}

std::int64_t Win32Files::Read(std::uint64_t file, std::uint8_t* into, std::int64_t count,
                                 std::string& error)
{
    const HANDLE handle = FileOf(file);
    if (handle == nullptr || into == nullptr || count <= 0)
        return 0;
    std::int64_t done = 0;
    while (done < count) {
        const DWORD ask = static_cast<DWORD>(std::min<std::int64_t>(count - done, 1 << 24));
        DWORD got = 0;
        if (!ReadFile(handle, into + done, ask, &got, nullptr)) {
            error = ErrorText(GetLastError());
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void Win32Files::Close(std::uint64_t file)
{
    files_.erase(file);
}

bool Win32Files::ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                std::string& error)
{
    const std::wstring target = SystemPath(path);
    const DWORD targetAttributes = GetFileAttributesW(target.c_str());
    if (targetAttributes != INVALID_FILE_ATTRIBUTES && (targetAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "it is a folder";
        return false;
    }
    // A temporary file beside the target, written through to the disk.
    const std::string folder = FolderPart(path);
    std::wstring temporary;
    KernelHandle file;
    for (unsigned attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
        temporary = SystemPath(folder + "." + FileNamePart(path) + "." +
                               IntToText(GetCurrentProcessId()) + "." + IntToText(attempt));
        file = OwnHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        if (file == nullptr && GetLastError() != ERROR_FILE_EXISTS) {
            error = "cannot write in the folder: " + ErrorText(GetLastError());
            return false;
        }
    }
    if (file == nullptr) {
        error = "cannot write in the folder";
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
        if (!WriteFile(file.get(), bytes.data() + done, ask, &wrote, nullptr) || wrote == 0) {
            error = ErrorText(GetLastError());
            ok = false;
        }
        done += wrote;
    }
    if (ok && !FlushFileBuffers(file.get())) {
        error = ErrorText(GetLastError());
        ok = false;
    }
    // Closed here, for its result: a write may fail only now.
    if (!CloseHandle(file.release()) && ok) {
        error = ErrorText(GetLastError());
        ok = false;
    }
    if (ok) {
        // An existing file is replaced keeping its attributes and security;
        // a new one is moved into place.
        const bool replaced =
            targetAttributes != INVALID_FILE_ATTRIBUTES
                ? ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                : MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        if (!replaced) {
            error = ErrorText(GetLastError());
            ok = false;
        }
    }
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

}  // namespace vx
