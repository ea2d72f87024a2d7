// The files around the race history: what a file given as the history is
// (only a damaged SQLite database is ever set aside; anything else is left
// as it is and refused for what it is), reading that never writes, a
// history with a table or rows damaged, one statement's text used twice at
// once, whether a race's saved game is still there as it was, and the kept
// speeds of an older version worked out again from the saved games still there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "fixtures/RaceFiles.h"
#include "history/HistoryChecks.h"
#include "history/HistoryAdd.h"
#include "history/HistoryStore.h"
#include "history/KeptSpeeds.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;
using test::History;
using test::Key;
using test::Race;
using test::TempFolder;
using test::WriteAsAnotherProgram;

// The names in a folder with their bytes: what a look at the folder shows.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Contents(const fs::path& folder)
{
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents.emplace_back(entry.path().filename().string(),
                              entry.is_regular_file() ? test::ReadFile(entry.path().string())
                                                      : std::vector<std::uint8_t>{});
    std::sort(contents.begin(), contents.end());
    return contents;
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

// --- One text, two uses at once ------------------------------------------------------------

TEST(DatabaseStatements, AUseOfATextWhileAnotherIsUnderWayGetsAStatementOfItsOwn)
{
    TempFolder folder;
    Database db;
    ASSERT_TRUE(db.Open(folder / "rows.sqlite3", Database::Mode::ReadWrite)) << db.LastError().message;
    ASSERT_TRUE(db.Execute("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (1), (2), (3);"));
    constexpr const char* kRows = "SELECT x FROM t WHERE x >= ? ORDER BY x";
    std::vector<std::int64_t> outer, inner;
    {
        Statement rows = db.Cached(kRows);
        rows.BindInt64(0, 1);
        while (rows.Step()) {
            outer.push_back(rows.ColumnInt64(0));
            // A function called inside the loop that reads the same rows.
            Statement again = db.Cached(kRows);
            again.BindInt64(0, 3);
            while (again.Step())
                inner.push_back(again.ColumnInt64(0));
            EXPECT_TRUE(again.Succeeded()) << db.LastError().message;
        }
        EXPECT_TRUE(rows.Succeeded()) << db.LastError().message;
    }
    EXPECT_THAT(outer, ElementsAre(1, 2, 3));
    EXPECT_THAT(inner, ElementsAre(3, 3, 3));
    // Both uses over, the kept statement serves again, its binds cleared.
    Statement later = db.Cached(kRows);
    later.BindInt64(0, 2);
    std::vector<std::int64_t> rest;
    while (later.Step())
        rest.push_back(later.ColumnInt64(0));
    EXPECT_THAT(rest, ElementsAre(2, 3));
}

// --- A file given as the history ---------------------------------------------------------------

TEST(HistoryFile, AFileThatIsNoSqliteDatabaseIsRefusedForWhatItIsAndLeftAsItWas)
{
    TempFolder folder;
    std::vector<std::uint8_t> noise(3000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 7 % 251);
    std::vector<std::uint8_t> png = Bytes("\x89PNG\r\n\x1a\n");
    png.resize(600, 0);
    const struct {
        std::string name;
        std::vector<std::uint8_t> bytes;
        std::string said;
    } kCases[] = {
        {"race.gam", test::CupGame().Build(), "race.gam is a saved game, not a race history"},
        {"Oval.trk", test::OvalTrack().Build(), "Oval.trk is a track, not a race history"},
        {"map.png", png, "map.png is a PNG picture, not a race history"},
        {"notes.txt", Bytes("Kestrelvale 43.60\r\nZo\xC3\xAB 44.02\n"), "notes.txt is a text file, not a race history"},
        {"history.sqlite3", noise, "history.sqlite3 is not a race history"},
    };
    for (const auto& given : kCases) {
        const std::string path = folder / given.name;
        test::WriteFile(path, given.bytes);
        // A journal beside it is not the engine's to take either.
        test::WriteFile(path + "-journal", Bytes("not a journal"));
        const auto before = Contents(folder.Path());
        for (const HistoryOpening& opening : {OpenHistory(path, true), OpenHistoryToRead(path)}) {
            EXPECT_FALSE(opening.Store) << given.name;
            EXPECT_EQ(opening.Problem, given.said);
            EXPECT_TRUE(opening.SetAsideTo.empty()) << given.name;
        }
        EXPECT_EQ(Contents(folder.Path()), before) << given.name;
        fs::remove(path);
        fs::remove(path + "-journal");
    }
    fs::create_directories(folder.Path() / "Saves");
    EXPECT_EQ(OpenHistory(folder / "Saves").Problem, "Saves is a folder, not a race history");
    EXPECT_EQ(OpenHistoryToRead(folder / "Saves").Problem, "Saves is a folder, not a race history");
}

TEST(HistoryFile, AnEmptyFileIsAnEmptyHistoryThatReadingLeavesAsItIs)
{
    // What SQLite makes of an empty file, and what a writer stopped between
    // creating the file and its first page leaves.
    TempFolder folder;
    const std::string path = folder / "history.sqlite3";
    test::WriteFile(path, {});
    const HistoryOpening read = OpenHistoryToRead(path);
    EXPECT_FALSE(read.Store);
    EXPECT_EQ(read.Problem, "no race history at " + path);
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(Contents(folder.Path()).size(), 1u);

    HistoryOpening written = OpenHistory(path);
    ASSERT_TRUE(written.Store) << written.Problem;
    EXPECT_TRUE(written.SetAsideTo.empty());
    EXPECT_TRUE(written.Store->Record(Race(1, 1, "Falcon", 45.0, 0)));
    EXPECT_EQ(written.Store->Tracks().value_or(std::vector<TrackSummary>{}).size(), 1u);
}

TEST_F(History, ReadingNeverCreatesMovesOrWritesAHistory)
{
    const std::string missing = folder / "none/history.sqlite3";
    const HistoryOpening none = OpenHistoryToRead(missing);
    EXPECT_FALSE(none.Store);
    EXPECT_EQ(none.Problem, "no race history at " + missing);
    EXPECT_FALSE(fs::exists(folder.Path() / "none"));

    Record(Race(1, 1, "Falcon", 45.0, 0));
    Record(Race(2, 1, "Heron", 44.0, 1));
    store.reset();
    // A check that is due is not the reader's to make or to note.
    WriteAsAnotherProgram(path, {"UPDATE meta SET value = 0 WHERE name = 'checked_ns'"});
    const auto before = Contents(folder.Path());
    {
        HistoryOpening reading = OpenHistoryToRead(path);
        ASSERT_TRUE(reading.Store) << reading.Problem;
        EXPECT_EQ(reading.Store->Tracks().value_or(std::vector<TrackSummary>{}).size(), 1u);
        EXPECT_EQ(reading.Store->Progress(Key(0xf0, 1)).value_or(std::vector<ProgressRow>{}).size(), 2u);
        EXPECT_FALSE(reading.Store->Record(Race(3, 1, "Heron", 43.0, 2)));
    }
    EXPECT_EQ(Contents(folder.Path()), before);

    // A damaged database is said, and stays where it is.
    std::vector<std::uint8_t> bytes = test::ReadFile(path);
    std::fill(bytes.begin() + 100, bytes.end(), 0x6d);
    test::WriteFile(path, bytes);
    const auto damaged = Contents(folder.Path());
    const HistoryOpening reading = OpenHistoryToRead(path);
    EXPECT_FALSE(reading.Store);
    EXPECT_FALSE(reading.Problem.empty());
    EXPECT_EQ(Contents(folder.Path()), damaged);
}

TEST_F(History, AnSqliteDatabaseThatFailsItsChecksIsSetAsideWithItsJournal)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    store.reset();
    // Our own file, its header kept and the rest overwritten.
    std::vector<std::uint8_t> bytes = test::ReadFile(path);
    std::fill(bytes.begin() + 16, bytes.end(), 0x42);
    test::WriteFile(path, bytes);
    const std::vector<std::uint8_t> journal(3000, 0x17);
    test::WriteFile(path + "-wal", journal);
    Open();
    EXPECT_FALSE(opening.SetAsideReason.empty());
    const std::string aside = fs::path(opening.SetAsideTo).filename().string();
    EXPECT_TRUE(std::regex_match(aside, std::regex(R"(history\.sqlite3\.damaged-\d{8}-\d{6})"))) << aside;
    EXPECT_EQ(test::ReadFile(opening.SetAsideTo), bytes);
    EXPECT_EQ(test::ReadFile(opening.SetAsideTo + "-wal"), journal);
    EXPECT_EQ(Record(Race(1, 1, "Falcon", 45.0, 0)), HistoryStore::Recorded::New);
}

