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
    {
    }

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
    explicit Channel(std::uint32_t mask)
        : mask_(mask), shift_(std::countr_zero(mask)), bits_(std::popcount(mask))
    {
    }

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
    {
    }
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

} // namespace

struct BmpReader::Impl {
    explicit Impl(ByteInput input) : in(std::move(input)) { error = parse(); }

    // What the headers say, gathered step by step as parse reads them.
    struct Header {
        std::uint64_t offset = 0; // of the pixels, from the file's start
        std::uint32_t size = 0;   // of the info header
        bool core = false;        // the oldest header, 16-bit sizes and 3-byte palette entries
        bool os2 = false;
        std::array<std::uint8_t, 124> bytes{};
        std::int64_t width = 0;
        std::int64_t height = 0; // without its sign, once read
        std::uint32_t bits = 0;
        std::uint32_t compressionCode = 0;
        std::uint32_t imageSize = 0;
        std::uint32_t coloursUsed = 0;
        Compression compression = Compression::Rgb;
        bool rle = false;
        std::array<std::uint32_t, 3> masks{}; // red, green, blue
    };

    BmpError parse();
    BmpError readFileHeader(Header& header);
    BmpError readInfoHeader(Header& header);
    BmpError readCompression(Header& header);
    BmpError readMasks(Header& header);
    BmpError readPalette(const Header& header);
    BmpError layOut(const Header& header);
    void decodeRow(const std::uint8_t* src, std::uint32_t* out) const;
    BmpError readPlain(const RowSink& sink);
    BmpError readRle(const RowSink& sink);
    // A run of `count` pixels of one index (RLE4: two alternating), from the run's code byte.
    void fillRun(std::uint32_t* out, int count, int code) const;
    // An absolute run of `count` indices; false when the data ends first.
    bool readAbsolute(std::uint32_t* out, int count);
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
    MaskedColour masked; // 16 and 32 bits
    std::vector<std::uint32_t> colours16; // every 16-bit word's colour
};

BmpError BmpReader::Impl::parse()
{
    Header header;
    BmpError found = readFileHeader(header);
    if (found == BmpError::None)
        found = readInfoHeader(header);
    if (found == BmpError::None)
        found = readCompression(header);
    if (found == BmpError::None)
        found = readMasks(header);
    if (found == BmpError::None)
        found = readPalette(header);
    if (found == BmpError::None)
        found = layOut(header);
    return found;
}

BmpError BmpReader::Impl::readFileHeader(Header& header)
{
    if (!in.opened())
        return BmpError::CannotOpen;
    if (in.failed())
        return BmpError::ReadFailed;
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
    header.offset = le32(fileHeader + 8);
    return BmpError::None;
}

BmpError BmpReader::Impl::readInfoHeader(Header& header)
{
    std::array<std::uint8_t, 124>& h = header.bytes;
    const std::uint8_t* sizeField = in.take(4);
    if (!sizeField)
        return shortRead(BmpError::TruncatedHeader);
    const std::uint32_t headerSize = le32(sizeField);
    header.size = headerSize;
    header.core = headerSize == 12;
    header.os2 = headerSize == 16 || headerSize == 64;
    if (!header.core && !header.os2 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108
        && headerSize != 124)
        return BmpError::UnsupportedHeader;
    const std::uint8_t* rest = in.take(headerSize - 4);
    if (!rest)
        return shortRead(BmpError::TruncatedHeader);
    std::memcpy(h.data(), sizeField, 4);
    std::memcpy(h.data() + 4, rest, headerSize - 4);

    std::uint32_t planes = 0;
    if (header.core) {
        header.width = le16(&h[4]);
        header.height = le16(&h[6]);
        planes = le16(&h[8]);
        header.bits = le16(&h[10]);
    } else {
        header.width = static_cast<std::int32_t>(le32(&h[4]));
        header.height = static_cast<std::int32_t>(le32(&h[8]));
        planes = le16(&h[12]);
        header.bits = le16(&h[14]);
        if (headerSize >= 40) {
            header.compressionCode = le32(&h[16]);
            header.imageSize = le32(&h[20]);
            header.coloursUsed = le32(&h[32]);
        }
    }
    if (planes != 1)
        return BmpError::BadHeader;
    const std::int64_t w = header.width;
    std::int64_t ht = header.height;
    if (w <= 0 || ht == 0)
        return BmpError::BadSize;
    topDown = ht < 0;
    ht = topDown ? -ht : ht;
    header.height = ht;
    if (w > kMaxPictureSide || ht > kMaxPictureSide || w * ht > kMaxPicturePixels)
        return BmpError::TooLarge;
    const std::uint32_t bits = header.bits;
    const bool knownDepth =
        bits == 1 || bits == 4 || bits == 8 || bits == 24 || (!header.core && (bits == 16 || bits == 32));
    if (!knownDepth)
        return BmpError::UnsupportedBitDepth;
    return BmpError::None;
}

