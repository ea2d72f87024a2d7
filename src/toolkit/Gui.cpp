// Windows, controls, events and requesters of the toolkit, over Qt Widgets.
//
// The program runs its own event loop: Qt's signals only queue events, and
// WaitEvent hands them out one at a time, so every handler runs to its end
// before the next event is read and nothing re-enters.
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QBuffer>
#include <QShortcut>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <QSlider>
#include <QStyleFactory>
#include <QUrl>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "toolkit/FileReplace.h"
#include "toolkit/GuiInternal.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

QString FromBytes(const std::string& text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

QString FromPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The top-level window: a close request and a dropped file become events of
// the program's loop; the window itself stays until the toolkit shuts down.
class AppWindow : public QWidget {
public:
    explicit AppWindow(Toolkit& toolkit) : toolkit_(toolkit) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        toolkit_.PostEvent({kCloseEvent, 0, {}});
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (LocalFile(event->mimeData()) != nullptr)
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (const QUrl* url = LocalFile(event->mimeData())) {
            event->acceptProposedAction();
            toolkit_.PostEvent({kDropEvent, 0, ToPath(url->toLocalFile())});
        }
    }

private:
    static const QUrl* LocalFile(const QMimeData* data)
    {
        if (data == nullptr || !data->hasUrls())
            return nullptr;
        static QUrl first;
        const QList<QUrl> urls = data->urls();
        if (urls.isEmpty() || !urls.front().isLocalFile())
            return nullptr;
        first = urls.front();
        return &first;
    }
    Toolkit& toolkit_;
};

// Qt's own file dialogs, the same on every desktop, application-modal.
class QtRequester : public Requester {
public:
    explicit QtRequester(Toolkit::Gui& gui) : gui_(gui) {}

