#include "game/Playfield.h"

#include "common/Rounding.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace hopplix {

namespace {

constexpr uint32_t kWhite = 0x00FFFFFFu;
// No side of a playfield reaches 2^22 pixels, so larger pixel indexes are simply outside.
constexpr int kMaxSide = 1 << 22;

// Twips to a pixel index: single-precision division, then half to even. Quotients beyond any
// playfield (and non-finite ones) give -1, which is outside every image.
inline int64_t pixelIndex(int32_t twips, float twipsPerPixel)
{
    const float quotient = static_cast<float>(twips) / twipsPerPixel;
    if (!(std::fabs(quotient) < kMaxSide))
        return -1;
    return static_cast<int64_t>(roundHalfEvenSmall(quotient));
}

void checkSize(int width, int height)
{
    if (width < 0 || height < 0 || width >= kMaxSide || height >= kMaxSide)
        throw std::invalid_argument("playfield size out of range");
}

} // namespace

Playfield::Playfield(int width, int height, float twipsPerPixelX, float twipsPerPixelY)
    : width_(width), height_(height), twipsPerPixelX_(twipsPerPixelX), twipsPerPixelY_(twipsPerPixelY)
{
    checkSize(width, height);
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), kWhite);
}

Playfield Playfield::stretched(const Picture& picture, int width, int height, float twipsPerPixelX,
                               float twipsPerPixelY)
{
    checkSize(width, height);
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height))
        return Playfield(width, height, twipsPerPixelX, twipsPerPixelY);

    Playfield field;
    field.width_ = width;
    field.height_ = height;
    field.twipsPerPixelX_ = twipsPerPixelX;
    field.twipsPerPixelY_ = twipsPerPixelY;
    field.pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (width == 0 || height == 0)
        return field;

    // Each playfield pixel takes the picture pixel under its centre.
    const int64_t pw = picture.width;
    const int64_t ph = picture.height;
    std::vector<uint32_t> column(static_cast<size_t>(width));
    for (int64_t dx = 0; dx < width; ++dx)
        column[static_cast<size_t>(dx)] = static_cast<uint32_t>((2 * dx + 1) * pw / (2 * int64_t{width}));

    const uint32_t* src = picture.pixels.data();
    uint32_t* out = field.pixels_.data();
    int64_t previousRow = -1;
    for (int64_t dy = 0; dy < height; ++dy) {
        const int64_t sy = (2 * dy + 1) * ph / (2 * int64_t{height});
        uint32_t* line = out + dy * width;
        if (sy == previousRow) {
            std::copy_n(line - width, width, line); // an enlarged picture repeats whole rows
            continue;
        }
        const uint32_t* srcLine = src + sy * pw;
        for (int dx = 0; dx < width; ++dx)
            line[dx] = srcLine[column[static_cast<size_t>(dx)]] & 0x00FFFFFFu;
        previousRow = sy;
    }
    return field;
}

char classifyColour(uint32_t colour)
{
    for (const LegendEntry& entry : kColourLegend)
        if (entry.colour == colour)
            return entry.letter;
    return 'w';
}

std::optional<uint32_t> colourOfLetter(char letter)
{
    for (const LegendEntry& entry : kColourLegend)
        if (entry.letter == letter)
            return entry.colour;
    return std::nullopt;
}

char farbechecken(const Playfield& field, int32_t x, int32_t y)
{
    const int64_t row = pixelIndex(y, field.twipsPerPixelY());
    const int64_t column = pixelIndex(x, field.twipsPerPixelX());
    return classifyColour(field.pixel(column, row));
}

} // namespace hopplix
