#include "picture/BmpReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <exception>
#include <fstream>
#include <utility>

namespace hopplix {

namespace {

// What a palette slot beyond the file's palette holds. No colour has a top byte, so one OR over a
// decoded row tells whether any pixel used such a slot.
constexpr std::uint32_t kBeyondPalette = 0xFF000000u;

std::uint32_t le16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }

std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
           | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The bytes of a bitmap, from memory or from a file read in chunks. take() hands out contiguous
// bytes and keeps only one chunk (or one row, if larger) of a file in memory.
class ByteInput {
public:
    explicit ByteInput(std::span<const std::uint8_t> bytes)
        : cur_(bytes.data()), end_(bytes.data() + bytes.size()), size_(bytes.size()), endOffset_(bytes.size()),
          opened_(true)
    {}

    explicit ByteInput(const std::filesystem::path& path)
    {
        file_.pubsetbuf(nullptr, 0); // we buffer ourselves; no second copy
        if (!file_.open(path, std::ios::in | std::ios::binary))
            return;
        opened_ = true;
        fromFile_ = true;
        const auto seek = [&](std::ios::seekdir from) {
            return guarded([&] { return file_.pubseekoff(0, from, std::ios::in); }, kNoPosition);
        };
        const std::streampos end = seek(std::ios::end);
        if (end == kNoPosition || seek(std::ios::beg) != std::streampos(0)) {
            failed_ = true;
            return;
        }
        size_ = static_cast<std::uint64_t>(std::streamoff(end));
    }

    bool opened() const { return opened_; }
    // A read gave less than the file's size promised: an I/O error or a file changed under us.
    bool failed() const { return failed_; }
    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return endOffset_ - static_cast<std::uint64_t>(end_ - cur_); }

    // The next n bytes, or nullptr when the input ends (or fails) before them.
    const std::uint8_t* take(std::size_t n)
    {
        if (static_cast<std::size_t>(end_ - cur_) >= n) {
            const std::uint8_t* p = cur_;
            cur_ += n;
            return p;
        }
        return refill(n) ? take(n) : nullptr;
    }

    bool skip(std::uint64_t n)
    {
        const auto buffered = static_cast<std::uint64_t>(end_ - cur_);
        if (n <= buffered) {
            cur_ += n;
            return true;
        }
        n -= buffered;
        if (!fromFile_ || failed_ || n > size_ - endOffset_)
            return false;
        cur_ = end_;
        if (guarded([&] { return file_.pubseekoff(static_cast<std::streamoff>(n), std::ios::cur, std::ios::in); },
                    kNoPosition)
            == kNoPosition) {
            failed_ = true;
            return false;
        }
        endOffset_ += n;
        return true;
    }

private:
    static constexpr std::size_t kChunk = std::size_t{256} << 10;
    static inline const std::streampos kNoPosition{std::streamoff(-1)};

    // The file buffer reports some read errors by throwing (reading a folder); they are failed
    // reads like any other.
    template <typename Call, typename Result>
    static Result guarded(Call call, Result failure)
    {
        try {
            return call();
        } catch (const std::exception&) {
            return failure;
        }
    }

    bool refill(std::size_t n)
    {
        if (!fromFile_ || failed_)
            return false;
        const auto have = static_cast<std::size_t>(end_ - cur_);
        const std::uint64_t left = size_ - endOffset_;
        if (left < n - have)
            return false;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, kChunk), have + left));
        if (buffer_.size() < want) {
            std::vector<std::uint8_t> bigger(want);
            if (have > 0)
                std::memcpy(bigger.data(), cur_, have);
            buffer_.swap(bigger);
        } else if (have > 0) {
            std::memmove(buffer_.data(), cur_, have);
        }
        const auto missing = static_cast<std::streamsize>(want - have);
        if (guarded([&] { return file_.sgetn(reinterpret_cast<char*>(buffer_.data() + have), missing); }, -1)
            != missing) {
            failed_ = true;
            return false;
        }
        cur_ = buffer_.data();
        end_ = cur_ + want;
        endOffset_ += static_cast<std::uint64_t>(missing);
        return true;
    }

    std::filebuf file_;
    std::vector<std::uint8_t> buffer_;
    const std::uint8_t* cur_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t endOffset_ = 0; // file offset of end_
    bool opened_ = false;
    bool fromFile_ = false;
    bool failed_ = false;
};

