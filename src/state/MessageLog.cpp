#include "state/MessageLog.h"

#include <algorithm>

#include "state/AppState.h"
#include "toolkit/Text.h"

namespace vx {

void MessageLog::Add(const std::string& message, bool failure)
{
    std::rotate(lines_.rbegin(), lines_.rbegin() + 1, lines_.rend());
    lines_[0] = LeftText(FileNameToCp1252(message), kLineLength);
    messages_.insert(messages_.begin(), message);
    if (messages_.size() > static_cast<std::size_t>(kLines))
        messages_.pop_back();
    newestWhole_ = message;
    newestIsFailure_ = failure;
}

namespace {

constexpr Colour kNormalText = MakeRgb(0, 0, 0);
constexpr Colour kFailureText = MakeRgb(200, 0, 0);

}  // namespace

void LogMessage(AppState& state, Toolkit& toolkit, const std::string& message)
{
    state.Log.Add(message, false);
    ShowLog(state, toolkit);
}

void LogFailure(AppState& state, Toolkit& toolkit, const std::string& message)
{
    state.Log.Add(message, true);
    ShowLog(state, toolkit);
}

void SayFailure(AppState& state, Toolkit& toolkit, int window, const std::string& message)
{
    LogFailure(state, toolkit, message);
    if (window != NoWindow)
        toolkit.ShowMessageBox(window, MessageKind::Error, kWindowTitle, FileNameToCp1252(message));
}

void ShowLog(const AppState& state, Toolkit& toolkit)
{
    // The log's lines hold "> " until messages fill them; the label and its
    // tip show the messages alone.
    const std::vector<std::string>& messages = state.Log.Messages();
    toolkit.SetControlText(LogLabel, messages.empty() ? std::string() : state.Log.Newest());
    toolkit.SetControlTextColour(LogLabel, state.Log.NewestIsFailure() ? kFailureText : kNormalText);
    std::string tip;
    for (std::size_t k = 0; k < messages.size(); ++k) {
        if (k != 0)
            tip += '\n';
        tip += FileNameToCp1252(messages[k]);
    }
    toolkit.SetControlToolTip(LogLabel, tip);
}

}  // namespace vx
