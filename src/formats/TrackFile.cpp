#include "formats/TrackFile.h"

#include "formats/ByteReader.h"
#include "toolkit/Text.h"

namespace vx {

bool HasTrackHeader(std::span<const std::uint8_t> file)
{
    return file.size() >= 4 && (file[0] | file[1] << 8) == kTrackMagic && file[2] == 'V' && file[3] == 'X';
}

Parsed<TrackData> ParseTrackFile(std::span<const std::uint8_t> file)
{
    ByteReader in(file);
    TrackData track;

    // Header: 261, then the marker "VX" as a text that a NUL may end early.
    constexpr const char* kHeader = "the track's header";
    const std::int16_t magic = in.I16(0, {"TrackMagic", kHeader});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (magic != kTrackMagic)
        return Invalid{"it does not begin as a track does (TrackMagic " + IntToText(magic) + " at offset 0, not 261)",
                       Refusal::NotThisKind};
    const std::string marker = in.Text(2, 2, {"TrackMarker", kHeader});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (marker != "VX")
        return Invalid{"it does not begin as a track does (the marker at offset 2 is not \"VX\")",
                       Refusal::NotThisKind};

    // The rest is read in file order, so that a file cut short is refused for
    // the first field it cuts.
    track.TrackInfoBase = in.I32(4, {"TrackInfoOffset", kHeader});
    track.MapScale = in.U8(8, {"MapScale", "the map's scale"});
    track.WaterLevel = in.U8(9, {"WaterLevel", "the water level"});
    track.MapRunCount = in.I32(16, {"MapRunCount", "the map picture"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (track.MapRunCount < 0)
        return Invalid{"the map picture has a negative size (MapRunCount " + IntToText(track.MapRunCount) +
                       " at offset 16)"};

    const std::int64_t mapRunWords = std::int64_t{track.MapRunCount} + 1;
    track.HeightGridBase = kMapRunDataOffset + 2 * mapRunWords;
    track.ObjectTableBase = track.HeightGridBase + kHeightGridBytes;
    const FieldName mapRunData{"MapRunData", "the map picture"};
    if (in.Require(kMapRunDataOffset, 2 * mapRunWords, mapRunData)) {
        track.MapRuns.resize(static_cast<std::size_t>(mapRunWords));
        for (std::int64_t w = 0; w < mapRunWords; ++w)
            track.MapRuns[static_cast<std::size_t>(w)] = in.U16(kMapRunDataOffset + 2 * w, mapRunData);
    }
    const FieldName heightGrid{"HeightGrid", "the heights of the ground"};
    if (in.Require(track.HeightGridBase, kHeightGridBytes, heightGrid)) {
        for (int i = 0; i < kHeightGridCells; ++i)
            track.HeightGrid[static_cast<std::size_t>(i)] = in.U8(track.HeightGridBase + i, heightGrid);
    }

    const std::int16_t objectCount = in.I16(track.ObjectTableBase, {"ObjectCount", "the list of objects"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (objectCount < 0)
        return Invalid{"the list of objects has a negative length (ObjectCount " + IntToText(objectCount) +
                       " at offset " + IntToText(track.ObjectTableBase) + ")"};
    constexpr const char* kObjects = "the track's objects";
    if (in.Require(track.ObjectTableBase + 2, kObjectEntryBytes * objectCount, {"object table", kObjects})) {
        track.Objects.resize(static_cast<std::size_t>(objectCount));
        for (int i = 0; i < objectCount; ++i) {
            const std::int64_t entry = track.ObjectTableBase + 2 + kObjectEntryBytes * i;
            TrackObject& object = track.Objects[static_cast<std::size_t>(i)];
            object.Type = in.I8(entry + 0, {"Type", kObjects, "object", i});
            object.X = in.I16(entry + 2, {"X", kObjects, "object", i});
            object.Y = in.I16(entry + 4, {"Y", kObjects, "object", i});
            object.Heading = in.U8(entry + 7, {"Heading", kObjects, "object", i});
        }
    }

    track.ZoneTableBase = track.ObjectTableBase + 2 + kObjectEntryBytes * objectCount;
    track.ZoneCount = in.I8(track.ZoneTableBase, {"ZoneCount", "the list of zones"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (track.ZoneCount < 0)
        return Invalid{"the list of zones has a negative length (ZoneCount " + IntToText(track.ZoneCount) +
                       " at offset " + IntToText(track.ZoneTableBase) + ")"};
    in.Require(track.ZoneTableBase + 1, kZoneEntryBytes * track.ZoneCount, {"zone table", "the track's zones"});

    track.LineTableBase = track.ZoneTableBase + 1 + kZoneEntryBytes * track.ZoneCount;
    track.LineCount = in.I8(track.LineTableBase, {"LineCount", "the list of lines"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (track.LineCount < 0)
        return Invalid{"the list of lines has a negative length (LineCount " + IntToText(track.LineCount) +
                       " at offset " + IntToText(track.LineTableBase) + ")"};
    constexpr const char* kLines = "the track's lines";
    // Each line entry overwrites the one before: the last is the lap line.
    for (int i = 0; i < track.LineCount; ++i) {
        const std::int64_t entry = track.LineTableBase + 1 + kLineEntryBytes * i;
        const std::int32_t x1 = in.I16(entry + 0, {"X1", kLines, "line", i});
        const std::int32_t y1 = in.I16(entry + 2, {"Y1", kLines, "line", i});
        const std::int32_t x2 = in.I16(entry + 4, {"X2", kLines, "line", i});
        const std::int32_t y2 = in.I16(entry + 6, {"Y2", kLines, "line", i});
        track.LapLineX1 = x1 / 2;  // '/' truncates toward zero: -3 gives -1
        track.LapLineY1 = 512 - y1 / 2;
        track.LapLineX2 = x2 / 2;
        track.LapLineY2 = 512 - y2 / 2;
        track.HasLapLine = true;
    }

    const std::int64_t info = track.TrackInfoBase;
    track.TrackLength = in.I32(info - 4, {"TrackLength", "the track's length"});
    track.BestTime1 = in.I16(info, {"BestTime1", "the best time"});
    track.BestTime2 = in.I16(info + 2, {"BestTime2", "the second best time"});
    track.BestTimeName1 = in.TrimmedText(info + 14, kBestTimeNameLimit, {"BestTimeName1", "the best time's holder"});
    track.BestTimeName2 =
        in.TrimmedText(info + 27, kBestTimeNameLimit, {"BestTimeName2", "the second best time's holder"});
    track.BestTimeCarName = in.TrimmedText(info + 105, kBestTimeNameLimit, {"BestTimeCarName", "the best time's car"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    return track;
}

std::span<const std::uint8_t> LayoutBytes(std::span<const std::uint8_t> track,
                                          std::int64_t trackInfoBase)
{
    if (trackInfoBase < 8 || trackInfoBase > std::ssize(track))
        return track;
    return track.first(static_cast<std::size_t>(trackInfoBase));
}

}  // namespace vx
