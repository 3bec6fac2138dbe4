#pragma once
// Level folders painted as text art (artLevel in game/level_text.h) on a screen that shows
// them pixel for pixel, for the checker and the solver.

#include "game/LevelSession.h"
#include "game/level_text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace hopplix::test {

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
