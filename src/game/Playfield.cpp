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
    Playfield field(width, height, twipsPerPixelX, twipsPerPixelY);
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height))
        return field;
    RowStretcher stretcher(picture.width, picture.height, field);
    const std::span<const uint32_t> pixels(picture.pixels);
    for (int y = 0; y < picture.height; ++y)
        stretcher.row(y, pixels.subspan(static_cast<size_t>(y) * static_cast<size_t>(picture.width),
                                        static_cast<size_t>(picture.width)));
    return field;
}

RowStretcher::RowStretcher(int pictureWidth, int pictureHeight, Playfield& field)
    : pictureWidth_(std::max(0, pictureWidth)), pictureHeight_(std::max(0, pictureHeight)), field_(field),
      seen_(static_cast<size_t>(pictureHeight_), false), missing_(pictureHeight_)
{
    const int64_t width = field.width();
    const int64_t height = field.height();
    const int64_t pw = pictureWidth_;
    const int64_t ph = pictureHeight_;
    // Pixel centres: playfield column dx lies on picture column floor((2 dx + 1) pw / (2 width)).
    column_.resize(static_cast<size_t>(width));
    for (int64_t dx = 0; dx < width; ++dx)
        column_[static_cast<size_t>(dx)] = static_cast<uint32_t>((2 * dx + 1) * pw / (2 * width));
    // The same by rows, turned round: the playfield rows of picture row s are
    // firstRow_[s] .. firstRow_[s + 1] - 1 (none when the picture is shrunk past it).
    firstRow_.assign(static_cast<size_t>(ph) + 1, static_cast<int>(height));
    for (int64_t dy = height - 1; dy >= 0; --dy)
        firstRow_[static_cast<size_t>((2 * dy + 1) * ph / (2 * height))] = static_cast<int>(dy);
    for (int64_t s = ph - 1; s >= 0; --s)
        firstRow_[static_cast<size_t>(s)] = std::min(firstRow_[static_cast<size_t>(s)], firstRow_[static_cast<size_t>(s) + 1]);
}

void RowStretcher::row(int y, std::span<const uint32_t> colours)
{
    if (y < 0 || y >= pictureHeight_ || pictureWidth_ == 0 || colours.size() != static_cast<size_t>(pictureWidth_))
        return;
    const auto sy = static_cast<size_t>(y);
    if (!seen_[sy]) {
        seen_[sy] = true;
        --missing_;
    }
    const int first = firstRow_[sy];
    const int end = firstRow_[sy + 1];
    if (first >= end)
        return;
    const auto width = static_cast<size_t>(field_.width());
    uint32_t* line = field_.pixels().data() + static_cast<size_t>(first) * width;
    for (size_t dx = 0; dx < width; ++dx)
        line[dx] = colours[column_[dx]] & 0x00FFFFFFu;
    for (int dy = first + 1; dy < end; ++dy) // an enlarged picture repeats whole rows
        std::copy_n(line, width, line + static_cast<size_t>(dy - first) * width);
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
