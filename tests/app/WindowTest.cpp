// The main window through its real widgets, headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTextDocumentFragment>
#include <QUrl>
#include <QWheelEvent>

#include "app/QtWindow.h"
#include "app/windows/MainWindowLayout.h"
#include "laps/LapNavigation.h"
#include "load/Export.h"
#include "support/WindowDriver.h"

namespace vx {
namespace {

using test::Button;
using test::Slider;
using test::TopWindow;

using Window = test::WindowTest;

TEST_F(Window, HasItsTitleAndAFixedClientAreaOf1010By720)
{
    QWidget* window = TopWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->width(), 1010);
    EXPECT_EQ(window->height(), 720);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(Window, ThePictureBoxesAndTheLapSelectorStandAtTheirFixedPlaces)
{
    struct Expected {
        int number, x, y, w, h;
        const char* text;
    };
    // The program's fixed frame: these never move.
    const Expected controls[] = {
        {LapCaption, 10, 625, 50, 24, "Lap:"},  {LapNumberLabel, 55, 625, 30, 24, ""},
        {PrevLapButton, 120, 620, 25, 24, "<"}, {NextLapButton, 155, 620, 25, 24, ">"},
        {MapBox, 5, 5, 512, 560, nullptr},      {LoadButton, 120, 580, 60, 24, "Load"},
        {GaugeBox, 520, 150, 512, 140, nullptr}, {DriverTableBox, 520, 5, 480, 140, nullptr},
        {LapSummaryBox, 520, 295, 480, 270, nullptr}, {LapChartBox, 200, 570, 800, 140, nullptr},
        {LapSlider, 10, 660, 180, 30, nullptr},
    };
    for (const Expected& c : controls) {
        EXPECT_EQ(toolkit.ControlSize(c.number), std::make_pair(c.w, c.h)) << c.number;
        if (c.text != nullptr) {
            EXPECT_EQ(toolkit.GetControlText(c.number), c.text) << c.number;
        }
    }
    EXPECT_EQ(Slider()->geometry(), QRect(10, 660, 180, 30));
    EXPECT_EQ(Button("Load")->geometry(), QRect(120, 580, 60, 24));
    EXPECT_EQ(toolkit.GetControlAttribute(LapSlider, 1), 0);
    EXPECT_EQ(toolkit.GetControlAttribute(LapSlider, 2), 20);
    EXPECT_EQ(Slider()->tickPosition(), QSlider::TicksBelow);
    EXPECT_FALSE(toolkit.ControlEnabled(SaveButton));  // no map yet
}

TEST_F(Window, OurOwnControlsStandInsideTheWindowAndCoverNoOtherControl)
{
    // Every control is made where the layout puts it ...
    QWidget* window = TopWindow();
    ASSERT_NE(window, nullptr);
    std::vector<QRect> made;
    for (QWidget* widget : window->findChildren<QWidget*>())
        made.push_back(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()));
    const auto rectOf = [](const main_window::Place& at) { return QRect(at.x, at.y, at.w, at.h); };
    for (const main_window::Place& at : main_window::Controls)
        EXPECT_NE(std::find(made.begin(), made.end(), rectOf(at)), made.end()) << rectOf(at).x() << "," << rectOf(at).y();

    // ... and ours, wherever they move, lie inside the client area and
    // overlap none of the others.
    const QRect client(0, 0, 1010, 720);
    for (const main_window::Place& ours : {main_window::SaveButton, main_window::CompareButton,
                                           main_window::LogLabel, main_window::HistoryButton,
                                           main_window::FollowCheckBox}) {
        const QRect mine = rectOf(ours);
        EXPECT_TRUE(client.contains(mine)) << mine.x() << "," << mine.y();
        for (const main_window::Place& other : main_window::Controls) {
            if (rectOf(other) != mine) {
                EXPECT_FALSE(mine.intersects(rectOf(other)))
                    << mine.x() << "," << mine.y() << " covers " << other.x << "," << other.y;
            }
        }
    }
    EXPECT_EQ(toolkit.GetControlText(SaveButton), "Save");
    EXPECT_EQ(toolkit.GetControlText(CompareButton), "Compare");
    EXPECT_EQ(toolkit.GetControlText(HistoryButton), "History");
    EXPECT_EQ(toolkit.GetControlText(FollowCheckBox), "Follow folder");
}

TEST_F(Window, PreviousLapRightAfterTheStartDoesNothing)
{
    Click("<");
    EXPECT_EQ(LapLabel(), "");
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 0);
    EXPECT_EQ(State().CurrentLap, 0);
}

