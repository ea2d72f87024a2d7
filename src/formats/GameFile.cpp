#include "formats/GameFile.h"

#include "formats/ByteReader.h"
#include "formats/TrackFile.h"
#include "toolkit/Text.h"

#include <algorithm>
#include <string_view>

namespace vx {

namespace {

// The fields of one driver record, in the record's own order.
DriverRecord ReadDriverRecord(ByteReader& in, std::int64_t base, int k)
{
    DriverRecord r;
    constexpr const char* kResult = "driver #'s result";
    r.Position = in.I8(base + 0, {"Position", "driver #'s place", "driver", k}) + 1;
    r.Record12 = in.I8(base + 12, {"record byte 12", kResult, "driver", k});
    r.RaceTime = in.I32(base + 16, {"RaceTime", "driver #'s race time", "driver", k});
    r.Record20 = in.I32(base + 20, {"record long 20", kResult, "driver", k});
    r.Human = in.U8(base + 24, {"HumanFlag", "driver #'s kind", "driver", k}) != 0;
    r.AILevel = in.U8(base + 28, {"AILevel", "driver #'s strength", "driver", k});
    r.LapsDriven = in.I8(base + 164, {"LapsDriven", "driver #'s laps", "driver", k});
    r.Record168 = in.I16(base + 168, {"record word 168", kResult, "driver", k});
    r.Record170 = in.U16(base + 170, {"record word 170", kResult, "driver", k});
    r.Record172 = in.U16(base + 172, {"record word 172", kResult, "driver", k});
    r.Record174 = in.U16(base + 174, {"record word 174", kResult, "driver", k});
    return r;
}

bool BeginsWith(std::span<const std::uint8_t> file, std::string_view signature)
{
    return file.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), file.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace

const char* PictureFormatOf(std::span<const std::uint8_t> file)
{
    if (BeginsWith(file, "\x89PNG\r\n\x1a\n"))
        return "PNG";
    if (BeginsWith(file, "\xFF\xD8\xFF"))
        return "JPEG";
    if (BeginsWith(file, "GIF87a") || BeginsWith(file, "GIF89a"))
        return "GIF";
    // "BM", then the file's own length.
    if (file.size() >= 6 && BeginsWith(file, "BM") &&
        (file[2] | file[3] << 8 | file[4] << 16 | std::uint32_t{file[5]} << 24) == file.size())
        return "BMP";
    return nullptr;
}

namespace {

// What a file that is no saved game is, told by its first bytes: a track, or
// a picture such as the map saved by this program; "" when nothing tells.
std::string OtherKindOf(std::span<const std::uint8_t> file)
{
    if (HasTrackHeader(file))
        return "it is a track: load the saved game raced on it";
    if (const char* picture = PictureFormatOf(file))
        return std::string("it is a ") + picture + " picture";
    return {};
}

}  // namespace

Parsed<GameData> ParseGameFile(std::span<const std::uint8_t> file)
{
    // A track or a picture chosen as the saved game could parse by chance:
    // told by its header, it is refused for what it is.
    if (std::string other = OtherKindOf(file); !other.empty())
        return Invalid{std::move(other), Refusal::NotThisKind};

    ByteReader in(file);
    GameData game;

    // Every field is read in file order, so that a file cut short is refused
    // for the first field it cuts.
    game.TyresPercent = in.U8(13, {"TyresPercent", "the tyre setting"});
    game.ConsumptionPercent = in.U8(14, {"ConsumptionPercent", "the consumption setting"});
    game.DamagePercent = in.U8(15, {"DamagePercent", "the damage setting"});
    game.FuelMassKg = in.U8(16, {"FuelMassKg", "the fuel setting"});
    game.SpeedPercent = in.U8(21, {"SpeedPercent", "the speed setting"});
    const std::int32_t driverCount = in.I8(kDriverCountOffset, {"DriverCount", "the number of drivers"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (driverCount < 0 || driverCount > kMaxDrivers)
        return Invalid{"the number of drivers is " + IntToText(driverCount) + ", not 0 to 11 (DriverCount " +
                       IntToText(driverCount) + " at offset " + IntToText(kDriverCountOffset) + ")"};

    const int n = driverCount;
    const int named = std::min(n, kNamedDrivers);
    game.CarBlockBase = kDriverNameBase + kDriverAreaBytes * n;
    game.TrackListBase = game.CarBlockBase + kCarBlockBytes * n;

    // A name is read to its NUL: a full 13-byte slot runs on into the next.
    std::array<std::string, kNamedDrivers + 1> names;
    for (int k = 1; k <= named; ++k)
        names[k] = in.TrimmedText(kDriverNameBase + kDriverNameSlotBytes * (k - 1),
                                  {"DriverName", "driver #'s name", "driver", k});
    std::array<std::string, kMaxDrivers + 1> carNames;
    for (int k = 1; k <= n; ++k)
        carNames[k] = in.TrimmedText(game.CarBlockBase + kCarBlockBytes * (k - 1),
                                     {"CarName", "driver #'s car name", "driver", k});

    game.TrackListCount = in.I8(game.TrackListBase, {"TrackListCount", "the list of tracks"});
    game.CurrentTrackIndex = in.I8(game.TrackListBase + 4, {"CurrentTrackIndex", "the track raced"});
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (game.TrackListCount < 0)
        return Invalid{"the list of tracks has a negative length (TrackListCount " +
                       IntToText(game.TrackListCount) + " at offset " + IntToText(game.TrackListBase) + ")"};
    if (game.CurrentTrackIndex < 0 || game.CurrentTrackIndex >= game.TrackListCount)
        return Invalid{"the track raced is not in the list of tracks (CurrentTrackIndex " +
                       IntToText(game.CurrentTrackIndex) + " at offset " + IntToText(game.TrackListBase + 4) +
                       ", a list of " + IntToText(game.TrackListCount) + " entries)"};
    const std::string trackName =
        in.TrimmedText(game.TrackListBase + 8 + kTrackListEntryBytes * game.CurrentTrackIndex, kTrackNameLimit,
                       {"track name", "the name of the track raced", "track-list entry", game.CurrentTrackIndex});

    game.DriverRecordBase = game.TrackListBase + 8 + kTrackListEntryBytes * game.TrackListCount;
    game.SecondIndexBase = game.DriverRecordBase + kDriverRecordBytes * n;
    game.RaceSummaryBase = game.SecondIndexBase + 8 * static_cast<std::int64_t>(n);

    game.Drivers.resize(static_cast<std::size_t>(n));
    for (int k = 1; k <= n; ++k)
        game.Drivers[k - 1] = ReadDriverRecord(in, game.DriverRecordBase + kDriverRecordBytes * (k - 1), k);
    for (int k = 1; k <= n; ++k)
        game.Drivers[k - 1].SecondIndex =
            in.I8(game.SecondIndexBase + 4 * (k - 1), {"SecondIndex", "driver #'s result", "driver", k}) + 1;
    game.RaceFlag = in.I32(game.RaceSummaryBase + 8, {"RaceFlag", "the race's summary"});
    if (!in.Valid())
        return Invalid{in.Reason()};

    // Drivers 1..6 have a name and a kind; drivers 7..11 keep both empty.
    float levelSum = 0.0f;
    for (int k = 1; k <= n; ++k) {
        DriverRecord& driver = game.Drivers[k - 1];
        driver.CarName = carNames[k];
        if (k > named)
            continue;
        driver.Named = true;
        driver.Name = names[k];
        if (driver.Human) {
            game.HumanDriverIndex = static_cast<std::uint8_t>(k);
        } else {
            levelSum += static_cast<float>(driver.AILevel);
            ++game.AIDriverCount;
        }
    }
    if (game.AIDriverCount != 0)
        game.AverageAILevel = levelSum / static_cast<float>(game.AIDriverCount);

    game.TrackFileName = trackName + ".trk";
    game.Replay = FindReplayBlock(file);
    return game;
}

}  // namespace vx
