// Conversions from the track's description to pixels of the map picture.
//
// The map picture is 512 x 560 pixels, x to the right and y downwards; rows
// 0..511 are the map area at half the resolution of track units, rows
// 512..559 the label strip. Nothing here draws: every function is a pure
// computation on integers and single-precision values.
//
//   MapPixelOf, InsideMarkerArea, InsideFootprintMargin   positions and tests
//   HeadingAngle, FootprintSize, FootprintOf              turned footprints
//   StreamPixel, HeightCellOrigin                         raster placements
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "toolkit/Image.h"  // MapPixel

namespace vx {

inline constexpr int kMapWidth = 512;
inline constexpr int kMapAreaHeight = 512;
inline constexpr int kMapPictureHeight = 560;

// Object positions flip with 511 (the lap line of the track uses 512).
constexpr MapPixel MapPixelOf(int trackX, int trackY)
{
    return {trackX / 2, 511 - trackY / 2};  // '/' truncates toward zero
}

// True when a 3 x 3 marker centred on the pixel stays inside the map area.
constexpr bool InsideMarkerArea(std::int64_t px, std::int64_t py)
{
    return px >= 1 && px < 511 && py >= 1 && py < 511;
}

// True when the pixel keeps the footprint's half-width from every edge of the
// map area. The half-length is not tested: a footprint pointing at an edge
// may reach past it, where drawing clips.
constexpr bool InsideFootprintMargin(std::int64_t px, std::int64_t py, std::int64_t halfWidth)
{
    return px >= halfWidth && px < 511 - halfWidth && py >= halfWidth && py < 511 - halfWidth;
}

// Heading byte to radians: steps of 1/244 turn, offset by a quarter turn, so
// that byte 0 points (very nearly) right, 61 down, 122 left and 183 up along
// (sin theta, -cos theta). A full turn comes to 6.282, not 2 pi.
float HeadingAngle(std::uint8_t heading);

// Footprint sizes in size units (length x width).
struct FootprintDimensions {
    int length;
    int width;
};
inline constexpr FootprintDimensions kLargeFootprint{15900, 6200};
inline constexpr FootprintDimensions kSmallFootprint{3100, 400};

struct FootprintHalves {
    int halfLength;
    int halfWidth;
    friend constexpr bool operator==(FootprintHalves, FootprintHalves) = default;
};

// Half-length and half-width in whole pixels for the track's scale byte; a
// scale of 0 has no footprint size.
std::optional<FootprintHalves> FootprintSize(int length, int width, std::uint8_t mapScale);

struct FootprintCorner {
    float x;
    float y;
    MapPixel pixel;  // x and y truncated toward zero
};

struct MapEdge {
    MapPixel from;
    MapPixel to;
};

// A turned rectangle: F1 and F2 at the front end, K1 and K2 at the back.
struct Footprint {
    FootprintCorner F1, F2, K1, K2;

    // The outline in drawing order: front end, back end, then the two long
    // sides. Edges that meet share their corner pixel.
    std::array<MapEdge, 4> Edges() const
    {
        return {{{F1.pixel, F2.pixel}, {K1.pixel, K2.pixel}, {F1.pixel, K1.pixel},
                 {F2.pixel, K2.pixel}}};
    }
};

Footprint FootprintOf(int px, int py, float theta, int halfLength, int halfWidth);

// Pixel k of the track's map-picture stream: the stream starts at the bottom
// row of the map area and climbs one row every 512 pixels. From k = 512 * 512
// on, the position lies above the map area (y < 0).
constexpr MapPixel StreamPixel(std::int64_t k)
{
    return {static_cast<int>(k % kMapWidth), static_cast<int>(511 - k / kMapWidth)};
}

// Top-left pixel of the 8 x 8 cell of height-grid byte i (file order, 64 per
// row). Row 0 ends at y 510: the bottom line of the map area is in no cell,
// and the top line of row 63 lies above the picture.
constexpr MapPixel HeightCellOrigin(int i)
{
    return {8 * (i % 64), 503 - 8 * (i / 64)};
}

}  // namespace vx
