#pragma once
// Decoding "Level.bmp" in the game on Windows: a Windows bitmap through the strict bitmap reader,
// and a PNG, GIF or JPEG saved under that name through the Windows Imaging Component, as Qt's
// image readers serve the game on Linux.

#include "game/PictureDecoder.h"

namespace hopplix {

// A file that starts with "BM" is a Windows bitmap and goes to BmpPictureDecoder, whatever WIC
// would make of it. Other files are read by content: PNG, GIF (its first frame) and JPEG are
// taken, whole or not at all (a codec error, or a file that ends before its last block, refuses
// it); anything else is NotBitmap. Colours are taken as painted; transparency plays no part.
class WicPictureDecoder : public PictureDecoder {
public:
    PictureError decode(const std::filesystem::path& file, PictureRows& rows) const override;

private:
    BmpPictureDecoder bitmaps_;
};

} // namespace hopplix
