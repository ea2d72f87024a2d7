// "Follow folder" in the window, on a real folder with a clock of the
// test's own: the timer's looks are the test's ticks, so nothing here waits
// on time. A race that settles is loaded, recorded and said against the
// personal best; the same bytes again and a hostile file change nothing
// shown; a due race waits for a load in progress; loading from another
// folder follows that one afresh; a folder gone ends following. Then once
// live: the window system's own timers and the steady clock, a folder into
// which three races are written, one slowly in steps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <algorithm>
#include <thread>

#include "fixtures/RaceFiles.h"
#include "load/LoadWorkflow.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;
using testing::HasSubstr;
using testing::AllOf;
using testing::EndsWith;
using testing::StartsWith;
using namespace std::chrono_literals;

class FollowInWindow : public test::WindowTest {
protected:
    void SetUp() override {}
    void Start()
    {
        app.StartUp({history, true});
        script = test::Script(toolkit);
        app.Following().SetClock([this] { return now; });
    }
    // A race on the oval in folder/Saves, its track in folder/Tracks;
    // samplesPerLap sets its pace.
    std::string WriteRace(const std::string& folder, const std::string& name, int samplesPerLap)
    {
        fs::create_directories(folder + "/Saves");
        fs::create_directories(folder + "/Tracks");
        WriteFile(folder + "/Tracks/Oval.trk", test::OvalTrack().Build());
        const std::string path = folder + "/Saves/" + name;
        WriteFile(path, test::CupGame("Oval", 3).SetReplay({.Samples = test::CirclingReplay(3, samplesPerLap)}).Build());
        return path;
    }
    void Load(const std::string& game)
    {
        script->answers = {game};
        Click("Load");
    }
    void Follow(bool on)
    {
        toolkit.SetControlValue(FollowCheckBox, on ? 1 : 0);
        Press(FollowCheckBox);
    }
    // One look at the folder, then another once a second has passed: what
    // was written before it has settled.
    void LookTwice()
    {
        Tick(FollowTimer);
        now += 1000ms;
        Tick(FollowTimer);
    }
    std::string Shown() { return FileNamePart(State().GamePath); }
    std::optional<std::string> KeptSetting()
    {
        return OpenHistory(history).Store->Setting("follow_folder");
    }

    TempFolder root;
    std::string history = root / "history.sqlite3";
    FollowTime now{0};
};

TEST_F(FollowInWindow, ARaceThatSettlesIsLoadedRecordedAndSaidAgainstTheBestOnceAndNothingElseIs)
{
    Start();
    Load(WriteRace(root / "a", "first.gam", 800));
    Follow(true);
    EXPECT_TRUE(windowSystem.TimerRuns(FollowTimer));
    EXPECT_EQ(KeptSetting(), root / "a/Saves/");

    WriteRace(root / "a", "fast.gam", 760);
    Tick(FollowTimer);
    EXPECT_EQ(Shown(), "first.gam");  // not settled yet
    now += 1000ms;
    Tick(FollowTimer);
    EXPECT_EQ(Shown(), "fast.gam");
    EXPECT_THAT(NewestLog(), AllOf(StartsWith("New best "), HasSubstr(" s (-"), EndsWith(" s): fast.gam")));
    EXPECT_THAT(State().Log.Lines(), testing::Contains("Recorded in the history: fast.gam"));

    WriteRace(root / "a", "slow.gam", 840);
    LookTwice();
    EXPECT_EQ(Shown(), "slow.gam");
    EXPECT_THAT(NewestLog(), AllOf(StartsWith("New race "), EndsWith(" s off your best: slow.gam")));

    // The same bytes under another name, and a hostile file: the race shown
    // stays; only the refusal is said.
    const auto lines = State().Log.Lines();
    fs::copy_file(root / "a/Saves/fast.gam", root / "a/Saves/again.gam");
    LookTwice();
    EXPECT_EQ(Shown(), "slow.gam");
    EXPECT_EQ(State().Log.Lines(), lines);
    WriteFile(root / "a/Saves/hostile.gam", std::vector<std::uint8_t>(4000, 0xff));
    LookTwice();
    EXPECT_EQ(Shown(), "slow.gam");
    EXPECT_TRUE(State().Log.NewestIsFailure());
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("hostile.gam"));
    const auto refused = State().Log.Lines();
    LookTwice();  // said once
    EXPECT_EQ(State().Log.Lines(), refused);
}

