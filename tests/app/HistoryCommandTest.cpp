// "vxanalyser history" run as the user runs it: the shapes of its JSON and
// CSV, its exit statuses, and several processes at once (one killed, one
// interrupted, two adding the same folder). The processes' tests assert only
// what the program guarantees, whenever the other process happens to act.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "fixtures/RaceFiles.h"
#include "history/Database.h"
#include "history/HistoryChecks.h"
#include "support/TestSupport.h"

extern char** environ;

namespace vx {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using test::TempFolder;
using test::WriteFile;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A started program: its standard output and error go to files.
class Child {
public:
    Child(const std::vector<std::string>& args, const std::string& outputs, std::vector<std::string> env = {})
        : out_(outputs + ".out"), err_(outputs + ".err")
    {
        std::vector<std::string> words = {VX_BINARY};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        for (char** e = environ; *e != nullptr; ++e)
            env.emplace_back(*e);  // the test's own come first and win
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (posix_spawn(&pid_, VX_BINARY, &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ > 0 && !done_) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }
    bool Started() const { return pid_ > 0; }
    // True once the program has ended (its outcome is then kept).
    bool Ended()
    {
        if (done_)
            return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            Keep(status);
        return done_;
    }
    void Signal(int signal) { ::kill(pid_, signal); }
    Outcome Wait()
    {
        int status = 0;
        while (!done_ && ::waitpid(pid_, &status, 0) == pid_) {
            Keep(status);
        }
        return {status_, Slurp(out_), Slurp(err_)};
    }

private:
    void Keep(int status)
    {
        done_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string out_, err_;
    pid_t pid_ = -1;
    bool done_ = false;
    int status_ = -1;
};

// Many varied races on the demo track, made once for all the tests.
class GeneratedRaces {
public:
    static const GeneratedRaces& Get()
    {
        static const GeneratedRaces races;
        return races;
    }
    // Copies the first n races and the track into folder (Saves/, Tracks/).
    void CopyInto(const std::string& folder, int n) const
    {
        fs::create_directories(folder + "/Saves");
        fs::create_directories(folder + "/Tracks");
        fs::copy_file(root_ / "Tracks/Kestrelvale.trk", folder + "/Tracks/Kestrelvale.trk");
        for (int i = 1; i <= n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "race-%04d.gam", i);
            const std::string from = root_ / ("Saves/" + std::string(name));
            fs::copy_file(from, folder + "/Saves/" + name, fs::copy_options::overwrite_existing);
            fs::last_write_time(folder + "/Saves/" + name, fs::last_write_time(from));
        }
    }

private:
    GeneratedRaces()
    {
        const std::string command = std::string(VX_MAKE_DEMO) + " " + root_.Folder() + " --races 150";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("make_demo failed");
    }
    TempFolder root_;
};

// The number of races in the history (0 while there is none), read as a
// second program would while another writes.
int RacesIn(const std::string& history)
{
    if (!fs::exists(history))
        return 0;
    Database db;
    if (!db.Open(history, Database::Mode::ReadOnly))
        return 0;
    Statement count = db.Cached("SELECT count(*) FROM race");
    return count.Step() ? static_cast<int>(count.ColumnInt64(0)) : 0;
}

using Json = nlohmann::ordered_json;  // parsed with the members in the order printed

// The members' names of a JSON object, in order.
std::vector<std::string> Members(const Json& object)
{
    std::vector<std::string> names;
    for (const auto& member : object.items())
        names.push_back(member.key());
    return names;
}

// The characters before the first digit of a date ("2026-") on a line of
// UTF-8 text.
std::size_t DateColumn(const std::string& line)
{
    const std::string before = line.substr(0, line.find("2026-"));
    return static_cast<std::size_t>(std::count_if(before.begin(), before.end(),
                                                  [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string FirstMatch(const std::string& text, const std::string& pattern)
{
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : std::string("(none)");
}

class HistoryCommand : public testing::Test {
protected:
    Outcome Vx(std::vector<std::string> args, bool withHistory = true, std::vector<std::string> env = {})
    {
        if (withHistory) {
            args.push_back("--history");
            args.push_back(history);
        }
        Child child(args, root / "run", std::move(env));
        EXPECT_TRUE(child.Started());
        return child.Wait();
    }
    TempFolder root;
    std::string history = root / "h/history.sqlite3";
};

TEST_F(HistoryCommand, TracksAndATracksRacesInTheirShapes)
{
    GeneratedRaces::Get().CopyInto(root / "races", 12);
    const Outcome add = Vx({"history", "add", root / "races"});
    EXPECT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.out, "Recorded 12, already known 0, refused 0\n");

    const Outcome tracks = Vx({"history", "--json"});
    EXPECT_EQ(tracks.status, 0);
    const Json listed = Json::parse(tracks.out);
    EXPECT_EQ(Members(listed), std::vector<std::string>{"tracks"});
    ASSERT_EQ(listed["tracks"].size(), 1u);
    const Json& track = listed["tracks"][0];
    EXPECT_EQ(Members(track), (std::vector<std::string>{"name", "layout_key", "races", "personal_best_s",
                                                        "personal_best_race", "personal_best_date", "cars",
                                                        "drivers"}));
    EXPECT_EQ(track["name"], "Kestrelvale");
    EXPECT_EQ(track["races"], 12);
    const std::regex date(R"(2026-01-\d\dT\d\d:\d\d:\d\dZ)");
    EXPECT_TRUE(std::regex_match(track["personal_best_date"].get<std::string>(), date)) << track;
    // Each car with its personal best's race and date, its name decoded
    // from the files as shown.
    std::vector<std::string> cars;
    for (const Json& car : track["cars"]) {
        EXPECT_EQ(Members(car), (std::vector<std::string>{"car", "races", "personal_best_s", "personal_best_race",
                                                          "personal_best_date"}));
        EXPECT_TRUE(std::regex_match(car["personal_best_date"].get<std::string>(), date)) << car;
        cars.push_back(car["car"]);
    }
    EXPECT_THAT(cars, testing::Contains("V\xC3\xA9lo Sport"));
    // Each driver's own personal best, and per car within the driver: the
    // races of the drivers add up to the track's.
    std::size_t driverLines = 0;
    int driverRaces = 0;
    for (const Json& driver : track["drivers"]) {
        EXPECT_EQ(Members(driver), (std::vector<std::string>{"driver", "races", "personal_best_s",
                                                             "personal_best_race", "personal_best_date", "cars"}));
        driverRaces += driver["races"].get<int>();
        driverLines += 1 + driver["cars"].size();
        double fastestCar = 1e9;
        for (const Json& car : driver["cars"])
            fastestCar = std::min(fastestCar, car["personal_best_s"].get<double>());
        EXPECT_EQ(driver["personal_best_s"].get<double>(), fastestCar) << driver;
    }
    EXPECT_EQ(driverRaces, 12);
    EXPECT_GE(track["drivers"].size(), 2u) << "the generated races are of two players";
    // The readable table keeps its columns whatever the names' letters.
    const Outcome table = Vx({"history"});
    std::istringstream lines(table.out);
    std::vector<std::size_t> columns;
    for (std::string line; std::getline(lines, line);)
        if (line.find("2026-") != std::string::npos)
            columns.push_back(DateColumn(line));
    ASSERT_EQ(columns.size(), 1 + driverLines) << table.out;
    EXPECT_EQ(std::count(columns.begin(), columns.end(), columns[0]), std::ssize(columns)) << table.out;

    const Outcome races = Vx({"history", "KESTRELVALE", "--json"});
    EXPECT_EQ(races.status, 0) << races.err;
    const Json progress = Json::parse(races.out);
    EXPECT_EQ(Members(progress), (std::vector<std::string>{"track", "races", "standings"}));
    EXPECT_EQ(Members(progress["track"]),
              (std::vector<std::string>{"name", "layout_key", "personal_best_s", "personal_bests"}));
    EXPECT_EQ(progress["track"]["personal_bests"].size(), track["drivers"].size());
    ASSERT_EQ(progress["races"].size(), 12u);
    const Json& first = progress["races"][0];
    EXPECT_EQ(Members(first), (std::vector<std::string>{"race_key", "date", "file", "folder", "file_present",
                                                        "driver", "car", "laps", "best_lap", "best_s", "clean_laps",
                                                        "clean_mean_s", "pb"}));
    // In date order: race-0001 first; the first race sets the personal best.
    EXPECT_EQ(first["file"], "race-0001.gam");
    EXPECT_EQ(first["pb"], true);
    EXPECT_EQ(first["file_present"], true);

    // A race's own figures are the report's.
    const Outcome report = Vx({"report", root / "races/Saves/race-0001.gam", "--json"}, false);
    ASSERT_EQ(report.status, 0);
    const Json analysis = Json::parse(report.out)["analysis"];
    const int reference = analysis["reference_lap"];
    EXPECT_EQ(first["best_lap"], reference);
    EXPECT_EQ(first["best_s"], analysis["laps"][reference - 1]["precise_s"]);
    EXPECT_EQ(first["clean_laps"], analysis["clean_laps"]["count"]);
    EXPECT_EQ(first["clean_mean_s"], analysis["clean_laps"]["mean_s"]);

    const Outcome csv = Vx({"history", track["layout_key"].get<std::string>().substr(0, 8), "--csv"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n") + 2),
              "race_key,date,file,folder,file_present,driver,car,laps,best_lap,best_s,clean_laps,"
              "clean_mean_s,pb\r\n");
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 13);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\r'), 13);
    const Outcome trackCsv = Vx({"history", "--csv"});
    EXPECT_EQ(trackCsv.out.substr(0, trackCsv.out.find("\r\n")),
              "name,layout_key,driver,car,races,personal_best_s,personal_best_race,personal_best_date");
    EXPECT_EQ(std::count(trackCsv.out.begin(), trackCsv.out.end(), '\n'), 2 + std::ssize(cars) + static_cast<std::ptrdiff_t>(driverLines));
}

TEST_F(HistoryCommand, RefusedFilesAreNamedTheRestRecordedAndStatusesSayWhatHappened)
{
    GeneratedRaces::Get().CopyInto(root / "races", 3);
    WriteFile(root / "races/Saves/bad.gam", std::vector<std::uint8_t>(100, 0xee));
    WriteFile(root / "races/Saves/nolap.gam", test::CupGame("Oval", 0).Build());
    WriteFile(root / "races/Saves/lost.gam", test::CupGame("Nowhere").Build());
    WriteFile(root / "races/Tracks/Oval.trk", test::OvalTrack().Build());
    WriteFile(root / "races/Saves/notes.txt", {'h', 'i'});  // not a saved game: not looked at

    const Outcome add = Vx({"history", "add", root / "races", root / "missing.gam"});
    EXPECT_EQ(add.status, 3);
    EXPECT_EQ(add.out, "Recorded 3, already known 0, refused 4\n");
    EXPECT_THAT(add.err, HasSubstr("bad.gam: Saved game damaged: bad.gam"));
    EXPECT_THAT(add.err, HasSubstr("nolap.gam: Not recorded: nolap.gam (the race has no lap)"));
    EXPECT_THAT(add.err, HasSubstr("lost.gam: Track not found: Nowhere.trk"));
    EXPECT_THAT(add.err, HasSubstr("missing.gam: Saved game not found: missing.gam"));
    EXPECT_THAT(add.err, testing::Not(HasSubstr("notes.txt")));
    const Outcome again = Vx({"history", "add", root / "races"});
    EXPECT_EQ(again.status, 3);
    EXPECT_EQ(again.out, "Recorded 0, already known 3, refused 3\n");

    for (const auto& args : std::vector<std::vector<std::string>>{{"history", "--json", "--csv"},
                                                                  {"history", "forget", "abc"},
                                                                  {"history", "forget", "0123456z"},
                                                                  {"history", "add"},
                                                                  {"history", "add", root / "races", "--json"},
                                                                  {"history", "one", "two"},
                                                                  {"history", "--bogus"}}) {
        const Outcome run = Vx(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_THAT(run.err, HasSubstr("usage:"));
        EXPECT_EQ(run.out, "");
    }
    const Outcome noTrack = Vx({"history", "Saltmarsh"});
    EXPECT_EQ(noTrack.status, 3);
    EXPECT_THAT(noTrack.err, HasSubstr("no track Saltmarsh in the history"));

    const Outcome list = Vx({"history", "kestrelvale", "--csv"});
    const std::string key = FirstMatch(list.out, "\r\n([0-9a-f]{10})");
    const Outcome forget = Vx({"history", "forget", key});
    EXPECT_EQ(forget.status, 0) << forget.err;
    EXPECT_THAT(forget.out, HasSubstr("Forgot race " + key.substr(0, 8) + " (Kestrelvale, race-000"));
    EXPECT_EQ(Vx({"history", "forget", key}).status, 3);
    EXPECT_EQ(Json::parse(Vx({"history", "--json"}).out)["tracks"][0]["races"], 2);

    fs::create_directories(root / "in-the-way.sqlite3");
    const Outcome unavailable = Vx({"history", "add", root / "races", "--history", root / "in-the-way.sqlite3"}, false);
    EXPECT_EQ(unavailable.status, 3);
    EXPECT_THAT(unavailable.err, HasSubstr("History unavailable: "));
}

TEST_F(HistoryCommand, AFileSeenBeforeIsNotReadAgainUntilItsStampChanges)
{
    GeneratedRaces::Get().CopyInto(root / "races", 2);
    ASSERT_EQ(Vx({"history", "add", root / "races"}).status, 0);
    // Other bytes of the same length written in place, its time put back:
    // read again, they would be another race.
    const std::string game = root / "races/Saves/race-0001.gam";
    const auto time = fs::last_write_time(game);
    std::vector<std::uint8_t> bytes = test::ReadFile(game);
    bytes[bytes.size() - 18 * 50] ^= 1;  // a sample after the flag
    {
        std::fstream out(game, std::ios::binary | std::ios::in | std::ios::out);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    fs::last_write_time(game, time);
    EXPECT_EQ(Vx({"history", "add", root / "races"}).out, "Recorded 0, already known 2, refused 0\n");
    fs::last_write_time(game, time + std::chrono::seconds(1));
    EXPECT_EQ(Vx({"history", "add", root / "races"}).out, "Recorded 1, already known 1, refused 0\n");
}

TEST_F(HistoryCommand, LivesInTheUsersDataFolderAndOnlyHistoryWritesIt)
{
    GeneratedRaces::Get().CopyInto(root / "races", 1);
    const std::string game = root / "races/Saves/race-0001.gam";
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + (root / "data"), "QT_QPA_PLATFORM=offscreen"};
    EXPECT_EQ(Vx({"report", game}, false, env).status, 0);
    EXPECT_EQ(Vx({"samples", game}, false, env).status, 0);
    EXPECT_EQ(Vx({"render", game, "--out", root / "out"}, false, env).status, 0);
    EXPECT_EQ(Vx({"history"}, false, env).status, 0);  // nothing to show: nothing made
    EXPECT_FALSE(fs::exists(root / "data"));

    EXPECT_EQ(Vx({"history", "add", game}, false, env).status, 0);
    EXPECT_TRUE(fs::exists(root / "data/vxanalyser/history.sqlite3"));
    struct stat info {};
    ASSERT_EQ(::stat((root / "data/vxanalyser").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_THAT(Vx({"history"}, false, env).out, HasSubstr("Kestrelvale"));
}

// --- Several processes ------------------------------------------------------------------------

// Waits (without a time limit: the child ends by itself) until the history
// holds a race or the child has ended.
void UntilARaceOrTheEnd(Child& child, const std::string& history)
{
    while (!child.Ended() && RacesIn(history) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

int Recorded(const std::string& summary)
{
    return std::atoi(FirstMatch(summary, R"(Recorded (\d+))").c_str());
}

int Known(const std::string& summary)
{
    return std::atoi(FirstMatch(summary, R"(already known (\d+))").c_str());
}

TEST_F(HistoryCommand, AProcessKilledWhileAddingLeavesEveryRaceItCommittedWhole)
{
    // 64 races (two whole groups of 32), then a thousand damaged saved games,
    // then 86 races more. The add's error output is a pipe nobody reads:
    // naming the damaged files fills it, and the add stops there, in the
    // middle, whatever the machine's speed, with the 64 races committed.
    GeneratedRaces::Get().CopyInto(root / "races", 150);
    for (int i = 0; i < 1000; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "race-0064x-%04d.gam", i);
        WriteFile(root / ("races/Saves/" + std::string(name)), std::vector<std::uint8_t>(100, 0xee));
    }
    const std::string errors = root / "killed.err";
    ASSERT_EQ(::mkfifo(errors.c_str(), 0600), 0);
    const int reader = ::open(errors.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    {
        Child add({"history", "add", root / "races", "--history", history}, root / "killed");
        ASSERT_TRUE(add.Started());
        while (!add.Ended() && RacesIn(history) < 64)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_FALSE(add.Ended()) << "the add ended though it could not write its error output";
        add.Signal(SIGKILL);
        while (!add.Ended())  // its outputs are not read: the error output is the pipe
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::close(reader);
    int races = 0;
    EXPECT_TRUE(test::EveryRaceWhole(history, races));
    EXPECT_EQ(races, 64);
    // The rest is recorded by the next add, and nothing twice.
    const Outcome rest = Vx({"history", "add", root / "races"});
    EXPECT_EQ(rest.status, 3) << rest.err;  // the damaged ones refused
    EXPECT_EQ(rest.out, "Recorded 86, already known 64, refused 1000\n");
    EXPECT_TRUE(test::EveryRaceWhole(history, races));
    EXPECT_EQ(races, 150);
}

TEST_F(HistoryCommand, TheInterruptKeyStopsAfterTheCurrentFileKeepingWhatWasRecorded)
{
    GeneratedRaces::Get().CopyInto(root / "races", 150);
    Child add({"history", "add", root / "races", "--history", history}, root / "interrupted");
    ASSERT_TRUE(add.Started());
    UntilARaceOrTheEnd(add, history);
    add.Signal(SIGINT);
    const Outcome outcome = add.Wait();
    // Interrupted, or done before the key came.
    ASSERT_TRUE(outcome.status == 130 || outcome.status == 0) << outcome.status << outcome.err;
    if (outcome.status == 130) {
        EXPECT_THAT(outcome.out, HasSubstr("; stopped by the interrupt key after "));
    }
    int races = 0;
    EXPECT_TRUE(test::EveryRaceWhole(history, races));
    EXPECT_EQ(races, Recorded(outcome.out));
    std::printf("[ history ] status %d with %d of 150 races recorded\n", outcome.status, races);
}

TEST_F(HistoryCommand, TwoProcessesAddingTheSameFolderBothFinishWithNoRaceTwice)
{
    GeneratedRaces::Get().CopyInto(root / "races", 60);
    Child first({"history", "add", root / "races", "--history", history}, root / "first");
    Child second({"history", "add", root / "races", "--history", history}, root / "second");
    const Outcome a = first.Wait();
    const Outcome b = second.Wait();
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(Recorded(a.out) + Known(a.out), 60) << a.out;
    EXPECT_EQ(Recorded(b.out) + Known(b.out), 60) << b.out;
    EXPECT_EQ(Recorded(a.out) + Recorded(b.out), 60);
    std::printf("[ history ] recorded %d and %d\n", Recorded(a.out), Recorded(b.out));
    int races = 0;
    EXPECT_TRUE(test::EveryRaceWhole(history, races));
    EXPECT_EQ(races, 60);
}

TEST_F(HistoryCommand, ReportAndRenderReadTheHistoryAgainstTheBestOfTheOtherRacesAndNeverWriteIt)
{
    GeneratedRaces::Get().CopyInto(root / "races", 4);
    ASSERT_EQ(Vx({"history", "add", root / "races"}).status, 0);
    const std::vector<std::uint8_t> before = test::ReadFile(history);
    const std::string game = root / "races/Saves/race-0003.gam";

    // The best lap of the driver's other races, from the history's own list:
    // another player's races never count.
    const Json races = Json::parse(Vx({"history", "Kestrelvale", "--json"}).out)["races"];
    std::string bestKey, ownKey, driver;
    std::optional<double> bestS;
    for (const Json& race : races)
        if (race["file"] == "race-0003.gam")
            ownKey = race["race_key"], driver = race["driver"];
    std::set<std::string> others;
    for (const Json& race : races) {
        if (race["race_key"] == ownKey)
            continue;
        if (race["driver"] != driver)
            others.insert(race["race_key"]);
        else if (!bestS || race["best_s"].get<double>() < *bestS)
            bestKey = race["race_key"], bestS = race["best_s"].get<double>();
    }
    ASSERT_FALSE(others.empty()) << "a race of another player in the history: " << races;
    ASSERT_FALSE(ownKey.empty()) << races;
    ASSERT_TRUE(bestS);

    const Outcome report = Vx({"report", game, "--json", "--against-pb"});
    ASSERT_EQ(report.status, 0) << report.err;
    const Json analysis = Json::parse(report.out)["analysis"];
    const Json& named = analysis["reference_race"];
    EXPECT_EQ(Members(named),
              (std::vector<std::string>{"race_key", "date", "file", "lap", "precise_s", "lap_deltas_s"}));
    EXPECT_EQ(Members(analysis).back(), "reference_race");
    EXPECT_EQ(named["race_key"], bestKey);
    EXPECT_EQ(named["precise_s"], *bestS);
    // Lap 1's time against it: its precise time less the best, to the thousandth.
    const double lap1 = analysis["laps"][0]["precise_s"];
    EXPECT_NEAR(named["lap_deltas_s"][0].get<double>(), lap1 - *bestS, 0.0015);

    const Outcome render = Vx({"render", game, "--history-window", "--out", root / "out"});
    ASSERT_EQ(render.status, 0) << render.err;
    const std::vector<std::uint8_t> png = test::ReadFile(root / "out/history.png");
    ASSERT_GT(png.size(), 24u);
    const auto be32 = [&](std::size_t at) { return png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]; };
    EXPECT_EQ(be32(16), 1010);  // the window's client area
    EXPECT_EQ(be32(20), 720);

    const Outcome againstPb = Vx({"render", game, "--compare", "--against-pb", "--out", root / "pb"});
    EXPECT_EQ(againstPb.status, 0) << againstPb.err;
    EXPECT_TRUE(fs::exists(root / "pb/compare.png"));

    EXPECT_EQ(test::ReadFile(history), before);
    EXPECT_EQ(RacesIn(history), 4);
    EXPECT_EQ(Vx({"report", game, "--against-pb"}).status, 2);  // a JSON member: --json only
    // A history of this race alone holds no personal best from another race.
    const std::string alone = root / "alone.sqlite3";
    ASSERT_EQ(Vx({"history", "add", game, "--history", alone}, false).status, 0);
    const Outcome none = Vx({"render", game, "--compare", "--against-pb", "--history", alone, "--out",
                             root / "none"}, false);
    EXPECT_EQ(none.status, 3);
    EXPECT_THAT(none.err, HasSubstr("compare.png not written (the history holds no best lap of this track from "
                                    "another race)"));
    EXPECT_FALSE(fs::exists(root / "none/compare.png"));
    const Outcome missing = Vx({"render", game, "--history-window", "--history", root / "none.sqlite3", "--out",
                                root / "out"}, false);
    EXPECT_EQ(missing.status, 3);
    EXPECT_THAT(missing.err, HasSubstr("History unavailable"));
    EXPECT_FALSE(fs::exists(root / "none.sqlite3"));
}

// --- Laps of other drivers ----------------------------------------------------------------------

TEST_F(HistoryCommand, LapsOfOtherDriversAreKeptOnceRankedInTheStandingsAndForgotten)
{
    GeneratedRaces::Get().CopyInto(root / "races", 4);
    const std::string saves = root / "races/Saves";
    // A friend's history holds races 1 and 2; their best lap comes as a file.
    const std::string friends = root / "friend.sqlite3";
    ASSERT_EQ(Vx({"history", "add", saves + "/race-0001.gam", saves + "/race-0002.gam", "--history", friends}, false)
                  .status,
              0);
    const std::string ada = root / "ada.vxlap";
    const Outcome exported = Vx({"lap", "export", "--best", "kestrelvale", "--driver", "Ada Morrow", "--out", ada,
                                 "--history", friends},
                                false);
    ASSERT_EQ(exported.status, 0) << exported.err;
    const double friendsBest =
        Json::parse(Vx({"history", "--json", "--history", friends}, false).out)["tracks"][0]["personal_best_s"];
    const Outcome missingFolder = Vx({"lap", "export", "--best", "kestrelvale", "--out", root / "gone/best.vxlap",
                                      "--history", friends},
                                     false);
    EXPECT_EQ(missingFolder.status, 1);
    EXPECT_FALSE(fs::exists(root / "gone"));

    // Yours holds races 3 and 4. Among the files, two refused: each named
    // with its reason, the others kept, the same lap once.
    ASSERT_EQ(Vx({"history", "add", saves + "/race-0003.gam", saves + "/race-0004.gam"}).status, 0);
    const std::string ghost = root / "ghost.vxlap", big = root / "big.vxlap";
    const std::string ghostText = R"({"format": "ghost"})";
    WriteFile(ghost, std::vector<std::uint8_t>(ghostText.begin(), ghostText.end()));
    WriteFile(big, std::vector<std::uint8_t>(2 * 1024 * 1024 + 1, ' '));
    const Outcome import = Vx({"lap", "import", ghost, ada, big, ada});
    EXPECT_EQ(import.status, 3);
    EXPECT_THAT(import.out, testing::EndsWith("Kept 1, already kept 1, refused 2\n"));
    EXPECT_THAT(import.err, HasSubstr(ghost + " is not a lap file: its format is \"ghost\", not \"vxanalyser lap\"\n"));
    EXPECT_THAT(import.err, HasSubstr(big + " is too large to be a lap file (2,097,153 bytes; at most 2 MiB)\n"));
    const std::string key = FirstMatch(import.out, R"(Kept Ada Morrow's lap \d+ on Kestrelvale, [0-9.]+ s \(lap ([0-9a-f]{8})\))");
    ASSERT_EQ(key.size(), 8u) << import.out;

    // The standings: your best per car and Ada's, fastest first, each with
    // its gap to the fastest.
    const Json standings = Json::parse(Vx({"history", "kestrelvale", "--json"}).out)["standings"];
    ASSERT_GE(standings.size(), 2u);
    EXPECT_EQ(Members(standings[0]), (std::vector<std::string>{"place", "driver", "car", "kind", "best_s", "gap_s",
                                                                "date", "race_key", "lap", "file", "lap_key"}));
    int keptRows = 0;
    for (const Json& row : standings) {
        EXPECT_GE(row["best_s"].get<double>(), standings[0]["best_s"].get<double>());
        EXPECT_NEAR(row["gap_s"].get<double>(), row["best_s"].get<double>() - standings[0]["best_s"].get<double>(),
                    0.0015);
        if (row["kind"] == "kept") {
            ++keptRows;
            EXPECT_EQ(row["driver"], "Ada Morrow");
            EXPECT_EQ(row["best_s"], friendsBest);
            EXPECT_EQ(row["lap_key"].get<std::string>().substr(0, 8), key);
            EXPECT_TRUE(row["file"].is_null());
        }
    }
    EXPECT_EQ(keptRows, 1);
    const Outcome csv = Vx({"history", "kestrelvale", "--csv", "--standings"});
    EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n")), "place,driver,car,kind,best_s,gap_s,date,race_key,lap,file,lap_key");
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), std::ssize(standings) + 1);
    EXPECT_THAT(Vx({"history", "kestrelvale"}).out, HasSubstr("kept lap " + key));

    const Outcome forget = Vx({"lap", "forget", key});
    EXPECT_EQ(forget.status, 0) << forget.err;
    EXPECT_THAT(forget.out, HasSubstr("Forgot Ada Morrow's lap"));
    const Outcome again = Vx({"lap", "forget", key});
    EXPECT_EQ(again.status, 3);
    EXPECT_THAT(again.err, HasSubstr("no kept lap " + key + " in the history"));
    EXPECT_EQ(Json::parse(Vx({"history", "kestrelvale", "--json"}).out)["standings"].size(), standings.size() - 1);

    for (const auto& args : std::vector<std::vector<std::string>>{{"lap", "import"},
                                                                  {"lap", "forget", "12ab"},
                                                                  {"lap", "export", "--best", "kestrelvale"},
                                                                  {"lap", "bogus"},
                                                                  {"history", "kestrelvale", "--standings"}}) {
        const Outcome run = Vx(args);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_THAT(run.err, HasSubstr("usage:"));
    }
    EXPECT_EQ(Vx({"lap", "export", "--best", "Saltmarsh", "--out", root / "x.vxlap"}).status, 3);
}

}  // namespace
}  // namespace vx
