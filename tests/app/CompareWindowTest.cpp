// The comparison window beside the main window, driven as the user drives it.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/windows/CompareLayout.h"
#include "app/windows/CompareWindow.h"
#include "app/windows/LapFiles.h"
#include "app/windows/Placement.h"
#include "fixtures/RaceFiles.h"
#include "laps/LapChart.h"
#include "laps/LapView.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

using test::TempFolder;
using test::WriteFile;
namespace layout = compare_window;

class Compare : public test::WindowTest {
protected:
    // Loads a race of this many laps on the oval.
    void LoadRace(int laps)
    {
        std::filesystem::create_directories(root / "Saves");
        std::filesystem::create_directories(root / "Tracks");
        WriteFile(root / "Saves/cup.gam", test::CupGame("Oval", laps).Build());
        WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
        script->answers = {root / "Saves/cup.gam"};
        Click("Load");
    }
    const CompareWindow& Shown() { return app.Compare(); }
    std::int32_t TableTop() { return Shown().TableTop(toolkit); }
    std::vector<std::uint32_t> MainMap()
    {
        const Image* map = toolkit.FindImage(MapImage);
        return map ? std::vector<std::uint32_t>(map->Words(), map->Words() + map->Width() * map->Height())
                   : std::vector<std::uint32_t>{};
    }

    TempFolder root;
};

TEST_F(Compare, TheWindowFollowsTheMainWindowsLapAndClosesAlone)
{
    EXPECT_FALSE(toolkit.ControlEnabled(CompareButton));
    LoadRace(30);
    ASSERT_TRUE(toolkit.ControlEnabled(CompareButton));
    Click("Compare");
    ASSERT_TRUE(Shown().IsOpen(toolkit));
    EXPECT_EQ(Shown().Lap(), State().Laps.FastestLap);  // the main window shows lap 0

    Click(">");
    EXPECT_EQ(Shown().Lap(), 1);
    // A lap's point on the main window's chart selects it, and the comparison follows.
    const LapChartGeometry chart = LapChartOf(State().Laps, State().CurrentLap);
    ASSERT_GE(chart.Points.size(), 30u);
    Point(LapChartBox, PointerAction::Press, static_cast<int>(chart.Points[24].x), 60);
    EXPECT_EQ(LapLabel(), "25");
    EXPECT_EQ(Shown().Lap(), 25);
    // The compared lap's row is in view: the table shows 22 rows below its
    // 20-pixel header, 16 pixels each, and lap 25 is the last of them.
    EXPECT_EQ(TableTop(), 3);
    EXPECT_EQ(Shown().LapAtTableY(toolkit, 20 + 21 * 16), 25);

    // Any lap can be compared against; the reference lap stays.
    const int reference = Shown().Analysis()->ReferenceLap;
    ASSERT_EQ(Shown().Against(), reference);
    Press(reference > 1 ? layout::PrevAgainst.Number : layout::NextAgainst.Number);
    EXPECT_EQ(Shown().Against(), reference > 1 ? reference - 1 : reference + 1);
    EXPECT_EQ(Shown().Analysis()->ReferenceLap, reference);

    // The cursor follows the pointer over the charts and goes when it leaves:
    // the plot's 423 pixels (the 483-pixel chart less margins of 50 and 10)
    // start at x 50, so x 250 is 200 of its 422 steps.
    Point(layout::SpeedChart.Control, PointerAction::Move, 250, 40);
    ASSERT_TRUE(Shown().Cursor().has_value());
    EXPECT_DOUBLE_EQ(*Shown().Cursor(), 200.0 / 422);
    Point(layout::DeltaChart.Control, PointerAction::Leave, 0, 0);
    EXPECT_FALSE(Shown().Cursor().has_value());

    // The wheel scrolls the table three rows a notch, within its rows.
    Point(layout::LapTable.Control, PointerAction::Wheel, 10, 10, -1000);
    EXPECT_EQ(TableTop(), 30 - 22);
    EXPECT_EQ(Shown().LapAtTableY(toolkit, 20), 9);  // the first row under the header
    Point(layout::LapTable.Control, PointerAction::Wheel, 10, 10, 1);
    EXPECT_EQ(TableTop(), 30 - 22 - 3);

    // Closing it leaves the main window as it was, and it opens again.
    const auto map = MainMap();
    CloseWindow(layout::Title);
    EXPECT_FALSE(Shown().IsOpen(toolkit));
    EXPECT_EQ(LapLabel(), "25");
    EXPECT_EQ(MainMap(), map);
    Click("<");
    EXPECT_EQ(LapLabel(), "24");
    Click("Compare");
    EXPECT_TRUE(Shown().IsOpen(toolkit));
    EXPECT_EQ(Shown().Lap(), 24);
}

