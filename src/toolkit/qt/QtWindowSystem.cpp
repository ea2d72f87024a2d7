// The window system over Qt Widgets: text, windows, controls, events and
// requesters.
//
// The program runs its own event loop: Qt's signals only hand events to the
// sink, and the toolkit gives them out one at a time, so every handler runs
// to its end before the next event is read and nothing re-enters.
#include "toolkit/qt/QtWindowSystem.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyleFactory>
#include <QUrl>
#include <QWheelEvent>

#include <clocale>
#include <cstring>
#include <cstdio>
#include <cstdlib>

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

// The top-level window: a close request and a dropped file become events of
// the program's loop; the window itself stays until it is destroyed.
class AppWindow : public QWidget {
public:
    AppWindow(QtWindowSystem& system, std::uint64_t id) : system_(system), id_(id) {}

protected:
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
    QtWindowSystem& system_;
    std::uint64_t id_;
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

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        Fit();
    }

private:
    void Fit()
    {
        setText(endEllipsis_ ? fontMetrics().elidedText(whole_, Qt::ElideRight, width()) : whole_);
    }
    QString whole_;
    bool endEllipsis_ = false;
};

// A picture box: shows its picture at the top left and takes its size. The
// picture is kept in the window system's own format, so showing one is a
// copy of its pixels into the box's buffer, reused while the size stays.
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
            resize(picture->Width(), picture->Height());
        }
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
        painter.drawImage(0, 0, picture_);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint at = event->position().toPoint();
        // While the button is held the box sees the pointer beyond it too.
        if (!tracking_ || !rect().contains(at))
            return QWidget::mouseMoveEvent(event);
        inside_ = true;
        Raise(PointerAction::Move, at);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (!tracking_ || event->button() != Qt::LeftButton)
            return QWidget::mousePressEvent(event);
        Raise(PointerAction::Press, event->position().toPoint());
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
            Raise(PointerAction::Wheel, event->position().toPoint(), steps);
    }

private:
    void Raise(PointerAction action, QPoint at, int wheelSteps = 0)
    {
        system_.Post({.kind = PlatformEvent::Kind::Pointer, .tag = tag_, .action = action,
                        .x = at.x(), .y = at.y(), .wheelSteps = wheelSteps});
    }
    QImage picture_;
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
    if (headless)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else if (!hasDisplay)
        return false;
    g_displayUnreachable = displayUnreachable;
    qInstallMessageHandler(headless ? QuietMessages : StartingMessages);
    static int argc = 1;
    static char name[] = "vxanalyser";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives as long as the process
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
    auto* window = new AppWindow(*this, id);
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    window->setWindowTitle(FromUtf8(title));
    window->setFixedSize(width, height);
    window->move(x, y);
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
    QKeySequence sequence;
    switch (key) {
    case Key::Left: sequence = QKeySequence(Qt::Key_Left); break;
    case Key::Right: sequence = QKeySequence(Qt::Key_Right); break;
    case Key::PageUp: sequence = QKeySequence(Qt::Key_PageUp); break;
    case Key::PageDown: sequence = QKeySequence(Qt::Key_PageDown); break;
    case Key::Home: sequence = QKeySequence(Qt::Key_Home); break;
    case Key::End: sequence = QKeySequence(Qt::Key_End); break;
    case Key::CtrlO: sequence = QKeySequence(Qt::CTRL | Qt::Key_O); break;
    case Key::CtrlS: sequence = QKeySequence(Qt::CTRL | Qt::Key_S); break;
    }
    // Whatever has the focus in the window: the key is the command's.
    auto* shortcut = new QShortcut(sequence, widget);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, shortcut,
                     [this, tag] { Post({PlatformEvent::Kind::Control, tag, {}}); });
}

Image QtWindowSystem::GrabWindow(std::uint64_t window)
{
    QWidget* widget = Widget(window);
    return widget == nullptr ? Image(0, 0) : ImageOf(widget->grab().toImage());
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
    else if (auto* button = dynamic_cast<QPushButton*>(widget))
        button->setText(FromUtf8(text));
}

void QtWindowSystem::SetEndEllipsis(std::uint64_t control, bool on)
{
    if (auto* label = dynamic_cast<TextLabel*>(Widget(control)))
        label->SetEndEllipsis(on);
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

void QtWindowSystem::SetToolTip(std::uint64_t control, const std::string& text)
{
    if (QWidget* widget = Widget(control))
        widget->setToolTip(FromUtf8(text));
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
    return widget == nullptr ? std::pair(0, 0) : std::pair(widget->width(), widget->height());
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

// --- Requesters -----------------------------------------------------------------

std::string QtWindowSystem::AskOpenFile(const std::string& title, const std::string& defaultFile,
                                    const std::string& filter, int filterIndex)
{
    return Ask(title, defaultFile, filter, filterIndex, false);
}

std::string QtWindowSystem::AskSaveFile(const std::string& title, const std::string& defaultFile,
                                    const std::string& filter, int filterIndex)
{
    return Ask(title, defaultFile, filter, filterIndex, true);
}

// Qt's own file dialogs, the same on every desktop, application-modal.
std::string QtWindowSystem::Ask(const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex, bool save)
{
    if (!Started())
        return {};
    QFileDialog dialog(QApplication::activeWindow(), FromUtf8(title),
                       FromPath(FolderPart(defaultFile)));
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
