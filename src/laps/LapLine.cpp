#include "laps/LapLine.h"

namespace vx {

namespace {

float LowSixteenBits(std::int32_t value)
{
    return static_cast<float>(static_cast<std::int16_t>(value));  // wraps in C++20
}

// Outside [a, b] (in either order) by more than the tolerance.
bool Outside(float v, float a, float b)
{
    const float tolerance = 0.2f;
    return (v < a - tolerance && v < b - tolerance) || (v > a + tolerance && v > b + tolerance);
}

}  // namespace

std::int8_t CrossesLapLine(std::int32_t x, std::int32_t y, std::int32_t px, std::int32_t py,
                           std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    const float mx = LowSixteenBits(x), my = LowSixteenBits(y);
    float mpx = LowSixteenBits(px);
    const float mpy = LowSixteenBits(py);
    const float lx1 = LowSixteenBits(x1), ly1 = LowSixteenBits(y1);
    float lx2 = LowSixteenBits(x2);
    const float ly2 = LowSixteenBits(y2);

    // Bounding boxes first; a later test overrides an earlier one.
    std::int8_t r = 0;
    if (lx1 > mx && lx1 > mpx && lx2 > mx && lx2 > mpx)
        r = kLineRightOrMissed;
    if (lx1 < mx && lx1 < mpx && lx2 < mx && lx2 < mpx)
        r = kLineLeft;
    if (ly1 > my && ly1 > mpy && ly2 > my && ly2 > mpy)
        r = kLineBelow;
    if (ly1 < my && ly1 < mpy && ly2 < my && ly2 < mpy)
        r = kLineAbove;
    if (r != 0)
        return r;

    if (mx == mpx)
        mpx = mpx + 1.0f;
    if (lx1 == lx2)
        lx2 = lx2 + 1.0f;

    const float m1 = (mpy - my) / (mpx - mx);
    const float b1 = my - m1 * mx;
    const float m2 = (ly2 - ly1) / (lx2 - lx1);
    const float b2 = ly1 - m2 * lx1;
    if (m1 == m2)
        return kLineParallel;

    const float xi = (b2 - b1) / (m1 - m2);
    const float yi = b1 + m1 * xi;
    if (Outside(xi, mx, mpx) || Outside(xi, lx1, lx2) || Outside(yi, my, mpy) ||
        Outside(yi, ly1, ly2))
        return kLineRightOrMissed;
    return kMoveCrossesLine;
}

}  // namespace vx