TEST_F(Compare, ALoadWithoutLapsEmptiesTheOpenWindowAndDisablesTheButton)
{
    LoadRace(3);
    Click("Compare");
    ASSERT_TRUE(Shown().Analysis().has_value());
    LoadRace(0);
    EXPECT_FALSE(toolkit.ControlEnabled(CompareButton));
    EXPECT_TRUE(Shown().IsOpen(toolkit));
    EXPECT_FALSE(Shown().Analysis().has_value());
    Press(layout::NextAgainst.Number);  // nothing to choose from
    Point(layout::SpeedChart.Control, PointerAction::Move, 100, 40);
    Point(layout::LapTable.Control, PointerAction::Press, 10, 30);
    EXPECT_EQ(LapLabel(), "0");
}

TEST_F(Compare, OddRacesShowWithoutFailing)
{
    std::filesystem::create_directories(root / "Saves");
    std::filesystem::create_directories(root / "Tracks");
    // A thousand short laps, on a track without a length, with a sample
    // thrown across the map in lap 2.
    auto samples = test::CirclingReplay(1000, 40);
    samples[100] = {500, 500};
    WriteFile(root / "Saves/odd.gam", test::CupGame().SetReplay({.Samples = samples}).Build());
    WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().SetTrackLength(0).Build());
    script->answers = {root / "Saves/odd.gam"};
    Click("Load");
    ASSERT_EQ(State().Laps.LapCount, 1000);
    Click("Compare");
    ASSERT_TRUE(Shown().Analysis().has_value());
    EXPECT_FALSE(Shown().Analysis()->MetresPerPixel.has_value());  // speeds absent

    toolkit.SetControlValue(layout::TableScroll.Number, 5000);
    Press(layout::TableScroll.Number);
    EXPECT_EQ(TableTop(), 1000 - 22);
    EXPECT_EQ(Shown().LapAtTableY(toolkit, 371), 1000);  // the last row shown
    EXPECT_EQ(Shown().LapAtTableY(toolkit, 19), 0);      // the header
    // Another lap compared brings its row into view.
    const int lap = Shown().Lap() == 7 ? 8 : 7;
    MoveSlider(lap);
    EXPECT_EQ(Shown().Lap(), lap);
    EXPECT_EQ(TableTop(), lap - 1);
    Point(layout::SpeedChart.Control, PointerAction::Move, 0, 0);
    Point(layout::DeltaChart.Control, PointerAction::Move, 100000, -5);
    EXPECT_DOUBLE_EQ(*Shown().Cursor(), 1.0);

    // Without speeds there are no corners: nothing to say or point at.
    EXPECT_TRUE(Shown().Corners().Deltas.empty());
    EXPECT_TRUE(Shown().TimeLostWords().empty());
    Point(layout::CornerTable.Control, PointerAction::Move, 100, 40);
    Point(layout::CornerChart.Control, PointerAction::Move, 50, 200);
    EXPECT_EQ(Shown().PointedCorner(), 0);
}

