// JPEG and PNG through the Windows Imaging Component: the system's own
// codecs, so the program needs no library beside the system's.
#include "toolkit/win32/Win32Platform.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>

#include "toolkit/PictureCodecs.h"

namespace vx {

namespace {

using Microsoft::WRL::ComPtr;  // a COM interface, released with its owner

// The memory of a global block, for as long as the scope lasts.
class LockedMemory {
public:
    explicit LockedMemory(HGLOBAL memory) : memory_(memory), bytes_(GlobalLock(memory)) {}
    ~LockedMemory()
    {
        if (bytes_ != nullptr)
            GlobalUnlock(memory_);
    }
    LockedMemory(const LockedMemory&) = delete;
    LockedMemory& operator=(const LockedMemory&) = delete;
    const std::uint8_t* Bytes() const { return static_cast<const std::uint8_t*>(bytes_); }

private:
    HGLOBAL memory_;
    void* bytes_;
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
    const ComScope com;
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (FAILED(hr)) {
        error = Hresult("the picture coder", hr);
        return false;
    }
    ComPtr<IStream> stream;
    if (FAILED(hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()))) {
        error = Hresult("the memory stream", hr);
        return false;
    }
    ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(hr = factory->CreateEncoder(container, nullptr, encoder.GetAddressOf())) ||
        FAILED(hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache))) {
        error = Hresult("the encoder", hr);
        return false;
    }
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(hr = encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf()))) {
        error = Hresult("the frame", hr);
        return false;
    }
    if (jpegQuality > 0.0f && options != nullptr) {
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
        return false;
    }
    // The image's words are 0xFFRRGGBB: bytes blue, green, red, 255.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(hr = frame->SetPixelFormat(&format))) {
        error = Hresult("the pixel format", hr);
        return false;
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
        return false;
    }
    // The stream's block, which the stream frees.
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(hr = GetHGlobalFromStream(stream.Get(), &memory)) ||
        FAILED(hr = stream->Stat(&stat, STATFLAG_NONAME))) {
        error = Hresult("the memory stream", hr);
        return false;
    }
    const LockedMemory bytes(memory);
    if (bytes.Bytes() == nullptr) {
        error = "the memory stream cannot be read";
        return false;
    }
    out.assign(bytes.Bytes(), bytes.Bytes() + stat.cbSize.QuadPart);
    return true;
}

class Win32Pictures final : public PictureCodecs {
public:
    bool EncodeJpeg(const Image& image, int quality, std::vector<std::uint8_t>& out,
                    std::string& error) override
    {
        return Encode(image, GUID_ContainerFormatJpeg, static_cast<float>(quality) / 100.0f, out,
                      error);
    }
    bool EncodePng(const Image& image, std::vector<std::uint8_t>& out, std::string& error) override
    {
        return Encode(image, GUID_ContainerFormatPng, 0.0f, out, error);
    }
};

}  // namespace

PictureCodecs& SystemCodecs()
{
    static Win32Pictures codecs;
    return codecs;
}

}  // namespace vx
