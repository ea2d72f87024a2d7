// The window system over Qt Widgets: text, windows and their placement,
// controls, events, timers, requesters and message boxes.
//
// The program runs its own event loop: Qt's signals only hand events to the
// sink, and the toolkit gives them out one at a time, so every handler runs
// to its end before the next event is read and nothing re-enters.
//
// Windows follow the desktop's scale (Qt's device pixel ratio) as long as
// they fit their screen's work area at it; where one would not, it takes the
// largest scale that fits, and its controls are placed, and their font
// sized, at that scale instead. Pictures are enlarged without smoothing.
#include "toolkit/qt/QtWindowSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleFactory>
#include <QTextLayout>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>

#include "toolkit/Scaling.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

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

// Where a control stands in the program's pixels, kept with the control:
// its window places it anew whenever the window's scale changes.
constexpr const char* kProgramPlace = "programPlace";

QRect ProgramPlace(const QWidget& control)
{
    const QVariant place = control.property(kProgramPlace);
    return place.isValid() ? place.toRect() : control.geometry();
}

// The top-level window: a close request and a dropped file become events of
// the program's loop; the window itself stays until it is destroyed. Its
// client area and controls are given in the program's pixels and shown at
// the scale that fits its screen.
class AppWindow : public QWidget {
public:
    AppWindow(QtWindowSystem& system, std::uint64_t id, QSize client)
        : system_(system), id_(id), client_(client)
    {
    }

    // Puts the control at place, in the program's pixels.
    void Place(QWidget& control, const QRect& place)
    {
        control.setProperty(kProgramPlace, place);
        control.setGeometry(Scaled(place));
    }

    // Takes the scale of the window's screen, or the largest that fits its
    // work area, frame included (see FitScale), and with a new scale puts
    // the window inside the work area. At the screen's own scale every
    // length is Qt's, as given; below it the window's lengths and font
    // shrink by the ratio.
    void Fit()
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

protected:
    bool event(QEvent* event) override
    {
        const bool handled = QWidget::event(event);
        // Shown, framed by the window manager or moved to another screen:
        // the scale that fits may have changed.
        if (event->type() == QEvent::Show || event->type() == QEvent::Move ||
            event->type() == QEvent::ScreenChangeInternal)
            Fit();
        return handled;
    }
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        system_.Post({.kind = PlatformEvent::Kind::Close, .window = id_});
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (!LocalFile(event->mimeData()).isEmpty())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        const QString file = LocalFile(event->mimeData());
        if (file.isEmpty())
            return;
        event->acceptProposedAction();
        system_.Post({PlatformEvent::Kind::Drop, 0, ToPath(file)});
    }

private:
    static QString LocalFile(const QMimeData* data)
    {
        if (data == nullptr || !data->hasUrls() || data->urls().isEmpty() ||
            !data->urls().front().isLocalFile())
            return {};
        return data->urls().front().toLocalFile();
    }
    // The place in Qt's lengths: each edge scaled, so that neighbours stay
    // neighbours.
    QRect Scaled(const QRect& place) const
    {
        if (factor_ == 1.0)
            return place;
        const int left = ScaledLength(place.x(), factor_);
        const int top = ScaledLength(place.y(), factor_);
        return QRect(left, top, ScaledLength(place.x() + place.width(), factor_) - left,
                     ScaledLength(place.y() + place.height(), factor_) - top);
    }
    // The window manager's frame once it has framed the window. Until then
    // (and where none frames it) a title bar and borders as the style draws
    // them are assumed, so that the window fits with whatever frame comes.
    QMargins Frame() const
    {
        const QMargins known = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
        if (!known.isNull())
            return known;
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        return {border, title + border, border, border};
    }
    static QFont FontAt(double factor)
    {
        QFont font = QApplication::font();
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * factor);
        else
            font.setPixelSize(std::max(1, ScaledLength(font.pixelSize(), factor)));
        return font;
    }
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
    explicit TextLabel(QWidget* parent) : QLabel(parent)
    {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    void SetWholeText(const QString& text)
    {
        whole_ = text;
        Fit();
    }
    void SetEndEllipsis(bool on)
    {
        endEllipsis_ = on;
        Fit();
    }
    void SetWrap(bool on)
    {
        setWordWrap(on);
        Fit();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        Fit();
    }
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            Fit();  // the window's scale changed
    }

