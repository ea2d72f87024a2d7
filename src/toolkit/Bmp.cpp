#include "toolkit/Bmp.h"

#include <cstdlib>

namespace vx {

namespace {

std::int64_t Le(std::span<const std::uint8_t> bytes, std::int64_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes[static_cast<std::size_t>(at + i)];
    if (width == 4)
        return static_cast<std::int32_t>(value);
    return value;
}

// Larger pictures than any the program makes are refused rather than allocated.
constexpr std::int64_t kMaxSide = 16384;

}  // namespace

std::optional<Image> DecodeBmp(std::span<const std::uint8_t> bytes)
{
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (size < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return std::nullopt;
    const std::int64_t pixelOffset = static_cast<std::uint32_t>(Le(bytes, 10, 4));
    const std::int64_t headerSize = static_cast<std::uint32_t>(Le(bytes, 14, 4));
    if (headerSize < 40 || 14 + headerSize > size)
        return std::nullopt;
    const std::int64_t width = Le(bytes, 18, 4);
    const std::int64_t rawHeight = Le(bytes, 22, 4);
    const std::int64_t planes = Le(bytes, 26, 2);
    const std::int64_t bits = Le(bytes, 28, 2);
    const std::int64_t compression = Le(bytes, 30, 4);
    const std::int64_t coloursUsed = static_cast<std::uint32_t>(Le(bytes, 46, 4));
    const bool topDown = rawHeight < 0;
    const std::int64_t height = std::llabs(rawHeight);
    if (planes != 1 || compression != 0 || (bits != 8 && bits != 24))
        return std::nullopt;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return std::nullopt;

    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    if (pixelOffset < 14 + headerSize || pixelOffset > size ||
        stride * height > size - pixelOffset)
        return std::nullopt;

    Colour palette[256] = {};
    if (bits == 8) {
        const std::int64_t entries = coloursUsed == 0 ? 256 : coloursUsed;
        if (entries > 256)
            return std::nullopt;
        const std::int64_t paletteAt = 14 + headerSize;
        if (paletteAt + 4 * entries > size)
            return std::nullopt;
        for (std::int64_t i = 0; i < entries; ++i) {
            const std::int64_t at = paletteAt + 4 * i;
            palette[i] = MakeRgb(bytes[at + 2], bytes[at + 1], bytes[at]);
        }
    }

    Image image(static_cast<int>(width), static_cast<int>(height));
    for (std::int64_t row = 0; row < height; ++row) {
        const std::int64_t y = topDown ? row : height - 1 - row;
        const std::uint8_t* line = bytes.data() + pixelOffset + row * stride;
        for (std::int64_t x = 0; x < width; ++x) {
            Colour colour;
            if (bits == 8) {
                colour = palette[line[x]];
            } else {
                const std::uint8_t* p = line + 3 * x;
                colour = MakeRgb(p[2], p[1], p[0]);
            }
            image.Set(static_cast<int>(x), static_cast<int>(y), colour);
        }
    }
    return image;
}

}  // namespace vx
