#pragma once
// A picture of a route for the level's author: the level as the player sees it, the path the
// player's centre takes, each death marked, and the start and the goal labelled.

#include "check/Solver.h"
#include "game/LevelSession.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace hopplix::check {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // row by row, three bytes a pixel
};

// Plays `route` in `session` from the player's place there with the speed and leap flag of
// `start`, drawing over the playfield. The player is put back at its start afterwards.
RgbImage drawRoute(LevelSession& session, const PlayState& start, std::span<const KeyMask> route);

// True when this build can write PNG files.
bool canWritePng();
// Writes the picture as PNG, whole or not at all; false with `error` saying why.
bool writePng(const RgbImage& image, const std::filesystem::path& file, std::string& error);

} // namespace hopplix::check
