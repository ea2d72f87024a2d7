// The toolkit's numbered objects over the platform: images and drawing,
// fonts and text, files, windows and controls, events and requesters.
#include "toolkit/Toolkit.h"

#include <algorithm>

#include "toolkit/Bmp.h"
#include "toolkit/Text.h"

namespace vx {

Toolkit::Toolkit(Platform platform) : platform_(platform)
{
    platform_.windows.SetEventSink([this](const PlatformEvent& event) { Receive(event); });
}

Toolkit::~Toolkit()
{
    ShutdownToolkit();
}

void Toolkit::ShutdownToolkit()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    EndDrawing();
    for (const int timer : timers_)
        platform_.windows.StopTimer(timer);
    timers_.clear();
    images_.clear();
    for (const auto& [number, control] : controls_)
        platform_.windows.DestroyControl(control.id);
    controls_.clear();
    for (const auto& [number, window] : windows_)
        platform_.windows.DestroyWindow(window.id);
    windows_.clear();
    for (const auto& [number, font] : fonts_)
        platform_.windows.ReleaseFont(font.id);
    fonts_.clear();
    for (const auto& [number, file] : files_)
        platform_.files.Close(file);
    files_.clear();
    requester_.reset();
    platform_.windows.SetEventSink(nullptr);
}

bool Toolkit::StartWindowSystem(bool headless, void (*displayUnreachable)())
{
    return platform_.windows.Start(headless, displayUnreachable);
}

// --- Images -----------------------------------------------------------------

Toolkit::ImageSlot* Toolkit::PutImage(int number, std::unique_ptr<Image> image)
{
    DestroyImage(number);
    ImageSlot& slot = images_[number];
    slot.handle = nextSerial_++;
    slot.image = std::move(image);
    return &slot;
}

void Toolkit::DestroyImage(int number)
{
    const auto it = images_.find(number);
    if (it == images_.end())
        return;
    if (drawing_.handle == it->second.handle)
        EndDrawing();  // the drawing's target goes away with it
    images_.erase(it);
}

int Toolkit::CreateImageSlot(int number, int width, int height)
{
    return CreateImageSlot(number, width, height, MakeRgb(0, 0, 0));
}

// The image under number, of this size, under a new handle: the old image's
// memory is reused when its size is the same (the lap view makes its
// pictures anew at every lap switch).
Image* Toolkit::RenewImage(int number, int width, int height)
{
    const auto it = images_.find(number);
    if (it == images_.end() || it->second.image->Width() != width ||
        it->second.image->Height() != height)
        return PutImage(number, std::make_unique<Image>(width, height))->image.get();
    if (drawing_.handle == it->second.handle)
        EndDrawing();  // the drawing's target goes away
    it->second.handle = nextSerial_++;
    return it->second.image.get();
}

