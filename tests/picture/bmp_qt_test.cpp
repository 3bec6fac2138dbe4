// The bundled levels and the reference bitmaps decode to the pixels Qt's image reader gives,
// except where Qt is known to read a kind of file differently.

#include "bmp_files.h"
#include "picture/BmpReader.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <map>
#include <string>
#include <vector>

namespace hopplix {
namespace {

// How many top bits of each channel Qt gets right; 0 when Qt cannot read that kind of file.
// Qt widens channels narrower than 8 bits by shifting (a full 5-bit red reads 248; we repeat the
// bits to 255). It cannot read 16-byte OS/2 and 52/56-byte headers, reads 10-bit channels as
// black, and fills pixels that run-length data skips as it likes (their twins hold our rule).
int bitsQtGetsRight(const std::filesystem::path& file)
{
    static const std::map<std::string, int> exceptions{
        {"info-16.bmp", 5},        {"info-16-565.bmp", 5}, {"info-16-444.bmp", 4},
        {"os2-16-8.bmp", 0},       {"v3-52-16.bmp", 0},    {"v3-56-32.bmp", 0},
        {"info-32-101010.bmp", 0}, {"rle8-skips.bmp", 0},  {"rle4-skips.bmp", 0},
    };
    const auto it = exceptions.find(file.filename().string());
    return it == exceptions.end() ? 8 : it->second;
}

class QtReference : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(QtReference, DecodesToQtsPixels)
{
    const auto& file = GetParam();
    const int bits = bitsQtGetsRight(file);

    const BmpResult ours = decodeBmpFile(file);
    ASSERT_TRUE(ours.ok()) << bmpErrorText(ours.error);
    const QImage image = QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), ours.picture.width);
    ASSERT_EQ(image.height(), ours.picture.height);
    const std::uint32_t top = (0xFFu << (8 - bits)) & 0xFFu;
    const std::uint32_t compared = pictureColour(top, top, top);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            const std::uint32_t theirs = pictureColour(qRed(c), qGreen(c), qBlue(c));
            const std::uint32_t mine = ours.picture.pixels[static_cast<std::size_t>(y) * image.width() + x];
            ASSERT_EQ(mine & compared, theirs & compared) << "pixel " << x << "," << y;
        }
    }
}

std::vector<std::filesystem::path> filesQtReads()
{
    auto files = test::referenceBitmaps();
    std::erase_if(files, [](const auto& file) { return bitsQtGetsRight(file) == 0; });
    return files;
}

INSTANTIATE_TEST_SUITE_P(Bmp, QtReference, ::testing::ValuesIn(filesQtReads()),
                         [](const auto& param) { return test::testName(param.param); });

} // namespace
} // namespace hopplix
