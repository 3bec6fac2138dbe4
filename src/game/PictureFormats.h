#pragma once
// Telling a level picture's format by its first bytes, and whether a file of that format runs to
// its last block. Some readers of other formats (Qt's GIF and JPEG readers among them) hand out a
// picture cut short as if it were whole, the missing part painted in some colour: the decoders
// check the file first, so a picture is played whole or not at all.

#include "game/PictureDecoder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

namespace hopplix {

enum class PictureFormat { Bitmap, Png, Gif, Jpeg, Unknown };

PictureFormat pictureFormatOf(std::string_view bytes);

// The file's blocks run to their end marker: PNG chunks to IEND, GIF blocks to the trailer with an
// image among them, JPEG segments and scan data to the end of image. Bitmaps and unknown formats
// are the reader's business: true.
bool pictureIsWhole(PictureFormat format, std::string_view bytes);

// A PNG, GIF or JPEG file for a system's codec, read whole and found whole.
struct CodecPicture {
    std::string bytes;
    PictureFormat format;
};

// What the decoders on a system's codecs do before the codec: a bitmap is left to `bitmaps`, the
// strict reader, which streams it into `rows`; anything else is read whole and checked. Returns
// the picture for the codec, or the answer to give back (the bitmap reader's, or why the file
// is refused).
std::variant<CodecPicture, PictureError> readForCodec(const std::filesystem::path& file, const PictureDecoder& bitmaps,
                                                      PictureRows& rows);

// The bitmap reader's size limit, which every format keeps.
bool withinPictureLimit(std::int64_t width, std::int64_t height);

} // namespace hopplix
