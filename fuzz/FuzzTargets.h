// The work each harness does on one input. The fuzzers call it from
// LLVMFuzzerTestOneInput; the regression test replays its corpus through the
// very same functions.
//
// The pipeline input: a 4-byte little-endian length L, then the saved game,
// then the track.
//   bytes 0..3     L
//   bytes 4..      the saved game: the next min(L, bytes left) bytes
//   the rest       the track
// An input shorter than 4 bytes is an empty saved game and an empty track.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vx {

class Toolkit;
class Application;

// Parses a saved game and checks what the parser promises about its record;
// walks the replay as the lap view does.
void CheckGameInput(std::span<const std::uint8_t> file);

// Parses a track and checks its record; reads in place the tables the map
// drawing reads; walks the replay search over the same bytes.
void CheckTrackInput(std::span<const std::uint8_t> file);

// Reads a lap file and checks what the reader promises: a refusal is one
// line that begins with the file's name; a lap accepted is sound by every
// rule of the format, and written again it reads back as the same file.
void CheckLapFileInput(std::span<const std::uint8_t> file);

struct PipelineInput {
    std::span<const std::uint8_t> Game;
    std::span<const std::uint8_t> Track;
};
PipelineInput SplitPipelineInput(std::span<const std::uint8_t> input);
std::vector<std::uint8_t> JoinPipelineInput(std::span<const std::uint8_t> game,
                                            std::span<const std::uint8_t> track);

// What "Load" does once the requesters have answered, on one headless window
// that lives as long as the session: both files parsed; when both are valid,
// the analysis committed (gauges, driver table, map, water, objects, lap view
// of lap 0, summary, chart) and two more laps shown through the lap
// navigation (the next-lap button, then the slider at the last lap).
// The window system must have been started headless.
class PipelineSession {
public:
    PipelineSession();
    ~PipelineSession();
    PipelineSession(const PipelineSession&) = delete;
    PipelineSession& operator=(const PipelineSession&) = delete;

    struct Outcome {
        bool Committed = false;             // both files valid, analysis drawn
        std::int32_t LapCount = 0;          // completed laps of the replay
        std::vector<std::int32_t> LapsShown;  // laps the navigation showed after lap 0
    };
    Outcome Run(std::span<const std::uint8_t> input);

    Toolkit& Tk();

private:
    std::unique_ptr<Toolkit> toolkit_;
    std::unique_ptr<Application> app_;
};

// The paths under which the pipeline commits its files: the saved game's
// folder, and the track found beside it under the stored name, or the name a
// requester would give when the stored one cannot be a file name.
inline constexpr const char* kPipelineGamePath = "/race/Saves/race.gam";
inline constexpr const char* kPipelineTrackFolder = "/race/Saves/";
inline constexpr const char* kPipelineChosenTrackPath = "/race/Tracks/chosen.trk";

}  // namespace vx
