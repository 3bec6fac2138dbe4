#pragma once
// Reading a level picture file. The session knows only this interface: the strict bitmap reader
// (BmpPictureDecoder) for the tools, and in the game window one that also takes other formats.

#include "picture/BmpReader.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace hopplix {

// Takes a picture as a decoder reads it: the size first, then every row once, in the order the
// file keeps them (a bottom-up bitmap starts with the last row). A receiver stretches each row
// straight to where it lands instead of holding the whole picture.
class PictureRows {
public:
    virtual ~PictureRows() = default;
    // Before any row: at least 1 x 1, within kMaxPictureSide and kMaxPicturePixels. false
    // refuses the picture (the receiver knows why); the decoder then stops.
    virtual bool size(int width, int height) = 0;
    // Row y (0 is the top): `width` colour values 0x00BBGGRR, exactly as painted.
    virtual void row(int y, std::span<const std::uint32_t> colours) = 0;
};

// Why a decoder gave no picture.
struct PictureError {
    // In the bitmap reader's terms: its reason for a Windows bitmap it refuses, NotBitmap for a
    // file that no reader of the decoder knows, TooLarge beyond the limit in any format.
    BmpError reason = BmpError::None;
    // A reader of another format (PNG, GIF, JPEG: the game window only) failed inside the data.
    bool damaged = false;
    // The receiver refused the size.
    bool refused = false;

    bool ok() const { return reason == BmpError::None && !damaged && !refused; }
};

class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;
    // Hands the picture in `file` to `rows`. Rows handed over before a failure are void.
    virtual PictureError decode(const std::filesystem::path& file, PictureRows& rows) const = 0;
};

// Windows bitmaps only, through the strict reader; anything else is NotBitmap.
class BmpPictureDecoder : public PictureDecoder {
public:
    PictureError decode(const std::filesystem::path& file, PictureRows& rows) const override;
};

} // namespace hopplix