private:
    void Fit()
    {
        // Lines broken to fit are never cut short as well.
        const bool elide = endEllipsis_ && !wordWrap();
        setText(elide ? fontMetrics().elidedText(whole_, Qt::ElideRight, width()) : whole_);
    }
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
    PictureBox(QtWindowSystem& system, int tag, QWidget* parent)
        : QWidget(parent), system_(system), tag_(tag)
    {
    }
    void Track(bool on)
    {
        tracking_ = on;
        inside_ = false;
        wheelDelta_ = 0;
        setMouseTracking(on);
    }
    void Show(const Image* picture)
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
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent*) override
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
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint at = event->position().toPoint();
        // While the button is held the box sees the pointer beyond it too.
        if (!tracking_ || !rect().contains(at))
            return QWidget::mouseMoveEvent(event);
        inside_ = true;
        Raise(PointerAction::Move, PicturePoint(event->position()), Shift(event));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        const bool left = event->button() == Qt::LeftButton;
        if (!tracking_ || (!left && event->button() != Qt::RightButton))
            return QWidget::mousePressEvent(event);
        Raise(left ? PointerAction::Press : PointerAction::RightPress, PicturePoint(event->position()),
              Shift(event));
    }
    void leaveEvent(QEvent* event) override
    {
        QWidget::leaveEvent(event);
        if (tracking_ && inside_) {
            inside_ = false;
            Raise(PointerAction::Leave, {});
        }
    }
    void wheelEvent(QWheelEvent* event) override
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

private:
    // The box on the screen, in the screen's pixels.
    QSize ScreenSize() const
    {
        const double ratio = devicePixelRatioF();
        return {ScaledLength(width(), ratio), ScaledLength(height(), ratio)};
    }
    // The picture's pixel under the pointer at (in Qt's lengths).
    QPoint PicturePoint(QPointF at) const
    {
        const QSize onScreen = ScreenSize();
        if (picture_.isNull() || onScreen == picture_.size())
            return at.toPoint();
        const double ratio = devicePixelRatioF();
        return {PicturePixelAt(static_cast<int>(std::floor(at.x() * ratio)), picture_.width(), onScreen.width()),
                PicturePixelAt(static_cast<int>(std::floor(at.y() * ratio)), picture_.height(), onScreen.height())};
    }
    // An RGB32 image's words: its rows lie one after another.
    static std::size_t WordCount(const QImage& image)
    {
        return static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height());
    }
    static bool Shift(const QInputEvent* event)
    {
        return (event->modifiers() & Qt::ShiftModifier) != 0;
    }
    void Raise(PointerAction action, QPoint at, bool shift = false, int wheelSteps = 0)
    {
        system_.Post({.kind = PlatformEvent::Kind::Pointer, .tag = tag_, .action = action,
                      .x = at.x(), .y = at.y(), .wheelSteps = wheelSteps, .shift = shift});
    }
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
    void wheelEvent(QWheelEvent* event) override
    {
        wheelDelta_ += event->angleDelta().y() + event->angleDelta().x();
        const int steps = wheelDelta_ / 120;
        wheelDelta_ -= steps * 120;
        if (steps != 0)
            setValue(value() + steps);
        event->accept();
    }

private:
    int wheelDelta_ = 0;
};

void (*g_displayUnreachable)() = nullptr;

// While nothing is shown, Qt's own notes (a missing runtime folder, font
// substitutions) are not the program's business: only its errors are said.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// While the window system starts: a display that cannot be reached ends
// Qt's start with a fatal message, which the program says in its own words.
void StartingMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg && g_displayUnreachable != nullptr)
        g_displayUnreachable();
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

WindowSystem& SystemWindows()
{
    static QtWindowSystem windows;
    return windows;
}

QtWindowSystem::~QtWindowSystem()
{
    for (auto& [id, widget] : widgets_)
        if (widget && widget->parent() == nullptr)
            delete widget.data();
}

// --- Start ----------------------------------------------------------------------

