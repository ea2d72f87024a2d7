#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "trackmap/MapPicture.h"

namespace vx {
namespace {

const std::int32_t kTerrainPalette[18] = {23, 26, 42, 154, 59, 83, 89, 104, 100,
                                          242, 245, 244, 9, 0, 0, 0, 0, 0};

struct MapRun {
    int code;
    int length;  // 0..4095
};

// The run-length words: the low byte holds the code and the length's low
// four bits, the high byte the rest of the length.
std::vector<std::uint16_t> Words(const std::vector<MapRun>& runs)
{
    std::vector<std::uint16_t> words;
    for (const MapRun& r : runs)
        words.push_back(static_cast<std::uint16_t>((r.length >> 4) << 8 | (r.length & 15) << 4 | r.code));
    return words;
}

// The pixel array, background everywhere, read back by picture position.
struct Pixels {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kMapPixelBytes, 240);
    int At(int x, int y) const { return bytes[static_cast<std::size_t>(559 - y) * 512 + x]; }
    int StreamAt(int k) const { return At(k % 512, 511 - k / 512); }
};

Pixels Decode(const std::vector<MapRun>& runs)
{
    Pixels p;
    DecodeMapRuns(Words(runs), kTerrainPalette, p.bytes);
    return p;
}

TEST(DecodeMapRuns, StartsAtTheBottomLeftAndFlowsAcrossRows)
{
    const Pixels p = Decode({{2, 600}, {3, 1}});
    EXPECT_EQ(p.bytes[kMapAreaFirstByte], 42);  // memory row 48
    EXPECT_EQ(p.At(0, 511), 42);
    EXPECT_EQ(p.At(511, 511), 42);
    EXPECT_EQ(p.At(87, 510), 42);
    EXPECT_EQ(p.At(88, 510), 154);
    EXPECT_EQ(p.At(89, 510), 240);  // the rest of the row keeps the background
    EXPECT_EQ(p.At(0, 0), 240);     // and so do the rows the stream never reaches
    EXPECT_EQ(p.At(0, 512), 240);   // the label strip is never written
}

TEST(DecodeMapRuns, RunOfLengthZeroWritesNothing)
{
    const Pixels p = Decode({{2, 0}, {3, 2}});
    EXPECT_EQ(p.StreamAt(0), 154);
    EXPECT_EQ(p.StreamAt(1), 154);
    EXPECT_EQ(p.StreamAt(2), 240);
}

TEST(DecodeMapRuns, EveryTerrainCodeGoesThroughThePalette)
{
    std::vector<MapRun> runs;
    for (int code = 0; code < 16; ++code)
        runs.push_back({code, 1});
    const Pixels p = Decode(runs);
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(p.StreamAt(code), kTerrainPalette[code]) << "code " << code;
}

TEST(DecodeMapRuns, StreamPastTheMapAreaWritesNothingOutsideIt)
{
    // 70 runs of 4095 pixels exceed 512 x 512; the array sits in a larger
    // buffer whose tail must survive.
    const std::vector<std::uint16_t> runs = Words(std::vector<MapRun>(70, {9, 4095}));
    std::vector<std::uint8_t> buffer(kMapPixelBytes + 4096, 7);
    std::fill_n(buffer.begin(), kMapAreaFirstByte, 240);
    DecodeMapRuns(runs, kTerrainPalette, std::span(buffer).first(kMapPixelBytes));
    EXPECT_EQ(buffer[kMapAreaFirstByte - 1], 240);
    EXPECT_EQ(buffer[kMapPixelBytes - 1], 242);
    EXPECT_EQ(buffer[kMapPixelBytes], 7);
    EXPECT_EQ(buffer.back(), 7);
}

// A track whose second best time is none.
BestTimes Holders(std::int16_t time1, std::string_view name1, std::string_view car1)
{
    BestTimes t;
    t.BestTime1 = time1;
    t.BestTimeName1 = name1;
    t.CarName1 = car1;
    return t;
}

TEST(MapLabelsOf, ShowsBestTime2WhenItIsATime)
{
    BestTimes t = Holders(5432, "Anna", "Comet");
    t.BestTime2 = 5999;
    t.BestTimeName2 = "Bea";
    MapLabels labels = MapLabelsOf(t, "Tracks/Oval.trk");
    EXPECT_EQ(labels.TimeText, "59.99");
    EXPECT_EQ(labels.HolderLine, "Bea / ");  // no car name for the second time
    EXPECT_EQ(labels.PictureName, "Oval_5999_Bea");

    t.BestTime2 = 6000;
    labels = MapLabelsOf(t, "Tracks/Oval.trk");
    EXPECT_EQ(labels.TimeText, "54.32");
    EXPECT_EQ(labels.HolderLine, "Anna / Comet");
    EXPECT_EQ(labels.PictureName, "Oval_5432_Anna");
}

TEST(MapLabelsOf, WithoutAnyTimeShowsBestTime1AndNoHolder)
{
    BestTimes t = Holders(9999, "Anna", "Comet");
    t.BestTime2 = 7000;
    const MapLabels labels = MapLabelsOf(t, "C:\\Games\\Tracks\\Oval.trk");
    EXPECT_EQ(labels.TimeText, "99.99");
    EXPECT_EQ(labels.HolderLine, "no Best Time");
    EXPECT_EQ(labels.TrackName, "Oval");
    EXPECT_EQ(labels.PictureName, "Oval_9999");
}

TEST(MapLabelsOf, ShortFileNameGivesAnEmptyTrackName)
{
    const BestTimes t = Holders(5432, "Anna", "Comet");
    EXPECT_EQ(MapLabelsOf(t, "Tracks/.trk").PictureName, "_5432_Anna");
    EXPECT_EQ(TrackNameOf("a.tr"), "");
    EXPECT_EQ(TrackNameOf("/x/Ring.trk"), "Ring");
}

}  // namespace
}  // namespace vx
