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
    // The index grows with the twips, so each index inside the image covers one run of them, and
    // the margin keeps those runs inside the table.
    table.spans.assign(static_cast<size_t>(size) + 1, {0, -1});
    for (size_t i = 0; i < table.entries.size(); ++i) {
        const int32_t index = table.entries[i];
        if (index < 1 || index > size)
            continue;
        const int32_t twips = table.first + static_cast<int32_t>(i);
        AxisTable::Span& span = table.spans[static_cast<size_t>(index)];
        if (span.first > span.last)
            span.first = twips;
        span.last = twips;
    }
    return table;
}

void Playfield::classifyRows(int first, int end)
{
    const auto w = static_cast<size_t>(width_);
    for (auto y = static_cast<size_t>(first); y < static_cast<size_t>(end); ++y) {
        char* classes = classes_.data() + (y + 1) * (w + 2) + 1;
        const uint32_t* pixels = pixels_.data() + y * w;
        for (size_t x = 0; x < w; ++x)
            classes[x] = classifyColour(pixels[x]);
    }
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
    Playfield field(width, height, twipsPerPixelX, twipsPerPixelY);
    if (picture.width <= 0 || picture.height <= 0
        || picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height))
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
        firstRow_[static_cast<size_t>(s)] =
            std::min(firstRow_[static_cast<size_t>(s)], firstRow_[static_cast<size_t>(s) + 1]);
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
    uint32_t* line = field_.pixels_.data() + static_cast<size_t>(first) * width;
    for (size_t dx = 0; dx < width; ++dx)
        line[dx] = colours[column_[dx]] & 0x00FFFFFFu;
    for (int dy = first + 1; dy < end; ++dy) // an enlarged picture repeats whole rows
        std::copy_n(line, width, line + static_cast<size_t>(dy - first) * width);
    field_.classifyRows(first, end);
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