int Toolkit::CreateImageSlot(int number, int width, int height, Colour fill)
{
    if (number < 0 || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return 0;
    Image* image = RenewImage(number, width, height);
    std::fill(image->Words(), image->Words() + std::size_t(width) * height, Image::WordOf(fill));
    return 1;
}

int Toolkit::CatchBitmapImage(int number, std::span<const std::uint8_t> bmp)
{
    if (number < 0)
        return 0;
    std::optional<Image> decoded = DecodeBmp(bmp);
    if (!decoded)
        return 0;
    PutImage(number, std::make_unique<Image>(std::move(*decoded)));
    return 1;
}

int Toolkit::StoreImageSlot(int number, Image image)
{
    if (number < 0 || image.Width() <= 0 || image.Height() <= 0)
        return 0;
    PutImage(number, std::make_unique<Image>(std::move(image)));
    return 1;
}

int Toolkit::CopyImageSlot(int source, int target)
{
    const Image* from = FindImage(source);
    if (from == nullptr || target < 0)
        return 0;
    if (source == target)
        return 1;
    Image* to = RenewImage(target, from->Width(), from->Height());
    std::copy(from->Words(), from->Words() + std::size_t(from->Width()) * from->Height(), to->Words());
    return 1;
}

bool Toolkit::ImageExists(int number) const
{
    return images_.count(number) != 0;
}

ImageHandle Toolkit::ImageHandleOf(int number) const
{
    const auto it = images_.find(number);
    return it == images_.end() ? 0 : it->second.handle;
}

DrawTarget Toolkit::ImageDrawTarget(int number) const
{
    return ImageHandleOf(number);
}

Image* Toolkit::FindImage(int number)
{
    const auto it = images_.find(number);
    return it == images_.end() ? nullptr : it->second.image.get();
}

const Image* Toolkit::FindImage(int number) const
{
    const auto it = images_.find(number);
    return it == images_.end() ? nullptr : it->second.image.get();
}

int Toolkit::SaveImageAsJpeg(int number, const std::string& path, int qualityLevel)
{
    const Image* image = FindImage(number);
    if (image == nullptr) {
        lastError_ = "there is no picture to save";
        return 0;
    }
    if (FileNamePart(path).empty()) {
        lastError_ = "no file name";
        return 0;
    }
    // Level 0..10 onto the encoder's 1..100: level 7 gives 75, the usual
    // default of JPEG encoders.
    const int quality = std::clamp(qualityLevel * 10 + 5, 1, 100);
    std::vector<std::uint8_t> jpeg;
    if (!platform_.codecs.EncodeJpeg(*image, quality, jpeg, lastError_))
        return 0;
    return platform_.files.ReplaceFile(path, jpeg, lastError_) ? 1 : 0;
}

int Toolkit::SavePng(const Image& image, const std::string& path)
{
    if (FileNamePart(path).empty()) {
        lastError_ = "no file name";
        return 0;
    }
    std::vector<std::uint8_t> png;
    if (!platform_.codecs.EncodePng(image, png, lastError_))
        return 0;
    return platform_.files.ReplaceFile(path, png, lastError_) ? 1 : 0;
}

int Toolkit::SaveImageAsPng(int number, const std::string& path)
{
    const Image* image = FindImage(number);
    if (image == nullptr) {
        lastError_ = "there is no picture to save";
        return 0;
    }
    return SavePng(*image, path);
}

// --- Drawing ----------------------------------------------------------------

int Toolkit::BeginDrawing(DrawTarget target)
{
    EndDrawing();
    if (target == 0)
        return 0;
    for (auto& [number, slot] : images_) {
        if (slot.handle == target) {
            drawing_ = DrawingState{};
            drawing_.target = slot.image.get();
            drawing_.handle = slot.handle;
            return 1;
        }
    }
    return 0;
}

void Toolkit::EndDrawing()
{
    drawing_ = DrawingState{};
}

void Toolkit::SetDrawingFont(FontHandle font)
{
    if (!IsDrawing())
        return;
    if (font == kSystemFont || FindFont(font) != nullptr)
        drawing_.font = font;
}

void Toolkit::SetDrawingMode(int mode)
{
    if (IsDrawing())
        drawing_.mode = mode;
}

void Toolkit::PlotPixel(std::int64_t x, std::int64_t y, Colour colour)
{
    if (IsDrawing())
        vx::PlotPixel(*drawing_.target, x, y, colour);
}

void Toolkit::FillBox(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                      Colour colour)
{
    if (IsDrawing())
        vx::FillBox(*drawing_.target, x, y, w, h, colour);
}

void Toolkit::DrawSegment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                          Colour colour)
{
    if (IsDrawing())
        vx::DrawSegment(*drawing_.target, x1, y1, x2, y2, colour);
}

void Toolkit::DrawLineBy(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                         Colour colour)
{
    if (IsDrawing())
        vx::DrawLineBy(*drawing_.target, x, y, w, h, colour);
}

void Toolkit::FloodFillArea(std::int64_t x, std::int64_t y, std::int64_t boundary, Colour fill)
{
    if (IsDrawing())
        vx::FloodFillArea(*drawing_.target, x, y, boundary, fill);
}

