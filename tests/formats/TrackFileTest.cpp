#include "fixtures/TrackFileBuilder.h"
#include "formats/TrackFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vx {
namespace {

using ::testing::HasSubstr;

TrackData ParseOk(const TrackFileBuilder& builder)
{
    const std::vector<std::uint8_t> bytes = builder.Build();
    Parsed<TrackData> parsed = ParseTrackFile(bytes);
    EXPECT_TRUE(parsed.ok()) << parsed.error;
    return parsed.ok() ? *parsed.value : TrackData{};
}

std::string ParseError(const TrackFileBuilder& builder)
{
    const std::vector<std::uint8_t> bytes = builder.Build();
    const Parsed<TrackData> parsed = ParseTrackFile(bytes);
    EXPECT_FALSE(parsed.ok());
    return parsed.error;
}

// A track with some of every table and every uninterpreted byte filled.
TrackFileBuilder FilledTrack()
{
    TrackFileBuilder track;
    track.FillUninterpreted().SetMapScale(90).SetWaterLevel(33);
    track.SetMapRuns({MapRun(1, 300), MapRun(2, 4095), MapRun(0, 0)});
    track.AddObject({10, 2, 1020, 0}).AddObject({17, 500, 600, 64});
    track.AddZones(3);
    track.AddLine({10, 20, 30, 40}).AddLine({101, 200, -3, 1023});
    track.SetInfoGap(37).SetTrackLength(3200);
    track.SetBestTime1(5432, " Anna ").SetBestTime2(7000, "Bert").SetBestTimeCarName("Comet");
    return track;
}

TEST(TrackHeader, TwoSixtyOneAndVXAreAccepted)
{
    const TrackData data = ParseOk(FilledTrack());
    EXPECT_EQ(data.MapScale, 90);
    EXPECT_EQ(data.WaterLevel, 33);
}

TEST(TrackHeader, WrongMagicOrMarkerIsABadHeader)
{
    struct Case { std::int16_t magic; std::string marker; };
    const Case cases[] = {{261, "vx"}, {261, "Vx"}, {261, "V"}, {261, ""}, {261, "XV"},
                          {260, "VX"}, {-251, "VX"}, {0, "VX"}};
    for (const Case& c : cases) {
        TrackFileBuilder track = FilledTrack();
        track.SetMagic(c.magic).SetMarker(c.marker);
        EXPECT_THAT(ParseError(track), HasSubstr("it does not begin as a track does ("))
            << "magic " << c.magic << " marker " << c.marker;
    }
}

TEST(TrackTables, ZeroRunCountPutsTheHeightGridAtTwentyTwo)
{
    TrackFileBuilder track;
    track.SetMapRuns({MapRun(3, 10)});
    const TrackData data = ParseOk(track);
    EXPECT_EQ(data.MapRunCount, 0);
    EXPECT_EQ(data.MapRuns.size(), 1u);
    EXPECT_EQ(data.HeightGridBase, 22);
    EXPECT_EQ(data.ObjectTableBase, 22 + 4096);
}

TEST(TrackTables, PositionsFollowTheStoredCounts)
{
    const TrackFileBuilder track = FilledTrack();
    const TrackData data = ParseOk(track);
    EXPECT_EQ(data.MapRunCount, 2);
    EXPECT_EQ(data.HeightGridBase, 26);  // 22 + 2 * 2
    EXPECT_EQ(data.ObjectTableBase, track.ObjectTableBase());
    EXPECT_EQ(data.ObjectCount(), 2);
    EXPECT_EQ(data.ZoneTableBase, track.ZoneTableBase());
    EXPECT_EQ(data.ZoneCount, 3);
    EXPECT_EQ(data.LineTableBase, track.LineTableBase());
    EXPECT_EQ(data.LineCount, 2);
    EXPECT_EQ(data.TrackInfoBase, track.TrackInfoBase());
    EXPECT_EQ(data.TrackLength, 3200);
}

TEST(TrackTables, RunsHeightsAndObjectsAreDecodedAsTheFileHoldsThem)
{
    TrackFileBuilder track = FilledTrack();
    track.SetHeight(0, 7).SetHeight(4095, 250);
    const TrackData data = ParseOk(track);
    // A run is its terrain code in the low four bits and its length above.
    EXPECT_EQ(data.MapRuns, (std::vector<std::uint16_t>{300 << 4 | 1, 4095 << 4 | 2, 0}));
    EXPECT_EQ(data.HeightGrid[0], 7);
    EXPECT_EQ(data.HeightGrid[4095], 250);
    EXPECT_EQ(data.Objects, (std::vector<TrackObject>{{10, 2, 1020, 0}, {17, 500, 600, 64}}));
}

TEST(TrackLapLine, IsTheLastEntryInMapPixelsTruncatedTowardZero)
{
    TrackFileBuilder track = FilledTrack();
    track.AddLine({-3, -3, 1, 1});  // the third entry
    const TrackData data = ParseOk(track);
    EXPECT_TRUE(data.HasLapLine);
    EXPECT_EQ(data.LapLineX1, -1);    // a shift would give -2
    EXPECT_EQ(data.LapLineY1, 513);   // 512 - (-1)
    EXPECT_EQ(data.LapLineX2, 0);
    EXPECT_EQ(data.LapLineY2, 512);
}

TEST(TrackLapLine, FlipsWithFiveHundredTwelve)
{
    const TrackData data = ParseOk(FilledTrack());  // last entry 101, 200, -3, 1023
    EXPECT_EQ(data.LapLineX1, 50);
    EXPECT_EQ(data.LapLineY1, 412);
    EXPECT_EQ(data.LapLineX2, -1);
    EXPECT_EQ(data.LapLineY2, 1);
}

TEST(TrackLapLine, NoLineEntriesMeansNoLapLine)
{
    TrackFileBuilder track;
    track.FillUninterpreted().AddObject({9, 100, 100, 0});
    const TrackData data = ParseOk(track);
    EXPECT_FALSE(data.HasLapLine);
    EXPECT_EQ(data.LapLineX1, 0);
    EXPECT_EQ(data.LapLineY1, 0);
    EXPECT_EQ(data.LapLineX2, 0);
    EXPECT_EQ(data.LapLineY2, 0);
}

TEST(TrackBestTimes, AreCopiedWithTheirTrimmedNamesAndTheFirstCar)
{
    TrackFileBuilder track = FilledTrack();
    track.SetBestTime1(5999, "  Anna  ").SetBestTime2(6000, "Bert");
    const TrackData data = ParseOk(track);
    EXPECT_EQ(data.BestTime1, 5999);
    EXPECT_EQ(data.BestTime2, 6000);
    EXPECT_EQ(data.BestTimeName1, "Anna");
    EXPECT_EQ(data.BestTimeName2, "Bert");
    EXPECT_EQ(data.BestTimeCarName, "Comet");
}

TEST(TrackBestTimes, NamesAreCutAtTwelveCharacters)
{
    TrackFileBuilder track = FilledTrack();
    // 13 characters fill the first slot, so the next slot's text follows directly.
    track.SetBestTime1(-5, "ABCDEFGHIJKLM").SetBestTime2(100, "Zed");
    track.SetBestTimeCarName("Thunderbolt GT");
    const TrackData data = ParseOk(track);
    EXPECT_EQ(data.BestTime1, -5);
    EXPECT_EQ(data.BestTimeName1, "ABCDEFGHIJKL");
    EXPECT_EQ(data.BestTimeName2, "Zed");
    EXPECT_EQ(data.BestTimeCarName, "Thunderbolt");  // cut at 12, then trimmed
}

TEST(TrackCounts, NegativeCountsAreRefused)
{
    TrackFileBuilder runs = FilledTrack();
    runs.StoredMapRunCount(-1);
    EXPECT_THAT(ParseError(runs), HasSubstr("the map picture has a negative size (MapRunCount -1 at offset 16)"));
    TrackFileBuilder objects = FilledTrack();
    objects.StoredObjectCount(-2);
    EXPECT_THAT(ParseError(objects), HasSubstr("the list of objects has a negative length (ObjectCount -2 at offset"));
    TrackFileBuilder zones = FilledTrack();
    zones.StoredZoneCount(-128);
    EXPECT_THAT(ParseError(zones), HasSubstr("(ZoneCount -128 at offset"));
    TrackFileBuilder lines = FilledTrack();
    lines.StoredLineCount(-1);
    EXPECT_THAT(ParseError(lines), HasSubstr("(LineCount -1 at offset"));
}

TEST(TrackCounts, CountsPromisingMoreThanTheFileHoldsAreRefused)
{
    TrackFileBuilder runs = FilledTrack();
    runs.StoredMapRunCount(2'000'000'000);
    EXPECT_THAT(ParseError(runs), HasSubstr("MapRunData at offset 20"));
    TrackFileBuilder objects = FilledTrack();
    objects.StoredObjectCount(32767);
    EXPECT_THAT(ParseError(objects), HasSubstr("object table at offset"));
}

TEST(TrackCounts, TrackInfoOutsideTheFileIsRefused)
{
    TrackFileBuilder early = FilledTrack();
    early.StoredTrackInfoOffset(2);
    EXPECT_THAT(ParseError(early),
                HasSubstr("the track's length would lie before the start of the file (TrackLength at offset -2)"));
    TrackFileBuilder late = FilledTrack();
    late.StoredTrackInfoOffset(2'147'483'647);
    EXPECT_THAT(ParseError(late),
                HasSubstr("the file ends before the track's length (TrackLength at offset 2147483643, in a file of"));
    TrackFileBuilder negative = FilledTrack();
    negative.StoredTrackInfoOffset(-2'147'483'647 - 1);
    EXPECT_THAT(ParseError(negative), HasSubstr("would lie before the start"));
}

// The first field, in file order, that a file of `length` bytes does not hold
// whole; null when it holds them all.
const FileField* FirstFieldCut(const std::vector<FileField>& fields, std::int64_t length)
{
    for (const FileField& field : fields)
        if (field.End() > length)
            return &field;
    return nullptr;
}

TEST(TrackFileBounds, EveryPrefixIsRefusedForTheFieldItCutsOrParsesWhole)
{
    TrackFileBuilder track = FilledTrack();
    track.AddLine({7, 8, 9, 10});
    const std::vector<std::uint8_t> bytes = track.Build();
    const std::vector<FileField> fields = track.ReadFields();
    ASSERT_TRUE(std::is_sorted(fields.begin(), fields.end(),
                               [](const FileField& a, const FileField& b) {
                                   return a.Offset < b.Offset;
                               }));
    const Parsed<TrackData> whole = ParseTrackFile(bytes);
    ASSERT_TRUE(whole.ok()) << whole.error;

    int parsedPrefixes = 0;
    for (std::int64_t length = 0; length <= std::ssize(bytes); ++length) {
        const std::span<const std::uint8_t> prefix(bytes.data(), static_cast<std::size_t>(length));
        const Parsed<TrackData> parsed = ParseTrackFile(prefix);
        if (const FileField* cut = FirstFieldCut(fields, length)) {
            ASSERT_FALSE(parsed.ok()) << "length " << length << " cuts " << cut->Name;
            ASSERT_THAT(parsed.error,
                        HasSubstr(cut->Name + " at offset " + std::to_string(cut->Offset)))
                << "length " << length;
        } else {
            ASSERT_TRUE(parsed.ok()) << "length " << length << ": " << parsed.error;
            ASSERT_TRUE(*parsed.value == *whole.value) << "length " << length;
            ++parsedPrefixes;
        }
    }
    // Only the rest of the first best time's car block is not needed.
    EXPECT_EQ(parsedPrefixes, std::ssize(bytes) - fields.back().End() + 1);
    EXPECT_GT(parsedPrefixes, 1000);
}

TEST(TrackFileBounds, AShortTrackInABufferOfLeftoversParsesExactlyAsAlone)
{
    TrackFileBuilder big = FilledTrack();
    for (int i = 0; i < 50; ++i)
        big.AddObject({9, 100, 100, 0});
    big.SetBestTimeCarName("Leftover");
    std::vector<std::uint8_t> buffer = big.Build();

    TrackFileBuilder small;
    small.AddLine({2, 4, 6, 8}).SetBestTime1(1234, "Kim").SetBestTimeCarName("Moth");
    const std::vector<std::uint8_t> alone = small.Build();
    ASSERT_LT(alone.size(), buffer.size());

    // Whole, and cut one byte into the car name, where the leftovers go on.
    for (const std::int64_t length : {std::ssize(alone), small.TrackInfoBase() + 106}) {
        std::copy(alone.begin(), alone.begin() + length, buffer.begin());
        const auto bytes = static_cast<std::size_t>(length);
        const Parsed<TrackData> inShared = ParseTrackFile({buffer.data(), bytes});
        const Parsed<TrackData> inOwn = ParseTrackFile({alone.data(), bytes});
        ASSERT_EQ(inShared.ok(), inOwn.ok()) << "length " << length;
        EXPECT_EQ(inShared.error, inOwn.error);
        if (inOwn.ok()) {
            EXPECT_TRUE(*inShared.value == *inOwn.value);
        }
    }
}

}  // namespace
}  // namespace vx
