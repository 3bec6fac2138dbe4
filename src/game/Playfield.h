#pragma once
// The painted level: the level picture stretched over the game window's client area, held as
// one pixel buffer that the colour probes read in place.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hopplix {

// Colour values in the layout 0x00BBGGRR (red in the low byte).
inline constexpr uint32_t kInvalidColour = 0xFFFFFFFFu; // what a point outside the image reads as

// A whole level picture in memory (tests and benchmarks; the game streams rows instead).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // row by row, width * height values, 0x00BBGGRR
};

class Playfield {
public:
    Playfield() = default;
    // A white playfield of the given size in pixels.
    Playfield(int width, int height, float twipsPerPixelX = 15.0f, float twipsPerPixelY = 15.0f);

    // The whole picture stretched to width x height pixels, nearest neighbour by pixel centres
    // (colours are never blended: the probes compare exact colours). An empty picture gives a
    // white playfield.
    static Playfield stretched(const Picture& picture, int width, int height, float twipsPerPixelX,
                               float twipsPerPixelY);

    int width() const { return width_; }
    int height() const { return height_; }
    // The screen's twips per pixel on each axis (15 at 96 dots per inch).
    float twipsPerPixelX() const { return twipsPerPixelX_; }
    float twipsPerPixelY() const { return twipsPerPixelY_; }
    // The client width and height in twips.
    float widthTwips() const { return static_cast<float>(width_) * twipsPerPixelX_; }
    float heightTwips() const { return static_cast<float>(height_) * twipsPerPixelY_; }

    // The colour of one pixel; kInvalidColour outside the image.
    uint32_t pixel(int64_t column, int64_t row) const
    {
        if (column < 0 || row < 0 || column >= width_ || row >= height_)
            return kInvalidColour;
        return pixels_[static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(column)];
    }

    std::span<const uint32_t> pixels() const { return pixels_; }
    // Paints one pixel inside the image.
    void setPixel(int column, int row, uint32_t colour);

    // The class letter at a point in twips, as farbechecken gives it.
    char classAt(int32_t x, int32_t y) const
    {
        return classes_[static_cast<size_t>(rowOf(y)) * static_cast<size_t>(width_ + 2)
                        + static_cast<size_t>(columnOf(x))];
    }

    // Where the probes of one shape read: the column of the left edge, centre and right edge and
    // the row of the top edge, middle and bottom edge, as indexes for classAtIndex.
    int32_t columnOf(int32_t x) const { return axisIndex(columns_, x, twipsPerPixelX_, width_); }
    int32_t rowOf(int32_t y) const { return axisIndex(rows_, y, twipsPerPixelY_, height_); }
    // The twips that rowOf maps to `row`, first to last, for a row inside the image. False for
    // the border around it, and where the rows are not tabled.
    bool rowSpan(int32_t row, int32_t& first, int32_t& last) const
    {
        if (row < 1 || static_cast<size_t>(row) >= rows_.spans.size())
            return false;
        first = rows_.spans[static_cast<size_t>(row)].first;
        last = rows_.spans[static_cast<size_t>(row)].last;
        return true;
    }
    // The class map itself, row by row of classStride() letters, for loops that read many.
    const char* classMap() const { return classes_.data(); }
    size_t classStride() const { return static_cast<size_t>(width_) + 2; }
    char classAtIndex(int32_t column, int32_t row) const
    {
        return classes_[static_cast<size_t>(row) * static_cast<size_t>(width_ + 2) + static_cast<size_t>(column)];
    }

private:
    // Twips to a pixel index on one axis, shifted by one: 0 and size + 1 stand for every point
    // outside, where the class map has a white border. Twips near the image come from a table.
    struct AxisTable {
        int32_t first = 0; // the twips value of entries[0]
        std::vector<int32_t> entries;
        struct Span {
            int32_t first, last;
        };
        std::vector<Span> spans; // by index: the twips mapped to it (indexes 1 .. size)
    };
    static int32_t axisIndex(const AxisTable& table, int32_t twips, float twipsPerPixel, int size)
    {
        const auto at = static_cast<uint64_t>(int64_t{twips} - table.first); // wraps below the table
        if (at < table.entries.size())
            return table.entries[at];
        return shiftedIndex(twips, twipsPerPixel, size);
    }
    static int32_t shiftedIndex(int32_t twips, float twipsPerPixel, int size);
    static AxisTable axisTable(float twipsPerPixel, int size);
    void buildClasses();
    // The class map of rows first .. end - 1 after their pixels changed.
    void classifyRows(int first, int end);
    friend class RowStretcher;

    int width_ = 0;
    int height_ = 0;
    float twipsPerPixelX_ = 15.0f;
    float twipsPerPixelY_ = 15.0f;
    std::vector<uint32_t> pixels_;
    // The class letter of every pixel, framed by one pixel of 'w' on each side, so that a probe
    // reads one byte wherever it lands.
    std::vector<char> classes_ = std::vector<char>(4, 'w');
    AxisTable columns_;
    AxisTable rows_;
};

// Stretches a picture into a playfield row by row, as a decoder delivers the rows and in any
// order, so the whole picture is never held: each playfield pixel takes the picture pixel under
// its centre (nearest neighbour; colours are never blended: the probes compare exact colours).
class RowStretcher {
public:
    // The playfield keeps its size; it must outlive the stretcher.
    RowStretcher(int pictureWidth, int pictureHeight, Playfield& field);

    // Picture row y (0 is the top) into every playfield row whose centre lies on it. A row out
    // of range or of the wrong width is left out.
    void row(int y, std::span<const uint32_t> colours);
    // Every picture row has arrived.
    bool complete() const { return missing_ == 0; }

private:
    int pictureWidth_;
    int pictureHeight_;
    Playfield& field_;
    std::vector<uint32_t> column_; // the picture column of each playfield column
    std::vector<int> firstRow_;    // the first playfield row of each picture row, and the end
    std::vector<bool> seen_;
    int missing_;
};

// The colour legend: the seven colours a level is painted with and their class letters.
struct LegendEntry {
    uint32_t colour;
    char letter;
};
inline constexpr std::array<LegendEntry, 7> kColourLegend{{
    {0x000000u, 's'}, // black: ground
    {0x0000FFu, 'r'}, // red: deadly
    {0x0080FFu, 'o'}, // orange: climbing surface
    {0x00FF00u, 'g'}, // green: goal
    {0x800080u, 'l'}, // purple: launch pad
    {0xFF0000u, 'b'}, // blue: no grip
    {0xFFFFFFu, 'w'}, // white: free space
}};

// The class letter of a colour value: the legend's letter for its seven colours; every other
// value (unlisted colours, kInvalidColour) is 'w'.
char classifyColour(uint32_t colour);

// The legend read backwards: the colour value of a class letter; nullopt for no letter.
std::optional<uint32_t> colourOfLetter(char letter);

// The class letter of the point (x, y) of the playfield in twips. The twips become a pixel by a
// single-precision division by the twips per pixel, rounded to the nearest integer with halves
// going to the even neighbour. Points outside the image are 'w'.
char farbechecken(const Playfield& field, int32_t x, int32_t y);

} // namespace hopplix
