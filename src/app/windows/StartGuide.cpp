#include "app/windows/StartGuide.h"

#include <algorithm>

#include "toolkit/Text.h"
#include "trackmap/Geometry.h"

namespace vx {

namespace {

constexpr Colour kPanel = MakeRgb(246, 245, 242);
constexpr Colour kFrame = MakeRgb(160, 160, 160);
constexpr Colour kHeading = MakeRgb(0, 0, 0);
constexpr Colour kText = MakeRgb(40, 40, 40);
constexpr int kLineGap = 5;  // pixels between two lines
constexpr int kHeadingGap = 12;

}  // namespace

std::vector<std::string> StartGuideLines(const std::string& demoRaces)
{
    std::vector<std::string> lines = {
        "No race loaded yet",
        "Load a saved game (*.gam) to begin:",
        "press \"Load\" below or Ctrl+O,",
        "or drop a saved game on this window.",
        "",
        "Its track is found beside it, or in the",
        "\"Tracks\" folder beside \"Saves\".",
    };
    if (!demoRaces.empty()) {
        lines.push_back("");
        lines.push_back("Demo races to try:");
        lines.push_back(demoRaces);
    }
    return lines;
}

std::string DemoRacesFolder(Toolkit& toolkit)
{
#if defined(VX_PACKAGED_DEMO_RACES) && defined(VX_INSTALLED_DEMO_RACES)
    // Linux: where the package puts them, or an installation of the build's
    // own prefix.
    for (const char* folder : {VX_PACKAGED_DEMO_RACES, VX_INSTALLED_DEMO_RACES})
        if (toolkit.KindOf(folder) == PathKind::Folder)
            return folder;
    return {};
#else
    // Windows: the installer and the zip both put them beside the program.
    (void)toolkit;
    return "the samples\\Saves folder beside vxanalyser.exe";
#endif
}

void ShowStartGuide(const AppState& state, Toolkit& toolkit)
{
    const std::vector<std::string> lines = StartGuideLines(FileNameToCp1252(DemoRacesFolder(toolkit)));
    toolkit.LoadFontSlot(GuideFont, "Arial", 11);
    toolkit.LoadFontSlot(GuideHeadingFont, "Arial", 14, kFontBold);
    // The size of the map, so that the box keeps its size.
    toolkit.CreateImageSlot(GuideImage, kMapWidth, kMapPictureHeight, state.Colours[Paint::DialogFace]);
    {
        Drawing drawing(toolkit, GuideImage);
        toolkit.SetDrawingMode(1);
        const int heading = toolkit.FontCellHeight(toolkit.FontHandleOf(GuideHeadingFont));
        const int line = toolkit.FontCellHeight(toolkit.FontHandleOf(GuideFont)) + kLineGap;
        toolkit.SetDrawingFont(toolkit.FontHandleOf(GuideFont));
        int widest = 0;
        for (std::size_t i = 1; i < lines.size(); ++i)
            widest = std::max(widest, toolkit.MeasureTextWidth(lines[i]));
        const int height = heading + kHeadingGap + static_cast<int>(lines.size() - 1) * line;
        const int panelWidth = std::min(kMapWidth - 20, widest + 60);
        const int panelHeight = height + 50;
        const int panelX = (kMapWidth - panelWidth) / 2;
        const int panelY = (kMapAreaHeight - panelHeight) / 2;
        toolkit.FillBox(panelX, panelY, panelWidth, panelHeight, kPanel);
        toolkit.DrawLineBy(panelX, panelY, panelWidth, 0, kFrame);
        toolkit.DrawLineBy(panelX, panelY + panelHeight - 1, panelWidth, 0, kFrame);
        toolkit.DrawLineBy(panelX, panelY, 0, panelHeight, kFrame);
        toolkit.DrawLineBy(panelX + panelWidth - 1, panelY, 0, panelHeight, kFrame);
        const int left = panelX + 30;
        int y = panelY + 25;
        toolkit.SetDrawingFont(toolkit.FontHandleOf(GuideHeadingFont));
        toolkit.DrawTextAt(left, y, lines[0], kHeading);
        y += heading + kHeadingGap;
        toolkit.SetDrawingFont(toolkit.FontHandleOf(GuideFont));
        for (std::size_t i = 1; i < lines.size(); ++i, y += line)
            toolkit.DrawTextAt(left, y, lines[i], kText);
    }
    toolkit.ShowImage(MapBox, GuideImage);
}

}  // namespace vx