TEST_F(FollowInWindow, ARaceTheHistoryHoldsAlreadyIsSaidToBeKnownNeverANewBest)
{
    Start();
    Load(WriteRace(root / "b", "best.gam", 760));  // the personal best
    Load(WriteRace(root / "b", "other.gam", 800));
    Load(WriteRace(root / "a", "first.gam", 840));
    Follow(true);
    // A copy of the personal best race saved into the followed folder.
    fs::copy_file(root / "b/Saves/best.gam", root / "a/Saves/copy.gam");
    LookTwice();
    EXPECT_EQ(Shown(), "copy.gam");
    EXPECT_EQ(NewestLog(), "Already in the history: copy.gam");
}

TEST_F(FollowInWindow, RacesSavedTogetherAreAllRecordedOldestFirstAndTheNewestIsShown)
{
    Start();
    Load(WriteRace(root / "a", "first.gam", 800));
    Follow(true);
    // Two saved games copied in at once, the older one named last.
    const std::string older = WriteRace(root / "a", "z-older.gam", 820);
    const std::string newer = WriteRace(root / "a", "a-newer.gam", 780);
    fs::last_write_time(older, fs::last_write_time(newer) - 5s);
    LookTwice();
    EXPECT_EQ(Shown(), "a-newer.gam");
    EXPECT_EQ(OpenHistory(history).Store->Holds(Sha256(test::ReadFile(older))), true);
    EXPECT_EQ(OpenHistory(history).Store->Holds(Sha256(test::ReadFile(newer))), true);
    // Each said; the newer measured against the older, recorded first.
    const auto& messages = State().Log.Messages();
    const auto said = [&](const std::string& name) {
        return std::find_if(messages.begin(), messages.end(), [&](const std::string& m) {
            return m.starts_with("New ") && m.ends_with(": " + name);
        });
    };
    ASSERT_NE(said("z-older.gam"), messages.end());
    ASSERT_NE(said("a-newer.gam"), messages.end());
    EXPECT_LT(said("a-newer.gam"), said("z-older.gam")) << "newest first in the log";
    EXPECT_THAT(*said("a-newer.gam"), StartsWith("New best "));
}

TEST_F(FollowInWindow, TheFolderFollowedIsKeptAndFollowedFromTheStartAndTickingWithNoRaceAsksForOne)
{
    Start();
    WriteRace(root / "a", "first.gam", 800);
    script->answers = {""};  // cancelled: nothing followed
    Follow(true);
    ASSERT_EQ(script->asked.size(), 1u);
    EXPECT_TRUE(script->asked[0].folder);
    EXPECT_EQ(toolkit.GetControlValue(FollowCheckBox), 0);
    EXPECT_EQ(app.Following().Folder(), "");
    script->answers = {root / "a/Saves"};
    Follow(true);
    EXPECT_EQ(app.Following().Folder(), root / "a/Saves/");
    EXPECT_EQ(KeptSetting(), root / "a/Saves/");
    WriteRace(root / "a", "next.gam", 780);
    LookTwice();
    EXPECT_EQ(Shown(), "next.gam");
}

TEST_F(FollowInWindow, AFolderKeptFromTheLastRunIsFollowedBeforeAnyLoad)
{
    WriteRace(root / "a", "first.gam", 800);
    OpenHistory(history).Store->SetSetting("follow_folder", root / "a/Saves/");
    Start();
    EXPECT_EQ(toolkit.GetControlValue(FollowCheckBox), 1);
    EXPECT_EQ(app.Following().Folder(), root / "a/Saves/");
    EXPECT_EQ(Shown(), "");
    WriteRace(root / "a", "next.gam", 780);
    LookTwice();
    EXPECT_EQ(Shown(), "next.gam");
}

