// Picture export and the message log.
#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/RaceFiles.h"
#include "load/Export.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

using test::TempFolder;
using test::WriteFile;

class Export : public test::WindowTest {
protected:
    void LoadRace()
    {
        std::filesystem::create_directories(root / "Saves");
        std::filesystem::create_directories(root / "Tracks");
        WriteFile(root / "Saves/cup.gam", test::CupGame().Build());
        WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
        script->answers = {root / "Saves/cup.gam"};
        Click("Load");
        ASSERT_TRUE(toolkit.ImageExists(MapImage));
        script->asked.clear();
    }
    void Save(const std::string& answer)
    {
        script->answers = {answer};
        Click("Save");
    }
    TempFolder root;
};

TEST_F(Export, ProposesTheCurrentFolderAndThePictureName)
{
    EXPECT_EQ(DefaultPictureFileName(State(), toolkit), toolkit.CurrentFolder() + ".jpg");
    LoadRace();
    Save("");
    ASSERT_EQ(script->asked.size(), 1u);
    EXPECT_TRUE(script->asked[0].save);
    EXPECT_EQ(script->asked[0].title, "Bild speichern");
    EXPECT_EQ(script->asked[0].filter, "jpg|*.jpg|png|*.png");  // JPEG first, PNG beside it
    EXPECT_EQ(script->asked[0].defaultFile, toolkit.CurrentFolder() + "Oval_5432_Anna.jpg");
}

TEST_F(Export, APictureNameThatCannotBeAFileNameLeavesTheNameEmpty)
{
    // The track's name and the holder's make the picture's name.
    for (const char* name : {"a/b", "a\\b", "x\"y", "x*y", "x:y", "x<y", "x>y", "x?y", "x|y",
                             "tab\there"}) {
        State().HasTrack = true;
        State().TrackFileName = "Oval.trk";
        State().Track.BestTime1 = 5432;
        State().Track.BestTime2 = 6000;
        State().Track.BestTimeName1 = name;
        EXPECT_EQ(DefaultPictureFileName(State(), toolkit), toolkit.CurrentFolder()) << name;
    }
}

TEST_F(Export, TheSaveButtonWorksOnlyOnceAMapExists)
{
    EXPECT_FALSE(toolkit.ControlEnabled(SaveButton));
    LoadRace();
    EXPECT_TRUE(toolkit.ControlEnabled(SaveButton));
}

TEST_F(Export, ASavedPictureIsLogged)
{
    LoadRace();
    Save(root / "map.jpg");
    EXPECT_TRUE(std::filesystem::exists(root / "map.jpg"));
    EXPECT_EQ(State().Log.Lines()[1], "Loaded cup.gam: 3 laps");
    EXPECT_EQ(toolkit.GetControlText(LogLabel), "Bild gespeichert");
}

TEST_F(Export, SevenSavesFillEveryLineOfTheLog)
{
    LoadRace();
    for (int i = 0; i < 7; ++i)
        Save(root / "map.jpg");
    for (const std::string& line : State().Log.Lines())
        EXPECT_EQ(line, "Bild gespeichert");
}

TEST_F(Export, ACancelledRequesterWritesAndLogsNothing)
{
    LoadRace();
    const auto log = State().Log.Lines();
    Save("");
    EXPECT_EQ(State().Log.Lines(), log);
}

TEST_F(Export, AFailedSaveLeavesNoFileAndSaysWhy)
{
    LoadRace();
    Save(root / "missing/folder/map.jpg");
    EXPECT_FALSE(std::filesystem::exists(root / "missing"));
    EXPECT_EQ(NewestLog().rfind("Picture not saved: " + root / "missing/folder/map.jpg" + " (", 0), 0u) << NewestLog();
}

TEST_F(Export, ReplacingAPictureKeepsItsPermissionsAndFollowsALink)
{
    namespace fs = std::filesystem;
    LoadRace();
    WriteFile(root / "private.jpg", {1, 2, 3});
    fs::permissions(root / "private.jpg", fs::perms::owner_read | fs::perms::owner_write);
    Save(root / "private.jpg");
    EXPECT_GT(fs::file_size(root / "private.jpg"), 3u);
    EXPECT_EQ(fs::status(root / "private.jpg").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);

    fs::create_directories(root / "real");
    WriteFile(root / "real/map.png", {1, 2, 3});
    fs::create_symlink("real/map.png", root / "link.png");
    Save(root / "link.png");
    EXPECT_TRUE(fs::is_symlink(root / "link.png"));
    EXPECT_EQ(test::ReadFile(root / "real/map.png")[1], 'P');
    EXPECT_EQ(fs::directory_iterator(root / "real")->path(), root / "real/map.png");  // no leftovers
}

TEST_F(Export, ANameEndingInPngIsWrittenAsPng)
{
    LoadRace();
    Save(root / "map.PNG");
    const auto bytes = test::ReadFile(root / "map.PNG");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_EQ(bytes[2], 'N');
    Save(root / "plain");
    const auto jpeg = test::ReadFile(root / "plain");
    ASSERT_GE(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);  // a name without an extension is used as it is, as JPEG
    EXPECT_EQ(jpeg[1], 0xD8);
}

TEST_F(Export, WithoutAMapTheSaveFailsAndSaysSo)
{
    SavePicture(State(), toolkit);  // the requester answers "" first
    script->answers = {root / "x.jpg"};
    SavePicture(State(), toolkit);
    EXPECT_FALSE(std::filesystem::exists(root / "x.jpg"));
    EXPECT_EQ(NewestLog(), "Picture not saved: " + root / "x.jpg" + " (there is no picture to save)");
}

TEST(MessageLog, KeepsTheLastSixMessagesNewestFirstCutToAHundredCharacters)
{
    MessageLog log;
    log.Add(std::string(150, 'x'), true);
    EXPECT_EQ(log.Newest(), std::string(100, 'x'));
    EXPECT_EQ(log.NewestWhole(), std::string(150, 'x'));
    EXPECT_TRUE(log.NewestIsFailure());
    EXPECT_EQ(log.Lines()[1], "> ");
    for (int i = 1; i <= 6; ++i)
        log.Add("m" + IntToText(i), false);
    EXPECT_EQ(log.Lines(), (std::array<std::string, 6>{"m6", "m5", "m4", "m3", "m2", "m1"}));
    EXPECT_FALSE(log.NewestIsFailure());
}

}  // namespace
}  // namespace vx
