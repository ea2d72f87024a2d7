// "Load" from end to end, through the real window and a scripted requester.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "fixtures/RaceFiles.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"

namespace vx {
namespace {

using test::CupGame;
using test::OvalTrack;
using test::TempFolder;
using test::WriteFile;

// A race folder: root/Saves/cup.gam raced on Oval, root/Tracks/Oval.trk.
class Load : public test::WindowTest {
protected:
    void SetUp() override
    {
        test::WindowTest::SetUp();
        std::filesystem::create_directories(root / "Saves");
        std::filesystem::create_directories(root / "Tracks");
        WriteFile(GamePath(), CupGame().Build());
        WriteFile(root / "Tracks/Oval.trk", OvalTrack().Build());
    }
    std::string GamePath() const { return root / "Saves/cup.gam"; }

    // Everything the window shows of the analysis.
    struct Snapshot {
        std::vector<std::uint32_t> map, gauges, table, summary, chart;
        int sliderMaximum = 0;
        std::int64_t sliderPosition = 0;
        std::string label;
        bool operator==(const Snapshot&) const = default;
    };
    std::vector<std::uint32_t> Pixels(int image)
    {
        const Image* found = toolkit.FindImage(image);
        if (found == nullptr)
            return {};
        return {found->Words(), found->Words() + found->Width() * found->Height()};
    }
    Snapshot Take()
    {
        return {Pixels(MapImage),
                Pixels(GaugeImage),
                Pixels(DriverTableImage),
                Pixels(LapSummaryImage),
                Pixels(LapChartImage),
                toolkit.GetControlAttribute(LapSlider, 2),
                toolkit.GetControlValue(LapSlider),
                LapLabel()};
    }
    void LoadWithAnswers(std::initializer_list<std::string> answers)
    {
        script->answers.assign(answers.begin(), answers.end());
        Click("Load");
    }

