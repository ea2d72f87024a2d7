#include "trackmap/MapDrawing.h"

#include <cstring>
#include <vector>

#include "state/EmbeddedPictures.h"
#include "trackmap/MapPicture.h"

namespace vx {

namespace {

constexpr std::size_t kPixelOffset = 1078;  // headers and palette of the bitmap
constexpr Colour kLabelText = MakeRgb(255, 255, 255);
constexpr Colour kLabelBackground = MakeRgb(0, 100, 150);
constexpr Colour kWater = MakeRgb(0, 64, 255);

}  // namespace

MapLabels MapLabelsOfTrack(const AppState& state)
{
    const TrackData& track = state.Track;
    BestTimes times;
    times.BestTime1 = track.BestTime1;
    times.BestTime2 = track.BestTime2;
    times.BestTimeName1 = track.BestTimeName1;
    times.BestTimeName2 = track.BestTimeName2;
    times.CarName1 = track.BestTimeCarName;
    return MapLabelsOf(times, state.TrackFileName);
}

std::string PictureNameOf(const AppState& state)
{
    return state.HasTrack ? MapLabelsOfTrack(state).PictureName : std::string();
}

void DrawTrackPicture(AppState& state, Toolkit& toolkit)
{
    // The bitmap is assembled behind the template's headers and palette.
    const auto& templateBytes = PictureTemplate();
    std::vector<std::uint8_t> bitmap(kPixelOffset + kMapPixelBytes, kMapBackgroundIndex);
    std::memcpy(bitmap.data(), templateBytes.data(), kPixelOffset);
    DecodeMapRuns(state.Track.MapRuns, state.Terrain, std::span(bitmap).subspan(kPixelOffset));
    toolkit.CatchBitmapImage(MapImage, bitmap);
    if (!toolkit.ImageExists(MapImage))
        return;

    {
        Drawing drawing(toolkit, MapImage);
        toolkit.SetDrawingFont(toolkit.FontHandleOf(LabelFont));
        const MapLabels labels = MapLabelsOfTrack(state);
        toolkit.DrawTextAt(kTimeTextAt.x, kTimeTextAt.y, labels.TimeText, kLabelText,
                           kLabelBackground);
        toolkit.DrawTextAt(kTrackNameAt.x, kTrackNameAt.y, labels.TrackName, kLabelText,
                           kLabelBackground);
        toolkit.DrawTextAt(kHolderLineAt.x, kHolderLineAt.y, labels.HolderLine, kLabelText,
                           kLabelBackground);
    }
    toolkit.ShowImage(MapBox, MapImage);
}

void DrawWaterCells(AppState& state, Toolkit& toolkit)
{
    const TrackData& track = state.Track;
    {
        Drawing drawing(toolkit, MapImage);
        for (int i = 0; i < kHeightGridCells; ++i) {  // in file order
            if (track.HeightGrid[static_cast<std::size_t>(i)] < track.WaterLevel) {
                const MapPixel cell = HeightCellOrigin(i);
                toolkit.FillBox(cell.x, cell.y, 8, 8, kWater);
            }
        }
    }
    toolkit.ShowImage(MapBox, MapImage);
}

}  // namespace vx