int Toolkit::DrawTextAt(int x, int y, std::string_view text)
{
    return DrawText(x, y, text, drawing_.front, drawing_.mode == 0, drawing_.back);
}

int Toolkit::DrawTextAt(int x, int y, std::string_view text, Colour textColour)
{
    return DrawText(x, y, text, textColour, drawing_.mode == 0, drawing_.back);
}

int Toolkit::DrawTextAt(int x, int y, std::string_view text, Colour textColour,
                        Colour background)
{
    return DrawText(x, y, text, textColour, drawing_.mode == 0, background);
}

int Toolkit::DrawText(int x, int y, std::string_view text, Colour colour, bool opaque,
                      Colour background)
{
    if (!IsDrawing())
        return 0;
    const FontSlot* slot = FindFont(drawing_.font);
    if (slot == nullptr)
        return x;
    const std::string utf8 = Cp1252ToUtf8(text);
    const int width = platform_.windows.TextWidth(slot->id, utf8);
    if (!text.empty()) {
        if (opaque)
            vx::FillBox(*drawing_.target, x, y, width, slot->metrics.height, background);
        platform_.windows.DrawText(*drawing_.target, slot->id, x, y, utf8, colour);
    }
    return x + width;
}

int Toolkit::MeasureTextWidth(std::string_view text)
{
    if (!IsDrawing() || text.empty())
        return 0;
    const FontSlot* slot = FindFont(drawing_.font);
    return slot == nullptr ? 0 : platform_.windows.TextWidth(slot->id, Cp1252ToUtf8(text));
}

// --- Fonts ------------------------------------------------------------------

FontHandle Toolkit::LoadFontSlot(int number, const std::string& face, int points, int flags)
{
    if (number < 0 || face.empty() || points <= 0 || points > 1000)
        return 0;
    // MulDiv(points, 96, 72): rounded to the nearest integer, halves away from 0.
    const int pixels = (points * 96 + 36) / 72;
    const std::uint64_t id = platform_.windows.MakeFont(face, pixels, (flags & kFontBold) != 0);
    if (id == 0)
        return 0;
    FontSlot& slot = fonts_[number];
    if (slot.id != 0)
        platform_.windows.ReleaseFont(slot.id);  // a window opened anew loads its font again
    slot.handle = static_cast<FontHandle>(nextSerial_++);
    slot.id = id;
    slot.metrics = platform_.windows.MetricsOf(id);
    return slot.handle;
}

FontHandle Toolkit::FontHandleOf(int number) const
{
    const auto it = fonts_.find(number);
    return it == fonts_.end() ? 0 : it->second.handle;
}

const Toolkit::FontSlot* Toolkit::FindFont(FontHandle font)
{
    if (font == kSystemFont) {
        if (systemFont_.id == 0 && platform_.windows.Started()) {
            systemFont_.handle = kSystemFont;
            systemFont_.id = platform_.windows.DefaultFont();
            systemFont_.metrics = platform_.windows.MetricsOf(systemFont_.id);
        }
        return systemFont_.id != 0 ? &systemFont_ : nullptr;
    }
    for (const auto& [number, slot] : fonts_)
        if (slot.handle == font)
            return &slot;
    return nullptr;
}

int Toolkit::FontCellHeight(FontHandle font) const
{
    if (font == kSystemFont)
        return systemFont_.metrics.height;
    for (const auto& [number, slot] : fonts_)
        if (slot.handle == font)
            return slot.metrics.height;
    return 0;
}

// --- Files and folders ------------------------------------------------------

int Toolkit::OpenFileForRead(int number, const std::string& path)
{
    CloseFileSlot(number);
    if (number < 0 || path.empty())
        return 0;
    const std::uint64_t file = platform_.files.OpenForRead(path, lastError_);
    if (file == 0)
        return 0;
    files_[number] = file;
    return 1;
}

std::int64_t Toolkit::FileLength(int number) const
{
    return FileStampOf(number).size;
}

FileStamp Toolkit::FileStampOf(int number) const
{
    const auto it = files_.find(number);
    return it == files_.end() ? FileStamp{} : platform_.files.StampOf(it->second);
}