bool QtWindowSystem::Start(bool headless, void (*displayUnreachable)())
{
    if (QApplication::instance() != nullptr)
        return true;
    const bool hasDisplay = std::getenv("DISPLAY") != nullptr ||
                            std::getenv("WAYLAND_DISPLAY") != nullptr ||
                            std::getenv("QT_QPA_PLATFORM") != nullptr;
    if (headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Off-screen windows are pictured in the program's own pixels,
        // whatever scale the desktop asks for.
        unsetenv("QT_SCALE_FACTOR");
        unsetenv("QT_SCREEN_SCALE_FACTORS");
    } else if (!hasDisplay) {
        return false;
    }
    g_displayUnreachable = displayUnreachable;
    qInstallMessageHandler(headless ? QuietMessages : StartingMessages);
    static int argc = 1;
    static char name[] = "vxanalyser";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives as long as the process
    headless_ = headless;
    if (!headless)
        qInstallMessageHandler(nullptr);  // a shown window keeps Qt's notes
    // Qt takes the user's locale; numbers are always written with ".".
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    return true;
}

bool QtWindowSystem::Started() const
{
    return QApplication::instance() != nullptr;
}

// --- Text -----------------------------------------------------------------------

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

// --- Windows --------------------------------------------------------------------

QWidget* QtWindowSystem::Widget(std::uint64_t id) const
{
    const auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second.data();
}

std::uint64_t QtWindowSystem::OpenWindow(int x, int y, int width, int height, const std::string& title)
{
    if (!Started())
        return 0;
    const std::uint64_t id = next_++;
    auto* window = new AppWindow(*this, id, QSize(width, height));
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    window->setWindowTitle(FromUtf8(title));
    window->move(x, y);
    window->Fit();
    window->show();
    widgets_[id] = window;
    return id;
}

void QtWindowSystem::DestroyWindow(std::uint64_t window)
{
    delete Widget(window);
    // Its controls went with it.
    std::erase_if(widgets_, [](const auto& entry) { return entry.second.isNull(); });
}

