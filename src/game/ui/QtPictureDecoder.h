#pragma once
// Decoding "Level.bmp" with Qt's image readers (QtGui only, no widgets).

#include "game/PictureDecoder.h"

namespace hopplix {

// Reads whatever format Qt recognises by the file's content (a PNG saved as "Level.bmp" is
// fine). Colours are taken as painted; transparency plays no part.
class QtPictureDecoder : public PictureDecoder {
public:
    bool decode(const std::filesystem::path& file, PictureRows& rows) const override;
};

} // namespace hopplix
