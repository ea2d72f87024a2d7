#include "trackmap/Objects.h"

#include <vector>

#include "trackmap/Geometry.h"

namespace vx {

namespace {

constexpr Colour kOutlineGrey = MakeRgb(170, 170, 170);

struct MapObject {
    int type;
    MapPixel pixel;
    std::uint8_t heading;
};

void DrawOutline(Toolkit& toolkit, const MapObject& object, FootprintHalves size, Colour colour)
{
    const Footprint footprint = FootprintOf(object.pixel.x, object.pixel.y,
                                            HeadingAngle(object.heading), size.halfLength,
                                            size.halfWidth);
    for (const MapEdge& edge : footprint.Edges())
        toolkit.DrawSegment(edge.from.x, edge.from.y, edge.to.x, edge.to.y, colour);
}

}  // namespace

void DrawTrackObjects(AppState& state, Toolkit& toolkit)
{
    std::vector<MapObject> objects;
    objects.reserve(state.Track.Objects.size());
    for (const TrackObject& o : state.Track.Objects)
        objects.push_back({o.Type, MapPixelOf(o.X, o.Y), o.Heading});

    const ColourTable& colours = state.Colours;
    Drawing drawing(toolkit, MapImage);
    for (const MapObject& o : objects) {  // pass 1: trees
        if (o.type == 10 && InsideMarkerArea(o.pixel.x, o.pixel.y))
            toolkit.FillBox(o.pixel.x - 1, o.pixel.y - 1, 3, 3, colours[Paint::MarkerWhite]);
    }
    for (const MapObject& o : objects) {  // pass 2: markers with a red ring
        if (o.type != 25 || !InsideMarkerArea(o.pixel.x, o.pixel.y))
            continue;
        toolkit.PlotPixel(o.pixel.x, o.pixel.y, colours[Paint::MarkerWhite]);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx != 0 || dy != 0)
                    toolkit.PlotPixel(o.pixel.x + dx, o.pixel.y + dy, colours[Paint::MarkerRed]);
    }
    for (const MapObject& o : objects) {  // pass 3: posts
        if (o.type != 9 || !InsideMarkerArea(o.pixel.x, o.pixel.y))
            continue;
        toolkit.FillBox(o.pixel.x - 2, o.pixel.y - 2, 5, 5, colours[Paint::PostSquare]);
        toolkit.PlotPixel(o.pixel.x, o.pixel.y, colours[Paint::MarkerWhite]);
    }
    const std::uint8_t scale = state.Track.MapScale;
    if (const auto large = FootprintSize(kLargeFootprint.length, kLargeFootprint.width, scale)) {
        for (const MapObject& o : objects) {  // pass 4: buildings, outlined and filled
            if ((o.type != 17 && o.type != 18) ||
                !InsideFootprintMargin(o.pixel.x, o.pixel.y, large->halfWidth))
                continue;
            DrawOutline(toolkit, o, *large, kOutlineGrey);
            toolkit.FloodFillArea(o.pixel.x, o.pixel.y, kOutlineGrey, colours[Paint::BuildingFill]);
        }
    }
    if (const auto small = FootprintSize(kSmallFootprint.length, kSmallFootprint.width, scale)) {
        for (const MapObject& o : objects) {  // pass 5: barriers, outlined only
            Colour colour;
            switch (o.type) {
            case 1:
            case 29: colour = colours[Paint::BarrierWhite]; break;
            case 2: colour = colours[Paint::MarkerRed]; break;
            case 3: colour = colours[Paint::BarrierYellow]; break;
            case 23: colour = colours[Paint::BarrierBrown]; break;
            default: continue;
            }
            if (InsideFootprintMargin(o.pixel.x, o.pixel.y, small->halfWidth))
                DrawOutline(toolkit, o, *small, colour);
        }
    }
    toolkit.ShowImage(MapBox, MapImage);
}

}  // namespace vx
