#include "app/Export.h"

#include <algorithm>

#include "app/LoadFiles.h"
#include "app/MainWindow.h"
#include "trackmap/MapDrawing.h"
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

std::string DefaultPictureFileName(const AppState& state, Toolkit& toolkit)
{
    const std::string name = PictureNameOf(state);
    if (!CanBeFileName(name))
        return toolkit.CurrentFolder();  // the requester starts there with an empty name
    // The picture's name is made of texts from the files: it becomes a file
    // name in the system's encoding.
    return toolkit.CurrentFolder() + Cp1252ToUtf8(name) + ".jpg";
}

bool SavePicture(AppState& state, Toolkit& toolkit, int window)
{
    // The system's JPEG filter first and chosen; PNG offered beside it.
    const std::string chosen =
        toolkit.AskSaveFile(window, "Bild speichern", DefaultPictureFileName(state, toolkit), "jpg|*.jpg|png|*.png", 0);
    if (chosen.empty())
        return false;
    const bool png = EndsWithIgnoringCase(chosen, ".png");
    const int saved = png ? toolkit.SaveImageAsPng(MapImage, chosen)
                          : toolkit.SaveImageAsJpeg(MapImage, chosen, 7);
    if (saved == 0) {
        SayFailure(state, toolkit, window,
                   "Picture not saved: " + FileNamePart(chosen) + " (" + toolkit.LastError() + ")");
        return false;
    }
    LogMessage(state, toolkit, "Bild gespeichert");
    return true;
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
