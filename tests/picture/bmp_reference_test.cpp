// Every reference bitmap decodes to the pixels ImageMagick reads from it, or, where readers
// disagree or cannot read a file, to the pixels of its plain twin.

#include "bmp_files.h"
#include "picture/BmpReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace hopplix {
namespace {

// The pixels ImageMagick reads, as colour values; empty when it cannot read the file.
std::vector<std::uint32_t> imageMagickPixels(const std::filesystem::path& file)
{
    const std::string command =
        std::string("'") + HOPPLIX_IMAGEMAGICK + "' 'bmp:" + file.string() + "' -depth 8 rgb:- 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return {};
    std::vector<std::uint8_t> rgb;
    std::uint8_t chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;)
        rgb.insert(rgb.end(), chunk, chunk + n);
    std::vector<std::uint32_t> pixels;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        pixels.push_back(pictureColour(rgb[i], rgb[i + 1], rgb[i + 2]));
    return pixels;
}

// How far ImageMagick agrees where it widens channels its own way: 4-bit channels it shifts
// (a full channel reads 240, where we repeat the bits to 255), so only their 4 bits agree; 10-bit
// channels it rounds through 16 bits, which can differ by one from their top 8 bits.
enum class Agreement { Exact, TopFourBits, WithinOne };

Agreement imageMagickAgreement(const std::filesystem::path& file)
{
    if (file.filename() == "info-16-444.bmp")
        return Agreement::TopFourBits;
    if (file.filename() == "info-32-101010.bmp")
        return Agreement::WithinOne;
    return Agreement::Exact;
}

bool agree(std::uint32_t a, std::uint32_t b, Agreement agreement)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int x = static_cast<int>((a >> shift) & 0xFF);
        const int y = static_cast<int>((b >> shift) & 0xFF);
        const bool same = agreement == Agreement::TopFourBits ? (x >> 4) == (y >> 4)
                          : agreement == Agreement::WithinOne ? x - y >= -1 && x - y <= 1
                                                              : x == y;
        if (!same)
            return false;
    }
    return true;
}

class ReferenceBitmap : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(ReferenceBitmap, DecodesToTheReferencePixels)
{
    const auto& file = GetParam();
    const BmpResult ours = decodeBmpFile(file);
    ASSERT_TRUE(ours.ok()) << bmpErrorText(ours.error);
    ASSERT_EQ(ours.picture.pixels.size(), static_cast<std::size_t>(ours.picture.width) * ours.picture.height);

    if (const auto twin = test::twinOf(file); !twin.empty()) {
        const BmpResult plain = decodeBmpFile(twin);
        ASSERT_TRUE(plain.ok()) << bmpErrorText(plain.error);
        EXPECT_EQ(ours.picture.width, plain.picture.width);
        EXPECT_EQ(ours.picture.pixels, plain.picture.pixels);
        return;
    }
    if (std::string(HOPPLIX_IMAGEMAGICK).empty())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const std::vector<std::uint32_t> theirs = imageMagickPixels(file);
    ASSERT_EQ(theirs.size(), ours.picture.pixels.size());
    const Agreement agreement = imageMagickAgreement(file);
    for (std::size_t i = 0; i < theirs.size(); ++i) {
        const std::uint32_t a = ours.picture.pixels[i];
        const std::uint32_t b = theirs[i];
        ASSERT_TRUE(agree(a, b, agreement)) << "pixel " << i % ours.picture.width << "," << i / ours.picture.width
                                            << std::hex << ": ours " << a << ", ImageMagick " << b;
    }
}

INSTANTIATE_TEST_SUITE_P(Bmp, ReferenceBitmap, ::testing::ValuesIn(test::referenceBitmaps()),
                         [](const auto& param) { return test::testName(param.param); });

} // namespace
} // namespace hopplix
