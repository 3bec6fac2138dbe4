#include "BmpFileDecoder.h"

#include "picture/BmpReader.h"

namespace hopplix::check {

bool BmpFileDecoder::decode(const std::filesystem::path& file, PictureRows& rows) const
{
    BmpReader reader(file);
    BmpError error = reader.error();
    if (error == BmpError::None) {
        if (std::int64_t{reader.width()} * reader.height() > kMaxLevelPixels) {
            lastError_ = "picture is larger than the game reads (8192 x 8192 pixels)";
            return false;
        }
        if (!rows.size(reader.width(), reader.height())) {
            lastError_ = "picture refused";
            return false;
        }
        error = reader.readRows([&](int y, std::span<const std::uint32_t> pixels) { rows.row(y, pixels); });
    }
    lastError_ = error == BmpError::None ? std::string() : std::string(bmpErrorText(error));
    return error == BmpError::None;
}

} // namespace hopplix::check
