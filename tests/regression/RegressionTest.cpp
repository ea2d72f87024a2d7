// Replays the fuzz corpora through the harnesses' own code: every input that
// once crashed, hung or broke a promise of a harness (corpus/), and the
// harnesses' seeds (fuzz/seeds/). A broken promise fails the file's test; a
// crash or a sanitizer report stops the program, which fails it too.
//
// Sections: the corpora; the pipeline input's layout; the saved games,
// tracks and lap files; the pipeline, one window per file and one window for all; the seeds
// that must reach the lap navigation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzTargets.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

// --- The corpora ----------------------------------------------------------------

const fs::path kCorpus = fs::path(VX_SOURCE_DIR) / "tests" / "regression" / "corpus";
const fs::path kSeeds = fs::path(VX_SOURCE_DIR) / "fuzz" / "seeds";

// The inputs of one harness: its regression corpus, then its seeds, each in
// name order. Notes beside them (README.md, dot files) are not inputs.
std::vector<fs::path> InputsOf(const std::string& harness)
{
    std::vector<fs::path> all;
    for (const fs::path& folder : {kCorpus / harness, kSeeds / harness}) {
        std::vector<fs::path> files;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (it->is_regular_file() && name[0] != '.' && name != "README.md")
                files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        all.insert(all.end(), files.begin(), files.end());
    }
    return all;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "corpus_crash_1a2b" or "seeds_cup": where the file lies and its name.
std::string TestNameOf(const testing::TestParamInfo<fs::path>& info)
{
    const bool seed = info.param.parent_path().parent_path().filename() == "seeds";
    std::string name = (seed ? "seeds_" : "corpus_") + info.param.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name + "_" + std::to_string(info.index);
}

struct BrokenPromise : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowBrokenPromise(const char* promise)
{
    throw BrokenPromise(promise);
}

// Runs one harness's work on a file: a broken promise becomes this test's
// failure, naming the promise.
template <class Work>
void Replay(const fs::path& path, Work&& work)
{
    const BrokenPromiseHandler previous = gBrokenPromise;
    gBrokenPromise = ThrowBrokenPromise;
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    try {
        work(std::span<const std::uint8_t>(bytes));
    } catch (const BrokenPromise& broken) {
        ADD_FAILURE() << path << ": broken promise: " << broken.what();
    }
    gBrokenPromise = previous;
}

TEST(RegressionCorpus, EveryHarnessHasInputsToReplay)
{
    // An empty list would let every test below pass without replaying anything.
    for (const char* harness : {"game", "track", "lapfile", "pipeline"})
        EXPECT_FALSE(InputsOf(harness).empty()) << "no inputs for the " << harness << " harness";
}

// --- The pipeline input's layout ---------------------------------------------

TEST(PipelineInputLayout, TheLengthPrefixSplitsGameFromTrack)
{
    const std::vector<std::uint8_t> input = {3, 0, 0, 0, 'g', 'a', 'm', 't', 'r'};
    const PipelineInput parts = SplitPipelineInput(input);
    EXPECT_EQ(std::string(parts.Game.begin(), parts.Game.end()), "gam");
    EXPECT_EQ(std::string(parts.Track.begin(), parts.Track.end()), "tr");
}

TEST(PipelineInputLayout, TheLengthIsLittleEndian)
{
    std::vector<std::uint8_t> input = {0x01, 0x01, 0, 0};  // 257
    input.resize(4 + 300, 'x');
    const PipelineInput parts = SplitPipelineInput(input);
    EXPECT_EQ(parts.Game.size(), 257u);
    EXPECT_EQ(parts.Track.size(), 43u);
}

TEST(PipelineInputLayout, ALengthPastTheEndGivesEverythingToTheGame)
{
    const std::vector<std::uint8_t> input = {0xFF, 0xFF, 0xFF, 0xFF, 'g', 'a'};
    const PipelineInput parts = SplitPipelineInput(input);
    EXPECT_EQ(parts.Game.size(), 2u);
    EXPECT_TRUE(parts.Track.empty());
}

TEST(PipelineInputLayout, AnInputWithoutItsLengthIsTwoEmptyFiles)
{
    const std::vector<std::uint8_t> input = {5, 0, 0};
    const PipelineInput parts = SplitPipelineInput(input);
    EXPECT_TRUE(parts.Game.empty());
    EXPECT_TRUE(parts.Track.empty());
}

TEST(PipelineInputLayout, JoinedFilesSplitBackUnchanged)
{
    const std::vector<std::uint8_t> game(70000, 7), track = {1, 2, 3};
    const std::vector<std::uint8_t> input = JoinPipelineInput(game, track);
    const PipelineInput parts = SplitPipelineInput(input);
    EXPECT_TRUE(std::equal(parts.Game.begin(), parts.Game.end(), game.begin(), game.end()));
    EXPECT_TRUE(std::equal(parts.Track.begin(), parts.Track.end(), track.begin(), track.end()));
}

// --- Saved games, tracks and lap files ------------------------------------

class GameCorpus : public testing::TestWithParam<fs::path> {};

TEST_P(GameCorpus, IsReadOrRefusedKeepingEveryPromise)
{
    Replay(GetParam(), [](std::span<const std::uint8_t> file) { CheckGameInput(file); });
}

INSTANTIATE_TEST_SUITE_P(Files, GameCorpus, testing::ValuesIn(InputsOf("game")), TestNameOf);

class TrackCorpus : public testing::TestWithParam<fs::path> {};

TEST_P(TrackCorpus, IsReadOrRefusedKeepingEveryPromise)
{
    Replay(GetParam(), [](std::span<const std::uint8_t> file) { CheckTrackInput(file); });
}

INSTANTIATE_TEST_SUITE_P(Files, TrackCorpus, testing::ValuesIn(InputsOf("track")), TestNameOf);

class LapFileCorpus : public testing::TestWithParam<fs::path> {};

TEST_P(LapFileCorpus, IsReadOrRefusedKeepingEveryPromise)
{
    Replay(GetParam(), [](std::span<const std::uint8_t> file) { CheckLapFileInput(file); });
}

INSTANTIATE_TEST_SUITE_P(Files, LapFileCorpus, testing::ValuesIn(InputsOf("lapfile")), TestNameOf);

// --- The pipeline ---------------------------------------------------------------

// A fresh window for each file, as when the fuzzer starts on it.
class PipelineCorpus : public testing::TestWithParam<fs::path> {};

TEST_P(PipelineCorpus, LoadsAndShowsLapsKeepingEveryPromise)
{
    PipelineSession session;
    Replay(GetParam(), [&](std::span<const std::uint8_t> input) { session.Run(input); });
}

INSTANTIATE_TEST_SUITE_P(Files, PipelineCorpus, testing::ValuesIn(InputsOf("pipeline")),
                         TestNameOf);

// One window for every file, as the fuzzer runs them: each load over the
// analysis the one before left.
TEST(PipelineCorpusInOneWindow, EachLoadOverThePreviousKeepsEveryPromise)
{
    PipelineSession session;
    for (const fs::path& path : InputsOf("pipeline"))
        Replay(path, [&](std::span<const std::uint8_t> input) { session.Run(input); });
}

// --- Seeds that must reach the lap navigation --------------------------------

// A seed that stopped committing would leave the fuzzer outside the drawings.
PipelineSession::Outcome RunSeed(const std::string& name)
{
    PipelineSession session;
    PipelineSession::Outcome outcome;
    Replay(kSeeds / "pipeline" / name,
           [&](std::span<const std::uint8_t> input) { outcome = session.Run(input); });
    return outcome;
}

TEST(PipelineSeeds, TheShortenedDemoRaceShowsItsFirstAndLastLap)
{
    const PipelineSession::Outcome outcome = RunSeed("demo_three_laps.bin");
    ASSERT_TRUE(outcome.Committed);
    EXPECT_EQ(outcome.LapCount, 3);
    EXPECT_EQ(outcome.LapsShown, (std::vector<std::int32_t>{1, 3}));
}

TEST(PipelineSeeds, TheCupRaceCountsItsThreeLaps)
{
    const PipelineSession::Outcome outcome = RunSeed("cup.bin");
    ASSERT_TRUE(outcome.Committed);
    EXPECT_EQ(outcome.LapCount, 3);
    EXPECT_EQ(outcome.LapsShown, (std::vector<std::int32_t>{1, 3}));
}

TEST(PipelineSeeds, ARaceWithoutLapsStaysOnLapZero)
{
    // 40 samples that never cross the lap line: the next-lap button stays.
    const PipelineSession::Outcome outcome = RunSeed("three_drivers_oval.bin");
    ASSERT_TRUE(outcome.Committed);
    EXPECT_EQ(outcome.LapCount, 0);
    EXPECT_EQ(outcome.LapsShown, (std::vector<std::int32_t>{0}));
}

}  // namespace
}  // namespace vx
