// The comparison window beside the main window, driven as the user drives it.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/CompareLayout.h"
#include "app/CompareWindow.h"
#include "fixtures/RaceFiles.h"
#include "laps/LapChart.h"
#include "support/WindowDriver.h"

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
}

}  // namespace
}  // namespace vx
