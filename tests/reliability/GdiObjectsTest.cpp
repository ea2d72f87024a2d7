// Windows: the comparison window opened and closed two thousand times leaves
// the process holding no more GDI objects than its first opening did. A
// player may open it as often as they like; every object an opening makes
// goes with the window or is made once.
#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <filesystem>

#include "app/windows/CompareLayout.h"
#include "app/windows/CompareWindow.h"
#include "fixtures/RaceFiles.h"
#include "support/WindowDriver.h"

namespace vx {
namespace {

constexpr int kOpenings = 2000;

// The GDI objects this process holds, as the system counts them. Wine
// answers GetGuiResources with 0 and "not implemented"; there the process's
// GDI handle table (which the process environment block points to) is
// counted instead: an entry in use holds the address of its object.
long GdiObjectCount()
{
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return static_cast<long>(counted);
    struct Entry {
        std::uint64_t object;
        std::uint8_t rest[16];
    };
    static_assert(sizeof(Entry) == 24);
    constexpr std::size_t kTableOffset = 0xF8;  // of the table's address in the 64-bit block
    constexpr std::size_t kEntries = 65536;     // a handle's low word is its entry
    PROCESS_BASIC_INFORMATION process{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process,
                                  sizeof process, nullptr) != 0)
        return -1;
    const auto* block = reinterpret_cast<const std::uint8_t*>(process.PebBaseAddress);
    const Entry* table = nullptr;
    std::memcpy(&table, block + kTableOffset, sizeof table);
    if (table == nullptr)
        return -1;
    long inUse = 0;
    for (std::size_t i = 0; i < kEntries; ++i)
        inUse += table[i].object != 0 ? 1 : 0;
    return inUse;
}

class GdiObjects : public test::WindowTest {
protected:
    void SetUp() override
    {
        test::WindowTest::SetUp();
        std::filesystem::create_directories(root / "Saves");
        std::filesystem::create_directories(root / "Tracks");
        test::WriteFile(root / "Saves/cup.gam", test::CupGame("Oval", 12).Build());
        test::WriteFile(root / "Tracks/Oval.trk", test::OvalTrack().Build());
        script->answers = {root / "Saves/cup.gam"};
        Click("Load");
    }
    void OpenAndCloseComparison()
    {
        Click("Compare");
        ASSERT_TRUE(app.Compare().IsOpen(toolkit));
        CloseWindow(compare_window::Title);
        ASSERT_FALSE(app.Compare().IsOpen(toolkit));
    }
    test::TempFolder root;
};

TEST_F(GdiObjects, OpeningTheComparisonAgainAndAgainHoldsNoMoreObjects)
{
    ASSERT_EQ(State().Laps.LapCount, 12);
    OpenAndCloseComparison();  // what is made once is made now
    const long first = GdiObjectCount();
    ASSERT_GT(first, 0) << "the count is not measured";
    for (int i = 1; i < kOpenings; ++i)
        OpenAndCloseComparison();
    const long last = GdiObjectCount();
    std::printf("GDI objects after the first opening: %ld, after %d: %ld\n", first, kOpenings, last);
    EXPECT_EQ(last, first);
}

}  // namespace
}  // namespace vx
