// Nothing lost: the program never writes to the files it reads; a picture
// export that fails leaves no partial file and never replaces a good one; a
// load that fails, at any point, leaves the window showing what it showed.
//
// Sections: the race folder; inputs stay untouched; failed exports; failed
// loads at random points.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "fixtures/RaceFiles.h"
#include "load/LoadWorkflow.h"
#include "reliability/Reliability.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using test::DemoGame;
using test::DemoTrack;
using test::TempFolder;
using test::WriteFile;

// --- The race folder -------------------------------------------------------------

// root/Saves holds the demo race and the oval races, root/Tracks their
// tracks, root/Other a track to choose by hand; the tests add what they break.
class RaceFolder : public test::WindowTest {
protected:
    void SetUp() override
    {
        test::WindowTest::SetUp();
        for (const char* folder : {"Saves", "Tracks", "Other", "Out"})
            fs::create_directories(root / folder);
        WriteFile(root / "Saves/demo.gam", DemoGame());
        WriteFile(root / "Saves/cup.gam", test::CupGame().Build());
        WriteFile(root / "Saves/one.gam", test::CupGame("Oval", 1).Build());
        WriteFile(root / "Saves/nolap.gam", test::CupGame("Oval", 0).Build());
        WriteFile(root / "Tracks/Kestrelvale.trk", DemoTrack());
        WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
        WriteFile(root / "Other/Loop.trk", test::OvalTrack().SetBestTime1(3999, "Kim").Build());
    }
    void LoadWithAnswers(std::vector<std::string> answers)
    {
        script->answers.assign(answers.begin(), answers.end());
        Click("Load");
    }
    void Save(const std::string& path)
    {
        script->answers = {path};
        Click("Save");
    }
    TempFolder root;
};

// What a file is: its bytes, size, time of last change and permissions.
struct FileState {
    std::uint64_t hash = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    unsigned mode = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error)
        return {};
    const auto modified = fs::last_write_time(path, error).time_since_epoch();
    return {test::HashFile(path), static_cast<std::int64_t>(size),
            std::chrono::duration_cast<std::chrono::nanoseconds>(modified).count(),
            static_cast<unsigned>(fs::status(path, error).permissions())};
}

std::set<std::string> EntriesOf(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// --- Inputs stay untouched ---------------------------------------------------------

#ifdef VX_RELIABILITY_SHORT
constexpr int kRounds = 12;
#else
constexpr int kRounds = 30;
#endif

using InputsStayUntouched = RaceFolder;

TEST_F(InputsStayUntouched, ALongRunOfLoadsLapChangesAndExportsNeverWritesToASavedGameOrTrack)
{
    WriteFile(root / "Saves/long.gam", test::LongGame());
    auto cut = DemoGame();
    cut.resize(5000);
    WriteFile(root / "Saves/cut.gam", cut);
    WriteFile(root / "Saves/bad.gam", test::CupGame("Bad").Build());
    WriteFile(root / "Tracks/Bad.trk", test::OvalTrack().SetMarker("vx").Build());
    // Reading may update a file's access time; nothing else may change.
    std::map<std::string, FileState> before;
    for (const char* folder : {"Saves", "Tracks", "Other"})
        for (const std::string& name : EntriesOf(root / folder))
            before[root / (std::string(folder) + "/" + name)] =
                StateOf(root / (std::string(folder) + "/" + name));
    ASSERT_EQ(before.size(), 11u);
    const std::vector<std::vector<std::string>> loads = {
        {root / "Saves/demo.gam"},         {root / "Saves/cup.gam"},
        {root / "Saves/cut.gam"},          {root / "Saves/bad.gam"},
        {"", root / "Other/Loop.trk"},     {root / "Saves/one.gam"},
        {root / "Saves/nolap.gam"},        {root / "Saves/long.gam"}};
    int saves = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < loads.size(); ++i) {
            // The long race (2 MB) once in a while: it is slow to trace.
            if (i + 1 == loads.size() && round % 6 != 0)
                continue;
            LoadWithAnswers(loads[i]);
            Click(">");
            Click(">");
            Click("<");
            if (!toolkit.ImageExists(MapImage))
                continue;
            // New names and the same names again: a replaced picture too.
            const std::string name = "map" + IntToText(static_cast<std::int64_t>(i));
            Save(root / ("Out/" + name + ".jpg"));
            Save(root / ("Out/" + name + ".png"));
            saves += 2;
        }
    }
    for (const auto& [path, state] : before)
        EXPECT_EQ(StateOf(path), state) << path << " was written to";
    for (const char* folder : {"Saves", "Tracks", "Other"})
        for (const std::string& name : EntriesOf(root / folder))
            EXPECT_TRUE(before.count(root / (std::string(folder) + "/" + name)))
                << "a new file beside the inputs: " << name;
    std::printf("[ reliability ] %d rounds of loads, lap changes and %d saved pictures\n", kRounds,
                saves);
}

