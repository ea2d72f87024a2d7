#include <clocale>

#include "app/commands/CommandLine.h"
#include "toolkit/Platform.h"

int main(int argc, char** argv)
{
    // Numbers are written and read with "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    return vx::RunCommandLine(vx::ProgramArguments(argc, argv));
}
