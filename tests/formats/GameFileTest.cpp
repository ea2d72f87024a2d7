#include "fixtures/GameFileBuilder.h"
#include "formats/GameFile.h"
#include "formats/ReplayBlock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vx {
namespace {

using ::testing::HasSubstr;

GameData ParseOk(const GameFileBuilder& builder)
{
    const std::vector<std::uint8_t> bytes = builder.Build();
    Parsed<GameData> parsed = ParseGameFile(bytes);
    EXPECT_TRUE(parsed.ok()) << parsed.error;
    return parsed.ok() ? *parsed.value : GameData{};
}

std::string ParseError(const GameFileBuilder& builder)
{
    const std::vector<std::uint8_t> bytes = builder.Build();
    const Parsed<GameData> parsed = ParseGameFile(bytes);
    EXPECT_FALSE(parsed.ok());
    return parsed.error;
}

// A race of several drivers with every uninterpreted byte filled, so that a
// field read at a wrong offset shows.
GameFileBuilder FilledRace()
{
    GameFileBuilder game;
    game.FillUninterpreted();
    game.AddTrack("Dunes").AddTrack("  Oval  ").SetRacedTrack(1);
    game.AddDriver(HumanDriver("Max", "Falcon"));
    game.AddDriver(ComputerDriver("Anna", "Comet", 3));
    game.AddDriver(ComputerDriver(" Bo ", "Hornet", 4));
    return game;
}

TEST(GameFileDriverRows, HumanDriverGivesTheDocumentedRecord)
{
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack("Oval");
    GameDriver max = HumanDriver("Max", "Falcon");
    max.Position = 1;
    max.LapsDriven = 10;
    max.RaceTime = 61234;
    game.AddDriver(max);
    const GameData data = ParseOk(game);
    DriverRecord expected;
    expected.Named = true;
    expected.Name = "Max";
    expected.Human = true;
    expected.CarName = "Falcon";
    expected.Position = 2;  // stored from 0
    expected.LapsDriven = 10;
    expected.RaceTime = 61234;
    expected.SecondIndex = 1;
    EXPECT_EQ(data.Drivers[0], expected);
    EXPECT_EQ(data.HumanDriverIndex, 1);
}

TEST(GameFileDriverRows, EachRecordFieldLandsInItsColumnWithItsSignedness)
{
    GameFileBuilder game = FilledRace();
    GameDriver d = ComputerDriver("Zed", "Viper", 200);
    d.Position = 4;
    d.LapsDriven = -2;
    d.RaceTime = -70000;
    d.Record12 = -1;
    d.Record20 = 123456789;
    d.Record168 = -1;      // 0xFFFF, signed
    d.Record170 = 0xFFFF;  // unsigned
    d.Record172 = 40000;
    d.Record174 = 7;
    d.SecondIndex = 9;
    game.AddDriver(d);
    const DriverRecord driver = ParseOk(game).Drivers[3];
    EXPECT_EQ(driver.Name, "Zed");
    EXPECT_FALSE(driver.Human);
    EXPECT_EQ(driver.AILevel, 200);
    EXPECT_EQ(driver.CarName, "Viper");
    EXPECT_EQ(driver.Position, 5);
    EXPECT_EQ(driver.LapsDriven, -2);
    EXPECT_EQ(driver.RaceTime, -70000);
    EXPECT_EQ(driver.Record20, 123456789);
    EXPECT_EQ(driver.Record168, -1);
    EXPECT_EQ(driver.Record170, 65535);
    EXPECT_EQ(driver.Record172, 40000);
    EXPECT_EQ(driver.Record174, 7);
    EXPECT_EQ(driver.Record12, -1);
    EXPECT_EQ(driver.SecondIndex, 10);
}

TEST(GameFileDriverRows, ACommaInANameStaysInsideItsField)
{
    GameFileBuilder game;
    game.AddTrack("Oval").AddDriver(HumanDriver("Smith, J", "Falcon, GT"));
    const GameData data = ParseOk(game);
    const DriverRecord& driver = data.Drivers[0];
    EXPECT_EQ(driver.Name, "Smith, J");
    EXPECT_EQ(driver.CarName, "Falcon, GT");
}

TEST(GameFileDriverRows, DriversSevenToElevenHaveEmptyNameAndKindButTheirOwnColumns)
{
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack("Oval");
    for (int k = 1; k <= 11; ++k) {
        GameDriver d = k == 9 ? HumanDriver("Late" + std::to_string(k), "Car" + std::to_string(k))
                              : ComputerDriver("Name" + std::to_string(k),
                                               "Car" + std::to_string(k), 50);
        d.Position = static_cast<std::int8_t>(k - 1);
        d.LapsDriven = 10;
        game.AddDriver(d);
    }
    const GameData data = ParseOk(game);
    ASSERT_EQ(data.DriverCount(), 11);
    EXPECT_EQ(data.Drivers[5].Name, "Name6");
    for (int k = 7; k <= 11; ++k) {
        const DriverRecord& driver = data.Drivers[static_cast<std::size_t>(k - 1)];
        EXPECT_EQ(driver.Name, "") << "driver " << k;
        EXPECT_FALSE(driver.Named) << "driver " << k;
        EXPECT_EQ(driver.CarName, "Car" + std::to_string(k));
        EXPECT_EQ(driver.Position, k);
    }
    EXPECT_EQ(data.Drivers[6].AILevel, 50);
    EXPECT_EQ(data.Drivers[6].SecondIndex, 1);
    // Kind and strength count among the first six only.
    EXPECT_EQ(data.HumanDriverIndex, 0);
    EXPECT_EQ(data.AIDriverCount, 6);
}

TEST(GameFileDriverRows, ZeroDriversLeaveNoRowAndStillNameTheTrack)
{
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack("Oval").SetGauges(1, 2, 3, 4, 5);
    const GameData data = ParseOk(game);
    EXPECT_EQ(data.DriverCount(), 0);
    EXPECT_EQ(data.AverageAILevel, 0.0f);
    EXPECT_EQ(data.TrackFileName, "Oval.trk");
    EXPECT_EQ(data.SpeedPercent, 5);
}

TEST(GameFileDriverRows, AFullNameSlotRunsOnIntoTheNextName)
{
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack("Oval");
    game.AddDriver(HumanDriver("ABCDEFGHIJKLM", "Falcon"));
    game.AddDriver(ComputerDriver("Bob", "Comet", 2));
    const GameData data = ParseOk(game);
    EXPECT_EQ(data.Drivers[0].Name, "ABCDEFGHIJKLMBob");
    EXPECT_EQ(data.Drivers[1].Name, "Bob");
}

TEST(GameFileDriverRows, NamesAreTrimmedOfSpacesOnly)
{
    const GameData data = ParseOk(FilledRace());
    EXPECT_EQ(data.Drivers[2].Name, "Bo");
    EXPECT_FALSE(data.Drivers[2].Human);
    EXPECT_EQ(data.Drivers[2].AILevel, 4);
}

TEST(GameFileComputerStrength, IsTheMeanOfTheComputerDriversAmongTheFirstSix)
{
    GameFileBuilder game = FilledRace();  // a human, then levels 3 and 4
    for (int k = 4; k <= 6; ++k)
        game.AddDriver(HumanDriver("H" + std::to_string(k), "Car"));
    game.AddDriver(ComputerDriver("Seventh", "Car", 90));  // not among the first six
    const GameData data = ParseOk(game);
    EXPECT_EQ(data.AIDriverCount, 2);
    EXPECT_EQ(data.AverageAILevel, 3.5f);
}

TEST(GameFileComputerStrength, OnlyHumansGiveZero)
{
    GameFileBuilder game;
    game.AddTrack("Oval");
    GameDriver a = HumanDriver("A", "Car");
    a.AILevel = 9;  // a human's stored strength does not count
    game.AddDriver(a).AddDriver(HumanDriver("B", "Car"));
    const GameData data = ParseOk(game);
    EXPECT_EQ(data.AIDriverCount, 0);
    EXPECT_EQ(data.AverageAILevel, 0.0f);
}

TEST(GameFileHumanDriver, IsTheLaterOfTwoHumans)
{
    GameFileBuilder game;
    game.AddTrack("Oval");
    game.AddDriver(ComputerDriver("A", "Car", 1)).AddDriver(HumanDriver("B", "Car"));
    game.AddDriver(ComputerDriver("C", "Car", 1)).AddDriver(HumanDriver("D", "Car"));
    game.AddDriver(ComputerDriver("E", "Car", 1));
    EXPECT_EQ(ParseOk(game).HumanDriverIndex, 4);
}

TEST(GameFileHumanDriver, AnyNonZeroFlagIsHuman)
{
    GameFileBuilder game;
    GameDriver d = ComputerDriver("A", "Car", 7);
    d.HumanFlag = 0x80;
    game.AddTrack("Oval").AddDriver(d);
    EXPECT_TRUE(ParseOk(game).Drivers[0].Human);
}

TEST(GameFileTrackName, IsTheRacedEntryTrimmedWithTheExtension)
{
    EXPECT_EQ(ParseOk(FilledRace()).TrackFileName, "Oval.trk");
}

TEST(GameFileTrackName, IsCutAtThirtyNineCharacters)
{
    const std::string longName(45, 'x');
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack(std::string(39, 'y')).AddTrack(longName).SetRacedTrack(1);
    game.AddDriver(HumanDriver("Max", "Falcon"));
    EXPECT_EQ(ParseOk(game).TrackFileName, std::string(39, 'x') + ".trk");
    game.SetRacedTrack(0);  // 39 characters, then the slot's filler
    EXPECT_EQ(ParseOk(game).TrackFileName, std::string(39, 'y') + ".trk");
}

TEST(GameFileGauges, AreTheFiveHeaderBytes)
{
    GameFileBuilder game = FilledRace();
    game.SetGauges(80, 60, 10, 150, 120);
    const GameData data = ParseOk(game);
    EXPECT_EQ(data.TyresPercent, 80);
    EXPECT_EQ(data.ConsumptionPercent, 60);
    EXPECT_EQ(data.DamagePercent, 10);
    EXPECT_EQ(data.FuelMassKg, 150);
    EXPECT_EQ(data.SpeedPercent, 120);
}

TEST(GameFileLayout, BasesAndRaceFlagFollowTheCounts)
{
    GameFileBuilder game = FilledRace();
    game.SetRaceFlag(-5);
    const GameData data = ParseOk(game);
    EXPECT_EQ(data.CarBlockBase, game.CarBlockBase());
    EXPECT_EQ(data.TrackListBase, game.TrackListBase());
    EXPECT_EQ(data.DriverRecordBase, game.DriverRecordBase());
    EXPECT_EQ(data.SecondIndexBase, game.SecondIndexBase());
    EXPECT_EQ(data.RaceSummaryBase, game.RaceSummaryBase());
    EXPECT_EQ(data.TrackListCount, 2);
    EXPECT_EQ(data.CurrentTrackIndex, 1);
    EXPECT_EQ(data.RaceFlag, -5);
}

TEST(GameFileCounts, DriverCountOutsideZeroToElevenIsRefused)
{
    for (const int count : {12, 127, -1, -128}) {
        GameFileBuilder game = FilledRace();
        game.StoredDriverCount(static_cast<std::int8_t>(count));
        const std::string n = std::to_string(count);
        EXPECT_EQ(ParseError(game),
                  "the number of drivers is " + n + ", not 0 to 11 (DriverCount " + n + " at offset 78)");
    }
}

TEST(GameFileCounts, NegativeTrackListCountIsRefused)
{
    GameFileBuilder game = FilledRace();
    game.StoredTrackListCount(-1);
    EXPECT_THAT(ParseError(game), HasSubstr("the list of tracks has a negative length (TrackListCount -1 at offset"));
}

TEST(GameFileCounts, RacedTrackOutsideTheListIsRefused)
{
    for (const int index : {2, -1, 100}) {
        GameFileBuilder game = FilledRace();  // two entries
        game.SetRacedTrack(static_cast<std::int8_t>(index));
        EXPECT_THAT(ParseError(game), HasSubstr("the track raced is not in the list of tracks (CurrentTrackIndex " +
                                                std::to_string(index) + " at offset"));
        EXPECT_THAT(ParseError(game), HasSubstr(", a list of 2 entries)"));
    }
    GameFileBuilder empty;
    empty.AddDriver(HumanDriver("Max", "Falcon"));
    EXPECT_THAT(ParseError(empty), HasSubstr("(CurrentTrackIndex 0 at offset"));
}

TEST(GameFileCounts, ACountPromisingMoreDriversThanTheFileHoldsIsRefused)
{
    GameFileBuilder game = FilledRace();
    game.StoredDriverCount(11);
    EXPECT_THAT(ParseError(game), testing::StartsWith("the file ends "));
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

void ExpectEveryPrefixRefusedForItsFieldOrParsed(const GameFileBuilder& game)
{
    const std::vector<std::uint8_t> bytes = game.Build();
    const std::vector<FileField> fields = game.ReadFields();
    ASSERT_TRUE(std::is_sorted(fields.begin(), fields.end(),
                               [](const FileField& a, const FileField& b) {
                                   return a.Offset < b.Offset;
                               }));
    const Parsed<GameData> whole = ParseGameFile(bytes);
    ASSERT_TRUE(whole.ok()) << whole.error;
    const std::int64_t replay = game.ReplayOffset();
    ASSERT_GE(replay, 0);

    int parsedPrefixes = 0;
    for (std::int64_t length = 0; length <= std::ssize(bytes); ++length) {
        const std::span<const std::uint8_t> prefix(bytes.data(), static_cast<std::size_t>(length));
        const Parsed<GameData> parsed = ParseGameFile(prefix);
        if (const FileField* cut = FirstFieldCut(fields, length)) {
            ASSERT_FALSE(parsed.ok()) << "length " << length << " cuts " << cut->Name;
            ASSERT_THAT(parsed.error,
                        HasSubstr(cut->Name + " at offset " + std::to_string(cut->Offset)))
                << "length " << length;
        } else {
            ASSERT_TRUE(parsed.ok()) << "length " << length << ": " << parsed.error;
            // The fields parse whole; the replay keeps the samples the prefix holds.
            GameData fields = *parsed.value;
            fields.Replay = whole.value->Replay;
            ASSERT_TRUE(fields == *whole.value) << "length " << length;
            ASSERT_EQ(parsed.value->Replay, FindReplayBlock(prefix)) << "length " << length;
            ++parsedPrefixes;
        }
        const std::optional<ReplayBlock> block = FindReplayBlock(prefix);
        if (length < replay + 16) {
            ASSERT_FALSE(block.has_value()) << "length " << length;
        } else {
            ASSERT_TRUE(block.has_value()) << "length " << length;
            ASSERT_EQ(block->Offset, replay);
            ASSERT_EQ(std::ssize(block->Samples),
                      std::min<std::int64_t>(block->SampleCount, (length - replay - 16) / 18));
        }
    }
    EXPECT_EQ(parsedPrefixes, std::ssize(bytes) - fields.back().End() + 1);
}

TEST(GameFileBounds, EveryPrefixIsRefusedForTheFieldItCutsOrParsesWhole)
{
    GameFileBuilder game = FilledRace();
    GameDriver full = ComputerDriver("ABCDEFGHIJKLM", "Racer", 5);  // runs into the next slot
    game.AddDriver(full).AddDriver(HumanDriver("Eve", "Moth"));
    game.SetReplay({.Marker = 16, .Samples = {{1, 2}, {3, 4}, {5, 6}}, .GapBefore = 7});
    ExpectEveryPrefixRefusedForItsFieldOrParsed(game);
}

TEST(GameFileBounds, EveryPrefixOfASevenDriverGameIsRefusedForTheFieldItCutsOrParses)
{
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack("A").AddTrack("B").AddTrack("C").SetRacedTrack(2);
    for (int k = 1; k <= 7; ++k) {
        const std::string number = std::to_string(k);
        game.AddDriver(ComputerDriver(std::string("D").append(number), std::string("C").append(number), 1));
    }
    game.SetReplay({.Samples = {{7, 8}, {9, 10}}, .SampleCount = 1000});
    ExpectEveryPrefixRefusedForItsFieldOrParsed(game);
}

TEST(GameFileBounds, AShortGameInABufferOfLeftoversParsesExactlyAsAlone)
{
    GameFileBuilder big;
    big.FillUninterpreted().AddTrack("Long track name with more");
    for (int k = 1; k <= 11; ++k)
        big.AddDriver(ComputerDriver("Long name " + std::to_string(k), "Car", 9));
    big.SetReplay({.Samples = std::vector<ReplayPoint>(500, {4, 4})});
    std::vector<std::uint8_t> buffer = big.Build();

    GameFileBuilder small;
    small.AddTrack("Oval").AddDriver(HumanDriver("Max", "Falcon"));
    small.SetReplay({.Samples = {{10, 20}, {30, 40}}, .SampleCount = 400});
    const std::vector<std::uint8_t> alone = small.Build();
    ASSERT_LT(alone.size(), buffer.size());

    // Whole, and cut inside the car name, where only the leftovers hold a NUL.
    for (const std::int64_t length : {std::ssize(alone), small.CarBlockOffset(1) + 3}) {
        std::copy(alone.begin(), alone.begin() + length, buffer.begin());
        const std::span<const std::uint8_t> shared(buffer.data(), static_cast<std::size_t>(length));
        const std::span<const std::uint8_t> own(alone.data(), static_cast<std::size_t>(length));
        const Parsed<GameData> inShared = ParseGameFile(shared);
        const Parsed<GameData> inOwn = ParseGameFile(own);
        ASSERT_EQ(inShared.ok(), inOwn.ok()) << "length " << length;
        EXPECT_EQ(inShared.error, inOwn.error);
        if (inOwn.ok()) {
            EXPECT_TRUE(*inShared.value == *inOwn.value);
        }
        const auto sharedReplay = FindReplayBlock(shared);
        const auto ownReplay = FindReplayBlock(own);
        ASSERT_EQ(sharedReplay.has_value(), ownReplay.has_value());
        if (ownReplay) {
            EXPECT_EQ(sharedReplay->Samples.size(), 2u);
        }
    }
}

}  // namespace
}  // namespace vx