    TempFolder root;
};

TEST_F(Load, FindsTheTrackInTheTracksFolderWithoutAsking)
{
    LoadWithAnswers({GamePath()});
    ASSERT_EQ(script->asked.size(), 1u);
    EXPECT_EQ(script->asked[0].title, "Open Game");
    EXPECT_EQ(script->asked[0].filter, "gam|*.gam");
    EXPECT_EQ(State().TrackPath, root / "Tracks/Oval.trk");
    EXPECT_EQ(State().Laps.LapCount, 3);
    EXPECT_EQ(toolkit.GetControlAttribute(LapSlider, 2), 3);
    EXPECT_EQ(LapLabel(), "0");
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 0);
    EXPECT_TRUE(toolkit.ImageExists(MapMasterImage));
    EXPECT_TRUE(toolkit.ControlEnabled(SaveButton));
    EXPECT_EQ(PictureNameOf(State()), "Oval_5432_Anna");
    EXPECT_EQ(NewestLog(), "Loaded cup.gam: 3 laps");
}

TEST_F(Load, TriesTheTrackBesideTheSavedGameFirst)
{
    WriteFile(root / "Saves/Oval.trk", OvalTrack().SetBestTime1(4000, "Ida").Build());
    LoadWithAnswers({GamePath()});
    EXPECT_EQ(State().TrackPath, root / "Saves/Oval.trk");
    EXPECT_EQ(PictureNameOf(State()), "Oval_4000_Ida");
}

TEST_F(Load, AsksForTheTrackOnlyWhenNeitherCandidateExists)
{
    std::filesystem::remove(root / "Tracks/Oval.trk");
    std::filesystem::create_directories(root / "Other");
    WriteFile(root / "Other/Oval2.trk", OvalTrack().Build());
    LoadWithAnswers({GamePath(), root / "Other/Oval2.trk"});
    ASSERT_EQ(script->asked.size(), 2u);
    EXPECT_EQ(script->asked[1].title, "Open Track: Oval.trk");
    EXPECT_EQ(script->asked[1].defaultFile, root / "Saves/");
    EXPECT_EQ(script->asked[1].filter, "trk|*.trk");
    EXPECT_EQ(State().TrackDirectory, root / "Other/");
    EXPECT_EQ(State().Laps.LapCount, 3);
    EXPECT_EQ(PictureNameOf(State()), "Oval2_5432_Anna");
}

TEST_F(Load, ReplacesSavesByTracksInAnyLetterCase)
{
    std::filesystem::create_directories(root / "race/SAVES/saves");
    std::filesystem::create_directories(root / "race/Tracks/Tracks");
    WriteFile(root / "race/SAVES/saves/cup.gam", CupGame().Build());
    WriteFile(root / "race/Tracks/Tracks/Oval.trk", OvalTrack().Build());
    LoadWithAnswers({root / "race/SAVES/saves/cup.gam"});
    EXPECT_EQ(State().TrackPath, root / "race/Tracks/Tracks/Oval.trk");
    EXPECT_EQ(script->asked.size(), 1u);
}

TEST_F(Load, FindsATrackWhoseNameDiffersOnlyInLetterCase)
{
    std::filesystem::remove(root / "Tracks/Oval.trk");
    std::filesystem::remove(root / "Tracks");
    std::filesystem::create_directories(root / "tracks");
    WriteFile(root / "tracks/OVAL.TRK", OvalTrack().Build());
    LoadWithAnswers({GamePath()});
    EXPECT_EQ(script->asked.size(), 1u);
    EXPECT_EQ(State().TrackPath, root / "tracks/OVAL.TRK");
    EXPECT_EQ(State().Laps.LapCount, 3);
    // What is shown keeps the saved game's spelling.
    EXPECT_EQ(MapLabelsOfTrack(State()).TrackName, "Oval");
    EXPECT_EQ(PictureNameOf(State()), "Oval_5432_Anna");
}

TEST_F(Load, FindsATrackWhoseNameDiffersInTheCaseOfAnAccentedLetter)
{
    // The game writes "Öland" (Windows-1252 D6); the file on disk is "öLAND.trk".
    WriteFile(GamePath(), CupGame("\xD6land").Build());
    WriteFile(root / "Tracks/\xC3\xB6LAND.trk", OvalTrack().Build());
    LoadWithAnswers({GamePath()});
    EXPECT_EQ(script->asked.size(), 1u);
    EXPECT_EQ(State().TrackPath, root / "Tracks/\xC3\xB6LAND.trk");
}

TEST_F(Load, NamesWithAccentsAreFoundAndShownAsTheFilesSpellThem)
{
    // Inside the files the names are Windows-1252 (E4, F6); on disk UTF-8.
    WriteFile(root / "Saves/accent.gam", CupGame("Kestrelv\xE4le").Build());
    WriteFile(root / "Tracks/Kestrelv\xC3\xA4le.trk",
              OvalTrack().SetBestTime1(4318, "Ada M\xF6rrow").Build());
    LoadWithAnswers({root / "Saves/accent.gam"});
    EXPECT_EQ(script->asked.size(), 1u);
    EXPECT_EQ(State().TrackPath, root / "Tracks/Kestrelv\xC3\xA4le.trk");
    EXPECT_EQ(MapLabelsOfTrack(State()).TrackName, "Kestrelv\xE4le");
    EXPECT_EQ(PictureNameOf(State()), "Kestrelv\xE4le_4318_Ada M\xF6rrow");
    EXPECT_EQ(DefaultPictureFileName(State(), toolkit),
              toolkit.CurrentFolder() + "Kestrelv\xC3\xA4le_4318_Ada M\xC3\xB6rrow.jpg");
    EXPECT_EQ(NewestLog(), "Loaded accent.gam: 3 laps");
    // Not found: the log names the track as the saved game spells it, the
    // saved game, and both folders it was looked for in.
    std::filesystem::remove(root / "Tracks/Kestrelv\xC3\xA4le.trk");
    LoadWithAnswers({root / "Saves/accent.gam", ""});
    EXPECT_EQ(script->asked.back().title, "Open Track: Kestrelv\xE4le.trk");
    EXPECT_EQ(State().Log.NewestWhole(), "Track not found: Kestrelv\xC3\xA4le.trk (for accent.gam, looked for in " +
                                             root / "Saves" + " and " + root / "Tracks" + ")");
}

TEST_F(Load, ATrackChosenByHandNamedNixIsACancel)
{
    std::filesystem::remove(root / "Tracks/Oval.trk");
    WriteFile(root / "Saves/nix", OvalTrack().Build());
    LoadWithAnswers({GamePath(), root / "Saves/nix"});
    EXPECT_FALSE(toolkit.ImageExists(MapImage));
    EXPECT_EQ(NewestLog().rfind("Track not found: Oval.trk (for cup.gam, ", 0), 0u) << NewestLog();
}

TEST_F(Load, TheNextOpenGameStartsInTheLastGamesFolderEvenAfterAStop)
{
    std::filesystem::remove(root / "Tracks/Oval.trk");
    LoadWithAnswers({GamePath(), ""});
    LoadWithAnswers({""});
    ASSERT_EQ(script->asked.size(), 4u);
    EXPECT_EQ(script->asked[2].title, "Open Game");
    EXPECT_EQ(script->asked[2].defaultFile, root / "Saves/");
}

TEST_F(Load, AStoredTrackNameWithASeparatorGoesStraightToTheRequester)
{
    WriteFile(root / "Saves/evil.gam", CupGame("../Tracks/Oval").Build());
    LoadWithAnswers({root / "Saves/evil.gam", ""});
    ASSERT_EQ(script->asked.size(), 2u);
    EXPECT_EQ(script->asked[1].title, "Open Track: Oval.trk");
    EXPECT_FALSE(toolkit.ImageExists(MapImage));
}

TEST_F(Load, ATrackChosenAfterCancellingOpenGamePairsWithTheCurrentGame)
{
    LoadWithAnswers({GamePath()});
    WriteFile(root / "Tracks/Loop.trk", OvalTrack().SetBestTime1(3999, "Kim").Build());
    LoadWithAnswers({"", root / "Tracks/Loop.trk"});
    EXPECT_EQ(script->asked[2].title, "Open Track: nix");
    EXPECT_EQ(State().GamePath, GamePath());
    EXPECT_EQ(State().Game.DriverCount(), 3);
    EXPECT_EQ(State().Laps.LapCount, 3);
    EXPECT_EQ(PictureNameOf(State()), "Loop_3999_Kim");
}

TEST_F(Load, ATrackChosenBeforeAnySavedGameLoadsWithAnEmptyGame)
{
    LoadWithAnswers({"", root / "Tracks/Oval.trk"});
    EXPECT_TRUE(toolkit.ImageExists(MapImage));
    EXPECT_EQ(State().Game.DriverCount(), 0);
    EXPECT_EQ(State().Laps.LapCount, 0);
    EXPECT_EQ(toolkit.GetControlAttribute(LapSlider, 2), 0);
    EXPECT_EQ(NewestLog(), "Loaded Oval.trk without a saved game");
}

TEST_F(Load, ADroppedSavedGameLoadsAsIfChosen)
{
    Drop(GamePath());
    EXPECT_TRUE(script->asked.empty());
    EXPECT_EQ(State().Laps.LapCount, 3);
    EXPECT_EQ(State().GameDirectory, root / "Saves/");
}

TEST_F(Load, ASavedGameIsWhatParsesAsOneWhateverItsName)
{
    // Named without ".gam", a saved game loads when dropped.
    WriteFile(root / "Saves/race_noext", CupGame().Build());
    Drop(root / "Saves/race_noext");
    EXPECT_EQ(NewestLog(), "Loaded race_noext: 3 laps");

    // A track, and the map this program saves, are refused for what they are.
    LoadWithAnswers({GamePath()});
    ASSERT_NE(toolkit.SaveImageAsPng(MapImage, root / "map.png"), 0);
    ASSERT_NE(toolkit.SaveImageAsJpeg(MapImage, root / "map.gam", 7), 0);
    const std::pair<std::string, std::string> refused[] = {
        {"Oval.trk", "Not a saved game: Oval.trk (it is a track: load the saved game raced on it)"},
        {"map.png", "Not a saved game: map.png (it is a PNG picture)"},
        {"map.gam", "Not a saved game: map.gam (it is a JPEG picture)"}};
    for (const auto& [name, message] : refused) {
        Drop(name == "Oval.trk" ? root / "Tracks/Oval.trk" : root / name);
        EXPECT_EQ(NewestLog(), message);
        EXPECT_EQ(State().GamePath, GamePath());
    }
    Drop(root / "Saves/CUP.GAM");
    EXPECT_EQ(NewestLog(), "Saved game not found: CUP.GAM");
    EXPECT_EQ(script->asked.size(), 1u);  // drops ask nothing
}

TEST_F(Load, AGamePassedByALaterStartWhileTheRequesterIsOpenLoadsWhenItCloses)
{
    // The requester is modal: a drop meanwhile is ignored, a passed game is
    // the user's own later choice and must not be lost.
    struct PassingRequester : Requester {
        test::DrivingWindowSystem& windows;
        std::string game;
        PassingRequester(test::DrivingWindowSystem& w, std::string g) : windows(w), game(std::move(g)) {}
        std::string AskOpenFile(int, const std::string&, const std::string&, const std::string&, int) override
        {
            windows.Raise({PlatformEvent::Kind::Drop, 0, "/elsewhere/dropped.gam"});
            windows.Raise({PlatformEvent::Kind::Open, 0, game});
            return {};  // cancelled
        }
        std::string AskSaveFile(int, const std::string&, const std::string&, const std::string&, int) override
        {
            return {};
        }
    };
    toolkit.SetRequester(std::make_unique<PassingRequester>(windowSystem, GamePath()));
    Click("Load");
    EXPECT_EQ(State().GamePath, GamePath());
    EXPECT_EQ(State().Laps.LapCount, 3);
    EXPECT_EQ(toolkit.PollEvent(), 0);
}

TEST_F(Load, LapStepsRedrawTheChosenLapOverTheMasterCopy)
{
    LoadWithAnswers({GamePath()});
    const auto overview = Pixels(MapImage);
    Click(">");
    EXPECT_EQ(LapLabel(), "1");
    EXPECT_EQ(State().CurrentLap, 1);
    const auto lapOne = Pixels(MapImage);
    EXPECT_NE(lapOne, overview);
    Click(">");
    Click("<");
    EXPECT_EQ(Pixels(MapImage), lapOne);  // nothing of lap 2 is left over
    for (int i = 0; i < 5; ++i)
        Click(">");
    EXPECT_EQ(LapLabel(), "3");
}

// --- All or nothing ---------------------------------------------------------

struct EarlyStop {
    const char* name;
    std::function<std::vector<std::string>(const TempFolder&)> prepare;  // the answers
    const char* log;  // what the newest line of the log begins with
};

class LoadThatStops : public Load, public testing::WithParamInterface<EarlyStop> {};

TEST_P(LoadThatStops, LeavesThePreviousAnalysisWholeAndSaysWhy)
{
    LoadWithAnswers({GamePath()});
    Click(">");  // the previous analysis shows lap 1
    const Snapshot before = Take();
    const std::string logBefore = NewestLog();
    const std::vector<std::string> answers = GetParam().prepare(root);
    script->answers.assign(answers.begin(), answers.end());
    Click("Load");
    EXPECT_EQ(Take(), before);
    if (*GetParam().log != '\0')
        EXPECT_EQ(NewestLog().rfind(GetParam().log, 0), 0u) << NewestLog();
    else
        EXPECT_NE(NewestLog(), logBefore);  // the parser's reason, checked below
    // A failure is said whole in an error box in front of the main window
    // as well, and in red; cancelling both requesters is no failure.
    if (std::string(GetParam().name) == "BothRequestersCancelled") {
        EXPECT_TRUE(script->shown.empty());
        EXPECT_FALSE(State().Log.NewestIsFailure());
    } else {
        ASSERT_EQ(script->shown.size(), 1u);
        EXPECT_EQ(script->shown[0].owner, MainWindow);
        EXPECT_EQ(script->shown[0].kind, MessageKind::Error);
        EXPECT_EQ(script->shown[0].text, State().Log.NewestWhole());
        EXPECT_TRUE(State().Log.NewestIsFailure());
    }
    EXPECT_EQ(State().Laps.LapCount, 3);
    EXPECT_EQ(State().Game.DriverCount(), 3);
    Click(">");  // navigation still shows the previous analysis
    EXPECT_EQ(LapLabel(), "2");
    EXPECT_EQ(State().CurrentLap, 2);
}

std::vector<std::string> WithGame(const TempFolder& root, const std::string& name,
                                  const std::vector<std::uint8_t>& bytes,
                                  std::vector<std::string> more = {})
{
    std::filesystem::create_directories(root / "B/Saves");
    WriteFile(root / ("B/Saves/" + name), bytes);
    more.insert(more.begin(), root / ("B/Saves/" + name));
    return more;
}

INSTANTIATE_TEST_SUITE_P(
    EveryWay, LoadThatStops,
    testing::Values(
        EarlyStop{"BothRequestersCancelled",
                  [](const TempFolder&) { return std::vector<std::string>{"", ""}; },
                  "No track chosen"},
        EarlyStop{"SavedGameMissing",
                  [](const TempFolder& root) {
                      return std::vector<std::string>{root / "Saves/gone.gam"};
                  },
                  "Saved game not found: gone.gam"},
        EarlyStop{"SavedGameIsAFolder",
                  [](const TempFolder& root) {
                      std::filesystem::create_directories(root / "Saves/dir.gam");
                      return std::vector<std::string>{root / "Saves/dir.gam"};
                  },
                  "Cannot read saved game: dir.gam (it is a folder)"},
        EarlyStop{"SavedGameTooLarge",
                  [](const TempFolder& root) {
                      return WithGame(root, "big.gam", std::vector<std::uint8_t>(2'400'000, 1));
                  },
                  "Saved game too large: big.gam (2,400,000 bytes)"},
        EarlyStop{"SavedGameCut",
                  [](const TempFolder& root) {
                      auto bytes = CupGame().Build();
                      bytes.resize(100);
                      return WithGame(root, "cut.gam", bytes);
                  },
                  ""},
        EarlyStop{"TrackNotFoundAndRequesterCancelled",
                  [](const TempFolder& root) {
                      return WithGame(root, "x.gam", CupGame("Nowhere").Build(), {""});
                  },
                  "Track not found: Nowhere.trk (for x.gam, looked for in "},
        EarlyStop{"TrackChosenIsAFolder",
                  [](const TempFolder& root) {
                      std::filesystem::create_directories(root / "T/dir.trk");
                      return WithGame(root, "x.gam", CupGame("Nowhere").Build(),
                                      {root / "T/dir.trk"});
                  },
                  "Cannot read track: dir.trk (it is a folder)"},
        EarlyStop{"TrackTooLarge",
                  [](const TempFolder& root) {
                      std::filesystem::create_directories(root / "B/Tracks");
                      WriteFile(root / "B/Tracks/Huge.trk", std::vector<std::uint8_t>(1'000'001, 0));
                      return WithGame(root, "x.gam", CupGame("Huge").Build());
                  },
                  "Track too large: Huge.trk (1,000,001 bytes)"},
        EarlyStop{"TrackWithABadHeader",
                  [](const TempFolder& root) {
                      std::filesystem::create_directories(root / "B/Tracks");
                      WriteFile(root / "B/Tracks/Bad.trk", OvalTrack().SetMarker("vx").Build());
                      return WithGame(root, "x.gam", CupGame("Bad").Build());
                  },
                  ""},
        EarlyStop{"TrackDamaged",
                  [](const TempFolder& root) {
                      std::filesystem::create_directories(root / "B/Tracks");
                      auto bytes = OvalTrack().Build();
                      bytes.resize(static_cast<std::size_t>(OvalTrack().ObjectOffset(1) + 3));
                      WriteFile(root / "B/Tracks/Cut.trk", bytes);
                      return WithGame(root, "x.gam", CupGame("Cut").Build());
                  },
                  ""}),
    [](const testing::TestParamInfo<EarlyStop>& info) { return std::string(info.param.name); });

// The three stops whose reason comes from the parsers: their line names the
// file and the kind of failure, whatever the parser's words.
TEST_F(Load, ParserFailuresNameTheFileAndTheKindOfFailure)
{
    LoadWithAnswers({GamePath()});
    auto bytes = CupGame().Build();
    bytes.resize(100);
    WriteFile(root / "Saves/cut.gam", bytes);
    LoadWithAnswers({root / "Saves/cut.gam"});
    EXPECT_EQ(NewestLog().rfind("Saved game damaged: cut.gam (", 0), 0u) << NewestLog();

    WriteFile(root / "Tracks/Bad.trk", OvalTrack().SetMarker("vx").Build());
    WriteFile(root / "Saves/bad.gam", CupGame("Bad").Build());
    LoadWithAnswers({root / "Saves/bad.gam"});
    EXPECT_EQ(NewestLog().rfind("Not a track file: Bad.trk (", 0), 0u) << NewestLog();

    auto track = OvalTrack().Build();
    track.resize(static_cast<std::size_t>(OvalTrack().ObjectOffset(1) + 3));  // inside an object
    WriteFile(root / "Tracks/Cut.trk", track);
    WriteFile(root / "Saves/cut2.gam", CupGame("Cut").Build());
    LoadWithAnswers({root / "Saves/cut2.gam"});
    EXPECT_EQ(NewestLog().rfind("Track damaged: Cut.trk (", 0), 0u) << NewestLog();
}

TEST_F(Load, AnUnreadableSavedGameIsRefusedWithTheReason)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    chmod(GamePath().c_str(), 0);
    LoadWithAnswers({GamePath()});
    EXPECT_EQ(NewestLog(), "Cannot read saved game: cup.gam (Permission denied)");
}

