// Where a window of ours opens beside the main window.
#pragma once

#include <span>

#include "toolkit/WindowSystem.h"

namespace vx {

struct ScreenPlace {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPlace&) const = default;
};

// The top-left corner of a frame of width x height beside the main window's
// frame: right of it where the work area has room. Else, of the places along
// the main window's sides and at the work area's edges (each held inside the
// work area), the one that covers the fewest of the main window's controls
// (given where they are on the screen), then the least of the main window;
// of equal places the first, right of the main window before below it, left
// of it and above it.
ScreenPlace PlaceBeside(const ScreenArea& work, const ScreenArea& mainFrame,
                        std::span<const ScreenArea> mainControls, int width, int height);

}  // namespace vx
