// The Windows Imaging Component's picture reader on the cases every decoder of other formats passes.

#include "game/other_format_cases.h"
#include "game/win32/WicPictureDecoder.h"

#include <windows.h>
#include <stdexcept>
#include <string_view>
#include <wincodec.h>

namespace hopplix::test {
namespace {

void check(HRESULT result)
{
    if (FAILED(result))
        throw std::runtime_error("WIC call failed: " + std::to_string(static_cast<unsigned long>(result)));
}

const PictureDecoder& decoderUnderTest()
{
    static const WicPictureDecoder decoder;
    return decoder;
}

// COM for the test's own encoder.
class ComForTheTest {
public:
    ComForTheTest() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComForTheTest(const ComForTheTest&) = delete;
    ComForTheTest& operator=(const ComForTheTest&) = delete;
    ~ComForTheTest()
    {
        if (initialised_)
            CoUninitialize();
    }

private:
    bool initialised_;
};

std::string encodedAs(std::string_view format, const Picture& picture)
{
    const ComForTheTest com;
    std::vector<BYTE> bgr;
    for (const uint32_t c : picture.pixels)
        bgr.insert(bgr.end(), {static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c)});

    IWICImagingFactory* factory = nullptr;
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(&factory)));
    check(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    check(factory->CreateEncoder(format == "PNG" ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg, nullptr,
                                 &encoder));
    check(encoder->Initialize(stream, WICBitmapEncoderNoCache));
    check(encoder->CreateNewFrame(&frame, nullptr));
    check(frame->Initialize(nullptr));
    check(frame->SetSize(64, 48));
    WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat24bppBGR;
    check(frame->SetPixelFormat(&pixelFormat));
    check(frame->WritePixels(48, 64 * 3, static_cast<UINT>(bgr.size()), bgr.data()));
    check(frame->Commit());
    check(encoder->Commit());
    STATSTG stat{};
    check(stream->Stat(&stat, STATFLAG_NONAME));
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    check(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    ULONG read = 0;
    check(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read));
    frame->Release();
    encoder->Release();
    stream->Release();
    factory->Release();
    return bytes;
}

} // namespace
} // namespace hopplix::test
