// Picture files: the encoders the export and the render command write with.
// They work without the window system; nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Image.h"

namespace vx {

class PictureCodecs {
public:
    virtual ~PictureCodecs() = default;

    // JPEG of the image at quality 1..100, chroma at full resolution where
    // the encoder allows. False with the reason in error.
    virtual bool EncodeJpeg(const Image& image, int quality, std::vector<std::uint8_t>& out,
                            std::string& error) = 0;
    // Lossless PNG of the image.
    virtual bool EncodePng(const Image& image, std::vector<std::uint8_t>& out,
                           std::string& error) = 0;
};

// The encoders of the system the program was built for.
PictureCodecs& SystemCodecs();

}  // namespace vx
