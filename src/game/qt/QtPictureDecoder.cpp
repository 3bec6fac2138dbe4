#include "game/qt/QtPictureDecoder.h"

#include "game/PictureFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <string>
#include <vector>

namespace hopplix {

PictureError QtPictureDecoder::decode(const std::filesystem::path& file, PictureRows& rows) const
{
    auto read = readForCodec(file, bitmaps_, rows);
    if (auto* answer = std::get_if<PictureError>(&read))
        return *answer;
    const auto& [content, format] = std::get<CodecPicture>(read);

    // The path is bytes and Qt's file names are not: Qt reads the picture from memory.
    QByteArray bytes = QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format == PictureFormat::Png ? "png" : format == PictureFormat::Gif ? "gif" : "jpeg");
    reader.setAutoTransform(false);
    // Qt's own cap is lower than ours; the limit is the one the bitmap reader keeps.
    reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 >> 20));
    const QSize announced = reader.size();
    if (announced.isValid() && !withinPictureLimit(announced.width(), announced.height()))
        return {BmpError::TooLarge};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {.damaged = true};
    if (image.width() <= 0 || image.height() <= 0)
        return {BmpError::BadSize};
    if (!withinPictureLimit(image.width(), image.height()))
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
