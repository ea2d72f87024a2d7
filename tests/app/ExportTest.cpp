// Picture export and the message log.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Export.h"
#include "app/RaceFiles.h"
#include "app/WindowDriver.h"
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
    EXPECT_EQ(DefaultPictureFileName(State()), CurrentFolder() + ".jpg");
    LoadRace();
    Save("");
    ASSERT_EQ(script->asked.size(), 1u);
    EXPECT_TRUE(script->asked[0].save);
    EXPECT_EQ(script->asked[0].title, "Bild speichern");
    EXPECT_EQ(script->asked[0].filter, "jpg|*.jpg");
    EXPECT_EQ(script->asked[0].defaultFile, CurrentFolder() + "Oval_5432_Anna.jpg");
}

TEST_F(Export, APictureNameThatCannotBeAFileNameLeavesTheNameEmpty)
{
    for (const char* name : {"a/b", "a\\b", "x\"y", "x*y", "x:y", "x<y", "x>y", "x?y", "x|y",
                             "tab\there"}) {
        State().PictureName = name;
        EXPECT_EQ(DefaultPictureFileName(State()), CurrentFolder()) << name;
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
    EXPECT_EQ(State().LogText,
              "> \r\n> \r\n> \r\n> \r\nLoaded cup.gam: 3 laps\r\nBild gespeichert\r\n");
    EXPECT_EQ(toolkit.GetControlText(LogLabel), "Bild gespeichert");
}

TEST_F(Export, SevenSavesFillEveryLineOfTheLog)
{
    LoadRace();
    for (int i = 0; i < 7; ++i)
        Save(root / "map.jpg");
    std::string expected;
    for (int k = 0; k < 6; ++k)
        expected += "Bild gespeichert\r\n";
    EXPECT_EQ(State().LogText, expected);
}

TEST_F(Export, ACancelledRequesterWritesAndLogsNothing)
{
    LoadRace();
    const std::string log = State().LogText;
    Save("");
    EXPECT_EQ(State().LogText, log);
}

TEST_F(Export, AFailedSaveLeavesNoFileAndSaysWhy)
{
    LoadRace();
    Save(root / "missing/folder/map.jpg");
    EXPECT_FALSE(std::filesystem::exists(root / "missing"));
    EXPECT_EQ(std::string(State().LogLines[6]).rfind("Picture not saved: map.jpg (", 0), 0u)
        << State().LogLines[6];
    EXPECT_NE(State().LogLines[6], "Bild gespeichert");
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
    EXPECT_EQ(State().LogLines[6], "Picture not saved: x.jpg (there is no picture to save)");
}

TEST(LogMessage, KeepsTheLastSixMessagesCutToAHundredCharacters)
{
    Toolkit toolkit;
    AppState state;
    ASSERT_TRUE(InitAppState(state, toolkit));
    LogMessage(state, toolkit, std::string(150, 'x'));
    EXPECT_EQ(state.LogLines[6], std::string(100, 'x'));
    for (int i = 1; i <= 6; ++i)
        LogMessage(state, toolkit, "m" + IntToText(i));
    EXPECT_EQ(state.LogLines[1], "m1");
    EXPECT_EQ(state.LogLines[6], "m6");
    EXPECT_EQ(state.LogText, "m1\r\nm2\r\nm3\r\nm4\r\nm5\r\nm6\r\n");
    EXPECT_EQ(state.LogLines[0], "");
    EXPECT_EQ(state.LogLines[7], "");
}

}  // namespace
}  // namespace vx
