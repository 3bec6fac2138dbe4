#include "game/Layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace hopplix {
namespace {

ScreenMetrics screenOfPixels(int width, int height, double twipsPerPixel = 15)
{
    return ScreenMetrics{width * twipsPerPixel, height * twipsPerPixel, twipsPerPixel, twipsPerPixel};
}

const NumberFormat point{'.', ','};
const NumberFormat comma{',', '.'};

TEST(Himetric, PixelsBecomeHundredthsOfAMillimetre)
{
    EXPECT_EQ(himetricFromPixels(640, 15), 16933);
    EXPECT_EQ(himetricFromPixels(480, 15), 12700);
    EXPECT_EQ(himetricFromPixels(1, 15), 26);
    EXPECT_EQ(himetricFromPixels(12, 15), 318) << "317.5 rounds away from zero";
    EXPECT_EQ(himetricFromPixels(640, 12), 13547) << "120 dots per inch";
    const HimetricSize size = himetricSize(640, 480, screenOfPixels(1280, 1024));
    EXPECT_EQ(size.width, 16933);
    EXPECT_EQ(size.height, 12700);
}

// The worked sizes of a 640 x 480 picture at 96 dots per inch (PW 16933, PH 12700).
TEST(WindowSize, LargeScreenDividesThePictureByOneAndAHalf)
{
    const WindowSize exact = windowSize({16933, 12700}, screenOfPixels(1280, 1024), SizeRounding::Exact).value();
    EXPECT_FLOAT_EQ(exact.Width, 11288.667f);
    EXPECT_FLOAT_EQ(exact.Height, 8466.667f);

    // 752.58 and 564.44 pixels are kept as 753 and 564.
    const WindowSize whole = windowSize({16933, 12700}, screenOfPixels(1280, 1024), SizeRounding::WholePixels).value();
    EXPECT_FLOAT_EQ(whole.Width, 11295);
    EXPECT_FLOAT_EQ(whole.Height, 8460);
}

TEST(WindowSize, SmallScreenFitsTheWidthThenLimitsTheHeight)
{
    // 15110 wide, then 11332.72 high; 10320 is less, so 10320 and 13759.73.
    const WindowSize exact = windowSize({16933, 12700}, screenOfPixels(1024, 768), SizeRounding::Exact).value();
    EXPECT_FLOAT_EQ(exact.Height, 10320);
    EXPECT_FLOAT_EQ(exact.Width, 13759.73f);

    // Whole pixels: 15105 wide (1007 px), the height from that width 11328.97 -> 11325, limited
    // to 10320 (688 px), and the width from that 13759.73 -> 917 px = 13755.
    const WindowSize whole = windowSize({16933, 12700}, screenOfPixels(1024, 768), SizeRounding::WholePixels).value();
    EXPECT_FLOAT_EQ(whole.Height, 10320);
    EXPECT_FLOAT_EQ(whole.Width, 13755);
}

TEST(WindowSize, SmallScreenKeepsTheWidthWhenTheHeightFits)
{
    // A wide, flat picture: 2000 x 300 pixels = 52917 x 7938 HIMETRIC.
    const WindowSize exact = windowSize({52917, 7938}, screenOfPixels(1024, 768), SizeRounding::Exact).value();
    EXPECT_FLOAT_EQ(exact.Width, 15110);
    EXPECT_FLOAT_EQ(exact.Height, static_cast<float>(7938.0 / 52917.0 * 15110.0));
}

TEST(WindowSize, TallPictureOnALargeScreenComparesTheScreenWithThePictureItself)
{
    // 640 x 1000 pixels: PH 26458 exceeds SH 15360, so the height is SH - 1200 and the width
    // follows the picture's proportions; the width is not checked again.
    const WindowSize exact = windowSize({16933, 26458}, screenOfPixels(1280, 1024), SizeRounding::Exact).value();
    EXPECT_FLOAT_EQ(exact.Height, 14160);
    EXPECT_FLOAT_EQ(exact.Width, 9062.3359f);
    // 640 x 600 pixels: PH 15875 is more than SH... but 620 x 580 (PH 15346) is not: PH / 1.5.
    const WindowSize below = windowSize({16404, 15346}, screenOfPixels(1280, 1024), SizeRounding::Exact).value();
    EXPECT_FLOAT_EQ(below.Height, static_cast<float>(15346 / 1.5));
}

TEST(WindowSize, PictureWithoutSizeIsRefused)
{
    EXPECT_FALSE(windowSize({0, 100}, screenOfPixels(1280, 1024), SizeRounding::Exact));
}

TEST(ClientArea, OuterSizeLessTheFrame)
{
    const ScreenMetrics screen = screenOfPixels(1280, 1024);
    const ClientArea whole = clientArea({11295, 8460}, 6, 25, screen, SizeRounding::WholePixels);
    EXPECT_EQ(whole.widthPx, 747);
    EXPECT_EQ(whole.heightPx, 539);
    EXPECT_FLOAT_EQ(whole.ScaleWidth, 11205);
    EXPECT_FLOAT_EQ(whole.ScaleHeight, 8085);

    const ClientArea exact = clientArea({11288.667f, 8466.667f}, 0, 0, screen, SizeRounding::Exact);
    EXPECT_FLOAT_EQ(exact.ScaleWidth, 11288.667f);
    EXPECT_EQ(exact.widthPx, 753);
    EXPECT_EQ(exact.heightPx, 564);

    const ClientArea none = clientArea({30, 30}, 10, 10, screen, SizeRounding::WholePixels);
    EXPECT_EQ(none.widthPx, 0);
    EXPECT_FLOAT_EQ(none.ScaleHeight, 0);
}

// ---- player size -------------------------------------------------------------------------

struct SizeCase {
    const char* groesse;
    HimetricSize picture;
    float side;
};

void PrintTo(const SizeCase& c, std::ostream* os)
{
    *os << '"' << c.groesse << "\" " << c.picture.width << "x" << c.picture.height;
}

class PlayerSize : public ::testing::TestWithParam<SizeCase> {};

// A client area of 800 x 600 pixels: 12000 x 9000 twips.
TEST_P(PlayerSize, FollowsGroesse)
{
    const ClientArea client = clientAreaOfPixels(800, 600, screenOfPixels(1280, 1024));
    EXPECT_FLOAT_EQ(playerSide(GetParam().groesse, GetParam().picture, client, point), GetParam().side);
}

constexpr HimetricSize wide{16933, 12700};
constexpr HimetricSize tall{12700, 16933};
constexpr HimetricSize square{12700, 12700};

INSTANTIATE_TEST_SUITE_P(Values, PlayerSize,
                         ::testing::Values(SizeCase{"", wide, 450}, // automatic: client height / 20
                                           SizeCase{"auto", wide, 450}, SizeCase{"AUTO", wide, 450},
                                           SizeCase{"Auto", wide, 450},
                                           SizeCase{"auto", tall, 600},   // automatic: client width / 20
                                           SizeCase{"auto", square, 600}, // a square picture uses the width
                                           SizeCase{"25%", wide, 2250}, SizeCase{"25%", tall, 3000},
                                           SizeCase{"25%", square, 3000}, SizeCase{"25", wide, 450}, // no percent sign
                                           SizeCase{"100%", wide, 450}, SizeCase{"150%", wide, 450},
                                           SizeCase{"99.5%", wide, 8955}, SizeCase{"0%", wide, 0},
                                           SizeCase{"abc%", wide, 450}, // not a number
                                           SizeCase{"-5%", wide, 450},  // no negative players
                                           SizeCase{"%", wide, 450}, SizeCase{"auto%", wide, 450}));

TEST(PlayerSize, PercentUsesTheRegionalDecimalSeparator)
{
    const ClientArea client = clientAreaOfPixels(800, 600, screenOfPixels(1280, 1024));
    EXPECT_FLOAT_EQ(playerSide("99,5%", wide, client, comma), 8955);
}

// ---- start position ----------------------------------------------------------------------

TEST(StartPosition, ScalesPicturePixelsWithTheFactorOneSeventyFive)
{
    // Client 753 x 564 pixels on 16933 x 12700 HIMETRIC.
    const ScreenMetrics screen = screenOfPixels(1280, 1024);
    const ClientArea client = clientAreaOfPixels(753, 564, screen);
    const StartPosition start = startPosition("100", "-20", wide, client, screen, point).value();
    // 100 * (11295 / 16933 * 1.75) * 15 = 1750.98181066556..., kept to 15 digits.
    EXPECT_EQ(start.StartX, "1750.98181066556");
    EXPECT_FLOAT_EQ(start.Left, 1750.98181066556f);
    // -20 * (8460 / 12700 * 1.75) * 15 = -349.724409448819
    EXPECT_EQ(start.StartY, "-349.724409448819");
    EXPECT_FLOAT_EQ(start.Top, -349.724409448819f);
}

TEST(StartPosition, MissingOrInvalidCoordinatesAreZero)
{
    const ScreenMetrics screen = screenOfPixels(1280, 1024);
    const ClientArea client = clientAreaOfPixels(753, 564, screen);
    for (const char* text : {"", "abc", "12px"}) {
        const StartPosition start = startPosition(text, text, wide, client, screen, point).value();
        EXPECT_EQ(start.StartX, "0") << text;
        EXPECT_EQ(start.StartY, "0") << text;
        EXPECT_EQ(start.Left, 0.0f);
    }
}

TEST(StartPosition, UsesTheRegionalNumberFormatBothWays)
{
    const ScreenMetrics screen = screenOfPixels(1280, 1024);
    const ClientArea client = clientAreaOfPixels(753, 564, screen);
    const StartPosition start = startPosition("100", "0,5", wide, client, screen, comma).value();
    EXPECT_EQ(start.StartX, "1750,98181066556");
    EXPECT_FLOAT_EQ(start.Left, 1750.98181066556f);
    EXPECT_FLOAT_EQ(start.Top, static_cast<float>(0.5 * (8460.0 / 12700 * 1.75) * 15));
}

TEST(StartPosition, AbsurdCoordinatesStayFinite)
{
    const ScreenMetrics screen = screenOfPixels(1280, 1024);
    const ClientArea client = clientAreaOfPixels(753, 564, screen);
    const StartPosition start = startPosition("1e300", "-1e300", wide, client, screen, point).value();
    EXPECT_TRUE(std::isfinite(start.Left));
    EXPECT_GT(start.Left, 1e8f);
    EXPECT_LT(start.Top, -1e8f);
}

// ---- a level folder --------------------------------------------------------------------------

class LevelFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path()
                 / ("hopplix-layout-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
                    + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void writeConfig(const std::string& bytes) { std::ofstream(levelConfigPath(folder), std::ios::binary) << bytes; }

    LayoutRequest request() const
    {
        LayoutRequest r;
        r.pictureWidthPx = 640;
        r.pictureHeightPx = 480;
        r.screen = screenOfPixels(1280, 1024);
        r.format = point;
        return r;
    }

    std::filesystem::path folder;
};

TEST_F(LevelFolder, WithoutConfigThePlayerIsAutomaticAtTheCorner)
{
    const LevelLayout layout = loadLevelLayout(folder, request()).layout.value();
    EXPECT_FLOAT_EQ(layout.window.Width, 11295);
    EXPECT_FLOAT_EQ(layout.window.Height, 8460);
    EXPECT_EQ(layout.client.widthPx, 753);
    EXPECT_EQ(layout.client.heightPx, 564);
    EXPECT_FLOAT_EQ(layout.playerSide, 8460.0f / 20);
    EXPECT_EQ(layout.start.StartX, "0");
    EXPECT_EQ(layout.start.StartY, "0");
}

TEST_F(LevelFolder, SettingsInWindows1252MatchWithoutRegardToCase)
{
    writeConfig("[SPIELER]\r\nGr\xF6\xDF"
                "e=25%\r\n[startposition]\r\nX=100\r\n");
    const LevelSettings settings = loadLevelSettings(levelConfigPath(folder));
    EXPECT_EQ(settings.Groesse, "25%");
    EXPECT_EQ(settings.x, "100");
    EXPECT_EQ(settings.y, "") << "x without y starts at y = 0";

    const LevelLayout layout = loadLevelLayout(folder, request()).layout.value();
    EXPECT_FLOAT_EQ(layout.playerSide, 8460.0f / 4);
    EXPECT_EQ(layout.start.StartX, "1750.98181066556");
    EXPECT_EQ(layout.start.StartY, "0");
}

TEST_F(LevelFolder, KeySavedInUtf8DoesNotMatchAndTheSizeIsAutomatic)
{
    writeConfig("[Spieler]\nGr\xC3\xB6\xC3\x9F"
                "e=25%\n");
    const LevelLayout layout = loadLevelLayout(folder, request()).layout.value();
    EXPECT_FLOAT_EQ(layout.playerSide, 8460.0f / 20);
}

TEST_F(LevelFolder, FixedClientSkipsTheWindowSizing)
{
    writeConfig("[Spieler]\nGr\xF6\xDF"
                "e=10%\n[Startposition]\nx=64\ny=48\n");
    LayoutRequest r = request();
    r.clientWidthPx = 640;
    r.clientHeightPx = 480;
    r.frameWidthPx = 2;
    r.frameHeightPx = 20;
    const LevelLayout layout = loadLevelLayout(folder, r).layout.value();
    EXPECT_EQ(layout.client.widthPx, 640);
    EXPECT_FLOAT_EQ(layout.client.ScaleHeight, 7200);
    EXPECT_FLOAT_EQ(layout.window.Width, 9630);
    EXPECT_FLOAT_EQ(layout.window.Height, 7500);
    EXPECT_FLOAT_EQ(layout.playerSide, 720);
    // 64 * (9600 / 16933 * 1.75) * 15 = 952.459...: a little short of the exact 960.
    EXPECT_NEAR(layout.start.Left, 952.46f, 0.01f);

    PlayState state;
    state.beschleunigung = -70;
    state.stehend = kTrue;
    PlayerShape shape;
    placePlayer(layout, state, shape);
    EXPECT_EQ(state.StartX, layout.start.StartX);
    EXPECT_FLOAT_EQ(shape.Width, 720);
    EXPECT_FLOAT_EQ(shape.Height, 720);
    EXPECT_FLOAT_EQ(shape.Left, layout.start.Left);
    EXPECT_FLOAT_EQ(shape.Top, layout.start.Top);
    EXPECT_EQ(state.beschleunigung, -70) << "the next level starts with what the last one left";
    EXPECT_EQ(state.stehend, kTrue);
}

TEST_F(LevelFolder, EmptyPictureIsRefused)
{
    LayoutRequest r = request();
    r.pictureWidthPx = 0;
    EXPECT_FALSE(loadLevelLayout(folder, r).ok());
}

} // namespace
} // namespace hopplix
