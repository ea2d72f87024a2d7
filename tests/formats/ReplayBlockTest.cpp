#include "fixtures/GameFileBuilder.h"
#include "formats/ReplayBlock.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vx {
namespace {

void PutSignature(std::vector<std::uint8_t>& bytes, std::int64_t at, std::uint8_t marker)
{
    const std::uint8_t signature[4] = {marker, 1, 'R', 'P'};
    std::copy(signature, signature + 4, bytes.begin() + at);
}

TEST(ReplaySearch, ReadsTheBlockThatFollowsTheRaceSummary)
{
    GameFileBuilder game;
    game.FillUninterpreted().AddTrack("Oval").AddDriver(HumanDriver("Max", "Falcon"));
    game.SetReplay({.Samples = {{100, 200}, {65535, 0}, {7, 65534}}, .GapBefore = 40});
    const std::vector<std::uint8_t> bytes = game.Build();
    const auto block = FindReplayBlock(bytes);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->Offset, game.ReplayOffset());
    EXPECT_EQ(block->SampleCount, 3);
    EXPECT_EQ(block->Samples, (std::vector<ReplaySample>{{100, 200}, {65535, 0}, {7, 65534}}));
}

TEST(ReplaySearch, AcceptsTheMarkersFiveAndSixteenOnly)
{
    for (const int marker : {5, 16, 6, 0, 15, 17}) {
        std::vector<std::uint8_t> bytes(64, 0);
        PutSignature(bytes, 10, static_cast<std::uint8_t>(marker));
        const auto block = FindReplayBlock(bytes);
        EXPECT_EQ(block.has_value(), marker == 5 || marker == 16) << "marker " << marker;
        if (block) {
            EXPECT_EQ(block->Marker, marker);
        }
    }
}

TEST(ReplaySearch, TakesTheFirstSignatureFromOffsetZero)
{
    std::vector<std::uint8_t> bytes(200, 0);
    bytes[40] = 'R';  // an 'R' that opens no signature
    bytes[41] = 'P';
    PutSignature(bytes, 100, 16);
    PutSignature(bytes, 50, 5);
    bytes[50 + 8] = 2;
    auto block = FindReplayBlock(bytes);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->Offset, 50);
    EXPECT_EQ(block->SampleCount, 2);

    PutSignature(bytes, 0, 5);  // at the very first byte
    block = FindReplayBlock(bytes);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->Offset, 0);
}

TEST(ReplaySearch, NeedsTheWholeSixteenByteHeaderInsideTheFile)
{
    std::vector<std::uint8_t> bytes(100, 0);
    PutSignature(bytes, 84, 5);  // the header ends exactly at the end
    bytes[84 + 8] = 3;
    auto block = FindReplayBlock(bytes);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->SampleCount, 3);
    EXPECT_EQ(std::ssize(block->Samples), 0);

    const std::span<const std::uint8_t> shorter(bytes.data(), 99);
    EXPECT_FALSE(FindReplayBlock(shorter).has_value());
    // A signature too near the end for its header is passed over, not taken.
    PutSignature(bytes, 20, 5);
    const std::span<const std::uint8_t> cut(bytes.data(), 35);
    EXPECT_FALSE(FindReplayBlock(cut).has_value());
}

TEST(ReplaySearch, SignatureBytesBeforeTheStartAreNeverTested)
{
    // 'R' 'P' at offsets 0 and 1 would need a marker before the file.
    std::vector<std::uint8_t> bytes(40, 0);
    bytes[0] = 'R';
    bytes[1] = 'P';
    bytes[3] = 'R';
    bytes[4] = 'P';
    EXPECT_FALSE(FindReplayBlock(bytes).has_value());
    EXPECT_FALSE(FindReplayBlock(std::span<const std::uint8_t>{}).has_value());
}

TEST(ReplaySearch, ACountBeyondTheFileKeepsTheWholeSamplesOnly)
{
    GameFileBuilder game;
    game.AddTrack("Oval").AddDriver(HumanDriver("Max", "Falcon"));
    game.SetReplay({.Samples = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}, .SampleCount = 100});
    std::vector<std::uint8_t> bytes = game.Build();
    bytes.resize(bytes.size() - 1);  // the fifth sample loses its last byte
    const auto block = FindReplayBlock(bytes);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->SampleCount, 100);
    EXPECT_EQ(std::ssize(block->Samples), 4);
    EXPECT_EQ(block->Samples[3].SampleY, 4);
}

TEST(ReplaySearch, ANegativeCountGivesNoSamples)
{
    GameFileBuilder game;
    game.AddTrack("Oval").SetReplay({.Samples = {{1, 1}}, .SampleCount = -1});
    const std::vector<std::uint8_t> bytes = game.Build();
    const auto block = FindReplayBlock(bytes);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(std::ssize(block->Samples), 0);
}

TEST(ReplaySearch, AgreesWithAByteByByteSearchOnScatteredSignatures)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::uint8_t> bytes(random() % 80);
        // Few distinct values, so that partial signatures are common.
        const std::uint8_t alphabet[] = {5, 16, 1, 'R', 'P', 0};
        for (auto& b : bytes)
            b = alphabet[random() % 6];
        std::int64_t expected = -1;
        for (std::int64_t p = 0; p + 16 <= std::ssize(bytes); ++p) {
            if ((bytes[p] == 5 || bytes[p] == 16) && bytes[p + 1] == 1 && bytes[p + 2] == 'R' &&
                bytes[p + 3] == 'P') {
                expected = p;
                break;
            }
        }
        const auto block = FindReplayBlock(bytes);
        ASSERT_EQ(block ? block->Offset : -1, expected) << "round " << round;
    }
}

}  // namespace
}  // namespace vx