TEST_F(FollowInWindow, ADueRaceWaitsForALoadAnotherFolderIsFollowedAfreshAndAFolderGoneEndsFollowing)
{
    // Kept on from the last run: ticked at start, following from the first load.
    OpenHistory(history).Store->SetSetting("follow_folder", "on");
    Start();
    EXPECT_EQ(toolkit.GetControlValue(FollowCheckBox), 1);
    Load(WriteRace(root / "a", "first.gam", 800));
    EXPECT_EQ(app.Following().Folder(), root / "a/Saves/");

    WriteRace(root / "a", "next.gam", 780);
    Tick(FollowTimer);
    now += 1000ms;
    State().Loading = true;  // the user's own load, or its requester, is under way
    Tick(FollowTimer);
    EXPECT_EQ(Shown(), "first.gam");
    State().Loading = false;
    Tick(FollowTimer);
    EXPECT_EQ(Shown(), "next.gam");

    // A race loaded from another folder: that folder is followed, and what
    // was there already stays as it was.
    const std::string other = WriteRace(root / "b", "other.gam", 800);
    WriteRace(root / "b", "older.gam", 820);
    Load(other);
    EXPECT_EQ(app.Following().Folder(), root / "b/Saves/");
    LookTwice();
    EXPECT_EQ(Shown(), "other.gam");

    fs::remove_all(root / "b/Saves");
    Tick(FollowTimer);
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("Following ended"));
    EXPECT_EQ(toolkit.GetControlValue(FollowCheckBox), 0);
    EXPECT_FALSE(windowSystem.TimerRuns(FollowTimer));
    EXPECT_EQ(app.Following().Folder(), "");
    EXPECT_EQ(KeptSetting(), "off");
}

// Live: the system's timers and clock. The test waits (bounded) for each
// race to be shown whole; a step of the slow race delayed past a second on
// a loaded machine may be taken and refused, but the whole file is shown in
// the end, which is all the program guarantees and all this asserts.
TEST(FollowLive, ThreeRacesWrittenOneSlowlyAreEachShownWhole)
{
    TempFolder root;
    const std::string history = root / "history.sqlite3";
    OpenHistory(history).Store->SetSetting("follow_folder", "on");
    Toolkit toolkit;
    Application app{toolkit};
    app.StartUp({history, true});
    test::Script(toolkit);
    fs::create_directories(root / "Saves");
    WriteFile(root / "Saves/Oval.trk", test::OvalTrack().Build());
    const auto race = [](int samplesPerLap) {
        return test::CupGame("Oval", 3).SetReplay({.Samples = test::CirclingReplay(3, samplesPerLap)}).Build();
    };
    WriteFile(root / "Saves/start.gam", race(820));
    ASSERT_TRUE(LoadGameFrom(app.State(), toolkit, root / "Saves/start.gam"));

    // The events handled until done() or the deadline; whether done().
    const auto deadline = std::chrono::steady_clock::now() + 90s;
    const auto pumpUntil = [&](const std::function<bool()>& done) {
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            for (int event = toolkit.PollEvent(); event != 0; event = toolkit.PollEvent())
                app.HandleEvent(event);
            std::this_thread::sleep_for(10ms);
        }
        return done();
    };
    const auto shown = [&](const std::vector<std::uint8_t>& bytes) {
        return [&app, key = Sha256(bytes)] { return app.State().GameDigest == key; };
    };

    const auto first = race(800);
    WriteFile(root / "Saves/first.gam", first);
    ASSERT_TRUE(pumpUntil(shown(first)));

    const auto slow = race(780);
    {
        std::ofstream out(root / "Saves/slow.gam", std::ios::binary);
        const std::size_t step = slow.size() / 8 + 1;
        for (std::size_t at = 0; at < slow.size(); at += step) {
            out.write(reinterpret_cast<const char*>(slow.data() + at),
                      static_cast<std::streamsize>(std::min(step, slow.size() - at)));
            out.flush();
            const auto next = std::chrono::steady_clock::now() + 150ms;
            pumpUntil([&] { return std::chrono::steady_clock::now() >= next; });
        }
    }
    ASSERT_TRUE(pumpUntil(shown(slow)));

    // The third put in place by a rename, as some programs save.
    const auto last = race(760);
    WriteFile(root / "Saves/last.tmp", last);
    fs::rename(root / "Saves/last.tmp", root / "Saves/last.gam");
    ASSERT_TRUE(pumpUntil(shown(last)));
    EXPECT_THAT(app.State().Log.NewestWhole(), AllOf(StartsWith("New "), EndsWith(": last.gam")));
}

}  // namespace
}  // namespace vx
