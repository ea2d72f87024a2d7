#include "toolkit/NoWindows.h"

namespace vx {

namespace {

class NoWindows final : public WindowSystem {
public:
    bool Start(bool, void (*)()) override { return false; }
    bool Started() const override { return false; }
    std::uint64_t MakeFont(const std::string&, int, bool) override { return 0; }
    void ReleaseFont(std::uint64_t) override {}
    std::uint64_t DefaultFont() override { return 0; }
    FontMetrics MetricsOf(std::uint64_t) override { return {}; }
    int TextWidth(std::uint64_t, std::string_view) override { return 0; }
    void DrawText(Image&, std::uint64_t, int, int, std::string_view, Colour) override {}
    std::uint64_t OpenWindow(int, int, int, int, const std::string&) override { return 0; }
    void DestroyWindow(std::uint64_t) override {}
    void SetWindowBackground(std::uint64_t, Colour) override {}
    void AcceptDrops(std::uint64_t, bool) override {}
    void AddKeyCommand(std::uint64_t, Key, int) override {}
    Image GrabWindow(std::uint64_t) override { return Image(0, 0); }
    ScreenArea WorkArea(std::uint64_t) override { return {}; }
    ScreenArea WindowFrame(std::uint64_t) override { return {}; }
    void MoveWindowTo(std::uint64_t, int, int) override {}
    void ReceivePassedFiles(std::uint64_t) override {}
    bool PassToOpenWindow(const std::string&) override { return false; }
    std::uint64_t AddControl(std::uint64_t, ControlKind, int, int, int, int, int) override { return 0; }
    void DestroyControl(std::uint64_t) override {}
    void SetText(std::uint64_t, const std::string&) override {}
    void SetEndEllipsis(std::uint64_t, bool) override {}
    void SetWordWrap(std::uint64_t, bool) override {}
    void SetTextColour(std::uint64_t, Colour) override {}
    void SetToolTip(std::uint64_t, const std::string&) override {}
    void SetEnabled(std::uint64_t, bool) override {}
    bool IsEnabled(std::uint64_t) override { return false; }
    void SetFocusable(std::uint64_t) override {}
    void SetTabOrder(std::span<const std::uint64_t>) override {}
    void SetSliderRange(std::uint64_t, int, int) override {}
    void SetSliderTicks(std::uint64_t, bool) override {}
    int SliderValue(std::uint64_t) override { return 0; }
    void SetSliderValue(std::uint64_t, int) override {}
    void SetScrollPage(std::uint64_t, int) override {}
    bool IsChecked(std::uint64_t) override { return false; }
    void SetChecked(std::uint64_t, bool) override {}
    void ShowPicture(std::uint64_t, const Image*) override {}
    Image ShownPicture(std::uint64_t) override { return Image(0, 0); }
    void TrackPointer(std::uint64_t, bool) override {}
    std::pair<int, int> ControlSize(std::uint64_t) override { return {0, 0}; }
    void SetEventSink(std::function<void(const PlatformEvent&)>) override {}
    void ProcessEvents(bool) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    std::string AskOpenFile(std::uint64_t, const std::string&, const std::string&, const std::string&,
                            int) override
    {
        return {};
    }
    std::string AskSaveFile(std::uint64_t, const std::string&, const std::string&, const std::string&,
                            int) override
    {
        return {};
    }
    std::string AskFolder(std::uint64_t, const std::string&, const std::string&) override { return {}; }
    void ShowMessage(std::uint64_t, MessageKind, const std::string&, const std::string&) override {}
};

}  // namespace

WindowSystem& NoWindowSystem()
{
    static NoWindows windows;
    return windows;
}

}  // namespace vx
