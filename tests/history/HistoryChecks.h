// Checks shared by the history's tests: every race of a history whole.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace vx::test {

// Opens the history at path (checking its integrity) and checks every race
// in it: its laps all there, its best lap's path readable. The number of
// races goes to races.
testing::AssertionResult EveryRaceWhole(const std::string& path, int& races);

}  // namespace vx::test
