#pragma once
// Level folders painted as text art (see game/level_text.h) for the checker and the solver.

#include "game/LevelSession.h"
#include "game/level_text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace hopplix::test {

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

// A screen on which the picture fills the client area pixel for pixel, at 15 twips a pixel.
inline Viewport pixelForPixel(const std::vector<std::string>& rows)
{
    // The game plays no client below 20 x 20 pixels: a smaller art is drawn a whole number of
    // times larger, so every art pixel still covers whole playfield pixels.
    const int width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    const int height = static_cast<int>(rows.size());
    const int smaller = std::max(1, std::min(width, height));
    const int scale = std::max(1, (20 + smaller - 1) / smaller);
    Viewport viewport;
    viewport.clientWidthPx = width * scale;
    viewport.clientHeightPx = height * scale;
    return viewport;
}

} // namespace hopplix::test