BmpError BmpReader::Impl::readCompression(Header& header)
{
    const std::uint32_t bits = header.bits;
    Compression compression = Compression::Rgb;
    switch (header.compressionCode) {
    case 0: compression = Compression::Rgb; break;
    case 1: compression = Compression::Rle8; break;
    case 2: compression = Compression::Rle4; break;
    case 3: // in OS/2 2.x headers, 3 is Huffman coding
        if (header.os2)
            return BmpError::UnsupportedCompression;
        compression = Compression::Bitfields;
        break;
    default: return BmpError::UnsupportedCompression;
    }
    if ((compression == Compression::Rle8 && bits != 8) || (compression == Compression::Rle4 && bits != 4)
        || (compression == Compression::Bitfields && bits != 16 && bits != 32))
        return BmpError::CompressionMismatch;
    header.compression = compression;
    header.rle = compression == Compression::Rle8 || compression == Compression::Rle4;
    if (header.rle && topDown)
        return BmpError::TopDownRle;
    return BmpError::None;
}

BmpError BmpReader::Impl::readMasks(Header& header)
{
    const std::uint32_t bits = header.bits;
    std::array<std::uint32_t, 3>& masks = header.masks; // red, green, blue
    if (header.compression == Compression::Bitfields) {
        const std::uint8_t* m = &header.bytes[40];
        if (header.size == 40) {
            m = in.take(12);
            if (!m)
                return shortRead(BmpError::TruncatedHeader);
        }
        masks = {le32(m), le32(m + 4), le32(m + 8)};
        if (!validMasks(masks, bits))
            return BmpError::BadMasks;
    } else if (bits == 16) {
        masks = {0x7C00, 0x03E0, 0x001F};
    } else if (bits == 32) {
        masks = {0xFF0000, 0xFF00, 0xFF};
    }
    return BmpError::None;
}

