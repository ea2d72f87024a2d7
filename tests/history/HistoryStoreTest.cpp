// The race history's store against a temporary database: identity, the
// derived personal bests and PB marks, forgetting, migration, and the
// failures (a folder that cannot be made or written, a full disk, a history
// that fails its check, a newer program's history).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "fixtures/RaceFiles.h"
#include "history/HistoryChecks.h"
#include "history/HistoryStore.h"
#include "history/PathCodec.h"
#include "history/view/HistoryView.h"
#include "laps/CompareFigures.h"
#include "laps/LapView.h"
#include "load/LoadWorkflow.h"
#include "reliability/Reliability.h"
#include "support/TestSupport.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using test::TempFolder;

using test::History;
using test::kDay;
using test::kFirstDay;
using test::Key;
using test::Race;
using test::WriteAsAnotherProgram;

// --- Identity -----------------------------------------------------------------------------

TEST(Sha256, GivesTheStandardDigests)
{
    const std::string abc = "abc";
    EXPECT_EQ(KeyHex(Sha256({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()})),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(KeyHex(Sha256({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(LayoutKey, LeavesOutTheBestTimesAndTakesTheWholeFileWhenTheirPlaceIsOutside)
{
    const std::vector<std::uint8_t>& track = test::DemoTrack();
    const auto parsed = ParseTrackFile(track);
    ASSERT_TRUE(parsed.ok());
    const std::int64_t base = parsed.value->TrackInfoBase;
    // A record that falls rewrites the best time: the layout stays.
    std::vector<std::uint8_t> newRecord = track;
    test::Poke(newRecord, base, 2, 4001);
    EXPECT_EQ(Sha256(LayoutBytes(track, base)), Sha256(LayoutBytes(newRecord, base)));
    EXPECT_NE(Sha256(track), Sha256(newRecord));
    // A change of the map is another layout.
    std::vector<std::uint8_t> newMap = track;
    newMap[static_cast<std::size_t>(base - 5)] ^= 1;  // the byte before TrackLength
    EXPECT_NE(Sha256(LayoutBytes(track, base)), Sha256(LayoutBytes(newMap, base)));
    for (const std::int64_t outside : {std::int64_t{7}, std::int64_t{-1}, std::ssize(track) + 1})
        EXPECT_EQ(LayoutBytes(track, outside).size(), track.size()) << outside;
    EXPECT_EQ(LayoutBytes(track, 8).size(), 8u);
    EXPECT_EQ(LayoutBytes(track, std::ssize(track)).size(), track.size());
}

TEST_F(History, TheSameBytesUnderAnotherNameAreTheSameRaceAndOnlyMoveWhereItWasSeen)
{
    const RaceRecord race = Race(1, 1, "Falcon", 44.0, 0);
    EXPECT_EQ(Record(race), HistoryStore::Recorded::New);
    RaceRecord copy = race;
    copy.FileName = "copy.gam";
    copy.Folder = "/elsewhere/";
    copy.DateNs += kDay;  // a copy is newer, its bytes the same
    EXPECT_EQ(Record(copy), HistoryStore::Recorded::AlreadyKnown);
    const auto rows = Progress(1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].FileName, "copy.gam");
    EXPECT_EQ(rows[0].Folder, "/elsewhere/");
    EXPECT_EQ(rows[0].DateNs, race.DateNs);
    const auto laps = store->Laps(race.Race);
    ASSERT_TRUE(laps);
    EXPECT_EQ(*laps, race.Laps);
}

// --- Derived figures --------------------------------------------------------------------------

TEST_F(History, PersonalBestsGoByDateWithTiesWithinAMicrosecondToTheEarliestRace)
{
    // Recorded out of date order; two races on day 4 (recorded 5 before 6).
    Record(Race(3, 1, "Falcon", 44.0, 2));
    Record(Race(1, 1, "Falcon", 45.0, 0));
    Record(Race(5, 1, "Heron", 44.0000009, 4));  // a tie with race 3: not a new best
    Record(Race(2, 1, "Heron", 46.0, 1));
    Record(Race(6, 1, "Heron", 43.9999985, 4));  // faster by 1.5 us: a new best
    Record(Race(4, 1, "Falcon", 44.0000004, 3));
    Record(Race(9, 2, "Falcon", 50.0, 0));

    std::vector<int> order, marks;
    for (const ProgressRow& row : Progress(1))
        order.push_back(row.Race[0]), marks.push_back(row.PersonalBest);
    EXPECT_THAT(order, testing::ElementsAre(1, 2, 3, 4, 5, 6));
    EXPECT_THAT(marks, testing::ElementsAre(1, 0, 1, 0, 0, 1));
    // Per car: Heron's own first race set its best, and its tie with race 3
    // (another car's) is its own new best.
    marks.clear();
    for (const ProgressRow& row : Progress(1, "Heron"))
        marks.push_back(row.PersonalBest);
    EXPECT_THAT(marks, testing::ElementsAre(1, 1, 1));

    const auto tracks = store->Tracks();
    ASSERT_TRUE(tracks);
    ASSERT_EQ(tracks->size(), 2u);
    const TrackSummary& track = (*tracks)[0];
    EXPECT_EQ(track.Name, "Track 1");
    EXPECT_EQ(track.Races, 6);
    EXPECT_EQ(track.PersonalBest.Race, Key(6));
    EXPECT_EQ(track.PersonalBest.DateNs, kFirstDay + 4 * kDay);
    ASSERT_EQ(track.Cars.size(), 2u);
    EXPECT_EQ(track.Cars[0].Car, "Falcon");
    EXPECT_EQ(track.Cars[0].Races, 3);
    EXPECT_EQ(track.Cars[0].PersonalBest.Race, Key(3));  // race 4 ties it two days later
    EXPECT_EQ(track.Cars[1].PersonalBest.Race, Key(6));
    EXPECT_EQ((*tracks)[1].Races, 1);
    const auto best = store->PersonalBest(Key(0xf0, 1), "Mara", std::string("Falcon"));
    ASSERT_TRUE(best);
    EXPECT_EQ(best->Race, Key(3));
    EXPECT_EQ(best->Lap, 2);
}

TEST_F(History, TheBestOfOtherRacesLeavesTheShownRaceOutAndTheProgressChartShowsThePbSteps)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    Record(Race(2, 1, "Falcon", 44.0, 2));
    Record(Race(3, 1, "Heron", 44.5, 1));
    RaceRecord last = Race(4, 1, "Falcon", 43.0, 3);
    last.RecordTime = 6000;  // the track file holds no record
    Record(last);
    const auto others = store->BestOfOtherRaces(Key(0xf0, 1), Key(4));
    ASSERT_TRUE(others);
    EXPECT_EQ(others->Race, Key(2));
    EXPECT_EQ(store->BestOfOtherRaces(Key(0xf0, 1), Key(9))->Race, Key(4));
    EXPECT_FALSE(store->BestOfOtherRaces(Key(0xf0, 2), Key(4)));

    const auto rows = Progress(1);
    const ProgressChartFigures chart = ProgressChartOf(rows);
    EXPECT_EQ(chart.FirstNs, kFirstDay);
    EXPECT_EQ(chart.LastNs, kFirstDay + 3 * kDay);
    ASSERT_EQ(chart.PersonalBests.size(), 4u);  // 45.0, 44.5, 44.0, 43.0 in date order
    EXPECT_EQ(chart.PersonalBests[1].S, 44.5);
    EXPECT_EQ(chart.PersonalBests[3].DateNs, kFirstDay + 3 * kDay);
    EXPECT_FALSE(chart.RecordS);
    // Round lines around every figure: 43.0 (best) to 45.5 (a clean mean).
    EXPECT_DOUBLE_EQ(chart.StepS, 1.0);
    EXPECT_DOUBLE_EQ(chart.LowS, 42.0);
    EXPECT_DOUBLE_EQ(chart.HighS, 46.0);
    // The record of the newest race's track file: 43.18 in the older ones.
    EXPECT_EQ(ProgressChartOf(std::span(rows).first(3)).RecordS, std::optional<double>(43.18));
}

TEST_F(History, ForgettingARaceTakesItsLapsPathSeenFileAndEmptyTrackWithIt)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    Record(Race(2, 1, "Falcon", 44.0, 1));
    FileStamp stamp{1234, 7, 99, kFirstDay};
    ASSERT_TRUE(store->Record(Race(0x31, 2, "Falcon", 50.0, 0), std::make_pair("/s/x.gam", stamp)));
    EXPECT_EQ(store->SeenUnchanged("/s/x.gam", stamp), std::optional<bool>(true));

    const auto matches = store->FindRaces("315a"); // no: keys start 31 00
    ASSERT_TRUE(matches);
    EXPECT_TRUE(matches->empty());
    const auto found = store->FindRaces("3100");
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(store->Forget(found->front().Race), std::optional<bool>(true));
    EXPECT_EQ(store->Forget(found->front().Race), std::optional<bool>(false));
    EXPECT_EQ(store->SeenUnchanged("/s/x.gam", stamp), std::optional<bool>(false));
    const auto laps = store->Laps(Key(0x31));
    ASSERT_TRUE(laps);
    EXPECT_TRUE(laps->empty());
    EXPECT_FALSE(store->BestLapPath(Key(0x31)));
    const auto tracks = store->Tracks();
    ASSERT_TRUE(tracks);
    ASSERT_EQ(tracks->size(), 1u);
    // The best of what is left.
    ASSERT_TRUE(store->Forget(Key(2)));
    EXPECT_EQ(store->Tracks()->front().PersonalBest.Race, Key(1));
}

TEST_F(History, SettingsAreKeptAcrossOpenings)
{
    EXPECT_FALSE(store->Setting("open_folder"));
    ASSERT_TRUE(store->SetSetting("open_folder", "/home/zo\xC3\xAB/Saves/"));
    ASSERT_TRUE(store->SetSetting("follow", "1"));
    ASSERT_TRUE(store->SetSetting("follow", "0"));
    Open();
    EXPECT_EQ(store->Setting("open_folder"), std::optional<std::string>("/home/zo\xC3\xAB/Saves/"));
    EXPECT_EQ(store->Setting("follow"), std::optional<std::string>("0"));
}

// --- The record of a loaded race -------------------------------------------------------------

TEST_F(History, ALoadedRaceIsKeptAsItsAnalysisGivesItWithNamesDecodedAsShown)
{
    // A driver, car and track with accents, as the game writes them
    // (Windows-1252); the track file's own name is UTF-8.
    fs::create_directories(folder.Path() / "Saves");
    fs::create_directories(folder.Path() / "Tracks");
    GameFileBuilder game;
    GameDriver zoe = HumanDriver("Zo\xEB", "V\xE9lo");
    zoe.Position = 0;
    game.AddDriver(ComputerDriver("Eva", "Heron", 3)).AddDriver(zoe);
    game.AddTrack("Ov\xE5l").SetRacedTrack(0);
    game.SetReplay({.Samples = test::CirclingReplay(4)});
    test::WriteFile(folder / "Saves/zoe.gam", game.Build());
#ifdef _WIN32
    // The test's own narrow names are the code page's here: the track is
    // named by hand, and shows its file's name.
    const std::string trackGiven = folder / "Tracks/Oval.trk";
    const std::string trackName = "Oval";
#else
    const std::string trackGiven;
    const std::string trackName = "Ov\xC3\xA5l";
#endif
    test::WriteFile(folder / ("Tracks/" + trackName + ".trk"), test::OvalTrack().Build());

    Toolkit toolkit;
    AppState state;
    InitAppState(state, toolkit.CurrentFolder());
    ASSERT_TRUE(LoadGameData(state, toolkit, folder / "Saves/zoe.gam", trackGiven)) << state.Log.NewestWhole();
    const auto analysis = AnalyseCommittedLaps(state);
    ASSERT_TRUE(analysis);
    std::string whyNot;
    const auto record = RaceRecordOf(state, *StampOfPath(folder / "Saves/zoe.gam"), whyNot);
    ASSERT_TRUE(record) << whyNot;
    EXPECT_EQ(KeyHex(record->Race), KeyHex(Sha256(test::ReadFile(folder / "Saves/zoe.gam"))));
    EXPECT_EQ(Record(*record), HistoryStore::Recorded::New);

    const auto rows = store->Progress(record->Layout);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1u);
    const ProgressRow& row = rows->front();
    EXPECT_EQ(row.Driver, "Zo\xC3\xAB");
    EXPECT_EQ(row.Car, "V\xC3\xA9lo");
    EXPECT_EQ(store->Tracks()->front().Name, trackName);
    EXPECT_EQ(row.Laps, 4);
    EXPECT_EQ(row.BestLap, analysis->ReferenceLap);
    EXPECT_EQ(row.BestS, analysis->Lap(analysis->ReferenceLap).PreciseS);
    EXPECT_EQ(row.CleanLaps, analysis->CleanCount);
    EXPECT_EQ(row.CleanMeanS, analysis->CleanMeanS);
    EXPECT_EQ(row.RecordTime, 5432);
    EXPECT_EQ(row.RecordDriver, "Anna");
    EXPECT_TRUE(FileStillThere(row));
    const auto laps = store->Laps(record->Race);
    ASSERT_TRUE(laps);
    ASSERT_EQ(laps->size(), 4u);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ((*laps)[k - 1].PreciseS, analysis->Lap(k).PreciseS) << k;
        EXPECT_EQ((*laps)[k - 1].SectorsS, analysis->Lap(k).SectorsS) << k;
        EXPECT_EQ((*laps)[k - 1].ViewTime, state.Laps.LapTimes[k - 1]) << k;
    }
    // The best lap's path, to its units, with the distances the analysis has.
    const auto path = store->BestLapPath(record->Race);
    const auto original = analysis->PathOf(analysis->ReferenceLap);
    ASSERT_TRUE(path);
    ASSERT_EQ(path->size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        EXPECT_NEAR((*path)[i].x, original[i].x, 0.5 / 1024) << i;
        EXPECT_NEAR((*path)[i].y, original[i].y, 0.5 / 1024) << i;
        EXPECT_NEAR((*path)[i].t, original[i].t, 0.5e-6) << i;
    }
    EXPECT_NEAR(path->back().distance, original.back().distance, 1e-3);
    // And the speed at its vertices, as the comparison draws the lap.
    const auto best = store->BestLap(record->Race);
    ASSERT_TRUE(best) << store->LastFailure().message;
    const LapProfile profile = ProfileOf(*analysis, analysis->ReferenceLap);
    ASSERT_EQ(best->SpeedsKmh.size(), profile.SpeedKmh.size());
    for (std::size_t i = 0; i < profile.SpeedKmh.size(); ++i) {
        ASSERT_EQ(best->SpeedsKmh[i].has_value(), profile.SpeedKmh[i].has_value()) << i;
        if (profile.SpeedKmh[i]) {
            EXPECT_NEAR(*best->SpeedsKmh[i], *profile.SpeedKmh[i], 0.005) << i;
        }
    }
    EXPECT_FALSE(best->SpeedsKmh.front().has_value());  // the lap starts where the line was crossed

    // The file rewritten: not there as it was any more.
    test::WriteFile(folder / "Saves/zoe.gam", {1, 2, 3});
    EXPECT_FALSE(FileStillThere(row));
}

TEST(PathCodec, KeepsAPathToItsUnitsAndRefusesBytesThatAreNotOne)
{
    const std::vector<PathVertex> path = {
        {511.99951, 0.25, 5400.123456, 0}, {-3.0, 7.5, 5400.173456, 0}, {-3.0, 7.5, 5400.2, 0}};
    const std::vector<std::uint8_t> bytes = EncodePath(path);
    const auto decoded = DecodePath(bytes);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), 3u);
    EXPECT_DOUBLE_EQ((*decoded)[0].x, 524287.0 / 1024);  // to the nearest 1/1024
    EXPECT_DOUBLE_EQ((*decoded)[1].x, -3.0);
    EXPECT_DOUBLE_EQ((*decoded)[0].t, 5400.123456);
    EXPECT_NEAR((*decoded)[1].distance, std::sqrt(515.0 * 515.0 + 7.25 * 7.25), 0.01);
    EXPECT_EQ((*decoded)[2].distance, (*decoded)[1].distance);
    EXPECT_TRUE(DecodePath(EncodePath({})));
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(DecodePath(std::span(bytes).first(cut))) << "cut at " << cut;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodePath(longer));
    const std::vector<std::uint8_t> lying = {1, 0xff, 0xff, 0xff, 0xff, 0x0f, 2, 2, 2};
    EXPECT_FALSE(DecodePath(lying));

    // The speeds at the vertices, to 1/100 km/h, the absent ones kept absent.
    const std::vector<std::optional<double>> speeds = {std::nullopt, 123.456, 0.0, std::nullopt, 250.004};
    const std::vector<std::uint8_t> speedBytes = EncodeSpeeds(speeds);
    const auto decodedSpeeds = DecodeSpeeds(speedBytes);
    ASSERT_TRUE(decodedSpeeds);
    EXPECT_EQ(*decodedSpeeds, (std::vector<std::optional<double>>{std::nullopt, 123.46, 0.0, std::nullopt, 250.0}));
    for (std::size_t cut = 0; cut < speedBytes.size(); ++cut)
        EXPECT_FALSE(DecodeSpeeds(std::span(speedBytes).first(cut))) << "cut at " << cut;
    std::vector<std::uint8_t> longerSpeeds = speedBytes;
    longerSpeeds.push_back(0);
    EXPECT_FALSE(DecodeSpeeds(longerSpeeds));
}

