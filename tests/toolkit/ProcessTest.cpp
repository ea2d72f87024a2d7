// What the platform does to the process as a whole on Linux: the interrupt
// key ends a wait for the input whenever it comes, and files are created
// without the process's file creation mask ever being changed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "support/TestSupport.h"
#include "toolkit/FileSystem.h"
#include "toolkit/SystemServices.h"

namespace {

// Every change of the file creation mask made in this program: this
// umask() stands in for the C library's for all the code linked into it.
std::atomic<int> maskChanges{0};

}  // namespace

extern "C" mode_t umask(mode_t mask)
{
    const auto previous = static_cast<mode_t>(::syscall(SYS_umask, mask));
    if (previous != mask)
        ++maskChanges;
    return previous;
}

namespace vx {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

// The state of a thread of this process as the kernel reports it ('S': it
// sleeps in a system call).
char StateOf(pid_t thread)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
}

TEST(Interrupts, TheKeyEndsAWaitForTheInputWhicheverThreadItReachesAndWhenever)
{
    // An input that never ends by itself: a pipe whose writer stays open.
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    const int savedInput = ::dup(STDIN_FILENO);
    ASSERT_EQ(::dup2(input[0], STDIN_FILENO), STDIN_FILENO);
    CatchInterrupts();

    // The waiting thread never takes the signal itself: the key reaches
    // another thread while the wait sleeps, which is what a key pressed
    // between the flag's test and the wait amounts to.
    std::atomic<pid_t> waiter{0};
    auto wait = std::async(std::launch::async, [&] {
        sigset_t interrupt;
        sigemptyset(&interrupt);
        sigaddset(&interrupt, SIGINT);
        pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
        waiter = static_cast<pid_t>(::syscall(SYS_gettid));
        return WaitForEndOfInput(3'600'000);
    });
    while (waiter == 0)
        std::this_thread::yield();
    for (int look = 0; look < 30'000 && StateOf(waiter) != 'S'; ++look)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
    EXPECT_TRUE(InterruptRequested());
    // Nothing else ends the wait before its hour: a wait the key does not
    // end outlasts the test's time limit.
    EXPECT_EQ(wait.get(), InputWait::Interrupted);

    // The key pressed before a wait ends it at once, as interrupted, even
    // when the input has ended meanwhile.
    ::close(input[1]);
    EXPECT_EQ(WaitForEndOfInput(3'600'000), InputWait::Interrupted);

    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ::close(input[0]);
}

TEST(CreationMask, NewFilesTakeTheMaskAndTheProcessNeverSeesItChanged)
{
    const int changesBefore = maskChanges.load();
    TempFolder folder;
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    std::string error;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(SystemFiles().ReplaceFile(folder / name, bytes, error)) << error;
    EXPECT_EQ(maskChanges.load(), changesBefore);

    // The permissions a file made plainly by the system gets here.
    const int plain = ::open((folder / "plain").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(plain, 0);
    ::close(plain);
    struct stat made {}, expected {};
    ASSERT_EQ(::stat((folder / "a.jpg").c_str(), &made), 0);
    ASSERT_EQ(::stat((folder / "plain").c_str(), &expected), 0);
    EXPECT_EQ(made.st_mode & 07777, expected.st_mode & 07777);
}

}  // namespace
}  // namespace vx
