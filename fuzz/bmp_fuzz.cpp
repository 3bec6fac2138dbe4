// Feeds arbitrary bytes to the bitmap reader and checks its promises: a refusal is a refusal
// from the header on or after some rows, never a crash; an accepted picture delivers each row once,
// in file order, at full width, with colour values only; the same bytes give the same answer.

#include "picture/BmpReader.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    hopplix::BmpReader reader(bytes);
    const auto noRows = [](int, std::span<const std::uint32_t>) { std::abort(); };
    if (reader.error() != hopplix::BmpError::None) {
        check(reader.width() == 0 && reader.height() == 0);
        check(reader.readRows(noRows) == reader.error());
        return 0;
    }
    const int width = reader.width();
    const int height = reader.height();
    check(width >= 1 && width <= hopplix::kMaxPictureSide && height >= 1 && height <= hopplix::kMaxPictureSide);
    check(std::int64_t{width} * height <= hopplix::kMaxPicturePixels);
    // Run-length data can paint a huge picture from a few bytes; that costs time, not coverage.
    if (std::int64_t{width} * height > (std::int64_t{1} << 20))
        return 0;

    int delivered = 0;
    const hopplix::BmpError error = reader.readRows([&](int row, std::span<const std::uint32_t> pixels) {
        check(row == (reader.topDown() ? delivered : height - 1 - delivered));
        check(pixels.size() == static_cast<std::size_t>(width));
        std::uint32_t any = 0;
        for (const std::uint32_t c : pixels)
            any |= c;
        check((any >> 24) == 0);
        ++delivered;
    });
    check(delivered <= height);
    if (error == hopplix::BmpError::None)
        check(delivered == height);
    check(reader.readRows(noRows) == hopplix::BmpError::AlreadyRead);

    const hopplix::BmpResult again = hopplix::decodeBmp(bytes);
    check(again.error == error);
    check(again.ok() == (again.picture.pixels.size() == static_cast<std::size_t>(width) * height));
    return 0;
}
