// The message log: the last six messages, newest first, each line cut to the
// 100 characters the window shows of it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"

namespace vx {

class MessageLog {
public:
    static constexpr int kLines = 6;
    static constexpr int kLineLength = 100;

    // Keeps message (UTF-8, as composed with the file names in it) as the
    // newest line; the oldest line drops out. A failure shows as such until
    // the next message.
    void Add(const std::string& message, bool failure);

    // Line 0 is the newest; lines never written hold "> ". Lines are the
    // program's texts (Windows-1252), cut to 100 characters.
    const std::array<std::string, kLines>& Lines() const { return lines_; }
    const std::string& Newest() const { return lines_[0]; }
    // The messages written so far, whole, as composed, newest first: at most
    // kLines of them, none before the first message.
    const std::vector<std::string>& Messages() const { return messages_; }
    // The newest message whole, as composed ("" before the first).
    const std::string& NewestWhole() const { return newestWhole_; }
    bool NewestIsFailure() const { return newestIsFailure_; }

private:
    std::array<std::string, kLines> lines_ = {"> ", "> ", "> ", "> ", "> ", "> "};
    std::vector<std::string> messages_;
    std::string newestWhole_;
    bool newestIsFailure_ = false;
};

struct AppState;

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
