#pragma once
// The cases every decoder of other picture formats passes: a PNG, GIF or JPEG saved as
// Level.bmp is played, and one cut short is refused as damaged. The including test defines
// `decoderUnderTest` and `encodedAs` with the system's own encoder.

#include "game/LevelSession.h"
#include "game/level_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>

namespace hopplix::test {
namespace {

const PictureDecoder& decoderUnderTest();
// `picture` as a PNG or JPEG file.
std::string encodedAs(std::string_view format, const Picture& picture);

// 64 x 48 pixels, white above eight black rows, as a GIF (neither system's encoder writes it).
const std::string
    kGif("\x47\x49\x46\x38\x39\x61\x40\x00\x30\x00\xF0\x01\x00\x00\x00\x00\xFF\xFF\xFF\x21\xF9\x04\x00\x00"
         "\x00\x00\x00\x2C\x00\x00\x00\x00\x40\x00\x30\x00\x00\x02\x50\x8C\x8F\xA9\xCB\xED\x0F\xA3\x9C\xB4"
         "\xDA\x8B\xB3\xDE\xBC\xFB\x0F\x86\xE2\x48\x96\xE6\x89\xA6\xEA\xCA\xB6\xEE\x0B\xC7\xF2\x4C\xD7\xF6"
         "\x8D\xE7\xFA\xCE\xF7\xFE\x0F\x0C\x0A\x87\xC4\xA2\xF1\x88\x4C\x2A\x97\x08\x80\xF3\x09\x8D\x4A\xA7"
         "\xD4\xAA\xF5\x8A\xCD\x6A\xB7\xDC\xAE\xF7\x0B\x0E\x8B\xC7\xE4\xB2\xF9\x8C\x4E\xAB\xD7\xDC\x02\x00"
         "\x3B",
         121);

// The same picture in each format; JPEG only nearly (it blurs the edge).
std::string otherFormat(std::string_view format)
{
    if (format == "GIF")
        return kGif;
    std::vector<std::string> rows = openLevel(64, 48);
    for (int y = 40; y < 48; ++y)
        rows[static_cast<size_t>(y)] = std::string(64, '#');
    return encodedAs(format, pictureFromText(rows));
}

class OtherFormat : public ::testing::TestWithParam<const char*> {
protected:
    LoadResult open(const std::string& bytes)
    {
        std::filesystem::create_directories(folder.path() / "Anders");
        std::ofstream(folder.path() / "Anders" / "Level.bmp", std::ios::binary) << bytes;
        return session.load(folder.path() / "Anders", Viewport{}, play);
    }
    TempFolder folder;
    LevelSession session{decoderUnderTest()};
    PlayState play;
};

TEST_P(OtherFormat, PictureUnderTheNameLevelBmpIsPlayed)
{
    ASSERT_TRUE(open(otherFormat(GetParam())).ok());
    const Playfield& field = session.playfield();
    EXPECT_EQ(field.pixel(10, 10), 0xFFFFFFu);
    if (std::string_view(GetParam()) != "JPEG") {
        EXPECT_EQ(field.pixel(10, field.height() - 1), 0x000000u);
    }
}

TEST_P(OtherFormat, PictureCutShortIsRefusedAsDamaged)
{
    const std::string whole = otherFormat(GetParam());
    const LoadResult result = open(whole.substr(0, whole.size() * 3 / 4));
    EXPECT_EQ(result.status, LoadStatus::PictureUnreadable);
    EXPECT_TRUE(result.picture.damaged);
}

INSTANTIATE_TEST_SUITE_P(Formats, OtherFormat, ::testing::Values("PNG", "GIF", "JPEG"));

} // namespace
} // namespace hopplix::test
