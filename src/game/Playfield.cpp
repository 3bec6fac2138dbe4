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

// Axis tables cover the image and a margin; a larger one (a huge playfield, or very many
// twips per pixel) is not worth its memory, and such points are converted one by one.
constexpr int64_t kMaxAxisTable = int64_t{1} << 20;

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
    buildClasses();
}

void Playfield::setPixel(int column, int row, uint32_t colour)
{
    if (column < 0 || row < 0 || column >= width_ || row >= height_)
        throw std::out_of_range("pixel outside the playfield");
    pixels_[static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(column)] = colour;
    classes_[static_cast<size_t>(row + 1) * static_cast<size_t>(width_ + 2) + static_cast<size_t>(column + 1)] =
        classifyColour(colour);
}

int32_t Playfield::shiftedIndex(int32_t twips, float twipsPerPixel, int size)
{
    const int64_t index = pixelIndex(twips, twipsPerPixel);
    return index < 0 || index >= size ? 0 : static_cast<int32_t>(index + 1);
}

Playfield::AxisTable Playfield::axisTable(float twipsPerPixel, int size)
{
    AxisTable table;
    if (!(twipsPerPixel > 0) || !std::isfinite(twipsPerPixel))
        return table;
    // One pixel's width of margin on each side, and a little more for the rounding.
    const double first = std::floor(-2.0 * twipsPerPixel) - 2;
    const double last = std::ceil((size + 2.0) * twipsPerPixel) + 2;
    if (last - first + 1 > static_cast<double>(kMaxAxisTable))
        return table;
    table.first = static_cast<int32_t>(first);
    table.entries.resize(static_cast<size_t>(last - first + 1));
    for (size_t i = 0; i < table.entries.size(); ++i)
        table.entries[i] = shiftedIndex(table.first + static_cast<int32_t>(i), twipsPerPixel, size);
    return table;
}

void Playfield::buildClasses()
{
    const auto w = static_cast<size_t>(width_);
    const auto h = static_cast<size_t>(height_);
    classes_.assign((w + 2) * (h + 2), 'w');
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            classes_[(y + 1) * (w + 2) + x + 1] = classifyColour(pixels_[y * w + x]);
    columns_ = axisTable(twipsPerPixelX_, width_);
    rows_ = axisTable(twipsPerPixelY_, height_);
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
    if (width == 0 || height == 0) {
        field.buildClasses();
        return field;
    }

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
    field.buildClasses();
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

char farbechecken(const Playfield& field, int32_t x, int32_t y) { return field.classAt(x, y); }

} // namespace hopplix
