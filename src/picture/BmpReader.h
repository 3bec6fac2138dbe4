#pragma once
// Reading Windows bitmaps (Level.bmp) strictly, in one pass and row by row, straight into the
// playfield's pixel format. A file is either decoded whole and exactly, or refused with a reason:
// never a picture with made-up pixels.
//
// Accepted: OS/2 1.x core headers (12 bytes), OS/2 2.x headers (16 and 64 bytes) and Windows info
// headers (40, 52, 56, 108 and 124 bytes); 1, 4, 8, 16, 24 and 32 bits per pixel; uncompressed,
// RLE8, RLE4 and bit-field masks (16 bits default to 5-5-5, 32 bits to 8-8-8); bottom-up and
// top-down rows. Alpha is ignored: colours are taken as painted.
//
// Decisions where files can be odd:
// - A colour channel narrower than 8 bits repeats its bits (5 bits abcde give abcdeabc), so a
//   full channel is 255 and a 16-bit red stays the legend's red; a wider one keeps its top 8 bits.
// - A palette may be shorter than the bit depth allows; a pixel whose index lies beyond it refuses
//   the file. An info header announcing more entries than the bit depth allows is refused. An
//   OS/2 1.x header has no count: its palette is whatever fits between header and pixel data, at
//   most 2^bits entries.
// - Pixels that run-length data skips (delta) or leaves out (early end of line or of bitmap) take
//   palette entry 0. A run that passes the end of its line, a delta that leaves the picture and
//   data after the last row are refused; the data may end without an end-of-bitmap code only
//   once every pixel is painted.
// - The file header's size field is not trusted; the real file size is.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace hopplix {

// Pixels come out as colour values 0x00BBGGRR: red in the low byte, green in bits 8 to 15, blue
// in bits 16 to 23, the top byte zero. The playfield stores and the colour probes compare this.
constexpr std::uint32_t pictureColour(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return red | green << 8 | blue << 16;
}

// The largest picture read: at most 32768 pixels a side and 2^28 pixels in all. Rows are streamed,
// so the limit does not come from the decoder's memory; it keeps a forged header within reason
// (2^28 pixels are 1 GiB as one decoded buffer) and every size and offset within 64-bit
// arithmetic. Anything larger is refused with BmpError::TooLarge.
inline constexpr int kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// Why a file is refused. What each reason says, to the author and to the player, stands in one
// table: kBmpErrorTexts in BmpReader.cpp.
enum class BmpError {
    None,
    CannotOpen,
    ReadFailed,
    NotBitmap,
    TruncatedHeader,
    UnsupportedHeader,
    BadHeader,
    BadSize, // no pixels, or a negative width (a negative height means top-down rows)
    TooLarge,
    UnsupportedBitDepth,
    UnsupportedCompression,
    CompressionMismatch,
    TopDownRle,
    BadMasks,
    BadPalette,
    BadOffset,
    OffsetPastEnd,
    TruncatedPixels,
    BadRle,
    PaletteIndex,
    AlreadyRead,
};

// A short English phrase, for the command-line tools.
std::string_view bmpErrorText(BmpError error);
// A German sentence, for the game window; empty for None.
std::string_view bmpErrorSentence(BmpError error);

// A whole decoded picture, top row first, width * height colour values.
struct BmpPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

struct BmpResult {
    BmpError error = BmpError::None;
    BmpPicture picture; // empty unless error is None
    bool ok() const { return error == BmpError::None; }
};

// Reads one bitmap: the header when constructed, the rows on readRows. The file is read in
// chunks; only one decoded row is held.
class BmpReader {
public:
    // Opens and reads the header of a file.
    explicit BmpReader(const std::filesystem::path& file);
    // Reads bitmap bytes in memory; they must outlive the reader.
    explicit BmpReader(std::span<const std::uint8_t> bytes);
    ~BmpReader();
    BmpReader(BmpReader&&) noexcept;
    BmpReader& operator=(BmpReader&&) noexcept;

    // None when the header is sound and the file is long enough for the pixel data it announces
    // (for run-length data that is only known while decoding); otherwise why it is refused.
    BmpError error() const;
    // The picture's size in pixels; 0 x 0 when refused.
    int width() const;
    int height() const;
    // True when the file stores its top row first.
    bool topDown() const;

    // Receives one decoded row: its index counted from the top, and width() colour values. The
    // span is valid during the call only.
    using RowSink = std::function<void(int rowTopDown, std::span<const std::uint32_t> pixels)>;

    // Decodes the pixel data in file order (bottom-up files deliver the bottom row first), each
    // row exactly once. Returns None when every row was delivered. Any other result voids the
    // picture: rows delivered before the failure must be thrown away. Reads once; a second call
    // delivers nothing and returns AlreadyRead, a refused header returns error().
    [[nodiscard]] BmpError readRows(const RowSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The whole picture of a file, or why it is refused. Holds the whole decoded picture: for tests
// and tools; the game streams rows from a BmpReader.
BmpResult decodeBmpFile(const std::filesystem::path& file);
BmpResult decodeBmp(std::span<const std::uint8_t> bytes);

} // namespace hopplix
