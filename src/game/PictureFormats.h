#pragma once
// Telling a level picture's format by its first bytes, and whether a file of that format runs to
// its last block. Some readers of other formats (Qt's GIF and JPEG readers among them) hand out a
// picture cut short as if it were whole, the missing part painted in some colour: the decoders
// check the file first, so a picture is played whole or not at all.

#include <string_view>

namespace hopplix {

enum class PictureFormat { Bitmap, Png, Gif, Jpeg, Unknown };

PictureFormat pictureFormatOf(std::string_view bytes);

// The file's blocks run to their end marker: PNG chunks to IEND, GIF blocks to the trailer with an
// image among them, JPEG segments and scan data to the end of image. Bitmaps and unknown formats
// are the reader's business: true.
bool pictureIsWhole(PictureFormat format, std::string_view bytes);

} // namespace hopplix
