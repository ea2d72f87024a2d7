// "vxanalyser follow" as a shell runs it, on a real folder: its refusals of
// wrong words and folders, and one run that follows a hostile file and a
// saved game written slowly. The run waits on what the program prints, each
// wait bounded; it asserts what the program guarantees, however late either
// process happens to act.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "fixtures/RaceFiles.h"
#include "history/Database.h"
#include "history/RaceRecord.h"
#include "support/TestSupport.h"
#include "toolkit/SystemServices.h"

extern char** environ;

namespace vx {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;
using test::TempFolder;
using test::WriteFile;

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The program started with its output and errors in files and its input a
// pipe the test holds open until it closes it.
class Follower {
public:
    Follower(std::vector<std::string> words, const std::string& outputs)
        : out_(outputs + ".out"), err_(outputs + ".err")
    {
        words.insert(words.begin(), VX_BINARY);
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        int input[2];
        if (::pipe2(input, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, VX_BINARY, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        input_ = input[1];
    }
    ~Follower()
    {
        CloseInput();
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    bool Started() const { return pid_ > 0; }
    std::string Out() const { return Slurp(out_); }
    std::string Err() const { return Slurp(err_); }
    void CloseInput()
    {
        if (input_ >= 0)
            ::close(input_);
        input_ = -1;
    }
    // The exit status once the program has ended, else -1.
    int Status()
    {
        int status = 0;
        if (status_ < 0 && ::waitpid(pid_, &status, WNOHANG) == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }

private:
    std::string out_, err_;
    pid_t pid_ = -1;
    int input_ = -1;
    int status_ = -1;
};

// Waits until the condition holds, at most bound; whether it came to hold.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds bound = 120s)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

int RacesIn(const std::string& history)
{
    Database db;
    if (!db.Open(history, Database::Mode::ReadOnly))
        return -1;
    Statement count = db.Cached("SELECT count(*) FROM race");
    return count.Step() ? static_cast<int>(count.ColumnInt64(0)) : -1;
}

TEST(FollowCommand, WrongWordsAndFoldersThatCannotBeFollowedAreRefused)
{
    TempFolder root;
    WriteFile(root / "file.gam", {1, 2, 3});
    const struct {
        std::vector<std::string> words;
        int status;
        std::string says;
    } cases[] = {
        {{"follow"}, 2, "follow needs a folder"},
        {{"follow", root.Folder(), "--csv"}, 2, "unknown option --csv"},
        {{"follow", root.Folder(), "--no-history", "--history", root / "h"}, 2, "do not go together"},
        {{"follow", root / "none", "--no-history"}, 3, "cannot follow " + root / "none" + ": there is no such folder"},
        {{"follow", root / "file.gam", "--no-history"}, 3, "it is not a folder"},
    };
    for (const auto& c : cases) {
        Follower run(c.words, root / "run");
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(WaitUntil([&] { return run.Status() >= 0; }));
        EXPECT_EQ(run.Status(), c.status) << c.words.back();
        EXPECT_THAT(run.Err(), HasSubstr(c.says));
        EXPECT_EQ(run.Out(), "");
    }
}

// The lines printed, each parsed.
std::vector<nlohmann::json> Races(const std::string& out)
{
    std::vector<nlohmann::json> races;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        races.push_back(nlohmann::json::parse(line));  // one object on each line
    return races;
}

// Whether a half-written file is ever taken depends on how fast the writer
// happens to run, which the test does not control (the follower's rule is
// tested with a clock of its own): what is asserted here holds however late
// either process acts.
TEST(FollowCommand, EverySavedGameIsPrintedOnceWholeOldestFirstAfterAHostileOneWasRefused)
{
    TempFolder root;
    std::filesystem::create_directories(root / "Tracks");
    std::filesystem::create_directories(root / "Saves");
    WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
    WriteFile(root / "Saves/before.gam", test::CupGame("Oval", 2).Build());
    const std::string history = root / "history.sqlite3";
    Follower run({"follow", root / "Saves", "--json", "--history", history}, root / "follow");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitUntil([&] { return run.Err().find("following") != std::string::npos; })) << run.Err();

    WriteFile(root / "Saves/broken.gam", std::vector<std::uint8_t>(300, 0xEE));
    ASSERT_TRUE(WaitUntil([&] { return run.Err().find("broken.gam") != std::string::npos; })) << run.Err();

    // A saved game written in ten steps, as a slow disk would.
    const std::vector<std::uint8_t> game = test::CupGame("Oval", 5).Build();
    const std::string whole = KeyHex(Sha256(game));
    const std::size_t steps = 10, step = (game.size() + steps - 1) / steps;
    {
        std::ofstream out(root / "Saves/race.gam", std::ios::binary);
        for (std::size_t at = 0; at < game.size(); at += step) {
            if (at > 0)
                std::this_thread::sleep_for(100ms);
            out.write(reinterpret_cast<const char*>(game.data() + at),
                      static_cast<std::streamsize>(std::min(step, game.size() - at)));
            out.flush();
        }
    }
    const auto printed = [&](const std::string& key) {
        const auto races = Races(run.Out());
        return std::count_if(races.begin(), races.end(), [&](const nlohmann::json& r) { return r["race_key"] == key; });
    };
    ASSERT_TRUE(WaitUntil([&] { return printed(whole) == 1; })) << run.Out() << run.Err();

    // Two saved games copied in at once, the older one named last: both
    // printed, oldest first.
    const std::vector<std::uint8_t> older = test::CupGame("Oval", 3).Build(), newer = test::CupGame("Oval", 4).Build();
    const auto now = std::filesystem::file_time_type::clock::now();
    WriteFile(root / "Saves/z-older.gam", older);
    std::filesystem::last_write_time(root / "Saves/z-older.gam", now - 3s);
    WriteFile(root / "Saves/a-newer.gam", newer);
    std::filesystem::last_write_time(root / "Saves/a-newer.gam", now - 2s);
    ASSERT_TRUE(WaitUntil([&] { return printed(KeyHex(Sha256(newer))) == 1; })) << run.Out() << run.Err();
    run.CloseInput();  // the end of the input ends following
    ASSERT_TRUE(WaitUntil([&] { return run.Status() >= 0; }));
    EXPECT_EQ(run.Status(), 0);

    const std::vector<nlohmann::json> races = Races(run.Out());
    ASSERT_GE(races.size(), 3u) << run.Out();
    // A step taken while the writer was slow is refused or printed as what
    // it was; the whole file is printed once, after it.
    const nlohmann::json& race = races[races.size() - 3];
    EXPECT_EQ(race["race_key"], whole);
    EXPECT_EQ(race["file"], "race.gam");
    EXPECT_EQ(race["track"], "Oval");
    EXPECT_EQ(race["laps"], 5);
    EXPECT_TRUE(race["personal_best_s"].is_null()) << "nothing before it on the track";
    EXPECT_TRUE(race["gap_s"].is_null());
    for (std::size_t k = 0; k + 3 < races.size(); ++k)
        EXPECT_EQ(races[k]["file"], "race.gam");
    EXPECT_EQ(races[races.size() - 2]["file"], "z-older.gam");
    EXPECT_EQ(races[races.size() - 2]["race_key"], KeyHex(Sha256(older)));
    EXPECT_EQ(races.back()["file"], "a-newer.gam");
    EXPECT_FALSE(races.back()["gap_s"].is_null()) << "measured against the races before it";
    EXPECT_EQ(RacesIn(history), static_cast<int>(races.size()));
    EXPECT_THAT(run.Err(), Not(HasSubstr("before.gam")));
}

}  // namespace
}  // namespace vx
