// Hostile files through the whole load, in the real window (headless): every
// load is either committed whole or refused with a message that names the file
// and the reason, and a refused load leaves the previous analysis whole.
//
// Sections: the fixture; cut files; flipped bytes; extreme counts; empty
// files; folders, pipes and devices; unreadable files; files that change
// under the load; size limits; unusual names.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "fixtures/RaceFiles.h"
#include "formats/ReplayBlock.h"
#include "load/LoadWorkflow.h"
#include "reliability/Reliability.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using test::CommittedData;
using test::DemoGame;
using test::DemoTrack;
using test::IsRefusal;
using test::TempFolder;
using test::WindowView;
using test::WriteFile;

// --- The fixture -------------------------------------------------------------------

// What a load of a hostile file must do.
enum class Verdict { Committed, Refused, Either };

// root/Saves/demo.gam and root/Tracks/Kestrelvale.trk, the demo race; the
// small oval race of root/Base is loaded first, so that every later load
// either replaces it visibly or leaves it whole.
class HostileLoad : public test::WindowTest {
protected:
    void SetUp() override
    {
        test::WindowTest::SetUp();
        fs::create_directories(root / "Saves");
        fs::create_directories(root / "Tracks");
        fs::create_directories(root / "Base/Saves");
        fs::create_directories(root / "Base/Tracks");
        WriteFile(DemoGamePath(), DemoGame());
        WriteFile(DemoTrackPath(), DemoTrack());
        WriteFile(root / "Base/Saves/cup.gam", test::CupGame().Build());
        WriteFile(root / "Base/Tracks/Oval.trk", test::OvalTrack().Build());
        ASSERT_TRUE(LoadGameFrom(State(), toolkit, root / "Base/Saves/cup.gam"));
        // The comparison stays open: every committed load is analysed and
        // drawn there too.
        Click("Compare");
        ASSERT_TRUE(app.Compare().IsOpen(toolkit));
        Remember();
    }

    std::string DemoGamePath() const { return root / "Saves/demo.gam"; }
    std::string DemoTrackPath() const { return root / ("Tracks/" + std::string(test::kDemoTrackFile)); }

    void Remember()
    {
        lastView = test::ViewOf(toolkit);
        lastData = test::CommittedOf(State());
    }

    // Loads game (with track when given, else the track the lookup finds) and
    // checks the outcome against the rule: committed, a fresh analysis at lap
    // 0; refused, a message naming one of names with its reason and every
    // picture, the lap selector and the committed data as they were. False
    // when a check failed.
    bool Attempt(const std::string& game, const std::string& track,
                 const std::vector<std::string>& names, Verdict expected, const std::string& what)
    {
        const int failuresBefore = failures;
        const bool committed = LoadGameFrom(State(), toolkit, game, track);
        const std::string log = NewestLog();
        EXPECT_FALSE(State().Loading) << what;
        if (committed) {
            ++committedCount;
            Check(expected != Verdict::Refused, what, "committed, expected a refusal: " + log);
            Check(log.rfind("Loaded " + FileNameToCp1252(FileNamePart(game)) + ": ", 0) == 0, what,
                  "the log says \"" + log + "\"");
            Check(toolkit.ImageExists(MapImage) && toolkit.ImageExists(MapMasterImage), what,
                  "no map after a committed load");
            Check(toolkit.GetControlAttribute(LapSlider, 2) == State().Laps.LapCount &&
                      toolkit.GetControlValue(LapSlider) == 0 && LapLabel() == "0",
                  what, "the lap selector is not at lap 0 of " + IntToText(State().Laps.LapCount));
            Check(State().Laps.LapCount >= 0, what, "a negative lap count");
            Check(app.Compare().Analysis().has_value() == (State().Laps.LapCount > 0), what,
                  "the comparison does not show the laps committed");
            Remember();
        } else {
            ++refusedCount;
            Check(expected != Verdict::Committed, what, "refused: " + log);
            const testing::AssertionResult said = IsRefusal(log, names);
            Check(said, what, said.message());
            const WindowView view = test::ViewOf(toolkit);
            Check(view == lastView, what,
                  "the window changed: " + testing::PrintToString(view) + " after " +
                      testing::PrintToString(lastView));
            const CommittedData data = test::CommittedOf(State());
            Check(data == lastData, what,
                  "the committed analysis changed: " + testing::PrintToString(data) + " after " +
                      testing::PrintToString(lastData));
        }
        return failures == failuresBefore;
    }

    // Lap navigation still shows the committed analysis: lap 1 and back to
    // lap 0 give the pictures of the commit again.
    void CheckNavigation(const std::string& what)
    {
        if (lastData.laps.LapCount < 1)
            return;
        Click(">");
        Check(LapLabel() == "1" && State().CurrentLap == 1, what, "\">\" does not show lap 1");
        Click("<");
        const WindowView view = test::ViewOf(toolkit);
        Check(view.images == lastView.images && view.label == "0", what,
              "lap 0 after lap 1 differs from the committed analysis");
        lastView = view;
    }

    void Check(bool ok, const std::string& what, const std::string& why)
    {
        if (ok)
            return;
        ++failures;
        ADD_FAILURE() << what << ": " << why;
    }

    // Enough reported: a systematic fault would otherwise report thousands.
    bool TooManyFailures() const { return failures >= 10; }

    TempFolder root;
    WindowView lastView;
    CommittedData lastData;
    int failures = 0;
    int committedCount = 0;
    int refusedCount = 0;
};

void Report(const char* what, int variants, int committed, int refused)
{
    std::printf("[ reliability ] %s: %d variants, %d committed, %d refused\n", what, variants,
                committed, refused);
}

// Where the fields of a saved game begin and end: a cut there is the most
// likely to be judged wrong.
std::int64_t TextEnd(const std::vector<std::uint8_t>& bytes, std::int64_t at, std::int64_t limit)
{
    std::int64_t end = at;
    while (end < static_cast<std::int64_t>(bytes.size()) && end - at < limit && bytes[end] != 0)
        ++end;
    return end + 1;
}

