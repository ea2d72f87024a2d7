// The window system over Qt Widgets: its start, the windows and their
// placement, events and timers. Its widgets stand in QtWidgets.cpp and
// QtPictureBox.cpp, text in QtFonts.cpp, controls in QtControls.cpp,
// requesters and message boxes in QtRequesters.cpp, the hand-over of files
// in PassedFiles.cpp.
//
// The program runs its own event loop: Qt's signals only hand events to the
// sink, and the toolkit gives them out one at a time, so every handler runs
// to its end before the next event is read and nothing re-enters.
//
// Windows follow the desktop's scale (Qt's device pixel ratio) as long as
// they fit their screen's work area at it; where one would not, it takes the
// largest scale that fits, and its controls are placed, and their font
// sized, at that scale instead. Pictures are enlarged without smoothing.
#include "toolkit/qt/QtWidgets.h"

#include <QApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QStyleFactory>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace vx {

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

}  // namespace vx
