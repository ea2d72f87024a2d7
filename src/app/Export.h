// Picture export and the message log.
#pragma once

#include <string>

#include "state/AppState.h"

namespace vx {

// Asks for a file name and writes MapImage there: PNG when the name ends in
// ".png", JPEG at quality level 7 otherwise. Success and failure are logged.
// True when the picture was saved.
bool SavePicture(AppState& state, Toolkit& toolkit);

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

// Shows the newest log line in LogLabel (ending in an ellipsis when it is
// too wide) and the whole log as its tooltip, newest first.
void ShowLog(const AppState& state, Toolkit& toolkit);

}  // namespace vx