std::vector<std::int64_t> GameFieldEdges(const std::vector<std::uint8_t>& bytes)
{
    const Parsed<GameData> parsed = ParseGameFile(bytes);
    const std::optional<ReplayBlock> block = FindReplayBlock(bytes);
    if (!parsed.ok() || !block) {
        ADD_FAILURE() << "the demo saved game does not parse";
        return {};
    }
    const GameData& game = *parsed.value;
    std::vector<std::pair<std::int64_t, std::int64_t>> fields = {
        {13, 1}, {14, 1}, {15, 1}, {16, 1}, {21, 1}, {78, 1}};
    const int n = game.DriverCount();
    for (int k = 1; k <= std::min(n, 6); ++k) {
        const std::int64_t at = 82 + 13 * (k - 1);
        fields.push_back({at, TextEnd(bytes, at, 1 << 20) - at});
    }
    for (int k = 1; k <= n; ++k) {
        const std::int64_t at = game.CarBlockBase + 1344 * (k - 1);
        fields.push_back({at, TextEnd(bytes, at, 1 << 20) - at});
    }
    fields.push_back({game.TrackListBase, 1});
    fields.push_back({game.TrackListBase + 4, 1});
    const std::int64_t name = game.TrackListBase + 8 + 56 * game.CurrentTrackIndex;
    fields.push_back({name, TextEnd(bytes, name, 39) - name});
    for (int k = 1; k <= n; ++k) {
        const std::int64_t record = game.DriverRecordBase + 348 * (k - 1);
        for (const auto& [offset, width] : std::vector<std::pair<int, int>>{
                 {0, 1}, {12, 1}, {16, 4}, {20, 4}, {24, 1}, {28, 1}, {164, 1}, {168, 2},
                 {170, 2}, {172, 2}, {174, 2}})
            fields.push_back({record + offset, width});
        fields.push_back({game.SecondIndexBase + 4 * (k - 1), 1});
    }
    fields.push_back({game.RaceSummaryBase + 8, 4});
    fields.push_back({block->Offset, 16});
    fields.push_back({block->Offset + 8, 4});
    for (const std::int64_t j : {std::int64_t{0}, std::int64_t{1}, std::ssize(block->Samples) - 1})
        fields.push_back({block->Offset + 16 + 18 * j, 18});
    std::vector<std::int64_t> edges;
    for (const auto& [at, length] : fields) {
        edges.push_back(at);
        edges.push_back(at + length);
    }
    return edges;
}

std::vector<std::int64_t> TrackFieldEdges(const std::vector<std::uint8_t>& bytes)
{
    const Parsed<TrackData> parsed = ParseTrackFile(bytes);
    if (!parsed.ok()) {
        ADD_FAILURE() << "the demo track does not parse";
        return {};
    }
    const TrackData& track = *parsed.value;
    std::vector<std::pair<std::int64_t, std::int64_t>> fields = {
        {0, 2}, {2, 2}, {4, 4}, {8, 1}, {9, 1}, {16, 4},
        {20, 2 * std::ssize(track.MapRuns)}, {track.HeightGridBase, 4096},
        {track.ObjectTableBase, 2}, {track.ZoneTableBase, 1}, {track.LineTableBase, 1}};
    // The first and last objects: the ones between are alike.
    for (int i = 0; i < track.ObjectCount(); ++i)
        if (i < 3 || i >= track.ObjectCount() - 3)
            fields.push_back({track.ObjectTableBase + 2 + 8 * i, 8});
    for (int i = 0; i < track.ZoneCount; ++i)
        fields.push_back({track.ZoneTableBase + 1 + 6 * i, 6});
    for (int i = 0; i < track.LineCount; ++i)
        fields.push_back({track.LineTableBase + 1 + 8 * i, 8});
    const std::int64_t info = track.TrackInfoBase;
    fields.push_back({info - 4, 4});
    fields.push_back({info, 2});
    fields.push_back({info + 2, 2});
    for (const std::int64_t at : {info + 14, info + 27, info + 105})
        fields.push_back({at, TextEnd(bytes, at, 12) - at});
    std::vector<std::int64_t> edges;
    for (const auto& [at, length] : fields) {
        edges.push_back(at);
        edges.push_back(at + length);
    }
    return edges;
}

// Every length up to `dense`, every length within 3 bytes of an edge, every
// `stride`-th length, and the last three.
std::set<std::int64_t> CutLengths(std::int64_t size, std::int64_t dense,
                                  const std::vector<std::int64_t>& edges, std::int64_t stride)
{
    std::set<std::int64_t> lengths;
    for (std::int64_t n = 0; n <= std::min(dense, size); ++n)
        lengths.insert(n);
    for (const std::int64_t edge : edges)
        for (std::int64_t n = edge - 3; n <= edge + 3; ++n)
            if (n >= 0 && n <= size)
                lengths.insert(n);
    for (std::int64_t n = 0; n <= size; n += stride)
        lengths.insert(n);
    for (std::int64_t n = std::max<std::int64_t>(size - 2, 0); n <= size; ++n)
        lengths.insert(n);
    return lengths;
}

// --- Cut files ---------------------------------------------------------------------

using CutFiles = HostileLoad;

TEST_F(CutFiles, EverySavedGameCutShortIsCommittedOrRefusedWhole)
{
    const std::vector<std::uint8_t>& demo = DemoGame();
    const std::set<std::int64_t> lengths =
        CutLengths(static_cast<std::int64_t>(demo.size()), 4096, GameFieldEdges(demo), 1009);
    const GameData full = *ParseGameFile(demo).value;
    int tried = 0;
    for (const std::int64_t length : lengths) {
        const std::string name = "cut" + IntToText(length) + ".gam";
        const std::string path = root / ("Saves/" + name);
        WriteFile(path, std::vector<std::uint8_t>(demo.begin(), demo.begin() + length));
        // Up to the race flag every field is needed; after it only the replay
        // is cut, and a cut replay keeps the samples it holds.
        const Verdict verdict =
            length < full.RaceSummaryBase + 12 ? Verdict::Refused : Verdict::Committed;
        const bool ok = Attempt(path, {}, {name}, verdict, "the saved game cut to " + IntToText(length));
        if (ok && verdict == Verdict::Committed && State().GameLength != length)
            Check(false, name, "GameLength " + IntToText(State().GameLength));
        if (tried++ % 97 == 0)
            CheckNavigation(name);
        fs::remove(path);
        if (TooManyFailures())
            break;
    }
    Report("saved game cut short", tried, committedCount, refusedCount);
}

