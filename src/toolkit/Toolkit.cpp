// Images, drawing, fonts and text, files and memory of the toolkit. Windows,
// controls, events and requesters are in Gui.cpp, JPEG in Jpeg.cpp.
#include "toolkit/Toolkit.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "toolkit/Bmp.h"
#include "toolkit/GuiInternal.h"
#include "toolkit/Text.h"

namespace vx {

struct Toolkit::FontSlot {
    FontHandle handle = 0;
    QFont font;
    int ascent = 0;
    int height = 0;
};

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

void MakeFont(Toolkit::FontSlot& slot, const QStringList& families, int pixelSize, bool bold)
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
    const QFontMetrics metrics(font);
    slot.font = font;
    slot.ascent = metrics.ascent();
    slot.height = metrics.height();
}

// A drawing's default font: one fixed face and size, whatever the desktop.
const Toolkit::FontSlot& SystemFont()
{
    static const Toolkit::FontSlot slot = [] {
        Toolkit::FontSlot s;
        s.handle = kSystemFont;
        MakeFont(s, {"Liberation Sans", "DejaVu Sans"}, 13, true);
        return s;
    }();
    return slot;
}

QString FromBytes(std::string_view text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

QImage Wrap(Image& image)
{
    return QImage(reinterpret_cast<uchar*>(image.Words()), image.Width(), image.Height(),
                  image.Width() * 4, QImage::Format_RGBX8888);
}

QImage Wrap(const Image& image)
{
    return QImage(reinterpret_cast<const uchar*>(image.Words()), image.Width(), image.Height(),
                  image.Width() * 4, QImage::Format_RGBX8888);
}

QColor ToQColor(Colour colour)
{
    return QColor(colour & 255, (colour >> 8) & 255, (colour >> 16) & 255);
}

}  // namespace

QImage ToQImage(const Image& image)
{
    return Wrap(image).copy();
}

Toolkit::Toolkit() : gui_(std::make_unique<Gui>(*this)) {}

Toolkit::~Toolkit()
{
    ShutdownToolkit();
}

void Toolkit::ShutdownToolkit()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    EndDrawing();
    images_.clear();
    gui_.reset();  // controls, then windows
    fonts_.clear();
    for (const auto& [number, fd] : files_)
        ::close(fd);
    files_.clear();
    requester_.reset();
}

// --- Images -----------------------------------------------------------------

Toolkit::ImageSlot* Toolkit::PutImage(int number, std::unique_ptr<Image> image)
{
    DestroyImage(number);
    ImageSlot& slot = images_[number];
    slot.handle = nextSerial_++;
    slot.image = std::move(image);
    return &slot;
}

void Toolkit::DestroyImage(int number)
{
    const auto it = images_.find(number);
    if (it == images_.end())
        return;
    if (drawing_.handle == it->second.handle)
        EndDrawing();  // the drawing's target goes away with it
    images_.erase(it);
}

