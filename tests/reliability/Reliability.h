// Helpers of the reliability tests: the demo race, what the window shows of
// the analysis, the message that explains a refused load, a requester with
// hooks, and the process's resident memory.
//
// Sections: the demo race; byte edits; what the window shows; refusals;
// requesters; memory.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "state/AppState.h"
#include "toolkit/Toolkit.h"

namespace vx::test {

// --- The demo race ------------------------------------------------------------

// samples/Saves/demo.gam, samples/Saves/long.gam, samples/Tracks/Kestrelvale.trk.
const std::vector<std::uint8_t>& DemoGame();
const std::vector<std::uint8_t>& LongGame();
const std::vector<std::uint8_t>& DemoTrack();
constexpr const char* kDemoTrackFile = "Kestrelvale.trk";

// --- Byte edits -----------------------------------------------------------------

// Stores the low `width` bytes of value, little-endian, at offset: a value
// wider than the field arrives as the field's own type would hold it.
void Poke(std::vector<std::uint8_t>& bytes, std::int64_t offset, int width, std::int64_t value);

// The same bytes, cut or padded with zeros to size.
std::vector<std::uint8_t> Resized(std::vector<std::uint8_t> bytes, std::size_t size);

std::uint64_t HashBytes(const void* data, std::size_t size);
std::uint64_t HashFile(const std::string& path);

// --- What the window shows ------------------------------------------------------

// The analysis as the window shows it: the pixels of every picture of the
// analysis, the identity of the picture each box shows, and the lap
// selector. Pixels are kept as hashes, so that a snapshot is cheap to keep.
struct WindowView {
    // Map, master copy, gauges, driver table, lap summary, lap chart; 0 when
    // the image does not exist.
    std::array<std::uint64_t, 6> images{};
    // The pixels each of the five boxes shows, as hashes (0: none).
    std::array<std::int64_t, 5> shown{};
    int sliderMaximum = 0;
    std::int64_t sliderPosition = 0;
    std::string label;
    bool saveEnabled = false;
    bool operator==(const WindowView&) const = default;
};
void PrintTo(const WindowView& view, std::ostream* out);

WindowView ViewOf(Toolkit& toolkit);

// The pixels each of the five boxes shows (map, gauges, driver table, lap
// summary, lap chart), as hashes; 0 for a box that shows nothing.
std::array<std::uint64_t, 5> ShownPictures(Toolkit& toolkit);

// The committed analysis: the parsed files, their names, the laps.
struct CommittedData {
    std::int64_t gameLength = 0;
    std::string gamePath;
    GameData game;
    std::string trackPath;
    std::string trackFileName;
    TrackData track;
    LapTrace laps;
    std::string pictureName;
    bool operator==(const CommittedData&) const = default;
};
void PrintTo(const CommittedData& data, std::ostream* out);

CommittedData CommittedOf(const AppState& state);

// --- Refusals ---------------------------------------------------------------------

// True when line is the message of a refused load that names one of names
// (any name when names is empty) and gives its reason: "Saved game damaged:
// NAME (REASON)", "Track not found: NAME" (with where it was looked for, or
// without), "Cannot read track: NAME (REASON)" and the like.
testing::AssertionResult IsRefusal(const std::string& line,
                                   const std::vector<std::string>& names = {});

// --- Requesters -------------------------------------------------------------------

// A requester that runs a step of the test before it answers: the file it
// names can go, or become something else, after it was chosen and before it
// is read. Answers "" once its answers run out.
class HookedRequester : public Requester {
public:
    struct Answer {
        std::string path;
        std::function<void()> before;  // may be empty
    };
    std::vector<Answer> answers;  // in order
    std::vector<std::string> titles;  // of every question asked

    std::string AskOpenFile(int, const std::string& title, const std::string&, const std::string&,
                            int) override
    {
        return Next(title);
    }
    std::string AskSaveFile(int, const std::string& title, const std::string&, const std::string&,
                            int) override
    {
        return Next(title);
    }

private:
    std::string Next(const std::string& title)
    {
        titles.push_back(title);
        if (answers.empty())
            return {};
        const Answer answer = answers.front();
        answers.erase(answers.begin());
        if (answer.before)
            answer.before();
        return answer.path;
    }
};

// --- Memory -------------------------------------------------------------------------

// VmRSS of this process in kB (0 when /proc cannot tell).
std::int64_t ResidentKb();

}  // namespace vx::test
