// A program state with a track and a saved game committed in memory, for the
// tests of the drawing procedures, and helpers that read pictures back: the
// box of pixels of one colour, the cell a text takes, the picture a box shows.
//
// Programs that include this header link vx_state, vx_test_support and
// Qt6::Gui.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "state/AppState.h"
#include "formats/GameFile.h"
#include "formats/TrackFile.h"
#include "support/TestSupport.h"
#include "toolkit/Image.h"
#include "toolkit/Text.h"
#include "toolkit/Toolkit.h"

namespace vx::test {

// --- Reading pictures back --------------------------------------------------

// The smallest rectangle holding every pixel of a colour inside
// [x0, x1) x [y0, y1); empty when there is none. Right and bottom inclusive.
struct PixelBox {
    int left = INT_MAX;
    int top = INT_MAX;
    int right = -1;
    int bottom = -1;
    bool Empty() const { return right < 0; }
};

inline PixelBox BoxOf(const Image& image, Colour colour, int x0, int y0, int x1, int y1)
{
    PixelBox box;
    for (int y = std::max(y0, 0); y < std::min(y1, image.Height()); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, image.Width()); ++x)
            if (image.At(x, y) == colour) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// The character cell of a text drawn with its top-left corner at (x, y):
// the measured width and the font's cell height.
struct TextCell {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int lastAdvance = 0;  // of the last character
};

// Measures in font (kSystemFont: the drawing's default font) on a scratch
// image, so that no drawing of the program is disturbed.
inline TextCell CellOf(Toolkit& tk, FontHandle font, int x, int y, std::string_view text)
{
    constexpr int kScratchImage = 99;
    tk.CreateImageSlot(kScratchImage, 1, 1);
    tk.BeginDrawing(tk.ImageDrawTarget(kScratchImage));
    tk.SetDrawingFont(font);
    const int width = tk.MeasureTextWidth(text);
    const int lastAdvance = text.empty() ? 0 : tk.MeasureTextWidth(text.substr(text.size() - 1));
    tk.EndDrawing();
    return {x, y, width, tk.FontCellHeight(font), lastAdvance};
}

// Within the rows of its cell, the text's pixels of colour span the cell:
// the first glyph starts at the cell's left edge and the last one ends in the
// last character's advance, so a text of another length or at another place
// fails, whatever the font's shapes.
// (Pair it with CountOutsideCells to rule out pixels above or below.)
inline void ExpectTextIn(const Image& image, Colour colour, const TextCell& cell,
                         std::string_view what)
{
    const PixelBox box = BoxOf(image, colour, cell.x - 3, cell.y, cell.x + cell.width + 3,
                               cell.y + cell.height);
    ASSERT_FALSE(box.Empty()) << what << ": no text pixels";
    EXPECT_GE(box.left, cell.x) << what;
    EXPECT_LE(box.left, cell.x + 2) << what;
    EXPECT_LT(box.right, cell.x + cell.width) << what;
    EXPECT_GE(box.right, cell.x + cell.width - std::max(cell.lastAdvance, 4)) << what;
    EXPECT_LE(box.top, cell.y + cell.height / 2) << what;  // not pushed down out of its line
}

// Pixels of colour inside [x0, x1) x [y0, y1) that lie in none of the cells.
inline std::int64_t CountOutsideCells(const Image& image, Colour colour,
                                      const std::vector<TextCell>& cells, int x0, int y0, int x1,
                                      int y1)
{
    std::int64_t count = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, image.Height()); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, image.Width()); ++x) {
            if (image.At(x, y) != colour)
                continue;
            const bool inCell = std::any_of(cells.begin(), cells.end(), [&](const TextCell& c) {
                return x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
            });
            count += !inCell;
        }
    return count;
}

// Pixels where two pictures of the same size differ (all of them when the
// sizes differ).
inline std::int64_t CountDifferences(const Image& a, const Image& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return std::int64_t{std::max(a.Width(), b.Width())} * std::max(a.Height(), b.Height());
    std::int64_t count = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            count += a.At(x, y) != b.At(x, y);
    return count;
}

// The picture a picture box shows, read back through the toolkit; a 0 x 0
// picture when it shows none.
inline Image ShownPicture(Toolkit& tk, int box)
{
    return tk.ShownPicture(box);
}

// --- A committed analysis ---------------------------------------------------

// The state as the program starts, into which a test puts a track and a
// saved game as a load would commit them.
class DrawingBench {
public:
    DrawingBench()
    {
        InitAppState(state, tk.CurrentFolder());
        LoadFonts(tk);
    }

    // The track parsed from its bytes; its path names the track.
    void PutTrack(const std::vector<std::uint8_t>& bytes,
                  const std::string& path = "/races/Tracks/Oval.trk")
    {
        const Parsed<TrackData> parsed = ParseTrackFile(bytes);
        ASSERT_TRUE(parsed.ok()) << parsed.error;
        state.Track = *parsed.value;
        state.HasTrack = true;
        state.TrackPath = path;
        state.TrackFileName = FileNamePart(path);
    }

    void PutGame(const std::vector<std::uint8_t>& bytes)
    {
        const Parsed<GameData> parsed = ParseGameFile(bytes);
        ASSERT_TRUE(parsed.ok()) << parsed.error;
        state.Game = *parsed.value;
        state.GameLength = static_cast<std::int64_t>(bytes.size());
        state.HasGame = true;
    }

    // Laps of these times (hundredths), with the fastest and slowest the
    // trace would find, as the lap summary and chart read them.
    void PutLaps(std::vector<std::int64_t> times)
    {
        state.Laps = {};
        state.Laps.LapCount = static_cast<std::int32_t>(times.size());
        state.Laps.LapTimes = std::move(times);
        std::int64_t fastest = 6000, slowest = 0;
        for (std::size_t i = 0; i < state.Laps.LapTimes.size(); ++i) {
            const std::int64_t t = state.Laps.LapTimes[i];
            if (t < fastest && t > 0) {
                fastest = t;
                state.Laps.FastestLap = static_cast<std::int32_t>(i + 1);
            }
            if (t > slowest) {
                slowest = t;
                state.Laps.SlowestLap = static_cast<std::int32_t>(i + 1);
            }
        }
    }

    const Image& Picture(int number) const
    {
        static const Image none(0, 0);
        const Image* image = tk.FindImage(number);
        return image != nullptr ? *image : none;
    }
    const Image& Map() const { return Picture(MapImage); }

    Toolkit tk;
    AppState state;
};

}  // namespace vx::test