TEST_F(CutFiles, EveryTrackCutShortIsCommittedOrRefusedWhole)
{
    const std::vector<std::uint8_t>& demo = DemoTrack();
    const TrackData full = *ParseTrackFile(demo).value;
    std::vector<std::int64_t> edges = TrackFieldEdges(demo);
    std::set<std::int64_t> lengths =
        CutLengths(static_cast<std::int64_t>(demo.size()), 1024, edges, 97);
    // Around the track-info section, where the texts end, every length.
    for (std::int64_t n = full.TrackInfoBase - 8; n <= full.TrackInfoBase + 130; ++n)
        lengths.insert(n);
    const std::int64_t carNameEnd = TextEnd(demo, full.TrackInfoBase + 105, 12);
    int tried = 0;
    for (const std::int64_t length : lengths) {
        const std::string name = "Cut" + IntToText(length) + ".trk";
        const std::string path = root / ("Tracks/" + name);
        WriteFile(path, std::vector<std::uint8_t>(demo.begin(), demo.begin() + length));
        // The best-time car's name is the last field read.
        const Verdict verdict = length < carNameEnd ? Verdict::Refused : Verdict::Committed;
        Attempt(DemoGamePath(), path, {name}, verdict, "the track cut to " + IntToText(length));
        if (tried++ % 97 == 0)
            CheckNavigation(name);
        fs::remove(path);
        if (TooManyFailures())
            break;
    }
    Report("track cut short", tried, committedCount, refusedCount);
}

// --- Flipped bytes --------------------------------------------------------------------

// A copy of bytes with 1 to 4 bytes changed: half of the changes anywhere,
// half inside the spans the parser reads.
std::vector<std::uint8_t> Flipped(const std::vector<std::uint8_t>& bytes,
                                  const std::vector<std::pair<std::int64_t, std::int64_t>>& spans,
                                  std::mt19937_64& random)
{
    std::vector<std::uint8_t> copy = bytes;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
        std::int64_t at = static_cast<std::int64_t>(random() % bytes.size());
        if (random() % 2 == 0) {
            const auto& [from, to] = spans[random() % spans.size()];
            at = from + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(to - from));
        }
        copy[static_cast<std::size_t>(at)] ^= static_cast<std::uint8_t>(1 + random() % 255);
    }
    return copy;
}

// Fewer under the sanitizers, where a load through the whole pipeline takes
// five times as long.
#ifdef VX_RELIABILITY_SHORT
constexpr int kFlipsPerFile = 1000;
#else
constexpr int kFlipsPerFile = 2000;
#endif

using FlippedBytes = HostileLoad;

TEST_F(FlippedBytes, SavedGamesWithChangedBytesAreCommittedOrRefusedWhole)
{
    const std::vector<std::uint8_t>& demo = DemoGame();
    const GameData game = *ParseGameFile(demo).value;
    const std::int64_t replay = FindReplayBlock(demo)->Offset;
    const std::vector<std::pair<std::int64_t, std::int64_t>> spans = {
        {0, game.RaceSummaryBase + 12}, {replay, replay + 16 + 18 * 4}};
    std::mt19937_64 random(20240611);
    for (int i = 0; i < kFlipsPerFile && !TooManyFailures(); ++i) {
        const std::string name = "flip" + IntToText(i) + ".gam";
        const std::string path = root / ("Saves/" + name);
        WriteFile(path, Flipped(demo, spans, random));
        // A changed track name makes the lookup ask, and the requester is
        // cancelled: that message names the track, whatever it became.
        Attempt(path, {}, {}, Verdict::Either, "changed saved game " + IntToText(i));
        if (i % 97 == 0)
            CheckNavigation(name);
        fs::remove(path);
    }
    Report("saved game with changed bytes", kFlipsPerFile, committedCount, refusedCount);
}

TEST_F(FlippedBytes, TracksWithChangedBytesAreCommittedOrRefusedWhole)
{
    const std::vector<std::uint8_t>& demo = DemoTrack();
    const TrackData track = *ParseTrackFile(demo).value;
    const std::vector<std::pair<std::int64_t, std::int64_t>> spans = {
        {0, 24},
        {track.ObjectTableBase, track.LineTableBase + 1 + 8 * track.LineCount},
        {track.TrackInfoBase - 4, track.TrackInfoBase + 118}};
    std::mt19937_64 random(19700101);
    for (int i = 0; i < kFlipsPerFile && !TooManyFailures(); ++i) {
        const std::string name = "Flip" + IntToText(i) + ".trk";
        const std::string path = root / ("Tracks/" + name);
        WriteFile(path, Flipped(demo, spans, random));
        Attempt(DemoGamePath(), path, {name}, Verdict::Either, "changed track " + IntToText(i));
        if (i % 97 == 0)
            CheckNavigation(name);
        fs::remove(path);
    }
    Report("track with changed bytes", kFlipsPerFile, committedCount, refusedCount);
}

// --- Extreme counts ------------------------------------------------------------------

// A count, index, offset or time of the demo race and where it lies.
struct CountField {
    const char* name;
    bool inTrack;
    int width;
    // Offsets in the demo file (several for a field of every driver).
    std::function<std::vector<std::int64_t>(const GameData&, const ReplayBlock&, const TrackData&)>
        offsets;
    // What a load must do with the stored value (the value as the field's
    // own type holds it).
    std::function<Verdict(std::int64_t stored, std::int64_t fileSize)> verdict;
};

constexpr std::int64_t kExtremes[] = {0, -1, 127, 128, 32767, -32768, 2147483647};

std::int64_t AsStored(std::int64_t value, int width)
{
    switch (width) {
    case 1: return static_cast<std::int8_t>(value);
    case 2: return static_cast<std::int16_t>(value);
    default: return static_cast<std::int32_t>(value);
    }
}

using V = Verdict;

V Always(V verdict) { return verdict; }

