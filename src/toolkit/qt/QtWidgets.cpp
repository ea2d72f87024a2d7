// The widgets of our own: the top-level window, which shows its client area
// at the scale that fits its screen, the labels and the sliders; and the
// conversions the window system's files share (QtWidgets.h).
#include "toolkit/qt/QtWidgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QVariant>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cstring>

#include "toolkit/Scaling.h"

namespace vx {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QColor QColorOf(Colour colour)
{
    return QColor(colour & 255, (colour >> 8) & 255, (colour >> 16) & 255);
}

// The image's own pixels as a QImage (no copy): the image's words are Qt's
// 0xFFRRGGBB.
QImage Wrap(Image& image)
{
    return QImage(reinterpret_cast<uchar*>(image.Words()), image.Width(), image.Height(),
                  image.Width() * 4, QImage::Format_RGB32);
}

Image ImageOf(const QImage& picture)
{
    // RGB32 words are the image's own (their alpha byte always 255).
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    Image image(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(image.Words() + static_cast<std::size_t>(y) * image.Width(), rgb.constScanLine(y),
                    static_cast<std::size_t>(rgb.width()) * 4);
    return image;
}

QRect ProgramPlace(const QWidget& control)
{
    const QVariant place = control.property(kProgramPlace);
    return place.isValid() ? place.toRect() : control.geometry();
}

AppWindow::AppWindow(QtWindowSystem& system, std::uint64_t id, QSize client)
    : system_(system), id_(id), client_(client)
{
}

void AppWindow::Place(QWidget& control, const QRect& place)
{
    control.setProperty(kProgramPlace, place);
    control.setGeometry(Scaled(place));
}

void AppWindow::Fit()
{
    const QScreen* screen = this->screen();
    if (screen == nullptr || fitting_)
        return;
    fitting_ = true;
    const double ratio = devicePixelRatioF();
    const QRect work = screen->availableGeometry();
    const QMargins frame = Frame();
    const auto onScreen = [ratio](int length) { return ScaledLength(length, ratio); };
    const double scale =
        FitScale(ratio, {client_.width(), client_.height()},
                 {onScreen(frame.left() + frame.right()), onScreen(frame.top() + frame.bottom())},
                 {onScreen(work.width()), onScreen(work.height())});
    const double factor = scale / ratio;
    if (factor != factor_ || !fitted_) {
        const bool wasScaled = factor_ != 1.0;
        factor_ = factor;
        fitted_ = true;
        setFixedSize(Scaled(QRect(QPoint(), client_)).size());
        if (factor_ != 1.0 || wasScaled)
            setFont(factor_ == 1.0 ? QFont() : FontAt(factor_));
        for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control->property(kProgramPlace).isValid())
                control->setGeometry(Scaled(ProgramPlace(*control)));
        // The frame's top left is the window's position: the whole
        // window in the work area where it can be. (A window the user
        // moves later goes where they put it.)
        const int outerWidth = width() + frame.left() + frame.right();
        const int outerHeight = height() + frame.top() + frame.bottom();
        const QPoint at(std::clamp(pos().x(), work.left(), std::max(work.left(), work.right() + 1 - outerWidth)),
                        std::clamp(pos().y(), work.top(), std::max(work.top(), work.bottom() + 1 - outerHeight)));
        if (at != pos())
            move(at);
    }
    fitting_ = false;
}

bool AppWindow::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // Shown, framed by the window manager or moved to another screen:
    // the scale that fits may have changed.
    if (event->type() == QEvent::Show || event->type() == QEvent::Move ||
        event->type() == QEvent::ScreenChangeInternal)
        Fit();
    return handled;
}

void AppWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    system_.Post({.kind = PlatformEvent::Kind::Close, .window = id_});
}

void AppWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void AppWindow::dropEvent(QDropEvent* event)
{
    const QString file = LocalFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    system_.Post({PlatformEvent::Kind::Drop, 0, ToPath(file)});
}

QString AppWindow::LocalFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty() ||
        !data->urls().front().isLocalFile())
        return {};
    return data->urls().front().toLocalFile();
}

QRect AppWindow::Scaled(const QRect& place) const
{
    if (factor_ == 1.0)
        return place;
    const int left = ScaledLength(place.x(), factor_);
    const int top = ScaledLength(place.y(), factor_);
    return QRect(left, top, ScaledLength(place.x() + place.width(), factor_) - left,
                 ScaledLength(place.y() + place.height(), factor_) - top);
}

QMargins AppWindow::Frame() const
{
    const QMargins known = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    if (!known.isNull())
        return known;
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {border, title + border, border, border};
}

QFont AppWindow::FontAt(double factor)
{
    QFont font = QApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(std::max(1, ScaledLength(font.pixelSize(), factor)));
    return font;
}

TextLabel::TextLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TextLabel::SetWholeText(const QString& text)
{
    whole_ = text;
    Fit();
}

void TextLabel::SetEndEllipsis(bool on)
{
    endEllipsis_ = on;
    Fit();
}

void TextLabel::SetWrap(bool on)
{
    setWordWrap(on);
    Fit();
}

void TextLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}

void TextLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Fit();  // the window's scale changed
}

void TextLabel::Fit()
{
    // Lines broken to fit are never cut short as well.
    const bool elide = endEllipsis_ && !wordWrap();
    setText(elide ? fontMetrics().elidedText(whole_, Qt::ElideRight, width()) : whole_);
}

void StepSlider::wheelEvent(QWheelEvent* event)
{
    wheelDelta_ += event->angleDelta().y() + event->angleDelta().x();
    const int steps = wheelDelta_ / 120;
    wheelDelta_ -= steps * 120;
    if (steps != 0)
        setValue(value() + steps);
    event->accept();
}

}  // namespace vx