int Toolkit::CreateImageSlot(int number, int width, int height)
{
    if (number < 0 || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return 0;
    PutImage(number, std::make_unique<Image>(width, height, MakeRgb(0, 0, 0)));
    return 1;
}

int Toolkit::CatchBitmapImage(int number, std::span<const std::uint8_t> bmp)
{
    if (number < 0)
        return 0;
    std::optional<Image> decoded = DecodeBmp(bmp);
    if (!decoded)
        return 0;
    PutImage(number, std::make_unique<Image>(std::move(*decoded)));
    return 1;
}

int Toolkit::CopyImageSlot(int source, int target)
{
    const Image* from = FindImage(source);
    if (from == nullptr || target < 0)
        return 0;
    if (source == target)
        return 1;
    auto copy = std::make_unique<Image>(*from);
    PutImage(target, std::move(copy));
    return 1;
}

bool Toolkit::ImageExists(int number) const
{
    return images_.count(number) != 0;
}

ImageHandle Toolkit::ImageHandleOf(int number) const
{
    const auto it = images_.find(number);
    return it == images_.end() ? 0 : it->second.handle;
}

DrawTarget Toolkit::ImageDrawTarget(int number) const
{
    return ImageHandleOf(number);
}

Image* Toolkit::FindImage(int number)
{
    const auto it = images_.find(number);
    return it == images_.end() ? nullptr : it->second.image.get();
}

const Image* Toolkit::FindImage(int number) const
{
    const auto it = images_.find(number);
    return it == images_.end() ? nullptr : it->second.image.get();
}

int Toolkit::SaveImageAsPng(int number, const std::string& path)
{
    const Image* image = FindImage(number);
    if (image == nullptr) {
        lastError_ = "there is no picture to save";
        return 0;
    }
    return SaveQImagePng(ToQImage(*image), path, lastError_);
}

// --- Drawing ----------------------------------------------------------------

int Toolkit::BeginDrawing(DrawTarget target)
{
    EndDrawing();
    if (target == 0)
        return 0;
    for (auto& [number, slot] : images_) {
        if (slot.handle == target) {
            drawing_ = DrawingState{};
            drawing_.target = slot.image.get();
            drawing_.handle = slot.handle;
            return 1;
        }
    }
    return 0;
}

void Toolkit::EndDrawing()
{
    drawing_ = DrawingState{};
}

void Toolkit::SetDrawingFont(FontHandle font)
{
    if (!Drawing())
        return;
    if (font == kSystemFont || FindFont(font) != nullptr)
        drawing_.font = font;
}

void Toolkit::SetDrawingMode(int mode)
{
    if (Drawing())
        drawing_.mode = mode;
}

void Toolkit::PlotPixel(std::int64_t x, std::int64_t y, Colour colour)
{
    if (Drawing())
        vx::PlotPixel(*drawing_.target, x, y, colour);
}

void Toolkit::FillBox(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                      Colour colour)
{
    if (Drawing())
        vx::FillBox(*drawing_.target, x, y, w, h, colour);
}

void Toolkit::DrawSegment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                          Colour colour)
{
    if (Drawing())
        vx::DrawSegment(*drawing_.target, x1, y1, x2, y2, colour);
}

void Toolkit::DrawLineBy(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                         Colour colour)
{
    if (Drawing())
        vx::DrawLineBy(*drawing_.target, x, y, w, h, colour);
}

void Toolkit::FloodFillArea(std::int64_t x, std::int64_t y, std::int64_t boundary, Colour fill)
{
    if (Drawing())
        vx::FloodFillArea(*drawing_.target, x, y, boundary, fill);
}

int Toolkit::DrawTextAt(int x, int y, std::string_view text)
{
    return DrawText(x, y, text, drawing_.front, drawing_.mode == 0, drawing_.back);
}

int Toolkit::DrawTextAt(int x, int y, std::string_view text, Colour textColour)
{
    return DrawText(x, y, text, textColour, drawing_.mode == 0, drawing_.back);
}

int Toolkit::DrawTextAt(int x, int y, std::string_view text, Colour textColour,
                        Colour background)
{
    return DrawText(x, y, text, textColour, drawing_.mode == 0, background);
}

int Toolkit::DrawText(int x, int y, std::string_view text, Colour colour, bool opaque,
                      Colour background)
{
    if (!Drawing())
        return 0;
    const FontSlot* slot = FindFont(drawing_.font);
    if (slot == nullptr)
        slot = &SystemFont();
    const QString qtext = FromBytes(text);
    const int width = QFontMetrics(slot->font).horizontalAdvance(qtext);
    if (!text.empty()) {
        QImage canvas = Wrap(*drawing_.target);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        if (opaque)
            painter.fillRect(x, y, width, slot->height, ToQColor(background));
        painter.setFont(slot->font);
        painter.setPen(ToQColor(colour));
        painter.drawText(x, y + slot->ascent, qtext);
    }
    return x + width;
}

