// The race history in the window, driven as the user drives it: every
// committed load recorded, the history window over its track, a race loaded
// from its row, a folder added in steps while the windows answer, a window
// that records nothing, a history that cannot be opened, a history another
// program holds locked, the best lap of another race compared against
// ("PB", "Use as reference"), the standings with a kept lap of another
// driver, and a best lap exported as a lap file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>

#include <filesystem>
#include <set>
#include <tuple>

#include "app/QtWindow.h"
#include "app/windows/CompareLayout.h"
#include "app/windows/CompareWindow.h"
#include "app/windows/HistoryLayout.h"
#include "app/windows/LapFiles.h"
#include "fixtures/RaceFiles.h"
#include "history/Database.h"
#include "history/Recording.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "support/WindowDriver.h"
#include "toolkit/NoWindows.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
namespace layout = history_window;
using test::TempFolder;
using test::WriteFile;
using testing::ElementsAre;
using testing::HasSubstr;

class HistoryInWindow : public test::WindowTest {
protected:
    void SetUp() override {}  // each test starts the program with its own history
    void Start(const HistoryOptions& options)
    {
        app.StartUp(options);
        script = test::Script(toolkit);
    }
    // A race on the oval in folder/Saves (its track in folder/Tracks), day
    // days after the first: samplesPerLap sets its pace.
    std::string WriteRace(const std::string& folder, const std::string& name, int laps, int samplesPerLap,
                          int day)
    {
        fs::create_directories(folder + "/Saves");
        fs::create_directories(folder + "/Tracks");
        WriteFile(folder + "/Tracks/Oval.trk", test::OvalTrack().Build());
        const std::string path = folder + "/Saves/" + name;
        WriteFile(path, test::CupGame("Oval", laps).SetReplay({.Samples = test::CirclingReplay(laps, samplesPerLap)}).Build());
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * (100 - day)));
        return path;
    }
    void Load(const std::string& game)
    {
        script->answers = {game};
        Click("Load");
    }
    // A click (or another press) on the row of the race table.
    void OnRaceRow(int row, PointerAction action = PointerAction::Press, bool shift = false)
    {
        Point(layout::RaceTable.Control, action, 40, 20 + 16 * row + 5, 0, shift);
    }
    std::vector<std::string> RaceFiles()
    {
        std::vector<std::string> names;
        for (const ProgressRow& row : Shown().Races())
            names.push_back(row.FileName);
        return names;
    }
    HistoryWindow& Shown() { return app.History(); }
    int LogLinesWith(const std::string& text)
    {
        int count = 0;
        for (const std::string& line : State().Log.Lines())
            count += line.find(text) != std::string::npos ? 1 : 0;
        return count;
    }

    TempFolder root;
    std::string history = root / "history.sqlite3";
};

