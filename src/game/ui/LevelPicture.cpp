#include "game/ui/LevelPicture.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace hopplix {

namespace {

bool acceptableSize(QSize size)
{
    return size.width() > 0 && size.height() > 0
           && std::int64_t{size.width()} * size.height() <= kMaxLevelPixels;
}

} // namespace

std::optional<Picture> readLevelPicture(const std::filesystem::path& file)
{
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(file.string())));
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return std::nullopt;
    // Refuse absurd sizes from the header, before anything is allocated for them.
    const QSize announced = reader.size();
    if (announced.isValid() && !acceptableSize(announced))
        return std::nullopt;

    QImage image;
    if (!reader.read(&image) || image.isNull() || !acceptableSize(image.size()))
        return std::nullopt;

    // Non-premultiplied, so every colour stays exactly as painted.
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;

    Picture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    std::uint32_t* out = picture.pixels.data();
    for (int y = 0; y < picture.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            const QRgb c = line[x];
            *out++ = static_cast<std::uint32_t>(qRed(c)) | static_cast<std::uint32_t>(qGreen(c)) << 8
                     | static_cast<std::uint32_t>(qBlue(c)) << 16;
        }
    }
    return picture;
}

} // namespace hopplix
