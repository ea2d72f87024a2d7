// JPEG export through libjpeg.
//
// The encoder's errors return to us instead of ending the process, the file
// is written beside its target under a temporary name, flushed and closed
// with every result checked, and only then renamed into place: a failed
// export never leaves a half-written file, and never replaces a good one.
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

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

mode_t CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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

    std::string folder = FolderPart(path);
    std::string temporary = folder + "." + FileNamePart(path) + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        lastError_ = std::string("cannot write in the folder: ") + std::strerror(errno);
        return 0;
    }
    temporary = name.data();
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        lastError_ = std::strerror(errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        return 0;
    }

    char encoderError[JMSG_LENGTH_MAX] = {};
    bool ok = Encode(file, rgb.data(), image->Width(), image->Height(),
                     LibjpegQuality(qualityLevel), encoderError, sizeof encoderError);
    if (!ok)
        lastError_ = std::string("the encoder failed: ") + encoderError;
    if (ok && (std::fflush(file) != 0 || std::ferror(file) != 0 || ::fsync(fileno(file)) != 0)) {
        lastError_ = std::strerror(errno);
        ok = false;
    }
    if (ok && ::fchmod(fileno(file), CreationMode()) != 0) {
        lastError_ = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        lastError_ = std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        lastError_ = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return 0;
    }
    return 1;
}

}  // namespace vx
