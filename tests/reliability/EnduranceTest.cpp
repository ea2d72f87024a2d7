// Long sessions in the real window (headless): a thousand loads, valid and
// not in turn, and ten thousand lap changes. Nothing piles up (the objects
// the program and the toolkit make with new, counted here, come back to
// what they were after warming up, whatever the allocator keeps), nothing
// leaks (the sanitizer build checks for leaks at exit), the pictures of a
// lap do not drift, and the window still answers at the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaObject>
#include <QSlider>
#include <QTest>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "app/QtWindow.h"
#include "fixtures/RaceFiles.h"
#include "laps/LapNavigation.h"
#include "reliability/Reliability.h"
#include "support/WindowDriver.h"
#include "toolkit/Text.h"

// Every object made with new and not yet deleted, in this process: the
// program's, the toolkit's and the test's (C code's malloc is not counted).
// A count, not bytes: it does not depend on how the allocator holds memory.
namespace {
std::atomic<std::int64_t> liveObjects{0};

void* Allocate(std::size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    liveObjects.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void Free(void* p) noexcept
{
    if (p == nullptr)
        return;
    liveObjects.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

namespace vx {
namespace {

namespace fs = std::filesystem;

std::int64_t LiveObjects()
{
    return liveObjects.load(std::memory_order_relaxed);
}
using test::TempFolder;
using test::WriteFile;

// The sanitizers make every load and redraw several times slower: there the
// runs are shorter.
#ifdef VX_RELIABILITY_SHORT
constexpr int kLoads = 200;
constexpr int kLapChanges = 2000;
#else
constexpr int kLoads = 1000;
constexpr int kLapChanges = 10000;
#endif
// Objects still alive at the end that were not after warming up: a few are
// the toolkit's caches settling; one left behind per load or per lap change
// would be hundreds.
constexpr std::int64_t kAllowedLiveGrowth = 64;

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
        // What the requesters were asked and showed is the test's record, not
        // the program's: kept for one load only.
        script->asked.clear();
        script->shown.clear();
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

    struct Measure {
        std::int64_t objects = LiveObjects();
        std::int64_t residentKb = test::ResidentKb();
    };
    static void Report(const char* what, int count, const Measure& start, const Measure& end)
    {
        std::printf("[ reliability ] %d %s: %lld live objects after warming up, %lld at the end (%+lld); "
                    "resident memory %lld kB, %lld kB (%+lld kB, the allocator's, not bounded)\n",
                    count, what, static_cast<long long>(start.objects), static_cast<long long>(end.objects),
                    static_cast<long long>(end.objects - start.objects), static_cast<long long>(start.residentKb),
                    static_cast<long long>(end.residentKb), static_cast<long long>(end.residentKb - start.residentKb));
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
    const Measure start;
    int wrong = 0;
    for (int i = 0; i < kLoads; ++i) {
        if (!Step(i) && ++wrong <= 5)
            ADD_FAILURE() << "load " << i << " ended otherwise than expected: " << NewestLog();
    }
    const Measure end;
    Report("loads", kLoads, start, end);
    EXPECT_EQ(wrong, 0);
    EXPECT_LT(end.objects - start.objects, kAllowedLiveGrowth);
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
    Measure start;
    for (int i = 0; changes < kLapChanges; ++i) {
        if (i == 200)
            start = Measure{};  // after warming up
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
    const Measure end;
    Report("lap changes", changes, start, end);
    EXPECT_LT(end.objects - start.objects, kAllowedLiveGrowth);
    for (int lap = 0; lap <= laps; ++lap) {
        Select(lap);
        EXPECT_EQ(test::ShownPictures(toolkit), pictures[static_cast<std::size_t>(lap)])
            << "lap " << lap << " shows otherwise after " << changes << " lap changes";
    }
    ExpectTheWindowToAnswer();
}

}  // namespace
}  // namespace vx