    std::string AskOpenFile(const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex) override
    {
        return Ask(title, defaultFile, filter, filterIndex, false);
    }
    std::string AskSaveFile(const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex) override
    {
        return Ask(title, defaultFile, filter, filterIndex, true);
    }

private:
    std::string Ask(const std::string& title, const std::string& defaultFile,
                    const std::string& filter, int filterIndex, bool save)
    {
        QWidget* parent = gui_.windows.empty() ? nullptr : gui_.windows.rbegin()->second.widget;
        QFileDialog dialog(parent, FromBytes(title), FromPath(FolderPart(defaultFile)));
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
            filters << FromBytes(description) + " (" + FromBytes(pattern) + ")";
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
    Toolkit::Gui& gui_;
};

// A static text: plain, at the top left of its box; with the end-ellipsis
// style a text too wide for the box ends in "…" (the text itself is kept).
class TextLabel : public QLabel {
public:
    TextLabel(const QString& text, bool endEllipsis, QWidget* parent)
        : QLabel(parent), endEllipsis_(endEllipsis)
    {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        SetWholeText(text);
    }
    void SetWholeText(const QString& text)
    {
        whole_ = text;
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
    bool endEllipsis_;
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

QColor QColorOf(Colour colour)
{
    return QColor(colour & 255, (colour >> 8) & 255, (colour >> 16) & 255);
}

}  // namespace

namespace {

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

bool StartGuiApplication(bool headless, void (*displayUnreachable)())
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

int SaveQImagePng(const QImage& image, const std::string& path, std::string& error)
{
    // Encoded in memory and written by us: Qt's file devices report success
    // for a file cut short by a full disk.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = "the picture could not be encoded";
        return 0;
    }
    const auto write = [&png](std::FILE* file, std::string& reason) {
        const auto size = static_cast<std::size_t>(png.size());
        if (std::fwrite(png.constData(), 1, size, file) == size)
            return true;
        reason = std::strerror(errno);
        return false;
    };
    if (!ReplaceFileWith(path, write, error))
        return 0;
    return 1;
}

Toolkit::Gui::~Gui()
{
    for (auto& [number, control] : controls)
        delete control.widget.data();
    controls.clear();
    for (auto& [number, window] : windows)
        delete window.widget.data();
    windows.clear();
}

QWidget* Toolkit::Gui::ControlWidget(int number, Kind kind) const
{
    const auto it = controls.find(number);
    if (it == controls.end() || it->second.kind != kind)
        return nullptr;
    return it->second.widget.data();
}

void Toolkit::Gui::RemoveControl(int number)
{
    const auto it = controls.find(number);
    if (it == controls.end())
        return;
    delete it->second.widget.data();
    controls.erase(it);
}

// --- Windows and controls ---------------------------------------------------

WindowHandle Toolkit::CreateAppWindow(int number, int x, int y, int clientWidth,
                                      int clientHeight, const std::string& title,
                                      std::uint32_t style)
{
    if (!gui_ || number < 0 || clientWidth <= 0 || clientHeight <= 0)
        return 0;
    const auto old = gui_->windows.find(number);
    if (old != gui_->windows.end()) {
        delete old->second.widget.data();
        gui_->windows.erase(old);
    }
    auto* window = new AppWindow(*this);
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint;
    if (style & 0x00080000)  // system menu
        flags |= Qt::WindowSystemMenuHint;
    window->setWindowFlags(flags);
    window->setWindowTitle(FromBytes(title));
    window->setFixedSize(clientWidth, clientHeight);
    window->move(x, y);
    window->show();
    const WindowHandle handle = nextSerial_++;
    gui_->windows[number] = Gui::Window{handle, window};
    return handle;
}

WindowHandle Toolkit::NativeWindowHandle(int number) const
{
    if (!gui_)
        return 0;
    const auto it = gui_->windows.find(number);
    return it == gui_->windows.end() ? 0 : it->second.handle;
}

int Toolkit::AttachControlList(WindowHandle window)
{
    if (!gui_)
        return 0;
    for (auto& [number, w] : gui_->windows) {
        if (w.handle == window && w.widget) {
            gui_->parentForControls = w.widget;
            return 1;
        }
    }
    return 0;
}

namespace {

template <typename Widget>
Widget* Place(Widget* widget, int x, int y, int w, int h)
{
    widget->setGeometry(x, y, w, h);
    widget->show();
    return widget;
}

}  // namespace

void Toolkit::AddLabel(int number, int x, int y, int w, int h, const std::string& text,
                       int flags)
{
    if (!gui_ || !gui_->parentForControls || number < 0)
        return;
    gui_->RemoveControl(number);
    auto* label = new TextLabel(FromBytes(text), (flags & kLabelEndEllipsis) != 0,
                                gui_->parentForControls);
    label->setGeometry(x, y, w, h);  // before the text is fitted to it
    label->SetWholeText(FromBytes(text));
    gui_->controls[number] = {Gui::Kind::Label, Place(label, x, y, w, h), text};
}

void Toolkit::AddButton(int number, int x, int y, int w, int h, const std::string& text)
{
    if (!gui_ || !gui_->parentForControls || number < 0)
        return;
    gui_->RemoveControl(number);
    auto* button = new QPushButton(FromBytes(text), gui_->parentForControls);
    QObject::connect(button, &QPushButton::clicked, button,
                     [this, number] { PostEvent({kControlEvent, number, {}}); });
    gui_->controls[number] = {Gui::Kind::Button, Place(button, x, y, w, h), text};
}

void Toolkit::AddPictureBox(int number, int x, int y, int w, int h, ImageHandle image)
{
    if (!gui_ || !gui_->parentForControls || number < 0)
        return;
    gui_->RemoveControl(number);
    auto* box = new QLabel(gui_->parentForControls);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    gui_->controls[number] = {Gui::Kind::PictureBox, Place(box, x, y, w, h), {}};
    if (image != 0)
        SetControlValue(number, static_cast<std::int64_t>(image));
}

void Toolkit::AddSlider(int number, int x, int y, int w, int h, int minimum, int maximum,
                        int flags)
{
    if (!gui_ || !gui_->parentForControls || number < 0)
        return;
    gui_->RemoveControl(number);
    auto* slider = new StepSlider(Qt::Horizontal, gui_->parentForControls);
    slider->setRange(std::max(minimum, 0), std::max(maximum, 0));
    // A native slider pages by a fifth of its range.
    slider->setPageStep(std::max(1, (slider->maximum() - slider->minimum()) / 5));
    if (flags & 1) {
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(1);
    }
    // Every position the user gives the slider (drag, click, keys) is one
    // event; the program's own changes run with signals blocked.
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [this, number](int) { PostEvent({kControlEvent, number, {}}); });
    gui_->controls[number] = {Gui::Kind::Slider, Place(slider, x, y, w, h), {}};
}

std::string Toolkit::GetControlText(int number) const
{
    if (!gui_)
        return {};
    const auto it = gui_->controls.find(number);
    if (it == gui_->controls.end())
        return {};
    const Gui::Kind kind = it->second.kind;
    return kind == Gui::Kind::Label || kind == Gui::Kind::Button ? it->second.text : std::string();
}

void Toolkit::SetControlText(int number, const std::string& text)
{
    if (!gui_)
        return;
    const auto it = gui_->controls.find(number);
    if (it == gui_->controls.end() || !it->second.widget)
        return;
    it->second.text = text;
    if (auto* label = dynamic_cast<TextLabel*>(it->second.widget.data());
        label != nullptr && it->second.kind == Gui::Kind::Label)
        label->SetWholeText(FromBytes(text));
    else if (auto* button = qobject_cast<QPushButton*>(it->second.widget.data()))
        button->setText(FromBytes(text));
}

std::int64_t Toolkit::GetControlValue(int number) const
{
    if (!gui_)
        return 0;
    if (auto* slider = static_cast<QSlider*>(gui_->ControlWidget(number, Gui::Kind::Slider)))
        return slider->value();
    return 0;
}

void Toolkit::SetControlValue(int number, std::int64_t value)
{
    if (!gui_)
        return;
    if (auto* slider = static_cast<QSlider*>(gui_->ControlWidget(number, Gui::Kind::Slider))) {
        const QSignalBlocker quiet(slider);
        slider->setValue(static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX)));
        return;
    }
    if (auto* box = static_cast<QLabel*>(gui_->ControlWidget(number, Gui::Kind::PictureBox))) {
        const Image* shown = nullptr;
        for (const auto& [n, slot] : images_)
            if (slot.handle == static_cast<ImageHandle>(value))
                shown = slot.image.get();
        if (shown == nullptr) {
            box->clear();
            return;
        }
        box->setPixmap(QPixmap::fromImage(ToQImage(*shown)));
        box->resize(shown->Width(), shown->Height());
        box->repaint();
    }
}