enum class Compression { Rgb, Rle8, Rle4, Bitfields };

enum class Layout { Indexed1, Indexed4, Indexed8, Rle4, Rle8, Direct16, Direct24, Direct32Bgr, Direct32Masks };

// A contiguous mask non-zero and within the bit depth; the three masks apart.
bool validMasks(const std::array<std::uint32_t, 3>& masks, unsigned bits)
{
    const std::uint64_t limit = (std::uint64_t{1} << bits) - 1;
    for (const std::uint32_t m : masks) {
        if (m == 0 || m > limit)
            return false;
        const std::uint64_t run = m >> std::countr_zero(m);
        if ((run & (run + 1)) != 0)
            return false;
    }
    return (masks[0] & masks[1]) == 0 && (masks[0] & masks[2]) == 0 && (masks[1] & masks[2]) == 0;
}

// One colour channel under a mask, brought to 8 bits: a narrower channel repeats its bits
// (5 bits abcde give abcdeabc, so a full channel is 255), a wider one keeps its top 8 bits.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask) : mask_(mask), shift_(std::countr_zero(mask)), bits_(std::popcount(mask)) {}

    std::uint32_t operator()(std::uint32_t word) const
    {
        const std::uint32_t v = (word & mask_) >> shift_;
        if (bits_ >= 8)
            return v >> (bits_ - 8);
        std::uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits_)
            out = out << bits_ | v;
        return out >> (widenedBits() - 8);
    }

private:
    int widenedBits() const { return (8 + bits_ - 1) / bits_ * bits_; }

    std::uint32_t mask_ = 0xFF;
    int shift_ = 0;
    int bits_ = 8;
};

// 16- and 32-bit words under three masks to colours.
class MaskedColour {
public:
    MaskedColour() = default;
    explicit MaskedColour(const std::array<std::uint32_t, 3>& masks) : red_(masks[0]), green_(masks[1]), blue_(masks[2])
    {}
    std::uint32_t operator()(std::uint32_t word) const { return pictureColour(red_(word), green_(word), blue_(word)); }

private:
    Channel red_, green_, blue_;
};

bool usesSlotBeyondPalette(std::span<const std::uint32_t> row)
{
    std::uint32_t any = 0;
    for (const std::uint32_t c : row)
        any |= c;
    return (any & kBeyondPalette) != 0;
}

// What the headers say, gathered step by step while they are read.
struct BmpHeader {
    std::uint64_t offset = 0;              // of the pixel data
    std::uint32_t size = 0;                // of the info header
    std::array<std::uint8_t, 124> bytes{}; // the info header
    std::int64_t width = 0;
    std::int64_t height = 0; // negative for top-down rows
    std::uint32_t planes = 0;
    std::uint32_t bits = 0;
    std::uint32_t compressionCode = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
    Compression compression = Compression::Rgb;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue

    bool core() const { return size == 12; }
    bool os2() const { return size == 16 || size == 64; }
    bool rle() const { return compression == Compression::Rle8 || compression == Compression::Rle4; }
};

} // namespace

struct BmpReader::Impl {
    explicit Impl(ByteInput input) : in(std::move(input)) { error = parse(); }

    BmpError parse();
    BmpError readFileHeader(BmpHeader& h);
    BmpError readInfoHeader(BmpHeader& h);
    BmpError checkSize(BmpHeader& h);
    BmpError readCompression(BmpHeader& h);
    BmpError readMasks(BmpHeader& h);
    BmpError checkOffset(BmpHeader& h);
    BmpError readPalette(BmpHeader& h);
    BmpError checkPixelsFit(BmpHeader& h);
    void chooseLayout(const BmpHeader& h);
    void decodeRow(const std::uint8_t* src, std::uint32_t* out) const;
    BmpError readPlain(const RowSink& sink);
    BmpError readRle(const RowSink& sink);
    struct RleRows;
    BmpError finishRow(RleRows& rows) const;
    BmpError rleDataEnded(RleRows& rows) const;
    BmpError rleRun(RleRows& rows, int count, int code) const;
    BmpError rleDelta(RleRows& rows);
    BmpError rleAbsolute(RleRows& rows, int code);
    BmpError shortRead(BmpError atEnd) const { return in.failed() ? BmpError::ReadFailed : atEnd; }

