// The track's objects drawn over the map: point markers, outlined and filled
// building footprints, outlined barrier footprints, in their passes.
#include <gtest/gtest.h>

#include <vector>

#include "fixtures/TrackFileBuilder.h"
#include "support/DrawingBench.h"
#include "trackmap/Geometry.h"
#include "trackmap/MapDrawing.h"
#include "trackmap/Objects.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;
using test::DrawingBench;

constexpr Colour kBackground = MakeRgb(0, 100, 150);
constexpr Colour kOutlineGrey = MakeRgb(170, 170, 170);
constexpr Colour kWhite = MakeRgb(255, 255, 255);

// Object types by what they show.
constexpr std::int8_t kTree = 10;
constexpr std::int8_t kRingedMarker = 25;
constexpr std::int8_t kPost = 9;
constexpr std::int8_t kBuilding = 17;
constexpr std::int8_t kOtherBuilding = 18;

// An object whose map pixel is (px, py).
TrackObject At(std::int8_t type, int px, int py, std::uint8_t heading = 0)
{
    return {.Type = type,
            .X = static_cast<std::int16_t>(2 * px),
            .Y = static_cast<std::int16_t>(2 * (511 - py)),
            .Heading = heading};
}

// The map of a track with the given objects (scale 100, plain background),
// drawn as the load draws it; Before() is the map just before the objects.
class ObjectMap {
public:
    explicit ObjectMap(const std::vector<TrackObject>& objects, std::uint8_t scale = 100)
    {
        TrackFileBuilder track;
        track.SetMapScale(scale);
        for (const TrackObject& object : objects)
            track.AddObject(object);
        builder_ = track;
        b.PutTrack(track.Build());
        DrawTrackPicture(b.state, b.tk);
        DrawWaterCells(b.state, b.tk);
        before_ = b.Map();
    }
    void Draw() { DrawTrackObjects(b.state, b.tk); }
    const Image& Map() const { return b.Map(); }
    const Image& Before() const { return before_; }
    Colour Entry(int i) const { return b.state.Colours.Entries[static_cast<std::size_t>(i)]; }
    const TrackFileBuilder& Builder() const { return builder_; }

    DrawingBench b;

private:
    Image before_{0, 0};
    TrackFileBuilder builder_;
};

// --- Point markers ------------------------------------------------------------

TEST(PointMarkers, ATreeInTheCornerPaintsItsThreeByThreeSquare)
{
    ObjectMap m({{.Type = kTree, .X = 2, .Y = 1020}});  // map pixel (1, 1)
    m.Draw();
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(7), 0, 0, 3, 3), 9);
    EXPECT_EQ(CountColour(m.Map(), m.Entry(7)), 9);
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 9);
}

TEST(PointMarkers, APostAtTheLeftEdgeLosesTheColumnOutsideThePicture)
{
    ObjectMap m({At(kPost, 1, 200)});
    m.Draw();
    EXPECT_EQ(m.Map().At(1, 200), m.Entry(7));                             // its centre
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(0), 0, 198, 4, 203), 4 * 5 - 1);  // x 0..3
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 4 * 5);
}

TEST(PointMarkers, RingedMarkersAreDrawnAfterTreesWhateverTheTableOrder)
{
    ObjectMap m({At(kRingedMarker, 100, 100), At(kTree, 100, 100)});
    m.Draw();
    EXPECT_EQ(m.Map().At(100, 100), m.Entry(7));
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(11), 99, 99, 102, 102), 8);
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 9);
}

TEST(PointMarkers, PostsAreDrawnAfterRingedMarkersWhateverTheTableOrder)
{
    ObjectMap m({At(kPost, 100, 100), At(kRingedMarker, 100, 100)});
    m.Draw();
    EXPECT_EQ(m.Map().At(100, 100), m.Entry(7));
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(0), 98, 98, 103, 103), 24);
    EXPECT_EQ(CountColour(m.Map(), m.Entry(11)), 0);
}

TEST(PointMarkers, MarkersOnTheOutermostPixelsAreNotDrawn)
{
    // Map pixels in column 0, column 511, row 0 and row 511 fail the point test.
    ObjectMap m({At(kTree, 0, 100), At(kRingedMarker, 511, 100), At(kPost, 100, 0),
                 At(kTree, 100, 511), At(kTree, 510, 510)});
    m.Draw();
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 9);  // only the tree at (510, 510)
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(7), 509, 509, 512, 512), 9);
}

// --- Large footprints -----------------------------------------------------------

