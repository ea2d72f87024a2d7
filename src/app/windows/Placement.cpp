#include "app/windows/Placement.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace vx {

namespace {

// The area two rectangles share, 0 when they only touch.
std::int64_t Overlap(const ScreenArea& a, const ScreenArea& b)
{
    const std::int64_t w = std::int64_t{std::min(a.x + a.width, b.x + b.width)} - std::max(a.x, b.x);
    const std::int64_t h = std::int64_t{std::min(a.y + a.height, b.y + b.height)} - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

// Held inside [low, high - size]; a frame larger than the area keeps its
// top or left edge in it (the title bar stays reachable).
int Held(int at, int low, int high, int size)
{
    return std::max(low, std::min(at, high - size));
}

}  // namespace

ScreenPlace PlaceBeside(const ScreenArea& work, const ScreenArea& mainFrame,
                        std::span<const ScreenArea> mainControls, int width, int height)
{
    const int right = mainFrame.x + mainFrame.width;
    const int bottom = mainFrame.y + mainFrame.height;
    const int xs[] = {right, mainFrame.x, mainFrame.x - width, work.x + work.width - width, work.x};
    const int ys[] = {mainFrame.y, bottom, mainFrame.y - height, work.y + work.height - height, work.y};
    ScreenPlace best;
    std::pair<std::int64_t, std::int64_t> bestCost{std::numeric_limits<std::int64_t>::max(), 0};
    for (const int x : xs) {
        for (const int y : ys) {
            const ScreenArea frame{Held(x, work.x, work.x + work.width, width),
                                   Held(y, work.y, work.y + work.height, height), width, height};
            std::int64_t covered = 0;
            for (const ScreenArea& control : mainControls)
                covered += Overlap(frame, control) > 0 ? 1 : 0;
            const std::pair<std::int64_t, std::int64_t> cost{covered, Overlap(frame, mainFrame)};
            if (cost < bestCost) {
                bestCost = cost;
                best = {frame.x, frame.y};
            }
        }
    }
    return best;
}

}  // namespace vx
