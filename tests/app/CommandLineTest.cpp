// The command line, run as the user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "fixtures/RaceFiles.h"
#include "support/TestSupport.h"

namespace vx {
namespace {

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
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class CommandLine : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(root / "Saves");
        std::filesystem::create_directories(root / "Tracks");
        WriteFile(Game(), test::CupGame().Build());
        WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
    }
    std::string Game() const { return root / "Saves/cup.gam"; }

    // env: assignments for env(1), such as "-u QT_QPA_PLATFORM DISPLAY=:99";
    // runner: a command that runs the program, such as setpriv(1).
    Outcome Vx(const std::vector<std::string>& args, const std::string& env = {}, const std::string& runner = {})
    {
        // A command that never ends (a window left open) fails instead of hanging.
        std::string command = runner + " env " + env + " timeout 120 " + Quote(VX_BINARY);
        for (const std::string& arg : args)
            command.append(" ").append(Quote(arg));
        const std::string out = root / "stdout.txt", err = root / "stderr.txt";
        command.append(" >").append(Quote(out)).append(" 2>").append(Quote(err));
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    }

    TempFolder root;
};

TEST_F(CommandLine, HelpAndVersionPrintAndSucceed)
{
    const Outcome help = Vx({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("vxanalyser report GAME.gam"));
    const Outcome version = Vx({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_THAT(version.out, HasSubstr("vxanalyser 1."));
}

TEST_F(CommandLine, EveryCommandPrintsItsOwnUsageForHelp)
{
    for (const std::string command : {"report", "samples", "render", "history", "follow", "lap"}) {
        const Outcome help = Vx({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.err, "") << command;
        EXPECT_EQ(help.out.rfind("usage:\n  vxanalyser " + command + " ", 0), 0u) << help.out;
        EXPECT_THAT(help.out, HasSubstr("\n  " + command + " ")) << "its part of the help";
        EXPECT_THAT(help.out, testing::Not(HasSubstr("open the window"))) << "the usage of " << command << " alone";
    }
}

TEST_F(CommandLine, AWordBeginningWithADashIsAnOptionWhateverBearsItsName)
{
    // Folders named as options, where the program runs.
    for (const char* name : {"--help", "--json", "-x"})
        std::filesystem::create_directories(root / name);
    const std::string here = "cd " + Quote(root.Folder()) + " &&";
    const Outcome help = Vx({"--help"}, {}, here);
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("vxanalyser report GAME.gam"));
    const Outcome noGame = Vx({"report", "--json"}, {}, here);
    EXPECT_EQ(noGame.status, 2);
    EXPECT_THAT(noGame.err, HasSubstr("vxanalyser: no saved game given\nusage:\n"));
    const Outcome unknown = Vx({"-x"}, {}, here);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("vxanalyser: unknown option -x\n"));
    // An option that takes a value never takes the next option for it.
    const Outcome noTrack = Vx({"report", Game(), "--track", "--json"});
    EXPECT_EQ(noTrack.status, 2);
    EXPECT_THAT(noTrack.err, HasSubstr("vxanalyser: --track needs a value\n"));
}

TEST_F(CommandLine, ADisplayThatCannotBeReachedIsSaidAndEndsWithOne)
{
    const Outcome run = Vx({Game()}, "-u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:4711");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "vxanalyser: cannot open the display :4711\n");
}

TEST_F(CommandLine, WrongUsageExitsWithTwoAndSaysWhy)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"report"},
             {"report", Game(), "--bogus"},
             {"render", Game()},  // no --out
             {"render", Game(), "--out", root / "o", "--lap", "x"},
             {"render", Game(), "--out", root / "o", "--lap", "-1"},
             {"report", Game(), "--track"},
             {"report", Game(), "--json", "--csv"},
             {"report", Game(), "--corners"},
             {"report", Game(), "--json", "--corners"},
             {"samples", Game(), "--csv"},
             {"explode"},
             {"-x"}}) {
        const Outcome run = Vx(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_THAT(run.err, HasSubstr("usage:"));
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(CommandLine, AnInputThatCannotBeUsedExitsWithThreeAndNamesIt)
{
    const Outcome missing = Vx({"report", root / "Saves/none.gam"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_THAT(missing.err, HasSubstr("Saved game not found: " + root / "Saves/none.gam"));
    EXPECT_EQ(missing.out, "");

    WriteFile(root / "Saves/lost.gam", test::CupGame("Lost").Build());
    const Outcome noTrack = Vx({"report", root / "Saves/lost.gam"});
    EXPECT_EQ(noTrack.status, 3);
    // The saved game it was looked for, and both folders it was looked for in.
    EXPECT_EQ(noTrack.err, "vxanalyser: Track not found: Lost.trk (for " + root / "Saves/lost.gam" +
                               ", looked for in " + root / "Saves" + " and " + root / "Tracks" + ")\n");

    WriteFile(root / "bad.trk", {1, 2, 3});
    const Outcome badTrack = Vx({"report", Game(), "--track", root / "bad.trk"});
    EXPECT_EQ(badTrack.status, 3);
    EXPECT_THAT(badTrack.err, HasSubstr("bad.trk"));
    EXPECT_EQ(badTrack.out, "");

    // The window's log keeps 100 characters of a message; here it is whole.
    const std::string longName = std::string(90, 'x') + ".gam";
    WriteFile(root / ("Saves/" + longName), {1, 2, 3});
    const Outcome cut = Vx({"report", root / ("Saves/" + longName)});
    EXPECT_EQ(cut.status, 3);
    EXPECT_THAT(cut.err, HasSubstr(longName + " (the file ends before the tyre setting (TyresPercent at offset 13, in "
                                              "a file of 3 bytes))"));
    // ... and names the file as the system does, whatever the window's log can show.
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC.gam";
    WriteFile(root / ("Saves/" + japanese), {1, 2, 3});
    EXPECT_THAT(Vx({"report", root / ("Saves/" + japanese)}).err,
                HasSubstr("Saved game damaged: " + root / ("Saves/" + japanese) + " ("));
}

TEST_F(CommandLine, EveryRefusalIsOneLineThatNamesTheFileAsGivenAndSaysWhy)
{
    // A saved game cut inside its first car name; a file where a folder goes;
    // a race whose Tracks folder cannot be read.
    const GameFileBuilder cup = test::CupGame();
    auto cut = cup.Build();
    cut.resize(static_cast<std::size_t>(cup.CarBlockOffset(1) + 3));
    WriteFile(root / "Saves/cut.gam", cut);
    WriteFile(root / "file", {1});
    std::filesystem::create_directories(root / "Closed/Saves");
    std::filesystem::create_directories(root / "Closed/Tracks");
    WriteFile(root / "Closed/Saves/cup.gam", test::CupGame().Build());
    WriteFile(root / "Closed/Tracks/Oval.trk", test::OvalTrack().Build());
    chmod((root / "Closed/Tracks").c_str(), 0);
    chmod(root.Path().c_str(), 0755);
    // Root reads every folder: the last case runs as nobody then.
    const std::string asSomeone = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";

    const std::string carName = std::to_string(cup.CarBlockOffset(1));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
        std::string runner = {};
    } cases[] = {
        {{"report", root / "nowhere/none.gam"}, 3, "Saved game not found: " + root / "nowhere/none.gam"},
        {{"report", root / "Tracks/Oval.trk"}, 3,
         "Not a saved game: " + root / "Tracks/Oval.trk" + " (it is a track: load the saved game raced on it)"},
        {{root / "Saves"}, 3, "Cannot read saved game: " + root / "Saves" + " (it is a folder)"},
        {{"samples", root / "Saves"}, 3, "Cannot read saved game: " + root / "Saves" + " (it is a folder)"},
        {{"report", root / "Saves/cut.gam"}, 3,
         "Saved game damaged: " + root / "Saves/cut.gam" + " (the file ends inside driver 1's car name (CarName of "
         "driver 1 at offset " + carName + " has no NUL, in a file of " + std::to_string(cut.size()) + " bytes))"},
        {{"render", Game(), "--out", root / "file"}, 1, "cannot write into " + root / "file" + " (it is not a folder)"},
        {{"render", Game(), "--out", root / "file/sub", "--compare"}, 1,
         "cannot write into " + root / "file/sub" + " (Not a directory)"},
        {{"report", root / "Closed/Saves/cup.gam"}, 3,
         "Cannot read track: Oval.trk (its folder Tracks cannot be read: Permission denied)", asSomeone},
    };
    for (const auto& c : cases) {
        const Outcome run = Vx(c.args, {}, c.runner);
        EXPECT_EQ(run.status, c.status) << c.args[0];
        EXPECT_EQ(run.err, "vxanalyser: " + c.err + "\n");
        EXPECT_EQ(run.out, "");
    }
    chmod((root / "Closed/Tracks").c_str(), 0755);
}

TEST_F(CommandLine, TheJsonReportShowsWhatTheWindowDrawsAndItsNumbers)
{
    const Outcome run = Vx({"report", Game(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);

    // The driver table's six texts, and beside them the race time, average
    // speed and computer strength as numbers: Max (human) 10 laps of 2500 m
    // in 612.34 s, Eva (strength 3) in 600 s, Olaf (strength 4) timed 0.
    const nlohmann::json& drivers = report["game"]["drivers"];
    ASSERT_EQ(drivers.size(), 3u);
    EXPECT_EQ(drivers[0]["row"], "Max,human,Falcon,2,10,61234,0,0,0,0,0,0,0,1");
    EXPECT_EQ(drivers[0]["cells"], nlohmann::json({"2", "Max", "human", "Falcon", "10:12.34", "146.98 kmh"}));
    EXPECT_EQ(drivers[0]["race_time_s"], 612.34);
    EXPECT_EQ(drivers[0]["average_speed_kmh"], 146.98);
    EXPECT_TRUE(drivers[0]["ai_strength"].is_null());
    EXPECT_EQ(drivers[1]["cells"], nlohmann::json({"1", "Eva", "AI 3", "Heron", "10:00.00", "150.00 kmh"}));
    EXPECT_EQ(drivers[1]["race_time_s"], 600.0);
    EXPECT_EQ(drivers[1]["average_speed_kmh"], 150.0);
    EXPECT_EQ(drivers[1]["ai_strength"], 3);
    EXPECT_EQ(drivers[2]["cells"], nlohmann::json({"3", "Olaf", "AI 4", "Lynx", "0:00.00", "0 kmh"}));
    EXPECT_TRUE(drivers[2]["average_speed_kmh"].is_null());  // no time, no speed
    EXPECT_EQ(drivers[2]["ai_strength"], 4);

    EXPECT_EQ(report["game"]["average_ai_level"], "3.50");
    EXPECT_EQ(report["game"]["gauges"],
              nlohmann::json({{"tyres", 80}, {"consumption", 40}, {"fuel_mass_kg", 150}, {"damage", 10},
                              {"speed", 120}}));
    EXPECT_EQ(report["track"]["length_m"], 2500);
    EXPECT_EQ(report["track"]["best_time_text"], "54.32");
    EXPECT_EQ(report["track"]["holder_line"], "Anna / Comet");
    EXPECT_EQ(report["track"]["picture_name"], "Oval_5432_Anna");
    // Three laps of 800 samples, 20 a second: 40 s each, give or take the
    // sample on which the line is crossed; the first also holds the 0.2 rad
    // (25.5 samples) driven to the line from the start.
    const nlohmann::json& laps = report["laps"];
    EXPECT_EQ(laps["count"], 3);
    ASSERT_EQ(laps["times"].size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(std::stod(laps["times"][k].get<std::string>()), k == 0 ? 41.3 : 40.0, 0.051) << laps["times"];
    // The fastest lap as the lap summary names it: "K : TIME" of lap K.
    const std::string fastest = laps["fastest"];
    ASSERT_FALSE(fastest.empty());
    const int k = fastest[0] - '0';
    ASSERT_TRUE(k >= 1 && k <= 3) << fastest;
    EXPECT_EQ(fastest, std::to_string(k) + " : " + laps["times"][k - 1].get<std::string>());
    // The analysis's laps carry the lap view's texts and precise seconds.
    const nlohmann::json& analysed = report["analysis"]["laps"];
    ASSERT_EQ(analysed.size(), 3u);
    EXPECT_EQ(analysed[1]["lap"], 2);
    EXPECT_EQ(analysed[1]["time"], laps["times"][1]);
    EXPECT_NEAR(analysed[1]["precise_s"].get<double>(), 40.0, 0.051);
}

TEST_F(CommandLine, TheReportFindsAndShowsNamesWithAccents)
{
    WriteFile(root / "Saves/accent.gam", test::CupGame("Kestrelv\xE4le").Build());
    WriteFile(root / "Tracks/Kestrelv\xC3\xA4le.trk",
              test::OvalTrack().SetBestTime1(4318, "Ada M\xF6rrow").Build());
    // The report needs no window system: none is there to be had.
    const Outcome run = Vx({"report", root / "Saves/accent.gam", "--json"},
                           "-u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["game"]["track_file_name"], "Kestrelv\xC3\xA4le.trk");
    EXPECT_EQ(report["track"]["picture_name"], "Kestrelv\xC3\xA4le_4318_Ada M\xC3\xB6rrow");
}

TEST_F(CommandLine, TheReadableReportListsDriversAndLaps)
{
    const Outcome run = Vx({"report", Game()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Max"));
    EXPECT_THAT(run.out, HasSubstr("10:12.34"));
    EXPECT_THAT(run.out, HasSubstr("Laps        3"));
}

TEST_F(CommandLine, RenderWritesEveryPictureItsBoxShows)
{
    const std::string out = root / "out";
    // Run as from a script: no login session, and nothing to say on stderr.
    const Outcome run = Vx({"render", Game(), "--out", out}, "-u XDG_RUNTIME_DIR");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::pair<const char*, QSize> pictures[] = {
        {"map.png", {512, 560}},     {"gauges.png", {480, 140}}, {"drivers.png", {480, 140}},
        {"summary.png", {480, 270}}, {"chart.png", {800, 140}},  {"window.png", {1010, 720}}};
    for (const auto& [name, size] : pictures) {
        const QImage image(QString::fromStdString(out + "/" + name));
        EXPECT_EQ(image.size(), size) << name;
    }
}

TEST_F(CommandLine, RenderOfALapDiffersFromTheOverviewOnlyInTheTrace)
{
    ASSERT_EQ(Vx({"render", Game(), "--out", root / "all"}).status, 0);
    ASSERT_EQ(Vx({"render", Game(), "--lap", "2", "--out", root / "two"}).status, 0);
    const QImage all(QString::fromStdString(root / "all/map.png"));
    const QImage two(QString::fromStdString(root / "two/map.png"));
    ASSERT_EQ(all.size(), two.size());
    const QRgb blue = qRgb(0, 0, 255);
    int differing = 0;
    for (int y = 0; y < all.height(); ++y) {
        for (int x = 0; x < all.width(); ++x) {
            if (all.pixel(x, y) == two.pixel(x, y))
                continue;
            ++differing;
            EXPECT_EQ(all.pixel(x, y), blue) << x << "," << y;  // only the overview's trace
        }
    }
    EXPECT_GT(differing, 100);
}

TEST_F(CommandLine, RenderOfALapBeyondTheLastShowsTheLastAtOnce)
{
    // A lap number far beyond the race must not step on for ever.
    ASSERT_EQ(Vx({"render", Game(), "--lap", "999999999999999999", "--out", root / "far"}).status, 0);
    ASSERT_EQ(Vx({"render", Game(), "--lap", "1000", "--out", root / "last"}).status, 0);
    EXPECT_EQ(QImage(QString::fromStdString(root / "far/window.png")),
              QImage(QString::fromStdString(root / "last/window.png")));
}

TEST_F(CommandLine, RenderCanExportTheMapAsJpeg)
{
    const Outcome run = Vx({"render", Game(), "--out", root / "o", "--jpeg", root / "map.jpg"});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto bytes = test::ReadFile(root / "map.jpg");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
}

// Splits CRLF-ended lines; a line without its CR fails.
std::vector<std::string> CsvLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        EXPECT_TRUE(end > from && text[end - 1] == '\r') << "line " << lines.size() + 1;
        lines.push_back(text.substr(from, end - from - 1));
    }
    EXPECT_EQ(from, text.size()) << "the last line ends in CRLF";
    return lines;
}

TEST_F(CommandLine, TheAnalysisComesOutAsJsonCsvAndTheComparisonPicture)
{
    const Outcome table = Vx({"report", Game(), "--csv"});
    ASSERT_EQ(table.status, 0) << table.err;
    const auto rows = CsvLines(table.out);
    ASSERT_EQ(rows.size(), 4u);  // the header and the three laps
    EXPECT_EQ(rows[0], "lap,time,precise_s,sector1_s,sector2_s,sector3_s,top_speed_kmh,clean");
    EXPECT_THAT(rows[2], testing::StartsWith("2,"));

    const Outcome samples = Vx({"samples", Game()});
    ASSERT_EQ(samples.status, 0) << samples.err;
    EXPECT_GT(CsvLines(samples.out).size(), 3u * 800u);

    EXPECT_TRUE(nlohmann::json::parse(Vx({"report", Game(), "--json"}).out)["analysis"].is_object());
    ASSERT_EQ(Vx({"render", Game(), "--compare", "--out", root / "c"}).status, 0);
    EXPECT_EQ(QImage(QString::fromStdString(root / "c/compare.png")).size(), QSize(1335, 720));  // its client area

    // A race without a lap: no analysis, and no comparison picture, said so.
    WriteFile(Game(), test::CupGame("Oval", 0).Build());
    EXPECT_TRUE(nlohmann::json::parse(Vx({"report", Game(), "--json"}).out)["analysis"].is_null());
    EXPECT_EQ(CsvLines(Vx({"report", Game(), "--csv"}).out).size(), 1u);
    const Outcome none = Vx({"render", Game(), "--compare", "--out", root / "n"});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.err, HasSubstr("compare.png not written (the race has no lap to compare)"));
    EXPECT_TRUE(std::filesystem::exists(root / "n/window.png"));
}

// The demo race on Kestrelvale: nine corners found on lap 10, the
// reference lap, which is also the lap view's fastest.
std::string DemoGame()
{
    return std::string(VX_SOURCE_DIR) + "/samples/Saves/demo.gam";
}

TEST_F(CommandLine, TheJsonReportCarriesTheCornersOfEveryLap)
{
    const Outcome run = Vx({"report", DemoGame(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Ordered: a program may read the members in the order they come.
    const auto report = nlohmann::ordered_json::parse(run.out);
    const auto& analysis = report["analysis"];
    const auto namesOf = [](const nlohmann::ordered_json& object) {
        std::vector<std::string> names;
        for (const auto& [name, value] : object.items())
            names.push_back(name);
        return names;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(namesOf(analysis), (Names{"crossings_s", "reference_lap", "gates", "metres_per_pixel", "laps",
                                        "best_sectors_s", "theoretical_best_s", "clean_laps", "corners",
                                        "ideal_lap_s"}));
    EXPECT_EQ(namesOf(analysis["laps"][0]),
              (Names{"lap", "time", "precise_s", "sectors_s", "top_speed_kmh", "clean", "corners"}));

    const auto& corners = analysis["corners"];
    ASSERT_EQ(corners.size(), 9u);
    EXPECT_EQ(namesOf(corners[0]), (Names{"corner", "apex_gate", "end_gate", "best_s"}));
    EXPECT_EQ(corners[0]["corner"], 1);
    EXPECT_EQ(corners[0]["apex_gate"], nlohmann::ordered_json({434.12, 403.20, 464.59, 412.97}));
    EXPECT_EQ(corners[0]["end_gate"], nlohmann::ordered_json({438.55, 358.55, 470.23, 363.08}));
    EXPECT_EQ(corners[0]["best_s"], 5.079);
    EXPECT_TRUE(corners[8]["end_gate"].is_null());  // the last corner ends at the line
    EXPECT_EQ(corners[8]["best_s"], 8.170);
    EXPECT_EQ(analysis["ideal_lap_s"], 43.326);

    const auto& laps = analysis["laps"];
    ASSERT_EQ(laps.size(), 10u);
    for (const auto& lap : laps)
        EXPECT_EQ(lap["corners"].size(), 9u) << "lap " << lap["lap"];
    ASSERT_EQ(analysis["reference_lap"], 10);
    const auto& reference = laps[9]["corners"];
    EXPECT_EQ(namesOf(reference[0]), (Names{"entry_s", "exit_s", "min_speed_kmh"}));
    EXPECT_EQ(reference[0]["entry_s"], 3.661);
    EXPECT_EQ(reference[0]["exit_s"], 1.450);
    EXPECT_EQ(reference[0]["min_speed_kmh"], 137.0);
    // Lap 3 loses 1.823 s to lap 10 in corner 5: each of the four figures
    // is rounded to the millisecond, their sum to within two.
    const auto& lap3 = laps[2]["corners"];
    const auto timeOf = [](const nlohmann::ordered_json& c) {
        return c["entry_s"].get<double>() + c["exit_s"].get<double>();
    };
    EXPECT_NEAR(timeOf(lap3[4]) - timeOf(reference[4]), 1.823, 0.002);
    EXPECT_EQ(lap3[4]["min_speed_kmh"], 85.7);
    EXPECT_EQ(reference[4]["min_speed_kmh"], 121.3);
}

TEST_F(CommandLine, TheCornerTableComesAsCsvAndInTheReadableReport)
{
    const Outcome table = Vx({"report", DemoGame(), "--csv", "--corners"});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out.substr(0, 48), "lap,corner,entry_s,exit_s,time_s,min_speed_kmh\r\n");
    EXPECT_THAT(table.out, HasSubstr("\r\n10,1,3.661,1.450,5.111,137.0\r\n"));
    EXPECT_EQ(CsvLines(table.out).size(), 1u + 10u * 9u);  // the header, then each lap's nine corners

    const Outcome wrong = Vx({"report", DemoGame(), "--corners"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_THAT(wrong.err, HasSubstr("vxanalyser: --corners goes with --csv\n"));

    // The fastest lap is the reference lap: it is compared with the next
    // fastest, lap 9 (43.903 s), which it beats by 0.301 s over the lap but
    // not in every corner. Lap 9's own figures in the JSON give the same
    // losses to the millisecond: in corner 4 0.800 + 4.500 s against
    // 0.794 + 4.465 s, 0.035 s of the 0.041 s on the way out.
    const Outcome text = Vx({"report", DemoGame()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_THAT(text.out, HasSubstr("theoretical best 43.366 s, ideal lap 43.326 s,"));
    EXPECT_THAT(text.out, HasSubstr("\nCorners     lap 10 against lap 9\n"
                                    "  corner     entry      exit      time  gain/loss  slowest km/h\n"
                                    "       1     3.661     1.450     5.111     +0.032  137.0 against 133.4\n"));
    EXPECT_THAT(text.out,
                HasSubstr("\nMost time lost: corner 4, +0.041 s, on the way out (slowest 142.5 against 138.6 km/h)\n"
                          "                corner 1, +0.032 s, on the way in (slowest 137.0 against 133.4 km/h)\n"
                          "                corner 5, +0.030 s, on the way in (slowest 121.3 against 118.4 km/h)\n"));
}

TEST_F(CommandLine, ARaceWithoutCornersSaysSoInEveryForm)
{
    // One lap of the circling car: its speed never falls (it rises only as
    // the half-second chord reaches the next lap's smaller circle), so the
    // walk over it confirms no maximum, and no corner.
    WriteFile(Game(), test::CupGame("Oval", 1).Build());
    const auto analysis = nlohmann::json::parse(Vx({"report", Game(), "--json"}).out)["analysis"];
    EXPECT_EQ(analysis["corners"], nlohmann::json::array());
    EXPECT_TRUE(analysis["ideal_lap_s"].is_null());
    ASSERT_EQ(analysis["laps"].size(), 1u);
    EXPECT_EQ(analysis["laps"][0]["corners"], nlohmann::json::array());
    EXPECT_EQ(Vx({"report", Game(), "--csv", "--corners"}).out, "lap,corner,entry_s,exit_s,time_s,min_speed_kmh\r\n");
    EXPECT_THAT(Vx({"report", Game()}).out, HasSubstr("\nCorners     none: the reference lap never slows by 20 km/h"));
}

TEST_F(CommandLine, ALapExportedComparesAgainstItsRaceAndALapOfAnotherTrackIsRefused)
{
    const std::string lap = root / "lap.vxlap";
    const Outcome exported = Vx({"lap", "export", Game(), "--driver", "Ada Morrow", "--out", lap});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const nlohmann::json file = nlohmann::json::parse(Slurp(lap));
    EXPECT_EQ(file["driver"], "Ada Morrow");
    EXPECT_EQ(file["car"], "Falcon");  // the human driver's car
    EXPECT_EQ(file["track"], "Oval");

    const Outcome report = Vx({"report", Game(), "--json", "--against", lap});
    ASSERT_EQ(report.status, 0) << report.err;
    const nlohmann::json analysis = nlohmann::json::parse(report.out)["analysis"];
    const nlohmann::json& against = analysis["reference_file"];
    const int reference = analysis["reference_lap"];
    EXPECT_EQ(file["lap"], reference);  // the reference lap unless --lap names another
    EXPECT_EQ(against["driver"], "Ada Morrow");
    EXPECT_EQ(against["lap_deltas_s"][reference - 1], 0.0);
    EXPECT_EQ(against["lap_deltas_s"].size(), analysis["laps"].size());

    // The same lap file against a race on another track: refused, nothing printed.
    WriteFile(root / "Saves/other.gam", test::CupGame("Ring").Build());
    WriteFile(root / "Tracks/Ring.trk", test::OvalTrack().SetTrackLength(2600).Build());
    const Outcome other = Vx({"report", root / "Saves/other.gam", "--json", "--against", lap});
    EXPECT_EQ(other.status, 3);
    EXPECT_EQ(other.out, "");
    EXPECT_THAT(other.err, testing::MatchesRegex("vxanalyser: .*lap\\.vxlap was driven on Oval \\(layout [0-9a-f]{8}\\); "
                                                 "the race shown is on Ring \\(layout [0-9a-f]{8}\\)\n"));
    const Outcome render = Vx({"render", root / "Saves/other.gam", "--compare", "--against", lap, "--out", root / "r"});
    EXPECT_EQ(render.status, 3);
    EXPECT_FALSE(std::filesystem::exists(root / "r"));

    // A lap the race does not have is not written, and nothing is left.
    const Outcome none = Vx({"lap", "export", Game(), "--lap", "99", "--out", root / "none.vxlap"});
    EXPECT_EQ(none.status, 3);
    EXPECT_FALSE(std::filesystem::exists(root / "none.vxlap"));
}

TEST_F(CommandLine, NeverWritesToTheInputs)
{
    const auto game = test::ReadFile(Game());
    ASSERT_EQ(Vx({"render", Game(), "--out", root / "o", "--jpeg", root / "Saves/x.jpg"}).status, 0);
    EXPECT_EQ(test::ReadFile(Game()), game);
}

}  // namespace
}  // namespace vx
