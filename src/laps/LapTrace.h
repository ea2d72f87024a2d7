// Tracing the replay over the map and cutting it into laps.
//
//   SampleScaleOf, SamplePixelOf   replay positions to map pixels
//   LapTracer, TraceLaps           the walk over the samples, lap by lap
//   PlotSampleBlock                the 3 x 3 block of a traced sample
//   LapTimeFields, FindLapExtremes the fastest and the slowest lap
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ReplayBlock.h"
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
    std::int32_t CurrentLap = 0;  // 0 shows every lap
};

struct LapTrace {
    std::int32_t LapCount = 0;           // completed laps
    std::string LapTimeList;             // "61.70 58.35 ": seconds, each and a space
    std::optional<MapPixel> StartPoint;  // the first sample's pixel, when this replay set one
};

// Map units per pixel for replay positions, in single precision.
float SampleScaleOf(std::uint8_t mapScale);

// The map pixel of a sample (nearest, ties to even; y flipped with 511); none
// when the scale is 0, which puts every sample off the map.
std::optional<MapPixel> SamplePixelOf(ReplaySample sample, float sampleScale);

// Walks the samples in replay order, one Take per sample. The first crossing
// of the lap line starts the race; every later crossing completes a lap whose
// time is the number of on-map samples since the previous one (lap 1 counts
// from the first sample). After a counted crossing the line is ignored until
// a move passes wholly to its left or meets it off a piece, so a car that
// wobbles over the line is counted once. Samples off the map are neither
// plotted nor counted, and a move from a pixel in column 0 is not tested.
class LapTracer {
public:
    explicit LapTracer(const LapTraceSetup& setup);

    // True when the sample's pixel (Pixel()) is to be plotted in blue: the
    // sample is on the map and belongs to the lap shown. Samples before the
    // start belong to the overview only, and lap k holds those reached while
    // k - 1 laps are complete. (A flag rather than an optional pixel: this
    // runs for every sample of every lap switch.)
    bool Take(ReplaySample sample);
    // The pixel of the sample taken last.
    MapPixel Pixel() const { return pixel_; }

    const LapTrace& Result() const { return trace_; }

private:
    std::optional<LapLine> line_;
    std::int32_t currentLap_;
    float sampleScale_;
    bool first_ = true;
    bool started_ = false;  // the first crossing has been seen
    bool latched_ = false;  // a counted crossing waits for a clear move
    MapPixel pixel_{};      // the previous sample's pixel, (0, 0) before the first
    std::int64_t lapSamples_ = 0;
    LapTrace trace_;
};

// sampleAt(j) gives sample j for j = 0 .. sampleCount - 1; plot(MapPixel) is
// called for every pixel to paint blue.
template <class SampleAt, class Plot>
LapTrace TraceLaps(std::int64_t sampleCount, SampleAt&& sampleAt, const LapTraceSetup& setup,
                   Plot&& plot)
{
    LapTracer tracer(setup);
    for (std::int64_t j = 0; j < sampleCount; ++j) {
        if (tracer.Take(sampleAt(j)))
            plot(tracer.Pixel());
    }
    return tracer.Result();
}

// The same over a span; the pixels to plot are appended to *plotted if given.
LapTrace TraceLaps(std::span<const ReplaySample> samples, const LapTraceSetup& setup,
                   std::vector<MapPixel>* plotted = nullptr);

// The nine pixels of the 3 x 3 block centred on the pixel, clipped.
void PlotSampleBlock(Image& image, MapPixel centre, Colour colour);

// The fields of the lap-time list split once at single spaces: field i of the
// list is element i - 1 (the text after the last space is the last element).
std::vector<std::string_view> LapTimeFields(std::string_view lapTimeList);

struct LapExtremes {
    float FastestLapTime = 60.0f;
    float SlowestLapTime = 0.0f;
    std::string FastestLapText;  // "2 : 58.35", or empty
    std::string SlowestLapText;
};

// Among laps 1 .. lapCount of the list, the fastest lap under 60 seconds and
// the slowest lap; on equal times the lower lap number stays.
LapExtremes FindLapExtremes(std::string_view lapTimeList, std::int64_t lapCount);

}  // namespace vx
