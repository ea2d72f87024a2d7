// Whose personal best: a driver's, and within the driver a car's; the
// tracks' figures of a history of many layouts; and "your best before this
// race", the one figure a new race is measured against.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "history/HistoryChecks.h"
#include "history/Recording.h"

namespace vx {
namespace {

using testing::ElementsAre;
using test::History;
using test::kDay;
using test::kFirstDay;
using test::Key;

RaceRecord Race(std::uint8_t id, const std::string& driver, const std::string& car, double bestS, int day,
                std::uint8_t layout = 1)
{
    RaceRecord race = test::Race(id, layout, car, bestS, day);
    race.Driver = driver;
    return race;
}

std::vector<int> Ids(const std::vector<ProgressRow>& rows)
{
    std::vector<int> ids;
    for (const ProgressRow& row : rows)
        ids.push_back(row.Race[0]);
    return ids;
}

std::vector<bool> Marks(const std::vector<ProgressRow>& rows)
{
    std::vector<bool> marks;
    for (const ProgressRow& row : rows)
        marks.push_back(row.PersonalBest);
    return marks;
}

TEST_F(History, APersonalBestBelongsToItsDriverAndWithinTheDriverToTheCar)
{
    const std::string zoe = "Zo\xC3\xAB Kr\xC3\xA4mer", mara = "Mara Quill";
    Record(Race(1, zoe, "Falcon", 44.0, 0));
    Record(Race(2, zoe, "Heron", 43.5, 1));
    Record(Race(3, mara, "Falcon", 42.0, 2));
    Record(Race(4, mara, "Falcon", 43.0, 3));
    Record(Race(5, zoe, "Falcon", 43.8, 4));
    Record(Race(6, zoe, "Falcon", 41.0, 5, 2));  // another track

    const auto tracks = store->Tracks();
    ASSERT_TRUE(tracks) << store->LastFailure().message;
    ASSERT_EQ(tracks->size(), 2u);
    const TrackSummary& track = (*tracks)[0];
    ASSERT_EQ(track.Drivers.size(), 2u);
    const DriverSummary& first = track.Drivers[0];
    EXPECT_EQ(first.Driver, mara);
    EXPECT_EQ(first.Races, 2);
    EXPECT_EQ(first.PersonalBest.Race, Key(3));
    ASSERT_EQ(first.Cars.size(), 1u);
    EXPECT_EQ(first.Cars[0].Races, 2);
    const DriverSummary& second = track.Drivers[1];
    EXPECT_EQ(second.Driver, zoe);
    EXPECT_EQ(second.Races, 3);
    EXPECT_EQ(second.PersonalBest.Race, Key(2));
    EXPECT_EQ(second.PersonalBest.BestS, 43.5);
    ASSERT_EQ(second.Cars.size(), 2u);
    EXPECT_EQ(second.Cars[0].Car, "Falcon");
    EXPECT_EQ(second.Cars[0].Races, 2);
    EXPECT_EQ(second.Cars[0].PersonalBest.Race, Key(5));
    EXPECT_EQ(second.Cars[1].PersonalBest.Race, Key(2));

    const LayoutKey layout = Key(0xf0, 1);
    EXPECT_EQ(store->PersonalBest(layout, zoe)->Race, Key(2));
    EXPECT_EQ(store->PersonalBest(layout, zoe, std::string("Falcon"))->Race, Key(5));
    EXPECT_EQ(store->PersonalBest(layout, mara)->Race, Key(3));
    EXPECT_FALSE(store->PersonalBest(layout, mara, std::string("Heron")));
    EXPECT_FALSE(store->PersonalBest(layout, "Nobody"));

    const auto zoes = store->DriverProgress(layout, zoe);
    ASSERT_TRUE(zoes);
    EXPECT_THAT(Ids(*zoes), ElementsAre(1, 2, 5));
    EXPECT_THAT(Marks(*zoes), ElementsAre(true, true, false));
    const auto zoesFalcon = store->DriverProgress(layout, zoe, std::string("Falcon"));
    ASSERT_TRUE(zoesFalcon);
    EXPECT_THAT(Ids(*zoesFalcon), ElementsAre(1, 5));
    EXPECT_THAT(Marks(*zoesFalcon), ElementsAre(true, true));

    EXPECT_EQ(store->BestOfOtherRaces(layout, Key(2), zoe)->Race, Key(5));
    EXPECT_EQ(store->BestOfOtherRaces(layout, Key(5), zoe, std::string("Falcon"))->Race, Key(1));
    EXPECT_FALSE(store->BestOfOtherRaces(layout, Key(2), zoe, std::string("Heron")));
}

TEST_F(History, TheTracksOfAHistoryOfManyLayoutsAreEachLayoutsOwnFigures)
{
    // 24 layouts, each with races of two drivers in three cars, their times
    // and dates mixed; two races of each layout tie within the microsecond.
    struct Expected {
        int races = 0;
        double best = 1e9;
        int bestId = 0;
        std::int64_t bestDate = 0;
        std::int64_t newest = -1;
        std::string name;
    };
    std::map<std::uint8_t, Expected> layouts;
    std::map<std::pair<std::uint8_t, std::string>, Expected> drivers;
    const char* const kCars[] = {"Falcon", "Heron", "Swift"};
    int id = 0;
    for (int layout = 1; layout <= 24; ++layout) {
        for (int k = 0; k < 8; ++k) {
            ++id;
            const int day = (k * 5 + layout) % 8;
            const double best = 40.0 + ((k * 7 + layout * 3) % 11) * 0.25 + (k == 7 ? 0.0000004 : 0.0);
            RaceRecord race = Race(static_cast<std::uint8_t>(id % 250 + 1), k % 2 ? "Ann" : "Bea", kCars[k % 3],
                                   best, day, static_cast<std::uint8_t>(layout));
            race.Race[1] = static_cast<std::uint8_t>(id / 250);
            race.Race[2] = static_cast<std::uint8_t>(k);
            race.TrackName = "Track " + std::to_string(layout) + (day == 7 ? " (new)" : "");
            ASSERT_EQ(Record(race), HistoryStore::Recorded::New);
            for (Expected* e : {&layouts[static_cast<std::uint8_t>(layout)],
                                &drivers[{static_cast<std::uint8_t>(layout), race.Driver}]}) {
                ++e->races;
                // Earlier dates first; on the same date the race recorded first.
                const bool earlier = race.DateNs < e->bestDate;
                if (best < e->best - 1e-6 || (best <= e->best + 1e-6 && earlier)) {
                    e->best = best;
                    e->bestId = id;
                    e->bestDate = race.DateNs;
                }
                if (race.DateNs >= e->newest) {
                    e->newest = race.DateNs;
                    e->name = race.TrackName;
                }
            }
        }
    }
    const auto tracks = store->Tracks();
    ASSERT_TRUE(tracks) << store->LastFailure().message;
    ASSERT_EQ(tracks->size(), 24u);
    for (const TrackSummary& track : *tracks) {
        const std::uint8_t layout = track.Layout[1];
        const Expected& e = layouts[layout];
        EXPECT_EQ(track.Name, e.name);
        EXPECT_EQ(track.Races, e.races);
        EXPECT_DOUBLE_EQ(track.PersonalBest.BestS, e.best) << track.Name;
        EXPECT_EQ(track.PersonalBest.DateNs, e.bestDate) << track.Name;
        EXPECT_EQ(track.Cars.size(), 3u);
        ASSERT_EQ(track.Drivers.size(), 2u);
        for (const DriverSummary& driver : track.Drivers) {
            const Expected& d = drivers[{layout, driver.Driver}];
            EXPECT_EQ(driver.Races, d.races);
            EXPECT_DOUBLE_EQ(driver.PersonalBest.BestS, d.best) << track.Name << " " << driver.Driver;
            EXPECT_EQ(driver.PersonalBest.DateNs, d.bestDate) << track.Name << " " << driver.Driver;
        }
    }
}

TEST_F(History, YourBestBeforeARaceIsYourBestOfTheOtherRacesAndARaceKeptIsNeverNew)
{
    Record(Race(1, "Mara", "Falcon", 42.93, 0));
    Record(Race(2, "Mara", "Falcon", 42.91, 1));  // her personal best
    Record(Race(3, "Zoe", "Falcon", 40.00, 2));   // another player's

    // A byte-identical copy of her best race, found again: known, and
    // measured against her other race, never against itself.
    const RaceRecord copy = Race(2, "Mara", "Falcon", 42.91, 1);
    const auto before = BestBefore(*store, copy);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->Race, Key(1));
    const BestLapStanding known = StandingOf(copy, before, *store->Holds(copy.Race));
    EXPECT_EQ(known.kind, BestLapStanding::Kind::Known);
    EXPECT_NEAR(known.previousS, 42.93, 1e-9);