// --- Failed exports ---------------------------------------------------------------------

#ifndef _WIN32  // the file-size limit of POSIX stands in for a full disk
// Limits the size of every file this process writes, as a full disk does,
// for as long as it lives; a write past the limit then fails instead of
// ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Active() const { return active_; }

private:
    rlimit old_{};
    sighandler_t oldSignal_ = SIG_DFL;
    bool active_ = false;
};

#endif

class FailedExports : public RaceFolder {
protected:
    void SetUp() override
    {
        RaceFolder::SetUp();
        LoadWithAnswers({root / "Saves/demo.gam"});
        ASSERT_TRUE(toolkit.ImageExists(MapImage));
        Click(">");  // the picture of lap 1
    }
    // The save failed, said so, and left the folder as it was.
    void ExpectRefused(const std::string& path, const std::set<std::string>& entries)
    {
        EXPECT_EQ(NewestLog().rfind("Picture not saved: " + path + " (", 0), 0u)
            << NewestLog();
        EXPECT_EQ(EntriesOf(FolderPart(path)), entries) << "after saving " << path;
    }
};

#ifndef _WIN32
TEST_F(FailedExports, AFullDiskLeavesNoPartialFileAndKeepsTheOldPicture)
{
    for (const char* extension : {".jpg", ".png"}) {
        const std::string old = root / (std::string("Out/map") + extension);
        Save(old);
        ASSERT_EQ(NewestLog(), "Bild gespeichert");
        const std::vector<std::uint8_t> good = test::ReadFile(old);
        const auto size = static_cast<rlim_t>(good.size());
        for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, size / 2, size - 1}) {
            const std::set<std::string> entries = EntriesOf(root / "Out");
            {
                const FileSizeLimit full(limit);
                ASSERT_TRUE(full.Active());
                Save(old);
                ExpectRefused(old, entries);
                Save(root / (std::string("Out/new") + extension));
                ExpectRefused(root / (std::string("Out/new") + extension), entries);
            }
            EXPECT_EQ(test::ReadFile(old), good) << "the old picture changed; limit " << limit;
        }
        // With room again the same save works and replaces the picture whole.
        Click("<");
        Save(old);
        EXPECT_EQ(NewestLog(), "Bild gespeichert");
        EXPECT_NE(test::ReadFile(old), good);
        Click(">");
    }
    const std::vector<std::uint8_t> jpeg = test::ReadFile(root / "Out/map.jpg");
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);  // the end-of-image marker: the file is whole
    EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
}
#endif

