#include "toolkit/Scaling.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

namespace vx {

int ScaledLength(int length, double scale)
{
    return static_cast<int>(std::lround(length * scale));
}

double FitScale(double wanted, PixelSize client, PixelSize frame, PixelSize workArea)
{
    const auto fits = [&](double scale) {
        return ScaledLength(client.width, scale) + frame.width <= workArea.width &&
               ScaledLength(client.height, scale) + frame.height <= workArea.height;
    };
    if (!(wanted > 1.0) || fits(wanted))
        return wanted;
    for (int dpi = static_cast<int>(std::ceil(wanted * 96.0)) - 1; dpi > 96; --dpi)
        if (fits(dpi / 96.0))
            return dpi / 96.0;
    return 1.0;
}

int PicturePixelAt(int at, int length, int shown)
{
    if (length <= 0 || shown <= 0 || length == shown)
        return at;
    // The centre of screen pixel at lies at (at + 1/2) * length / shown
    // picture pixels: floor((2 at + 1) length / (2 shown)), exact in integers.
    const std::int64_t numerator = (2 * std::int64_t{at} + 1) * length;
    const std::int64_t denominator = 2 * std::int64_t{shown};
    std::int64_t quotient = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0)
        --quotient;  // toward minus infinity, as the pixels before the picture run
    return static_cast<int>(quotient);
}

void ScaleNearest(std::span<const std::uint32_t> picture, int width, int height,
                  std::span<std::uint32_t> shown, int shownWidth, int shownHeight)
{
    assert(picture.size() >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    assert(shown.size() >= static_cast<std::size_t>(shownWidth) * static_cast<std::size_t>(shownHeight));
    if (width <= 0 || height <= 0 || shownWidth <= 0 || shownHeight <= 0)
        return;
    std::vector<int> columns(static_cast<std::size_t>(shownWidth));
    for (int x = 0; x < shownWidth; ++x)
        columns[static_cast<std::size_t>(x)] = PicturePixelAt(x, width, shownWidth);
    const auto row = [](auto words, int y, int rowWidth) {
        return words.subspan(static_cast<std::size_t>(y) * static_cast<std::size_t>(rowWidth),
                             static_cast<std::size_t>(rowWidth));
    };
    int previous = -1;
    for (int y = 0; y < shownHeight; ++y) {
        const int from = PicturePixelAt(y, height, shownHeight);
        const std::span<std::uint32_t> to = row(shown, y, shownWidth);
        if (from == previous) {  // a row repeated: a copy of the one above
            const std::span<std::uint32_t> above = row(shown, y - 1, shownWidth);
            std::copy(above.begin(), above.end(), to.begin());
            continue;
        }
        const std::span<const std::uint32_t> source = row(picture, from, width);
        for (int x = 0; x < shownWidth; ++x)
            to[static_cast<std::size_t>(x)] = source[static_cast<std::size_t>(columns[static_cast<std::size_t>(x)])];
        previous = from;
    }
}

ScreenArea KeptInside(const ScreenArea& box, const ScreenArea& area)
{
    ScreenArea kept = box;
    kept.x = std::max(std::min(box.x, area.x + area.width - box.width), area.x);
    kept.y = std::max(std::min(box.y, area.y + area.height - box.height), area.y);
    return kept;
}

}  // namespace vx