std::int64_t Toolkit::ReadFileBytes(int number, std::uint8_t* destination, std::int64_t count)
{
    const auto it = files_.find(number);
    if (it == files_.end() || destination == nullptr || count <= 0)
        return 0;
    lastError_.clear();
    return platform_.files.Read(it->second, destination, count, lastError_);
}

void Toolkit::CloseFileSlot(int number)
{
    const auto it = files_.find(number);
    if (it == files_.end())
        return;
    platform_.files.Close(it->second);
    files_.erase(it);
}

std::string Toolkit::CurrentFolder()
{
    return platform_.files.CurrentFolder();
}

bool Toolkit::MakeFolders(const std::string& folder)
{
    return platform_.files.MakeFolders(folder, lastError_);
}

// --- Windows and controls -------------------------------------------------------

WindowHandle Toolkit::CreateAppWindow(int number, int x, int y, int clientWidth,
                                      int clientHeight, const std::string& title, std::uint32_t)
{
    if (number < 0 || clientWidth <= 0 || clientHeight <= 0)
        return 0;
    const std::uint64_t id = platform_.windows.OpenWindow(x, y, clientWidth, clientHeight, Cp1252ToUtf8(title));
    if (id == 0)
        return 0;
    const auto old = windows_.find(number);
    if (old != windows_.end()) {
        if (parentWindow_ == old->second.id)
            parentWindow_ = 0;
        DropWindow(old);
    }
    const WindowHandle handle = nextSerial_++;
    windows_[number] = {handle, id};
    return handle;
}

WindowHandle Toolkit::NativeWindowHandle(int number) const
{
    const auto it = windows_.find(number);
    return it == windows_.end() ? 0 : it->second.handle;
}

std::uint64_t Toolkit::WindowId(int number) const
{
    const auto it = windows_.find(number);
    return it == windows_.end() ? 0 : it->second.id;
}

int Toolkit::AttachControlList(WindowHandle window)
{
    for (const auto& [number, slot] : windows_) {
        if (slot.handle == window && window != 0) {
            parentWindow_ = slot.id;
            return 1;
        }
    }
    return 0;
}

void Toolkit::DestroyAppWindow(int number)
{
    const auto it = windows_.find(number);
    if (it == windows_.end())
        return;
    DropWindow(it);
    parentWindow_ = windows_.empty() ? 0 : windows_.begin()->second.id;
}

// The window, its controls and what is queued for them go.
void Toolkit::DropWindow(std::map<int, WindowSlot>::iterator window)
{
    const std::uint64_t id = window->second.id;
    const int number = window->first;
    std::vector<int> gone;
    for (auto control = controls_.begin(); control != controls_.end();) {
        if (control->second.window != id) {
            ++control;
            continue;
        }
        platform_.windows.DestroyControl(control->second.id);
        sliderRanges_.erase(control->first);
        gone.push_back(control->first);
        control = controls_.erase(control);
    }
    platform_.windows.DestroyWindow(id);
    windows_.erase(window);
    std::erase_if(queue_, [&](const Event& event) {
        if (event.code == kCloseEvent)
            return event.window == number;
        return (event.code == kControlEvent || event.code == kPointerEvent) &&
               std::find(gone.begin(), gone.end(), event.control) != gone.end();
    });
}

const Toolkit::ControlSlot* Toolkit::FindControl(int number, ControlKind kind) const
{
    const auto it = controls_.find(number);
    return it == controls_.end() || it->second.kind != kind ? nullptr : &it->second;
}

const Toolkit::ControlSlot* Toolkit::FindRanged(int number) const
{
    const ControlSlot* slider = FindControl(number, ControlKind::Slider);
    return slider != nullptr ? slider : FindControl(number, ControlKind::ScrollBar);
}

std::uint64_t Toolkit::ControlId(int number) const
{
    const auto it = controls_.find(number);
    return it == controls_.end() ? 0 : it->second.id;
}

