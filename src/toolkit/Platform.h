// The platform: what the program needs from the system it runs on, in three
// parts, each an interface of its own (FileSystem.h, PictureCodecs.h,
// WindowSystem.h), and the process's own operations.
//
// One implementation per system: qt/ (Qt Widgets, libjpeg and POSIX) for
// Linux, win32/ for Windows. Nothing outside those folders includes a system
// header; the rest of the program reaches the system only through the
// toolkit (Toolkit.h), which reaches it only through these interfaces.
#pragma once

#include <string>
#include <vector>

#include "toolkit/FileSystem.h"
#include "toolkit/PictureCodecs.h"
#include "toolkit/WindowSystem.h"

namespace vx {

// The three parts a toolkit works over: the system's unless a test puts one
// of its own in their place (Platform{.files = changingFiles}).
struct Platform {
    FileSystem& files = SystemFiles();
    PictureCodecs& codecs = SystemCodecs();
    WindowSystem& windows = SystemWindows();
};

// --- The process --------------------------------------------------------------------

// The program's arguments in UTF-8 (on Windows as the system holds them,
// whatever the code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Lets stdout and stderr reach the console the program was started from,
// where the program has none of its own, and that console's interrupt key
// reach the program (a Windows program started from a console: it is
// attached to that console); nothing where they reach it already.
void AttachTextOutput();

}  // namespace vx