TEST_F(History, AHistoryWithoutOneOfItsTablesIsDamagedAndSetAside)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    store.reset();
    WriteAsAnotherProgram(path, {"PRAGMA foreign_keys = OFF", "DROP TABLE lap"});
    const auto before = test::ReadFile(path);
    const HistoryOpening reading = OpenHistoryToRead(path);
    EXPECT_FALSE(reading.Store);
    EXPECT_THAT(reading.Problem, HasSubstr("lap"));

    Open();
    EXPECT_THAT(opening.SetAsideReason, HasSubstr("lap"));
    ASSERT_FALSE(opening.SetAsideTo.empty());
    EXPECT_EQ(test::ReadFile(opening.SetAsideTo), before);
    EXPECT_EQ(Record(Race(1, 1, "Falcon", 45.0, 0)), HistoryStore::Recorded::New);
}

TEST_F(History, ADamagedRowIsLeftOutAndSaidAndTheRestOfTheHistoryServes)
{
    Record(Race(1, 1, "Falcon", 45.0, 0));
    Record(Race(2, 1, "Falcon", 44.0, 1));
    Record(Race(3, 2, "Falcon", 50.0, 0));
    Record(Race(4, 3, "Falcon", 52.0, 0));
    Record(Race(5, 1, "Falcon", 46.0, 2));
    store.reset();
    // As another program (or a disk) could leave them: a race key cut
    // short, a race whose layout row is gone, a best time that is text.
    WriteAsAnotherProgram(path, {"PRAGMA foreign_keys = OFF",
                                 "UPDATE race SET race_key = x'0200' WHERE file_name = 'race2.gam'",
                                 "DELETE FROM layout WHERE layout_key = x'" + KeyHex(Key(0xf0, 3)) + "'",
                                 "UPDATE race SET best_s = 'fast' WHERE file_name = 'race5.gam'"});
    Open();
    const auto tracks = store->Tracks();
    ASSERT_TRUE(tracks) << store->LastFailure().message;
    ASSERT_EQ(tracks->size(), 2u);
    EXPECT_EQ((*tracks)[0].Races, 1);
    EXPECT_EQ((*tracks)[0].PersonalBest.Race, Key(1));
    EXPECT_EQ((*tracks)[1].Races, 1);
    std::vector<int> races;
    for (const ProgressRow& row : Progress(1))
        races.push_back(row.Race[0]);
    EXPECT_THAT(races, ElementsAre(1));
    EXPECT_EQ(store->PersonalBest(Key(0xf0, 1), "Mara")->Race, Key(1));
    EXPECT_TRUE(store->FindRaces("02").value_or(std::vector<RaceMatch>{{}}).empty());

    // Each said once, with what is wrong, however often it was read.
    std::vector<std::string> said;
    for (const DamagedRow& row : store->DamagedRows())
        said.push_back(DamagedRowText(row));
    EXPECT_THAT(said, testing::UnorderedElementsAre(HasSubstr("race2.gam, Track 1) is damaged and left out: its race "
                                                              "key is 2 bytes long, not 32"),
                                                    HasSubstr("its layout is not in the history"),
                                                    HasSubstr("its best lap's time is not a number")));
}

