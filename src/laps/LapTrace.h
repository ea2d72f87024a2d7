// Tracing the replay over the map and cutting it into laps.
//
//   SampleScaleOf, SamplePixelOf   replay positions to map pixels
//   TraceLaps                      the walk over the samples, lap by lap
//   PlotSampleBlock                the 3 x 3 block of a traced sample
//   FindLapExtremes, LapText       the fastest and the slowest lap
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/ReplayBlock.h"
#include "state/Analysis.h"
#include "toolkit/Image.h"
#include "trackmap/Geometry.h"

namespace vx {

// The track's lap line in map pixels.
struct LapLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct LapTraceSetup {
    std::uint8_t MapScale = 0;
    std::optional<LapLine> Line;  // none: the track has no lap line, no lap counts
    bool KeepPixels = true;       // false: the laps' times alone (nothing to draw)
};

// Map units per pixel for replay positions, in single precision.
float SampleScaleOf(std::uint8_t mapScale);

// The map pixel of a sample (nearest, ties to even; y flipped with 511); none
// when the scale is 0, which puts every sample off the map.
std::optional<MapPixel> SamplePixelOf(ReplaySample sample, float sampleScale);

// Walks the samples in replay order. The first crossing of the lap line
// starts the race; every later crossing completes a lap whose time is the
// number of on-map samples since the previous one (lap 1 counts from the
// first sample). After a counted crossing the line is ignored until a move
// passes wholly to its left or meets it off a piece, so a car that wobbles
// over the line is counted once. Samples off the map are neither plotted nor
// counted, and a move from a pixel in column 0 is not tested.
LapTrace TraceLaps(std::span<const ReplaySample> samples, const LapTraceSetup& setup);

// The nine pixels of the 3 x 3 block centred on the pixel, clipped.
void PlotSampleBlock(Image& image, MapPixel centre, Colour colour);

struct LapExtremes {
    std::int32_t FastestLap = 0;
    std::int32_t SlowestLap = 0;
};

// Only a lap under 60 seconds (in hundredths) can be the fastest.
constexpr std::int64_t kFastestLapLimit = 6000;

// The fastest lap under kFastestLapLimit and the slowest lap (numbers from 1;
// 0 for none); on equal times the lower lap number stays.
LapExtremes FindLapExtremes(std::span<const std::int64_t> lapTimes);

// "2 : 58.35": the lap's number and time, or the empty text for lap 0.
std::string LapText(const LapTrace& trace, std::int32_t lap);

}  // namespace vx
