#pragma once
// Reading a level picture file. The core knows only this interface; the decoders live at the
// edge (Qt's image readers today), and the game window and the tools hand one to the session.

#include "game/Playfield.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace hopplix {

// The largest picture the game decodes. A level larger than 8192 x 8192 pixels is no level
// anybody paints; refusing it keeps a forged header from asking for gigabytes.
inline constexpr std::int64_t kMaxLevelPixels = std::int64_t{8192} * 8192;

// Takes a picture as a decoder reads it: the size first, then every row once, in the order the
// file keeps them (a bottom-up bitmap starts with the last row). A receiver can stretch each
// row straight to where it lands instead of holding the whole picture.
class PictureRows {
public:
    virtual ~PictureRows() = default;
    // Before any row: at least 1 x 1 and at most kMaxLevelPixels pixels. false refuses the
    // picture; the decoder then stops and fails.
    virtual bool size(int width, int height) = 0;
    // Row y (0 is the top): `width` colour values 0x00BBGGRR, exactly as painted.
    virtual void row(int y, std::span<const std::uint32_t> colours) = 0;
};

class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;
    // Hands the picture in `file` to `rows`. false when the file cannot be read as a picture:
    // missing, empty, corrupt or truncated, not an image, a zero dimension, more than
    // kMaxLevelPixels pixels, or refused by `rows`. Rows handed over before a failure are void.
    virtual bool decode(const std::filesystem::path& file, PictureRows& rows) const = 0;
};

// The whole picture in memory; nullopt when the decoder fails or leaves a row out.
std::optional<Picture> decodePicture(const PictureDecoder& decoder, const std::filesystem::path& file);

} // namespace hopplix