TEST_F(HistoryInWindow, LoadsAreRecordedAndTheWindowShowsTheShownRacesTrackAndLoadsItsRaces)
{
    Start({history, true});
    const std::string slow = WriteRace(root / "a", "slow.gam", 3, 840, 0);
    const std::string fast = WriteRace(root / "a", "fast.gam", 4, 760, 1);
    const std::string middle = WriteRace(root / "a", "middle.gam", 3, 800, 2);
    // Another track: the oval a little longer is another layout.
    fs::create_directories(root / "b/Saves");
    WriteFile(root / "b/Saves/Square.trk", test::OvalTrack().SetTrackLength(2600).Build());
    WriteFile(root / "b/Saves/square.gam", test::CupGame("Square", 2).Build());
    for (const std::string& game : {slow, fast, middle, root / "b/Saves/square.gam"}) {
        Load(game);
        EXPECT_EQ(State().Log.Lines()[1], "Recorded in the history: " + FileNamePart(game));
    }
    Load(middle);  // known already: nothing more to say
    EXPECT_EQ(State().Log.Lines()[1], "Loaded square.gam: 2 laps");
    Load(root / "b/Saves/square.gam");

    Press(HistoryButton);
    ASSERT_TRUE(Shown().IsOpen(toolkit));
    ASSERT_EQ(Shown().Tracks().size(), 2u);
    EXPECT_EQ(Shown().Tracks()[1].Name, "Square");
    EXPECT_EQ(Shown().ChosenTrack(), 1);  // the shown race's, not the first
    // Another track chosen: its races in date order, the PB where it fell.
    Point(layout::TrackList.Control, PointerAction::Press, 20, 20 + 5);
    ASSERT_EQ(Shown().ChosenTrack(), 0);
    EXPECT_EQ(RaceFiles(), (std::vector<std::string>{"slow.gam", "fast.gam", "middle.gam"}));
    EXPECT_TRUE(Shown().Races()[0].PersonalBest);
    EXPECT_TRUE(Shown().Races()[1].PersonalBest);
    EXPECT_FALSE(Shown().Races()[2].PersonalBest);

    // A race whose file is there loads in the main window.
    OnRaceRow(1);
    EXPECT_EQ(FileNamePart(State().GamePath), "fast.gam");
    EXPECT_EQ(State().Laps.LapCount, 4);
    // One gone, one rewritten with other bytes: said, and nothing else changes.
    fs::remove(slow);
    OnRaceRow(0);
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("Saved game gone: slow.gam"));
    WriteFile(middle, test::CupGame("Oval", 5).Build());
    OnRaceRow(2);
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("changed since the history recorded it: middle.gam"));
    EXPECT_EQ(FileNamePart(State().GamePath), "fast.gam");
    EXPECT_EQ(State().Laps.LapCount, 4);
    EXPECT_EQ(Shown().Races().size(), 3u);  // both stay in the history
    // The folder "Open Game" used last is where it starts in the next run.
    const auto opening = OpenHistory(history);
    ASSERT_TRUE(opening.Store);
    EXPECT_EQ(opening.Store->Setting("open_game_folder"), std::optional<std::string>((root / "a/Saves") + "/"));
}

TEST_F(HistoryInWindow, PbComparesAgainstTheBestLapOfAnotherRaceUntilALapOfThisRaceIsPicked)
{
    Start({history, true});
    const std::string fast = WriteRace(root / "a", "fast.gam", 4, 760, 1);
    const std::string slow = WriteRace(root / "a", "slow.gam", 3, 840, 0);
    const CompareWindow& compare = app.Compare();
    Load(fast);
    Click("Compare");
    ASSERT_TRUE(compare.IsOpen(toolkit));
    EXPECT_FALSE(toolkit.ControlEnabled(compare_window::AgainstBest.Number));  // no other race yet
    Load(slow);
    ASSERT_TRUE(toolkit.ControlEnabled(compare_window::AgainstBest.Number));

    Press(compare_window::AgainstBest.Number);
    ASSERT_TRUE(compare.AgainstOtherRace().has_value());
    EXPECT_EQ(compare.AgainstOtherRace()->FileName, "fast.gam");
    EXPECT_EQ(compare.Against(), 0);  // no lap of this race
    const std::int32_t reference = compare.Analysis()->ReferenceLap;
    const std::string named = toolkit.GetControlText(compare_window::AgainstRace.Number);
    EXPECT_THAT(named, testing::MatchesRegex("PB: 20[0-9][0-9]-[01][0-9]-[0-3][0-9] fast\\.gam, lap [0-9]+"));
    EXPECT_LT(compare.AgainstOtherRace()->BestS, compare.Analysis()->Lap(reference).PreciseS);

    // "<" goes back to this race's laps, beside its reference lap.
    Press(compare_window::PrevAgainst.Number);
    EXPECT_FALSE(compare.AgainstOtherRace());
    EXPECT_EQ(compare.Against(), std::max(1, reference - 1));
    EXPECT_EQ(toolkit.GetControlText(compare_window::AgainstRace.Number), "");
    // So does a row picked in the table; another race forgets the choice.
    Press(compare_window::AgainstBest.Number);
    Point(compare_window::LapTable.Control, PointerAction::RightPress, 40, 20 + 16 * 2 + 5);
    EXPECT_EQ(compare.Against(), 3);
    EXPECT_FALSE(compare.AgainstOtherRace());
    Press(compare_window::AgainstBest.Number);
    Load(fast);
    EXPECT_FALSE(compare.AgainstOtherRace());
    EXPECT_TRUE(toolkit.ControlEnabled(compare_window::AgainstBest.Number));  // slow.gam's best now
}

