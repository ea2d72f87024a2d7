#include <gtest/gtest.h>

#ifdef VX_DECODE_JPEG
#include <jpeglib.h>
#endif
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "support/ForwardingWindowSystem.h"
#include "support/TestSupport.h"
#include "toolkit/SystemServices.h"
#include "toolkit/Toolkit.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;
using test::TempFolder;

constexpr Colour kWhite = MakeRgb(255, 255, 255);
constexpr Colour kBlack = MakeRgb(0, 0, 0);
constexpr Colour kRed = MakeRgb(255, 0, 0);
constexpr Colour kGrey = MakeRgb(212, 212, 212);

TEST(NumberedImages, ANumberThatNamesNothingDoesNothing)
{
    Toolkit tk;
    EXPECT_FALSE(tk.ImageExists(4));
    EXPECT_EQ(tk.ImageHandleOf(4), 0u);
    EXPECT_EQ(tk.ImageDrawTarget(4), 0u);
    EXPECT_EQ(tk.CopyImageSlot(4, 5), 0);
    EXPECT_FALSE(tk.ImageExists(5));
    EXPECT_EQ(tk.BeginDrawing(tk.ImageDrawTarget(4)), 0);
    EXPECT_EQ(tk.SaveImageAsJpeg(4, "/tmp/never.jpg", 7), 0);
    EXPECT_EQ(tk.FontHandleOf(9), 0);
    EXPECT_EQ(tk.GetControlText(99), "");
    EXPECT_EQ(tk.GetControlValue(99), 0);
}

TEST(NumberedImages, ANewImageIsBlackAndReplacesTheOldOne)
{
    Toolkit tk;
    ASSERT_EQ(tk.CreateImageSlot(1, 4, 3), 1);
    const ImageHandle first = tk.ImageHandleOf(1);
    EXPECT_EQ(CountColour(*tk.FindImage(1), kBlack), 12);
    ASSERT_EQ(tk.CreateImageSlot(1, 7, 2), 1);
    EXPECT_NE(tk.ImageHandleOf(1), first);
    EXPECT_EQ(tk.FindImage(1)->Width(), 7);
    EXPECT_EQ(tk.CreateImageSlot(2, 0, 5), 0);
    EXPECT_FALSE(tk.ImageExists(2));
}

TEST(NumberedImages, ACopyIsIndependentOfItsSource)
{
    Toolkit tk;
    tk.CreateImageSlot(13, 5, 5);
    tk.CreateImageSlot(1, 9, 9);
    ASSERT_EQ(tk.CopyImageSlot(13, 1), 1);
    EXPECT_EQ(tk.FindImage(1)->Width(), 5);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.FillBox(0, 0, 5, 5, kRed);
    tk.EndDrawing();
    EXPECT_EQ(CountColour(*tk.FindImage(13), kRed), 0);
    EXPECT_EQ(CountColour(*tk.FindImage(1), kRed), 25);
}

TEST(Drawing, NothingIsDrawnOutsideADrawing)
{
    Toolkit tk;
    tk.CreateImageSlot(1, 10, 10);
    tk.FillBox(0, 0, 10, 10, kRed);
    tk.PlotPixel(1, 1, kRed);
    tk.DrawSegment(0, 0, 9, 9, kRed);
    EXPECT_EQ(tk.DrawTextAt(0, 0, "x"), 0);
    EXPECT_EQ(tk.MeasureTextWidth("x"), 0);
    EXPECT_EQ(CountColour(*tk.FindImage(1), kRed), 0);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.EndDrawing();
    tk.PlotPixel(1, 1, kRed);
    EXPECT_EQ(CountColour(*tk.FindImage(1), kRed), 0);
}

TEST(Drawing, ReplacingTheTargetEndsTheDrawing)
{
    Toolkit tk;
    tk.CreateImageSlot(1, 10, 10);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.CreateImageSlot(1, 10, 10);  // the image drawn on goes away
    tk.PlotPixel(1, 1, kRed);
    EXPECT_EQ(CountColour(*tk.FindImage(1), kRed), 0);
}