const CountField kCountFields[] = {
    {"DriverCount", false, 1,
     [](const GameData&, const ReplayBlock&, const TrackData&) {
         return std::vector<std::int64_t>{78};
     },
     [](std::int64_t n, std::int64_t) {
         return n < 0 || n > 11 ? V::Refused : n == 6 ? V::Committed : V::Either;
     }},
    {"TrackListCount", false, 1,
     [](const GameData& g, const ReplayBlock&, const TrackData&) {
         return std::vector<std::int64_t>{g.TrackListBase};
     },
     // The demo raced entry 1 of 4.
     [](std::int64_t n, std::int64_t) {
         return n <= 1 ? V::Refused : n == 4 ? V::Committed : V::Either;
     }},
    {"CurrentTrackIndex", false, 1,
     [](const GameData& g, const ReplayBlock&, const TrackData&) {
         return std::vector<std::int64_t>{g.TrackListBase + 4};
     },
     // Only entry 1 names a track that exists.
     [](std::int64_t i, std::int64_t) { return i == 1 ? V::Committed : V::Refused; }},
    {"SampleCount", false, 4,
     [](const GameData&, const ReplayBlock& r, const TrackData&) {
         return std::vector<std::int64_t>{r.Offset + 8};
     },
     [](std::int64_t, std::int64_t) { return Always(V::Committed); }},
    {"RaceTime", false, 4,
     [](const GameData& g, const ReplayBlock&, const TrackData&) {
         std::vector<std::int64_t> at;
         for (int k = 1; k <= g.DriverCount(); ++k)
             at.push_back(g.DriverRecordBase + 348 * (k - 1) + 16);
         return at;
     },
     [](std::int64_t, std::int64_t) { return Always(V::Committed); }},
    {"LapsDriven", false, 1,
     [](const GameData& g, const ReplayBlock&, const TrackData&) {
         std::vector<std::int64_t> at;
         for (int k = 1; k <= g.DriverCount(); ++k)
             at.push_back(g.DriverRecordBase + 348 * (k - 1) + 164);
         return at;
     },
     [](std::int64_t, std::int64_t) { return Always(V::Committed); }},
    {"TrackInfoOffset", true, 4,
     [](const GameData&, const ReplayBlock&, const TrackData&) {
         return std::vector<std::int64_t>{4};
     },
     [](std::int64_t info, std::int64_t size) {
         return info < 4 || info + 105 >= size ? V::Refused : V::Either;
     }},
    {"MapRunCount", true, 4,
     [](const GameData&, const ReplayBlock&, const TrackData&) {
         return std::vector<std::int64_t>{16};
     },
     [](std::int64_t n, std::int64_t size) {
         return n < 0 || 22 + 2 * n + 4096 > size ? V::Refused : V::Either;
     }},
    {"ObjectCount", true, 2,
     [](const GameData&, const ReplayBlock&, const TrackData& t) {
         return std::vector<std::int64_t>{t.ObjectTableBase};
     },
     [](std::int64_t n, std::int64_t size) {
         return n < 0 || 8 * n > size ? V::Refused : V::Either;
     }},
    {"ZoneCount", true, 1,
     [](const GameData&, const ReplayBlock&, const TrackData& t) {
         return std::vector<std::int64_t>{t.ZoneTableBase};
     },
     [](std::int64_t n, std::int64_t) { return n < 0 ? V::Refused : V::Either; }},
    {"LineCount", true, 1,
     [](const GameData&, const ReplayBlock&, const TrackData& t) {
         return std::vector<std::int64_t>{t.LineTableBase};
     },
     [](std::int64_t n, std::int64_t) { return n < 0 ? V::Refused : V::Either; }},
    {"BestTime1", true, 2,
     [](const GameData&, const ReplayBlock&, const TrackData& t) {
         return std::vector<std::int64_t>{t.TrackInfoBase};
     },
     [](std::int64_t, std::int64_t) { return Always(V::Committed); }},
    {"BestTime2", true, 2,
     [](const GameData&, const ReplayBlock&, const TrackData& t) {
         return std::vector<std::int64_t>{t.TrackInfoBase + 2};
     },
     [](std::int64_t, std::int64_t) { return Always(V::Committed); }},
    {"TrackLength", true, 4,
     [](const GameData&, const ReplayBlock&, const TrackData& t) {
         return std::vector<std::int64_t>{t.TrackInfoBase - 4};
     },
     [](std::int64_t, std::int64_t) { return Always(V::Committed); }},
};

class ExtremeCounts : public HostileLoad, public testing::WithParamInterface<CountField> {};

TEST_P(ExtremeCounts, AreCommittedOrRefusedWholeAsTheirRangeSays)
{
    const CountField& field = GetParam();
    const GameData game = *ParseGameFile(DemoGame()).value;
    const ReplayBlock replay = *FindReplayBlock(DemoGame());
    const TrackData track = *ParseTrackFile(DemoTrack()).value;
    ASSERT_TRUE(LoadGameFrom(State(), toolkit, DemoGamePath()));
    const std::int32_t demoLaps = State().Laps.LapCount;
    ASSERT_GT(demoLaps, 1);
    ASSERT_TRUE(LoadGameFrom(State(), toolkit, root / "Base/Saves/cup.gam"));
    Remember();
    for (const std::int64_t value : kExtremes) {
        std::vector<std::uint8_t> bytes = field.inTrack ? DemoTrack() : DemoGame();
        for (const std::int64_t at : field.offsets(game, replay, track))
            test::Poke(bytes, at, field.width, value);
        const std::int64_t stored = AsStored(value, field.width);
        const std::string name =
            std::string(field.inTrack ? "T" : "g") + IntToText(stored) + (field.inTrack ? ".trk" : ".gam");
        const std::string path = root / ((field.inTrack ? "Tracks/" : "Saves/") + name);
        WriteFile(path, bytes);
        const V verdict = field.verdict(stored, static_cast<std::int64_t>(bytes.size()));
        const std::string what = std::string(field.name) + " " + IntToText(value) + " (stored " +
                                 IntToText(stored) + ")";
        // A refused saved game names itself, or the track it was raced on
        // when that cannot be found (whatever the shifted fields call it).
        if (field.inTrack)
            Attempt(DemoGamePath(), path, {name}, verdict, what);
        else
            Attempt(path, {}, {}, verdict, what);
        if (std::string(field.name) == "SampleCount" && State().GamePath == path) {
            // Only the samples inside the file are walked: a count beyond
            // them gives the laps of the whole replay, none at all gives none.
            if (stored <= 0) {
                EXPECT_EQ(State().Laps.LapCount, 0) << what;
            }
            if (stored >= std::ssize(replay.Samples)) {
                EXPECT_EQ(State().Laps.LapCount, demoLaps) << what;
            }
        }
        CheckNavigation(what);
        fs::remove(path);
    }
}

