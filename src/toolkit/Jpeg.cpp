// JPEG export through libjpeg.
//
// The encoder's errors return to us instead of ending the process, and the
// file replaces its target only when whole (ReplaceFileWith): a failed export
// never leaves a half-written file, and never replaces a good one.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>


#include <jpeglib.h>

#include "toolkit/FileReplace.h"
#include "toolkit/Text.h"
#include "toolkit/Toolkit.h"

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

// Quality level 0..10 of the program onto libjpeg's 1..100: level 7 gives 75,
// libjpeg's own default. Chroma is kept at full resolution, so the thin
// coloured lines of the map stay sharp.
int LibjpegQuality(int level)
{
    const int quality = level * 10 + 5;
    return quality < 1 ? 1 : quality > 100 ? 100 : quality;
}

// Encodes rows (RGB, top first) into file. Only plain data lives in this
// frame, so the jump back from an encoder error skips no destructor.
bool Encode(std::FILE* file, const std::uint8_t* rgb, int width, int height, int quality,
            char* errorText, std::size_t errorSize)
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
    jpeg_stdio_dest(&info, file);
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

}  // namespace

int Toolkit::SaveImageAsJpeg(int number, const std::string& path, int qualityLevel)
{
    const Image* image = FindImage(number);
    if (image == nullptr) {
        lastError_ = "there is no picture to save";
        return 0;
    }
    if (path.empty() || FileNamePart(path).empty()) {
        lastError_ = "no file name";
        return 0;
    }

    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image->Width()) * image->Height() * 3);
    std::size_t at = 0;
    for (int y = 0; y < image->Height(); ++y) {
        for (int x = 0; x < image->Width(); ++x) {
            const Colour c = image->At(x, y);
            rgb[at++] = static_cast<std::uint8_t>(c & 255);
            rgb[at++] = static_cast<std::uint8_t>((c >> 8) & 255);
            rgb[at++] = static_cast<std::uint8_t>((c >> 16) & 255);
        }
    }

    const auto encode = [&](std::FILE* file, std::string& error) {
        char encoderError[JMSG_LENGTH_MAX] = {};
        if (Encode(file, rgb.data(), image->Width(), image->Height(),
                   LibjpegQuality(qualityLevel), encoderError, sizeof encoderError))
            return true;
        error = std::string("the encoder failed: ") + encoderError;
        return false;
    };
    if (!ReplaceFileWith(path, encode, lastError_))
        return 0;
    return 1;
}

}  // namespace vx
