#include "bmp_files.h"
#include "picture/BmpReader.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace hopplix {

void PrintTo(BmpError error, std::ostream* os) { *os << bmpErrorText(error); }

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes corpus(const std::string& name) { return test::readBytes(std::filesystem::path(HOPPLIX_BMP_CORPUS_DIR) / name); }

void put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

std::uint32_t pixelOffset(const Bytes& b) { return b[10] | b[11] << 8 | b[12] << 16 | b[13] << 24; }

// Byte positions in a file with a 40-byte info header.
constexpr std::size_t kOffset = 10, kHeaderSize = 14, kWidth = 18, kHeight = 22, kPlanes = 26, kBits = 28,
                      kCompression = 30, kImageSize = 34, kColoursUsed = 46, kMasks = 54;
// In a 12-byte core header.
constexpr std::size_t kCoreBits = 24;

struct Malformed {
    const char* name;
    const char* base;
    std::function<void(Bytes&)> patch;
    BmpError expected;
};

void PrintTo(const Malformed& m, std::ostream* os) { *os << m.name; }

class MalformedFile : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedFile, IsRefusedWithItsReasonEveryTime)
{
    Bytes bytes = corpus(GetParam().base);
    ASSERT_FALSE(bytes.empty());
    GetParam().patch(bytes);
    const test::TempFolder folder;
    const auto file = folder.write("Level.bmp", std::string(bytes.begin(), bytes.end()));
    // The same reason from memory and from the file, and again: nothing depends on what memory held.
    for (int i = 0; i < 2; ++i) {
        const BmpResult fromFile = decodeBmpFile(file);
        EXPECT_EQ(fromFile.error, GetParam().expected) << bmpErrorText(fromFile.error);
        EXPECT_TRUE(fromFile.picture.pixels.empty());
        EXPECT_EQ(decodeBmp(bytes).error, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bmp, MalformedFile,
    ::testing::Values(
        Malformed{"Empty", "info-24.bmp", [](Bytes& b) { b.clear(); }, BmpError::NotBitmap},
        Malformed{"PngSignature", "info-24.bmp", [](Bytes& b) { b[0] = 0x89, b[1] = 'P'; }, BmpError::NotBitmap},
        Malformed{"MagicOnly", "info-24.bmp", [](Bytes& b) { b.resize(2); }, BmpError::TruncatedHeader},
        Malformed{"CutInInfoHeader", "info-24.bmp", [](Bytes& b) { b.resize(30); }, BmpError::TruncatedHeader},
        Malformed{"CutInMasks", "info-16-565.bmp", [](Bytes& b) { b.resize(60); }, BmpError::TruncatedHeader},
        Malformed{"HeaderOf41Bytes", "info-24.bmp", [](Bytes& b) { put32(b, kHeaderSize, 41); },
                  BmpError::UnsupportedHeader},
        Malformed{"TwoPlanes", "info-24.bmp", [](Bytes& b) { put16(b, kPlanes, 2); }, BmpError::BadHeader},
        Malformed{"ZeroWidth", "info-24.bmp", [](Bytes& b) { put32(b, kWidth, 0); }, BmpError::BadSize},
        Malformed{"NegativeWidth", "info-24.bmp", [](Bytes& b) { put32(b, kWidth, -5u); }, BmpError::BadSize},
        Malformed{"ZeroHeight", "info-24.bmp", [](Bytes& b) { put32(b, kHeight, 0); }, BmpError::BadSize},
        Malformed{"SideOverLimit", "info-24.bmp", [](Bytes& b) { put32(b, kWidth, 32769); }, BmpError::TooLarge},
        Malformed{"PixelsOverLimit", "info-24.bmp",
                  [](Bytes& b) { put32(b, kWidth, 32768), put32(b, kHeight, 8193); }, BmpError::TooLarge},
        Malformed{"MostNegativeHeight", "info-24.bmp", [](Bytes& b) { put32(b, kHeight, 0x80000000u); },
                  BmpError::TooLarge},
        Malformed{"TwoBitsPerPixel", "info-4.bmp", [](Bytes& b) { put16(b, kBits, 2); },
                  BmpError::UnsupportedBitDepth},
        Malformed{"CoreWith16Bits", "core-24.bmp", [](Bytes& b) { put16(b, kCoreBits, 16); },
                  BmpError::UnsupportedBitDepth},
        Malformed{"JpegInside", "info-24.bmp", [](Bytes& b) { put32(b, kCompression, 4); },
                  BmpError::UnsupportedCompression},
        Malformed{"PngInside", "info-24.bmp", [](Bytes& b) { put32(b, kCompression, 5); },
                  BmpError::UnsupportedCompression},
        Malformed{"Os2Huffman", "os2-64-4.bmp", [](Bytes& b) { put32(b, kCompression, 3); },
                  BmpError::UnsupportedCompression},
        Malformed{"Rle8On24Bits", "info-24.bmp", [](Bytes& b) { put32(b, kCompression, 1); },
                  BmpError::CompressionMismatch},
        Malformed{"MasksOn8Bits", "info-8.bmp", [](Bytes& b) { put32(b, kCompression, 3); },
                  BmpError::CompressionMismatch},
        Malformed{"TopDownRle", "rle8.bmp", [](Bytes& b) { put32(b, kHeight, -4u); }, BmpError::TopDownRle},
        Malformed{"OverlappingMasks", "info-16-565.bmp", [](Bytes& b) { put32(b, kMasks + 4, 0xFFE0); },
                  BmpError::BadMasks},
        Malformed{"GappedMask", "info-16-565.bmp", [](Bytes& b) { put32(b, kMasks, 0xD800); },
                  BmpError::BadMasks},
        Malformed{"ZeroMask", "info-16-565.bmp", [](Bytes& b) { put32(b, kMasks + 8, 0); }, BmpError::BadMasks},
        Malformed{"MaskBeyondDepth", "info-16-565.bmp", [](Bytes& b) { put32(b, kMasks, 0x1F800); },
                  BmpError::BadMasks},
        Malformed{"MorePaletteEntriesThanDepth", "info-8.bmp", [](Bytes& b) { put32(b, kColoursUsed, 257); },
                  BmpError::BadPalette},
        Malformed{"CoreWithoutRoomForPalette", "core-8.bmp", [](Bytes& b) { put32(b, kOffset, 26); },
                  BmpError::BadPalette},
        Malformed{"OffsetPastEnd", "info-24.bmp", [](Bytes& b) { put32(b, kOffset, 100000); },
                  BmpError::OffsetPastEnd},
        Malformed{"OffsetAtEnd", "info-24.bmp",
                  [](Bytes& b) { put32(b, kOffset, static_cast<std::uint32_t>(b.size())); }, BmpError::OffsetPastEnd},
        Malformed{"OffsetInsideHeader", "info-24.bmp", [](Bytes& b) { put32(b, kOffset, 40); }, BmpError::BadOffset},
        Malformed{"PaletteOverlapsPixels", "info-8.bmp", [](Bytes& b) { put32(b, kColoursUsed, 256); },
                  BmpError::BadOffset},
        Malformed{"LastRowCut", "info-24.bmp", [](Bytes& b) { b.pop_back(); }, BmpError::TruncatedPixels},
        Malformed{"OneBitRowsCut", "info-1.bmp", [](Bytes& b) { b.resize(b.size() - 4); }, BmpError::TruncatedPixels},
        Malformed{"RleShorterThanItsSize", "rle8.bmp", [](Bytes& b) { put32(b, kImageSize, 1000); },
                  BmpError::TruncatedPixels},
        Malformed{"RleStopsInLastRow", "rle8.bmp", [](Bytes& b) { b.resize(b.size() - 4); },
                  BmpError::TruncatedPixels},
        Malformed{"RleStopsInAbsoluteRun", "rle8.bmp", [](Bytes& b) { b.resize(pixelOffset(b) + 5); },
                  BmpError::TruncatedPixels},
        Malformed{"RleRunPastLineEnd", "rle8.bmp", [](Bytes& b) { b[pixelOffset(b)] = 10; }, BmpError::BadRle},
        Malformed{"RleDeltaPastLineEnd", "rle8-skips.bmp", [](Bytes& b) { b[pixelOffset(b) + 4] = 8; },
                  BmpError::BadRle},
        Malformed{"RleDeltaAboveTop", "rle8-skips.bmp", [](Bytes& b) { b[pixelOffset(b) + 5] = 4; },
                  BmpError::BadRle},
        Malformed{"RleDataAfterLastRow", "rle8.bmp",
                  [](Bytes& b) {
                      b.back() = 0; // the end of bitmap becomes an end of line
                      b.insert(b.end(), {1, 3, 0, 1});
                  },
                  BmpError::BadRle},
        Malformed{"IndexBeyondPalette", "info-4-short-palette.bmp", [](Bytes& b) { b[pixelOffset(b)] = 0x5F; },
                  BmpError::PaletteIndex},
        Malformed{"RleIndexBeyondPalette", "rle8.bmp", [](Bytes& b) { b[pixelOffset(b) + 1] = 200; },
                  BmpError::PaletteIndex}),
    [](const ::testing::TestParamInfo<Malformed>& param) { return std::string(param.param.name); });

TEST(BmpReader, MissingFileOrFolderIsRefused)
{
    const test::TempFolder folder;
    EXPECT_EQ(decodeBmpFile(folder.path() / "Level.bmp").error, BmpError::CannotOpen);
    // Reading a folder throws inside the standard library; it must come out as a refusal. Windows
    // opens no folder as a file.
    EXPECT_EQ(decodeBmpFile(folder.path()).error, test::onWindows ? BmpError::CannotOpen : BmpError::ReadFailed);
}

TEST(BmpReader, RleDataMayEndWithoutEndOfBitmapOnceEveryPixelIsPainted)
{
    Bytes bytes = corpus("rle8.bmp");
    const BmpResult whole = decodeBmp(bytes);
    ASSERT_TRUE(whole.ok());
    put32(bytes, kImageSize, 0); // size unknown, so only the data tells where it ends
    bytes.resize(bytes.size() - 2);
    const BmpResult cut = decodeBmp(bytes);
    ASSERT_TRUE(cut.ok()) << bmpErrorText(cut.error);
    EXPECT_EQ(cut.picture.pixels, whole.picture.pixels);
}

// The limit is real: a picture of the largest size allowed is read, row by row.
TEST(BmpReader, ReadsAPictureAtTheSizeLimit)
{
    Bytes bytes = corpus("rle8.bmp");
    put32(bytes, kWidth, 16384);
    put32(bytes, kHeight, 16384);
    put32(bytes, kImageSize, 0);
    bytes.resize(pixelOffset(bytes));
    bytes.insert(bytes.end(), {0, 1}); // end of bitmap: every pixel is palette entry 0
    BmpReader reader(bytes);
    ASSERT_EQ(reader.error(), BmpError::None);
    int fullRows = 0;
    EXPECT_EQ(reader.readRows([&](int, std::span<const std::uint32_t> pixels) { fullRows += pixels.size() == 16384; }),
              BmpError::None);
    EXPECT_EQ(fullRows, 16384);
}

struct RowOrder {
    const char* file;
    bool topDown;
};

class BmpRows : public ::testing::TestWithParam<RowOrder> {};

TEST_P(BmpRows, ArriveOnceEachInFileOrder)
{
    const test::TempFolder folder;
    const Bytes bytes = corpus(GetParam().file);
    BmpReader reader(folder.write("Level.bmp", std::string(bytes.begin(), bytes.end())));
    ASSERT_EQ(reader.error(), BmpError::None);
    EXPECT_EQ(reader.topDown(), GetParam().topDown);
    std::vector<int> rows;
    const BmpError error = reader.readRows([&](int row, std::span<const std::uint32_t> pixels) {
        EXPECT_EQ(pixels.size(), static_cast<std::size_t>(reader.width()));
        rows.push_back(row);
    });
    ASSERT_EQ(error, BmpError::None);
    std::vector<int> expected;
    for (int i = 0; i < reader.height(); ++i)
        expected.push_back(GetParam().topDown ? i : reader.height() - 1 - i);
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(reader.readRows([](int, std::span<const std::uint32_t>) { FAIL() << "delivered twice"; }),
              BmpError::AlreadyRead);
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpRows,
                         ::testing::Values(RowOrder{"info-24.bmp", false}, RowOrder{"info-24-topdown.bmp", true},
                                           RowOrder{"rle4.bmp", false}));

TEST(BmpRows, FailureAfterSomeRowsIsReported)
{
    Bytes bytes = corpus("rle8.bmp");
    put32(bytes, kImageSize, 0);
    bytes.resize(pixelOffset(bytes) + 14); // the first row and its end of line
    BmpReader reader(bytes);
    ASSERT_EQ(reader.error(), BmpError::None);
    int delivered = 0;
    EXPECT_EQ(reader.readRows([&](int, std::span<const std::uint32_t>) { ++delivered; }), BmpError::TruncatedPixels);
    EXPECT_EQ(delivered, 1);
}

} // namespace
} // namespace hopplix
