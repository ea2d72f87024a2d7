// The system's services on Linux: POSIX, and OpenSSL's libcrypto for the
// digest (it uses the processor's SHA instructions: a 2 MB saved game takes
// under 2 ms, where Qt's own SHA-256 takes about 30).
#include "toolkit/SystemServices.h"

#include <openssl/evp.h>

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
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

// Set by the handler, on whichever thread the signal lands; a lock-free
// atomic is safe to set there and seen by every thread.
std::atomic<int> interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);
// The interrupt's own pipe: the handler writes a byte to it, and a wait
// watches its other end beside the standard input. Whichever thread the
// signal lands on, and whenever it lands (between the flag's test and the
// wait too), the wait sees it at once. -1 until CatchInterrupts.
int interruptPipe[2] = {-1, -1};

extern "C" void NoteInterrupt(int)
{
    const int saved = errno;
    interrupted = 1;
    if (interruptPipe[1] >= 0)
        (void)!::write(interruptPipe[1], "!", 1);  // non-blocking: a full pipe has been told already
    errno = saved;
}

}  // namespace

void CatchInterrupts()
{
    if (interruptPipe[0] < 0 && ::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        interruptPipe[0] = interruptPipe[1] = -1;  // the flag alone, looked at between steps
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

InputWait WaitForEndOfInput(int milliseconds)
{
    static bool ended = false;
    static bool absent = false;  // no standard input at all
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        // The interrupt first: the key pressed as the input ends still
        // stops the work as interrupted.
        if (interrupted != 0)
            return InputWait::Interrupted;
        if (ended)
            return InputWait::Ended;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return InputWait::TimedOut;
        // A negative descriptor is left out of the poll.
        pollfd watched[2] = {{absent ? -1 : STDIN_FILENO, POLLIN, 0}, {interruptPipe[0], POLLIN, 0}};
        const int ready = ::poll(watched, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR && errno != EAGAIN)
            absent = true;
        if (ready <= 0 || watched[1].revents != 0)
            continue;  // a byte of the interrupt's pipe: the flag is set
        if ((watched[0].revents & POLLNVAL) != 0) {
            absent = true;
            continue;
        }
        char dropped[4096];
        const ssize_t got = ::read(STDIN_FILENO, dropped, sizeof dropped);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            ended = true;
    }
}

}  // namespace vx
