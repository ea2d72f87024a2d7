// The program's windows on a scaled screen of a display of their own (a
// virtual one), started as the program starts them:
//   scaled_window_test --screen=WIDTHxHEIGHT [--scale=S]
// The main window and the comparison window take scale S (without it: a
// scale above 1 that fits) and lie inside the work area; every screen pixel
// of a picture box shows one of its picture's colours; a click on a lap's
// point of the lap chart selects that lap.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#endif

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/windows/CompareLayout.h"
#include "app/windows/MainWindow.h"
#include "laps/LapChart.h"
#include "load/LoadWorkflow.h"
#include "support/ForwardingWindowSystem.h"

namespace vx {
namespace {

double g_scale = 0;  // the scale the windows must take; 0: any above 1 that fits
int g_screenWidth = 0;
int g_screenHeight = 0;

// --- What the system says of a window, and a click, in its client pixels -------

#ifdef _WIN32
HWND Window(const std::string& title)
{
    return FindWindowW(nullptr, std::wstring(title.begin(), title.end()).c_str());
}

bool InsideWorkArea(const std::string& title)
{
    RECT outer{};
    GetWindowRect(Window(title), &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(Window(title), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    return outer.left >= work.left && outer.top >= work.top && outer.right <= work.right &&
           outer.bottom <= work.bottom;
}

void PressAt(const std::string& title, int x, int y)
{
    const HWND window = Window(title);
    POINT at{x, y};
    const HWND control = ChildWindowFromPoint(window, at);
    MapWindowPoints(window, control, &at, 1);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

// The client area as the window paints it (each control through its own
// painting, WM_PRINT).
Image ShownOnScreen(WindowSystem& windows, std::uint64_t id, const std::string&)
{
    return windows.GrabWindow(id);
}
#else
QWidget* Window(const std::string& title)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowTitle() == QString::fromStdString(title) && widget->isVisible())
            return widget;
    return nullptr;
}

bool InsideWorkArea(const std::string& title)
{
    const QWidget* window = Window(title);
    return window->screen()->availableGeometry().contains(window->frameGeometry());
}

void PressAt(const std::string& title, int x, int y)
{
    QWidget* window = Window(title);
    const double ratio = window->devicePixelRatioF();
    const QPointF at((x + 0.5) / ratio, (y + 0.5) / ratio);
    QWidget* control = window->childAt(at.toPoint());
    ASSERT_NE(control, nullptr);
    const QPointF inControl = control->mapFrom(window, at);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, inControl, control->mapToGlobal(inControl), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(control, &event);
    }
}

// The client area as the display shows it, read back from the display once
// the window is exposed and has painted what is pending.
Image ShownOnScreen(WindowSystem&, std::uint64_t, const std::string& title)
{
    QWidget* window = Window(title);
    while (!window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    const QImage shown = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    Image image(shown.width(), shown.height());
    for (int y = 0; y < shown.height(); ++y)
        std::memcpy(image.Words() + static_cast<std::size_t>(y) * image.Width(), shown.constScanLine(y),
                    static_cast<std::size_t>(shown.width()) * 4);
    return image;
}
#endif

// --- The windows ------------------------------------------------------------------

// The system's window system, remembering each window's id by its title.
class RecordingWindows : public test::ForwardingWindowSystem {
public:
    std::uint64_t OpenWindow(int x, int y, int w, int h, const std::string& title) override
    {
        const std::uint64_t id = ForwardingWindowSystem::OpenWindow(x, y, w, h, title);
        ids[title] = id;
        return id;
    }
    std::map<std::string, std::uint64_t> ids;
};

struct Box {
    int number, x, y;
};
const Box kMainBoxes[] = {{MapBox, 5, 5}, {DriverTableBox, 520, 5}, {GaugeBox, 520, 150},
                          {LapSummaryBox, 520, 295}, {LapChartBox, 200, 570}};
constexpr Box Placed(compare_window::PictureBox box) { return {box.Control, box.At.x, box.At.y}; }
const Box kCompareBoxes[] = {Placed(compare_window::Map),         Placed(compare_window::SpeedLegend),
                             Placed(compare_window::SpeedChart),  Placed(compare_window::DeltaChart),
                             Placed(compare_window::LapTable),    Placed(compare_window::Figures),
                             Placed(compare_window::CornerWords), Placed(compare_window::CornerTable),
                             Placed(compare_window::CornerChart)};
constexpr const char* kCompareTitle = compare_window::Title;

// Each window's client area in the program's pixels: the comparison is wider.
struct ClientSize {
    int width, height;
};
ClientSize ClientOf(const std::string& title)
{
    return title == kCompareTitle ? ClientSize{compare_window::Client.w, compare_window::Client.h}
                                  : ClientSize{kClientWidth, kClientHeight};
}

class ScaledWindows : public testing::Test {
protected:
    void SetUp() override
    {
        app.StartUp();
        ASSERT_TRUE(LoadGameFrom(app.State(), toolkit, VX_SOURCE_DIR "/samples/Saves/demo.gam"));
        app.ProcessPendingEvents();
    }
    // The comparison window, over the main window.
    void OpenCompare()
    {
        app.Compare().Open(app.State(), toolkit);
        app.ProcessPendingEvents();
    }
    Image Client(const char* title) { return ShownOnScreen(windows, windows.ids[title], title); }
    // The window's scale: the one asked for, else as its width shows it,
    // to the whole number of 96ths that every scale here is (the screen's,
    // or the largest that fits).
    static double ScaleOf(const Image& client, const char* title)
    {
        return g_scale > 0 ? g_scale : std::round(client.Width() * 96.0 / ClientOf(title).width) / 96;
    }

    // Every screen pixel of each box shows one of its picture's colours (the
    // box's edges aside, whose place may round either way), and each
    // picture pixel lies where the scale puts it: the screen pixel at its
    // centre shows it, or a neighbour where the box's place rounded. At a
    // whole scale n each screen pixel is exactly the picture's at (x/n, y/n).
    void ExpectSharpPictures(const Image& client, std::span<const Box> boxes, double scale)
    {
        const bool whole = scale == std::floor(scale);
        for (const Box& box : boxes) {
            const Image picture = toolkit.ShownPicture(box.number);
            ASSERT_GT(picture.Width(), 0) << box.number;
            std::unordered_set<Colour> colours;
            for (int y = 0; y < picture.Height(); ++y)
                for (int x = 0; x < picture.Width(); ++x)
                    colours.insert(picture.At(x, y));
            const int x0 = static_cast<int>(std::ceil(box.x * scale)) + 2;
            const int y0 = static_cast<int>(std::ceil(box.y * scale)) + 2;
            const int x1 = std::min(static_cast<int>(std::floor((box.x + picture.Width()) * scale)) - 2, client.Width());
            const int y1 = std::min(static_cast<int>(std::floor((box.y + picture.Height()) * scale)) - 2, client.Height());
            std::int64_t strangers = 0, wrong = 0, misplaced = 0;
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const Colour shown = client.At(x, y);
                    strangers += colours.contains(shown) ? 0 : 1;
                    if (whole) {
                        const int n = static_cast<int>(scale);
                        wrong += shown != picture.At(x / n - box.x, y / n - box.y) ? 1 : 0;
                    }
                }
            }
            for (int j = 1; j + 1 < picture.Height(); ++j) {
                for (int i = 1; i + 1 < picture.Width(); ++i) {
                    const int x = static_cast<int>((box.x + i + 0.5) * scale);
                    const int y = static_cast<int>((box.y + j + 0.5) * scale);
                    if (x < x0 || y < y0 || x >= x1 || y >= y1)
                        continue;
                    bool found = false;
                    for (int dj = -1; dj <= 1 && !found; ++dj)
                        for (int di = -1; di <= 1 && !found; ++di)
                            found = client.At(x, y) == picture.At(i + di, j + dj);
                    misplaced += found ? 0 : 1;
                }
            }
            EXPECT_EQ(strangers, 0) << "box " << box.number << " at scale " << scale;
            EXPECT_EQ(wrong, 0) << "box " << box.number << " at scale " << scale;
            EXPECT_EQ(misplaced, 0) << "box " << box.number << " at scale " << scale;
        }
    }