namespace {

// The control is made (replacing one of the same number) and its number is
// its tag in the platform's events.
template <class Controls>
std::uint64_t MakeControl(WindowSystem& windows, Controls& controls, std::uint64_t window,
                          int number, ControlKind kind, int x, int y, int w, int h,
                          const std::string& text)
{
    if (window == 0 || number < 0)
        return 0;
    const auto old = controls.find(number);
    if (old != controls.end()) {
        windows.DestroyControl(old->second.id);
        controls.erase(old);
    }
    const std::uint64_t id = windows.AddControl(window, kind, number, x, y, w, h);
    if (id != 0)
        controls[number] = {kind, id, text, window};
    return id;
}

}  // namespace

void Toolkit::AddLabel(int number, int x, int y, int w, int h, const std::string& text, int flags)
{
    const std::uint64_t id =
        MakeControl(platform_.windows, controls_, parentWindow_, number, ControlKind::Label, x, y, w, h, text);
    if (id == 0)
        return;
    platform_.windows.SetEndEllipsis(id, (flags & kLabelEndEllipsis) != 0);
    platform_.windows.SetWordWrap(id, (flags & kLabelWordWrap) != 0);
    platform_.windows.SetText(id, Cp1252ToUtf8(text));
}

void Toolkit::AddButton(int number, int x, int y, int w, int h, const std::string& text)
{
    const std::uint64_t id =
        MakeControl(platform_.windows, controls_, parentWindow_, number, ControlKind::Button, x, y, w, h, text);
    if (id != 0)
        platform_.windows.SetText(id, Cp1252ToUtf8(text));
}

void Toolkit::AddCheckBox(int number, int x, int y, int w, int h, const std::string& text)
{
    const std::uint64_t id =
        MakeControl(platform_.windows, controls_, parentWindow_, number, ControlKind::CheckBox, x, y,
                    w, h, text);
    if (id != 0)
        platform_.windows.SetText(id, Cp1252ToUtf8(text));
}

void Toolkit::AddPictureBox(int number, int x, int y, int w, int h, ImageHandle image)
{
    const std::uint64_t id = MakeControl(platform_.windows, controls_, parentWindow_, number,
                                         ControlKind::PictureBox, x, y, w, h, {});
    if (id != 0 && image != 0)
        SetControlValue(number, static_cast<std::int64_t>(image));
}

void Toolkit::AddSlider(int number, int x, int y, int w, int h, int minimum, int maximum,
                        int flags)
{
    const std::uint64_t id = MakeControl(platform_.windows, controls_, parentWindow_, number,
                                         ControlKind::Slider, x, y, w, h, {});
    if (id == 0)
        return;
    sliderRanges_[number] = {std::max(minimum, 0), std::max(maximum, 0)};
    platform_.windows.SetSliderRange(id, std::max(minimum, 0), std::max({minimum, maximum, 0}));
    platform_.windows.SetSliderTicks(id, (flags & 1) != 0);
}

void Toolkit::AddScrollBar(int number, int x, int y, int w, int h, int minimum, int maximum,
                           int page)
{
    const std::uint64_t id = MakeControl(platform_.windows, controls_, parentWindow_, number,
                                         ControlKind::ScrollBar, x, y, w, h, {});
    if (id == 0)
        return;
    sliderRanges_[number] = {std::max(minimum, 0), std::max(maximum, 0)};
    platform_.windows.SetSliderRange(id, std::max(minimum, 0), std::max({minimum, maximum, 0}));
    platform_.windows.SetScrollPage(id, std::max(page, 1));
}

namespace {

bool HasText(ControlKind kind)
{
    return kind == ControlKind::Label || kind == ControlKind::Button ||
           kind == ControlKind::CheckBox;
}

}  // namespace

std::string Toolkit::GetControlText(int number) const
{
    const auto it = controls_.find(number);
    if (it == controls_.end())
        return {};
    return HasText(it->second.kind) ? it->second.text : std::string();
}