TEST(DrawingText, DefaultModePaintsTheCellsWhiteBehindBlackText)
{
    Toolkit tk;
    tk.CreateImageSlot(1, 200, 40);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.FillBox(0, 0, 200, 40, kGrey);
    const int right = tk.DrawTextAt(10, 5, "61.70");
    tk.EndDrawing();
    const Image& image = *tk.FindImage(1);
    EXPECT_GT(right, 10);
    EXPECT_GT(CountColourIn(image, kBlack, 10, 5, right, 40), 0);
    EXPECT_GT(CountColourIn(image, kWhite, 10, 5, right, 40), 0);
    // Nothing left of the cell nor right of the returned x changes.
    EXPECT_EQ(CountColourIn(image, kGrey, 0, 0, 10, 40), 400);
    EXPECT_EQ(CountColourIn(image, kGrey, right, 0, 200, 40), (200 - right) * 40);
    // Crisp glyphs: every pixel is the grey, the white cell or the black text.
    EXPECT_EQ(CountColour(image, kGrey) + CountColour(image, kWhite) + CountColour(image, kBlack),
              200 * 40);
}

TEST(DrawingText, TransparentModeChangesOnlyTheGlyphs)
{
    Toolkit tk;
    tk.CreateImageSlot(1, 200, 40);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.FillBox(0, 0, 200, 40, kGrey);
    tk.SetDrawingMode(1);
    tk.DrawTextAt(10, 5, "Tyres:", kRed);
    tk.EndDrawing();
    const Image& image = *tk.FindImage(1);
    EXPECT_GT(CountColour(image, kRed), 10);
    EXPECT_EQ(CountColour(image, kRed) + CountColour(image, kGrey), 200 * 40);
}

TEST(DrawingText, AGivenBackgroundColoursTheCells)
{
    Toolkit tk;
    tk.CreateImageSlot(1, 100, 30);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    const int right = tk.DrawTextAt(0, 0, "W", kWhite, MakeRgb(0, 100, 150));
    tk.EndDrawing();
    EXPECT_GT(CountColourIn(*tk.FindImage(1), MakeRgb(0, 100, 150), 0, 0, right, 30), 0);
}

TEST(DrawingText, TheReturnedXIsTheMeasuredWidthFromTheStart)
{
    Toolkit tk;
    tk.LoadFontSlot(2, "Arial", 10, kFontBold);
    tk.CreateImageSlot(1, 300, 30);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.SetDrawingFont(tk.FontHandleOf(2));
    const int width = tk.MeasureTextWidth("150 kg");
    EXPECT_GT(width, 20);
    EXPECT_EQ(tk.DrawTextAt(40, 0, "150 kg"), 40 + width);
    EXPECT_EQ(tk.MeasureTextWidth(""), 0);
    tk.EndDrawing();
}

TEST(DrawingText, TextIsClippedToThePicture)
{
    Toolkit tk;
    tk.CreateImageSlot(1, 10, 10);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    // The cells begin above and left of the picture and reach past it: the
    // picture holds their visible part, the "W" in red on the cells' white.
    tk.DrawTextAt(-5, -3, "Wide text far past the edge", kRed);
    const Image& image = *tk.FindImage(1);
    EXPECT_GT(CountColour(image, kRed), 0);
    EXPECT_GT(CountColour(image, kWhite), 0);
    EXPECT_EQ(CountColour(image, kRed) + CountColour(image, kWhite), 100);
    // Text wholly outside changes no pixel.
    const std::vector<std::uint32_t> drawn(image.Words(), image.Words() + 100);
    tk.DrawTextAt(100000, 100000, "away");
    tk.DrawTextAt(-100000, 2, "away", kRed);
    tk.DrawTextAt(2, 10, "below", kRed);
    tk.EndDrawing();
    EXPECT_EQ(std::vector<std::uint32_t>(image.Words(), image.Words() + 100), drawn);
}

TEST(Fonts, PointsBecomePixelsAtNinetySixDotsPerInch)
{
    Toolkit tk;
    const FontHandle label = tk.LoadFontSlot(1, "Lucida Console", 12);
    const FontHandle table = tk.LoadFontSlot(2, "Arial", 10, kFontBold);
    EXPECT_NE(label, 0);
    EXPECT_NE(table, 0);
    EXPECT_EQ(tk.FontHandleOf(1), label);
    // Cell heights follow the pixel sizes 16 and 13 (plus the faces' leading).
    EXPECT_GE(tk.FontCellHeight(label), 16);
    EXPECT_LE(tk.FontCellHeight(label), 22);
    EXPECT_GE(tk.FontCellHeight(table), 13);
    EXPECT_LE(tk.FontCellHeight(table), 18);
    EXPECT_EQ(tk.LoadFontSlot(3, "", 10), 0);
}

