#include "laps/LapTrace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "laps/LapLine.h"
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
// inside int. Every lap switch runs this twice per sample, so it avoids the
// library call: below 2^23, adding 2^23 leaves no fraction bits, which rounds
// the quotient in the current rounding mode exactly as lrintf does; from 2^23
// on every float is whole already.
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

LapTracer::LapTracer(const LapTraceSetup& setup)
    : line_(setup.Line), currentLap_(setup.CurrentLap), sampleScale_(SampleScaleOf(setup.MapScale))
{
}

bool LapTracer::Take(ReplaySample sample)
{
    if (!(sampleScale_ > 0.0f))
        return false;  // no scale: the whole replay lies off the map
    const MapPixel previous = pixel_;
    pixel_ = MapPixel{NearestPosition(sample.SampleX, sampleScale_),
                      511 - NearestPosition(sample.SampleY, sampleScale_)};
    if (first_) {
        first_ = false;
        trace_.StartPoint = pixel_;
    }
    if (!InsideMarkerArea(pixel_.x, pixel_.y))
        return false;

    const bool shown = currentLap_ == 0 ||
                       (started_ && static_cast<std::int64_t>(currentLap_) - 1 == trace_.LapCount);

    if (previous.x != 0 && line_) {
        const std::int8_t result = CrossesLapLine(pixel_.x, pixel_.y, previous.x, previous.y,
                                                  line_->x1, line_->y1, line_->x2, line_->y2);
        if (result == kMoveCrossesLine && !latched_) {
            if (started_) {
                // the quotient in single precision, as the list has always shown it
                const float seconds = static_cast<float>(lapSamples_) / 20.0f;
                trace_.LapTimeList += RealToText(seconds, 2);
                trace_.LapTimeList += ' ';
                lapSamples_ = 0;
                if (trace_.LapCount < INT32_MAX)
                    ++trace_.LapCount;
            } else {
                started_ = true;  // lap 1 is timed from the first sample: no reset
            }
            latched_ = true;
        }
        if (result == kLineRightOrMissed && latched_)
            latched_ = false;
    }
    ++lapSamples_;
    return shown;
}

LapTrace TraceLaps(std::span<const ReplaySample> samples, const LapTraceSetup& setup,
                   std::vector<MapPixel>* plotted)
{
    LapTracer tracer(setup);
    for (const ReplaySample& sample : samples) {
        if (tracer.Take(sample) && plotted != nullptr)
            plotted->push_back(tracer.Pixel());
    }
    return tracer.Result();
}

void PlotSampleBlock(Image& image, MapPixel centre, Colour colour)
{
    const int x0 = centre.x - 1, y0 = centre.y - 1;
    if (x0 >= 0 && y0 >= 0 && x0 + 3 <= image.Width() && y0 + 3 <= image.Height()) {
        // the usual case, every traced sample: three rows of three words
        std::uint32_t* row = image.Words() + static_cast<std::size_t>(y0) * image.Width() + x0;
        const std::uint32_t word = colour | Image::kOpaque;
        for (int dy = 0; dy < 3; ++dy, row += image.Width())
            row[0] = row[1] = row[2] = word;
        return;
    }
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            PlotPixel(image, std::int64_t{centre.x} + dx, std::int64_t{centre.y} + dy, colour);
}

std::vector<std::string_view> LapTimeFields(std::string_view lapTimeList)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = lapTimeList.find(' ', start);
        if (space == std::string_view::npos) {
            fields.push_back(lapTimeList.substr(start));
            return fields;
        }
        fields.push_back(lapTimeList.substr(start, space - start));
        start = space + 1;
    }
}

LapExtremes FindLapExtremes(std::string_view lapTimeList, std::int64_t lapCount)
{
    LapExtremes extremes;
    const std::vector<std::string_view> fields = LapTimeFields(lapTimeList);
    // Laps past the list read as 0 seconds, which changes neither extreme.
    const std::int64_t laps = std::min<std::int64_t>(lapCount, std::ssize(fields));
    for (std::int64_t i = 1; i <= laps; ++i) {
        const float t = TextToReal(fields[static_cast<std::size_t>(i - 1)]);
        if (t < extremes.FastestLapTime && t > 0.0f) {
            extremes.FastestLapTime = t;
            extremes.FastestLapText = IntToText(i) + " : " + RealToText(t, 2);
        }
        if (t > extremes.SlowestLapTime) {
            extremes.SlowestLapTime = t;
            extremes.SlowestLapText = IntToText(i) + " : " + RealToText(t, 2);
        }
    }
    return extremes;
}

}  // namespace vx
