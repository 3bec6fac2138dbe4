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
    std::span<uint32_t> pixels() { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    float twipsPerPixelX_ = 15.0f;
    float twipsPerPixelY_ = 15.0f;
    std::vector<uint32_t> pixels_;
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
    std::vector<uint32_t> column_;  // the picture column of each playfield column
    std::vector<int> firstRow_;     // the first playfield row of each picture row, and the end
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