// The system's window system, keeping count of the fonts made and not yet
// released.
class CountedFonts : public test::ForwardingWindowSystem {
public:
    std::uint64_t MakeFont(const std::string& face, int pixels, bool bold) override
    {
        lastMade = ForwardingWindowSystem::MakeFont(face, pixels, bold);
        live.insert(lastMade);
        return lastMade;
    }
    void ReleaseFont(std::uint64_t font) override
    {
        live.erase(font);
        ForwardingWindowSystem::ReleaseFont(font);
    }
    std::set<std::uint64_t> live;
    std::uint64_t lastMade = 0;
};

TEST(Fonts, AFontReplacedUnderItsNumberAndEveryFontAtShutdownAreReleased)
{
    CountedFonts windows;
    Toolkit tk({.windows = windows});
    tk.LoadFontSlot(1, "Lucida Console", 12);
    tk.LoadFontSlot(3, "Arial", 9);
    const std::uint64_t first = windows.lastMade;
    for (int opening = 0; opening < 50; ++opening)  // a window opened again loads its font again
        tk.LoadFontSlot(3, "Arial", 9);
    EXPECT_EQ(windows.live.size(), 2u);
    EXPECT_EQ(SystemWindows().MetricsOf(first).height, 0);  // the system's font is gone too
    tk.CreateImageSlot(1, 60, 20);
    {
        Drawing drawing(tk, 1);
        tk.SetDrawingFont(tk.FontHandleOf(3));
        EXPECT_GT(tk.DrawTextAt(0, 0, "9.85", kRed), 0);
    }
    EXPECT_GT(CountColour(*tk.FindImage(1), kRed), 0);
    tk.ShutdownToolkit();
    EXPECT_TRUE(windows.live.empty());
}

TEST(Files, OnlyExistingRegularFilesOpen)
{
    Toolkit tk;
    TempFolder folder;
    EXPECT_EQ(tk.OpenFileForRead(0, folder / "missing.gam"), 0);
    EXPECT_EQ(tk.OpenFileForRead(0, folder.Folder()), 0);  // a folder
    EXPECT_EQ(tk.LastError(), "it is a folder");
#ifndef _WIN32
    const std::string pipe = folder / "pipe.gam";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(tk.OpenFileForRead(0, pipe), 0);  // refused, without waiting for a writer
#endif
    EXPECT_EQ(tk.FileLength(0), 0);
}

TEST(Files, AReadReturnsTheBytesActuallyRead)
{
    Toolkit tk;
    TempFolder folder;
    test::WriteFile(folder / "a.trk", {1, 2, 3, 4, 5});
    ASSERT_EQ(tk.OpenFileForRead(0, folder / "a.trk"), 1);
    EXPECT_EQ(tk.FileLength(0), 5);
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(tk.ReadFileBytes(0, buffer, 16), 5);
    EXPECT_EQ(buffer[4], 5);
    tk.CloseFileSlot(0);
    EXPECT_EQ(tk.ReadFileBytes(0, buffer, 16), 0);
}

TEST(Files, PathsLongerThan260AndNamesBeyondTheCodePageWork)
{
    Toolkit tk;
    TempFolder folder;
    std::string path = folder.Folder();
    for (char c = 'a'; c < 'g'; ++c)
        path += std::string(40, c) + "/";
    path += "\xE6\x97\xA5\xE6\x9C\xAC \xCE\xB1\xCE\xB2/";  // Japanese and Greek
    ASSERT_TRUE(tk.MakeFolders(path)) << tk.LastError();
    const std::string file = path + "\xE6\x97\xA5.gam";
    ASSERT_GT(file.size(), 260u);
    std::string error;
    ASSERT_TRUE(tk.System().files.ReplaceFile(file, std::vector<std::uint8_t>{1, 2, 3}, error)) << error;
    EXPECT_EQ(tk.KindOf(file), PathKind::File);
    ASSERT_EQ(tk.OpenFileForRead(0, file), 1) << tk.LastError();
    EXPECT_EQ(tk.FileLength(0), 3);
    tk.CloseFileSlot(0);
    const std::vector<FolderEntry> entries = tk.ListFolder(path);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "\xE6\x97\xA5.gam");
    tk.CreateImageSlot(1, 4, 4);
    EXPECT_EQ(tk.SaveImageAsPng(1, path + "\xCE\xB1.png"), 1) << tk.LastError();
    EXPECT_EQ(tk.KindOf(path + "\xCE\xB1.png"), PathKind::File);
}