// A building at (200, 311) heading 0 has the corner pixels (278, 279),
// (279, 341), (120, 280) and (121, 342): almost level, front to the right.
TEST(LargeFootprints, AreOutlinedInGreyAndFilledInsideWithTheBuildingColour)
{
    ObjectMap m({At(kBuilding, 200, 311)});
    m.Draw();
    const Image& map = m.Map();
    const Colour fill = m.Entry(1);
    for (const MapPixel corner : {MapPixel{278, 279}, {279, 341}, {120, 280}, {121, 342}})
        EXPECT_EQ(map.At(corner.x, corner.y), kOutlineGrey) << corner.x << "," << corner.y;
    // Away from the long sides, each row runs: background, the back end,
    // the fill, the front end, background.
    for (int y = 282; y <= 339; ++y) {
        const test::PixelBox grey = test::BoxOf(map, kOutlineGrey, 0, y, 512, y + 1);
        ASSERT_FALSE(grey.Empty()) << y;
        EXPECT_TRUE(grey.left == 120 || grey.left == 121) << y;
        EXPECT_TRUE(grey.right == 278 || grey.right == 279) << y;
        EXPECT_EQ(CountColourIn(map, kBackground, 0, y, grey.left, y + 1), grey.left) << y;
        EXPECT_EQ(CountColourIn(map, kBackground, grey.right + 1, y, 512, y + 1), 511 - grey.right)
            << y;
        EXPECT_EQ(CountColourIn(map, fill, grey.left, y, grey.right + 1, y + 1) +
                      CountColourIn(map, kOutlineGrey, grey.left, y, grey.right + 1, y + 1),
                  grey.right - grey.left + 1)
            << y;
    }
    EXPECT_EQ(CountColour(map, fill), CountColourIn(map, fill, 121, 280, 279, 342));
    EXPECT_GT(CountColour(map, fill), 150 * 55);
}

TEST(LargeFootprints, BothBuildingTypesAreDrawnAlike)
{
    ObjectMap one({At(kBuilding, 200, 311)});
    one.Draw();
    ObjectMap other({At(kOtherBuilding, 200, 311)});
    other.Draw();
    EXPECT_EQ(test::CountDifferences(one.Map(), other.Map()), 0);
    EXPECT_GT(test::CountDifferences(other.Map(), other.Before()), 0);
}

TEST(LargeFootprints, ACentreOnAnEarlierOutlineGetsNoFill)
{
    // The second building stands on the first one's corner (120, 280),
    // heading down: it spans x 88..151, y 200..359.
    const TrackObject first = At(kBuilding, 200, 311);
    const TrackObject second = At(kBuilding, 120, 280, 61);
    ObjectMap alone({second});
    alone.Draw();
    ASSERT_EQ(alone.Map().At(100, 250), alone.Entry(1));  // filled when it stands alone

    ObjectMap both({first, second});
    both.Draw();
    EXPECT_EQ(both.Map().At(100, 250), kBackground);
    EXPECT_EQ(both.Map().At(100, 340), kBackground);
    EXPECT_EQ(both.Map().At(200, 311), both.Entry(1));  // the first one keeps its fill
    EXPECT_EQ(both.Map().At(120, 280), kOutlineGrey);
}

TEST(LargeFootprints, ALaterFillStopsAtAnEarlierOutline)
{
    // The second building, heading down, spans x 228..291, y 231..390; its
    // centre (260, 311) lies inside the first one.
    const TrackObject first = At(kBuilding, 200, 311);
    const TrackObject second = At(kBuilding, 260, 311, 61);
    ObjectMap alone({second});
    alone.Draw();
    for (const MapPixel p : {MapPixel{260, 250}, {260, 370}, {285, 311}})
        ASSERT_EQ(alone.Map().At(p.x, p.y), alone.Entry(1)) << p.x << "," << p.y;

    ObjectMap both({first, second});
    both.Draw();
    // The parts of the second building beyond the first one's outline stay unfilled.
    for (const MapPixel p : {MapPixel{260, 250}, {260, 370}, {285, 311}})
        EXPECT_EQ(both.Map().At(p.x, p.y), kBackground) << p.x << "," << p.y;
    EXPECT_EQ(both.Map().At(250, 311), both.Entry(1));
    EXPECT_EQ(both.Map().At(150, 311), both.Entry(1));
}

TEST(LargeFootprints, AFootprintReachingIntoTheLabelStripCoversTheTimeText)
{
    // Heading down from (45, 470): x 13..76, y 390..549, over the time text at
    // (20, 530), short of the track name at (90, 520).
    ObjectMap m({At(kBuilding, 45, 470, 61)});
    const test::TextCell time =
        test::CellOf(m.b.tk, m.b.tk.FontHandleOf(LabelFont), 20, 530, "60.00");
    const test::TextCell name =
        test::CellOf(m.b.tk, m.b.tk.FontHandleOf(LabelFont), 90, 520, "Oval");
    ASSERT_GT(CountColourIn(m.Before(), kWhite, time.x, time.y, time.x + time.width,
                            time.y + time.height),
              0);
    ASSERT_LT(time.x + time.width, 76);
    m.Draw();
    EXPECT_EQ(CountColourIn(m.Map(), kWhite, time.x, time.y, time.x + time.width,
                            time.y + time.height),
              0);
    EXPECT_EQ(m.Map().At(45, 540), m.Entry(1));
    EXPECT_EQ(m.Map().At(76, 548), kOutlineGrey);
    EXPECT_EQ(CountColourIn(m.Map(), kWhite, name.x, name.y, name.x + name.width,
                            name.y + name.height),
              CountColourIn(m.Before(), kWhite, name.x, name.y, name.x + name.width,
                            name.y + name.height));
}

