#pragma once
// The painted level: the level picture stretched over the game window's client area, held as
// one pixel buffer that the colour probes read in place.

#include <cstdint>
#include <span>
#include <vector>

namespace hopplix {

// Colour values in the layout 0x00BBGGRR (red in the low byte).
inline constexpr uint32_t kInvalidColour = 0xFFFFFFFFu; // what a point outside the image reads as

// A decoded level picture, as the edge (the image reader) hands it over.
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

// The class letter of a colour value: 's' black, 'r' red, 'o' orange, 'g' green, 'l' purple,
// 'b' blue; every other value (white, unlisted colours, kInvalidColour) is 'w'.
char classifyColour(uint32_t colour);

// The class letter of the point (x, y) of the playfield in twips. The twips become a pixel by a
// single-precision division by the twips per pixel, rounded to the nearest integer with halves
// going to the even neighbour. Points outside the image are 'w'.
char farbechecken(const Playfield& field, int32_t x, int32_t y);

} // namespace hopplix
