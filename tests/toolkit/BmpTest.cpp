#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "state/EmbeddedPictures.h"
#include "support/TestSupport.h"
#include "toolkit/Bmp.h"

namespace vx {
namespace {

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, int width)
{
    for (int i = 0; i < width; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A bitmap file with the given header fields; pixel bytes follow the palette.
std::vector<std::uint8_t> Bitmap(int width, int height, int bits, int paletteEntries,
                                 const std::vector<std::uint8_t>& pixels)
{
    const std::size_t pixelOffset = 54 + 4 * static_cast<std::size_t>(paletteEntries);
    std::vector<std::uint8_t> b(pixelOffset, 0);
    b[0] = 'B', b[1] = 'M';
    Put(b, 2, 12345, 4);  // wrong file size: ignored
    Put(b, 10, static_cast<std::uint32_t>(pixelOffset), 4);
    Put(b, 14, 40, 4);
    Put(b, 18, static_cast<std::uint32_t>(width), 4);
    Put(b, 22, static_cast<std::uint32_t>(height), 4);
    Put(b, 26, 1, 2);
    Put(b, 28, static_cast<std::uint32_t>(bits), 2);
    Put(b, 34, 999999, 4);  // wrong image size: ignored
    Put(b, 46, static_cast<std::uint32_t>(paletteEntries), 4);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST(DecodeBmp, ReadsTwentyFourBitRowsBottomUpWithPadding)
{
    // 2 x 2: rows of 6 bytes padded to 8; the first row in the file is the bottom.
    const std::vector<std::uint8_t> pixels = {
        0, 0, 255, 0, 255, 0, 0xEE, 0xEE,   // bottom row: red, green, padding
        255, 0, 0, 1, 2, 3, 0xEE, 0xEE};    // top row: blue, (3, 2, 1)
    const auto image = DecodeBmp(Bitmap(2, 2, 24, 0, pixels));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->At(0, 1), MakeRgb(255, 0, 0));
    EXPECT_EQ(image->At(1, 1), MakeRgb(0, 255, 0));
    EXPECT_EQ(image->At(0, 0), MakeRgb(0, 0, 255));
    EXPECT_EQ(image->At(1, 0), MakeRgb(3, 2, 1));
}

TEST(DecodeBmp, ReadsEightBitPixelsThroughThePalette)
{
    std::vector<std::uint8_t> pixels = {1, 0, 2, 0xEE};  // 3 pixels + 1 padding, one row
    auto bytes = Bitmap(3, 1, 8, 3, pixels);
    const std::uint8_t palette[] = {0, 0, 0, 0, 30, 20, 10, 0, 150, 100, 0, 0};
    std::memcpy(bytes.data() + 54, palette, sizeof palette);
    const auto image = DecodeBmp(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->At(0, 0), MakeRgb(10, 20, 30));
    EXPECT_EQ(image->At(1, 0), MakeRgb(0, 0, 0));
    EXPECT_EQ(image->At(2, 0), MakeRgb(0, 100, 150));
}

TEST(DecodeBmp, ReadsPixelsFromTheHeadersOffset)
{
    auto bytes = Bitmap(1, 1, 24, 0, {});
    Put(bytes, 10, 60, 4);
    bytes.resize(60, 0xAA);
    bytes.insert(bytes.end(), {9, 8, 7, 0});
    const auto image = DecodeBmp(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->At(0, 0), MakeRgb(7, 8, 9));
}

TEST(DecodeBmp, RefusesMalformedHeaders)
{
    const auto good = Bitmap(1, 1, 24, 0, {1, 2, 3, 0});
    ASSERT_TRUE(DecodeBmp(good));
    auto variant = [&](auto change) {
        auto bytes = good;
        change(bytes);
        return DecodeBmp(bytes).has_value();
    };
    EXPECT_FALSE(variant([](auto& b) { b[0] = 'X'; }));
    EXPECT_FALSE(variant([](auto& b) { Put(b, 28, 16, 2); }));          // 16 bits
    EXPECT_FALSE(variant([](auto& b) { Put(b, 30, 1, 4); }));           // compressed
    EXPECT_FALSE(variant([](auto& b) { Put(b, 18, 0, 4); }));           // no width
    EXPECT_FALSE(variant([](auto& b) { Put(b, 18, 0x80000000, 4); }));  // negative width
    EXPECT_FALSE(variant([](auto& b) { Put(b, 22, 100000, 4); }));      // huge height
    EXPECT_FALSE(variant([](auto& b) { Put(b, 10, 0xFFFFFFF0, 4); }));  // pixels past the end
    EXPECT_FALSE(variant([](auto& b) { Put(b, 14, 0x7FFFFFFF, 4); }));  // header past the end
    EXPECT_FALSE(variant([](auto& b) { Put(b, 26, 2, 2); }));           // two planes
}

TEST(DecodeBmp, EveryShortenedFileIsRefused)
{
    const auto bytes = Bitmap(4, 3, 24, 0, std::vector<std::uint8_t>(4 * 3 * 3, 0x80));
    ASSERT_TRUE(DecodeBmp(bytes));
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(DecodeBmp(std::span(bytes.data(), length))) << length;
}

TEST(EmbeddedPictures, ThePlaceholderIsAThirtyTwoPixelCarOnGrey)
{
    const Image image = PlaceholderPicture();
    EXPECT_EQ(image.Width(), 32);
    EXPECT_EQ(image.Height(), 32);
    EXPECT_EQ(image.At(0, 0), MakeRgb(128, 128, 128));
    EXPECT_EQ(image.At(10, 2), MakeRgb(220, 20, 20));  // the front wing, at the top
    EXPECT_GT(test::CountColour(image, MakeRgb(255, 255, 255)), 100);  // body
    EXPECT_GT(test::CountColour(image, MakeRgb(0, 0, 0)), 50);         // wheels
    EXPECT_GT(test::CountColour(image, MakeRgb(220, 20, 20)), 50);     // wings
}

TEST(EmbeddedPictures, TheTemplateCompletedBehindItsHeadersIsTheMapBackground)
{
    const auto& bytes = PictureTemplate();
    EXPECT_EQ(bytes.size(), 1334u);
    // The template alone promises far more pixels than it carries.
    EXPECT_FALSE(DecodeBmp(bytes));
    std::vector<std::uint8_t> area(1078 + 512 * 560, 240);
    std::memcpy(area.data(), bytes.data(), bytes.size());
    const auto image = DecodeBmp(area);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), 512);
    EXPECT_EQ(image->Height(), 560);
    EXPECT_EQ(test::CountColour(*image, MakeRgb(0, 100, 150)), 512 * 560);
}

TEST(EmbeddedPictures, TheTemplatePaletteHoldsTheTerrainColours)
{
    const auto& bytes = PictureTemplate();
    auto entry = [&](int i) { return MakeRgb(bytes[54 + 4 * i + 2], bytes[54 + 4 * i + 1], bytes[54 + 4 * i]); };
    EXPECT_EQ(entry(240), MakeRgb(0, 100, 150));
    EXPECT_EQ(entry(23), MakeRgb(158, 158, 158));
    EXPECT_EQ(entry(42), MakeRgb(145, 202, 91));
    EXPECT_EQ(entry(154), MakeRgb(190, 210, 130));
    EXPECT_EQ(entry(104), MakeRgb(245, 250, 255));
    EXPECT_EQ(entry(244), MakeRgb(255, 0, 0));
    EXPECT_EQ(entry(9), MakeRgb(62, 62, 62));
    EXPECT_EQ(entry(0), MakeRgb(0, 0, 0));
}

}  // namespace
}  // namespace vx