TEST_F(Window, NextLapStopsAtTheSliderMaximum)
{
    Click(">");
    EXPECT_EQ(LapLabel(), "1");
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 1);
    for (int i = 0; i < 19; ++i)
        Click(">");
    EXPECT_EQ(LapLabel(), "20");
    Click(">");
    EXPECT_EQ(LapLabel(), "20");
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 20);
    EXPECT_EQ(State().CurrentLap, 20);
    EXPECT_FALSE(toolkit.ImageExists(MapImage));  // nothing drawn without a map
}

TEST_F(Window, ALowerMaximumStopsTheStepsThereAndPreviousStopsAtZero)
{
    // An analysis of five laps, without a map to draw them on.
    State().HasTrack = true;
    State().Laps.LapCount = 5;
    ShowLapSelector(State(), toolkit);
    EXPECT_EQ(toolkit.GetControlAttribute(LapSlider, SliderMaximum), 5);
    for (int i = 0; i < 6; ++i)
        Click(">");
    EXPECT_EQ(LapLabel(), "5");
    for (int i = 0; i < 7; ++i)
        Click("<");
    EXPECT_EQ(LapLabel(), "0");
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 0);
}

TEST_F(Window, TheProgramsOwnSliderChangesRaiseNoEvent)
{
    toolkit.SetControlValue(LapSlider, 7);
    toolkit.SetControlAttribute(LapSlider, 2, 3);  // clamps the thumb to 3
    toolkit.SetControlAttribute(LapSlider, 2, 9);
    EXPECT_EQ(toolkit.PollEvent(), 0);
    EXPECT_EQ(LapLabel(), "");
}

TEST_F(Window, ChangingTheMaximumKeepsTheThumbOnItsValue)
{
    toolkit.SetControlValue(LapSlider, 3);
    toolkit.SetControlAttribute(LapSlider, 2, 5);
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 3);
}

TEST_F(Window, EveryPositionTheUserGivesTheSliderIsOneEvent)
{
    Slider()->setFocus();
    QTest::keyClick(Slider(), Qt::Key_Up);
    QTest::keyClick(Slider(), Qt::Key_Up);
    QTest::keyClick(Slider(), Qt::Key_Up);
    int events = 0;
    while (toolkit.PollEvent() == kControlEvent) {
        EXPECT_EQ(toolkit.EventControl(), LapSlider);
        ++events;
    }
    EXPECT_EQ(events, 3);

    QTest::keyClick(Slider(), Qt::Key_Up);
    app.ProcessPendingEvents();
    EXPECT_EQ(LapLabel(), "4");
    EXPECT_EQ(State().CurrentLap, 4);
}

