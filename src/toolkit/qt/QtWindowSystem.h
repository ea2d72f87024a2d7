// The window system on Linux over Qt Widgets: its start, windows, events
// and timers (QtWindowSystem.cpp), the widgets of our own (QtWidgets.h,
// QtWidgets.cpp, QtPictureBox.cpp), text (QtFonts.cpp), controls
// (QtControls.cpp), requesters and message boxes (QtRequesters.cpp), and the
// hand-over of files over a local socket (PassedFiles.cpp). Never included
// outside this folder.
#pragma once

#include <QFont>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

#include "toolkit/WindowSystem.h"

namespace vx {

class QtWindowSystem final : public WindowSystem {
public:
    QtWindowSystem() = default;
    ~QtWindowSystem() override;

    bool Start(bool headless, void (*displayUnreachable)()) override;
    bool Started() const override;
    std::uint64_t MakeFont(const std::string& face, int pixelHeight, bool bold) override;
    void ReleaseFont(std::uint64_t font) override;
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
    ScreenArea WorkArea(std::uint64_t window) override;
    ScreenArea WindowFrame(std::uint64_t window) override;
    void MoveWindowTo(std::uint64_t window, int x, int y) override;
    void ReceivePassedFiles(std::uint64_t window) override;
    bool PassToOpenWindow(const std::string& path) override;
    std::uint64_t AddControl(std::uint64_t window, ControlKind kind, int tag, int x, int y,
                             int width, int height) override;
    void DestroyControl(std::uint64_t control) override;
    void SetText(std::uint64_t control, const std::string& text) override;
    void SetEndEllipsis(std::uint64_t control, bool on) override;
    void SetWordWrap(std::uint64_t control, bool on) override;
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
    bool IsChecked(std::uint64_t control) override;
    void SetChecked(std::uint64_t control, bool checked) override;
    void ShowPicture(std::uint64_t control, const Image* picture) override;
    Image ShownPicture(std::uint64_t control) override;
    void TrackPointer(std::uint64_t control, bool on) override;
    std::pair<int, int> ControlSize(std::uint64_t control) override;
    void SetEventSink(std::function<void(const PlatformEvent&)> sink) override;
    void ProcessEvents(bool wait) override;
    void StartTimer(int tag, int milliseconds) override;
    void StopTimer(int tag) override;
    std::string AskOpenFile(std::uint64_t owner, const std::string& title,
                            const std::string& defaultFile, const std::string& filter,
                            int filterIndex) override;
    std::string AskSaveFile(std::uint64_t owner, const std::string& title,
                            const std::string& defaultFile, const std::string& filter,
                            int filterIndex) override;
    std::string AskFolder(std::uint64_t owner, const std::string& title,
                          const std::string& startFolder) override;
    void ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                     const std::string& text) override;

    // For the widgets of this folder: an event of the system.
    void Post(const PlatformEvent& event);

private:
    struct Font {
        QFont font;
        FontMetrics metrics;
    };
    QWidget* Widget(std::uint64_t id) const;
    // The window a requester or message box opens in front of.
    QWidget* Owner(std::uint64_t window) const;
    std::string Ask(std::uint64_t owner, const std::string& title, const std::string& defaultFile,
                    const std::string& filter, int filterIndex, bool save);

    std::uint64_t next_ = 1;
    std::map<std::uint64_t, Font> fonts_;
    std::uint64_t defaultFont_ = 0;
    std::map<std::uint64_t, QPointer<QWidget>> widgets_;  // windows and controls
    std::map<int, std::unique_ptr<QTimer>> timers_;         // by tag
    bool headless_ = false;
    std::function<void(const PlatformEvent&)> sink_;
};

}  // namespace vx