    ByteInput in;
    BmpError error = BmpError::None;
    int width = 0;
    int height = 0;
    bool topDown = false;
    bool read = false;
    Layout layout = Layout::Direct24;
    std::size_t stride = 0;
    bool fullPalette = true; // every index the bit depth allows has a colour
    std::array<std::uint32_t, 256> palette{};
    MaskedColour masked;                  // 16 and 32 bits
    std::vector<std::uint32_t> colours16; // every 16-bit word's colour
};

BmpError BmpReader::Impl::parse()
{
    if (!in.opened())
        return BmpError::CannotOpen;
    if (in.failed())
        return BmpError::ReadFailed;
    BmpHeader h;
    for (const auto step : {&Impl::readFileHeader, &Impl::readInfoHeader, &Impl::checkSize, &Impl::readCompression,
                            &Impl::readMasks, &Impl::checkOffset, &Impl::readPalette, &Impl::checkPixelsFit})
        if (const BmpError stepError = (this->*step)(h); stepError != BmpError::None)
            return stepError;
    chooseLayout(h);
    return BmpError::None;
}

BmpError BmpReader::Impl::readFileHeader(BmpHeader& h)
{
    if (in.size() < 2)
        return BmpError::NotBitmap;
    const std::uint8_t* magic = in.take(2);
    if (!magic)
        return shortRead(BmpError::NotBitmap);
    if (magic[0] != 'B' || magic[1] != 'M')
        return BmpError::NotBitmap;
    const std::uint8_t* fileHeader = in.take(12);
    if (!fileHeader)
        return shortRead(BmpError::TruncatedHeader);
    h.offset = le32(fileHeader + 8);
    return BmpError::None;
}

BmpError BmpReader::Impl::readInfoHeader(BmpHeader& h)
{
    const std::uint8_t* sizeField = in.take(4);
    if (!sizeField)
        return shortRead(BmpError::TruncatedHeader);
    h.size = le32(sizeField);
    if (!h.core() && !h.os2() && h.size != 40 && h.size != 52 && h.size != 56 && h.size != 108 && h.size != 124)
        return BmpError::UnsupportedHeader;
    const std::uint8_t* rest = in.take(h.size - 4);
    if (!rest)
        return shortRead(BmpError::TruncatedHeader);
    std::memcpy(h.bytes.data(), sizeField, 4);
    std::memcpy(h.bytes.data() + 4, rest, h.size - 4);
    const auto& b = h.bytes;
    if (h.core()) {
        h.width = le16(&b[4]);
        h.height = le16(&b[6]);
        h.planes = le16(&b[8]);
        h.bits = le16(&b[10]);
        return BmpError::None;
    }
    h.width = static_cast<std::int32_t>(le32(&b[4]));
    h.height = static_cast<std::int32_t>(le32(&b[8]));
    h.planes = le16(&b[12]);
    h.bits = le16(&b[14]);
    if (h.size >= 40) {
        h.compressionCode = le32(&b[16]);
        h.imageSize = le32(&b[20]);
        h.coloursUsed = le32(&b[32]);
    }
    return BmpError::None;
}

BmpError BmpReader::Impl::checkSize(BmpHeader& h)
{
    if (h.planes != 1)
        return BmpError::BadHeader;
    if (h.width <= 0 || h.height == 0)
        return BmpError::BadSize;
    topDown = h.height < 0;
    h.height = topDown ? -h.height : h.height;
    if (h.width > kMaxPictureSide || h.height > kMaxPictureSide || h.width * h.height > kMaxPicturePixels)
        return BmpError::TooLarge;
    const std::uint32_t bits = h.bits;
    const bool knownDepth =
        bits == 1 || bits == 4 || bits == 8 || bits == 24 || (!h.core() && (bits == 16 || bits == 32));
    return knownDepth ? BmpError::None : BmpError::UnsupportedBitDepth;
}