void Toolkit::SetControlText(int number, const std::string& text)
{
    const auto it = controls_.find(number);
    if (it == controls_.end())
        return;
    it->second.text = text;
    if (HasText(it->second.kind))
        platform_.windows.SetText(it->second.id, Cp1252ToUtf8(text));
}

std::int64_t Toolkit::GetControlValue(int number) const
{
    if (const ControlSlot* box = FindControl(number, ControlKind::CheckBox))
        return platform_.windows.IsChecked(box->id) ? 1 : 0;
    const ControlSlot* slider = FindRanged(number);
    return slider == nullptr ? 0 : platform_.windows.SliderValue(slider->id);
}

void Toolkit::SetControlValue(int number, std::int64_t value)
{
    if (const ControlSlot* box = FindControl(number, ControlKind::CheckBox)) {
        platform_.windows.SetChecked(box->id, value != 0);
        return;
    }
    if (const ControlSlot* slider = FindRanged(number)) {
        platform_.windows.SetSliderValue(slider->id,
                                 static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX)));
        return;
    }
    if (const ControlSlot* box = FindControl(number, ControlKind::PictureBox)) {
        const Image* shown = nullptr;
        for (const auto& [n, slot] : images_)
            if (slot.handle == static_cast<ImageHandle>(value))
                shown = slot.image.get();
        platform_.windows.ShowPicture(box->id, shown);
    }
}

void Toolkit::ShowImage(int box, int image)
{
    SetControlValue(box, static_cast<std::int64_t>(ImageHandleOf(image)));
}

int Toolkit::GetControlAttribute(int number, int which) const
{
    const ControlSlot* slider = FindRanged(number);
    if (slider == nullptr)
        return 0;
    const auto it = sliderRanges_.find(number);
    if (it == sliderRanges_.end())
        return 0;
    return which == SliderMinimum ? it->second.first : which == SliderMaximum ? it->second.second : 0;
}

void Toolkit::SetControlAttribute(int number, int which, int value)
{
    const ControlSlot* slider = FindRanged(number);
    if (slider == nullptr)
        return;
    auto& [minimum, maximum] = sliderRanges_[number];
    value = std::max(value, 0);
    if (which == SliderMinimum)
        minimum = value;
    else if (which == SliderMaximum)
        maximum = value;
    else
        return;
    // The thumb stays on its value where it can.
    const int position = platform_.windows.SliderValue(slider->id);
    platform_.windows.SetSliderRange(slider->id, minimum, std::max(minimum, maximum));
    platform_.windows.SetSliderValue(slider->id, position);
}

void Toolkit::SetScrollPage(int number, int page)
{
    if (const ControlSlot* bar = FindControl(number, ControlKind::ScrollBar))
        platform_.windows.SetScrollPage(bar->id, std::max(page, 1));
}

void Toolkit::TrackPointer(int box, bool on)
{
    if (const ControlSlot* slot = FindControl(box, ControlKind::PictureBox))
        platform_.windows.TrackPointer(slot->id, on);
}

void Toolkit::SetControlEnabled(int number, bool enabled)
{
    if (const std::uint64_t id = ControlId(number))
        platform_.windows.SetEnabled(id, enabled);
}

bool Toolkit::ControlEnabled(int number) const
{
    const std::uint64_t id = ControlId(number);
    return id != 0 && platform_.windows.IsEnabled(id);
}

void Toolkit::SetControlToolTip(int number, const std::string& text)
{
    if (const std::uint64_t id = ControlId(number))
        platform_.windows.SetToolTip(id, Cp1252ToUtf8(text));
}

void Toolkit::SetControlTextColour(int number, Colour colour)
{
    if (const std::uint64_t id = ControlId(number))
        platform_.windows.SetTextColour(id, colour);
}

void Toolkit::SetWindowBackground(int windowNumber, Colour colour)
{
    if (const std::uint64_t id = WindowId(windowNumber))
        platform_.windows.SetWindowBackground(id, colour);
}

void Toolkit::AddKeyCommand(int windowNumber, Key key, int control)
{
    if (const std::uint64_t id = WindowId(windowNumber))
        platform_.windows.AddKeyCommand(id, key, control);
}