// --- A race's saved game ----------------------------------------------------------------------------

TEST(RaceFile, IsChangedOnlyWhenItsBytesDiffer)
{
    TempFolder folder;
    fs::create_directories(folder.Path() / "Saves");
    fs::create_directories(folder.Path() / "Copy");
    const std::vector<std::uint8_t> bytes = test::CupGame().Build();
    const std::string game = folder / "Saves/race.gam";
    test::WriteFile(game, bytes);
    ProgressRow row;
    row.Race = Sha256(bytes);
    row.FileName = "race.gam";
    row.Folder = folder.Folder() + "Saves/";
    row.FileSize = static_cast<std::int64_t>(bytes.size());
    row.DateNs = StampOfPath(game)->modifiedNs;
    EXPECT_EQ(RaceFileOf(row), RaceFile::There);

    // Touched, or copied with a plain copy: another time, the same bytes.
    fs::last_write_time(game, fs::last_write_time(game) + std::chrono::seconds(90));
    EXPECT_EQ(RaceFileOf(row), RaceFile::There);
    EXPECT_TRUE(FileStillThere(row));
    fs::copy_file(game, folder.Path() / "Copy/race.gam");
    row.Folder = folder.Folder() + "Copy/";
    EXPECT_EQ(RaceFileOf(row), RaceFile::There);

    // The same size, other bytes; another size; no file.
    std::vector<std::uint8_t> other = bytes;
    other[other.size() / 2] ^= 1;
    test::WriteFile(folder / "Copy/race.gam", other);
    EXPECT_EQ(RaceFileOf(row), RaceFile::Changed);
    other.push_back(0);
    test::WriteFile(folder / "Copy/race.gam", other);
    EXPECT_EQ(RaceFileOf(row), RaceFile::Changed);
    EXPECT_FALSE(FileStillThere(row));
    fs::remove(folder.Path() / "Copy/race.gam");
    EXPECT_EQ(RaceFileOf(row), RaceFile::Gone);
}