BmpError BmpReader::Impl::readCompression(BmpHeader& h)
{
    switch (h.compressionCode) {
    case 0: h.compression = Compression::Rgb; break;
    case 1: h.compression = Compression::Rle8; break;
    case 2: h.compression = Compression::Rle4; break;
    case 3: // in OS/2 2.x headers, 3 is Huffman coding
        if (h.os2())
            return BmpError::UnsupportedCompression;
        h.compression = Compression::Bitfields;
        break;
    default: return BmpError::UnsupportedCompression;
    }
    if ((h.compression == Compression::Rle8 && h.bits != 8) || (h.compression == Compression::Rle4 && h.bits != 4)
        || (h.compression == Compression::Bitfields && h.bits != 16 && h.bits != 32))
        return BmpError::CompressionMismatch;
    if (h.rle() && topDown)
        return BmpError::TopDownRle;
    return BmpError::None;
}

BmpError BmpReader::Impl::readMasks(BmpHeader& h)
{
    if (h.compression == Compression::Bitfields) {
        const std::uint8_t* m = &h.bytes[40];
        if (h.size == 40) {
            m = in.take(12);
            if (!m)
                return shortRead(BmpError::TruncatedHeader);
        }
        h.masks = {le32(m), le32(m + 4), le32(m + 8)};
        if (!validMasks(h.masks, h.bits))
            return BmpError::BadMasks;
    } else if (h.bits == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (h.bits == 32) {
        h.masks = {0xFF0000, 0xFF00, 0xFF};
    }
    return BmpError::None;
}

BmpError BmpReader::Impl::checkOffset(BmpHeader& h)
{
    if (h.offset >= in.size())
        return BmpError::OffsetPastEnd;
    if (h.offset < in.position())
        return BmpError::BadOffset;
    return BmpError::None;
}

BmpError BmpReader::Impl::readPalette(BmpHeader& h)
{
    palette.fill(kBeyondPalette);
    if (h.bits > 8)
        return BmpError::None;
    const std::uint32_t entryBytes = h.core() ? 3 : 4;
    const std::uint64_t slots = std::uint64_t{1} << h.bits;
    const std::uint64_t room = (h.offset - in.position()) / entryBytes;
    std::uint64_t count = 0;
    if (h.core() || h.size == 16) { // no count in the header
        count = std::min(slots, room);
        if (count == 0)
            return BmpError::BadPalette;
    } else {
        count = h.coloursUsed == 0 ? slots : h.coloursUsed;
        if (count > slots)
            return BmpError::BadPalette;
        if (count > room)
            return BmpError::BadOffset;
    }
    const std::uint8_t* p = in.take(static_cast<std::size_t>(count * entryBytes));
    if (!p)
        return shortRead(BmpError::TruncatedHeader);
    for (std::uint64_t i = 0; i < count; ++i, p += entryBytes)
        palette[i] = pictureColour(p[2], p[1], p[0]);
    fullPalette = count == slots;
    return BmpError::None;
}

BmpError BmpReader::Impl::checkPixelsFit(BmpHeader& h)
{
    if (!in.skip(h.offset - in.position()))
        return shortRead(BmpError::OffsetPastEnd);
    if (h.rle())
        return h.imageSize != 0 && h.offset + h.imageSize > in.size() ? BmpError::TruncatedPixels : BmpError::None;
    stride = static_cast<std::size_t>((static_cast<std::uint64_t>(h.width) * h.bits + 31) / 32 * 4);
    if (h.offset + stride * static_cast<std::uint64_t>(h.height) > in.size())
        return BmpError::TruncatedPixels;
    return BmpError::None;
}

void BmpReader::Impl::chooseLayout(const BmpHeader& h)
{
    width = static_cast<int>(h.width);
    height = static_cast<int>(h.height);
    switch (h.bits) {
    case 1: layout = Layout::Indexed1; break;
    case 4: layout = h.rle() ? Layout::Rle4 : Layout::Indexed4; break;
    case 8: layout = h.rle() ? Layout::Rle8 : Layout::Indexed8; break;
    case 16: layout = Layout::Direct16; break;
    case 24: layout = Layout::Direct24; break;
    default:
        layout = h.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF} ? Layout::Direct32Bgr
                                                                                 : Layout::Direct32Masks;
        break;
    }
    if (h.bits == 16 || h.bits == 32)
        masked = MaskedColour(h.masks);
    if (h.bits == 16) {
        colours16.resize(std::size_t{1} << 16);
        for (std::uint32_t word = 0; word < colours16.size(); ++word)
            colours16[word] = masked(word);
    }
}

