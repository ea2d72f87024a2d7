// A window system that hands every operation to the system's: a test
// overrides the few it wants to watch or change (the events a user's actions
// raise, the fonts made and released).
#pragma once

#include "toolkit/WindowSystem.h"

namespace vx::test {

class ForwardingWindowSystem : public WindowSystem {
public:
    explicit ForwardingWindowSystem(WindowSystem& system = SystemWindows()) : s_(system) {}

    bool Start(bool h, void (*u)()) override { return s_.Start(h, u); }
    bool Started() const override { return s_.Started(); }
    std::uint64_t MakeFont(const std::string& f, int h, bool b) override { return s_.MakeFont(f, h, b); }
    void ReleaseFont(std::uint64_t f) override { s_.ReleaseFont(f); }
    std::uint64_t DefaultFont() override { return s_.DefaultFont(); }
    FontMetrics MetricsOf(std::uint64_t f) override { return s_.MetricsOf(f); }
    int TextWidth(std::uint64_t f, std::string_view t) override { return s_.TextWidth(f, t); }
    void DrawText(Image& i, std::uint64_t f, int x, int y, std::string_view t, Colour c) override
    {
        s_.DrawText(i, f, x, y, t, c);
    }
    std::uint64_t OpenWindow(int x, int y, int w, int h, const std::string& t) override
    {
        return s_.OpenWindow(x, y, w, h, t);
    }
    void DestroyWindow(std::uint64_t w) override { s_.DestroyWindow(w); }
    void SetWindowBackground(std::uint64_t w, Colour c) override { s_.SetWindowBackground(w, c); }
    void AcceptDrops(std::uint64_t w, bool a) override { s_.AcceptDrops(w, a); }
    void AddKeyCommand(std::uint64_t w, Key k, int t) override { s_.AddKeyCommand(w, k, t); }
    Image GrabWindow(std::uint64_t w) override { return s_.GrabWindow(w); }
    ScreenArea WorkArea(std::uint64_t w) override { return s_.WorkArea(w); }
    ScreenArea WindowFrame(std::uint64_t w) override { return s_.WindowFrame(w); }
    void MoveWindowTo(std::uint64_t w, int x, int y) override { s_.MoveWindowTo(w, x, y); }
    void ReceivePassedFiles(std::uint64_t w) override { s_.ReceivePassedFiles(w); }
    bool PassToOpenWindow(const std::string& p) override { return s_.PassToOpenWindow(p); }
    std::uint64_t AddControl(std::uint64_t w, ControlKind k, int t, int x, int y, int wd, int h) override
    {
        return s_.AddControl(w, k, t, x, y, wd, h);
    }
    void DestroyControl(std::uint64_t c) override { s_.DestroyControl(c); }
    void SetText(std::uint64_t c, const std::string& t) override { s_.SetText(c, t); }
    void SetEndEllipsis(std::uint64_t c, bool o) override { s_.SetEndEllipsis(c, o); }
    void SetWordWrap(std::uint64_t c, bool o) override { s_.SetWordWrap(c, o); }
    void SetTextColour(std::uint64_t c, Colour k) override { s_.SetTextColour(c, k); }
    void SetToolTip(std::uint64_t c, const std::string& t) override { s_.SetToolTip(c, t); }
    void SetEnabled(std::uint64_t c, bool e) override { s_.SetEnabled(c, e); }
    bool IsEnabled(std::uint64_t c) override { return s_.IsEnabled(c); }
    void SetFocusable(std::uint64_t c) override { s_.SetFocusable(c); }
    void SetTabOrder(std::span<const std::uint64_t> c) override { s_.SetTabOrder(c); }
    void SetSliderRange(std::uint64_t c, int a, int b) override { s_.SetSliderRange(c, a, b); }
    void SetSliderTicks(std::uint64_t c, bool o) override { s_.SetSliderTicks(c, o); }
    int SliderValue(std::uint64_t c) override { return s_.SliderValue(c); }
    void SetSliderValue(std::uint64_t c, int v) override { s_.SetSliderValue(c, v); }
    void SetScrollPage(std::uint64_t c, int p) override { s_.SetScrollPage(c, p); }
    bool IsChecked(std::uint64_t c) override { return s_.IsChecked(c); }
    void SetChecked(std::uint64_t c, bool k) override { s_.SetChecked(c, k); }
    void ShowPicture(std::uint64_t c, const Image* p) override { s_.ShowPicture(c, p); }
    Image ShownPicture(std::uint64_t c) override { return s_.ShownPicture(c); }
    void TrackPointer(std::uint64_t c, bool o) override { s_.TrackPointer(c, o); }
    std::pair<int, int> ControlSize(std::uint64_t c) override { return s_.ControlSize(c); }
    void SetEventSink(std::function<void(const PlatformEvent&)> k) override { s_.SetEventSink(std::move(k)); }
    void ProcessEvents(bool w) override { s_.ProcessEvents(w); }
    void StartTimer(int t, int m) override { s_.StartTimer(t, m); }
    void StopTimer(int t) override { s_.StopTimer(t); }
    std::string AskOpenFile(std::uint64_t o, const std::string& t, const std::string& d,
                            const std::string& f, int i) override
    {
        return s_.AskOpenFile(o, t, d, f, i);
    }
    std::string AskSaveFile(std::uint64_t o, const std::string& t, const std::string& d,
                            const std::string& f, int i) override
    {
        return s_.AskSaveFile(o, t, d, f, i);
    }
    std::string AskFolder(std::uint64_t o, const std::string& t, const std::string& s) override
    {
        return s_.AskFolder(o, t, s);
    }
    void ShowMessage(std::uint64_t o, MessageKind k, const std::string& t, const std::string& x) override
    {
        s_.ShowMessage(o, k, t, x);
    }

private:
    WindowSystem& s_;
};

}  // namespace vx::test
