// Fonts, and text measured and drawn with GDI onto the program's images,
// without antialiasing: text pixels are the text colour or left alone.
#include "toolkit/win32/Win32Window.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vx {

std::uint64_t Win32WindowSystem::MakeFont(const std::string& face, int pixelHeight, bool bold)
{
    if (!Started() || pixelHeight <= 0)
        return 0;
    // A negative height is the character's own height, as the points ask
    // for; no antialiasing, so text pixels are the text colour or untouched.
    Font font(CreateFontW(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(face).c_str()));
    if (font == nullptr)
        return 0;
    TEXTMETRICW metrics{};
    {
        const SelectedObject selected(screen_.get(), font.get());
        GetTextMetricsW(screen_.get(), &metrics);
    }
    const std::uint64_t id = next_++;
    fonts_[id] = {std::move(font), {static_cast<int>(metrics.tmAscent), static_cast<int>(metrics.tmHeight)}};
    return id;
}

void Win32WindowSystem::ReleaseFont(std::uint64_t font)
{
    if (font != defaultFont_)
        fonts_.erase(font);
}

std::uint64_t Win32WindowSystem::DefaultFont()
{
    if (defaultFont_ == 0)
        defaultFont_ = MakeFont("Arial", 13, true);
    return defaultFont_;
}

FontMetrics Win32WindowSystem::MetricsOf(std::uint64_t font)
{
    const auto it = fonts_.find(font);
    return it == fonts_.end() ? FontMetrics{} : it->second.metrics;
}

int Win32WindowSystem::TextWidth(std::uint64_t font, std::string_view text)
{
    const auto it = fonts_.find(font);
    if (it == fonts_.end() || text.empty())
        return 0;
    const std::wstring wide = Wide(text);
    const SelectedObject selected(screen_.get(), it->second.font.get());
    SIZE size{};
    GetTextExtentPoint32W(screen_.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
}

void Win32WindowSystem::DrawText(Image& image, std::uint64_t font, int x, int y, std::string_view text,
                             Colour colour)
{
    const auto it = fonts_.find(font);
    if (it == fonts_.end() || text.empty())
        return;
    // The glyphs are drawn on a DIB section holding the pixels of the text's
    // box, which then go back into the image. The box reaches a line's
    // height past the measured width: glyphs may overhang their advance, and
    // a substituted face (Wine has no Arial) may draw wider than it measures.
    const int width = TextWidth(font, text) + it->second.metrics.height;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + width, image.Width()));
    const int y1 = std::min(y + it->second.metrics.height, image.Height());
    if (x0 >= x1 || y0 >= y1)
        return;
    const int w = x1 - x0, h = y1 - y0;
    BITMAPINFO info = InfoOf(w, h);
    void* bits = nullptr;
    const HDC dc = screen_.get();
    const Bitmap section(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section == nullptr)
        return;
    auto* words = static_cast<std::uint32_t*>(bits);
    for (int row = 0; row < h; ++row)
        std::memcpy(words + static_cast<std::size_t>(row) * w,
                    image.Words() + static_cast<std::size_t>(y0 + row) * image.Width() + x0,
                    static_cast<std::size_t>(w) * 4);
    {
        const SelectedObject selectedBitmap(dc, section.get());
        const SelectedObject selectedFont(dc, it->second.font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorRef(colour));
        SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    // Each glyph stands where the measurement put it: a face whose hinted
    // advances differ from its measured ones (Wine's stand-ins) would
    // otherwise drift right of the width the layout was made for.
        const std::wstring wide = Wide(text);
        const int count = static_cast<int>(wide.size());
        std::vector<INT> ends(wide.size()), advances(wide.size());
        SIZE size{};
        GetTextExtentExPointW(dc, wide.c_str(), count, 0, nullptr, ends.data(), &size);
        for (std::size_t i = 0; i < wide.size(); ++i)
            advances[i] = ends[i] - (i == 0 ? 0 : ends[i - 1]);
        ExtTextOutW(dc, x - x0, y - y0, 0, nullptr, wide.c_str(), static_cast<UINT>(count),
                    advances.data());
        GdiFlush();
    }
    for (int row = 0; row < h; ++row) {
        std::uint32_t* to = image.Words() + static_cast<std::size_t>(y0 + row) * image.Width() + x0;
        const std::uint32_t* from = words + static_cast<std::size_t>(row) * w;
        for (int col = 0; col < w; ++col)
            to[col] = from[col] | Image::kOpaque;  // GDI leaves the fourth byte 0
    }
}

}  // namespace vx