// --- Versions ---------------------------------------------------------------------------------

TEST_F(History, AnOlderHistoryIsMigratedForwardWithItsRaces)
{
    store.reset();
    fs::remove(path);
    const RaceRecord old = Race(0xaa, 1, "Falcon", 61.5, 0);
    std::string pathHex;
    for (const std::uint8_t byte : EncodePath(old.BestPath))
        pathHex += KeyHex(std::span(&byte, 1));
    const std::string insertRace =
        "INSERT INTO race VALUES (1, x'" + KeyHex(old.Race) +
        "', 1, 'Oval', 'old.gam', '/s/', 0, 5, 100, 0, 'Max', 'Falcon', 1, 1, 1, 61.5, 0, NULL, 5432, 'Anna', 'Comet')";
    const std::string insertPath = "INSERT INTO best_path VALUES (1, x'" + pathHex + "')";
    WriteAsAnotherProgram(path, {
        HistorySchemaStep(1),
        "PRAGMA user_version = 1",
        "INSERT INTO meta VALUES ('oldest_reader', 1)",
        "INSERT INTO layout VALUES (1, x'" + KeyHex(Key(0xf0, 1)) + "')",
        insertRace,
        "INSERT INTO lap VALUES (1, 1, 6150, 61.5, NULL, NULL, NULL, NULL, 0)",
        insertPath,
    });
    // Read alone, as it is: no kept laps to read, its race standing alone.
    {
        const HistoryOpening reading = OpenHistoryToRead(path);
        ASSERT_TRUE(reading.Store) << reading.Problem;
        const auto standings = reading.Store->Standings(Key(0xf0, 1));
        ASSERT_TRUE(standings) << reading.Store->LastFailure().message;
        EXPECT_EQ(standings->size(), 1u);
    }
    Open();
    const auto tracks = store->Tracks();
    ASSERT_TRUE(tracks);
    ASSERT_EQ(tracks->size(), 1u);
    EXPECT_EQ(tracks->front().Name, "Oval");
    EXPECT_EQ(tracks->front().PersonalBest.BestS, 61.5);
    // What the newer schema adds works.
    const FileStamp stamp{10, 1, 2, 3};
    ASSERT_TRUE(store->Record(Race(7, 1, "Falcon", 44.0, 0), std::make_pair("/s/new.gam", stamp)));
    EXPECT_EQ(store->SeenUnchanged("/s/new.gam", stamp), std::optional<bool>(true));
    // The old race's best lap has no speeds until the race is recorded again.
    auto best = store->BestLap(old.Race);
    ASSERT_TRUE(best) << store->LastFailure().message;
    EXPECT_EQ(best->Path.size(), 3u);
    EXPECT_TRUE(best->SpeedsKmh.empty());
    RaceRecord again = old;
    again.BestSpeedsKmh = {std::nullopt, 180.0, std::nullopt};
    EXPECT_EQ(Record(again), HistoryStore::Recorded::AlreadyKnown);
    best = store->BestLap(old.Race);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->SpeedsKmh, again.BestSpeedsKmh);
    store.reset();
    Database db;
    ASSERT_TRUE(db.Open(path, Database::Mode::ReadOnly));
    Statement version = db.Cached("PRAGMA user_version");
    ASSERT_TRUE(version.Step());
    EXPECT_EQ(version.ColumnInt64(0), kHistorySchemaVersion);
}