TEST_F(FailedExports, AFolderThatCannotHoldFilesLeavesNothingAndSaysWhy)
{
    // Nobody may create a file in /proc, not even root; a file cannot be a
    // folder.
    WriteFile(root / "Out/note.txt", {'x'});
    for (const char* extension : {".jpg", ".png"}) {
        const std::string inProc = std::string("/proc/vx-picture") + extension;
        Save(inProc);
        EXPECT_EQ(NewestLog().rfind("Picture not saved: " + inProc + " (", 0), 0u) << NewestLog();
        EXPECT_FALSE(fs::exists(inProc));
        const std::string underFile = root / (std::string("Out/note.txt/map") + extension);
        Save(underFile);
        EXPECT_EQ(NewestLog().rfind("Picture not saved: " + underFile + " (", 0), 0u) << NewestLog();
        EXPECT_EQ(EntriesOf(root / "Out"), std::set<std::string>{"note.txt"});
        EXPECT_EQ(test::ReadFile(root / "Out/note.txt"), std::vector<std::uint8_t>{'x'});
    }
}

TEST_F(FailedExports, AFolderInThePlaceOfTheNameIsLeftAsItWas)
{
    fs::create_directories(root / "Out/map.jpg");
    fs::create_directories(root / "Out/map.png");
    WriteFile(root / "Out/map.jpg/inside", {'x'});
    for (const char* name : {"Out/map.jpg", "Out/map.png"}) {
        Save(root / name);
        ExpectRefused(root / name, {"map.jpg", "map.png"});
        EXPECT_TRUE(fs::is_directory(root / name));
    }
    EXPECT_EQ(EntriesOf(root / "Out/map.jpg"), std::set<std::string>{"inside"});
}

#ifndef _WIN32  // permissions of POSIX
TEST_F(FailedExports, AnUnwritableFolderLeavesNothingAndSaysWhy)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the tests run as root, who writes in every folder";
    Save(root / "Out/map.jpg");
    const std::vector<std::uint8_t> good = test::ReadFile(root / "Out/map.jpg");
    chmod((root / "Out").c_str(), 0555);
    Save(root / "Out/map.jpg");
    ExpectRefused(root / "Out/map.jpg", {"map.jpg"});
    Save(root / "Out/map.png");
    ExpectRefused(root / "Out/map.png", {"map.jpg"});
    chmod((root / "Out").c_str(), 0755);
    EXPECT_EQ(test::ReadFile(root / "Out/map.jpg"), good);
}
#endif

// --- Failed loads at random points --------------------------------------------------------

// Everything the window shows of the analysis: the pixels of the five boxes
// and the lap selector.
struct Shown {
    std::array<std::uint64_t, 5> pictures{};
    int sliderMaximum = 0;
    std::int64_t sliderPosition = 0;
    std::string label;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out)
{
    *out << "{pictures";
    for (const std::uint64_t hash : shown.pictures)
        *out << ' ' << std::hex << hash << std::dec;
    *out << ", slider 0.." << shown.sliderMaximum << " at " << shown.sliderPosition
         << ", label \"" << shown.label << "\"}";
}

#ifdef VX_RELIABILITY_SHORT
constexpr int kSteps = 150;
#else
constexpr int kSteps = 400;
#endif

class FailedLoads : public RaceFolder {
protected:
    void SetUp() override
    {
        RaceFolder::SetUp();
        auto owned = std::make_unique<test::HookedRequester>();
        requester = owned.get();
        toolkit.SetRequester(std::move(owned));
        fs::create_directories(root / "Saves/folder.gam");
        fs::create_directories(root / "Other/folder.trk");
#ifndef _WIN32
        ASSERT_EQ(mkfifo((root / "Saves/pipe.gam").c_str(), 0644), 0);
#endif
        WriteFile(root / "Saves/big.gam", test::Resized(DemoGame(), 2'000'001));
        WriteFile(root / "Saves/nowhere.gam", test::CupGame("Nowhere").Build());
        WriteFile(root / "Saves/huge.gam", test::CupGame("Huge").Build());
        WriteFile(root / "Tracks/Huge.trk", test::Resized(DemoTrack(), 1'000'001));
        WriteFile(root / "Saves/bad.gam", test::CupGame("Bad").Build());
        WriteFile(root / "Tracks/Bad.trk", test::OvalTrack().SetMarker("vx").Build());
        WriteFile(root / "Saves/cutrace.gam", test::CupGame("Cut").Build());
        WriteFile(root / "Saves/negrace.gam", test::CupGame("Neg").Build());
        auto negative = test::OvalTrack().StoredObjectCount(-1).Build();
        WriteFile(root / "Tracks/Neg.trk", negative);
        WriteFile(root / "Other/nix", test::OvalTrack().Build());
    }