INSTANTIATE_TEST_SUITE_P(DemoRace, ExtremeCounts, testing::ValuesIn(kCountFields),
                         [](const testing::TestParamInfo<CountField>& info) {
                             return std::string(info.param.name);
                         });

// --- Empty files -------------------------------------------------------------------

using EmptyFiles = HostileLoad;

TEST_F(EmptyFiles, AnEmptySavedGameIsRefusedAsDamaged)
{
    WriteFile(root / "Saves/empty.gam", {});
    Attempt(root / "Saves/empty.gam", {}, {"empty.gam"}, Verdict::Refused, "empty saved game");
    EXPECT_EQ(NewestLog().rfind("Saved game damaged: empty.gam (", 0), 0u) << NewestLog();
}

TEST_F(EmptyFiles, AnEmptyTrackIsRefusedWhetherChosenOrFound)
{
    WriteFile(root / "Tracks/Empty.trk", {});
    Attempt(DemoGamePath(), root / "Tracks/Empty.trk", {"Empty.trk"}, Verdict::Refused,
            "empty track given");
    WriteFile(DemoTrackPath(), {});
    Attempt(DemoGamePath(), {}, {test::kDemoTrackFile}, Verdict::Refused, "empty track found");
}

// --- Folders, pipes and devices ------------------------------------------------------

using NotAFile = HostileLoad;

TEST_F(NotAFile, AFolderChosenAsASavedGameOrTrackIsRefused)
{
    fs::create_directories(root / "Saves/folder.gam");
    Attempt(root / "Saves/folder.gam", {}, {"folder.gam"}, Verdict::Refused, "folder as game");
    EXPECT_EQ(NewestLog(), "Cannot read saved game: folder.gam (it is a folder)");
    fs::create_directories(root / "Tracks/Folder.trk");
    Attempt(DemoGamePath(), root / "Tracks/Folder.trk", {"Folder.trk"}, Verdict::Refused,
            "folder as track");
    EXPECT_EQ(NewestLog(), "Cannot read track: Folder.trk (it is a folder)");
#ifndef _WIN32  // symbolic links
    fs::create_directory_symlink(root / "Saves", root / "Saves/link.gam");
    Attempt(root / "Saves/link.gam", {}, {"link.gam"}, Verdict::Refused, "link to a folder");
#endif
}

TEST_F(NotAFile, AFolderWhereTheTrackIsLookedForIsPassedOver)
{
    fs::create_directories(root / ("Saves/" + std::string(test::kDemoTrackFile)));  // beside the saved game
    Attempt(DemoGamePath(), {}, {}, Verdict::Committed, "folder beside the game");
    EXPECT_EQ(fs::path(State().TrackPath), fs::path(DemoTrackPath()));  // whatever the separators
    fs::remove(DemoTrackPath());
    fs::create_directories(DemoTrackPath());
    script->answers = {""};
    Attempt(DemoGamePath(), {}, {test::kDemoTrackFile}, Verdict::Refused, "folders in both places");
    EXPECT_EQ(NewestLog(), std::string("Cannot read track: ") + test::kDemoTrackFile +
                               " (it is a folder)");
    ASSERT_FALSE(script->asked.empty());
    EXPECT_EQ(script->asked.back().title, std::string("Open Track: ") + test::kDemoTrackFile);
}

#ifndef _WIN32  // pipes and devices of POSIX
TEST_F(NotAFile, PipesAndDevicesAreRefusedWithoutWaiting)
{
    // A pipe without a writer would block a reader that waits for its end.
    ASSERT_EQ(mkfifo((root / "Saves/pipe.gam").c_str(), 0644), 0);
    Attempt(root / "Saves/pipe.gam", {}, {"pipe.gam"}, Verdict::Refused, "pipe as game");
    EXPECT_EQ(NewestLog(), "Cannot read saved game: pipe.gam (it is not a regular file)");
    ASSERT_EQ(mkfifo((root / "Tracks/Pipe.trk").c_str(), 0644), 0);
    Attempt(DemoGamePath(), root / "Tracks/Pipe.trk", {"Pipe.trk"}, Verdict::Refused,
            "pipe as track");
    // /dev/zero never ends; /dev/null is empty: neither is a file.
    Attempt("/dev/zero", {}, {"zero"}, Verdict::Refused, "/dev/zero as game");
    Attempt(DemoGamePath(), "/dev/null", {"null"}, Verdict::Refused, "/dev/null as track");
    fs::create_symlink(root / "Saves/pipe.gam", root / "Saves/to-pipe.gam");
    Attempt(root / "Saves/to-pipe.gam", {}, {"to-pipe.gam"}, Verdict::Refused, "link to a pipe");
}
#endif

#ifndef _WIN32  // symbolic links
TEST_F(NotAFile, MissingAndDanglingNamesAreRefusedAsNotFound)
{
    Attempt(root / "Saves/gone.gam", {}, {"gone.gam"}, Verdict::Refused, "missing game");
    EXPECT_EQ(NewestLog(), "Saved game not found: gone.gam");
    fs::create_symlink(root / "Saves/nowhere.gam", root / "Saves/dangling.gam");
    Attempt(root / "Saves/dangling.gam", {}, {"dangling.gam"}, Verdict::Refused, "dangling link");
    fs::create_symlink(root / "Saves/loop.gam", root / "Saves/loop.gam");
    Attempt(root / "Saves/loop.gam", {}, {"loop.gam"}, Verdict::Refused, "link to itself");
    Attempt(DemoGamePath(), root / "Tracks/Gone.trk", {"Gone.trk"}, Verdict::Refused,
            "missing track");
}
#endif

// --- Unreadable files ----------------------------------------------------------------

using UnreadableFiles = HostileLoad;

