// Laps of other drivers kept in the history, and a track's standings: a lap
// is kept once, forgetting it (or the races beside it) leaves the rest, an
// unsound lap changes nothing, the standings' order, places and gaps, and
// the best lap of a race given back as a lap file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/HistoryChecks.h"
#include "history/HistoryStore.h"
#include "history/Standings.h"

namespace vx {
namespace {

using test::History;
using test::kDay;
using test::kFirstDay;
using test::Key;
using test::Race;

// A sound lap of 44.2 s on layout Key(0xf0, layout), from race Key(race).
LapFile FriendsLap(std::uint8_t race, std::uint8_t layout, const std::string& driver, double preciseS = 44.2)
{
    LapFile lap;
    lap.TrackName = "Track " + std::to_string(layout);
    lap.Layout = Key(0xf0, layout);
    lap.Driver = driver;
    lap.Car = "Comet";
    lap.DateNs = kFirstDay + 3 * kDay;
    lap.Race = Key(race);
    lap.Lap = 5;
    lap.ViewTime = 4420;
    lap.PreciseS = preciseS;
    lap.Path = {{100, 200, 0, std::nullopt}, {110.5, 200.25, 20, 180.25}, {100, 201, preciseS, std::nullopt}};
    return lap;
}

std::vector<std::string> DriversOf(const std::vector<KeptLapRow>& rows)
{
    std::vector<std::string> drivers;
    for (const KeptLapRow& row : rows)
        drivers.push_back(row.Driver);
    return drivers;
}

TEST_F(History, ALapIsKeptOnceWhateverFileItCameInAndForgettingItLeavesTheRest)
{
    const LapFile ada = FriendsLap(0x41, 1, "Ada Morrow");
    ASSERT_EQ(store->KeepLapFile(ada), HistoryStore::Kept::New) << store->LastFailure().message;
    // Written again with other decimals: the same lap.
    LapFile again = ada;
    again.PreciseS += 1e-9;
    again.Path.back().T = again.PreciseS;
    EXPECT_EQ(store->KeepLapFile(again), HistoryStore::Kept::AlreadyKept);
    // The same race's lap under another name is another driver's.
    EXPECT_EQ(store->KeepLapFile(FriendsLap(0x41, 1, "Ben", 43.9)), HistoryStore::Kept::New);
    const auto kept = store->KeptLaps(Key(0xf0, 1));
    ASSERT_TRUE(kept);
    EXPECT_THAT(DriversOf(*kept), testing::ElementsAre("Ben", "Ada Morrow"));  // fastest first

    // Kept whole: what it takes to compare against it.
    const LapKey key = LapKeyOf(ada.Race, ada.Lap, ada.Driver);
    const auto whole = store->KeptLap(key);
    ASSERT_TRUE(whole) << store->LastFailure().message;
    EXPECT_EQ(whole->Of.Driver, "Ada Morrow");
    EXPECT_EQ(whole->Of.ViewTime, 4420);
    EXPECT_EQ(whole->Of.PreciseS, 44.2);
    ASSERT_EQ(whole->Path.size(), 3u);
    EXPECT_NEAR(whole->Path[1].x, 110.5, 1e-3);
    EXPECT_NEAR(whole->Path[2].t, 44.2, 1e-6);
    EXPECT_THAT(whole->SpeedsKmh, testing::ElementsAre(std::nullopt, 180.25, std::nullopt));

    // A race forgotten on the same layout leaves its kept laps; the last
    // kept lap forgotten takes its layout with it.
    Record(Race(1, 1, "Falcon", 45.0, 0));
    ASSERT_EQ(store->Forget(Key(1)), true) << store->LastFailure().message;
    EXPECT_EQ(store->KeptLaps(Key(0xf0, 1))->size(), 2u);
    const auto found = store->FindKeptLaps(KeyHex(key).substr(0, 8));
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(found->front().Key, key);
    EXPECT_EQ(store->ForgetLap(key), true);
    EXPECT_EQ(store->ForgetLap(key), false);
    EXPECT_EQ(store->ForgetLap(LapKeyOf(ada.Race, ada.Lap, "Ben")), true);
    EXPECT_TRUE(store->KeptLaps(Key(0xf0, 1))->empty());
    EXPECT_TRUE(store->Tracks()->empty());
    int races = 0;
    store.reset();
    EXPECT_TRUE(test::EveryRaceWhole(path, races));
}

TEST_F(History, AnUnsoundLapIsRefusedAndChangesNothing)
{
    LapFile broken = FriendsLap(0x41, 1, "Ada Morrow");
    broken.Path.pop_back();  // its path ends before its precise time
    EXPECT_FALSE(store->KeepLapFile(broken));
    EXPECT_THAT(store->LastFailure().message, testing::HasSubstr("its path ends at 20.000 s"));
    EXPECT_TRUE(store->KeptLaps(Key(0xf0, 1))->empty());
    EXPECT_TRUE(store->Tracks()->empty());  // no layout made for it either
}

TEST(Standings, EachDriversBestFastestFirstWithTheGapAndEqualTimesSharingAPlace)
{
    const auto own = [](std::uint8_t id, const std::string& driver, const std::string& car, double bestS, int day) {
        ProgressRow row;
        row.Race = Key(id);
        row.Driver = driver;
        row.Car = car;
        row.BestS = bestS;
        row.BestLap = 2;
        row.DateNs = kFirstDay + day * kDay;
        return row;
    };
    // Your races in date order: Mara in two cars, Zoe in one.
    const std::vector<ProgressRow> races = {own(1, "Mara", "Falcon", 45.0, 0), own(2, "Mara", "Heron", 44.5, 1),
                                            own(3, "Mara", "Falcon", 44.0, 2), own(4, "Zoe", "Falcon", 46.0, 3),
                                            own(5, "Mara", "Falcon", 44.0000005, 4)};
    const auto kept = [](std::uint8_t race, const std::string& driver, double preciseS, int day) {
        KeptLapRow row;
        row.Race = Key(race);
        row.Driver = driver;
        row.Lap = 5;
        row.PreciseS = preciseS;
        row.DateNs = kFirstDay + day * kDay;
        row.Key = LapKeyOf(row.Race, row.Lap, driver);
        return row;
    };
    // Ada's two laps (her best counts), Ben's tie with Mara's best, and a
    // lap of Mara's own race 2 sent back to her, which stands as that race.
    const std::vector<KeptLapRow> laps = {kept(0x41, "Ada", 43.5, 5), kept(0x42, "Ada", 43.25, 6),
                                          kept(0x43, "Ben", 44.0, 1), kept(2, "Mara", 44.5, 1)};
    const std::vector<StandingRow> rows = StandingsOf(races, laps);
    std::vector<std::string> order;
    std::vector<std::int32_t> places;
    std::vector<double> gaps;
    for (const StandingRow& row : rows) {
        order.push_back(row.Driver + (row.Kind == StandingRow::Of::KeptLap ? " kept" : " " + row.Car));
        places.push_back(row.Place);
        gaps.push_back(row.GapS);
    }
    EXPECT_THAT(order, testing::ElementsAre("Ada kept", "Ben kept", "Mara Falcon", "Mara Heron", "Zoe Falcon"));
    EXPECT_THAT(places, testing::ElementsAre(1, 2, 2, 4, 5));
    EXPECT_THAT(gaps, testing::ElementsAre(0.0, 0.75, 0.75, 1.25, 2.75));
    EXPECT_EQ(rows[0].Race, Key(0x42));
    EXPECT_EQ(rows[0].Kept, LapKeyOf(Key(0x42), 5, "Ada"));
    EXPECT_EQ(rows[2].Race, Key(3));  // race 5's 44.0000005 ties it two days later
    EXPECT_TRUE(StandingsOf({}, {}).empty());
}

TEST_F(History, TheBestLapOfARaceIsGivenAsASoundLapFile)
{
    RaceRecord race = Race(1, 1, "Falcon", 0.1, 0);
    // Its path as the analysis keeps it: replay times, the first crossing
    // falling on a sample (held twice), speeds beside.
    race.BestPath = {{100, 200, 10.0, 0}, {100, 200, 10.0, 0}, {110, 200, 10.05, 10}, {110, 190, 10.1, 20}};
    race.BestSpeedsKmh = {std::nullopt, 200.0, 210.5, std::nullopt};
    Record(race);
    const auto lap = store->LapFileOf(race.Race);
    ASSERT_TRUE(lap) << store->LastFailure().message;
    EXPECT_EQ(LapFault(*lap), std::nullopt);
    EXPECT_EQ(lap->TrackName, "Track 1");
    EXPECT_EQ(lap->Layout, race.Layout);
    EXPECT_EQ(lap->Driver, "Mara");
    EXPECT_EQ(lap->Car, "Falcon");
    EXPECT_EQ(lap->Lap, 2);
    EXPECT_EQ(lap->ViewTime, 4502);
    EXPECT_EQ(lap->PreciseS, 0.1);
    ASSERT_EQ(lap->Path.size(), 3u);
    EXPECT_EQ(lap->Path[0].T, 0.0);
    EXPECT_NEAR(lap->Path[2].T, 0.1, 1e-6);
    EXPECT_EQ(store->LapFileOf(Key(9)), std::nullopt);
}

}  // namespace
}  // namespace vx