TEST_F(HistoryInWindow, UseAsReferenceComparesAgainstTheChosenRaceOrSaysWhyNotInFrontOfTheHistory)
{
    Start({history, true});
    fs::create_directories(root / "b/Saves");
    WriteFile(root / "b/Saves/Square.trk", test::OvalTrack().SetTrackLength(2600).Build());
    WriteFile(root / "b/Saves/square.gam", test::CupGame("Square", 2).Build());
    Load(root / "b/Saves/square.gam");
    Load(WriteRace(root / "a", "first.gam", 3, 800, 0));
    Load(WriteRace(root / "a", "second.gam", 3, 780, 1));
    ASSERT_FALSE(app.Compare().IsOpen(toolkit));

    Press(HistoryButton);
    ASSERT_EQ(RaceFiles(), (std::vector<std::string>{"first.gam", "second.gam"}));
    EXPECT_FALSE(toolkit.ControlEnabled(layout::UseAsReference.Number));  // no race chosen
    OnRaceRow(0, PointerAction::Press, true);
    Press(layout::UseAsReference.Number);
    ASSERT_TRUE(app.Compare().IsOpen(toolkit));
    ASSERT_TRUE(app.Compare().AgainstOtherRace());
    EXPECT_EQ(app.Compare().AgainstOtherRace()->FileName, "first.gam");

    // A race of another track: said in the log and in front of the history window.
    Point(layout::TrackList.Control, PointerAction::Press, 20, 20 + 16 + 5);
    ASSERT_EQ(RaceFiles(), (std::vector<std::string>{"square.gam"}));
    OnRaceRow(0, PointerAction::RightPress);
    const std::size_t boxes = script->shown.size();
    Press(layout::UseAsReference.Number);
    EXPECT_THAT(State().Log.NewestWhole(),
                HasSubstr("Not used as reference: square.gam (it was raced on another track than the race shown)"));
    ASSERT_EQ(script->shown.size(), boxes + 1);
    EXPECT_EQ(script->shown.back().owner, layout::Number);
    EXPECT_EQ(app.Compare().AgainstOtherRace()->FileName, "first.gam");  // the choice stays
}

TEST_F(HistoryInWindow, TheStandingsShowAKeptLapOfAnotherDriverWhichChosenThereBecomesTheReference)
{
    // Ada's lap 2 of her own race on the oval, sent as a lap file.
    std::optional<LapFile> lap;
    {
        Toolkit files(Platform{.windows = NoWindowSystem()});
        AppState theirs;
        InitAppState(theirs, files.CurrentFolder());
        ASSERT_TRUE(LoadGameData(theirs, files, WriteRace(root / "ada", "ada.gam", 3, 740, 0)));
        std::string whyNot;
        lap = LapFileOfShownRace(theirs, 2, "Ada Morrow", whyNot);
        ASSERT_TRUE(lap) << whyNot;
    }
    Start({history, true});
    fs::create_directories(root / "b/Saves");
    WriteFile(root / "b/Saves/Square.trk", test::OvalTrack().SetTrackLength(2600).Build());
    WriteFile(root / "b/Saves/square.gam", test::CupGame("Square", 2).Build());
    Load(root / "b/Saves/square.gam");
    Load(WriteRace(root / "a", "mine.gam", 3, 800, 1));
    ASSERT_EQ(Shown().Store()->KeepLapFile(*lap), HistoryStore::Kept::New);

    Press(HistoryButton);
    ASSERT_EQ(Shown().Standings().size(), 2u);
    const StandingRow ada = Shown().Standings()[0];  // hers is the faster
    EXPECT_EQ(ada.Kind, StandingRow::Of::KeptLap);
    EXPECT_EQ(ada.Driver, "Ada Morrow");
    EXPECT_EQ(Shown().Standings()[1].FileName, "mine.gam");
    EXPECT_GT(Shown().Standings()[1].GapS, 0);
    EXPECT_FALSE(Shown().StandingsShown(toolkit));  // the progress chart first
    toolkit.SetControlValue(layout::Standings.Number, 1);
    Press(layout::Standings.Number);
    ASSERT_TRUE(Shown().StandingsShown(toolkit));

    // Her row clicked in the chart's box: chosen, and compared against.
    Point(layout::StandingsTable.Control, PointerAction::Press, 40, 20 + 5);
    ASSERT_EQ(Shown().ChosenLap(), std::optional<LapKey>(ada.Kept));
    EXPECT_FALSE(Shown().ChosenRace());
    Press(layout::UseAsReference.Number);
    ASSERT_TRUE(app.Compare().IsOpen(toolkit));
    ASSERT_TRUE(app.Compare().AgainstLapFile());
    EXPECT_EQ(app.Compare().AgainstLapFile()->Driver, "Ada Morrow");
    EXPECT_EQ(app.Compare().AgainstLapFile()->Lap, 2);
    EXPECT_EQ(app.Compare().AgainstLapFile()->Path.size(), lap->Path.size());
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("Compared against Ada Morrow's lap 2 ("));

    // With the square shown, it is said to be of another track, in front of the history.
    Load(root / "b/Saves/square.gam");
    const std::size_t boxes = script->shown.size();
    Press(layout::UseAsReference.Number);
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("(it was driven on another track than the race shown)"));
    ASSERT_EQ(script->shown.size(), boxes + 1);
    EXPECT_EQ(script->shown.back().owner, layout::Number);
}

