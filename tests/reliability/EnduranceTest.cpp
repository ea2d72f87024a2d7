// Long sessions in the real window (headless): a thousand loads, valid and
// not in turn, and ten thousand lap changes. Memory stays flat, nothing leaks
// (the sanitizer build checks for leaks at exit), the pictures of a lap do
// not drift, and the window still answers at the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaObject>
#include <QSlider>
#include <QTest>

#include <filesystem>

#include "app/QtWindow.h"
#include "fixtures/RaceFiles.h"
#include "laps/LapNavigation.h"
#include "reliability/Reliability.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;

// The sanitizers make every load and redraw several times slower and keep
// freed memory in quarantine: there the runs are shorter, and the resident
// memory is reported but not bounded.
#ifdef VX_RELIABILITY_SHORT
constexpr int kLoads = 200;
constexpr int kLapChanges = 2000;
#else
constexpr int kLoads = 1000;
constexpr int kLapChanges = 10000;
#endif
constexpr std::int64_t kAllowedGrowthKb = 20 * 1024;

class LongSession : public test::WindowTest {
protected:
    void SetUp() override
    {
        test::WindowTest::SetUp();
        for (const char* folder : {"Saves", "Tracks"})
            fs::create_directories(root / folder);
        WriteFile(root / "Saves/demo.gam", test::DemoGame());
        WriteFile(root / "Tracks/Kestrelvale.trk", test::DemoTrack());
        WriteFile(root / "Saves/cup.gam", test::CupGame().Build());
        WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
        auto cut = test::DemoGame();
        cut.resize(3000);
        WriteFile(root / "Saves/cut.gam", cut);
        WriteFile(root / "Saves/bad.gam", test::CupGame("Bad").Build());
        WriteFile(root / "Tracks/Bad.trk", test::OvalTrack().SetMarker("vx").Build());
        WriteFile(root / "Saves/nowhere.gam", test::CupGame("Nowhere").Build());
        fs::create_directories(root / "Saves/folder.gam");
    }

    void LoadWithAnswers(std::vector<std::string> answers)
    {
        script->answers.assign(answers.begin(), answers.end());
        Click("Load");
    }

    // A call queued on Qt's loop is run, and a click still reaches the
    // program's own loop.
    void ExpectTheWindowToAnswer()
    {
        bool ran = false;
        QMetaObject::invokeMethod(qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
        app.ProcessPendingEvents();
        EXPECT_TRUE(ran) << "a queued call was not run";
        SelectLap(State(), toolkit, 0);
        Click(">");
        EXPECT_EQ(LapLabel(), State().Laps.LapCount > 0 ? "1" : "0");
        EXPECT_FALSE(State().Loading);
    }

    static void Report(const char* what, int count, std::int64_t startKb, std::int64_t endKb)
    {
        std::printf("[ reliability ] %d %s: resident memory %lld kB after warming up, %lld kB at "
                    "the end (%+lld kB)\n",
                    count, what, static_cast<long long>(startKb), static_cast<long long>(endKb),
                    static_cast<long long>(endKb - startKb));
    }

    TempFolder root;
};

TEST_F(LongSession, AThousandLoadsValidAndNotInTurnKeepMemoryFlat)
{
    const std::string saves = root / "Saves/";
    const std::vector<std::vector<std::string>> valid = {{saves + "demo.gam"},
                                                         {saves + "cup.gam"}};
    const std::vector<std::vector<std::string>> invalid = {
        {saves + "cut.gam"},          {saves + "bad.gam"},          {saves + "gone.gam"},
        {saves + "folder.gam"},       {saves + "nowhere.gam", ""},  {"", ""}};
    const auto Step = [&](int i) {
        if (i % 2 == 0) {
            LoadWithAnswers(valid[static_cast<std::size_t>(i / 2) % valid.size()]);
            return NewestLog().rfind("Loaded ", 0) == 0;
        }
        LoadWithAnswers(invalid[static_cast<std::size_t>(i / 2) % invalid.size()]);
        return NewestLog().rfind("Loaded ", 0) != 0;
    };
    // Caches of fonts and pictures fill during the first loads.
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(Step(i)) << "warm-up load " << i << ": " << NewestLog();
    const std::int64_t startKb = test::ResidentKb();
    int wrong = 0;
    for (int i = 0; i < kLoads; ++i) {
        if (!Step(i) && ++wrong <= 5)
            ADD_FAILURE() << "load " << i << " ended otherwise than expected: " << NewestLog();
    }
    const std::int64_t endKb = test::ResidentKb();
    Report("loads", kLoads, startKb, endKb);
    EXPECT_EQ(wrong, 0);
#ifndef VX_RELIABILITY_SHORT
    EXPECT_LT(endKb - startKb, kAllowedGrowthKb);
#endif
    ExpectTheWindowToAnswer();
}

TEST_F(LongSession, TenThousandLapChangesKeepMemoryFlatAndThePicturesOfEachLap)
{
    LoadWithAnswers({root / "Saves/demo.gam"});
    ASSERT_EQ(NewestLog().rfind("Loaded demo.gam: ", 0), 0u) << NewestLog();
    const int laps = State().Laps.LapCount;
    ASSERT_GE(laps, 2);
    QSlider* slider = test::Slider();
    const auto Select = [&](int lap) {
        slider->setValue(lap);
        app.ProcessPendingEvents();
    };
    // Each lap's pictures once, from the slider; lap 0 last, where it starts.
    std::vector<std::array<std::uint64_t, 5>> pictures(static_cast<std::size_t>(laps) + 1);
    for (int lap = laps; lap >= 0; --lap) {
        Select(lap);
        ASSERT_EQ(LapLabel(), IntToText(lap));
        pictures[static_cast<std::size_t>(lap)] = test::ShownPictures(toolkit);
    }

    // Up with ">", down with "<", jumps with the slider and its arrow keys.
    int changes = 0;
    std::int64_t startKb = 0;
    for (int i = 0; changes < kLapChanges; ++i) {
        if (i == 200)
            startKb = test::ResidentKb();  // after warming up
        const std::string before = LapLabel();
        switch (i % 8) {
        case 0: case 1: case 2: Click(">"); break;
        case 3: case 4: Click("<"); break;
        case 5: Select((i * 7) % (laps + 1)); break;
        case 6: QTest::keyClick(slider, Qt::Key_Right); app.ProcessPendingEvents(); break;
        default: QTest::keyClick(slider, Qt::Key_Left); app.ProcessPendingEvents(); break;
        }
        changes += LapLabel() != before;
        EXPECT_EQ(LapLabel(), IntToText(State().CurrentLap));
        EXPECT_EQ(toolkit.GetControlValue(LapSlider), State().CurrentLap);
        if (i > 4 * kLapChanges) {
            ADD_FAILURE() << "the lap stopped changing at " << LapLabel();
            break;
        }
    }
    const std::int64_t endKb = test::ResidentKb();
    Report("lap changes", changes, startKb, endKb);
#ifndef VX_RELIABILITY_SHORT
    EXPECT_LT(endKb - startKb, kAllowedGrowthKb);
#endif
    for (int lap = 0; lap <= laps; ++lap) {
        Select(lap);
        EXPECT_EQ(test::ShownPictures(toolkit), pictures[static_cast<std::size_t>(lap)])
            << "lap " << lap << " shows otherwise after " << changes << " lap changes";
    }
    ExpectTheWindowToAnswer();
}

}  // namespace
}  // namespace vx
