// Fonts, and text measured and drawn with Qt's painter onto the program's
// images, without antialiasing: text pixels are the text colour or left
// alone.
#include "toolkit/qt/QtWidgets.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace vx {

namespace {

// The faces the program asks for, and what stands in for them here: a metric
// twin of the sans face and a monospaced face.
QStringList FamiliesFor(const std::string& face)
{
    if (face == "Arial")
        return {"Liberation Sans", "Arimo", "DejaVu Sans"};
    if (face == "Lucida Console")
        return {"DejaVu Sans Mono", "Liberation Mono"};
    return {QString::fromStdString(face), "DejaVu Sans"};
}

QFont FontOf(const QStringList& families, int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    // Crisp glyphs: text pixels are the text colour or left alone, so the
    // pictures hold exactly the colours drawn.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

}  // namespace

std::uint64_t QtWindowSystem::MakeFont(const std::string& face, int pixelHeight, bool bold)
{
    if (!Started() || pixelHeight <= 0)
        return 0;
    Font font;
    font.font = FontOf(FamiliesFor(face), pixelHeight, bold);
    const QFontMetrics metrics(font.font);
    font.metrics = {metrics.ascent(), metrics.height()};
    const std::uint64_t id = next_++;
    fonts_[id] = font;
    return id;
}

void QtWindowSystem::ReleaseFont(std::uint64_t font)
{
    if (font != defaultFont_)
        fonts_.erase(font);
}

std::uint64_t QtWindowSystem::DefaultFont()
{
    if (defaultFont_ == 0 && Started()) {
        Font font;
        font.font = FontOf({"Liberation Sans", "DejaVu Sans"}, 13, true);
        const QFontMetrics metrics(font.font);
        font.metrics = {metrics.ascent(), metrics.height()};
        defaultFont_ = next_++;
        fonts_[defaultFont_] = font;
    }
    return defaultFont_;
}

FontMetrics QtWindowSystem::MetricsOf(std::uint64_t font)
{
    const auto it = fonts_.find(font);
    return it == fonts_.end() ? FontMetrics{} : it->second.metrics;
}

int QtWindowSystem::TextWidth(std::uint64_t font, std::string_view text)
{
    const auto it = fonts_.find(font);
    if (it == fonts_.end() || text.empty())
        return 0;
    return QFontMetrics(it->second.font).horizontalAdvance(FromUtf8(text));
}

void QtWindowSystem::DrawText(Image& image, std::uint64_t font, int x, int y, std::string_view text,
                          Colour colour)
{
    const auto it = fonts_.find(font);
    if (it == fonts_.end() || text.empty())
        return;
    QImage canvas = Wrap(image);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(it->second.font);
    painter.setPen(QColorOf(colour));
    painter.drawText(x, y + it->second.metrics.ascent, FromUtf8(text));
}

}  // namespace vx
