#include "load/Export.h"

#include <algorithm>

#include "load/LoadFiles.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"

namespace vx {

bool CanBeInFileName(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 32 && byte != 127 && std::string_view("\"*/:<>?\\|").find(c) == std::string_view::npos;
}

namespace {

bool CanBeFileName(const std::string& name)
{
    return std::all_of(name.begin(), name.end(), CanBeInFileName);
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
        // The path as chosen or typed: the folder is as often the trouble as the name.
        SayFailure(state, toolkit, window, "Picture not saved: " + chosen + " (" + toolkit.LastError() + ")");
        return false;
    }
    LogMessage(state, toolkit, "Bild gespeichert");
    return true;
}

}  // namespace vx
