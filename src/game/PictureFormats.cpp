#include "game/PictureFormats.h"

#include "platform/Files.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>

namespace hopplix {

namespace {

using Bytes = std::basic_string_view<unsigned char>;

bool startsWith(std::string_view bytes, std::string_view magic) { return bytes.substr(0, magic.size()) == magic; }

std::uint32_t bigEndian32(Bytes b, std::size_t at)
{
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Chunks (length, type, data, CRC) after the signature, up to IEND.
bool pngIsWhole(Bytes b)
{
    std::size_t at = 8;
    for (;;) {
        if (b.size() - at < 12)
            return false;
        const std::uint32_t length = bigEndian32(b, at);
        if (length > b.size() - at - 12)
            return false;
        const Bytes type = b.substr(at + 4, 4);
        at += 12 + std::size_t{length};
        if (type == Bytes(reinterpret_cast<const unsigned char*>("IEND"), 4))
            return true;
    }
}

// Data sub-blocks (a length byte, that many bytes) up to the empty one.
bool skipGifSubBlocks(Bytes b, std::size_t& at)
{
    for (;;) {
        if (at >= b.size())
            return false;
        const std::size_t length = b[at++];
        if (length == 0)
            return true;
        if (length > b.size() - at)
            return false;
        at += length;
    }
}

bool gifIsWhole(Bytes b)
{
    if (b.size() < 13)
        return false;
    const auto colourTable = [](unsigned char flags) -> std::size_t {
        return (flags & 0x80) ? 3 * (std::size_t{2} << (flags & 7)) : 0;
    };
    std::size_t at = 13 + colourTable(b[10]);
    bool image = false;
    while (at < b.size()) {
        const unsigned char block = b[at++];
        if (block == 0x3B) // trailer
            return image;
        if (block == 0x21) { // extension: its label, then sub-blocks
            ++at;
            if (!skipGifSubBlocks(b, at))
                return false;
        } else if (block == 0x2C) { // image: descriptor, colour table, code size, sub-blocks
            if (b.size() - at < 9)
                return false;
            at += 9 + colourTable(b[at + 8]);
            ++at;
            if (!skipGifSubBlocks(b, at))
                return false;
            image = true;
        } else {
            return false;
        }
    }
    return false;
}

bool jpegIsWhole(Bytes b)
{
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    std::size_t at = 2;
    for (;;) {
        if (at >= b.size() || b[at] != 0xFF)
            return false;
        while (at < b.size() && b[at] == 0xFF) // fill bytes
            ++at;
        if (at >= b.size())
            return false;
        const unsigned char marker = b[at++];
        if (marker == 0xD9) // end of image
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // markers without a segment
        if (b.size() - at < 2)
            return false;
        const std::size_t length = std::size_t{b[at]} << 8 | b[at + 1];
        if (length < 2 || length > b.size() - at)
            return false;
        at += length;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data after the start of a scan runs to the next marker; FF 00 is a data
        // byte and FF D0..D7 a restart marker within it.
        for (;;) {
            if (b.size() - at < 2)
                return false;
            if (b[at] == 0xFF && b[at + 1] != 0x00 && b[at + 1] != 0xFF && (b[at + 1] < 0xD0 || b[at + 1] > 0xD7))
                break;
            ++at;
        }
    }
}

} // namespace

PictureFormat pictureFormatOf(std::string_view bytes)
{
    using namespace std::string_view_literals;
    if (startsWith(bytes, "BM"))
        return PictureFormat::Bitmap;
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n"sv))
        return PictureFormat::Png;
    if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a"))
        return PictureFormat::Gif;
    if (startsWith(bytes, "\xFF\xD8\xFF"sv))
        return PictureFormat::Jpeg;
    return PictureFormat::Unknown;
}

bool pictureIsWhole(PictureFormat format, std::string_view bytes)
{
    const Bytes b(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    switch (format) {
    case PictureFormat::Png: return pngIsWhole(b);
    case PictureFormat::Gif: return gifIsWhole(b);
    case PictureFormat::Jpeg: return jpegIsWhole(b);
    case PictureFormat::Bitmap:
    case PictureFormat::Unknown: break;
    }
    return true;
}

std::variant<CodecPicture, PictureError> readForCodec(const std::filesystem::path& file, const PictureDecoder& bitmaps,
                                                      PictureRows& rows)
{
    // Only two bytes tell a bitmap; the strict reader then reads it as a stream.
    {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return PictureError{BmpError::CannotOpen};
        char magic[2] = {};
        if (in.read(magic, 2) && magic[0] == 'B' && magic[1] == 'M')
            return bitmaps.decode(file, rows);
    }
    std::optional<std::string> content = readOrdinaryFile(file);
    if (!content)
        return PictureError{BmpError::ReadFailed};
    const PictureFormat format = pictureFormatOf(*content);
    if (format != PictureFormat::Png && format != PictureFormat::Gif && format != PictureFormat::Jpeg)
        return PictureError{BmpError::NotBitmap};
    if (!pictureIsWhole(format, *content))
        return PictureError{.damaged = true};
    return CodecPicture{std::move(*content), format};
}

bool withinPictureLimit(std::int64_t width, std::int64_t height)
{
    return width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels;
}

} // namespace hopplix
