#include "toolkit/FileReplace.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "toolkit/Text.h"

namespace vx {

namespace {

// The permissions a plainly created file would get.
mode_t CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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

}  // namespace

bool ReplaceFileWith(const std::string& path,
                     const std::function<bool(std::FILE*, std::string& error)>& write,
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
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }

    bool ok = write(file, error);
    if (ok && (std::fflush(file) != 0 || std::ferror(file) != 0 || ::fsync(fileno(file)) != 0)) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok && exists && (replaced.st_uid != ::geteuid() || replaced.st_gid != ::getegid()))
        (void)!::fchown(fileno(file), replaced.st_uid, replaced.st_gid);
    if (ok && ::fchmod(fileno(file), exists ? replaced.st_mode & 07777 : CreationMode()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
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