TEST(Folders, TheCurrentFolderEndsInExactlyOneSeparator)
{
    Toolkit tk;
    const std::string folder = tk.CurrentFolder();
    ASSERT_FALSE(folder.empty());
    const auto separator = [](char c) { return c == '/' || c == '\\'; };
    EXPECT_TRUE(separator(folder.back()));
    EXPECT_TRUE(folder.size() == 1 || folder.size() == 3 || !separator(folder[folder.size() - 2]));
}

TEST(Folders, AListingGivesTheRegularFilesWithTheStampsTheyHaveOpened)
{
    Toolkit tk;
    TempFolder folder;
    test::WriteFile(folder / "race.gam", std::vector<std::uint8_t>(10, 1));
    test::WriteFile(folder / "Other.GAM", {1, 2, 3});
    std::filesystem::create_directory(folder / "Saves");
    std::set<std::string> expected = {"race.gam", "Other.GAM"};
#ifndef _WIN32
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(folder / "race.gam", folder / "link.gam");  // the file it leads to
    std::filesystem::create_symlink(folder / "gone.gam", folder / "dangling.gam");
    expected.insert("link.gam");
#endif
    std::vector<StampedFile> files;
    ASSERT_TRUE(tk.ListFiles(folder.Folder(), files)) << tk.LastError();
    std::set<std::string> names;
    for (const StampedFile& file : files) {
        names.insert(file.name);
        // The stamp a load compares: the listing's is the open file's.
        ASSERT_EQ(tk.OpenFileForRead(1, folder / file.name), 1) << file.name;
        EXPECT_EQ(file.stamp, tk.FileStampOf(1)) << file.name;
        EXPECT_NE(file.stamp.inode, 0u) << file.name;
        tk.CloseFileSlot(1);
    }
    EXPECT_EQ(names, expected);

    EXPECT_FALSE(tk.ListFiles(folder / "missing", files));
    EXPECT_FALSE(tk.LastError().empty());
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(tk.ListFiles(folder / "race.gam", files));  // a file is no folder
}

TEST(Folders, AFilesStampIsOneFactWhereverItComesFromAndCountsAsTheSystemClockDoes)
{
    Toolkit tk;
    TempFolder folder;
    const auto nowNs = [] {
        using namespace std::chrono;
        return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    };
    const std::int64_t before = nowNs();
    test::WriteFile(folder / "race.gam", {1, 2, 3});
    const auto byPath = StampOfPath(folder / "race.gam");
    const std::int64_t after = nowNs();
    ASSERT_TRUE(byPath.has_value());
    ASSERT_EQ(tk.OpenFileForRead(1, folder / "race.gam"), 1);
    EXPECT_EQ(*byPath, tk.FileStampOf(1));
    tk.CloseFileSlot(1);
    std::vector<StampedFile> files;
    ASSERT_TRUE(tk.ListFiles(folder.Folder(), files)) << tk.LastError();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].stamp, *byPath);
    EXPECT_EQ(byPath->size, 3);
    // Nanoseconds since 1970, as the system's clock counts: the file was
    // written just now (a minute either way for a file system's own clock).
    constexpr std::int64_t kMinuteNs = 60'000'000'000;
    for (const std::int64_t time : {byPath->modifiedNs, byPath->changedNs}) {
        EXPECT_GT(time, before - kMinuteNs);
        EXPECT_LT(time, after + kMinuteNs);
    }
    EXPECT_FALSE(StampOfPath(folder / "none.gam").has_value());
    EXPECT_FALSE(StampOfPath(folder.Folder()).has_value());  // a folder is no file
}

