#pragma once
// Decoding "Level.bmp" at the edge: Qt's image readers turn the file into the plain pixel
// buffer the engine works on.

#include "game/Playfield.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace hopplix {

// The largest picture the game decodes. A level larger than 8192 x 8192 pixels is no level
// anybody paints; refusing it keeps a forged header from asking for gigabytes.
inline constexpr std::int64_t kMaxLevelPixels = std::int64_t{8192} * 8192;

// The picture in the file, whatever format Qt recognises by its content (a PNG saved as
// "Level.bmp" is fine). nullopt when the file cannot be read as a picture: missing, empty,
// corrupt or truncated, not an image, a zero dimension, or more than kMaxLevelPixels pixels.
// Colours are taken as painted; transparency plays no part.
std::optional<Picture> readLevelPicture(const std::filesystem::path& file);

} // namespace hopplix
