#include "trackmap/MapPicture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

void DecodeMapRuns(std::span<const std::uint16_t> runs,
                   std::span<const std::int32_t> terrainPalette, std::span<std::uint8_t> pixels)
{
    if (pixels.size() <= kMapAreaFirstByte)
        return;
    std::array<std::uint8_t, 16> indexOf{};
    for (std::size_t code = 0; code < indexOf.size() && code < terrainPalette.size(); ++code)
        indexOf[code] = static_cast<std::uint8_t>(terrainPalette[code]);

    std::uint8_t* const area = pixels.data() + kMapAreaFirstByte;
    const std::size_t room =
        std::min(pixels.size(), kMapPixelBytes) - kMapAreaFirstByte;  // 512 x 512 at most
    std::size_t at = 0;
    for (const std::uint16_t word : runs) {
        if (at >= room)
            break;
        const std::uint8_t low = word & 0xFF;
        const std::size_t length = std::size_t{static_cast<std::uint8_t>(word >> 8)} * 16 + (low >> 4);
        const std::size_t n = std::min(length, room - at);
        std::memset(area + at, indexOf[low & 15], n);
        at += n;
    }
}

std::string TrackNameOf(std::string_view trackPath)
{
    const std::string file = FileNamePart(trackPath);
    return LeftText(file, TextLength(file) - 4);
}

MapLabels MapLabelsOf(const BestTimes& times, std::string_view trackPath)
{
    std::int16_t time = times.BestTime1;
    MapLabels labels;
    std::optional<std::string_view> holder;  // ends the picture's name, when there is one
    if (times.BestTime2 < kNoBestTime) {
        time = times.BestTime2;
        labels.HolderLine = std::string(times.BestTimeName2) + " / " + std::string(times.CarName2);
        holder = times.BestTimeName2;
    } else if (times.BestTime1 < kNoBestTime) {
        labels.HolderLine = std::string(times.BestTimeName1) + " / " + std::string(times.CarName1);
        holder = times.BestTimeName1;
    } else {
        labels.HolderLine = "no Best Time";
    }
    labels.TimeText = BestTimeText(time);
    labels.TrackName = TrackNameOf(trackPath);
    labels.PictureName = labels.TrackName + "_" + IntToText(time);
    if (holder) {
        labels.PictureName += '_';
        labels.PictureName += *holder;
    }
    return labels;
}

}  // namespace vx
