// The process, and files and folders, over POSIX.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "toolkit/Platform.h"
#include "toolkit/SystemServices.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

std::int64_t Nanoseconds(const timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The stamp of what stat found, as StampOf gives an open file's.
FileStamp StampOfInfo(const struct stat& info)
{
    return {static_cast<std::int64_t>(info.st_size), static_cast<std::uint64_t>(info.st_dev),
            static_cast<std::uint64_t>(info.st_ino), Nanoseconds(info.st_mtim),
            Nanoseconds(info.st_ctim)};
}

// The process's file creation mask, as the system reports it, without
// setting it (umask() can only be read by setting it, which is not
// thread-safe and changes it for the whole process meanwhile). A kernel
// that does not report it (older than 4.7): the mask read once, before main,
// while the process has no other thread.
mode_t MaskAtStart()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask & 0777);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

const mode_t kCreationMask = MaskAtStart();

// The permissions a plainly created file would get.
mode_t CreationMode()
{
    return 0666 & ~kCreationMask;
}

// The file a path names once its symbolic links are followed (a link to a
// link too; a relative target counts from the link's folder), or "" when the
// links go round. The file itself need not exist.
std::string FinalTarget(const std::string& path, std::string& error)
{
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            error = length < 0 ? std::strerror(errno) : "the link changed while it was read";
            return {};
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        current = !next.empty() && next[0] == '/' ? next : FolderPart(current) + next;
    }
    error = std::strerror(ELOOP);
    return {};
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes, std::string& error)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            error = wrote < 0 ? std::strerror(errno) : "the disk took nothing more";
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

class PosixFiles final : public FileSystem {
public:
    PosixFiles() = default;
    ~PosixFiles() override
    {
        for (const auto& [id, descriptor] : files_)
            ::close(descriptor);
    }
    PosixFiles(const PosixFiles&) = delete;
    PosixFiles& operator=(const PosixFiles&) = delete;

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
    std::uint64_t next_ = 1;
    std::map<std::uint64_t, int> files_;  // descriptors
};

}  // namespace

std::optional<FileStamp> StampOfPath(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return StampOfInfo(info);
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return {argv, argv + argc};
}

void AttachTextOutput() {}

FileSystem& SystemFiles()
{
    static PosixFiles files;
    return files;
}

std::string PosixFiles::CurrentFolder()
{
    std::string folder;
    std::array<char, 4096> buffer{};
    if (::getcwd(buffer.data(), buffer.size()) != nullptr)
        folder = buffer.data();
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::string PosixFiles::AbsolutePath(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    return CurrentFolder() + path;
}

PathKind PosixFiles::KindOf(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return PathKind::None;
    return S_ISREG(info.st_mode) ? PathKind::File : S_ISDIR(info.st_mode) ? PathKind::Folder
                                                                          : PathKind::Other;
}

std::vector<FolderEntry> PosixFiles::ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    const std::string path = folder.empty() ? "." : folder;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return entries;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = path + (path.back() == '/' ? "" : "/") + name;
        entries.push_back({name, KindOf(full) == PathKind::Folder});
    }
    ::closedir(dir);
    return entries;
}

bool PosixFiles::ListFiles(const std::string& folder, std::vector<StampedFile>& files,
                           std::string& error)
{
    files.clear();
    const std::string path = folder.empty() ? "." : folder;
    // The folder open once; each entry looked at relative to it, so a folder
    // renamed meanwhile is still the one listed and no path is built.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        error = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        // readdir's type spares a look at what is surely no file; an unknown
        // type (some file systems give none) and links are looked at.
        if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        struct stat info {};
        if (::fstatat(fd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode))
            files.push_back({entry->d_name, StampOfInfo(info)});
        errno = 0;  // a file gone since readdir saw it is simply not listed
    }
    const int failed = errno;
    ::closedir(dir);  // closes fd
    if (failed != 0) {
        error = std::strerror(failed);
        files.clear();
        return false;
    }
    return true;
}

bool PosixFiles::MakeFolders(const std::string& folder, std::string& error)
{
    if (folder.empty() || KindOf(folder) == PathKind::Folder)
        return true;
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::string parent = FolderPart(trimmed);
    if (!parent.empty() && parent != trimmed && !MakeFolders(parent, error))
        return false;
    if (::mkdir(trimmed.c_str(), 0777) != 0 && errno != EEXIST) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

std::uint64_t PosixFiles::OpenForRead(const std::string& path, std::string& error)
{
    // Non-blocking open, so that a named pipe cannot hang the window; only
    // regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = std::strerror(errno);
        return 0;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return 0;
    }
    const std::uint64_t id = next_++;
    files_[id] = fd;
    return id;
}

FileStamp PosixFiles::StampOf(std::uint64_t file)
{
    const auto it = files_.find(file);
    struct stat info {};
    if (it == files_.end() || ::fstat(it->second, &info) != 0)
        return {};
    return StampOfInfo(info);
}

std::int64_t PosixFiles::Read(std::uint64_t file, std::uint8_t* into, std::int64_t count,
                              std::string& error)
{
    const auto it = files_.find(file);
    if (it == files_.end() || into == nullptr || count <= 0)
        return 0;
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(it->second, into + done, static_cast<std::size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = std::strerror(errno);
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void PosixFiles::Close(std::uint64_t file)
{
    const auto it = files_.find(file);
    if (it == files_.end())
        return;
    ::close(it->second);
    files_.erase(it);
}

bool PosixFiles::ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                             std::string& error)
{
    // A link stays a link: the file it leads to is the one replaced, and the
    // replacement keeps that file's permissions (and owner, where allowed).
    const std::string target = FinalTarget(path, error);
    if (target.empty())
        return false;
    struct stat replaced {};
    const bool exists = ::stat(target.c_str(), &replaced) == 0;

    std::string temporary = FolderPart(target) + "." + FileNamePart(target) + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::string("cannot write in the folder: ") + std::strerror(errno);
        return false;
    }
    temporary = name.data();

    bool ok = WriteAll(fd, bytes, error);
    if (ok && ::fsync(fd) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok && exists && (replaced.st_uid != ::geteuid() || replaced.st_gid != ::getegid()))
        (void)!::fchown(fd, replaced.st_uid, replaced.st_gid);
    if (ok && ::fchmod(fd, exists ? replaced.st_mode & 07777 : CreationMode()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

}  // namespace vx
