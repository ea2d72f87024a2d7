#include "history/HistoryChecks.h"

namespace vx::test {

Sha256Digest Key(std::uint8_t first, std::uint8_t second)
{
    Sha256Digest key{};
    key[0] = first;
    key[1] = second;
    key[31] = 0x5a;
    return key;
}

RaceRecord Race(std::uint8_t id, std::uint8_t layout, const std::string& car, double bestS, int day)
{
    RaceRecord race;
    race.Race = Key(id);
    race.Layout = Key(0xf0, layout);
    race.TrackName = "Track " + std::to_string(layout);
    race.FileName = "race" + std::to_string(id) + ".gam";
    race.Folder = "/nowhere/Saves/";
    race.DateNs = kFirstDay + day * kDay;
    race.FileSize = 1000 + id;
    race.Driver = "Mara";
    race.Car = car;
    race.RaceFlag = 1;
    for (int k = 1; k <= 3; ++k)
        race.Laps.push_back({k, 4500 + k, bestS + (k == 2 ? 0.0 : 1.0), {15.0, 15.0, std::nullopt}, 180.5,
                             k != 1});
    race.BestLap = 2;
    race.BestS = bestS;
    race.BestPath = {{100, 200, 10.0, 0}, {110, 200, 10.05, 10}, {110, 190, 10.1, 20}};
    race.CleanLaps = 2;
    race.CleanMeanS = bestS + 0.5;
    race.RecordTime = 4318;
    race.RecordDriver = "Ada";
    race.RecordCar = "Comet";
    return race;
}

void WriteAsAnotherProgram(const std::string& path, const std::vector<std::string>& statements)
{
    Database db;
    ASSERT_TRUE(db.Open(path, Database::Mode::ReadWrite)) << db.LastError().message;
    for (const std::string& sql : statements)
        ASSERT_TRUE(db.Execute(sql.c_str())) << sql << ": " << db.LastError().message;
}

void History::Open(bool checkAlways)
{
    store.reset();
    opening = OpenHistory(path, checkAlways);
    ASSERT_TRUE(opening.Store) << opening.Problem;
    store = std::move(opening.Store);
}

HistoryStore::Recorded History::Record(const RaceRecord& race)
{
    const auto recorded = store->Record(race);
    EXPECT_TRUE(recorded) << store->LastFailure().message;
    return recorded.value_or(HistoryStore::Recorded::AlreadyKnown);
}

std::vector<ProgressRow> History::Progress(std::uint8_t layout, const std::optional<std::string>& car)
{
    const auto rows = store->Progress(Key(0xf0, layout), car);
    EXPECT_TRUE(rows) << store->LastFailure().message;
    return rows.value_or(std::vector<ProgressRow>{});
}

testing::AssertionResult EveryRaceWhole(const std::string& path, int& races)
{
    races = 0;
    HistoryOpening opening = OpenHistory(path, true);
    if (!opening.Store || !opening.SetAsideTo.empty())
        return testing::AssertionFailure() << "the history does not open whole: " << opening.Problem;
    HistoryStore& store = *opening.Store;
    const auto tracks = store.Tracks();
    if (!tracks)
        return testing::AssertionFailure() << store.LastFailure().message;
    for (const TrackSummary& track : *tracks) {
        const auto rows = store.Progress(track.Layout);
        if (!rows || static_cast<int>(rows->size()) != track.Races)
            return testing::AssertionFailure() << "the progress of " << track.Name << " is not its races";
        for (const ProgressRow& row : *rows) {
            const auto laps = store.Laps(row.Race);
            const auto path = store.BestLapPath(row.Race);
            if (!laps || static_cast<int>(laps->size()) != row.Laps)
                return testing::AssertionFailure() << "race " << KeyHex(row.Race) << " lacks laps";
            for (std::size_t k = 0; k < laps->size(); ++k)
                if ((*laps)[k].Lap != static_cast<int>(k) + 1)
                    return testing::AssertionFailure() << "race " << KeyHex(row.Race) << " lacks lap " << k + 1;
            if (!path || path->size() < 2)
                return testing::AssertionFailure() << "race " << KeyHex(row.Race) << " lacks its best lap's path";
            ++races;
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace vx::test
