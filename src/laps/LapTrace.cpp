#include "laps/LapTrace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "laps/LapLine.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

float SampleScaleOf(std::uint8_t mapScale)
{
    return (static_cast<float>(mapScale) * 29.5f) / 100.0f;
}

namespace {

// The position over the scale, taken to the nearest integer as lrintf takes
// it (ties to even), for a scale above 0. A scale byte of 1 puts a sample as
// far as 222,153 pixels; the clamp only keeps a smaller caller-made scale
// inside int. A load runs this twice per sample, so it avoids the library
// call: below 2^23, adding 2^23 leaves no fraction bits, which rounds the
// quotient in the current rounding mode exactly as lrintf does; from 2^23 on
// every float is whole already.
int NearestPosition(std::uint16_t position, float sampleScale)
{
    const float quotient = std::min(static_cast<float>(position) / sampleScale, 1.0e9f);
    constexpr float kNoFractionBits = 8388608.0f;  // 2^23
    if (quotient < kNoFractionBits)
        return static_cast<int>((quotient + kNoFractionBits) - kNoFractionBits);
    return static_cast<int>(quotient);
}

}  // namespace

std::optional<MapPixel> SamplePixelOf(ReplaySample sample, float sampleScale)
{
    if (!(sampleScale > 0.0f))
        return std::nullopt;
    return MapPixel{NearestPosition(sample.SampleX, sampleScale),
                    511 - NearestPosition(sample.SampleY, sampleScale)};
}

LapTrace TraceLaps(std::span<const ReplaySample> samples, const LapTraceSetup& setup)
{
    LapTrace trace;
    const float sampleScale = SampleScaleOf(setup.MapScale);
    // Lap 0 holds the samples before the start; lap k those reached while
    // k - 1 laps are complete.
    trace.LapStarts.push_back(0);
    if (!(sampleScale > 0.0f)) {  // no scale: the whole replay lies off the map
        trace.LapStarts.push_back(0);
        trace.LapStarts.push_back(0);
        return trace;
    }
    if (setup.KeepPixels)
        trace.Plotted.reserve(samples.size());
    std::size_t plotted = 0;  // pixels of on-map samples so far
    bool started = false;  // the first crossing has been seen
    bool latched = false;  // a counted crossing waits for a clear move
    MapPixel previous{};   // the previous sample's pixel, (0, 0) before the first
    std::int64_t lapSamples = 0;
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const ReplaySample sample = samples[index];
        const MapPixel pixel{NearestPosition(sample.SampleX, sampleScale),
                             511 - NearestPosition(sample.SampleY, sampleScale)};
        if (!trace.StartPoint)
            trace.StartPoint = pixel;
        const MapPixel from = previous;
        previous = pixel;
        if (!InsideMarkerArea(pixel.x, pixel.y))
            continue;
        if (setup.KeepPixels)
            trace.Plotted.push_back(pixel);  // with the lap in progress, before its crossing
        ++plotted;

        if (from.x != 0 && setup.Line) {
            const LapLine& line = *setup.Line;
            const std::int8_t result =
                CrossesLapLine(pixel.x, pixel.y, from.x, from.y, line.x1, line.y1, line.x2, line.y2);
            if (result == kMoveCrossesLine && !latched) {
                if (started) {
                    trace.LapTimes.push_back(lapSamples * 5);
                    lapSamples = 0;
                    if (trace.LapCount < INT32_MAX)
                        ++trace.LapCount;
                } else {
                    started = true;  // lap 1 is timed from the first sample: no reset
                }
                // The samples after this one belong to the next lap.
                trace.LapStarts.push_back(plotted);
                trace.CrossingSamples.push_back(static_cast<std::int64_t>(index));
                latched = true;
            }
            if (result == kLineRightOrMissed && latched)
                latched = false;
        }
        ++lapSamples;
    }
    // The unfinished lap after the last crossing, then the end.
    while (std::ssize(trace.LapStarts) < std::int64_t{trace.LapCount} + 3)
        trace.LapStarts.push_back(plotted);
    if (!setup.KeepPixels)
        trace.LapStarts.assign(trace.LapStarts.size(), 0);  // nothing to show
    const LapExtremes extremes = FindLapExtremes(trace.LapTimes);
    trace.FastestLap = extremes.FastestLap;
    trace.SlowestLap = extremes.SlowestLap;
    return trace;
}

void PlotSampleBlock(Image& image, MapPixel centre, Colour colour)
{
    const int x0 = centre.x - 1, y0 = centre.y - 1;
    if (x0 >= 0 && y0 >= 0 && x0 + 3 <= image.Width() && y0 + 3 <= image.Height()) {
        // the usual case, every traced sample: three rows of three words
        std::uint32_t* row = image.Words() + static_cast<std::size_t>(y0) * image.Width() + x0;
        const std::uint32_t word = Image::WordOf(colour);
        for (int dy = 0; dy < 3; ++dy, row += image.Width())
            row[0] = row[1] = row[2] = word;
        return;
    }
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            PlotPixel(image, std::int64_t{centre.x} + dx, std::int64_t{centre.y} + dy, colour);
}

LapExtremes FindLapExtremes(std::span<const std::int64_t> lapTimes)
{
    LapExtremes extremes;
    std::int64_t fastest = kFastestLapLimit, slowest = 0;
    for (std::size_t i = 0; i < lapTimes.size(); ++i) {
        const std::int64_t t = lapTimes[i];
        if (t < fastest && t > 0) {
            fastest = t;
            extremes.FastestLap = static_cast<std::int32_t>(i + 1);
        }
        if (t > slowest) {
            slowest = t;
            extremes.SlowestLap = static_cast<std::int32_t>(i + 1);
        }
    }
    return extremes;
}

std::string LapText(const LapTrace& trace, std::int32_t lap)
{
    if (lap < 1 || lap > std::ssize(trace.LapTimes))
        return {};
    return IntToText(lap) + " : " + LapTimeText(trace.LapTimes[static_cast<std::size_t>(lap - 1)]);
}

}  // namespace vx