int Toolkit::GetControlAttribute(int number, int which) const
{
    if (!gui_)
        return 0;
    auto* slider = static_cast<QSlider*>(gui_->ControlWidget(number, Gui::Kind::Slider));
    if (slider == nullptr)
        return 0;
    return which == 1 ? slider->minimum() : which == 2 ? slider->maximum() : 0;
}

void Toolkit::SetControlAttribute(int number, int which, int value)
{
    if (!gui_)
        return;
    auto* slider = static_cast<QSlider*>(gui_->ControlWidget(number, Gui::Kind::Slider));
    if (slider == nullptr)
        return;
    const QSignalBlocker quiet(slider);
    const int position = slider->value();
    value = std::max(value, 0);
    if (which == 1)
        slider->setMinimum(value);
    else if (which == 2)
        slider->setMaximum(value);
    slider->setPageStep(std::max(1, (slider->maximum() - slider->minimum()) / 5));
    slider->setValue(position);  // the thumb stays on its value where it can
}

void Toolkit::SetControlEnabled(int number, bool enabled)
{
    if (!gui_)
        return;
    const auto it = gui_->controls.find(number);
    if (it != gui_->controls.end() && it->second.widget)
        it->second.widget->setEnabled(enabled);
}

bool Toolkit::ControlEnabled(int number) const
{
    if (!gui_)
        return false;
    const auto it = gui_->controls.find(number);
    return it != gui_->controls.end() && it->second.widget && it->second.widget->isEnabled();
}

void Toolkit::SetControlToolTip(int number, const std::string& text)
{
    if (!gui_)
        return;
    const auto it = gui_->controls.find(number);
    if (it != gui_->controls.end() && it->second.widget)
        it->second.widget->setToolTip(FromBytes(text));
}

void Toolkit::SetControlTextColour(int number, Colour colour)
{
    if (!gui_)
        return;
    const auto it = gui_->controls.find(number);
    if (it == gui_->controls.end() || !it->second.widget)
        return;
    QPalette palette = it->second.widget->palette();
    palette.setColor(QPalette::WindowText, QColorOf(colour));
    palette.setColor(QPalette::ButtonText, QColorOf(colour));
    it->second.widget->setPalette(palette);
}

void Toolkit::SetWindowBackground(int windowNumber, Colour colour)
{
    if (!gui_)
        return;
    const auto it = gui_->windows.find(windowNumber);
    if (it == gui_->windows.end() || !it->second.widget)
        return;
    // The window and every control in it, now and later (children take the
    // window's palette).
    QPalette palette = it->second.widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button})
        palette.setColor(role, QColorOf(colour));
    it->second.widget->setPalette(palette);
    it->second.widget->setAutoFillBackground(true);
}

