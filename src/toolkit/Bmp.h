// Windows bitmap files held in memory, decoded into images.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "toolkit/Image.h"

namespace vx {

// Decodes an uncompressed 8-bit (through its palette) or 24-bit bitmap. Rows
// are read bottom-up (top-down for a negative height) with 4-byte row padding,
// from the pixel-data offset of the file header; the file-size and image-size
// fields are ignored. Anything malformed or cut short gives no image; no byte
// outside the span is ever read.
std::optional<Image> DecodeBmp(std::span<const std::uint8_t> bytes);

}  // namespace vx
