// Picture files on Linux, into memory (the toolkit writes the file whole or
// not at all): JPEG through libjpeg, whose errors return to us instead of
// ending the process, and PNG through Qt's image writer.
#include <QBuffer>
#include <QImage>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "toolkit/PictureCodecs.h"

namespace vx {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void ReturnOnError(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->escape, 1);
}

extern "C" void KeepQuiet(j_common_ptr, int) {}

// Encodes rows (RGB, top first) into a block that libjpeg allocates. Only
// plain data lives in this frame, so the jump back from an encoder error
// skips no destructor. Chroma is kept at full resolution, so the thin
// coloured lines of the map stay sharp.
bool Encode(const std::uint8_t* rgb, int width, int height, int quality, unsigned char** out,
            unsigned long* outSize, char* errorText, std::size_t errorSize)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ReturnOnError;
    errors.base.emit_message = KeepQuiet;
    errors.message[0] = '\0';
    if (setjmp(errors.escape)) {
        std::snprintf(errorText, errorSize, "%s", errors.message);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, outSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<std::size_t>(info.next_scanline) *
                                                      static_cast<std::size_t>(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

class QtPictureCodecs final : public PictureCodecs {
public:
    bool EncodeJpeg(const Image& image, int quality, std::vector<std::uint8_t>& out,
                    std::string& error) override;
    bool EncodePng(const Image& image, std::vector<std::uint8_t>& out, std::string& error) override;
};

}  // namespace

PictureCodecs& SystemCodecs()
{
    static QtPictureCodecs codecs;
    return codecs;
}

bool QtPictureCodecs::EncodeJpeg(const Image& image, int quality, std::vector<std::uint8_t>& out,
                                 std::string& error)
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.Width()) * image.Height() * 3);
    std::size_t at = 0;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Colour c = image.At(x, y);
            rgb[at++] = static_cast<std::uint8_t>(c & 255);
            rgb[at++] = static_cast<std::uint8_t>((c >> 8) & 255);
            rgb[at++] = static_cast<std::uint8_t>((c >> 16) & 255);
        }
    }
    unsigned char* block = nullptr;
    unsigned long size = 0;
    char encoderError[JMSG_LENGTH_MAX] = {};
    const bool ok = Encode(rgb.data(), image.Width(), image.Height(), quality, &block, &size,
                           encoderError, sizeof encoderError);
    if (ok)
        out.assign(block, block + size);
    else
        error = std::string("the encoder failed: ") + encoderError;
    std::free(block);
    return ok;
}

bool QtPictureCodecs::EncodePng(const Image& image, std::vector<std::uint8_t>& out,
                                std::string& error)
{
    // The image's words are Qt's 0xFFRRGGBB: Qt reads them where they are.
    const QImage picture(reinterpret_cast<const uchar*>(image.Words()), image.Width(),
                         image.Height(), image.Width() * 4, QImage::Format_RGB32);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        error = "the picture could not be encoded";
        return false;
    }
    out.assign(png.begin(), png.end());
    return true;
}

}  // namespace vx
