#include "trackmap/Geometry.h"

#include <climits>
#include <cmath>

namespace vx {

float HeadingAngle(std::uint8_t heading)
{
    float h = static_cast<float>(heading + 61);
    if (h > 244.0f)
        h = h - 244.0f;         // 244 itself stays: byte 183 is a whole turn
    h = h * 1.4754099845886f;   // steps to degrees
    return h * 0.01745f;        // degrees to radians with the program's factor
}

std::optional<FootprintHalves> FootprintSize(int length, int width, std::uint8_t mapScale)
{
    if (mapScale == 0)
        return std::nullopt;
    return FootprintHalves{length / mapScale / 2, width / mapScale / 2};
}

namespace {

// Truncation toward zero, held inside the range of int whatever the value.
int TruncatedPixel(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<float>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<float>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

FootprintCorner CornerAt(float x, float y)
{
    return {x, y, {TruncatedPixel(x), TruncatedPixel(y)}};
}

}  // namespace

Footprint FootprintOf(int px, int py, float theta, int halfLength, int halfWidth)
{
    const double s = std::sin(static_cast<double>(theta));
    const double c = std::cos(static_cast<double>(theta));
    const double length = halfLength;
    const float fx = static_cast<float>(px + length * s);
    const float fy = static_cast<float>(py - length * c);
    const float kx = static_cast<float>(px - length * s);
    const float ky = static_cast<float>(py + length * c);

    const float phi = 1.5707963705f - theta;  // across the heading
    const double width = halfWidth;
    const float dx = static_cast<float>(width * std::sin(static_cast<double>(phi)));
    const float dy = static_cast<float>(width * std::cos(static_cast<double>(phi)));

    return {CornerAt(fx - dx, fy - dy), CornerAt(fx + dx, fy + dy), CornerAt(kx - dx, ky - dy),
            CornerAt(kx + dx, ky + dy)};
}

}  // namespace vx