void QtWindowSystem::SetWindowBackground(std::uint64_t window, Colour colour)
{
    QWidget* widget = Widget(window);
    if (widget == nullptr)
        return;
    // The window and every control in it, now and later (children take the
    // window's palette).
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button})
        palette.setColor(role, QColorOf(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void QtWindowSystem::AcceptDrops(std::uint64_t window, bool accept)
{
    if (QWidget* widget = Widget(window))
        widget->setAcceptDrops(accept);
}

void QtWindowSystem::AddKeyCommand(std::uint64_t window, Key key, int tag)
{
    QWidget* widget = Widget(window);
    if (widget == nullptr)
        return;
    QList<QKeySequence> sequences;
    switch (key) {
    case Key::Left: sequences = {Qt::Key_Left}; break;
    case Key::Right: sequences = {Qt::Key_Right}; break;
    case Key::PageUp: sequences = {Qt::Key_PageUp}; break;
    case Key::PageDown: sequences = {Qt::Key_PageDown}; break;
    case Key::Home: sequences = {Qt::Key_Home}; break;
    case Key::End: sequences = {Qt::Key_End}; break;
    case Key::CtrlO: sequences = {Qt::CTRL | Qt::Key_O}; break;
    case Key::CtrlS: sequences = {Qt::CTRL | Qt::Key_S}; break;
    case Key::Up: sequences = {Qt::Key_Up}; break;
    case Key::Down: sequences = {Qt::Key_Down}; break;
    case Key::Escape: sequences = {Qt::Key_Escape}; break;
    case Key::CtrlW: sequences = {Qt::CTRL | Qt::Key_W}; break;
    case Key::Return: sequences = {Qt::Key_Return, Qt::Key_Enter}; break;  // the keypad's too
    }
    // Whatever has the focus in the window: the key is the command's.
    auto* shortcut = new QShortcut(widget);
    shortcut->setKeys(sequences);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, shortcut,
                     [this, tag] { Post({PlatformEvent::Kind::Control, tag, {}}); });
}

Image QtWindowSystem::GrabWindow(std::uint64_t window)
{
    QWidget* widget = Widget(window);
    return widget == nullptr ? Image(0, 0) : ImageOf(widget->grab().toImage());
}

// --- Placement ------------------------------------------------------------------

namespace {

ScreenArea AreaOf(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

ScreenArea QtWindowSystem::WorkArea(std::uint64_t window)
{
    QWidget* widget = Widget(window);
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    return screen == nullptr ? ScreenArea{} : AreaOf(screen->availableGeometry());
}

ScreenArea QtWindowSystem::WindowFrame(std::uint64_t window)
{
    QWidget* widget = Widget(window);
    return widget == nullptr ? ScreenArea{} : AreaOf(widget->frameGeometry());
}

void QtWindowSystem::MoveWindowTo(std::uint64_t window, int x, int y)
{
    if (QWidget* widget = Widget(window))
        widget->move(x, y);  // a window's position is its frame's
}

// --- Controls -------------------------------------------------------------------

std::uint64_t QtWindowSystem::AddControl(std::uint64_t window, ControlKind kind, int tag, int x, int y,
                                     int width, int height)
{
    QWidget* parent = Widget(window);
    if (parent == nullptr)
        return 0;
    QWidget* control = nullptr;
    switch (kind) {
    case ControlKind::Label: control = new TextLabel(parent); break;
    case ControlKind::Button: {
        auto* button = new QPushButton(parent);
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, tag] { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = button;
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(parent);
        // Clicked comes of the user's click or Space only, never of setChecked.
        QObject::connect(box, &QCheckBox::clicked, box,
                         [this, tag] { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = box;
        break;
    }
    case ControlKind::PictureBox: control = new PictureBox(*this, tag, parent); break;
    case ControlKind::Slider: {
        auto* slider = new StepSlider(Qt::Horizontal, parent);
        // Every position the user gives the slider (drag, click, keys) is one
        // event; the program's own changes run with signals blocked.
        QObject::connect(slider, &QSlider::valueChanged, slider,
                         [this, tag](int) { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = slider;
        break;
    }
    case ControlKind::ScrollBar: {
        auto* bar = new QScrollBar(Qt::Vertical, parent);
        bar->setRange(0, 0);
        bar->setPageStep(1);
        // As the slider: the program's own changes run with signals blocked.
        QObject::connect(bar, &QScrollBar::valueChanged, bar,
                         [this, tag](int) { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = bar;
        break;
    }
    }
    if (auto* scaled = dynamic_cast<AppWindow*>(parent))
        scaled->Place(*control, QRect(x, y, width, height));
    else
        control->setGeometry(x, y, width, height);
    control->show();
    const std::uint64_t id = next_++;
    widgets_[id] = control;
    return id;
}

void QtWindowSystem::DestroyControl(std::uint64_t control)
{
    delete Widget(control);
    widgets_.erase(control);
}

void QtWindowSystem::SetText(std::uint64_t control, const std::string& text)
{
    QWidget* widget = Widget(control);
    if (auto* label = dynamic_cast<TextLabel*>(widget))
        label->SetWholeText(FromUtf8(text));
    else if (auto* button = dynamic_cast<QAbstractButton*>(widget))
        button->setText(FromUtf8(text));
}

void QtWindowSystem::SetEndEllipsis(std::uint64_t control, bool on)
{
    if (auto* label = dynamic_cast<TextLabel*>(Widget(control)))
        label->SetEndEllipsis(on);
}

void QtWindowSystem::SetWordWrap(std::uint64_t control, bool on)
{
    if (auto* label = dynamic_cast<TextLabel*>(Widget(control)))
        label->SetWrap(on);
}

void QtWindowSystem::SetTextColour(std::uint64_t control, Colour colour)
{
    QWidget* widget = Widget(control);
    if (widget == nullptr)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColorOf(colour));
    palette.setColor(QPalette::ButtonText, QColorOf(colour));
    widget->setPalette(palette);
}

namespace {

// The text's lines, each wider than 80 average characters of the tips' font
// broken between words (a word wider than that stands alone). Qt itself
// breaks a plain tip only where it would pass the screen's edge, and a rich
// one into a narrow block.
QString TipLines(const QString& text)
{
    const QFont font = QToolTip::font();
    const qreal width = QFontMetrics(font).averageCharWidth() * 80;
    QStringList lines;
    for (const QString& paragraph : text.split('\n')) {
        QTextLayout layout(paragraph, font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        if (paragraph.isEmpty())
            lines << QString();
    }
    return lines.join('\n');
}

}  // namespace

void QtWindowSystem::SetToolTip(std::uint64_t control, const std::string& text)
{
    QWidget* widget = Widget(control);
    if (widget == nullptr)
        return;
    // Rich text of lines as laid out here, which Qt shows as they are (a text
    // starting with "<" stays text).
    const QString tip = text.empty() ? QString()
                                     : "<p style='white-space:pre'>" +
                                           TipLines(FromUtf8(text)).toHtmlEscaped() + "</p>";
    // The tip shown for this control takes the new text where it stands.
    const bool shown = QToolTip::isVisible() && !widget->toolTip().isEmpty() &&
                       QToolTip::text() == widget->toolTip() &&
                       widget->rect().contains(widget->mapFromGlobal(QCursor::pos()));
    widget->setToolTip(tip);
    // Shown whichever window is active, as the other system's tips are: the
    // main window's chart names its lap while the comparison has the focus.
    widget->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
    if (shown)
        QToolTip::showText(QCursor::pos(), tip, widget);
}

void QtWindowSystem::SetEnabled(std::uint64_t control, bool enabled)
{
    if (QWidget* widget = Widget(control))
        widget->setEnabled(enabled);
}

bool QtWindowSystem::IsEnabled(std::uint64_t control)
{
    QWidget* widget = Widget(control);
    return widget != nullptr && widget->isEnabled();
}

void QtWindowSystem::SetFocusable(std::uint64_t control)
{
    if (QWidget* widget = Widget(control))
        widget->setFocusPolicy(Qt::StrongFocus);
}

void QtWindowSystem::SetTabOrder(std::span<const std::uint64_t> controls)
{
    QWidget* previous = nullptr;
    for (const std::uint64_t id : controls) {
        QWidget* widget = Widget(id);
        if (widget == nullptr)
            continue;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void QtWindowSystem::SetSliderRange(std::uint64_t control, int minimum, int maximum)
{
    auto* slider = dynamic_cast<QAbstractSlider*>(Widget(control));
    if (slider == nullptr)
        return;
    const QSignalBlocker quiet(slider);
    slider->setRange(minimum, maximum);
    // A native slider pages by a fifth of its range; a scroll bar by its page.
    if (dynamic_cast<QSlider*>(slider) != nullptr)
        slider->setPageStep(std::max(1, (maximum - minimum) / 5));
}

void QtWindowSystem::SetScrollPage(std::uint64_t control, int page)
{
    auto* bar = dynamic_cast<QScrollBar*>(Widget(control));
    if (bar == nullptr)
        return;
    const QSignalBlocker quiet(bar);
    bar->setPageStep(std::max(page, 1));
}

void QtWindowSystem::SetSliderTicks(std::uint64_t control, bool on)
{
    auto* slider = dynamic_cast<QSlider*>(Widget(control));
    if (slider == nullptr)
        return;
    slider->setTickPosition(on ? QSlider::TicksBelow : QSlider::NoTicks);
    slider->setTickInterval(1);
}

bool QtWindowSystem::IsChecked(std::uint64_t control)
{
    auto* box = dynamic_cast<QCheckBox*>(Widget(control));
    return box != nullptr && box->isChecked();
}

void QtWindowSystem::SetChecked(std::uint64_t control, bool checked)
{
    if (auto* box = dynamic_cast<QCheckBox*>(Widget(control)))
        box->setChecked(checked);  // raises no clicked
}

int QtWindowSystem::SliderValue(std::uint64_t control)
{
    auto* slider = dynamic_cast<QAbstractSlider*>(Widget(control));
    return slider == nullptr ? 0 : slider->value();
}

void QtWindowSystem::SetSliderValue(std::uint64_t control, int value)
{
    auto* slider = dynamic_cast<QAbstractSlider*>(Widget(control));
    if (slider == nullptr)
        return;
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

void QtWindowSystem::ShowPicture(std::uint64_t control, const Image* picture)
{
    if (auto* box = dynamic_cast<PictureBox*>(Widget(control)))
        box->Show(picture);
}

Image QtWindowSystem::ShownPicture(std::uint64_t control)
{
    auto* box = dynamic_cast<PictureBox*>(Widget(control));
    if (box == nullptr || box->Picture().isNull())
        return Image(0, 0);
    return ImageOf(box->Picture());
}

void QtWindowSystem::TrackPointer(std::uint64_t control, bool on)
{
    if (auto* box = dynamic_cast<PictureBox*>(Widget(control)))
        box->Track(on);
}

std::pair<int, int> QtWindowSystem::ControlSize(std::uint64_t control)
{
    QWidget* widget = Widget(control);
    if (widget == nullptr)
        return {0, 0};
    const QRect place = ProgramPlace(*widget);
    return {place.width(), place.height()};
}

// --- Events ---------------------------------------------------------------------

void QtWindowSystem::SetEventSink(std::function<void(const PlatformEvent&)> sink)
{
    sink_ = std::move(sink);
}

void QtWindowSystem::Post(const PlatformEvent& event)
{
    if (sink_)
        sink_(event);
}

void QtWindowSystem::ProcessEvents(bool wait)
{
    if (!Started())
        return;
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

// --- Timers ---------------------------------------------------------------------

void QtWindowSystem::StartTimer(int tag, int milliseconds)
{
    if (!Started())
        return;
    std::unique_ptr<QTimer>& timer = timers_[tag];
    if (timer == nullptr) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
                         [this, tag] { Post({.kind = PlatformEvent::Kind::Timer, .tag = tag}); });
    }
    // Qt's zero timer runs out whenever the queue of events is empty.
    timer->start(std::max(milliseconds, 0));
}

void QtWindowSystem::StopTimer(int tag)
{
    timers_.erase(tag);
}

// --- Requesters and message boxes -----------------------------------------------

QWidget* QtWindowSystem::Owner(std::uint64_t window) const
{
    QWidget* owner = Widget(window);
    return owner != nullptr ? owner : QApplication::activeWindow();
}

std::string QtWindowSystem::AskOpenFile(std::uint64_t owner, const std::string& title,
                                        const std::string& defaultFile, const std::string& filter,
                                        int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, false);
}

std::string QtWindowSystem::AskSaveFile(std::uint64_t owner, const std::string& title,
                                        const std::string& defaultFile, const std::string& filter,
                                        int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, true);
}

std::string QtWindowSystem::AskFolder(std::uint64_t owner, const std::string& title,
                                      const std::string& startFolder)
{
    if (!Started())
        return {};
    QFileDialog dialog(Owner(owner), FromUtf8(title), FromPath(startFolder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return ToPath(dialog.selectedFiles().front());
}

void QtWindowSystem::ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                                 const std::string& text)
{
    if (!Started() || headless_)
        return;
    QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information,
                    FromUtf8(title), FromUtf8(text), QMessageBox::Ok, Owner(owner));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

// Qt's own file dialogs, the same on every desktop, application-modal, in
// front of their owner.
std::string QtWindowSystem::Ask(std::uint64_t owner, const std::string& title,
                                const std::string& defaultFile, const std::string& filter,
                                int filterIndex, bool save)
{
    if (!Started())
        return {};
    QFileDialog dialog(Owner(owner), FromUtf8(title), FromPath(FolderPart(defaultFile)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // "description|pattern|description|pattern": Qt matches the patterns
    // without regard to letter case.
    QStringList filters;
    for (int k = 1;; k += 2) {
        const std::string description = FieldOf(filter, k, "|");
        const std::string pattern = FieldOf(filter, k + 1, "|");
        if (description.empty() && pattern.empty())
            break;
        filters << FromUtf8(description) + " (" + FromUtf8(pattern) + ")";
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (filterIndex >= 0 && filterIndex < filters.size())
            dialog.selectNameFilter(filters[filterIndex]);
    }
    const std::string name = FileNamePart(defaultFile);
    if (!name.empty())
        dialog.selectFile(FromPath(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return ToPath(dialog.selectedFiles().front());
}

}  // namespace vx
