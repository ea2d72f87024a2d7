// Picture export and the message log.
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

// Keeps the message (cut to 100 characters) as the newest of the log's lines
// and shows it. Messages are composed in UTF-8, like the file names in them.
void LogMessage(AppState& state, Toolkit& toolkit, const std::string& message);
// The same for a message that says something failed: it shows in red until
// the next message that is no failure.
void LogFailure(AppState& state, Toolkit& toolkit, const std::string& message);
// A failure of what the user just did in window: logged as LogFailure logs
// it, and said whole in an error box in front of that window. With NoWindow
// it is logged alone.
void SayFailure(AppState& state, Toolkit& toolkit, int window, const std::string& message);

// Shows the newest log line in LogLabel (nothing before the first message)
// and the messages whole as its tooltip, newest first.
void ShowLog(const AppState& state, Toolkit& toolkit);

}  // namespace vx
