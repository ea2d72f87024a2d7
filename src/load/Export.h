// Picture export: the map picture written as JPEG or PNG.
#pragma once

#include <string>

#include "state/AppState.h"

namespace vx {

// Asks for a file name, in front of window, and writes MapImage there: PNG
// when the name ends in ".png", JPEG at quality level 7 otherwise. Success is
// logged; a failure is said as SayFailure says it. True when the picture was
// saved.
bool SavePicture(AppState& state, Toolkit& toolkit, int window = MainWindow);

// The name the save requester proposes: the current folder + the picture's
// name + ".jpg", or the folder alone when that name cannot be a file name
// here.
std::string DefaultPictureFileName(const AppState& state, Toolkit& toolkit);

// The character may stand in a file's name on every system the program runs
// on: no control character, none of \ / : * ? " < > |.
bool CanBeInFileName(char c);

}  // namespace vx
