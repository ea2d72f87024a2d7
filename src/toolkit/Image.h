// Off-screen true-colour images and the raster primitives drawn on them.
//
// Colours are the program's 24-bit values, red + green*256 + blue*65536.
// Pixels are stored so that a pixel reads back as exactly the colour drawn;
// every primitive clips to the image.
#pragma once

#include <cstdint>
#include <vector>

namespace vx {

using Colour = std::uint32_t;

constexpr Colour MakeRgb(int red, int green, int blue)
{
    return static_cast<Colour>(red & 255) | static_cast<Colour>(green & 255) << 8 |
           static_cast<Colour>(blue & 255) << 16;
}

// A pixel position: x to the right, y downward (on the map, in map pixels).
struct MapPixel {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(MapPixel, MapPixel) = default;
};

class Image {
public:
    Image(int width, int height, Colour fill = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Contains(std::int64_t x, std::int64_t y) const
    {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }

    Colour At(int x, int y) const { return ColourOf(pixels_[Index(x, y)]); }
    void Set(int x, int y, Colour colour) { pixels_[Index(x, y)] = WordOf(colour); }

    // The storage: one 32-bit word per pixel, row after row from the top, as
    // the window systems keep their pictures: 0xFFRRGGBB (bytes blue, green,
    // red, 255 in memory order on this little-endian machine), so that a
    // picture is shown without converting it.
    std::uint32_t* Words() { return pixels_.data(); }
    const std::uint32_t* Words() const { return pixels_.data(); }
    static constexpr std::uint32_t kOpaque = 0xFF000000u;
    static constexpr std::uint32_t WordOf(Colour colour)
    {
        return kOpaque | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
    }
    static constexpr Colour ColourOf(std::uint32_t word)
    {
        return (word >> 16 & 0xFF) | (word & 0xFF00) | (word & 0xFF) << 16;
    }

private:
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

// One pixel, when it lies inside the image.
void PlotPixel(Image& image, std::int64_t x, std::int64_t y, Colour colour);

// The pixels x .. x+w-1 by y .. y+h-1; a negative size extends left or up
// (w = -1 paints column x-1); a size of 0 paints nothing.
void FillBox(Image& image, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
             Colour colour);

// A one-pixel line from (x1, y1) to (x2, y2), both end pixels painted, walked
// from the first point toward the second (8-connected Bresenham).
void DrawSegment(Image& image, std::int64_t x1, std::int64_t y1, std::int64_t x2,
                 std::int64_t y2, Colour colour);

// The same line from (x, y) to (x+w, y+h) with its end pixel left out.
void DrawLineBy(Image& image, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                Colour colour);

// Fills, 4-connected, the region containing (x, y) that is bounded by pixels
// of the boundary colour; nothing when (x, y) has the boundary colour or lies
// outside. A boundary of -1 fills the connected region of (x, y)'s colour.
// Iterative scanline fill: its memory does not grow with the region's shape.
constexpr std::int64_t kSurfaceFill = -1;
void FloodFillArea(Image& image, std::int64_t x, std::int64_t y, std::int64_t boundary,
                   Colour fill);

}  // namespace vx