    // New races, each against its own driver's best.
    const RaceRecord faster = Race(4, "Mara", "Falcon", 42.80, 3);
    EXPECT_FALSE(*store->Holds(faster.Race));
    const BestLapStanding newBest = StandingOf(faster, BestBefore(*store, faster), false);
    EXPECT_EQ(newBest.kind, BestLapStanding::Kind::NewBest);
    EXPECT_NEAR(newBest.gapS, -0.11, 1e-9);
    const RaceRecord slower = Race(5, "Zoe", "Falcon", 41.00, 3);
    const BestLapStanding off = StandingOf(slower, BestBefore(*store, slower), false);
    EXPECT_EQ(off.kind, BestLapStanding::Kind::OffBest);
    EXPECT_NEAR(off.gapS, 1.0, 1e-9);
    const RaceRecord tie = Race(6, "Mara", "Falcon", 42.9100005, 3);
    EXPECT_EQ(StandingOf(tie, BestBefore(*store, tie), false).kind, BestLapStanding::Kind::EqualsBest);
    const RaceRecord stranger = Race(7, "Ida", "Falcon", 45.0, 3);
    EXPECT_EQ(StandingOf(stranger, BestBefore(*store, stranger), false).kind, BestLapStanding::Kind::FirstOnTrack);
    // Her only race there, found again: known, nothing to measure it against.
    const RaceRecord only = Race(3, "Zoe", "Falcon", 40.00, 2);
    EXPECT_FALSE(BestBefore(*store, only));
    EXPECT_EQ(StandingOf(only, BestBefore(*store, only), true).kind, BestLapStanding::Kind::Known);
}

}  // namespace
}  // namespace vx
