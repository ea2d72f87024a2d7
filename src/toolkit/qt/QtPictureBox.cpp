// The picture box: shows its picture at the top left and takes its size,
// enlarged without smoothing on a scaled screen, and reports what the
// pointer does over it in the picture's own pixels while it tracks it.
#include "toolkit/qt/QtWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <cstring>

#include "toolkit/Scaling.h"

namespace vx {

PictureBox::PictureBox(QtWindowSystem& system, int tag, QWidget* parent)
    : QWidget(parent), system_(system), tag_(tag)
{
}

void PictureBox::Track(bool on)
{
    tracking_ = on;
    inside_ = false;
    wheelDelta_ = 0;
    setMouseTracking(on);
}

void PictureBox::Show(const Image* picture)
{
    if (picture == nullptr) {
        picture_ = QImage();
    } else {
        if (picture_.width() != picture->Width() || picture_.height() != picture->Height())
            picture_ = QImage(picture->Width(), picture->Height(), QImage::Format_RGB32);
        for (int y = 0; y < picture->Height(); ++y)
            std::memcpy(picture_.scanLine(y),
                        picture->Words() + static_cast<std::size_t>(y) * picture->Width(),
                        static_cast<std::size_t>(picture->Width()) * 4);
        const QRect place(ProgramPlace(*this).topLeft(), picture_.size());
        if (auto* window = dynamic_cast<AppWindow*>(parentWidget()))
            window->Place(*this, place);
        else
            resize(place.size());
    }
    enlarged_ = QImage();
    // A picture covers the whole box: nothing need be painted beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent, !picture_.isNull());
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    const QSize onScreen = ScreenSize();
    if (onScreen == picture_.size()) {
        painter.drawImage(0, 0, picture_);
        return;
    }
    if (enlarged_.size() != onScreen) {
        enlarged_ = QImage(onScreen, QImage::Format_RGB32);
        ScaleNearest({reinterpret_cast<const std::uint32_t*>(picture_.constBits()), WordCount(picture_)},
                     picture_.width(), picture_.height(),
                     {reinterpret_cast<std::uint32_t*>(enlarged_.bits()), WordCount(enlarged_)},
                     onScreen.width(), onScreen.height());
    }
    // Enlarged here, one screen pixel to each of the image's, smoothing
    // off: no blend can arise, whatever Qt would do scaling it itself.
    enlarged_.setDevicePixelRatio(devicePixelRatioF());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPointF(0, 0), enlarged_);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // While the button is held the box sees the pointer beyond it too.
    if (!tracking_ || !rect().contains(at))
        return QWidget::mouseMoveEvent(event);
    inside_ = true;
    Raise(PointerAction::Move, PicturePoint(event->position()), Shift(event));
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    const bool left = event->button() == Qt::LeftButton;
    if (!tracking_ || (!left && event->button() != Qt::RightButton))
        return QWidget::mousePressEvent(event);
    Raise(left ? PointerAction::Press : PointerAction::RightPress, PicturePoint(event->position()),
          Shift(event));
}

void PictureBox::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (tracking_ && inside_) {
        inside_ = false;
        Raise(PointerAction::Leave, {});
    }
}

void PictureBox::wheelEvent(QWheelEvent* event)
{
    if (!tracking_)
        return QWidget::wheelEvent(event);  // on to the window
    event->accept();
    wheelDelta_ += event->angleDelta().y();
    const int steps = wheelDelta_ / 120;
    wheelDelta_ -= steps * 120;
    if (steps != 0)
        Raise(PointerAction::Wheel, PicturePoint(event->position()), Shift(event), steps);
}

QSize PictureBox::ScreenSize() const
{
    const double ratio = devicePixelRatioF();
    return {ScaledLength(width(), ratio), ScaledLength(height(), ratio)};
}

QPoint PictureBox::PicturePoint(QPointF at) const
{
    const QSize onScreen = ScreenSize();
    if (picture_.isNull() || onScreen == picture_.size())
        return at.toPoint();
    const double ratio = devicePixelRatioF();
    return {PicturePixelAt(static_cast<int>(std::floor(at.x() * ratio)), picture_.width(), onScreen.width()),
            PicturePixelAt(static_cast<int>(std::floor(at.y() * ratio)), picture_.height(), onScreen.height())};
}

std::size_t PictureBox::WordCount(const QImage& image)
{
    return static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height());
}

bool PictureBox::Shift(const QInputEvent* event)
{
    return (event->modifiers() & Qt::ShiftModifier) != 0;
}

void PictureBox::Raise(PointerAction action, QPoint at, bool shift, int wheelSteps)
{
    system_.Post({.kind = PlatformEvent::Kind::Pointer, .tag = tag_, .action = action,
                  .x = at.x(), .y = at.y(), .wheelSteps = wheelSteps, .shift = shift});
}

}  // namespace vx
