#include "game/qt/QtPictureDecoder.h"

#include "platform/Files.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace hopplix {

namespace {

using Bytes = std::basic_string_view<unsigned char>;

// Qt's GIF and JPEG readers hand out a picture cut short as if it were whole (the missing part
// painted in some colour), so these check first that the file's blocks run to their end.

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

bool withinLimit(QSize size)
{
    return size.width() <= kMaxPictureSide && size.height() <= kMaxPictureSide
           && std::int64_t{size.width()} * size.height() <= kMaxPicturePixels;
}

} // namespace

PictureError QtPictureDecoder::decode(const std::filesystem::path& file, PictureRows& rows) const
{
    // Only two bytes tell a bitmap; the strict reader then reads it as a stream.
    {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return {BmpError::CannotOpen};
        char magic[2] = {};
        if (in.read(magic, 2) && magic[0] == 'B' && magic[1] == 'M')
            return bitmaps_.decode(file, rows);
    }

    // The path is bytes; Qt's file names are not, so the file is read here.
    const std::optional<std::string> content = readOrdinaryFile(file);
    if (!content)
        return {BmpError::ReadFailed};
    QByteArray bytes = QByteArray::fromRawData(content->data(), static_cast<qsizetype>(content->size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    const Bytes whole(reinterpret_cast<const unsigned char*>(content->data()), content->size());
    if (format == "gif") {
        if (!gifIsWhole(whole))
            return {.damaged = true};
    } else if (format == "jpeg") {
        if (!jpegIsWhole(whole))
            return {.damaged = true};
    } else if (format != "png") {
        return {BmpError::NotBitmap};
    }

    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    // Qt's own cap is lower than ours; the limit is the one the bitmap reader keeps.
    reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 >> 20));
    const QSize announced = reader.size();
    if (announced.isValid() && !withinLimit(announced))
        return {BmpError::TooLarge};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {.damaged = true};
    if (image.width() <= 0 || image.height() <= 0)
        return {BmpError::BadSize};
    if (!withinLimit(image.size()))
        return {BmpError::TooLarge};
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32); // not premultiplied: colours as painted
    if (image.isNull())
        return {.damaged = true};

    if (!rows.size(image.width(), image.height()))
        return {.refused = true};
    std::vector<std::uint32_t> line(static_cast<std::size_t>(image.width()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (std::size_t x = 0; x < line.size(); ++x)
            line[x] = pictureColour(static_cast<std::uint32_t>(qRed(in[x])), static_cast<std::uint32_t>(qGreen(in[x])),
                                    static_cast<std::uint32_t>(qBlue(in[x])));
        rows.row(y, line);
    }
    return {};
}

} // namespace hopplix
