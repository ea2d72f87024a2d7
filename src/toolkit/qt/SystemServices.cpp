// The system's services on Linux: POSIX, and OpenSSL's libcrypto for the
// digest (it uses the processor's SHA instructions: a 2 MB saved game takes
// under 2 ms, where Qt's own SHA-256 takes about 30).
#include "toolkit/SystemServices.h"

#include <openssl/evp.h>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "toolkit/Text.h"

namespace vx {

Sha256Digest Sha256(std::span<const std::uint8_t> bytes)
{
    Sha256Digest digest{};
    unsigned int length = 0;
    // Cannot fail for SHA-256 short of running out of memory; the digest
    // then stays zero, which matches no file.
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

std::string UserDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/') {
            const passwd* user = ::getpwuid(::getuid());
            home = user != nullptr ? user->pw_dir : nullptr;
        }
        if (home == nullptr || home[0] != '/')
            return {};
        base = std::string(home) + "/.local/share";
    }
    if (base.back() != '/')
        base += '/';
    return base + "vxanalyser/";
}

bool MakePrivateFolders(const std::string& folder, std::string& error)
{
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    struct stat info {};
    if (::stat(trimmed.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        error = trimmed + " is not a folder";
        return false;
    }
    const std::string parent = FolderPart(trimmed);
    if (!parent.empty() && parent != "/" && !MakePrivateFolders(parent, error))
        return false;
    if (::mkdir(trimmed.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make the folder " + trimmed + " (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

std::optional<PathStamp> StampOfPath(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    PathStamp stamp;
    stamp.size = info.st_size;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.modifiedNs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return stamp;
}

bool RenamePath(const std::string& from, const std::string& to, std::string& error)
{
    // A hard link fails when the name is taken, and the old name is then
    // removed: nothing is ever replaced. Folders cannot be linked: they are
    // renamed after the same check.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        error = to + " exists already";
        return false;
    }
    if (::lstat(from.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return true;
        }
        if (errno == EEXIST) {
            error = to + " exists already";
            return false;
        }
        // A file system without links: renamed after the check above.
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

std::string SystemErrorText(int code)
{
    return std::strerror(code);
}

bool ErrorOutputIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int)
{
    interrupted = 1;
}

}  // namespace

void CatchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // reads and writes in progress carry on
    ::sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested()
{
    return interrupted != 0;
}

}  // namespace vx
