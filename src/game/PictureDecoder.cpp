#include "game/PictureDecoder.h"

#include <algorithm>
#include <vector>

namespace hopplix {

namespace {

class PictureBuilder : public PictureRows {
public:
    bool size(int width, int height) override
    {
        if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxLevelPixels)
            return false;
        picture.width = width;
        picture.height = height;
        picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
        seen.assign(static_cast<std::size_t>(height), false);
        return true;
    }

    void row(int y, std::span<const std::uint32_t> colours) override
    {
        if (y < 0 || y >= picture.height || colours.size() != static_cast<std::size_t>(picture.width))
            return; // a broken decoder: the row stays missing and the picture is refused
        std::copy(colours.begin(), colours.end(),
                  picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width);
        seen[static_cast<std::size_t>(y)] = true;
    }

    bool complete() const
    {
        return picture.height > 0 && std::all_of(seen.begin(), seen.end(), [](bool s) { return s; });
    }

    Picture picture;
    std::vector<bool> seen;
};

} // namespace

std::optional<Picture> decodePicture(const PictureDecoder& decoder, const std::filesystem::path& file)
{
    PictureBuilder builder;
    if (!decoder.decode(file, builder) || !builder.complete())
        return std::nullopt;
    return std::move(builder.picture);
}

} // namespace hopplix