// The system's window system, recording the owners and texts of the
// requesters and message boxes asked for and the timers started, and
// raising the timers' events itself.
class RecordingWindows : public test::ForwardingWindowSystem {
public:
    std::uint64_t OpenWindow(int x, int y, int w, int h, const std::string& title) override
    {
        windows.push_back(ForwardingWindowSystem::OpenWindow(x, y, w, h, title));
        return windows.back();
    }
    std::string AskOpenFile(std::uint64_t owner, const std::string& title, const std::string&,
                            const std::string&, int) override
    {
        owners.push_back(owner);
        texts.push_back(title);
        return "chosen.gam";
    }
    std::string AskFolder(std::uint64_t owner, const std::string&, const std::string& start) override
    {
        owners.push_back(owner);
        return start + "cup";
    }
    void ShowMessage(std::uint64_t owner, MessageKind, const std::string&, const std::string& text) override
    {
        owners.push_back(owner);
        texts.push_back(text);
    }
    void SetEventSink(std::function<void(const PlatformEvent&)> sink) override
    {
        sink_ = sink;
        ForwardingWindowSystem::SetEventSink(std::move(sink));
    }
    void StartTimer(int tag, int milliseconds) override { timers[tag] = milliseconds; }
    void StopTimer(int tag) override { timers.erase(tag); }
    void RaiseTimer(int tag) { sink_({.kind = PlatformEvent::Kind::Timer, .tag = tag}); }

    std::vector<std::uint64_t> windows;  // the ids, in the order opened
    std::vector<std::uint64_t> owners;
    std::vector<std::string> texts;
    std::map<int, int> timers;  // tag -> milliseconds

private:
    std::function<void(const PlatformEvent&)> sink_;
};

TEST(Requesters, EachOpensInFrontOfTheWindowTheUserActedIn)
{
    RecordingWindows windows;
    Toolkit tk({.windows = windows});
    tk.CreateAppWindow(0, 0, 0, 300, 200, "Main", kFixedWindowStyle);
    tk.CreateAppWindow(1, 40, 40, 200, 150, "Second", kFixedWindowStyle);
    ASSERT_EQ(windows.windows.size(), 2u);
    const std::uint64_t main = windows.windows[0], second = windows.windows[1];
    EXPECT_EQ(tk.AskOpenFile(1, "Open Game", "/races/", "gam|*.gam", 0), "chosen.gam");
    EXPECT_EQ(tk.AskFolder(0, "Add folder", "/races/"), "/races/cup");
    tk.ShowMessageBox(1, MessageKind::Error, "vxanalyser", "Not loaded: K\xE4rnten.gam");
    EXPECT_EQ(windows.owners, (std::vector<std::uint64_t>{second, main, second}));
    // The program's Windows-1252 texts reach the system as UTF-8.
    EXPECT_EQ(windows.texts.back(), "Not loaded: K\xC3\xA4rnten.gam");

    // A scripted requester stands in for every requester and box: the
    // system shows none.
    const auto script = test::Script(tk);
    script->answers = {"/races/cup"};
    EXPECT_EQ(tk.AskFolder(1, "Add folder", "/races/"), "/races/cup");
    tk.ShowMessageBox(0, MessageKind::Information, "vxanalyser", "Saved");
    EXPECT_EQ(windows.owners.size(), 3u);
    ASSERT_EQ(script->asked.size(), 1u);
    EXPECT_TRUE(script->asked[0].folder);
    EXPECT_EQ(script->asked[0].owner, 1);
    ASSERT_EQ(script->shown.size(), 1u);
    EXPECT_EQ(script->shown[0].owner, 0);
    EXPECT_EQ(script->shown[0].kind, MessageKind::Information);
}

TEST(Timers, AnEventNotYetTakenStandsForTheLaterOnesAndAStoppedTimerRaisesNoMore)
{
    RecordingWindows windows;
    Toolkit tk({.windows = windows});
    tk.StartTimer(3, 250);
    tk.StartTimer(4, 0);
    EXPECT_EQ(windows.timers, (std::map<int, int>{{3, 250}, {4, 0}}));
    windows.RaiseTimer(3);
    windows.RaiseTimer(4);
    windows.RaiseTimer(3);
    tk.SetBusy(true);  // a requester is open: timers are kept
    windows.RaiseTimer(4);
    tk.SetBusy(false);
    ASSERT_EQ(tk.PollEvent(), kTimerEvent);
    EXPECT_EQ(tk.EventControl(), 3);
    ASSERT_EQ(tk.PollEvent(), kTimerEvent);
    EXPECT_EQ(tk.EventControl(), 4);
    EXPECT_EQ(tk.PollEvent(), 0);

    windows.RaiseTimer(3);
    windows.RaiseTimer(4);
    tk.StopTimer(3);       // its queued event goes with it
    windows.RaiseTimer(3);  // raised before the system saw the stop
    EXPECT_EQ(windows.timers, (std::map<int, int>{{4, 0}}));
    ASSERT_EQ(tk.PollEvent(), kTimerEvent);
    EXPECT_EQ(tk.EventControl(), 4);
    EXPECT_EQ(tk.PollEvent(), 0);
    tk.ShutdownToolkit();
    EXPECT_TRUE(windows.timers.empty());
}