#ifndef _WIN32  // permissions of POSIX
TEST_F(UnreadableFiles, AnUnreadableSavedGameOrTrackIsRefusedWithTheReason)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the tests run as root, who reads every file";
    chmod(DemoGamePath().c_str(), 0);
    Attempt(DemoGamePath(), {}, {"demo.gam"}, Verdict::Refused, "unreadable game");
    EXPECT_EQ(NewestLog(), "Cannot read saved game: demo.gam (Permission denied)");
    chmod(DemoGamePath().c_str(), 0644);
    chmod(DemoTrackPath().c_str(), 0);
    Attempt(DemoGamePath(), DemoTrackPath(), {test::kDemoTrackFile}, Verdict::Refused,
            "unreadable track chosen");
    EXPECT_EQ(NewestLog(),
              std::string("Cannot read track: ") + test::kDemoTrackFile + " (Permission denied)");
    // Where the lookup finds it unreadable, the user is asked; cancelled here.
    Attempt(DemoGamePath(), {}, {test::kDemoTrackFile}, Verdict::Refused,
            "unreadable track found");
}
#endif

#ifndef _WIN32  // permissions of POSIX
TEST_F(UnreadableFiles, AnUnreadableFolderIsRefusedWithTheReason)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the tests run as root, who reads every folder";
    chmod((root / "Saves").c_str(), 0);
    Attempt(DemoGamePath(), {}, {"demo.gam"}, Verdict::Refused, "unreadable Saves folder");
    chmod((root / "Saves").c_str(), 0755);
    chmod((root / "Tracks").c_str(), 0);
    Attempt(DemoGamePath(), {}, {test::kDemoTrackFile}, Verdict::Refused,
            "unreadable Tracks folder");
    chmod((root / "Tracks").c_str(), 0755);
}
#endif

// --- Files that change under the load -------------------------------------------------

class ChangingFiles : public HostileLoad {
protected:
    void SetUp() override
    {
        HostileLoad::SetUp();
        auto owned = std::make_unique<test::HookedRequester>();
        requester = owned.get();
        toolkit.SetRequester(std::move(owned));
    }
    // "Load" in the window with the hooked answers; checks as Attempt does.
    void LoadInWindow(const std::vector<std::string>& names, const std::string& what)
    {
        const WindowView before = test::ViewOf(toolkit);
        const CommittedData data = test::CommittedOf(State());
        Click("Load");
        EXPECT_TRUE(IsRefusal(NewestLog(), names)) << what;
        EXPECT_EQ(test::ViewOf(toolkit), before) << what;
        EXPECT_EQ(test::CommittedOf(State()), data) << what;
    }
    test::HookedRequester* requester = nullptr;
};

TEST_F(ChangingFiles, ASavedGameThatGoesAfterItWasChosenIsRefused)
{
    requester->answers = {{DemoGamePath(), [&] { fs::remove(DemoGamePath()); }}};
    LoadInWindow({"demo.gam"}, "game removed");
    EXPECT_EQ(NewestLog(), "Saved game not found: demo.gam");

    WriteFile(DemoGamePath(), DemoGame());
    const auto becomeFolder = [&] {
        fs::remove(DemoGamePath());
        fs::create_directories(DemoGamePath());
    };
    requester->answers = {{DemoGamePath(), becomeFolder}};
    LoadInWindow({"demo.gam"}, "game turned into a folder");
    EXPECT_EQ(NewestLog(), "Cannot read saved game: demo.gam (it is a folder)");
}

TEST_F(ChangingFiles, ATrackThatGoesAfterItWasChosenIsRefused)
{
    WriteFile(root / "Saves/far.gam", test::CupGame("Faraway").Build());
    fs::create_directories(root / "Elsewhere");
    const std::string chosen = root / "Elsewhere/Faraway.trk";
    WriteFile(chosen, test::OvalTrack().Build());
    requester->answers = {{root / "Saves/far.gam", nullptr},
                          {chosen, [&] { fs::remove(chosen); }}};
    LoadInWindow({"Faraway.trk"}, "track removed");
    EXPECT_EQ(NewestLog(), "Track not found: Faraway.trk");
    ASSERT_EQ(requester->titles.size(), 2u);
    EXPECT_EQ(requester->titles[1], "Open Track: Faraway.trk");

#ifndef _WIN32
    const auto becomePipe = [&] { ASSERT_EQ(mkfifo(chosen.c_str(), 0644), 0); };
    requester->answers = {{root / "Saves/far.gam", nullptr}, {chosen, becomePipe}};
    LoadInWindow({"Faraway.trk"}, "track turned into a pipe");
    EXPECT_EQ(NewestLog(), "Cannot read track: Faraway.trk (it is not a regular file)");
#endif
}

#ifndef _WIN32  // renames that swap two names, and rewrites in place, of POSIX
#ifdef VX_RELIABILITY_SHORT
constexpr int kRacingLoads = 60;
#else
constexpr int kRacingLoads = 150;
#endif

// A short rest for the thread that changes files, so that it does not take a
// whole core from the loads it races with.
void Pause()
{
    std::this_thread::sleep_for(std::chrono::microseconds(50));
}

