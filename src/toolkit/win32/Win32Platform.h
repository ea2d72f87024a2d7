// The platform on Windows: USER32 and COMCTL32 for the window and its
// controls, GDI32 for text, COMDLG32 for the requesters, KERNEL32 for files,
// the Windows Imaging Component for JPEG and PNG. Never included outside this
// folder.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The platform's operations keep their own names: the system's wide
// functions are called by their W names.
#undef DrawText
#undef ReplaceFile

#include <map>
#include <string>
#include <vector>

#include "toolkit/Platform.h"

namespace vx {

// UTF-8 and UTF-16, as the system's wide services take them.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

class Win32Platform final : public Platform {
public:
    Win32Platform() = default;
    ~Win32Platform() override;

    // The process.
    std::vector<std::string> Arguments(int argc, char** argv) override;
    void AttachTextOutput() override;

    // Files and folders (Win32Files.cpp).
    std::string CurrentFolder() override;
    std::string AbsolutePath(const std::string& path) override;
    PathKind KindOf(const std::string& path) override;
    std::vector<FolderEntry> ListFolder(const std::string& folder) override;
    bool MakeFolders(const std::string& folder, std::string& error) override;
    std::uint64_t OpenForRead(const std::string& path, std::string& error) override;
    FileStamp StampOf(std::uint64_t file) override;
    std::int64_t Read(std::uint64_t file, std::uint8_t* into, std::int64_t count,
                      std::string& error) override;
    void Close(std::uint64_t file) override;
    bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& error) override;

    // Picture files (Win32Pictures.cpp).
    bool EncodeJpeg(const Image& image, int quality, std::vector<std::uint8_t>& out,
                    std::string& error) override;
    bool EncodePng(const Image& image, std::vector<std::uint8_t>& out, std::string& error) override;

    // The window system (Win32Window.cpp).
    bool StartWindowSystem(bool headless, void (*displayUnreachable)()) override;
    bool WindowSystemStarted() const override { return started_; }
    std::uint64_t MakeFont(const std::string& face, int pixelHeight, bool bold) override;
    std::uint64_t DefaultFont() override;
    FontMetrics MetricsOf(std::uint64_t font) override;
    int TextWidth(std::uint64_t font, std::string_view text) override;
    void DrawText(Image& image, std::uint64_t font, int x, int y, std::string_view text,
                  Colour colour) override;
    std::uint64_t OpenWindow(int x, int y, int width, int height, const std::string& title) override;
    void DestroyWindow(std::uint64_t window) override;
    void SetWindowBackground(std::uint64_t window, Colour colour) override;
    void AcceptDrops(std::uint64_t window, bool accept) override;
    void AddKeyCommand(std::uint64_t window, Key key, int tag) override;
    Image GrabWindow(std::uint64_t window) override;
    void ReceivePassedFiles(std::uint64_t window) override;
    bool PassToOpenWindow(const std::string& path) override;
    std::uint64_t AddControl(std::uint64_t window, ControlKind kind, int tag, int x, int y,
                             int width, int height) override;
    void DestroyControl(std::uint64_t control) override;
    void SetText(std::uint64_t control, const std::string& text) override;
    void SetEndEllipsis(std::uint64_t control, bool on) override;
    void SetTextColour(std::uint64_t control, Colour colour) override;
    void SetToolTip(std::uint64_t control, const std::string& text) override;
    void SetEnabled(std::uint64_t control, bool enabled) override;
    bool IsEnabled(std::uint64_t control) override;
    void SetFocusable(std::uint64_t control) override;
    void SetTabOrder(std::span<const std::uint64_t> controls) override;
    void SetSliderRange(std::uint64_t control, int minimum, int maximum) override;
    void SetSliderTicks(std::uint64_t control, bool on) override;
    int SliderValue(std::uint64_t control) override;
    void SetSliderValue(std::uint64_t control, int value) override;
    void SetScrollPage(std::uint64_t control, int page) override;
    void ShowPicture(std::uint64_t control, const Image* picture) override;
    Image ShownPicture(std::uint64_t control) override;
    void TrackPointer(std::uint64_t control, bool on) override;
    std::pair<int, int> ControlSize(std::uint64_t control) override;
    void SetEventSink(std::function<void(const PlatformEvent&)> sink) override;
    void ProcessEvents(bool wait) override;
    std::string AskOpenFile(const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex) override;
    std::string AskSaveFile(const std::string& title, const std::string& defaultFile,
                            const std::string& filter, int filterIndex) override;

    // For the window procedures of this folder.
    void Post(const PlatformEvent& event);
    struct WindowData;
    WindowData* DataOf(HWND window);

private:
    struct Control {
        ControlKind kind = ControlKind::Label;
        HWND hwnd = nullptr;
        HWND window = nullptr;
        int tag = 0;
        std::wstring text;
        bool endEllipsis = false;
        Colour textColour = 0;
        bool hasTextColour = false;
        HWND toolTip = nullptr;
        int minimum = 0;  // a scroll bar's range and page
        int maximum = 0;
        int page = 1;
    };
    struct Font {
        HFONT font = nullptr;
        FontMetrics metrics;
    };
    Control* ControlOf(std::uint64_t id);
    HWND WindowOf(std::uint64_t id) const;
    bool TranslateKey(const MSG& message);
    std::string Ask(const std::string& title, const std::string& defaultFile,
                    const std::string& filter, int filterIndex, bool save);
    void ApplyLabelStyle(Control& control);
    void ApplyScrollRange(const Control& control);

    bool started_ = false;
    bool headless_ = false;
    HDC screen_ = nullptr;  // a memory device context for text
    std::uint64_t next_ = 1;
    std::map<std::uint64_t, Font> fonts_;
    std::uint64_t defaultFont_ = 0;
    std::map<std::uint64_t, HWND> windows_;
    std::map<std::uint64_t, Control> controls_;
    std::map<std::uint64_t, HANDLE> files_;
    std::function<void(const PlatformEvent&)> sink_;
};

}  // namespace vx