TEST_F(Compare, EveryKeyOfTheMainWindowWorksHereWithItsOwnToStepPickAndClose)
{
    LoadRace(30);
    Click("Compare");
    const auto key = [&](Key k) {
        PressKey(layout::Title, k);
        return LapLabel();
    };
    EXPECT_EQ(key(Key::End), "30");
    EXPECT_EQ(Shown().Lap(), 30);
    EXPECT_EQ(key(Key::PageUp), "24");  // a fifth of the 30 laps
    EXPECT_EQ(key(Key::Left), "23");
    EXPECT_EQ(key(Key::Right), "24");
    EXPECT_EQ(key(Key::PageDown), "30");
    // Up and Down step the compared lap through the table's rows, within them.
    EXPECT_EQ(key(Key::Down), "30");
    EXPECT_EQ(key(Key::Up), "29");
    EXPECT_EQ(Shown().Lap(), 29);
    // Return: the lap compared becomes the one compared against, the next
    // lap compared against it; a lap is never compared with itself, so lap
    // 29 is shown against the reference lap meanwhile.
    key(Key::Return);
    EXPECT_EQ(Shown().Against(), Shown().Analysis()->ReferenceLap);
    EXPECT_EQ(key(Key::Up), "28");
    EXPECT_EQ(Shown().Against(), 29);
    EXPECT_EQ(key(Key::Home), "0");
    const int fastest = State().Laps.FastestLap;
    ASSERT_TRUE(fastest >= 1 && fastest < 30);
    EXPECT_EQ(key(Key::Down), IntToText(fastest + 1));  // the row below the fastest lap's

    // Ctrl+O and Ctrl+S ask in front of this window, and a failure's box
    // stands there too; both requesters cancelled is no failure.
    key(Key::CtrlO);
    ASSERT_EQ(script->asked.size(), 3u);  // the first load's, then "Open Game" and "Open Track: nix"
    EXPECT_EQ(script->asked[1].title, "Open Game");
    EXPECT_EQ(script->asked[1].owner, layout::Number);
    EXPECT_EQ(script->asked[2].owner, layout::Number);
    EXPECT_TRUE(script->shown.empty());
    script->answers = {root / "no folder/map.jpg"};
    key(Key::CtrlS);
    ASSERT_EQ(script->asked.size(), 4u);
    EXPECT_TRUE(script->asked[3].save);
    EXPECT_EQ(script->asked[3].owner, layout::Number);
    ASSERT_EQ(script->shown.size(), 1u);
    EXPECT_EQ(script->shown[0].owner, layout::Number);
    EXPECT_EQ(script->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(script->shown[0].text.rfind("Picture not saved: " + root / "no folder/map.jpg" + " (", 0), 0u)
        << script->shown[0].text;

    // Esc and Ctrl+W close it.
    key(Key::Escape);
    EXPECT_FALSE(Shown().IsOpen(toolkit));
    Click("Compare");
    key(Key::CtrlW);
    EXPECT_FALSE(Shown().IsOpen(toolkit));
}

TEST_F(Compare, ARowPicksTheLapComparedAgainstAndTheChoiceAndThePlaceStayForTheRace)
{
    LoadRace(30);
    Click(">");
    Click("Compare");
    ASSERT_EQ(TableTop(), 0);
    // Rows of 16 pixels under a header of 20: lap 5's row is the fifth.
    const auto rowOf = [](int lap) { return 20 + (lap - 1) * 16 + 8; };
    Point(layout::LapTable.Control, PointerAction::RightPress, 30, rowOf(5));
    EXPECT_EQ(Shown().Against(), 5);
    EXPECT_EQ(LapLabel(), "1");  // the lap shown stays
    Point(layout::LapTable.Control, PointerAction::Press, 30, rowOf(7), 0, true);
    EXPECT_EQ(Shown().Against(), 7);
    EXPECT_EQ(LapLabel(), "1");
    Point(layout::LapTable.Control, PointerAction::Press, 30, rowOf(3));  // a plain click shows the lap
    EXPECT_EQ(LapLabel(), "3");
    EXPECT_EQ(Shown().Lap(), 3);
    EXPECT_EQ(Shown().Against(), 7);

    // Closed where the user put it, it opens there again, against the lap
    // chosen; the same race loaded again keeps the choice too.
    toolkit.MoveAppWindow(layout::Number, 123, 77);
    CloseWindow(layout::Title);
    Click("Compare");
    EXPECT_EQ(Shown().Against(), 7);
    const ScreenArea frame = toolkit.WindowFrameOf(layout::Number);
    EXPECT_EQ(std::make_pair(frame.x, frame.y), std::make_pair(123, 77));
    LoadRace(30);
    EXPECT_EQ(Shown().Against(), 7);
    // Another race, loaded while the window is closed, starts from its own
    // reference lap.
    CloseWindow(layout::Title);
    LoadRace(29);
    Click("Compare");
    EXPECT_EQ(Shown().Against(), Shown().Analysis()->ReferenceLap);
    EXPECT_NE(Shown().Against(), 7);
}

// How many pixels of the image are of the colour.
std::int64_t PixelsOf(const Image* image, Colour colour)
{
    if (image == nullptr)
        return -1;
    std::int64_t count = 0;
    for (int y = 0; y < image->Height(); ++y)
        for (int x = 0; x < image->Width(); ++x)
            count += image->At(x, y) == colour;
    return count;
}

TEST_F(Compare, TheCornersSayWhereTheTimeWentAndACornerPointedAtIsMarked)
{
    // The demo race's lap 3 against its reference lap, 10.
    script->answers = {VX_SOURCE_DIR "/samples/Saves/demo.gam"};
    Click("Load");
    MoveSlider(3);
    Click("Compare");
    ASSERT_EQ(Shown().Lap(), 3);
    ASSERT_EQ(Shown().Against(), 10);
    ASSERT_EQ(Shown().Corners().Deltas.size(), 9u);
    ASSERT_EQ(Shown().TimeLostWords().size(), 3u);
    EXPECT_EQ(Shown().TimeLostWords()[0],
              "Most time lost: corner 5, +1.823 s, on the way out (slowest 85.7 against 121.3 km/h)");

    // Its row, under the table's header of 34 pixels, 16 a row: the corner
    // is marked on the map (the halo along its stretch, its number filled)
    // and shaded on both charts, and nowhere once the pointer leaves.
    const Colour halo = MakeRgb(255, 130, 40), shade = MakeRgb(255, 234, 190);
    const auto marks = [&] {
        return std::vector{PixelsOf(toolkit.FindImage(layout::Map.Image), halo),
                           PixelsOf(toolkit.FindImage(layout::SpeedChart.Image), shade),
                           PixelsOf(toolkit.FindImage(layout::DeltaChart.Image), shade)};
    };
    EXPECT_EQ(marks(), (std::vector<std::int64_t>{0, 0, 0}));
    Point(layout::CornerTable.Control, PointerAction::Move, 100, 34 + 4 * 16 + 8);
    EXPECT_EQ(Shown().PointedCorner(), 5);
    for (const std::int64_t pixels : marks())
        EXPECT_GT(pixels, 100);
    Point(layout::CornerTable.Control, PointerAction::Leave, 0, 0);
    EXPECT_EQ(Shown().PointedCorner(), 0);
    EXPECT_EQ(marks(), (std::vector<std::int64_t>{0, 0, 0}));

    // Its bar (corner 2's slot of the 320-pixel chart runs from x 41 to 74)
    // and the map at its apex point at it too; the cursor stays.
    Point(layout::SpeedChart.Control, PointerAction::Move, 250, 40);
    Point(layout::CornerChart.Control, PointerAction::Move, 50, 200);
    EXPECT_EQ(Shown().PointedCorner(), 2);
    const MapPoint apex = Shown().Analysis()->Corners[6].Apex.Centre;
    Point(layout::Map.Control, PointerAction::Move, static_cast<int>(apex.x), static_cast<int>(apex.y));
    EXPECT_EQ(Shown().PointedCorner(), 7);
    EXPECT_TRUE(Shown().Cursor().has_value());
}

TEST_F(Compare, ALapFileOpenedWaitsForARaceOfItsTrackAndARefusedOneChangesNothing)
{
    // Ada's lap 2 of a race on the oval, as a lap file.
    LoadRace(5);
    std::string whyNot;
    const auto lap = LapFileOfShownRace(State(), 2, "Ada Morrow", whyNot);
    ASSERT_TRUE(lap) << whyNot;
    ASSERT_TRUE(WriteLapFileTo(toolkit, root / "ada.vxlap", *lap, whyNot)) << whyNot;
    const std::string newer = R"({"format": "vxanalyser lap", "version": 2})";
    WriteFile(root / "bad.vxlap", std::vector<std::uint8_t>(newer.begin(), newer.end()));

    // A race on another track: the lap waits, and the log says which track to load.
    WriteFile(root / "Tracks/Ring.trk", test::OvalTrack().SetWaterLevel(40).AddObject({10, 300, 300, 0}).Build());
    WriteFile(root / "Saves/ring.gam", test::CupGame("Ring", 4).Build());
    script->answers = {root / "Saves/ring.gam"};
    Click("Load");
    ASSERT_NE(State().LayoutDigest, lap->Layout);
    Drop(root / "ada.vxlap");
    EXPECT_EQ(NewestLog(), "ada.vxlap is a lap of Oval: load a race of Oval to compare against it");
    EXPECT_EQ(app.LapFiles().Waiting(), "ada.vxlap");
    EXPECT_FALSE(Shown().AgainstLapFile());

    // A refused file is said and changes nothing: the lap before still waits.
    Drop(root / "bad.vxlap");
    EXPECT_NE(NewestLog().find("newer vxanalyser"), std::string::npos) << NewestLog();
    EXPECT_EQ(app.LapFiles().Waiting(), "ada.vxlap");

    // The next race of its track is compared against it, once.
    script->answers = {root / "Saves/cup.gam"};
    Click("Load");
    ASSERT_TRUE(Shown().IsOpen(toolkit));
    ASSERT_TRUE(Shown().AgainstLapFile());
    EXPECT_EQ(Shown().AgainstLapFile()->Driver, "Ada Morrow");
    ASSERT_GE(State().Log.Messages().size(), 2u);  // said before "Loaded cup.gam: 5 laps"
    EXPECT_EQ(State().Log.Messages()[1].rfind("Compared against Ada Morrow's lap 2 (", 0), 0u)
        << State().Log.Messages()[1];
    EXPECT_EQ(app.LapFiles().Waiting(), "");

    // Given while its track is shown, it is compared against at once.
    Click("Load");
    Drop(root / "ada.vxlap");
    EXPECT_TRUE(Shown().AgainstLapFile());
    EXPECT_EQ(app.LapFiles().Waiting(), "");
}

TEST(PlaceBeside, RightOfTheMainWindowWhereThereIsRoomElseCoveringTheFewestOfItsControls)
{
    const ScreenArea wide{0, 0, 2560, 1440};
    const ScreenArea main{5, 5, 1016, 749};
    const ScreenArea controls[] = {{8, 31, 512, 560}, {8, 611, 180, 150}, {528, 31, 480, 140}};
    EXPECT_EQ(PlaceBeside(wide, main, controls, 1016, 749), (ScreenPlace{1021, 5}));

    // On a smaller screen every place covers some of the main window: the
    // bottom-right corner covers one of its controls, every other place two
    // or three.
    const ScreenArea small{0, 0, 1280, 1024};
    const ScreenArea frame{0, 0, 1000, 700};
    const ScreenArea boxes[] = {{0, 0, 500, 700}, {0, 650, 100, 50}, {600, 0, 400, 300}};
    EXPECT_EQ(PlaceBeside(small, frame, boxes, 1000, 700), (ScreenPlace{280, 324}));

    // Near the right edge, where no place covers a control (none given), the
    // first that leaves the whole main window in view: left of it.
    const ScreenArea right{1500, 5, 1016, 749};
    EXPECT_EQ(PlaceBeside(wide, right, {}, 1016, 749), (ScreenPlace{484, 5}));
}

}  // namespace
}  // namespace vx