TEST_F(Window, KeysChangeTheLapLoadAndSaveWhereverTheFocusIs)
{
    const auto key = [&](Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Button(">"), code, modifiers);
        app.ProcessPendingEvents();
        return LapLabel();
    };
    TopWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(TopWindow()));
    Button(">")->setFocus();
    EXPECT_EQ(key(Qt::Key_Right), "1");  // not a move of the focus
    EXPECT_EQ(key(Qt::Key_Left), "0");
    EXPECT_EQ(key(Qt::Key_End), "20");
    EXPECT_EQ(key(Qt::Key_PageUp), "16");  // a fifth of 0..20
    EXPECT_EQ(key(Qt::Key_Home), "0");
    EXPECT_EQ(key(Qt::Key_PageDown), "4");
    EXPECT_EQ(toolkit.GetControlValue(LapSlider), 4);
    key(Qt::Key_S, Qt::ControlModifier);  // nothing to save yet
    EXPECT_TRUE(script->asked.empty());
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_FALSE(script->asked.empty());
    EXPECT_EQ(script->asked[0].title, "Open Game");

    // Tab follows the layout: Save, Load, the lap buttons, "Follow folder",
    // the slider.
    Button("Save")->setEnabled(true);
    Button("Save")->setFocus();
    QWidget* follow = TopWindow()->findChild<QCheckBox*>();
    ASSERT_NE(follow, nullptr);
    for (QWidget* next : std::initializer_list<QWidget*>{Button("Load"), Button("<"), Button(">"), follow, Slider()}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(Window, TheSliderPagesByAFifthOfItsRangeAndTheWheelStepsByOne)
{
    EXPECT_EQ(Slider()->pageStep(), 4);
    toolkit.SetControlAttribute(LapSlider, 2, 3);
    EXPECT_EQ(Slider()->pageStep(), 1);
    toolkit.SetControlAttribute(LapSlider, 2, 57);
    EXPECT_EQ(Slider()->pageStep(), 11);
    QWheelEvent notch(QPointF(5, 5), Slider()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Slider(), &notch);
    EXPECT_EQ(Slider()->value(), 1);
}

TEST_F(Window, TheLogLineWrapsTheNewestMessageAndItsTipHoldsTheMessagesWholeNewestFirst)
{
    auto* label = dynamic_cast<QLabel*>(TopWindow()->childAt(70, 700));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_EQ(label->text(), "");  // nothing before the first message
    EXPECT_EQ(label->toolTip(), "");
    const QColor normal = label->palette().color(QPalette::WindowText);
    const std::string failure = "Saved game damaged: a rather long name.gam (the file ends inside driver 1's "
                                "car name, offset 712, far past the tip's eighty characters)";
    LogFailure(State(), toolkit, failure);
    EXPECT_EQ(label->text().toStdString(), failure.substr(0, 100));  // the log's line
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(200, 0, 0));
    LogMessage(State(), toolkit, "Loaded cup.gam");
    EXPECT_EQ(label->text(), "Loaded cup.gam");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), normal);
    // The tip: rich text of the messages, newest first, each whole (broken
    // between words), no placeholder lines.
    const QString tip = QTextDocumentFragment::fromHtml(label->toolTip()).toPlainText();
    EXPECT_TRUE(tip.startsWith("Loaded cup.gam\nSaved game damaged: ")) << tip.toStdString();
    EXPECT_TRUE(tip.endsWith("characters)")) << tip.toStdString();
    EXPECT_FALSE(tip.contains("> "));
    EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(TopWindow()->palette().color(QPalette::Window), QColor(212, 208, 200));
}

TEST_F(Window, AFileDroppedOnTheWindowIsOneDropEvent)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/races/Saves/cup.gam")});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(TopWindow(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(TopWindow(), &drop);
    EXPECT_EQ(toolkit.PollEvent(), kDropEvent);
    EXPECT_EQ(toolkit.DroppedPath(), "/races/Saves/cup.gam");
}

TEST_F(Window, ControlEventsAreIgnoredWhileBusyButACloseIsKept)
{
    toolkit.SetBusy(true);
    QTest::mouseClick(Button(">"), Qt::LeftButton);
    TopWindow()->close();
    toolkit.SetBusy(false);
    EXPECT_EQ(toolkit.PollEvent(), kCloseEvent);
    EXPECT_EQ(toolkit.PollEvent(), 0);
}

TEST_F(Window, TheCloseRequestEndsTheLoopWithStatusZero)
{
    Click(">");
    TopWindow()->close();
    EXPECT_TRUE(TopWindow() != nullptr);  // the window stays until the loop ends
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(TopWindow(), nullptr);
}

TEST_F(Window, StartsWithThePlaceholderMadeAndTheLogShowingItsMarker)
{
    ASSERT_TRUE(toolkit.ImageExists(PlaceholderImage));
    EXPECT_EQ(toolkit.FindImage(PlaceholderImage)->Width(), 32);
    for (const std::string& line : State().Log.Lines())
        EXPECT_EQ(line, "> ");
    EXPECT_EQ(toolkit.GetControlText(LogLabel), "");  // the line shows messages alone
    EXPECT_EQ(State().GameDirectory.back(), '/');
    EXPECT_EQ(State().GameDirectory, State().TrackDirectory);
    // Until the first load the map box shows how to begin, at the map's size.
    const Image shown = toolkit.ShownPicture(MapBox);
    const Image* guide = toolkit.FindImage(GuideImage);
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(shown.Width(), 512);
    EXPECT_EQ(shown.Height(), 560);
    EXPECT_TRUE(std::equal(shown.Words(), shown.Words() + 512 * 560, guide->Words()));
}

}  // namespace
}  // namespace vx
