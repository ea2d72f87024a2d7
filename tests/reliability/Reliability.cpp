#include "reliability/Reliability.h"

#include "trackmap/MapDrawing.h"

#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string_view>

#include "app/windows/MainWindow.h"
#include "support/TestSupport.h"

namespace vx::test {

// --- The demo race ------------------------------------------------------------

namespace {

std::vector<std::uint8_t> Sample(const char* relative)
{
    const std::string path = std::string(VX_SOURCE_DIR) + "/samples/" + relative;
    std::vector<std::uint8_t> bytes = ReadFile(path);
    if (bytes.empty())
        ADD_FAILURE() << "the demo file " << path << " is missing";
    return bytes;
}

}  // namespace

const std::vector<std::uint8_t>& DemoGame()
{
    static const std::vector<std::uint8_t> bytes = Sample("Saves/demo.gam");
    return bytes;
}

const std::vector<std::uint8_t>& LongGame()
{
    static const std::vector<std::uint8_t> bytes = Sample("Saves/long.gam");
    return bytes;
}

const std::vector<std::uint8_t>& DemoTrack()
{
    static const std::vector<std::uint8_t> bytes = Sample("Tracks/Kestrelvale.trk");
    return bytes;
}

// --- Byte edits -----------------------------------------------------------------

void Poke(std::vector<std::uint8_t>& bytes, std::int64_t offset, int width, std::int64_t value)
{
    const auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < width; ++i) {
        const std::int64_t at = offset + i;
        if (at >= 0 && at < static_cast<std::int64_t>(bytes.size()))
            bytes[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

std::vector<std::uint8_t> Resized(std::vector<std::uint8_t> bytes, std::size_t size)
{
    bytes.resize(size, 0);
    return bytes;
}

std::uint64_t HashBytes(const void* data, std::size_t size)
{
    return std::hash<std::string_view>{}(
        std::string_view(static_cast<const char*>(data), size));
}

std::uint64_t HashFile(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    return HashBytes(bytes.data(), bytes.size()) ^ bytes.size();
}

// --- What the window shows ------------------------------------------------------

namespace {

constexpr int kBoxes[5] = {MapBox, GaugeBox, DriverTableBox, LapSummaryBox, LapChartBox};

std::uint64_t HashImage(const Image* image)
{
    if (image == nullptr)
        return 0;
    const std::size_t words = static_cast<std::size_t>(image->Width()) * image->Height();
    return HashBytes(image->Words(), words * sizeof(*image->Words())) ^
           (static_cast<std::uint64_t>(image->Width()) << 40) ^
           (static_cast<std::uint64_t>(image->Height()) << 20) ^ 1;
}

}  // namespace

WindowView ViewOf(Toolkit& toolkit)
{
    WindowView view;
    const int images[] = {MapImage,         MapMasterImage,  GaugeImage,
                          DriverTableImage, LapSummaryImage, LapChartImage};
    for (std::size_t i = 0; i < view.images.size(); ++i)
        view.images[i] = HashImage(toolkit.FindImage(images[i]));
    const std::array<std::uint64_t, 5> shown = ShownPictures(toolkit);
    for (std::size_t i = 0; i < shown.size(); ++i)
        view.shown[i] = static_cast<std::int64_t>(shown[i]);
    view.sliderMaximum = toolkit.GetControlAttribute(LapSlider, 2);
    view.sliderPosition = toolkit.GetControlValue(LapSlider);
    view.label = toolkit.GetControlText(LapNumberLabel);
    view.saveEnabled = toolkit.ControlEnabled(SaveButton);
    return view;
}

std::array<std::uint64_t, 5> ShownPictures(Toolkit& toolkit)
{
    std::array<std::uint64_t, 5> hashes{};
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        const Image shown = toolkit.ShownPicture(kBoxes[i]);
        hashes[i] = shown.Width() == 0 ? 0 : HashImage(&shown);
    }
    return hashes;
}

void PrintTo(const WindowView& view, std::ostream* out)
{
    *out << "{images";
    for (const std::uint64_t hash : view.images)
        *out << ' ' << std::hex << hash << std::dec;
    *out << ", shown";
    for (const std::int64_t key : view.shown)
        *out << ' ' << key;
    *out << ", slider 0.." << view.sliderMaximum << " at " << view.sliderPosition << ", label \""
         << view.label << "\", save " << (view.saveEnabled ? "on" : "off") << '}';
}

CommittedData CommittedOf(const AppState& state)
{
    CommittedData data;
    data.gameLength = state.GameLength;
    data.gamePath = state.GamePath;
    data.game = state.Game;
    data.trackPath = state.TrackPath;
    data.trackFileName = state.TrackFileName;
    data.track = state.Track;
    data.laps = state.Laps;
    data.pictureName = PictureNameOf(state);
    return data;
}

void PrintTo(const CommittedData& data, std::ostream* out)
{
    *out << "{game " << data.gamePath << " (" << data.gameLength << " bytes, "
         << data.game.DriverCount() << " drivers), track " << data.trackPath << ", "
         << data.laps.LapCount << " laps, picture " << data.pictureName << '}';
}

// --- Refusals ---------------------------------------------------------------------

testing::AssertionResult IsRefusal(const std::string& line, const std::vector<std::string>& names)
{
    struct Form {
        std::string_view prefix;
        bool reason;    // the name is followed by " (reason)"
        bool mayStop = false;  // or by nothing at all
    };
    static constexpr Form kForms[] = {
        {"Saved game damaged: ", true}, {"Saved game too large: ", true},
        {"Cannot read saved game: ", true}, {"Saved game not found: ", false},
        {"Not a saved game: ", true},   {"Not a track file: ", true},   {"Track damaged: ", true},
        {"Track too large: ", true},    {"Cannot read track: ", true},
        {"Track not found: ", true, true},  // where the lookup looked, or nothing for a track chosen
        {"Saved game changed while being read: ", false},
        {"Track changed while being read: ", false}};
    // The log keeps the first 100 characters of a message.
    const bool cut = line.size() >= 100;
    for (const Form& form : kForms) {
        if (line.rfind(form.prefix, 0) != 0)
            continue;
        const std::string rest = line.substr(form.prefix.size());
        std::vector<std::string> tails;
        if (names.empty()) {
            const std::size_t open = form.reason ? rest.rfind(" (") : std::string::npos;
            if ((!form.reason || form.mayStop) && !rest.empty())
                tails.push_back("");
            if (form.reason && open != std::string::npos && open > 0)
                tails.push_back(rest.substr(open));
            if (form.reason && cut && rest.size() > 0)
                tails.push_back(" (");
        } else {
            for (const std::string& name : names)
                if (!name.empty() && rest.rfind(name, 0) == 0)
                    tails.push_back(rest.substr(name.size()));
        }
        for (const std::string& tail : tails) {
            if ((!form.reason || form.mayStop) && (tail.empty() || cut))
                return testing::AssertionSuccess();
            if (form.reason && tail.rfind(" (", 0) == 0 &&
                ((tail.size() > 3 && tail.back() == ')') || cut))
                return testing::AssertionSuccess();
        }
        std::ostringstream names_;
        for (const std::string& name : names)
            names_ << " \"" << name << '"';
        return testing::AssertionFailure()
               << "\"" << line << "\" does not name" << (names.empty() ? " a file" : names_.str())
               << " with " << (form.reason ? "a reason" : "nothing after it");
    }
    return testing::AssertionFailure() << "\"" << line << "\" is not the message of a refused load";
}

// --- Memory -------------------------------------------------------------------------

std::int64_t ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return 0;
}

}  // namespace vx::test