TEST_F(History, KeptSpeedsOfAnOlderVersionAreWorkedOutAgainWhereTheSavedGameIsStillThere)
{
    fs::create_directories(folder / "races/Saves");
    fs::create_directories(folder / "races/Tracks");
    test::WriteFile(folder / "races/Tracks/Oval.trk", test::OvalTrack().Build());
    const std::string kept = folder / "races/Saves/kept.gam", gone = folder / "races/Saves/gone.gam";
    test::WriteFile(kept, test::CupGame("Oval", 3).SetReplay({.Samples = test::CirclingReplay(3, 800)}).Build());
    test::WriteFile(gone, test::CupGame("Oval", 4).SetReplay({.Samples = test::CirclingReplay(4, 760)}).Build());
    const RaceKey keptKey = Sha256(test::ReadFile(kept)), goneKey = Sha256(test::ReadFile(gone));
    HistoryAdd add(*store, {folder / "races"}, {});
    while (add.Step()) {
    }
    ASSERT_TRUE(add.Finish());
    ASSERT_EQ(add.Recorded(), 2u);
    const auto speeds = store->Laps(keptKey);
    ASSERT_TRUE(speeds && speeds->front().TopSpeedKmh);
    ASSERT_FALSE(store->BestLap(keptKey)->SpeedsKmh.empty());
    // As an older version kept them: other speeds, none along the best lap.
    WriteAsAnotherProgram(path, {"UPDATE race SET speeds_chord = 0", "UPDATE lap SET top_speed_kmh = 1.5",
                                 "UPDATE best_path SET speeds = NULL"});
    fs::remove(gone);

    KeptSpeedsRedo redo(*store);
    redo.RunAll();
    EXPECT_EQ(redo.StoreFailure(), "");
    EXPECT_EQ(redo.Redone(), 1u);
    EXPECT_EQ(redo.Kept(), 1u);
    EXPECT_EQ(store->Laps(keptKey), speeds);
    EXPECT_EQ(store->BestLap(keptKey)->SpeedsKmh.size(), store->BestLap(keptKey)->Path.size());
    // The race whose saved game is gone keeps what it had, and is looked at
    // again the next time.
    const auto goneLaps = store->Laps(goneKey);
    ASSERT_TRUE(goneLaps);
    for (const RaceLap& lap : *goneLaps)
        EXPECT_EQ(lap.TopSpeedKmh, 1.5);
    EXPECT_TRUE(store->BestLap(goneKey)->SpeedsKmh.empty());
    const auto waiting = store->RacesWithOldSpeeds(10);
    ASSERT_TRUE(waiting);
    ASSERT_EQ(waiting->size(), 1u);
    EXPECT_EQ(waiting->front().Race, goneKey);
}

}  // namespace
}  // namespace vx