TEST_F(HistoryInWindow, ExportLapWritesTheChosenRacesBestLapAsALapFileThatReadsBack)
{
    Start({history, true});
    Load(WriteRace(root / "a", "first.gam", 3, 800, 0));
    Load(WriteRace(root / "a", "second.gam", 3, 780, 1));
    Press(HistoryButton);
    EXPECT_FALSE(toolkit.ControlEnabled(layout::ExportLap.Number));  // nothing chosen
    OnRaceRow(0, PointerAction::RightPress);
    ASSERT_TRUE(toolkit.ControlEnabled(layout::ExportLap.Number));
    const ProgressRow first = Shown().Races()[0];
    script->answers = {root / "first best"};
    Press(layout::ExportLap.Number);

    ASSERT_FALSE(script->asked.empty());
    EXPECT_TRUE(script->asked.back().save);
    EXPECT_EQ(script->asked.back().owner, layout::Number);
    const std::string proposed = FileNamePart(script->asked.back().defaultFile);
    EXPECT_EQ(proposed.rfind("Oval ", 0), 0u) << proposed;
    EXPECT_THAT(proposed, HasSubstr(" " + SecondsText(first.BestS) + ".vxlap"));
    const Parsed<LapFile> read = ReadLapFileAt(toolkit, root / "first best.vxlap", "first best.vxlap");
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.value->Race, first.Race);
    EXPECT_EQ(read.value->Lap, first.BestLap);
    EXPECT_DOUBLE_EQ(read.value->PreciseS, first.BestS);
    EXPECT_EQ(proposed, ProposedLapFileName(*read.value));
    EXPECT_EQ(State().Log.NewestWhole(), "The best lap of first.gam exported: first best.vxlap");
}

