// The program's windows on screens of any scale: the scale a window takes,
// lengths at that scale, and pictures enlarged without smoothing, so that
// every screen pixel of a picture shows one of the picture's own pixels.
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/WindowSystem.h"

namespace vx {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// A length of the program's pixels in screen pixels at scale (screen pixels
// per program pixel), to the nearest; at scale 1 the length itself.
int ScaledLength(int length, double scale);

// The scale of a window whose client area is client program pixels, with a
// frame (title bar and borders) of frame screen pixels, on a screen of scale
// wanted whose work area is workArea screen pixels: wanted when the window
// fits there; otherwise the largest that fits, a whole number of 96ths (one
// dot per inch of a 96 dpi screen), never below 1: below it a picture would
// lose rows and columns of its pixels.
double FitScale(double wanted, PixelSize client, PixelSize frame, PixelSize workArea);

// Which of a picture's length pixels the screen pixel at (counted from the
// picture's first screen pixel) shows when the picture is shown on shown
// screen pixels: the one whose span holds the screen pixel's centre. Places
// beyond the picture follow the same rule (before it they are negative), and
// shown equal to length gives at itself.
int PicturePixelAt(int at, int length, int shown);

// The picture of width x height words (rows from the top) shown on
// shownWidth x shownHeight words: each takes the picture's word that
// PicturePixelAt names, so no colour is made that the picture lacks.
void ScaleNearest(std::span<const std::uint32_t> picture, int width, int height,
                  std::span<std::uint32_t> shown, int shownWidth, int shownHeight);

// A box (a tooltip) moved as little as it takes to lie inside area (the
// work area of its screen): back left and up from the right and bottom
// edges, and never left of or above the area, where a box larger than the
// area starts.
ScreenArea KeptInside(const ScreenArea& box, const ScreenArea& area);

}  // namespace vx