// Swaps two names in one step, whatever each names (file, folder, pipe).
bool Exchange(const std::string& a, const std::string& b)
{
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

TEST_F(ChangingFiles, ATrackThatComesAndGoesDuringTheLookupIsReadWholeOrNotAtAll)
{
    // Another thread keeps turning the track into a folder, a pipe and
    // nothing, and back, while the window loads: each load finds the track
    // whole, or not at all, whatever it met between looking and reading.
    const std::string track = DemoTrackPath();
    const std::string folder = root / "Tracks/.folder";
    const std::string pipe = root / "Tracks/.pipe";
    const std::string away = root / "Tracks/.away";
    fs::create_directories(folder);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    std::atomic<bool> stop{false};
    std::atomic<long> cycles{0};
    std::thread swapper([&] {
        while (!stop.load()) {
            Exchange(track, folder);
            Exchange(track, folder);
            std::rename(track.c_str(), away.c_str());
            std::rename(away.c_str(), track.c_str());
            Exchange(track, pipe);
            Exchange(track, pipe);
            cycles.fetch_add(1);
            Pause();
        }
    });
    const std::string cup = root / "Base/Saves/cup.gam";
    int found = 0;
    for (int i = 0; i < kRacingLoads && !TooManyFailures(); ++i) {
        // Every second load goes back to the oval, so that each load of the
        // demo race is a visible change.
        const bool demo = i % 2 == 0;
        Attempt(demo ? DemoGamePath() : cup, {}, {test::kDemoTrackFile}, Verdict::Either,
                "load " + IntToText(i) + " while the track changes");
        if (demo && State().GamePath == DemoGamePath()) {
            ++found;
            EXPECT_TRUE(State().Track == *ParseTrackFile(DemoTrack()).value);
        }
    }
    stop = true;
    swapper.join();
    ASSERT_TRUE(fs::is_regular_file(track));
    std::printf("[ reliability ] %d loads of the demo race while the track changed %ld times: "
                "%d found it whole, %d did not\n",
                (kRacingLoads + 1) / 2, cycles.load(), found, (kRacingLoads + 1) / 2 - found);
}

TEST_F(ChangingFiles, ASavedGameRewrittenWhileItIsReadIsCommittedAsOneVersionOrRefused)
{
    // Another thread swaps the saved game with the oval race's, and cuts it
    // and writes it back in place, as the game rewrites a saved game: a
    // committed load holds the file as it stood at one moment (the other
    // game, the demo whole, or the demo cut before the rest was written
    // back), never a mixture of two moments; or it is refused for the change.
    fs::copy_file(root / "Base/Tracks/Oval.trk", root / "Tracks/Oval.trk");
    const std::string game = DemoGamePath();
    const std::string other = root / "Saves/.other";
    WriteFile(other, test::CupGame().Build());
    const GameData cupGame = *ParseGameFile(test::CupGame().Build()).value;
    const std::vector<std::uint8_t>& demo = DemoGame();
    std::atomic<bool> stop{false};
    std::thread changer([&] {
        std::mt19937_64 random(7);
        // The file system's clock may tick coarser than these rewrites come:
        // each rewrite leaves the file a modification time of its own, as
        // rewrites milliseconds apart do, so that every change shows.
        timespec stamp{1'000'000, 0};
        while (!stop.load()) {
            Exchange(game, other);
            Exchange(game, other);
            const int fd = ::open(game.c_str(), O_WRONLY);
            if (fd < 0)
                continue;
            const auto cut = static_cast<off_t>(random() % demo.size());
            if (::ftruncate(fd, cut) == 0)
                (void)!::pwrite(fd, demo.data() + cut, demo.size() - static_cast<std::size_t>(cut), cut);
            ++stamp.tv_sec;
            const timespec times[2] = {stamp, stamp};
            (void)::futimens(fd, times);
            ::close(fd);
            Pause();
        }
    });
    int whole = 0, cut = 0, cup = 0, changed = 0;
    for (int i = 0; i < kRacingLoads && !TooManyFailures(); ++i) {
        const bool demoLoad = i % 2 == 0;
        Attempt(demoLoad ? game : root / "Base/Saves/cup.gam", {}, {"demo.gam"}, Verdict::Either,
                "load " + IntToText(i) + " while the saved game changes");
        if (!demoLoad)
            continue;
        if (State().GamePath != game) {
            // Refused: for the change, or for what a cut left of the file.
            const std::string log = NewestLog();
            EXPECT_TRUE(log == "Saved game changed while being read: demo.gam" ||
                        log.rfind("Saved game damaged: demo.gam (", 0) == 0)
                << log;
            changed += log == "Saved game changed while being read: demo.gam";
            continue;
        }
        const std::string picture = PictureNameOf(State());
        if (State().Game == cupGame) {
            ++cup;
            EXPECT_EQ(picture.rfind("Oval_", 0), 0u) << picture;
        } else {
            // The demo as it stood, whole or cut: exactly what its first
            // GameLength bytes give. No assertion may end the test while the
            // other thread runs.
            const std::int64_t length = State().GameLength;
            const bool prefix = length <= std::ssize(demo);
            const Parsed<GameData> stood =
                ParseGameFile(std::span(demo).first(static_cast<std::size_t>(prefix ? length : 0)));
            EXPECT_TRUE(prefix && stood.ok() && *stood.value == State().Game)
                << "load " << i << " committed a mixture of two versions of the saved game";
            EXPECT_EQ(picture.rfind("Kestrelvale_", 0), 0u) << picture;
            ++(length == std::ssize(demo) ? whole : cut);
        }
    }
    stop = true;
    changer.join();
    std::printf("[ reliability ] %d loads while the saved game changed: %d whole demo, %d demo "
                "as it stood cut, %d the other game, %d refused for the change\n",
                (kRacingLoads + 1) / 2, whole, cut, cup, changed);
}

#endif

// --- Size limits ----------------------------------------------------------------------

using SizeLimits = HostileLoad;

TEST_F(SizeLimits, ASavedGameOfTwoMillionBytesLoadsAndOneByteMoreIsRefusedUnread)
{
    ASSERT_TRUE(LoadGameFrom(State(), toolkit, DemoGamePath()));
    const std::int32_t demoLaps = State().Laps.LapCount;
    ASSERT_TRUE(LoadGameFrom(State(), toolkit, root / "Base/Saves/cup.gam"));
    Remember();
    WriteFile(root / "Saves/full.gam", test::Resized(DemoGame(), 2'000'000));
    Attempt(root / "Saves/full.gam", {}, {}, Verdict::Committed, "2,000,000 bytes");
    EXPECT_EQ(State().GameLength, 2'000'000);
    EXPECT_EQ(State().Laps.LapCount, demoLaps);
    WriteFile(root / "Saves/long.gam", test::Resized(test::LongGame(), 2'000'000));
    Attempt(root / "Saves/long.gam", {}, {}, Verdict::Committed, "the long race at 2,000,000");
    EXPECT_EQ(State().GameLength, 2'000'000);
    WriteFile(root / "Saves/over.gam", test::Resized(DemoGame(), 2'000'001));
    Attempt(root / "Saves/over.gam", {}, {"over.gam"}, Verdict::Refused, "2,000,001 bytes");
    EXPECT_EQ(NewestLog(), "Saved game too large: over.gam (2,000,001 bytes)");
}

TEST_F(SizeLimits, ATrackOfOneMillionBytesLoadsAndOneByteMoreIsRefusedUnread)
{
    WriteFile(root / "Tracks/Full.trk", test::Resized(DemoTrack(), 1'000'000));
    Attempt(DemoGamePath(), root / "Tracks/Full.trk", {}, Verdict::Committed, "1,000,000 given");
    WriteFile(DemoTrackPath(), test::Resized(DemoTrack(), 1'000'000));
    ASSERT_TRUE(LoadGameFrom(State(), toolkit, root / "Base/Saves/cup.gam"));
    Remember();
    Attempt(DemoGamePath(), {}, {}, Verdict::Committed, "1,000,000 found");
    WriteFile(root / "Tracks/Over.trk", test::Resized(DemoTrack(), 1'000'001));
    Attempt(DemoGamePath(), root / "Tracks/Over.trk", {"Over.trk"}, Verdict::Refused,
            "1,000,001 given");
    EXPECT_EQ(NewestLog(), "Track too large: Over.trk (1,000,001 bytes)");
    WriteFile(DemoTrackPath(), test::Resized(DemoTrack(), 1'000'001));
    Attempt(DemoGamePath(), {}, {test::kDemoTrackFile}, Verdict::Refused, "1,000,001 found");
    EXPECT_EQ(NewestLog(), std::string("Track too large: ") + test::kDemoTrackFile +
                               " (1,000,001 bytes)");
}

TEST_F(SizeLimits, SizesBeyondThirtyTwoBitsAreTooLargeNotSmall)
{
    // Sparse files: their length, cut to 32 bits, would be 1 byte.
    const std::int64_t huge = (std::int64_t{1} << 32) + 1;
    const std::string game = root / "Saves/huge.gam";
    WriteFile(game, {});
    std::error_code error;
    fs::resize_file(game, static_cast<std::uintmax_t>(huge), error);
    if (error)
        GTEST_SKIP() << "this file system has no sparse files: " << error.message();
    Attempt(game, {}, {"huge.gam"}, Verdict::Refused, "4 GiB + 1 game");
    EXPECT_EQ(NewestLog(), "Saved game too large: huge.gam (4,294,967,297 bytes)");
    const std::string track = root / "Tracks/Huge.trk";
    WriteFile(track, {});
    fs::resize_file(track, static_cast<std::uintmax_t>(huge));
    Attempt(DemoGamePath(), track, {"Huge.trk"}, Verdict::Refused, "4 GiB + 1 track");
    EXPECT_EQ(NewestLog(), "Track too large: Huge.trk (4,294,967,297 bytes)");
}

#ifndef _WIN32  // names of any bytes: a POSIX file system's
// --- Unusual names ------------------------------------------------------------------

using UnusualNames = HostileLoad;

TEST_F(UnusualNames, SpacesQuotesAndNonAsciiInFoldersAndFilesAreFollowedByteForByte)
{
    struct Case {
        std::string folder;     // holds Saves/ and Tracks/
        std::string gameName;
        std::string trackName;  // as stored in the saved game
    };
    const Case cases[] = {
        {"Rennen \"Nacht\" 'S\xC3\xBC" "d' ", "L\xC3\xA4uft gut \"1\".gam", "\xC3\x98resund 'Ring'"},
        {"Caf\xE9 \"x\" 'y'", "jeu \xE9t\xE9 #2.gam", "Kestr\xE8le \"neu\""},
        {"  lead and trail  ", " spaced name .gam", "  Oval  "},
        {"semi;colon & amp $HOME `tick`", "*?[].gam", "Star*Track?"},
    };
    for (const Case& c : cases) {
        const std::string folder = root / c.folder;
        fs::create_directories(folder + "/Saves");
        fs::create_directories(folder + "/Tracks");
        WriteFile(folder + "/Saves/" + c.gameName, test::CupGame(c.trackName).Build());
        // The stored name is trimmed of its blanks before ".trk" is added.
        const std::string trackFile = TrimBlanks(c.trackName) + ".trk";
        WriteFile(folder + "/Tracks/" + trackFile, test::OvalTrack().Build());
        Attempt(folder + "/Saves/" + c.gameName, {}, {}, Verdict::Committed, c.gameName);
        EXPECT_EQ(State().TrackPath, folder + "/Tracks/" + trackFile);
        EXPECT_EQ(State().Laps.LapCount, 3);
        EXPECT_EQ(PictureNameOf(State()), TrimBlanks(c.trackName) + "_5432_Anna");
        // The log names files in the program's own texts (Windows-1252).
        const std::string shown = FileNameToCp1252(c.gameName);
        EXPECT_EQ(NewestLog(), "Loaded " + shown + ": 3 laps");
        // Refusals name such files as they are.
        WriteFile(folder + "/Saves/cut " + c.gameName, {1, 2, 3});
        Attempt(folder + "/Saves/cut " + c.gameName, {}, {"cut " + shown}, Verdict::Refused,
                "cut " + c.gameName);
    }
}

TEST_F(UnusualNames, PicturesAreSavedUnderTheNameChosenByteForByte)
{
    ASSERT_TRUE(LoadGameFrom(State(), toolkit, DemoGamePath()));
    const struct {
        std::string folder;
        std::vector<std::string> names;
    } cases[] = {
        {"Karten \"neu\" 'S\xC3\xBC" "d'",
         {"carte \xC3\xA9t\xC3\xA9.jpg", "carte \xE9t\xE9.jpg", "carte \"1\" 'x'.png",
          "carte \xC3\xA9t\xC3\xA9.png"}},
        {"Caf\xE9 x",
         {"carte \xC3\xA9t\xC3\xA9.jpg", "carte \xE9t\xE9.jpg", "carte \xE9t\xE9.png"}},
    };
    for (const auto& c : cases) {
        fs::create_directories(root / c.folder);
        for (const std::string& name : c.names) {
            const std::string path = root / (c.folder + "/" + name);
            script->answers = {path};
            Click("Save");
            EXPECT_EQ(NewestLog(), "Bild gespeichert") << path;
            EXPECT_TRUE(fs::is_regular_file(path)) << path;
        }
        std::size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(root / c.folder))
            entries += entry.is_regular_file();
        EXPECT_EQ(entries, c.names.size()) << "a picture went under another name in " << c.folder;
    }
}

#endif

}  // namespace
}  // namespace vx