TEST_F(HistoryInWindow, AFolderIsAddedOneStepAtATimeWhileTheWindowsAnswerAndCancelKeepsWhatWasRead)
{
    Start({history, true});
    for (int i = 0; i < 5; ++i)
        WriteRace(root / "more", "race" + std::to_string(i) + ".gam", 2, 780 + 10 * i, i);
    Press(HistoryButton);
    ASSERT_TRUE(Shown().Tracks().empty());
    EXPECT_FALSE(toolkit.ControlEnabled(layout::CancelAdd.Number));
    script->answers = {root / "more"};
    Press(layout::AddFolder.Number);
    ASSERT_TRUE(Shown().Adding());
    EXPECT_TRUE(script->asked.back().folder);
    EXPECT_EQ(script->asked.back().owner, layout::Number);
    EXPECT_FALSE(toolkit.ControlEnabled(layout::AddFolder.Number));
    // more/, more/Saves/ and more/Tracks/ looked through, then two saved games.
    for (int step = 0; step < 5; ++step)
        Tick(layout::AddTimer);
    EXPECT_THAT(toolkit.GetControlText(layout::AddProgress.Number), HasSubstr("2 of 5: race1.gam"));
    // Meanwhile the main window loads (and records) a race of its own.
    const std::string own = WriteRace(root / "own", "own.gam", 3, 800, 9);
    Load(own);
    EXPECT_EQ(FileNamePart(State().GamePath), "own.gam");
    ASSERT_TRUE(Shown().Adding());

    Press(layout::CancelAdd.Number);
    EXPECT_FALSE(Shown().Adding());
    EXPECT_FALSE(windowSystem.TimerRuns(layout::AddTimer));
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("2 races recorded, 0 already known, 0 refused; stopped after 2 of 5"));
    EXPECT_EQ(RaceFiles(), (std::vector<std::string>{"race0.gam", "race1.gam", "own.gam"}));

    // Again to the end: the two read before are known without being read.
    script->answers = {root / "more"};
    Press(layout::AddFolder.Number);
    for (int step = 0; step < 20 && Shown().Adding(); ++step)
        Tick(layout::AddTimer);
    EXPECT_FALSE(Shown().Adding());
    EXPECT_THAT(State().Log.NewestWhole(), HasSubstr("3 races recorded, 2 already known, 0 refused"));
    EXPECT_EQ(Shown().Races().size(), 6u);
    EXPECT_EQ(script->asked.back().defaultFile, root / "more");  // where the requester starts next
}

TEST_F(HistoryInWindow, WithoutRecordingTheWindowReadsTheHistoryAndWritesNothing)
{
    const std::string first = WriteRace(root / "a", "first.gam", 3, 800, 0);
    const std::string second = WriteRace(root / "a", "second.gam", 3, 780, 1);
    {
        // Recorded by another run of the program.
        Toolkit files(Platform{.windows = NoWindowSystem()});
        AppState loaded;
        InitAppState(loaded, files.CurrentFolder());
        ASSERT_TRUE(LoadGameData(loaded, files, first));
        auto opening = OpenHistory(history);
        ASSERT_TRUE(opening.Store);
        ASSERT_TRUE(RecordCommittedRace(*opening.Store, loaded).recorded);
    }
    const std::vector<std::uint8_t> before = test::ReadFile(history);
    Start({history, false});
    Load(second);
    ASSERT_EQ(FileNamePart(State().GamePath), "second.gam");
    EXPECT_EQ(LogLinesWith("history"), 0);
    Press(HistoryButton);
    ASSERT_EQ(Shown().Races().size(), 1u);
    EXPECT_EQ(Shown().Races()[0].FileName, "first.gam");
    EXPECT_FALSE(toolkit.ControlEnabled(layout::AddFolder.Number));
    CloseWindow(layout::Title);
    EXPECT_FALSE(Shown().IsOpen(toolkit));
    EXPECT_EQ(test::ReadFile(history), before);
}

TEST_F(HistoryInWindow, AHeaderClickedSortsTheRacesAndADotClickedChoosesItsRace)
{
    Start({history, true});
    for (const auto& [name, pace, day] : {std::tuple{"slow.gam", 840, 0}, std::tuple{"fast.gam", 760, 1},
                                          std::tuple{"middle.gam", 800, 2}})
        Load(WriteRace(root / "a", name, 3, pace, day));
    Press(HistoryButton);
    ASSERT_THAT(RaceFiles(), ElementsAre("slow.gam", "fast.gam", "middle.gam"));  // in date order
    const int bestLapHeader = 350;
    Point(layout::RaceTable.Control, PointerAction::Press, bestLapHeader, 5);
    EXPECT_THAT(RaceFiles(), ElementsAre("fast.gam", "middle.gam", "slow.gam"));
    Point(layout::RaceTable.Control, PointerAction::Press, bestLapHeader, 5);
    EXPECT_THAT(RaceFiles(), ElementsAre("slow.gam", "middle.gam", "fast.gam"));
    EXPECT_EQ(Shown().ChosenDriver(), Shown().Drivers().front());

    // Each race's dot, clicked, makes its race the chosen one.
    const auto& chart = layout::ProgressChart.At;
    int dots = 0;
    std::set<std::string> named;
    for (int y = 0; y < chart.h && named.size() < 3; y += 1) {
        for (int x = 0; x < chart.w; x += 1) {
            if (!Shown().RaceAtChartPoint(x, y))
                continue;
            Point(layout::ProgressChart.Control, PointerAction::Press, x, y);
            ASSERT_TRUE(Shown().ChosenRace());
            for (const ProgressRow& row : Shown().Races())
                if (row.Race == *Shown().ChosenRace())
                    named.insert(row.FileName);
            ++dots;
            x += 12;  // beyond this dot
        }
    }
    EXPECT_EQ(named, (std::set<std::string>{"slow.gam", "fast.gam", "middle.gam"}));
    EXPECT_TRUE(toolkit.ControlEnabled(layout::UseAsReference.Number));
    EXPECT_GT(dots, 0);
}

