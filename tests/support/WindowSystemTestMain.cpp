// The main of test programs that draw text or open windows: the window
// system started headless first, then every test.
#include <gtest/gtest.h>

#include <clocale>

#include "toolkit/Toolkit.h"

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    testing::InitGoogleTest(&argc, argv);
    if (!vx::SystemWindows().Start(true, nullptr))
        return 1;
    return RUN_ALL_TESTS();
}
