#include "game/Playfield.h"
#include "level_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <span>

namespace hopplix {
namespace {

using test::fieldFromText;
using test::pictureFromText;

struct ColourCase {
    uint32_t colour;
    char letter;
};

void PrintTo(const ColourCase& c, std::ostream* os) { *os << std::hex << "0x" << c.colour << "->" << c.letter; }

class ColourLegend : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourLegend, ExactColourGivesItsLetter) { EXPECT_EQ(classifyColour(GetParam().colour), GetParam().letter); }

INSTANTIATE_TEST_SUITE_P(
    Legend, ColourLegend,
    ::testing::Values(ColourCase{0x000000, 's'}, ColourCase{0x0000FF, 'r'}, ColourCase{0x0080FF, 'o'},
                      ColourCase{0x00FF00, 'g'}, ColourCase{0x800080, 'l'}, ColourCase{0xFF0000, 'b'},
                      ColourCase{0xFFFFFF, 'w'},
                      // Outside the image.
                      ColourCase{0xFFFFFFFF, 'w'},
                      // Near misses are free space: (254,0,0), (255,128,1), (1,0,0), (0,255,1), (128,0,127).
                      ColourCase{0x0000FE, 'w'}, ColourCase{0x0180FF, 'w'}, ColourCase{0x000001, 'w'},
                      ColourCase{0x01FF00, 'w'}, ColourCase{0x7F0080, 'w'},
                      // Unlisted colours.
                      ColourCase{0x123456, 'w'}, ColourCase{0x808080, 'w'}));

TEST(ColourLegend, EachLetterStandsForTheColourThatGivesIt)
{
    for (const char letter : {'s', 'r', 'o', 'g', 'l', 'b', 'w'}) {
        const std::optional<uint32_t> colour = colourOfLetter(letter);
        ASSERT_TRUE(colour) << letter;
        EXPECT_EQ(classifyColour(*colour), letter);
    }
    EXPECT_EQ(colourOfLetter('\0'), std::nullopt) << "no probe yet";
    EXPECT_EQ(colourOfLetter('x'), std::nullopt);
}

TEST(Farbechecken, ReadsThePixelUnderThePoint)
{
    const Playfield field = fieldFromText({
        "#rog",
        "lb.?",
    });
    EXPECT_EQ(farbechecken(field, 0, 0), 's');
    EXPECT_EQ(farbechecken(field, 15, 0), 'r');
    EXPECT_EQ(farbechecken(field, 30, 0), 'o');
    EXPECT_EQ(farbechecken(field, 45, 0), 'g');
    EXPECT_EQ(farbechecken(field, 0, 15), 'l');
    EXPECT_EQ(farbechecken(field, 15, 15), 'b');
    EXPECT_EQ(farbechecken(field, 30, 15), 'w');
    EXPECT_EQ(farbechecken(field, 45, 15), 'w');
}

struct EdgeCase {
    int32_t x;
    int32_t y;
    char letter;
};

void PrintTo(const EdgeCase& c, std::ostream* os) { *os << "(" << c.x << "," << c.y << ")->" << c.letter; }

class PointsAtTheEdges : public ::testing::TestWithParam<EdgeCase> {};

// A 3 x 2 field of black at 15 twips per pixel: 45 x 30 twips.
TEST_P(PointsAtTheEdges, OutsideTheImageIsFreeSpace)
{
    const Playfield field = fieldFromText({"###", "###"});
    EXPECT_EQ(farbechecken(field, GetParam().x, GetParam().y), GetParam().letter)
        << "x=" << GetParam().x << " y=" << GetParam().y;
}

INSTANTIATE_TEST_SUITE_P(FifteenTwipsPerPixel, PointsAtTheEdges,
                         ::testing::Values(EdgeCase{-8, 0, 'w'}, // column -1
                                           EdgeCase{-7, 0, 's'}, // still column 0
                                           EdgeCase{0, -8, 'w'}, // row -1
                                           EdgeCase{0, -7, 's'}, // row 0
                                           EdgeCase{37, 0, 's'}, // 2.47: column 2
                                           EdgeCase{38, 0, 'w'}, // 2.53: column 3, beyond the right edge
                                           EdgeCase{0, 22, 's'}, // row 1
                                           EdgeCase{0, 23, 'w'}, // row 2, beyond the bottom edge
                                           EdgeCase{std::numeric_limits<int32_t>::max(), 0, 'w'},
                                           EdgeCase{std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::min(), 'w'}));

TEST(Farbechecken, HalfPixelsRoundToTheEvenColumn)
{
    // At 12 twips per pixel, 6 twips is column 0.5 and 18 twips is 1.5.
    const Playfield field = fieldFromText(
        {
            "#rob",
            "#rob",
            "lg#r",
            "....",
        },
        12.0f);
    EXPECT_EQ(farbechecken(field, 6, 0), 's');   // 0.5 -> 0
    EXPECT_EQ(farbechecken(field, 18, 0), 'o');  // 1.5 -> 2
    EXPECT_EQ(farbechecken(field, 30, 0), 'o');  // 2.5 -> 2
    EXPECT_EQ(farbechecken(field, 42, 0), 'w');  // 3.5 -> 4, outside
    EXPECT_EQ(farbechecken(field, 0, 18), 'l');  // row 1.5 -> 2
    EXPECT_EQ(farbechecken(field, 0, 30), 'l');  // row 2.5 -> 2
    EXPECT_EQ(farbechecken(field, 0, -6), 's');  // row -0.5 -> 0
    EXPECT_EQ(farbechecken(field, -6, 0), 's');  // column -0.5 -> 0
    EXPECT_EQ(farbechecken(field, -18, 0), 'w'); // column -1.5 -> -2
}

TEST(Farbechecken, FieldsWiderThanSixteenBitsOfTwipsStillClassify)
{
    // 2560 pixels at 15 twips per pixel is 38400 twips.
    Playfield field(2560, 2);
    field.setPixel(2559, 0, 0x0000FF);
    EXPECT_EQ(farbechecken(field, 2559 * 15, 0), 'r');
    EXPECT_EQ(farbechecken(field, 2560 * 15, 0), 'w');
}

TEST(Farbechecken, PointsBeyondTheLookupTablesConvertAlike)
{
    // A million twips per pixel is too wide for the twips-to-pixel tables: every point is
    // converted on its own, with the same rounding.
    Playfield field(3, 1, 1e6f, 1e6f);
    field.setPixel(1, 0, 0x0000FF);
    EXPECT_EQ(farbechecken(field, 499999, 0), 'w');
    EXPECT_EQ(farbechecken(field, 500001, 0), 'r');
    EXPECT_EQ(farbechecken(field, 1500000, 0), 'w'); // 1.5 -> 2
    EXPECT_EQ(farbechecken(field, 1000000, 499999), 'r');
    EXPECT_EQ(farbechecken(field, 1000000, 500000), 'r'); // 0.5 -> 0
    EXPECT_EQ(farbechecken(field, 1000000, 500001), 'w');
}

TEST(Playfield, NewFieldIsWhite)
{
    const Playfield field(3, 2, 12.0f, 15.0f);
    EXPECT_EQ(field.width(), 3);
    EXPECT_EQ(field.height(), 2);
    EXPECT_FLOAT_EQ(field.widthTwips(), 36.0f);
    EXPECT_FLOAT_EQ(field.heightTwips(), 30.0f);
    for (uint32_t pixel : field.pixels())
        EXPECT_EQ(pixel, 0xFFFFFFu);
    EXPECT_EQ(field.pixel(-1, 0), kInvalidColour);
    EXPECT_EQ(field.pixel(3, 0), kInvalidColour);
    EXPECT_EQ(field.pixel(0, 2), kInvalidColour);
}

TEST(Stretch, EnlargingRepeatsPixelsWithoutBlending)
{
    const Picture picture = pictureFromText({"#?", "rg"});
    const Playfield field = Playfield::stretched(picture, 4, 4, 15, 15);
    const std::vector<uint32_t> expected = {
        0x000000, 0x000000, 0x123456, 0x123456, //
        0x000000, 0x000000, 0x123456, 0x123456, //
        0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00, //
        0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00,
    };
    EXPECT_EQ(std::vector<uint32_t>(field.pixels().begin(), field.pixels().end()), expected);
}

TEST(Stretch, ShrinkingTakesThePixelUnderEachCentre)
{
    // Four columns into two: centres at 1 and 3. Three rows into two: centres at 0.75 and 2.25.
    const Picture picture = pictureFromText({
        "#rog",
        "lb.?",
        "gor#",
    });
    const Playfield field = Playfield::stretched(picture, 2, 2, 15, 15);
    const std::string seen = {farbechecken(field, 0, 0), farbechecken(field, 15, 0), farbechecken(field, 0, 15),
                              farbechecken(field, 15, 15)};
    EXPECT_EQ(seen, "rgos");
}

TEST(Stretch, UnevenFactorsMapByPixelCentres)
{
    // 3 columns to 5: source column floor((2dx+1)*3/10) = 0,0,1,2,2.
    const Picture picture = pictureFromText({"#rg"});
    const Playfield field = Playfield::stretched(picture, 5, 1, 15, 15);
    const std::vector<uint32_t> expected = {0x000000, 0x000000, 0x0000FF, 0x00FF00, 0x00FF00};
    EXPECT_EQ(std::vector<uint32_t>(field.pixels().begin(), field.pixels().end()), expected);
}

TEST(Stretch, AlphaBitsOfThePictureAreIgnored)
{
    Picture picture{1, 1, {0xFF0000FFu}};
    const Playfield field = Playfield::stretched(picture, 1, 1, 15, 15);
    EXPECT_EQ(farbechecken(field, 0, 0), 'r');
}

TEST(Stretch, RowsFromTheBottomUpGiveTheSamePlayfieldOnceAllHaveArrived)
{
    // As a bottom-up bitmap delivers them, into a field shrunk on one axis and enlarged on the other.
    const Picture picture = pictureFromText({"#rog", "lb.?", "gor#", "....", "#..#"});
    const Playfield expected = Playfield::stretched(picture, 7, 3, 15, 15);
    Playfield field(7, 3);
    RowStretcher stretcher(picture.width, picture.height, field);
    const std::span<const uint32_t> pixels(picture.pixels);
    for (int y = picture.height - 1; y >= 0; --y) {
        EXPECT_FALSE(stretcher.complete());
        stretcher.row(y, pixels.subspan(static_cast<size_t>(y) * 4, 4));
    }
    EXPECT_TRUE(stretcher.complete());
    EXPECT_TRUE(std::equal(field.pixels().begin(), field.pixels().end(), expected.pixels().begin()));
}

TEST(Stretch, EmptyOrMalformedPictureGivesWhiteField)
{
    const Playfield empty = Playfield::stretched(Picture{}, 2, 2, 15, 15);
    EXPECT_EQ(empty.pixel(1, 1), 0xFFFFFFu);
    const Playfield malformed = Playfield::stretched(Picture{2, 2, {0, 0, 0}}, 2, 2, 15, 15);
    EXPECT_EQ(malformed.pixel(0, 0), 0xFFFFFFu);
    const Playfield none = Playfield::stretched(pictureFromText({"#"}), 0, 0, 15, 15);
    EXPECT_EQ(none.pixels().size(), 0u);
    EXPECT_EQ(farbechecken(none, 0, 0), 'w');
}

} // namespace
} // namespace hopplix
