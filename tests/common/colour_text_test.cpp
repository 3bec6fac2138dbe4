#include "common/ColourText.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace hopplix {
namespace {

struct ColourText {
    Rgb colour;
    const char* text;
};

void PrintTo(const ColourText& c, std::ostream* os)
{
    *os << '(' << int(c.colour.red) << ',' << int(c.colour.green) << ',' << int(c.colour.blue) << ")=" << c.text;
}

class PlayerColourText : public ::testing::TestWithParam<ColourText> {};

TEST_P(PlayerColourText, IsTheColourValueInDecimalDigits)
{
    EXPECT_EQ(colourValueText(GetParam().colour), GetParam().text);
    EXPECT_EQ(colourOfValueText(GetParam().text), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Colours, PlayerColourText,
                         ::testing::Values(ColourText{{255, 0, 0}, "255"}, ColourText{{0, 255, 0}, "65280"},
                                           ColourText{{0, 0, 255}, "16711680"}, ColourText{{0, 0, 0}, "0"},
                                           ColourText{{255, 255, 255}, "16777215"}, ColourText{{10, 20, 30}, "1971210"},
                                           ColourText{{255, 128, 0}, "33023"}));

TEST(PlayerColourText, TextsThatNameNoColourAreRejected)
{
    for (const char* text : {"", " ", "-1", "+5", "16777216", "4294967296", "12a", "1,5", "0x10", "rot"})
        EXPECT_EQ(colourOfValueText(text), std::nullopt) << text;
}

TEST(PlayerColourText, BlanksAroundTheDigitsAreAllowed) { EXPECT_EQ(colourOfValueText(" 255 "), (Rgb{255, 0, 0})); }

} // namespace
} // namespace hopplix
