#pragma once
// Playfields drawn as text art, one character per pixel, so a test reads like the level it
// plays: the letters of kTextArt (. white, # black, r red, o orange, g green, l purple, b blue),
// and ? for a colour outside the legend (free space).

#include "game/Engine.h"
#include "game/Playfield.h"
#include "game/TextArt.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hopplix::test {

inline uint32_t colourOf(char c)
{
    if (c == '?')
        return 0x123456u;
    if (const auto colour = colourOfArt(c))
        return *colour;
    throw std::invalid_argument(std::string("no colour for '") + c + "'");
}

inline Picture pictureFromText(const std::vector<std::string>& rows)
{
    Picture picture;
    picture.height = static_cast<int>(rows.size());
    picture.width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    for (const std::string& row : rows) {
        if (static_cast<int>(row.size()) != picture.width)
            throw std::invalid_argument("rows of different length");
        for (char c : row)
            picture.pixels.push_back(colourOf(c));
    }
    return picture;
}

// The text drawn 1:1 into a playfield.
inline Playfield fieldFromText(const std::vector<std::string>& rows, float twipsPerPixel = 15.0f)
{
    const Picture picture = pictureFromText(rows);
    return Playfield::stretched(picture, picture.width, picture.height, twipsPerPixel, twipsPerPixel);
}

// A white field of width x height pixels with a full row of `ground` at `groundRow`.
inline std::vector<std::string> openLevel(int width, int height, int groundRow = -1, char ground = '#')
{
    std::vector<std::string> rows(static_cast<size_t>(height), std::string(static_cast<size_t>(width), '.'));
    if (groundRow >= 0)
        rows[static_cast<size_t>(groundRow)] = std::string(static_cast<size_t>(width), ground);
    return rows;
}

inline std::string letters(const Punktfarbe& p) { return std::string(p.begin(), p.end()); }

} // namespace hopplix::test
