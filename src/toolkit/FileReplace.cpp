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

}  // namespace

bool ReplaceFileWith(const std::string& path,
                     const std::function<bool(std::FILE*, std::string& error)>& write,
                     std::string& error)
{
    std::string temporary = FolderPart(path) + "." + FileNamePart(path) + ".XXXXXX";
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
    if (ok && ::fchmod(fileno(file), CreationMode()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

}  // namespace vx
