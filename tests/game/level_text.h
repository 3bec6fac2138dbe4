#pragma once
// Playfields drawn as text art, one character per pixel, so a test reads like the level it
// plays: the letters of kTextArt (. white, # black, r red, o orange, g green, l purple, b blue),
// ? for a colour outside the legend and ~ for red one step off (254, 0, 0), both free space.

#include "game/Engine.h"
#include "game/Layout.h"
#include "game/PictureDecoder.h"
#include "game/Playfield.h"
#include "game/TextArt.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace hopplix::test {

inline std::optional<uint32_t> artColour(char c)
{
    if (c == '?')
        return 0x123456u;
    if (c == '~')
        return 0x0000FEu;
    return colourOfArt(c);
}

inline uint32_t colourOf(char c)
{
    if (const auto colour = artColour(c))
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

// root/name with Level.bmp drawn from `rows` and, when `config` is not empty, config.ini
// holding exactly those bytes.
inline std::filesystem::path artLevel(const std::filesystem::path& root, const std::string& name,
                                      const std::vector<std::string>& rows, const std::string& config = {})
{
    const auto folder = root / name;
    std::filesystem::create_directories(folder);
    std::ofstream art(levelImagePath(folder));
    for (const std::string& row : rows)
        art << row << '\n';
    if (!config.empty())
        std::ofstream(levelConfigPath(folder), std::ios::binary) << config;
    return folder;
}

// Reads "Level.bmp" as text art, one row a line. A line "(left out)" is a row the decoder
// announces but never delivers; a character outside the art makes the file unreadable.
class TextArtDecoder : public PictureDecoder {
public:
    PictureError decode(const std::filesystem::path& file, PictureRows& rows) const override
    {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        if (lines.empty())
            return {BmpError::BadSize};
        for (const std::string& line : lines)
            if (line != "(left out)" && !std::all_of(line.begin(), line.end(), [](char c) { return artColour(c); }))
                return {.damaged = true};
        if (!rows.size(static_cast<int>(lines.front().size()), static_cast<int>(lines.size())))
            return {.refused = true};
        for (size_t y = 0; y < lines.size(); ++y) {
            if (lines[y] == "(left out)")
                continue;
            std::vector<uint32_t> colours;
            for (const char c : lines[y])
                colours.push_back(*artColour(c));
            rows.row(static_cast<int>(y), colours);
        }
        return {};
    }
};

inline std::string letters(const Punktfarbe& p) { return std::string(p.begin(), p.end()); }

} // namespace hopplix::test
