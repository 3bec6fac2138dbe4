#include "game/win32/WicPictureDecoder.h"

#include "game/PictureFormats.h"

#include <windows.h>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>
#include <wincodec.h>

namespace hopplix {

namespace {

// Owns one reference of a COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr()
    {
        if (p_)
            p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** out() { return &p_; }

private:
    T* p_ = nullptr;
};

// COM on this thread for the decoder's lifetime; a thread already in another apartment keeps it
// (WIC's objects are free-threaded), and only a successful call is balanced.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope()
    {
        if (initialised_)
            CoUninitialize();
    }

private:
    bool initialised_;
};

// Hands the converted picture to `rows` a band of rows at a time, so it is never held whole
// beside the codec's copy.
bool copyRows(IWICFormatConverter& converter, UINT width, UINT height, PictureRows& rows)
{
    const UINT stride = width * 4;
    const UINT band = std::max<UINT>(1, (1u << 20) / stride);
    std::vector<BYTE> pixels(std::size_t{stride} * std::min(band, height));
    std::vector<std::uint32_t> line(width);
    for (UINT top = 0; top < height; top += band) {
        const UINT count = std::min(band, height - top);
        const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(count)};
        if (FAILED(converter.CopyPixels(&rect, stride, stride * count, pixels.data())))
            return false;
        for (UINT y = 0; y < count; ++y) {
            const BYTE* in = pixels.data() + std::size_t{stride} * y;
            for (UINT x = 0; x < width; ++x, in += 4)
                line[x] = pictureColour(in[2], in[1], in[0]);
            rows.row(static_cast<int>(top + y), line);
        }
    }
    return true;
}

} // namespace

PictureError WicPictureDecoder::decode(const std::filesystem::path& file, PictureRows& rows) const
{
    auto read = readForCodec(file, bitmaps_, rows);
    if (auto* answer = std::get_if<PictureError>(&read))
        return *answer;
    const auto& [content, format] = std::get<CodecPicture>(read);
    if (content.size() > std::numeric_limits<DWORD>::max())
        return {BmpError::TooLarge};

    const ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))))
        return {.damaged = true};
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out()))
        || FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(content.data())),
                                               static_cast<DWORD>(content.size()))))
        return {.damaged = true};
    // The codec that matches the content we told apart, not whichever claims the bytes first.
    const GUID container = format == PictureFormat::Png   ? GUID_ContainerFormatPng
                           : format == PictureFormat::Gif ? GUID_ContainerFormatGif
                                                          : GUID_ContainerFormatJpeg;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoder(container, nullptr, decoder.out()))
        || FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))
        || FAILED(decoder->GetFrame(0, frame.out())))
        return {.damaged = true};

    UINT width = 0;
    UINT height = 0;
    if (FAILED(frame->GetSize(&width, &height)))
        return {.damaged = true};
    if (width == 0 || height == 0)
        return {BmpError::BadSize};
    if (!withinPictureLimit(width, height))
        return {BmpError::TooLarge};

    // Not premultiplied: colours as painted, whatever their transparency.
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out()))
        || FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                        0.0, WICBitmapPaletteTypeCustom)))
        return {.damaged = true};

    if (!rows.size(static_cast<int>(width), static_cast<int>(height)))
        return {.refused = true};
    if (!copyRows(*converter.get(), width, height, rows))
        return {.damaged = true};
    return {};
}

} // namespace hopplix