    Shown Observe()
    {
        return {test::ShownPictures(toolkit), toolkit.GetControlAttribute(LapSlider, 2),
                toolkit.GetControlValue(LapSlider), LapLabel()};
    }

    // "Load" with the answers; the hook, when given, runs just before the
    // answer it belongs to is returned.
    void Load(std::vector<test::HookedRequester::Answer> answers)
    {
        requester->answers = std::move(answers);
        Click("Load");
    }

    test::HookedRequester* requester = nullptr;
};

TEST_F(FailedLoads, LeaveThePicturesAndTheLapSelectorOfTheLastSuccessfulStep)
{
    std::mt19937_64 random(31337);
    const auto Pick = [&](std::uint64_t n) { return random() % n; };
    const std::string saves = root / "Saves/";
    const std::string other = root / "Other/";
    const GameData demo = *ParseGameFile(DemoGame()).value;
    const TrackData demoTrack = *ParseTrackFile(DemoTrack()).value;

    // Ways to fail; each makes its files and loads.
    const std::vector<std::pair<const char*, std::function<void()>>> failures = {
        {"both requesters cancelled", [&] { Load({{"", nullptr}, {"", nullptr}}); }},
        {"saved game missing", [&] { Load({{saves + "gone.gam", nullptr}}); }},
        {"saved game is a folder", [&] { Load({{saves + "folder.gam", nullptr}}); }},
#ifndef _WIN32
        {"saved game is a pipe", [&] { Load({{saves + "pipe.gam", nullptr}}); }},
#endif
        {"saved game too large", [&] { Load({{saves + "big.gam", nullptr}}); }},
        {"saved game cut",
         [&] {
             auto bytes = DemoGame();
             bytes.resize(Pick(static_cast<std::uint64_t>(demo.RaceSummaryBase + 12)));
             WriteFile(saves + "cut.gam", bytes);
             Load({{saves + "cut.gam", nullptr}});
         }},
        {"saved game with a count out of range",
         [&] {
             auto bytes = DemoGame();
             if (Pick(2) == 0)
                 test::Poke(bytes, 78, 1, Pick(2) == 0 ? -1 : 12 + static_cast<int>(Pick(116)));
             else
                 test::Poke(bytes, demo.TrackListBase + 4, 1, 4 + static_cast<int>(Pick(124)));
             WriteFile(saves + "count.gam", bytes);
             Load({{saves + "count.gam", nullptr}});
         }},
        {"saved game gone after it was chosen",
         [&] {
             WriteFile(saves + "brief.gam", DemoGame());
             Load({{saves + "brief.gam", [&] { fs::remove(saves + "brief.gam"); }}});
         }},
        {"track not found, requester cancelled",
         [&] { Load({{saves + "nowhere.gam", nullptr}, {"", nullptr}}); }},
        {"track chosen is a folder",
         [&] { Load({{saves + "nowhere.gam", nullptr}, {other + "folder.trk", nullptr}}); }},
        {"track chosen is named nix",
         [&] { Load({{saves + "nowhere.gam", nullptr}, {other + "nix", nullptr}}); }},
        {"track gone after it was chosen",
         [&] {
             WriteFile(other + "Brief.trk", test::OvalTrack().Build());
             Load({{saves + "nowhere.gam", nullptr},
                   {other + "Brief.trk", [&] { fs::remove(other + "Brief.trk"); }}});
         }},
        {"track too large", [&] { Load({{saves + "huge.gam", nullptr}}); }},
        {"track with a bad header", [&] { Load({{saves + "bad.gam", nullptr}}); }},
        {"track cut",
         [&] {
             auto bytes = DemoTrack();
             bytes.resize(Pick(static_cast<std::uint64_t>(demoTrack.TrackInfoBase + 110)));
             WriteFile(root / "Tracks/Cut.trk", bytes);
             Load({{saves + "cutrace.gam", nullptr}});
         }},
        {"track with a negative count", [&] { Load({{saves + "negrace.gam", nullptr}}); }},
    };
    // Ways to succeed.
    const std::vector<std::pair<const char*, std::function<void()>>> successes = {
        {"demo race", [&] { Load({{saves + "demo.gam", nullptr}}); }},
        {"oval, 3 laps", [&] { Load({{saves + "cup.gam", nullptr}}); }},
        {"oval, 1 lap", [&] { Load({{saves + "one.gam", nullptr}}); }},
        {"oval, no lap", [&] { Load({{saves + "nolap.gam", nullptr}}); }},
        {"a track chosen for the current game",
         [&] { Load({{"", nullptr}, {other + "Loop.trk", nullptr}}); }},
    };
    // Lap changes, as the user makes them.
    const std::vector<std::pair<const char*, std::function<void()>>> lapChanges = {
        {"next lap", [&] { Click(">"); }},
        {"previous lap", [&] { Click("<"); }},
        {"slider",
         [&] {
             const int maximum = toolkit.GetControlAttribute(LapSlider, SliderMaximum);
             MoveSlider(static_cast<int>(Pick(static_cast<std::uint64_t>(maximum) + 1)));
         }},
    };

    // What the window showed after each analysis and lap: whatever came
    // before, the same analysis and lap show the same.
    std::map<std::string, Shown> seen;
    Shown expected = Observe();
    test::CommittedData committed = test::CommittedOf(State());
    std::map<std::string, int> counts;
    int failed = 0;
    for (int step = 0; step < kSteps && failed < 10; ++step) {
        const std::uint64_t kind = Pick(10);
        const auto& [name, run] = kind < 4   ? failures[Pick(failures.size())]
                                  : kind < 7 ? successes[Pick(successes.size())]
                                             : lapChanges[Pick(lapChanges.size())];
        const std::string what = "step " + IntToText(step) + " (" + name + ")";
        ++counts[name];
        run();
        const Shown now = Observe();
        if (kind < 4) {
            const std::string log = NewestLog();
            EXPECT_TRUE(log == "No track chosen" || test::IsRefusal(log)) << what << ": " << log;
            EXPECT_EQ(now, expected) << what;
            EXPECT_EQ(test::CommittedOf(State()), committed) << what;
            failed += now != expected;
            continue;
        }
        if (kind < 7) {
            EXPECT_EQ(NewestLog().rfind("Loaded ", 0), 0u) << what << ": " << NewestLog();
            EXPECT_EQ(now.label, "0") << what;
            committed = test::CommittedOf(State());
        }
        expected = now;
        if (!toolkit.ImageExists(MapMasterImage))
            continue;
        // The analysis is its committed files; with the lap shown, what it shows.
        const test::CommittedData analysis = test::CommittedOf(State());
        const std::string key = analysis.gamePath + "|" + analysis.trackPath + "|" + now.label;
        const auto [it, first] = seen.emplace(key, now);
        if (!first) {
            EXPECT_EQ(now, it->second) << what << " shows otherwise than before: " << key;
            failed += now != it->second;
        }
    }
    std::printf("[ reliability ] %d steps:", kSteps);
    for (const auto& [name, count] : counts)
        std::printf(" %s %d;", name.c_str(), count);
    std::printf(" %zu analyses and laps seen more than once or once\n", seen.size());
}

}  // namespace
}  // namespace vx
