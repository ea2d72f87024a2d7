#include "toolkit/Image.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace vx {

Image::Image(int width, int height, Colour fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
              WordOf(fill))
{
}

void PlotPixel(Image& image, std::int64_t x, std::int64_t y, Colour colour)
{
    if (image.Contains(x, y))
        image.Set(static_cast<int>(x), static_cast<int>(y), colour);
}

void FillBox(Image& image, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
             Colour colour)
{
    // Half-open [x0, x1) x [y0, y1).
    std::int64_t x0 = std::min(x, x + w), x1 = std::max(x, x + w);
    std::int64_t y0 = std::min(y, y + h), y1 = std::max(y, y + h);
    x0 = std::max<std::int64_t>(x0, 0), x1 = std::min<std::int64_t>(x1, image.Width());
    y0 = std::max<std::int64_t>(y0, 0), y1 = std::min<std::int64_t>(y1, image.Height());
    if (x0 >= x1)
        return;
    const std::uint32_t word = Image::WordOf(colour);
    for (std::int64_t py = y0; py < y1; ++py) {
        std::uint32_t* row = image.Words() + py * image.Width();
        std::fill(row + x0, row + x1, word);
    }
}

namespace {

// Pixel i (0 .. steps) of the line from (x1, y1) toward (x2, y2) lies at
// major = start + i and minor = start + round-half-up(i * dMinor / dMajor),
// which is the pixel integer Bresenham reaches after i steps. The closed form
// lets the walk start and stop where the major axis enters and leaves the
// image, so far-away end points cost nothing.
void WalkLine(Image& image, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
              bool includeEnd, Colour colour)
{
    const std::int64_t dx = x2 - x1, dy = y2 - y1;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t major1 = xMajor ? x1 : y1, minor1 = xMajor ? y1 : x1;
    const std::int64_t dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    const std::int64_t steps = std::llabs(dMajor);
    const std::int64_t majorSign = dMajor < 0 ? -1 : 1, minorSign = dMinor < 0 ? -1 : 1;
    const std::int64_t aMinor = std::llabs(dMinor);
    const std::int64_t majorLimit = xMajor ? image.Width() : image.Height();

    std::int64_t last = includeEnd ? steps : steps - 1;
    if (last < 0)
        return;
    // Steps whose major coordinate lies in [0, majorLimit).
    std::int64_t first = 0;
    if (majorSign > 0) {
        first = std::max<std::int64_t>(first, -major1);
        last = std::min<std::int64_t>(last, majorLimit - 1 - major1);
    } else {
        first = std::max<std::int64_t>(first, major1 - (majorLimit - 1));
        last = std::min<std::int64_t>(last, major1);
    }
    for (std::int64_t i = first; i <= last; ++i) {
        const std::int64_t major = major1 + majorSign * i;
        const std::int64_t offset = steps == 0 ? 0 : (2 * i * aMinor + steps) / (2 * steps);
        const std::int64_t minor = minor1 + minorSign * offset;
        if (xMajor)
            PlotPixel(image, major, minor, colour);
        else
            PlotPixel(image, minor, major, colour);
    }
}

// Keeps the products of the closed form inside 64 bits.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 30;

bool Reasonable(std::int64_t v)
{
    return v > -kCoordinateLimit && v < kCoordinateLimit;
}

}  // namespace

void DrawSegment(Image& image, std::int64_t x1, std::int64_t y1, std::int64_t x2,
                 std::int64_t y2, Colour colour)
{
    if (!Reasonable(x1) || !Reasonable(y1) || !Reasonable(x2) || !Reasonable(y2))
        return;
    WalkLine(image, x1, y1, x2, y2, true, colour);
}

void DrawLineBy(Image& image, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                Colour colour)
{
    if (!Reasonable(x) || !Reasonable(y) || !Reasonable(w) || !Reasonable(h))
        return;
    WalkLine(image, x, y, x + w, y + h, false, colour);
}

void FloodFillArea(Image& image, std::int64_t x, std::int64_t y, std::int64_t boundary,
                   Colour fill)
{
    if (!image.Contains(x, y))
        return;
    const int width = image.Width(), height = image.Height();
    std::uint32_t* const words = image.Words();
    // Pixels are compared as stored words: the same colour, the same word.
    const std::uint32_t start = words[static_cast<std::size_t>(y) * width + x];
    const bool surface = boundary == kSurfaceFill;
    const std::uint32_t border = Image::WordOf(static_cast<Colour>(boundary & 0xFFFFFF));
    if (!surface && start == border)
        return;
    const std::uint32_t paint = Image::WordOf(fill);
    std::vector<std::uint8_t> done(static_cast<std::size_t>(width) * height, 0);
    auto inside = [&](int px, int py) {
        const std::size_t at = static_cast<std::size_t>(py) * width + px;
        return !done[at] && (surface ? words[at] == start : words[at] != border);
    };

    // Each entry is a seed pixel; its whole horizontal span is filled, then
    // the rows above and below are scanned for new spans.
    std::vector<std::pair<int, int>> seeds;
    seeds.emplace_back(static_cast<int>(x), static_cast<int>(y));
    while (!seeds.empty()) {
        const auto [sx, sy] = seeds.back();
        seeds.pop_back();
        if (!inside(sx, sy))
            continue;
        int left = sx, right = sx;
        while (left > 0 && inside(left - 1, sy))
            --left;
        while (right < width - 1 && inside(right + 1, sy))
            ++right;
        const std::size_t row = static_cast<std::size_t>(sy) * width;
        std::fill(words + row + left, words + row + right + 1, paint);
        std::fill(done.begin() + static_cast<std::ptrdiff_t>(row + left),
                  done.begin() + static_cast<std::ptrdiff_t>(row + right + 1), std::uint8_t{1});
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= height)
                continue;
            bool inSpan = false;
            for (int px = left; px <= right; ++px) {
                const bool in = inside(px, ny);
                if (in && !inSpan)
                    seeds.emplace_back(px, ny);
                inSpan = in;
            }
        }
    }
}

}  // namespace vx
