#include "game/PictureDecoder.h"

namespace hopplix {

PictureError BmpPictureDecoder::decode(const std::filesystem::path& file, PictureRows& rows) const
{
    BmpReader reader(file);
    if (reader.error() != BmpError::None)
        return {reader.error()};
    if (!rows.size(reader.width(), reader.height()))
        return {.refused = true};
    return {reader.readRows([&rows](int y, std::span<const std::uint32_t> colours) { rows.row(y, colours); })};
}

} // namespace hopplix