TEST_F(History, ANewerProgramsHistoryIsReadNeverWrittenUnlessItCannotBeRead)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    store.reset();
    WriteAsAnotherProgram(path, {"PRAGMA user_version = 9"});
    const std::uint64_t before = test::HashFile(path);

    Open();
    EXPECT_THAT(opening.ReadOnlyNote, HasSubstr("newer version"));
    EXPECT_TRUE(store->ReadOnly());
    EXPECT_EQ(store->Tracks().value_or(std::vector<TrackSummary>{}).size(), 1u);
    EXPECT_FALSE(store->Record(Race(2, 1, "Falcon", 44.0, 1)));
    EXPECT_EQ(store->LastFailure().kind, DatabaseFailure::ReadOnly);
    EXPECT_FALSE(store->Forget(Key(1)));
    EXPECT_FALSE(store->SetSetting("follow", "1"));
    store.reset();
    EXPECT_EQ(test::HashFile(path), before);

    WriteAsAnotherProgram(path, {"UPDATE meta SET value = 9 WHERE name = 'oldest_reader'"});
    const HistoryOpening unreadable = OpenHistory(path);
    EXPECT_FALSE(unreadable.Store);
    EXPECT_THAT(unreadable.Problem, HasSubstr("newer version"));
}

// --- Failures ---------------------------------------------------------------------------------