BmpError BmpReader::Impl::readPalette(const Header& header)
{
    const std::uint64_t offset = header.offset;
    const std::uint32_t bits = header.bits;
    if (offset >= in.size())
        return BmpError::OffsetPastEnd;
    if (offset < in.position())
        return BmpError::BadOffset;

    palette.fill(kBeyondPalette);
    if (bits <= 8) {
        const std::uint32_t entryBytes = header.core ? 3 : 4;
        const std::uint64_t slots = std::uint64_t{1} << bits;
        const std::uint64_t room = (offset - in.position()) / entryBytes;
        std::uint64_t count = 0;
        if (header.core || header.size == 16) { // no count in the header
            count = std::min(slots, room);
            if (count == 0)
                return BmpError::BadPalette;
        } else {
            count = header.coloursUsed == 0 ? slots : header.coloursUsed;
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
    }
    if (!in.skip(offset - in.position()))
        return shortRead(BmpError::OffsetPastEnd);
    return BmpError::None;
}

BmpError BmpReader::Impl::layOut(const Header& header)
{
    const std::uint64_t offset = header.offset;
    const std::uint32_t bits = header.bits;
    const bool rle = header.rle;
    if (rle) {
        if (header.imageSize != 0 && offset + header.imageSize > in.size())
            return BmpError::TruncatedPixels;
    } else {
        stride = static_cast<std::size_t>((static_cast<std::uint64_t>(header.width) * bits + 31) / 32 * 4);
        if (offset + stride * static_cast<std::uint64_t>(header.height) > in.size())
            return BmpError::TruncatedPixels;
    }

    width = static_cast<int>(header.width);
    height = static_cast<int>(header.height);
    switch (bits) {
    case 1: layout = Layout::Indexed1; break;
    case 4: layout = rle ? Layout::Rle4 : Layout::Indexed4; break;
    case 8: layout = rle ? Layout::Rle8 : Layout::Indexed8; break;
    case 16: layout = Layout::Direct16; break;
    case 24: layout = Layout::Direct24; break;
    default:
        layout = header.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF} ? Layout::Direct32Bgr
                                                                                    : Layout::Direct32Masks;
        break;
    }
    if (bits == 16 || bits == 32)
        masked = MaskedColour(header.masks);
    if (bits == 16) {
        colours16.resize(std::size_t{1} << 16);
        for (std::uint32_t word = 0; word < colours16.size(); ++word)
            colours16[word] = masked(word);
    }
    return BmpError::None;
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

void BmpReader::Impl::fillRun(std::uint32_t* out, int count, int code) const
{
    if (layout == Layout::Rle4) {
        const std::uint32_t colours[2] = {palette[static_cast<std::size_t>(code >> 4)],
                                          palette[static_cast<std::size_t>(code & 15)]};
        for (int i = 0; i < count; ++i)
            out[i] = colours[i & 1];
    } else {
        std::fill_n(out, count, palette[static_cast<std::size_t>(code)]);
    }
}

bool BmpReader::Impl::readAbsolute(std::uint32_t* out, int count)
{
    const bool four = layout == Layout::Rle4;
    const std::size_t bytes = four ? static_cast<std::size_t>(count + 1) / 2 : static_cast<std::size_t>(count);
    const std::uint8_t* p = in.take(bytes + (bytes & 1)); // padded to 16 bits
    if (!p)
        return false;
    if (four) {
        for (int i = 0; i < count; ++i)
            out[i] = palette[(p[i >> 1] >> ((i & 1) ? 0 : 4)) & 15];
    } else {
        for (int i = 0; i < count; ++i)
            out[i] = palette[p[i]];
    }
    return true;
}

BmpError BmpReader::Impl::readRle(const RowSink& sink)
{
    const std::uint32_t blank = palette[0]; // what skipped and left-out pixels take
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    int x = 0;
    int y = 0; // rows finished, counted from the bottom
    // Blanks the rest of the row and hands it over; false when it used a slot beyond the palette.
    const auto finishRow = [&]() {
        std::fill(row.begin() + x, row.end(), blank);
        if (!fullPalette && usesSlotBeyondPalette(row))
            return false;
        sink(height - 1 - y, row);
        ++y;
        x = 0;
        return true;
    };

    for (;;) {
        const std::uint8_t* op = in.take(2);
        if (!op) {
            // Data may end without an end-of-bitmap code once every pixel is painted.
            if (in.failed())
                return BmpError::ReadFailed;
            if (y == height)
                return BmpError::None;
            if (y == height - 1 && x == width)
                return finishRow() ? BmpError::None : BmpError::PaletteIndex;
            return BmpError::TruncatedPixels;
        }
        const int count = op[0];
        const int code = op[1];
        if (count > 0) { // a run of one index (RLE4: two alternating)
            if (y == height || count > width - x)
                return BmpError::BadRle;
            fillRun(row.data() + x, count, code);
            x += count;
            continue;
        }
        switch (code) {
        case 0: // end of line
            if (y == height)
                return BmpError::BadRle;
            if (!finishRow())
                return BmpError::PaletteIndex;
            break;
        case 1: // end of bitmap
            while (y < height)
                if (!finishRow())
                    return BmpError::PaletteIndex;
            return BmpError::None;
        case 2: { // delta: right and up (towards the top row)
            const std::uint8_t* d = in.take(2);
            if (!d)
                return shortRead(BmpError::TruncatedPixels);
            const int dx = d[0];
            const int dy = d[1];
            if (y == height || dx > width - x || dy > height - 1 - y)
                return BmpError::BadRle;
            const int target = x + dx;
            if (dy > 0) {
                for (int i = 0; i < dy; ++i)
                    if (!finishRow())
                        return BmpError::PaletteIndex;
            }
            std::fill(row.begin() + x, row.begin() + target, blank);
            x = target;
            break;
        }
        default: // an absolute run of `code` indices
            if (y == height || code > width - x)
                return BmpError::BadRle;
            if (!readAbsolute(row.data() + x, code))
                return shortRead(BmpError::TruncatedPixels);
            x += code;
            break;
        }
    }
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

std::string_view bmpErrorText(BmpError error)
{
    switch (error) {
    case BmpError::None: return "no error";
    case BmpError::CannotOpen: return "file cannot be opened";
    case BmpError::ReadFailed: return "file cannot be read";
    case BmpError::NotBitmap: return "not a Windows bitmap";
    case BmpError::TruncatedHeader: return "file ends inside its header";
    case BmpError::UnsupportedHeader: return "unsupported bitmap header";
    case BmpError::BadHeader: return "corrupt bitmap header";
    case BmpError::BadSize: return "picture has no pixels or a negative width";
    case BmpError::TooLarge: return "picture is larger than 32768 pixels a side or 2^28 pixels";
    case BmpError::UnsupportedBitDepth: return "unsupported number of bits per pixel";
    case BmpError::UnsupportedCompression: return "unsupported compression (JPEG, PNG or other)";
    case BmpError::CompressionMismatch: return "compression does not fit the bits per pixel";
    case BmpError::TopDownRle: return "run-length encoded picture stored top-down";
    case BmpError::BadMasks: return "invalid colour masks";
    case BmpError::BadPalette: return "palette size is invalid";
    case BmpError::BadOffset: return "pixel data starts inside the header or palette";
    case BmpError::OffsetPastEnd: return "file ends before its pixel data";
    case BmpError::TruncatedPixels: return "file ends inside its pixel data";
    case BmpError::BadRle: return "run-length data is corrupt";
    case BmpError::PaletteIndex: return "pixel uses a colour beyond the palette";
    case BmpError::AlreadyRead: return "rows were already read";
    }
    return "unknown error";
}

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