// --- JPEG -----------------------------------------------------------------------

#ifdef VX_DECODE_JPEG
struct Decoded {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
};

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

bool DecodeJpeg(const std::string& path, Decoded& out)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->escape, 1);
    };
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(info.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return true;
}
#endif

TEST(JpegExport, AWrittenFileDecodesToTheSameSizeAndColours)
{
    Toolkit tk;
    TempFolder folder;
    tk.CreateImageSlot(1, 512, 560);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.FillBox(0, 0, 512, 280, MakeRgb(0, 100, 150));
    tk.FillBox(0, 280, 512, 280, MakeRgb(255, 0, 0));
    tk.EndDrawing();
    const std::string path = folder / "Oval_5432_Anna.jpg";
    ASSERT_EQ(tk.SaveImageAsJpeg(1, path, 7), 1) << tk.LastError();
    const std::vector<std::uint8_t> bytes = test::ReadFile(path);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);  // a JPEG: its start and end markers
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
#ifdef VX_DECODE_JPEG
    Decoded decoded;
    ASSERT_TRUE(DecodeJpeg(path, decoded));
    EXPECT_EQ(decoded.width, 512);
    EXPECT_EQ(decoded.height, 560);
    auto near = [](int a, int b) { return std::abs(a - b) <= 6; };
    const std::uint8_t* top = &decoded.rgb[(100 * 512 + 100) * 3];
    EXPECT_TRUE(near(top[0], 0) && near(top[1], 100) && near(top[2], 150));
    const std::uint8_t* bottom = &decoded.rgb[(400 * 512 + 100) * 3];
    EXPECT_TRUE(near(bottom[0], 255) && near(bottom[1], 0) && near(bottom[2], 0));
#endif
    // Nothing but the picture is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(JpegExport, AnUnwritableFolderGivesZeroAndLeavesNoFile)
{
    Toolkit tk;
    TempFolder folder;
    tk.CreateImageSlot(1, 8, 8);
    EXPECT_EQ(tk.SaveImageAsJpeg(1, folder / "no/such/folder/x.jpg", 7), 0);
    EXPECT_FALSE(tk.LastError().empty());
#ifndef _WIN32
    if (geteuid() != 0) {  // root writes anywhere
        const std::string locked = folder / "locked";
        std::filesystem::create_directory(locked);
        chmod(locked.c_str(), 0500);
        EXPECT_EQ(tk.SaveImageAsJpeg(1, locked + "/x.jpg", 7), 0);
        EXPECT_TRUE(std::filesystem::is_empty(locked));
    }
#endif
}

TEST(JpegExport, AFailedSaveLeavesAnExistingFileAsItWas)
{
    Toolkit tk;
    TempFolder folder;
    const std::string path = folder / "keep.jpg";
    test::WriteFile(path, {1, 2, 3});
    // The target is a folder's name: the rename cannot replace it.
    const std::string clash = folder / "clash.jpg";
    std::filesystem::create_directory(clash);
    std::filesystem::create_directory(clash + "/inside");
    tk.CreateImageSlot(1, 8, 8);
    EXPECT_EQ(tk.SaveImageAsJpeg(1, clash, 7), 0);
    EXPECT_EQ(test::ReadFile(path), (std::vector<std::uint8_t>{1, 2, 3}));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 2u);  // keep.jpg and the folder: no temporary file left
}

TEST(PngExport, WritesALosslessCopy)
{
    Toolkit tk;
    TempFolder folder;
    tk.CreateImageSlot(1, 4, 4);
    tk.BeginDrawing(tk.ImageDrawTarget(1));
    tk.PlotPixel(1, 2, MakeRgb(0, 1, 255));
    tk.EndDrawing();
    const std::string path = folder / "map.png";
    ASSERT_EQ(tk.SaveImageAsPng(1, path), 1);
    const auto bytes = test::ReadFile(path);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_EQ(tk.SaveImageAsPng(1, folder / "missing/map.png"), 0);
}

}  // namespace
}  // namespace vx