void Toolkit::SetTabOrder(std::span<const int> controls)
{
    std::vector<std::uint64_t> ids;
    for (const int number : controls) {
        if (const std::uint64_t id = ControlId(number)) {
            platform_.windows.SetFocusable(id);
            ids.push_back(id);
        }
    }
    platform_.windows.SetTabOrder(ids);
}

void Toolkit::AcceptDrops(int windowNumber, bool accept)
{
    if (const std::uint64_t id = WindowId(windowNumber))
        platform_.windows.AcceptDrops(id, accept);
}

void Toolkit::ReceivePassedFiles(int windowNumber)
{
    if (const std::uint64_t id = WindowId(windowNumber))
        platform_.windows.ReceivePassedFiles(id);
}

bool Toolkit::PassToOpenWindow(const std::string& path)
{
    return platform_.windows.PassToOpenWindow(platform_.files.AbsolutePath(path));
}

int Toolkit::SaveWindowPng(int windowNumber, const std::string& path)
{
    const std::uint64_t id = WindowId(windowNumber);
    if (id == 0) {
        lastError_ = "there is no window";
        return 0;
    }
    return SavePng(platform_.windows.GrabWindow(id), path);
}

Image Toolkit::ShownPicture(int box) const
{
    const ControlSlot* slot = FindControl(box, ControlKind::PictureBox);
    return slot != nullptr ? platform_.windows.ShownPicture(slot->id) : Image(0, 0);
}

int Toolkit::SaveShownPicturePng(int control, const std::string& path)
{
    const Image shown = ShownPicture(control);
    if (shown.Width() == 0) {
        lastError_ = "the box shows no picture";
        return 0;
    }
    return SavePng(shown, path);
}

std::pair<int, int> Toolkit::ControlSize(int number) const
{
    const std::uint64_t id = ControlId(number);
    return id == 0 ? std::pair(0, 0) : platform_.windows.ControlSize(id);
}

// --- Placement --------------------------------------------------------------

ScreenArea Toolkit::WorkAreaOf(int windowNumber) const
{
    const std::uint64_t id = WindowId(windowNumber);
    return id == 0 ? ScreenArea{} : platform_.windows.WorkArea(id);
}

ScreenArea Toolkit::WindowFrameOf(int windowNumber) const
{
    const std::uint64_t id = WindowId(windowNumber);
    return id == 0 ? ScreenArea{} : platform_.windows.WindowFrame(id);
}

void Toolkit::MoveAppWindow(int windowNumber, int x, int y)
{
    if (const std::uint64_t id = WindowId(windowNumber))
        platform_.windows.MoveWindowTo(id, x, y);
}

// --- Events -----------------------------------------------------------------

void Toolkit::Receive(const PlatformEvent& event)
{
    if (event.kind == PlatformEvent::Kind::Timer) {
        // Kept while busy, like a close request; one queued stands for the
        // later ones, so that a slow handler or a requester left open never
        // piles them up.
        if (timers_.count(event.tag) == 0)
            return;  // stopped since the system raised it
        for (const Event& queued : queue_)
            if (queued.code == kTimerEvent && queued.control == event.tag)
                return;
        queue_.push_back({kTimerEvent, event.tag, {}});
        return;
    }
    if (event.kind == PlatformEvent::Kind::Close) {
        int window = -1;
        for (const auto& [number, slot] : windows_)
            if (slot.id == event.window && event.window != 0)
                window = number;
        queue_.push_back({kCloseEvent, 0, {}, window, {}});
        return;
    }
    if (event.kind == PlatformEvent::Kind::Open) {
        queue_.push_back({kDropEvent, 0, event.path});  // kept, like a close request
        return;
    }
    if (busy_)
        return;  // nothing re-enters a handler that is still running
    if (event.kind == PlatformEvent::Kind::Drop) {
        queue_.push_back({kDropEvent, 0, event.path});
        return;
    }
    if (event.kind == PlatformEvent::Kind::Pointer) {
        const Pointer pointer{event.action, event.x, event.y, event.wheelSteps, event.shift};
        // The newest place stands for the moves not yet taken.
        if (event.action == PointerAction::Move && !queue_.empty() &&
            queue_.back().code == kPointerEvent && queue_.back().control == event.tag &&
            queue_.back().pointer.action == PointerAction::Move) {
            queue_.back().pointer = pointer;
            return;
        }
        queue_.push_back({kPointerEvent, event.tag, {}, -1, pointer});
        return;
    }
    // A key command for a control that is there but disabled does nothing.
    const auto it = controls_.find(event.tag);
    if (it != controls_.end() && !platform_.windows.IsEnabled(it->second.id))
        return;
    queue_.push_back({kControlEvent, event.tag, {}});
}