TEST(LargeFootprints, ACentreCloserToAnEdgeThanTheHalfWidthIsNotDrawn)
{
    // The half-width is 31 at scale 100.
    ObjectMap m({At(kBuilding, 30, 200), At(kBuilding, 200, 480), At(kBuilding, 200, 30)});
    m.Draw();
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 0);
    ObjectMap edge({At(kBuilding, 31, 200)});
    edge.Draw();
    EXPECT_GT(CountColour(edge.Map(), kOutlineGrey), 0);
}

// --- Small footprints -----------------------------------------------------------

// A barrier at (200, 311) heading down has the corner pixels (202, 325),
// (198, 326), (201, 295) and (197, 296).
TEST(SmallFootprints, AreOutlinedInTheColourOfTheirTypeAndNotFilled)
{
    const struct {
        std::int8_t type;
        int entry;
    } barriers[] = {{1, 9}, {29, 9}, {2, 11}, {3, 10}, {23, 4}};
    for (const auto& barrier : barriers) {
        ObjectMap m({At(barrier.type, 200, 311, 61)});
        m.Draw();
        const Colour colour = m.Entry(barrier.entry);
        for (const MapPixel corner : {MapPixel{202, 325}, {198, 326}, {201, 295}, {197, 296}})
            EXPECT_EQ(m.Map().At(corner.x, corner.y), colour)
                << "type " << int{barrier.type} << " at " << corner.x << "," << corner.y;
        EXPECT_EQ(m.Map().At(199, 311), kBackground) << "type " << int{barrier.type};
        EXPECT_EQ(m.Map().At(200, 311), kBackground) << "type " << int{barrier.type};
        EXPECT_EQ(CountColourIn(m.Map(), colour, 0, 0, 512, 512),
                  test::CountDifferences(m.Map(), m.Before()))
            << "type " << int{barrier.type};
        EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()),
                  CountColourIn(m.Map(), colour, 197, 295, 203, 327))
            << "type " << int{barrier.type};
    }
}

TEST(SmallFootprints, AreDrawnOverBuildingsWhateverTheTableOrder)
{
    ObjectMap m({At(2, 200, 311, 61), At(kBuilding, 200, 311)});
    m.Draw();
    const Colour red = m.Entry(11);
    for (const MapPixel corner : {MapPixel{202, 325}, {198, 326}, {201, 295}, {197, 296}})
        EXPECT_EQ(m.Map().At(corner.x, corner.y), red) << corner.x << "," << corner.y;
    EXPECT_EQ(m.Map().At(200, 311), m.Entry(1));
}

// --- The object table -------------------------------------------------------------

TEST(ObjectTable, EntriesOfOtherTypesAreSkipped)
{
    // Types 128 and up read as negative: 138, 145, 153, 137 and 129 are not
    // the types 10, 17, 25, 9 and 1 that their low seven bits spell.
    std::vector<TrackObject> objects;
    for (const int type : {0, 4, 5, 8, 11, 16, 19, 22, 24, 26, 28, 30, 127, -128, -118, -111,
                           -103, -119, -127})
        objects.push_back(At(static_cast<std::int8_t>(type), 200, 311));
    ObjectMap m(objects);
    m.Draw();
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 0);
}

TEST(ObjectTable, ScaleZeroDrawsTheMarkersButNoFootprint)
{
    ObjectMap m({At(kBuilding, 200, 311), At(2, 300, 200, 61), At(kTree, 50, 50),
                 At(kPost, 80, 50)},
                0);
    m.Draw();
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(7), 49, 49, 52, 52), 9);
    EXPECT_EQ(CountColourIn(m.Map(), m.Entry(0), 78, 48, 83, 53), 24);
    EXPECT_EQ(CountColour(m.Map(), kOutlineGrey), 0);
    EXPECT_EQ(CountColour(m.Map(), m.Entry(1)), 0);
    EXPECT_EQ(CountColour(m.Map(), m.Entry(11)), 0);
    EXPECT_EQ(test::CountDifferences(m.Map(), m.Before()), 9 + 25);
}

}  // namespace
}  // namespace vx
