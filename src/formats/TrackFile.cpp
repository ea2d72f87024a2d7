#include "formats/TrackFile.h"

#include "formats/ByteReader.h"
#include "toolkit/Text.h"

namespace vx {

Parsed<TrackData> ParseTrackFile(std::span<const std::uint8_t> file)
{
    ByteReader in(file);
    TrackData track;

    // Header: 261, then the marker "VX" as a text that a NUL may end early.
    const std::int16_t magic = in.I16(0, "TrackMagic");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (magic != kTrackMagic)
        return Invalid{"bad header: TrackMagic " + IntToText(magic) + " is not 261", Refusal::NotThisKind};
    const std::string marker = in.Text(2, 2, "TrackMarker");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (marker != "VX")
        return Invalid{"bad header: the marker is not \"VX\"", Refusal::NotThisKind};

    // The rest is read in file order, so that a file cut short is refused for
    // the first field it cuts.
    track.TrackInfoBase = in.I32(4, "TrackInfoOffset");
    track.MapScale = in.U8(8, "MapScale");
    track.WaterLevel = in.U8(9, "WaterLevel");
    track.MapRunCount = in.I32(16, "MapRunCount");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (track.MapRunCount < 0)
        return Invalid{"MapRunCount " + IntToText(track.MapRunCount) + " is negative"};

    const std::int64_t mapRunWords = std::int64_t{track.MapRunCount} + 1;
    track.HeightGridBase = kMapRunDataOffset + 2 * mapRunWords;
    track.ObjectTableBase = track.HeightGridBase + kHeightGridBytes;
    if (in.Require(kMapRunDataOffset, 2 * mapRunWords, "MapRunData")) {
        track.MapRuns.resize(static_cast<std::size_t>(mapRunWords));
        for (std::int64_t w = 0; w < mapRunWords; ++w)
            track.MapRuns[static_cast<std::size_t>(w)] = in.U16(kMapRunDataOffset + 2 * w, "MapRunData");
    }
    if (in.Require(track.HeightGridBase, kHeightGridBytes, "HeightGrid")) {
        for (int i = 0; i < kHeightGridCells; ++i)
            track.HeightGrid[static_cast<std::size_t>(i)] = in.U8(track.HeightGridBase + i, "HeightGrid");
    }

    const std::int16_t objectCount = in.I16(track.ObjectTableBase, "ObjectCount");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (objectCount < 0)
        return Invalid{"ObjectCount " + IntToText(objectCount) + " is negative"};
    if (in.Require(track.ObjectTableBase + 2, kObjectEntryBytes * objectCount, "object table")) {
        track.Objects.resize(static_cast<std::size_t>(objectCount));
        for (int i = 0; i < objectCount; ++i) {
            const std::int64_t entry = track.ObjectTableBase + 2 + kObjectEntryBytes * i;
            TrackObject& object = track.Objects[static_cast<std::size_t>(i)];
            object.Type = in.I8(entry + 0, {"Type", "object", i});
            object.X = in.I16(entry + 2, {"X", "object", i});
            object.Y = in.I16(entry + 4, {"Y", "object", i});
            object.Heading = in.U8(entry + 7, {"Heading", "object", i});
        }
    }

    track.ZoneTableBase = track.ObjectTableBase + 2 + kObjectEntryBytes * objectCount;
    track.ZoneCount = in.I8(track.ZoneTableBase, "ZoneCount");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (track.ZoneCount < 0)
        return Invalid{"ZoneCount " + IntToText(track.ZoneCount) + " is negative"};
    in.Require(track.ZoneTableBase + 1, kZoneEntryBytes * track.ZoneCount, "zone table");

    track.LineTableBase = track.ZoneTableBase + 1 + kZoneEntryBytes * track.ZoneCount;
    track.LineCount = in.I8(track.LineTableBase, "LineCount");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (track.LineCount < 0)
        return Invalid{"LineCount " + IntToText(track.LineCount) + " is negative"};
    // Each line entry overwrites the one before: the last is the lap line.
    for (int i = 0; i < track.LineCount; ++i) {
        const std::int64_t entry = track.LineTableBase + 1 + kLineEntryBytes * i;
        const std::int32_t x1 = in.I16(entry + 0, {"X1", "line", i});
        const std::int32_t y1 = in.I16(entry + 2, {"Y1", "line", i});
        const std::int32_t x2 = in.I16(entry + 4, {"X2", "line", i});
        const std::int32_t y2 = in.I16(entry + 6, {"Y2", "line", i});
        track.LapLineX1 = x1 / 2;  // '/' truncates toward zero: -3 gives -1
        track.LapLineY1 = 512 - y1 / 2;
        track.LapLineX2 = x2 / 2;
        track.LapLineY2 = 512 - y2 / 2;
        track.HasLapLine = true;
    }

    const std::int64_t info = track.TrackInfoBase;
    track.TrackLength = in.I32(info - 4, "TrackLength");
    track.BestTime1 = in.I16(info, "BestTime1");
    track.BestTime2 = in.I16(info + 2, "BestTime2");
    track.BestTimeName1 = in.TrimmedText(info + 14, kBestTimeNameLimit, "BestTimeName1");
    track.BestTimeName2 = in.TrimmedText(info + 27, kBestTimeNameLimit, "BestTimeName2");
    track.BestTimeCarName = in.TrimmedText(info + 105, kBestTimeNameLimit, "BestTimeCarName");
    if (!in.Valid())
        return Invalid{in.Reason()};
    return track;
}

}  // namespace vx