int Toolkit::MeasureTextWidth(std::string_view text)
{
    if (!Drawing() || text.empty())
        return 0;
    const FontSlot* slot = FindFont(drawing_.font);
    if (slot == nullptr)
        slot = &SystemFont();
    return QFontMetrics(slot->font).horizontalAdvance(FromBytes(text));
}

// --- Fonts ------------------------------------------------------------------

FontHandle Toolkit::LoadFontSlot(int number, const std::string& face, int points, int flags)
{
    if (number < 0 || face.empty() || points <= 0 || points > 1000)
        return 0;
    // MulDiv(points, 96, 72): rounded to the nearest integer, halves away from 0.
    const int pixels = (points * 96 + 36) / 72;
    auto slot = std::make_unique<FontSlot>();
    slot->handle = static_cast<FontHandle>(nextSerial_++);
    MakeFont(*slot, FamiliesFor(face), pixels, (flags & kFontBold) != 0);
    const FontHandle handle = slot->handle;
    fonts_[number] = std::move(slot);
    return handle;
}

FontHandle Toolkit::FontHandleOf(int number) const
{
    const auto it = fonts_.find(number);
    return it == fonts_.end() ? 0 : it->second->handle;
}

const Toolkit::FontSlot* Toolkit::FindFont(FontHandle font) const
{
    if (font == kSystemFont)
        return &SystemFont();
    for (const auto& [number, slot] : fonts_)
        if (slot->handle == font)
            return slot.get();
    return nullptr;
}

int Toolkit::FontCellHeight(FontHandle font) const
{
    const FontSlot* slot = FindFont(font);
    return slot == nullptr ? 0 : slot->height;
}

// --- Files and memory -------------------------------------------------------

int Toolkit::OpenFileForRead(int number, const std::string& path)
{
    CloseFileSlot(number);
    if (number < 0 || path.empty())
        return 0;
    // Non-blocking open, so that a named pipe cannot hang the window; only
    // regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        lastError_ = std::strerror(errno);
        return 0;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        lastError_ = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return 0;
    }
    files_[number] = fd;
    return 1;
}

std::int64_t Toolkit::FileLength(int number) const
{
    const auto it = files_.find(number);
    if (it == files_.end())
        return 0;
    struct stat info {};
    if (::fstat(it->second, &info) != 0)
        return 0;
    return static_cast<std::int64_t>(info.st_size);
}

Toolkit::FileStamp Toolkit::FileStampOf(int number) const
{
    const auto it = files_.find(number);
    struct stat info {};
    if (it == files_.end() || ::fstat(it->second, &info) != 0)
        return {};
    const auto ns = [](const struct timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return {static_cast<std::int64_t>(info.st_size), static_cast<std::uint64_t>(info.st_dev),
            static_cast<std::uint64_t>(info.st_ino), ns(info.st_mtim), ns(info.st_ctim)};
}

std::int64_t Toolkit::ReadFileBytes(int number, std::uint8_t* destination, std::int64_t count)
{
    const auto it = files_.find(number);
    if (it == files_.end() || destination == nullptr || count <= 0)
        return 0;
    lastError_.clear();
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(it->second, destination + done,
                                   static_cast<std::size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            lastError_ = std::strerror(errno);
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void Toolkit::CloseFileSlot(int number)
{
    const auto it = files_.find(number);
    if (it == files_.end())
        return;
    ::close(it->second);
    files_.erase(it);
}

std::uint8_t* Toolkit::AllocateMemory(std::int64_t size)
{
    if (size <= 0)
        return nullptr;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow)
                                              std::uint8_t[static_cast<std::size_t>(size)]());
    if (!block)
        return nullptr;
    blocks_.push_back(std::move(block));
    return blocks_.back().get();
}

void Toolkit::CopyBytes(const std::uint8_t* source, std::uint8_t* destination,
                        std::int64_t count)
{
    if (source != nullptr && destination != nullptr && count > 0)
        std::memmove(destination, source, static_cast<std::size_t>(count));
}

void Toolkit::WriteByteAt(std::uint8_t* position, std::int64_t value)
{
    if (position != nullptr)
        *position = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace vx