    RecordingWindows windows;
    Toolkit toolkit{{.windows = windows}};
    Application app{toolkit};
};

TEST_F(ScaledWindows, EachWindowTakesTheScaleThatFitsAndLiesInTheWorkArea)
{
    OpenCompare();
    for (const char* title : {kWindowTitle, kCompareTitle}) {
        const Image client = Client(title);
        const ClientSize size = ClientOf(title);
        if (g_scale > 0) {
            EXPECT_EQ(client.Width(), std::lround(size.width * g_scale)) << title;
            EXPECT_EQ(client.Height(), std::lround(size.height * g_scale)) << title;
        } else {
            EXPECT_GT(client.Height(), size.height) << title;  // scaled, if less than asked
        }
        EXPECT_LE(client.Width(), g_screenWidth) << title;
        EXPECT_LE(client.Height(), g_screenHeight) << title;
        EXPECT_TRUE(InsideWorkArea(title)) << title;
    }
}

TEST_F(ScaledWindows, EveryPixelOfAPictureBoxIsOneOfItsPicturesColours)
{
    const Image main = Client(kWindowTitle);
    ExpectSharpPictures(main, kMainBoxes, ScaleOf(main, kWindowTitle));
    OpenCompare();
    const Image compare = Client(kCompareTitle);
    ExpectSharpPictures(compare, kCompareBoxes, ScaleOf(compare, kCompareTitle));
}

TEST_F(ScaledWindows, AClickOnALapsPointOfTheChartSelectsThatLap)
{
    const double scale = ScaleOf(Client(kWindowTitle), kWindowTitle);
    const LapChartGeometry chart = LapChartOf(app.State().Laps, app.State().CurrentLap);
    ASSERT_GE(chart.Points.size(), 6u);
    for (const int lap : {5, 2}) {
        const double x = 200 + chart.Points[static_cast<std::size_t>(lap - 1)].x + 0.5;
        PressAt(kWindowTitle, static_cast<int>(x * scale), static_cast<int>((570 + 60.5) * scale));
        app.ProcessPendingEvents();
        EXPECT_EQ(app.State().CurrentLap, lap) << "at scale " << scale;
    }
}

#ifdef _WIN32
// Moved to a monitor of twice the scale and back, as the system tells it.
TEST_F(ScaledWindows, AMoveToAMonitorOfAnotherScaleRescalesTheWindow)
{
    if (g_scale != 1.0)
        GTEST_SKIP() << "run at 96 dpi";
    const HWND window = Window(kWindowTitle);
    for (const int dpi : {192, 96}) {
        RECT place{};
        GetWindowRect(window, &place);
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
        const Image client = Client(kWindowTitle);
        EXPECT_EQ(client.Width(), kClientWidth * dpi / 96);
        EXPECT_EQ(client.Height(), kClientHeight * dpi / 96);
        ExpectSharpPictures(client, kMainBoxes, dpi / 96);
    }
}
#endif

}  // namespace
}  // namespace vx

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.starts_with("--scale="))
            vx::g_scale = std::stod(argument.substr(8));
        else if (argument.starts_with("--screen="))
            std::sscanf(argument.c_str() + 9, "%dx%d", &vx::g_screenWidth, &vx::g_screenHeight);
    }
    if (vx::g_screenWidth <= 0 || vx::g_screenHeight <= 0) {
        std::fprintf(stderr, "usage: scaled_window_test --screen=WIDTHxHEIGHT [--scale=S]\n");
        return 2;
    }
    if (!vx::SystemWindows().Start(false, nullptr)) {
        std::fprintf(stderr, "scaled_window_test: no display\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