TEST_F(HistoryInWindow, WhileAnotherProgramHoldsTheHistoryTheRaceWaitsAndIsRecordedLaterNothingLost)
{
    Start({history, true});
    const std::string first = WriteRace(root / "a", "first.gam", 3, 800, 0);
    const std::string second = WriteRace(root / "a", "second.gam", 3, 780, 1);
    Database other;  // another program, in the middle of a write
    ASSERT_TRUE(other.Open(history, Database::Mode::ReadWrite));
    ASSERT_TRUE(other.Execute("BEGIN IMMEDIATE;")) << other.LastError().message;
    Load(first);
    Load(second);
    // Both loaded at once, both waiting, nothing said as failed.
    EXPECT_EQ(FileNamePart(State().GamePath), "second.gam");
    ASSERT_EQ(app.RaceHistory().Waiting().size(), 2u);
    EXPECT_FALSE(State().Log.NewestIsFailure()) << State().Log.NewestWhole();
    EXPECT_EQ(LogLinesWith("history"), 0);
    // A wait that lasts is said once, whatever the number of tries after.
    for (int i = 0; i < 2 * WindowHistory::kTriesBeforeSaid; ++i)
        app.RaceHistory().IdleTurn(State(), toolkit);
    EXPECT_EQ(LogLinesWith("History busy: 2 races wait"), 1);
    EXPECT_TRUE(State().Log.NewestIsFailure());

    ASSERT_TRUE(other.Execute("COMMIT;")) << other.LastError().message;
    app.RaceHistory().IdleTurn(State(), toolkit);
    EXPECT_TRUE(app.RaceHistory().Waiting().empty());
    EXPECT_EQ(LogLinesWith("Recorded in the history: "), 2);
    EXPECT_EQ(State().Log.NewestWhole(), "History free again: every waiting race recorded");
    Press(HistoryButton);
    EXPECT_THAT(RaceFiles(), ElementsAre("first.gam", "second.gam"));
}

TEST_F(HistoryInWindow, AHistoryThatCannotBeOpenedIsSaidOnceAndTheWindowWorksWithoutIt)
{
    // A file where the history's folder would be.
    WriteFile(root / "taken", {1, 2, 3});
    Start({root / "taken/history.sqlite3", true});
    ASSERT_EQ(LogLinesWith("History unavailable: "), 1);
    const std::string reason = State().Log.NewestWhole().substr(std::string("History unavailable: ").size());
    ASSERT_FALSE(reason.empty());
    const QPushButton* button = test::Button("History");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->toolTip().contains(QString::fromStdString(reason))) << button->toolTip().toStdString();

    Load(WriteRace(root / "a", "race.gam", 3, 800, 0));
    EXPECT_EQ(State().Laps.LapCount, 3);
    Load(WriteRace(root / "a", "other.gam", 2, 800, 1));
    EXPECT_EQ(LogLinesWith("History unavailable: "), 1);
    Press(HistoryButton);
    EXPECT_FALSE(Shown().IsOpen(toolkit));
    ASSERT_FALSE(script->shown.empty());
    EXPECT_THAT(script->shown.back().text, HasSubstr(reason));
}

}  // namespace
}  // namespace vx