// One uncompressed row; a loop of its own for each layout.
void BmpReader::Impl::decodeRow(const std::uint8_t* src, std::uint32_t* out) const
{
    const auto n = static_cast<std::size_t>(width);
    switch (layout) {
    case Layout::Indexed1:
        for (std::size_t x = 0; x < n; ++x)
            out[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case Layout::Indexed4:
        for (std::size_t x = 0; x < n; ++x)
            out[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        break;
    case Layout::Indexed8:
        for (std::size_t x = 0; x < n; ++x)
            out[x] = palette[src[x]];
        break;
    case Layout::Direct16:
        for (std::size_t x = 0; x < n; ++x)
            out[x] = colours16[le16(src + 2 * x)];
        break;
    case Layout::Direct24:
        for (std::size_t x = 0; x < n; ++x, src += 3)
            out[x] = pictureColour(src[2], src[1], src[0]);
        break;
    case Layout::Direct32Bgr:
        for (std::size_t x = 0; x < n; ++x, src += 4)
            out[x] = pictureColour(src[2], src[1], src[0]);
        break;
    case Layout::Direct32Masks:
        for (std::size_t x = 0; x < n; ++x, src += 4)
            out[x] = masked(le32(src));
        break;
    case Layout::Rle4:
    case Layout::Rle8: break;
    }
}

BmpError BmpReader::Impl::readPlain(const RowSink& sink)
{
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    for (int i = 0; i < height; ++i) {
        const std::uint8_t* src = in.take(stride);
        if (!src)
            return shortRead(BmpError::TruncatedPixels);
        decodeRow(src, row.data());
        if (!fullPalette && usesSlotBeyondPalette(row))
            return BmpError::PaletteIndex;
        sink(topDown ? i : height - 1 - i, row);
    }
    return BmpError::None;
}

// Where the run-length codes have got to. Rows are finished bottom row first.
struct BmpReader::Impl::RleRows {
    const RowSink& sink;
    std::vector<std::uint32_t> row;
    std::uint32_t blank; // what skipped and left-out pixels take
    bool four;
    int x = 0;
    int y = 0; // rows finished, counted from the bottom
};

BmpError BmpReader::Impl::readRle(const RowSink& sink)
{
    RleRows rows{sink, std::vector<std::uint32_t>(static_cast<std::size_t>(width)), palette[0], layout == Layout::Rle4};
    for (;;) {
        const std::uint8_t* op = in.take(2);
        if (!op)
            return rleDataEnded(rows);
        const int count = op[0];
        const int code = op[1];
        BmpError result = BmpError::None;
        if (count > 0) {
            result = rleRun(rows, count, code);
        } else if (code == 0) { // end of line
            if (rows.y == height)
                return BmpError::BadRle;
            result = finishRow(rows);
        } else if (code == 1) { // end of bitmap
            while (rows.y < height && result == BmpError::None)
                result = finishRow(rows);
            return result;
        } else if (code == 2) {
            result = rleDelta(rows);
        } else {
            result = rleAbsolute(rows, code);
        }
        if (result != BmpError::None)
            return result;
    }
}

// Blanks the rest of the row and hands it over.
BmpError BmpReader::Impl::finishRow(RleRows& rows) const
{
    std::fill(rows.row.begin() + rows.x, rows.row.end(), rows.blank);
    if (!fullPalette && usesSlotBeyondPalette(rows.row))
        return BmpError::PaletteIndex;
    rows.sink(height - 1 - rows.y, rows.row);
    ++rows.y;
    rows.x = 0;
    return BmpError::None;
}

// Data may end without an end-of-bitmap code once every pixel is painted.
BmpError BmpReader::Impl::rleDataEnded(RleRows& rows) const
{
    if (in.failed())
        return BmpError::ReadFailed;
    if (rows.y == height)
        return BmpError::None;
    if (rows.y == height - 1 && rows.x == width)
        return finishRow(rows);
    return BmpError::TruncatedPixels;
}

// A run of one index (RLE4: two alternating).
BmpError BmpReader::Impl::rleRun(RleRows& rows, int count, int code) const
{
    if (rows.y == height || count > width - rows.x)
        return BmpError::BadRle;
    std::uint32_t* out = rows.row.data() + rows.x;
    if (rows.four) {
        const std::uint32_t colours[2] = {palette[code >> 4], palette[code & 15]};
        for (int i = 0; i < count; ++i)
            out[i] = colours[i & 1];
    } else {
        std::fill_n(out, count, palette[code]);
    }
    rows.x += count;
    return BmpError::None;
}

// A delta: right and up (towards the top row).
BmpError BmpReader::Impl::rleDelta(RleRows& rows)
{
    const std::uint8_t* d = in.take(2);
    if (!d)
        return shortRead(BmpError::TruncatedPixels);
    const int dx = d[0];
    const int dy = d[1];
    if (rows.y == height || dx > width - rows.x || dy > height - 1 - rows.y)
        return BmpError::BadRle;
    const int target = rows.x + dx;
    for (int i = 0; i < dy; ++i)
        if (const BmpError result = finishRow(rows); result != BmpError::None)
            return result;
    std::fill(rows.row.begin() + rows.x, rows.row.begin() + target, rows.blank);
    rows.x = target;
    return BmpError::None;
}

// An absolute run of `code` indices, padded to 16 bits.
BmpError BmpReader::Impl::rleAbsolute(RleRows& rows, int code)
{
    const std::size_t bytes = rows.four ? static_cast<std::size_t>(code + 1) / 2 : static_cast<std::size_t>(code);
    if (rows.y == height || code > width - rows.x)
        return BmpError::BadRle;
    const std::uint8_t* p = in.take(bytes + (bytes & 1));
    if (!p)
        return shortRead(BmpError::TruncatedPixels);
    std::uint32_t* out = rows.row.data() + rows.x;
    if (rows.four) {
        for (int i = 0; i < code; ++i)
            out[i] = palette[(p[i >> 1] >> ((i & 1) ? 0 : 4)) & 15];
    } else {
        for (int i = 0; i < code; ++i)
            out[i] = palette[p[i]];
    }
    rows.x += code;
    return BmpError::None;
}

BmpReader::BmpReader(const std::filesystem::path& file) : impl_(std::make_unique<Impl>(ByteInput(file))) {}

BmpReader::BmpReader(std::span<const std::uint8_t> bytes) : impl_(std::make_unique<Impl>(ByteInput(bytes))) {}

BmpReader::~BmpReader() = default;
BmpReader::BmpReader(BmpReader&&) noexcept = default;
BmpReader& BmpReader::operator=(BmpReader&&) noexcept = default;

BmpError BmpReader::error() const { return impl_->error; }
int BmpReader::width() const { return impl_->width; }
int BmpReader::height() const { return impl_->height; }
bool BmpReader::topDown() const { return impl_->topDown; }

BmpError BmpReader::readRows(const RowSink& sink)
{
    if (impl_->error != BmpError::None)
        return impl_->error;
    if (impl_->read)
        return BmpError::AlreadyRead;
    impl_->read = true;
    const bool rle = impl_->layout == Layout::Rle4 || impl_->layout == Layout::Rle8;
    return rle ? impl_->readRle(sink) : impl_->readPlain(sink);
}

namespace {

struct BmpErrorTexts {
    BmpError error;
    std::string_view tools;  // English
    std::string_view player; // German
};

// Every reason, in the enum's order.
constexpr BmpErrorTexts kBmpErrorTexts[] = {
    {BmpError::None, "no error", ""},
    {BmpError::CannotOpen, "file cannot be opened", "Die Datei lässt sich nicht öffnen."},
    {BmpError::ReadFailed, "file cannot be read", "Die Datei lässt sich nicht lesen."},
    {BmpError::NotBitmap, "not a Windows bitmap",
     "Die Datei ist weder eine Windows-Bitmap noch ein PNG-, GIF- oder JPEG-Bild."},
    {BmpError::TruncatedHeader, "file ends inside its header", "Die Datei endet mitten im Bitmap-Kopf."},
    {BmpError::UnsupportedHeader, "unsupported bitmap header", "Diese Art von Bitmap-Kopf wird nicht unterstützt."},
    {BmpError::BadHeader, "corrupt bitmap header", "Der Bitmap-Kopf ist beschädigt."},
    {BmpError::BadSize, "picture has no pixels or a negative width", "Das Bild hat keine Breite oder keine Höhe."},
    {BmpError::TooLarge, "picture is larger than 32768 pixels a side or 2^28 pixels",
     "Das Bild ist größer als 32768 Pixel je Seite oder 268435456 Pixel insgesamt."},
    {BmpError::UnsupportedBitDepth, "unsupported number of bits per pixel", "Diese Farbtiefe wird nicht unterstützt."},
    {BmpError::UnsupportedCompression, "unsupported compression (JPEG, PNG or other)",
     "Diese Art der Kompression wird nicht unterstützt."},
    {BmpError::CompressionMismatch, "compression does not fit the bits per pixel",
     "Die Kompression passt nicht zur Farbtiefe."},
    {BmpError::TopDownRle, "run-length encoded picture stored top-down",
     "Ein lauflängenkodiertes Bild darf nicht von oben nach unten gespeichert sein."},
    {BmpError::BadMasks, "invalid colour masks", "Die Farbmasken sind ungültig."},
    {BmpError::BadPalette, "palette size is invalid", "Die Farbpalette hat eine ungültige Größe."},
    {BmpError::BadOffset, "pixel data starts inside the header or palette",
     "Die Bilddaten beginnen im Kopf oder in der Farbpalette."},
    {BmpError::OffsetPastEnd, "file ends before its pixel data", "Die Datei endet vor ihren Bilddaten."},
    {BmpError::TruncatedPixels, "file ends inside its pixel data", "Die Datei endet mitten in den Bilddaten."},
    {BmpError::BadRle, "run-length data is corrupt", "Die lauflängenkodierten Bilddaten sind beschädigt."},
    {BmpError::PaletteIndex, "pixel uses a colour beyond the palette",
     "Ein Pixel verwendet eine Farbe außerhalb der Farbpalette."},
    {BmpError::AlreadyRead, "rows were already read", "Die Datei wurde schon gelesen."},
};

constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < std::size(kBmpErrorTexts); ++i)
        if (static_cast<std::size_t>(kBmpErrorTexts[i].error) != i)
            return false;
    return static_cast<std::size_t>(BmpError::AlreadyRead) + 1 == std::size(kBmpErrorTexts);
}
static_assert(inEnumOrder(), "one row for every reason, in the enum's order");

const BmpErrorTexts& textsOf(BmpError error)
{
    static constexpr BmpErrorTexts kUnknown{BmpError::None, "unknown error", ""};
    const auto index = static_cast<std::size_t>(error);
    return index < std::size(kBmpErrorTexts) ? kBmpErrorTexts[index] : kUnknown;
}

} // namespace

std::string_view bmpErrorText(BmpError error) { return textsOf(error).tools; }

std::string_view bmpErrorSentence(BmpError error) { return textsOf(error).player; }

namespace {

BmpResult decodeWhole(BmpReader& reader)
{
    if (reader.error() != BmpError::None)
        return {reader.error(), {}};
    BmpPicture picture{reader.width(), reader.height(), {}};
    const auto w = static_cast<std::size_t>(picture.width);
    picture.pixels.resize(w * static_cast<std::size_t>(picture.height));
    const BmpError error = reader.readRows([&](int row, std::span<const std::uint32_t> pixels) {
        std::copy(pixels.begin(), pixels.end(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(row * w));
    });
    if (error != BmpError::None)
        return {error, {}};
    return {BmpError::None, std::move(picture)};
}

} // namespace

BmpResult decodeBmpFile(const std::filesystem::path& file)
{
    BmpReader reader(file);
    return decodeWhole(reader);
}

BmpResult decodeBmp(std::span<const std::uint8_t> bytes)
{
    BmpReader reader(bytes);
    return decodeWhole(reader);
}

} // namespace hopplix
