#include "state/EmbeddedPictures.h"

#include <cstring>
#include <string_view>

namespace vx {

namespace {

constexpr std::uint8_t kTemplateBackgroundIndex = 240;  // (0, 100, 150)

void PutLe(std::uint8_t* at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// File header and information header of an uncompressed bottom-up bitmap.
void PutHeaders(std::uint8_t* bmp, std::uint32_t fileSize, std::uint32_t pixelOffset, int width,
                int height, int bits, std::uint32_t imageSize, std::uint32_t colours)
{
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLe(bmp + 2, fileSize, 4);
    PutLe(bmp + 10, pixelOffset, 4);
    PutLe(bmp + 14, 40, 4);
    PutLe(bmp + 18, static_cast<std::uint32_t>(width), 4);
    PutLe(bmp + 22, static_cast<std::uint32_t>(height), 4);
    PutLe(bmp + 26, 1, 2);
    PutLe(bmp + 28, static_cast<std::uint32_t>(bits), 2);
    PutLe(bmp + 30, 0, 4);  // no compression
    PutLe(bmp + 34, imageSize, 4);
    PutLe(bmp + 38, 2835, 4);  // 72 dots per inch
    PutLe(bmp + 42, 2835, 4);
    PutLe(bmp + 46, colours, 4);
    PutLe(bmp + 50, colours, 4);
}

// A racing car seen from above, nose up: W white body, R red wings,
// K black wheels and cockpit, . grey ground.
constexpr std::string_view kCar[32] = {
    "................................",
    "................................",
    "..........RRRRRRRRRRRR..........",
    "..........RRRRRRRRRRRR..........",
    "..........RRRRRRRRRRRR..........",
    "..............WWWW..............",
    "..............WWWW..............",
    ".......KKK....WWWW....KKK.......",
    ".......KKK...WWWWWW...KKK.......",
    ".......KKK..WWWWWWWW..KKK.......",
    ".......KKKWWWWWWWWWWWWKKK.......",
    ".......KKK..WWWWWWWW..KKK.......",
    ".......KKK..WWWWWWWW..KKK.......",
    "............WWWWWWWW............",
    "............WWKKKKWW............",
    "............WWKKKKWW............",
    "............WWKKKKWW............",
    "............WWWWWWWW............",
    "...........WWWWWWWWWW...........",
    "..........WWWWWWWWWWWW..........",
    "......KKKKWWWWWWWWWWWWKKKK......",
    "......KKKKWWWWWWWWWWWWKKKK......",
    "......KKKK.WWWWWWWWWW.KKKK......",
    "......KKKK..WWWWWWWW..KKKK......",
    "......KKKK...WWWWWW...KKKK......",
    "......KKKK....WWWW....KKKK......",
    "..............WWWW..............",
    ".........RRRRRRRRRRRRRR.........",
    ".........RRRRRRRRRRRRRR.........",
    ".........RRRRRRRRRRRRRR.........",
    "................................",
    "................................",
};

std::array<std::uint8_t, kPictureTemplateSize> MakeTemplate()
{
    std::array<std::uint8_t, kPictureTemplateSize> bmp{};
    PutHeaders(bmp.data(), kPictureTemplateSize, 1078, 512, 560, 8, 256, 256);
    // Entries the program names; the rest form a grey ramp nothing draws with.
    struct Entry {
        int index;
        std::uint8_t r, g, b;
    };
    const Entry named[] = {
        {23, 158, 158, 158}, {26, 179, 179, 179}, {42, 145, 202, 91},  {154, 190, 210, 130},
        {59, 160, 135, 110}, {83, 211, 172, 158}, {89, 250, 220, 210}, {104, 245, 250, 255},
        {100, 220, 230, 239}, {242, 255, 255, 255}, {245, 255, 255, 0}, {244, 255, 0, 0},
        {9, 62, 62, 62},     {0, 0, 0, 0},        {240, 0, 100, 150}};
    std::uint8_t* palette = bmp.data() + 54;
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(i);
        palette[4 * i + 3] = 0;
    }
    for (const Entry& e : named) {
        palette[4 * e.index] = e.b;
        palette[4 * e.index + 1] = e.g;
        palette[4 * e.index + 2] = e.r;
    }
    std::memset(bmp.data() + 1078, kTemplateBackgroundIndex, 256);
    return bmp;
}

}  // namespace

Image PlaceholderPicture()
{
    Image picture(32, 32, MakeRgb(128, 128, 128));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            switch (kCar[y][x]) {
            case 'W': picture.Set(x, y, MakeRgb(255, 255, 255)); break;
            case 'R': picture.Set(x, y, MakeRgb(220, 20, 20)); break;
            case 'K': picture.Set(x, y, MakeRgb(0, 0, 0)); break;
            default: break;
            }
        }
    }
    return picture;
}

const std::array<std::uint8_t, kPictureTemplateSize>& PictureTemplate()
{
    static const auto bitmap = MakeTemplate();
    return bitmap;
}

}  // namespace vx
