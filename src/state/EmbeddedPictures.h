// The two pictures the program carries: the placeholder, and the bitmap
// file the map picture is assembled behind.
#pragma once

#include <array>
#include <cstdint>

#include "toolkit/Image.h"

namespace vx {

constexpr std::size_t kPictureTemplateSize = 1334;

// 32 x 32: a racing car seen from above (white body, red wings, black
// wheels) on grey ground. Shown where there is nothing to chart.
Image PlaceholderPicture();

// The headers of a 512 x 560, 8-bit bitmap with its 256-entry palette (index
// 240 is the map background (0, 100, 150), the terrain entries hold the
// terrain colours) and only 256 pixel bytes, all index 240. The map picture
// is assembled behind a copy of it.
const std::array<std::uint8_t, kPictureTemplateSize>& PictureTemplate();

}  // namespace vx
