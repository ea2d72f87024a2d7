// JPEG and PNG through the Windows Imaging Component: the system's own
// codecs, so the program needs no library beside the system's.
#include "toolkit/win32/Win32Platform.h"

#include <objbase.h>
#include <wincodec.h>

namespace vx {

namespace {

// A COM interface released when the scope ends.
template <class T>
class Com {
public:
    Com() = default;
    ~Com()
    {
        if (p_ != nullptr)
            p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

private:
    T* p_ = nullptr;
};

std::string Hresult(const char* what, HRESULT result)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s failed (0x%08lx)", what, static_cast<unsigned long>(result));
    return text;
}

// One named option of a frame's encoder; an option the codec does not know
// is left out.
void WriteOption(IPropertyBag2* options, const wchar_t* name, VARIANT& value)
{
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(name);
    options->Write(1, &option, &value);
}

bool Encode(const Image& image, const GUID& container, float jpegQuality,
            std::vector<std::uint8_t>& out, std::string& error)
{
    // COM for this thread; a second start on the same thread is harmless.
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool ownsCom = SUCCEEDED(started);
    bool ok = false;
    [&] {
        Com<IWICImagingFactory> factory;
        HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()));
        if (FAILED(hr)) {
            error = Hresult("the picture coder", hr);
            return;
        }
        Com<IStream> stream;
        if (FAILED(hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()))) {
            error = Hresult("the memory stream", hr);
            return;
        }
        Com<IWICBitmapEncoder> encoder;
        if (FAILED(hr = factory->CreateEncoder(container, nullptr, encoder.Out())) ||
            FAILED(hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache))) {
            error = Hresult("the encoder", hr);
            return;
        }
        Com<IWICBitmapFrameEncode> frame;
        Com<IPropertyBag2> options;
        if (FAILED(hr = encoder->CreateNewFrame(frame.Out(), options.Out()))) {
            error = Hresult("the frame", hr);
            return;
        }
        if (jpegQuality > 0.0f && options.Get() != nullptr) {
            // Quality, and chroma at full resolution where the codec takes it.
            VARIANT quality;
            VariantInit(&quality);
            quality.vt = VT_R4;
            quality.fltVal = jpegQuality;
            WriteOption(options.Get(), L"ImageQuality", quality);
            VARIANT subsampling;
            VariantInit(&subsampling);
            subsampling.vt = VT_UI1;
            subsampling.bVal = WICJpegYCrCbSubsampling444;
            WriteOption(options.Get(), L"JpegYCrCbSubsampling", subsampling);
        }
        if (FAILED(hr = frame->Initialize(options.Get())) ||
            FAILED(hr = frame->SetSize(static_cast<UINT>(image.Width()), static_cast<UINT>(image.Height())))) {
            error = Hresult("the frame", hr);
            return;
        }
        // The image's words are 0xFFRRGGBB: bytes blue, green, red, 255.
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        if (FAILED(hr = frame->SetPixelFormat(&format))) {
            error = Hresult("the pixel format", hr);
            return;
        }
        const UINT stride = static_cast<UINT>(image.Width()) * 3;
        std::vector<BYTE> rows(static_cast<std::size_t>(stride) * image.Height());
        std::size_t at = 0;
        for (int y = 0; y < image.Height(); ++y) {
            const std::uint32_t* word = image.Words() + static_cast<std::size_t>(y) * image.Width();
            for (int x = 0; x < image.Width(); ++x) {
                rows[at++] = static_cast<BYTE>(word[x] & 0xFF);
                rows[at++] = static_cast<BYTE>(word[x] >> 8 & 0xFF);
                rows[at++] = static_cast<BYTE>(word[x] >> 16 & 0xFF);
            }
        }
        if (FAILED(hr = frame->WritePixels(static_cast<UINT>(image.Height()), stride,
                                           static_cast<UINT>(rows.size()), rows.data())) ||
            FAILED(hr = frame->Commit()) || FAILED(hr = encoder->Commit())) {
            error = Hresult("the encoder", hr);
            return;
        }
        HGLOBAL memory = nullptr;
        if (FAILED(hr = GetHGlobalFromStream(stream.Get(), &memory))) {
            error = Hresult("the memory stream", hr);
            return;
        }
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(memory));
        out.assign(bytes, bytes + stat.cbSize.QuadPart);
        GlobalUnlock(memory);
        ok = true;
    }();
    if (ownsCom)
        CoUninitialize();
    return ok;
}

}  // namespace

bool Win32Platform::EncodeJpeg(const Image& image, int quality, std::vector<std::uint8_t>& out,
                               std::string& error)
{
    return Encode(image, GUID_ContainerFormatJpeg, static_cast<float>(quality) / 100.0f, out, error);
}

bool Win32Platform::EncodePng(const Image& image, std::vector<std::uint8_t>& out, std::string& error)
{
    return Encode(image, GUID_ContainerFormatPng, 0.0f, out, error);
}

}  // namespace vx