int Toolkit::TakeEvent()
{
    const Event event = queue_.front();
    queue_.pop_front();
    eventControl_ = event.control;
    droppedPath_ = event.path;
    eventWindow_ = event.window;
    pointer_ = event.pointer;
    return event.code;
}

int Toolkit::WaitEvent()
{
    if (windows_.empty() && timers_.empty() && queue_.empty())
        return 0;  // nothing could ever raise an event
    while (queue_.empty())
        platform_.windows.ProcessEvents(true);
    return TakeEvent();
}

int Toolkit::PollEvent()
{
    if (queue_.empty())
        platform_.windows.ProcessEvents(false);
    return queue_.empty() ? 0 : TakeEvent();
}

// --- Timers -----------------------------------------------------------------

void Toolkit::StartTimer(int number, int milliseconds)
{
    if (!platform_.windows.Started())
        return;
    timers_.insert(number);
    platform_.windows.StartTimer(number, std::max(milliseconds, 0));
}

void Toolkit::StopTimer(int number)
{
    if (timers_.erase(number) == 0)
        return;
    platform_.windows.StopTimer(number);
    std::erase_if(queue_, [number](const Event& event) {
        return event.code == kTimerEvent && event.control == number;
    });
}

// --- Requesters and message boxes ---------------------------------------------

std::string Requester::AskFolder(int, const std::string&, const std::string&)
{
    return {};
}

void Requester::ShowMessage(int, MessageKind, const std::string&, const std::string&) {}

void Toolkit::SetRequester(std::unique_ptr<Requester> requester)
{
    requester_ = std::move(requester);
}

std::string Toolkit::AskOpenFile(int owner, const std::string& title,
                                 const std::string& defaultFile, const std::string& filter,
                                 int filterIndex)
{
    if (requester_)
        return requester_->AskOpenFile(owner, title, defaultFile, filter, filterIndex);
    return platform_.windows.AskOpenFile(WindowId(owner), Cp1252ToUtf8(title), defaultFile,
                                         Cp1252ToUtf8(filter), filterIndex);
}

std::string Toolkit::AskSaveFile(int owner, const std::string& title,
                                 const std::string& defaultFile, const std::string& filter,
                                 int filterIndex)
{
    if (requester_)
        return requester_->AskSaveFile(owner, title, defaultFile, filter, filterIndex);
    return platform_.windows.AskSaveFile(WindowId(owner), Cp1252ToUtf8(title), defaultFile,
                                         Cp1252ToUtf8(filter), filterIndex);
}

std::string Toolkit::AskFolder(int owner, const std::string& title, const std::string& startFolder)
{
    if (requester_)
        return requester_->AskFolder(owner, title, startFolder);
    return platform_.windows.AskFolder(WindowId(owner), Cp1252ToUtf8(title), startFolder);
}

void Toolkit::ShowMessageBox(int owner, MessageKind kind, const std::string& title,
                             const std::string& text)
{
    if (requester_) {
        requester_->ShowMessage(owner, kind, title, text);
        return;
    }
    platform_.windows.ShowMessage(WindowId(owner), kind, Cp1252ToUtf8(title), Cp1252ToUtf8(text));
}

}  // namespace vx