// The files of the folder whose names start with prefix.
std::vector<std::string> Beside(const TempFolder& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.Path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(History, AHistoryThatFailsItsCheckWhenTheCheckIsDueIsSetAside)
{
    for (std::uint8_t id = 1; id <= 40; ++id)
        Record(Race(id, 1, "Falcon", 45.0 - id * 0.01, id));
    store.reset();  // the journal is copied back into the file as it closes
    // A recent check: the next opening trusts the file.
    Open();
    store.reset();
    // Pages 3 to 5 overwritten, as a disk that fails would leave them.
    std::vector<std::uint8_t> bytes = test::ReadFile(path);
    ASSERT_GT(bytes.size(), 6u * 4096);
    std::fill(bytes.begin() + 2 * 4096 + 100, bytes.begin() + 5 * 4096, 0x6d);
    test::WriteFile(path, bytes);
    WriteAsAnotherProgram(path, {"UPDATE meta SET value = 0 WHERE name = 'checked_ns'"});

    Open();
    EXPECT_FALSE(opening.SetAsideTo.empty());
    EXPECT_FALSE(opening.SetAsideReason.empty());
    EXPECT_EQ(Beside(folder, "history.sqlite3.damaged-").size(), 1u);
    EXPECT_TRUE(store->Tracks().value_or(std::vector<TrackSummary>{{}}).empty());
}

TEST(HistoryPlace, AMissingFolderIsMadeAndOneThatCannotBeMadeOrOpenedIsSaidWhy)
{
    TempFolder folder;
    const std::string nested = folder / "a/b/history.sqlite3";
    const HistoryOpening made = OpenHistory(nested);
    ASSERT_TRUE(made.Store) << made.Problem;
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat((folder / "a/b").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
#endif
    test::WriteFile(folder / "file", {1});
    const HistoryOpening inAFile = OpenHistory(folder / "file/history.sqlite3");
    EXPECT_FALSE(inAFile.Store);
    EXPECT_THAT(inAFile.Problem, HasSubstr("not a folder"));
    fs::create_directories(folder / "folder.sqlite3");
    const HistoryOpening aFolder = OpenHistory(folder / "folder.sqlite3");
    EXPECT_FALSE(aFolder.Store);
    EXPECT_FALSE(aFolder.Problem.empty());
    EXPECT_TRUE(aFolder.SetAsideTo.empty());
}

#ifndef _WIN32  // a second user and a file-size limit: POSIX

// Runs work in a child process and gives its exit status (or 128 + signal).
int InChild(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work());
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(HistoryPlace, AFolderThatCannotBeWrittenLeavesTheHistoryUnavailable)
{
    TempFolder folder;
    fs::create_directories(folder.Path() / "locked");
    ::chmod((folder / "locked").c_str(), 0555);
    ::chmod(folder.Path().c_str(), 0755);
    const std::string path = folder / "locked/history.sqlite3";
    // As a user without the right to write there (root may write anywhere).
    const int status = InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 10;
        const HistoryOpening opening = OpenHistory(path);
        if (opening.Store)
            return 11;
        return opening.Problem.find("unable to open") != std::string::npos ? 0 : 12;
    });
    EXPECT_EQ(status, 0) << "10: no other user, 11: opened, 12: no reason given";
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(History, AFullDiskFailsTheRaceBeingRecordedWholeAndKeepsTheOthers)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    store.reset();
    const int status = InChild([&] {
        HistoryOpening opening = OpenHistory(path);
        if (!opening.Store)
            return 10;
        // The disk fills: no file grows past 64 KB from here on.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        for (int id = 2; id < 200; ++id) {
            RaceRecord race = Race(static_cast<std::uint8_t>(id), 1, "Falcon", 45.0, id);
            race.BestPath.resize(2000, race.BestPath.back());  // a long path: quick to fill
            if (!opening.Store->Record(race))
                return opening.Store->LastFailure().kind == DatabaseFailure::Unavailable ? 0 : 11;
        }
        return 12;
    });
    EXPECT_EQ(status, 0) << "10: not opened, 11: another failure, 12: never full";
    int races = 0;
    EXPECT_TRUE(test::EveryRaceWhole(path, races));
    EXPECT_GE(races, 1);
}

#endif

}  // namespace
}  // namespace vx
