// What the history's tests share: races made up to record, a fixture with a
// history in a temporary folder, SQL written as another program would write
// it, and the check that every race of a history is whole.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "support/TestSupport.h"

namespace vx::test {

constexpr std::int64_t kDay = 24LL * 3600 * 1'000'000'000;
constexpr std::int64_t kFirstDay = 1'780'000'000LL * 1'000'000'000;  // 2026-05-28

// A key of its first two bytes (and a last one, so that no key is all zeros).
Sha256Digest Key(std::uint8_t first, std::uint8_t second = 0);

// A race of three laps on layout Key(0xf0, layout) whose best lap (lap 2)
// takes bestS, raced by Mara on day `day`.
RaceRecord Race(std::uint8_t id, std::uint8_t layout, const std::string& car, double bestS, int day);

// Writes fixed SQL into the database at path, as another program would.
void WriteAsAnotherProgram(const std::string& path, const std::vector<std::string>& statements);

// A history in a temporary folder, opened by SetUp.
class History : public testing::Test {
protected:
    void SetUp() override { Open(); }
    void Open(bool checkAlways = false);
    HistoryStore::Recorded Record(const RaceRecord& race);
    std::vector<ProgressRow> Progress(std::uint8_t layout, const std::optional<std::string>& car = {});

    TempFolder folder;
    std::string path = folder / "history.sqlite3";
    HistoryOpening opening;
    std::unique_ptr<HistoryStore> store;
};

// Opens the history at path (checking its integrity) and checks every race
// in it: its laps all there, its best lap's path readable. The number of
// races goes to races.
testing::AssertionResult EveryRaceWhole(const std::string& path, int& races);

}  // namespace vx::test
