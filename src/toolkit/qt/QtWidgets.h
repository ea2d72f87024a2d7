// The widgets of our own that the window system builds its windows of
// (QtWidgets.cpp, QtPictureBox.cpp), and the conversions between the
// program's texts, paths, colours and images and Qt's that the files of the
// window system share. Never included outside this folder.
#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QMargins>
#include <QSlider>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/Image.h"
#include "toolkit/qt/QtWindowSystem.h"

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QInputEvent;
class QMimeData;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QWheelEvent;

namespace vx {

// Texts are UTF-8; paths are the system's bytes.
QString FromUtf8(std::string_view text);
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);
QColor QColorOf(Colour colour);
// The image's own pixels as a QImage (no copy): the image's words are Qt's
// 0xFFRRGGBB.
QImage Wrap(Image& image);
// A copy of the picture's pixels.
Image ImageOf(const QImage& picture);

// Where a control stands in the program's pixels, kept with the control:
// its window places it anew whenever the window's scale changes.
inline constexpr const char* kProgramPlace = "programPlace";

QRect ProgramPlace(const QWidget& control);

// The top-level window: a close request and a dropped file become events of
// the program's loop; the window itself stays until it is destroyed. Its
// client area and controls are given in the program's pixels and shown at
// the scale that fits its screen.
class AppWindow : public QWidget {
public:
    AppWindow(QtWindowSystem& system, std::uint64_t id, QSize client);

    // Puts the control at place, in the program's pixels.
    void Place(QWidget& control, const QRect& place);

    // Takes the scale of the window's screen, or the largest that fits its
    // work area, frame included (see FitScale), and with a new scale puts
    // the window inside the work area. At the screen's own scale every
    // length is Qt's, as given; below it the window's lengths and font
    // shrink by the ratio.
    void Fit();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    static QString LocalFile(const QMimeData* data);
    // The place in Qt's lengths: each edge scaled, so that neighbours stay
    // neighbours.
    QRect Scaled(const QRect& place) const;
    // The window manager's frame once it has framed the window. Until then
    // (and where none frames it) a title bar and borders as the style draws
    // them are assumed, so that the window fits with whatever frame comes.
    QMargins Frame() const;
    static QFont FontAt(double factor);
    QtWindowSystem& system_;
    std::uint64_t id_;
    QSize client_;         // in the program's pixels
    double factor_ = 1.0;  // Qt's lengths per program pixel
    bool fitted_ = false;
    bool fitting_ = false;  // a move made while fitting is not fitted again
};

// A static text: plain, at the top left of its box; with the end-ellipsis
// style a text too wide for the box ends in "\u2026" (the text itself is kept).
class TextLabel : public QLabel {
public:
    explicit TextLabel(QWidget* parent);
    void SetWholeText(const QString& text);
    void SetEndEllipsis(bool on);
    void SetWrap(bool on);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Fit();
    QString whole_;
    bool endEllipsis_ = false;
};

// A picture box: shows its picture at the top left and takes its size. The
// picture is kept in the window system's own format, so showing one is a
// copy of its pixels into the box's buffer, reused while the size stays.
// On a scaled screen it shows the picture enlarged to the box's screen
// pixels without smoothing, and reports the pointer in the picture's pixels.
// While it tracks the pointer, what the pointer does over it is an event.
class PictureBox : public QWidget {
public:
    PictureBox(QtWindowSystem& system, int tag, QWidget* parent);
    void Track(bool on);
    void Show(const Image* picture);
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The box on the screen, in the screen's pixels.
    QSize ScreenSize() const;
    // The picture's pixel under the pointer at (in Qt's lengths).
    QPoint PicturePoint(QPointF at) const;
    // An RGB32 image's words: its rows lie one after another.
    static std::size_t WordCount(const QImage& image);
    static bool Shift(const QInputEvent* event);
    void Raise(PointerAction action, QPoint at, bool shift = false, int wheelSteps = 0);
    QImage picture_;
    QImage enlarged_;  // the picture at the box's screen size, made when painted
    QtWindowSystem& system_;
    int tag_;
    bool tracking_ = false;
    bool inside_ = false;  // a move was reported since the last leave
    int wheelDelta_ = 0;   // what is left of a part turn, in 120ths of a notch
};

// A slider that moves one step per notch of the wheel, as the arrow keys do.
class StepSlider : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    int wheelDelta_ = 0;
};

}  // namespace vx
