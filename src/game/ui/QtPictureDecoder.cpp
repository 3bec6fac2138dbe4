#include "game/ui/QtPictureDecoder.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <vector>

namespace hopplix {

namespace {

bool acceptableSize(QSize size)
{
    return size.width() > 0 && size.height() > 0
           && std::int64_t{size.width()} * size.height() <= kMaxLevelPixels;
}

} // namespace

bool QtPictureDecoder::decode(const std::filesystem::path& file, PictureRows& rows) const
{
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(file.string())));
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return false;
    // Refuse absurd sizes from the header, before anything is allocated for them.
    const QSize announced = reader.size();
    if (announced.isValid() && !acceptableSize(announced))
        return false;

    QImage image;
    if (!reader.read(&image) || image.isNull() || !acceptableSize(image.size()))
        return false;

    // Non-premultiplied, so every colour stays exactly as painted.
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return false;

    const int width = image.width();
    const int height = image.height();
    if (!rows.size(width, height))
        return false;
    std::vector<std::uint32_t> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = in[x];
            line[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(qRed(c))
                                                | static_cast<std::uint32_t>(qGreen(c)) << 8
                                                | static_cast<std::uint32_t>(qBlue(c)) << 16;
        }
        rows.row(y, line);
    }
    return true;
}

} // namespace hopplix
