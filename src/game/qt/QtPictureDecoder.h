#pragma once
// Decoding "Level.bmp" in the game window: a Windows bitmap through the strict bitmap reader, and
// a PNG, GIF or JPEG saved under that name through Qt's image readers (QtGui only, no widgets).

#include "game/PictureDecoder.h"

namespace hopplix {

// A file that starts with "BM" is a Windows bitmap and goes to BmpPictureDecoder, whatever Qt
// would make of it. Other files are read by content: PNG, GIF and JPEG are taken, whole or not
// at all (a reader error, or a file that ends before its last block, refuses it); anything else
// is NotBitmap. Colours are taken as painted; transparency plays no part.
class QtPictureDecoder : public PictureDecoder {
public:
    PictureError decode(const std::filesystem::path& file, PictureRows& rows) const override;

private:
    BmpPictureDecoder bitmaps_;
};

} // namespace hopplix