void Toolkit::AddKeyCommand(int windowNumber, Key key, int control)
{
    if (!gui_)
        return;
    const auto it = gui_->windows.find(windowNumber);
    if (it == gui_->windows.end() || !it->second.widget)
        return;
    static const std::pair<Key, QKeySequence> kKeys[] = {
        {Key::Left, QKeySequence(Qt::Key_Left)},       {Key::Right, QKeySequence(Qt::Key_Right)},
        {Key::PageUp, QKeySequence(Qt::Key_PageUp)},   {Key::PageDown, QKeySequence(Qt::Key_PageDown)},
        {Key::Home, QKeySequence(Qt::Key_Home)},       {Key::End, QKeySequence(Qt::Key_End)},
        {Key::CtrlO, QKeySequence(Qt::CTRL | Qt::Key_O)}, {Key::CtrlS, QKeySequence(Qt::CTRL | Qt::Key_S)}};
    for (const auto& [k, sequence] : kKeys) {
        if (k != key)
            continue;
        // Whatever has the focus in the window: the key is the command's.
        auto* shortcut = new QShortcut(sequence, it->second.widget);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, shortcut, [this, control] {
            const auto target = gui_->controls.find(control);
            if (target == gui_->controls.end() || !target->second.widget ||
                target->second.widget->isEnabled())
                PostEvent({kControlEvent, control, {}});
        });
    }
}

void Toolkit::SetTabOrder(std::span<const int> controls)
{
    if (!gui_)
        return;
    QWidget* previous = nullptr;
    for (const int number : controls) {
        const auto it = gui_->controls.find(number);
        if (it == gui_->controls.end() || !it->second.widget)
            continue;
        QWidget* widget = it->second.widget.data();
        widget->setFocusPolicy(Qt::StrongFocus);
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void Toolkit::AcceptDrops(int windowNumber, bool accept)
{
    if (!gui_)
        return;
    const auto it = gui_->windows.find(windowNumber);
    if (it != gui_->windows.end() && it->second.widget)
        it->second.widget->setAcceptDrops(accept);
}

int Toolkit::SaveWindowPng(int windowNumber, const std::string& path)
{
    if (!gui_)
        return 0;
    const auto it = gui_->windows.find(windowNumber);
    if (it == gui_->windows.end() || !it->second.widget) {
        lastError_ = "there is no window";
        return 0;
    }
    const QImage picture = it->second.widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return SaveQImagePng(picture, path, lastError_);
}

int Toolkit::SaveShownPicturePng(int control, const std::string& path)
{
    if (!gui_)
        return 0;
    auto* box = static_cast<QLabel*>(gui_->ControlWidget(control, Gui::Kind::PictureBox));
    if (box == nullptr || box->pixmap().isNull()) {
        lastError_ = "the box shows no picture";
        return 0;
    }
    return SaveQImagePng(box->pixmap().toImage().convertToFormat(QImage::Format_RGB32), path,
                         lastError_);
}

std::pair<int, int> Toolkit::ControlSize(int number) const
{
    if (!gui_)
        return {0, 0};
    const auto it = gui_->controls.find(number);
    if (it == gui_->controls.end() || !it->second.widget)
        return {0, 0};
    return {it->second.widget->width(), it->second.widget->height()};
}

// --- Events -----------------------------------------------------------------

void Toolkit::PostEvent(Event event)
{
    if (!gui_ || (busy_ && event.code != kCloseEvent))
        return;
    gui_->queue.push_back(std::move(event));
}

namespace {

int TakeEvent(std::deque<Toolkit::Event>& queue, int& control, std::string& path)
{
    const Toolkit::Event event = queue.front();
    queue.pop_front();
    control = event.control;
    path = event.path;
    return event.code;
}

}  // namespace

int Toolkit::WaitEvent()
{
    if (!gui_)
        return 0;
    while (gui_->queue.empty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return TakeEvent(gui_->queue, eventControl_, droppedPath_);
}

int Toolkit::PollEvent()
{
    if (!gui_)
        return 0;
    if (gui_->queue.empty())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (gui_->queue.empty())
        return 0;
    return TakeEvent(gui_->queue, eventControl_, droppedPath_);
}

// --- Requesters -------------------------------------------------------------

void Toolkit::SetRequester(std::unique_ptr<Requester> requester)
{
    requester_ = std::move(requester);
}

std::string Toolkit::AskOpenFile(const std::string& title, const std::string& defaultFile,
                                 const std::string& filter, int filterIndex)
{
    // Without the window system (the report) there is nobody to ask.
    if (!requester_ && gui_ && QApplication::instance() != nullptr)
        requester_ = std::make_unique<QtRequester>(*gui_);
    return requester_ ? requester_->AskOpenFile(title, defaultFile, filter, filterIndex)
                      : std::string();
}

std::string Toolkit::AskSaveFile(const std::string& title, const std::string& defaultFile,
                                 const std::string& filter, int filterIndex)
{
    if (!requester_ && gui_ && QApplication::instance() != nullptr)
        requester_ = std::make_unique<QtRequester>(*gui_);
    return requester_ ? requester_->AskSaveFile(title, defaultFile, filter, filterIndex)
                      : std::string();
}

}  // namespace vx
