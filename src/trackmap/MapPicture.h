// The map picture as raw palette indices, and the texts of its label strip.
//
//   DecodeMapRuns        the track's run-length words into the pixel array
//   MapLabelsOf          the three label texts and the picture's default name
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "formats/TrackFile.h"
#include "trackmap/Geometry.h"

namespace vx {

// The pixel array of the 8-bit map picture: one palette index per pixel,
// 512 bytes per row, the bottom row of the picture first. Memory row 0 is
// picture row 559; memory row 48 is picture row 511, where the map area's
// stream begins.
inline constexpr std::size_t kMapPixelBytes = std::size_t{kMapWidth} * kMapPictureHeight;
inline constexpr std::size_t kMapAreaFirstByte = std::size_t{48} * kMapWidth;
inline constexpr std::uint8_t kMapBackgroundIndex = 240;  // RGB(0, 100, 150)

// Writes the runs of the track's map picture into pixels (the pixel array
// above, or a shorter prefix of it). Each word is a terrain code (low four
// bits of its low byte) and a run length (high byte * 16 + low byte >> 4),
// written through terrainPalette (a code the table lacks gives index 0).
// Pixels past the 512 x 512 map area are dropped, and pixels the runs do not
// reach keep what they held.
void DecodeMapRuns(std::span<const std::uint16_t> runs,
                   std::span<const std::int32_t> terrainPalette, std::span<std::uint8_t> pixels);

// The best-time fields of a track; a time of kNoBestTime or more means none.
struct BestTimes {
    std::int16_t BestTime1 = kNoBestTime;
    std::int16_t BestTime2 = kNoBestTime;
    std::string_view BestTimeName1;
    std::string_view BestTimeName2;
    std::string_view CarName1;  // the car of BestTime1
    std::string_view CarName2;  // the car of BestTime2 (the track gives none yet)
};

// Texts of the label strip, each drawn with its top-left corner at the point
// named beside it, and the default name of an exported picture.
struct MapLabels {
    std::string TimeText;     // (20, 530)
    std::string TrackName;    // (90, 520)
    std::string HolderLine;   // (90, 540)
    std::string PictureName;  // track name "_" digits ["_" holder name]
};
inline constexpr MapPixel kTimeTextAt{20, 530};
inline constexpr MapPixel kTrackNameAt{90, 520};
inline constexpr MapPixel kHolderLineAt{90, 540};

// The file name of the track (a path or a bare name) less its last four
// characters (the extension); a name of four characters or fewer gives the
// empty text.
std::string TrackNameOf(std::string_view trackFile);

// BestTime2 is shown when it is a time, else BestTime1 with its holder, else
// BestTime1 with "no Best Time" and no holder name in the picture's name.
// trackFile is the track's file name as shown, in the program's texts.
MapLabels MapLabelsOf(const BestTimes& times, std::string_view trackFile);

}  // namespace vx
