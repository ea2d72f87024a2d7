#include "app/Export.h"

#include <algorithm>

#include "app/LoadWorkflow.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

bool CanBeFileName(const std::string& name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127 || std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

}  // namespace

std::string DefaultPictureFileName(const AppState& state)
{
    if (!CanBeFileName(state.PictureName))
        return CurrentFolder();  // the requester starts there with an empty name
    // The picture's name is made of texts from the files: it becomes a file
    // name in the system's encoding.
    return CurrentFolder() + Cp1252ToUtf8(state.PictureName) + ".jpg";
}

void SavePicture(AppState& state, Toolkit& toolkit)
{
    const std::string chosen =
        toolkit.AskSaveFile("Bild speichern", DefaultPictureFileName(state), "jpg|*.jpg", 0);
    if (chosen.empty())
        return;
    const bool png = EndsWithIgnoringCase(chosen, ".png");
    const int saved = png ? toolkit.SaveImageAsPng(MapImage, chosen)
                          : toolkit.SaveImageAsJpeg(MapImage, chosen, 7);
    if (saved == 0) {
        LogFailure(state, toolkit,
                   "Picture not saved: " + FileNamePart(chosen) + " (" + toolkit.LastError() + ")");
        return;
    }
    LogMessage(state, toolkit, "Bild gespeichert");
}

namespace {

constexpr Colour kNormalText = MakeRgb(0, 0, 0);
constexpr Colour kFailureText = MakeRgb(200, 0, 0);

void Log(AppState& state, Toolkit& toolkit, const std::string& message, bool failure)
{
    // The log shows the program's own texts (Windows-1252).
    const std::string text = FileNameToCp1252(message);
    const std::string m = TextLength(text) > 100 ? LeftText(text, 100) : text;
    state.NewestMessage = message;
    state.NewestIsFailure = failure;
    const int count = std::clamp(state.LogLineCount, 0, 7);
    for (int k = 1; k <= count - 1; ++k)
        state.LogLines[k] = state.LogLines[k + 1];
    if (count >= 1)
        state.LogLines[count] = m;
    state.LogText.clear();
    for (int k = 1; k <= count; ++k)
        state.LogText += state.LogLines[k] + state.LineBreak;
    ShowLog(state, toolkit);
}

}  // namespace

void LogMessage(AppState& state, Toolkit& toolkit, const std::string& message)
{
    Log(state, toolkit, message, false);
}

void LogFailure(AppState& state, Toolkit& toolkit, const std::string& message)
{
    Log(state, toolkit, message, true);
}

void ShowLog(const AppState& state, Toolkit& toolkit)
{
    const int count = std::clamp(state.LogLineCount, 0, 7);
    toolkit.SetControlText(LogLabel, count >= 1 ? state.LogLines[count] : std::string());
    toolkit.SetControlTextColour(LogLabel, state.NewestIsFailure ? kFailureText : kNormalText);
    // Newest first: the tooltip's first line is the newest message whole.
    std::string tip;
    for (int k = count; k >= 1; --k)
        tip += state.LogLines[k] + (k > 1 ? "\n" : "");
    toolkit.SetControlToolTip(LogLabel, tip);
}

}  // namespace vx