TEST_F(Load, NeverWritesToTheFilesItReads)
{
    const auto game = test::ReadFile(GamePath());
    const auto track = test::ReadFile(root / "Tracks/Oval.trk");
    for (int i = 0; i < 3; ++i)
        LoadWithAnswers({GamePath()});
    EXPECT_EQ(test::ReadFile(GamePath()), game);
    EXPECT_EQ(test::ReadFile(root / "Tracks/Oval.trk"), track);
}

// The system's files, but the file's stamp moves between the two looks of
// the first `changes` reads: the game rewriting it while it is read.
class ChangingFiles : public FileSystem {
public:
    explicit ChangingFiles(int changes) : changes_(changes) {}
    std::uint64_t OpenForRead(const std::string& path, std::string& error) override
    {
        ++opens;
        looks_ = 0;
        return s_.OpenForRead(path, error);
    }
    FileStamp StampOf(std::uint64_t file) override
    {
        FileStamp stamp = s_.StampOf(file);
        if (opens <= changes_ && ++looks_ == 2)
            stamp.modifiedNs += 1;  // written meanwhile
        return stamp;
    }
    std::string CurrentFolder() override { return s_.CurrentFolder(); }
    std::string AbsolutePath(const std::string& p) override { return s_.AbsolutePath(p); }
    PathKind KindOf(const std::string& p) override { return s_.KindOf(p); }
    std::vector<FolderEntry> ListFolder(const std::string& f) override { return s_.ListFolder(f); }
    bool ListFiles(const std::string& f, std::vector<StampedFile>& l, std::string& e) override
    {
        return s_.ListFiles(f, l, e);
    }
    bool MakeFolders(const std::string& f, std::string& e) override { return s_.MakeFolders(f, e); }
    std::int64_t Read(std::uint64_t f, std::uint8_t* into, std::int64_t n, std::string& e) override
    {
        return s_.Read(f, into, n, e);
    }
    void Close(std::uint64_t f) override { s_.Close(f); }
    bool ReplaceFile(const std::string& p, std::span<const std::uint8_t> b, std::string& e) override
    {
        return s_.ReplaceFile(p, b, e);
    }
    int opens = 0;

private:
    FileSystem& s_ = SystemFiles();
    int changes_;
    int looks_ = 0;
};

TEST(ChangedWhileRead, AFileThatKeepsChangingIsRefusedAndOneThatSettlesIsRead)
{
    TempFolder root;
    std::filesystem::create_directories(root / "Saves");
    std::filesystem::create_directories(root / "Tracks");
    WriteFile(root / "Saves/cup.gam", CupGame().Build());
    WriteFile(root / "Tracks/Oval.trk", OvalTrack().Build());

    ChangingFiles always(1000);
    Toolkit restless({.files = always});
    AppState state;
    InitAppState(state, restless.CurrentFolder());
    EXPECT_FALSE(LoadGameData(state, restless, root / "Saves/cup.gam"));
    EXPECT_EQ(state.Log.NewestWhole(), "Saved game changed while being read: cup.gam");
    EXPECT_EQ(always.opens, kReadAttempts);
    EXPECT_FALSE(state.HasGame);

    ChangingFiles twice(2);  // the game's own read, and the retry after it
    Toolkit settling({.files = twice});
    EXPECT_TRUE(LoadGameData(state, settling, root / "Saves/cup.gam"));
    EXPECT_EQ(state.Laps.LapCount, 3);
}

}  // namespace
}  // namespace vx
