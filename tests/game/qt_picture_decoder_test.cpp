// Qt's picture reader on the cases every decoder of other formats passes.

#include "game/other_format_cases.h"
#include "game/qt/QtPictureDecoder.h"

#include <QBuffer>
#include <QImage>

namespace hopplix::test {
namespace {

const PictureDecoder& decoderUnderTest()
{
    static const QtPictureDecoder decoder;
    return decoder;
}

std::string encodedAs(std::string_view format, const Picture& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t c = picture.pixels[static_cast<size_t>(y * picture.width + x)];
            image.setPixel(x, y,
                           qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                static_cast<int>((c >> 16) & 0xFF)));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, std::string(format).c_str(), 100);
    return bytes.toStdString();
}

} // namespace
} // namespace hopplix::test
