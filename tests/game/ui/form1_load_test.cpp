// Opening a level: the window's size from the picture, the player's size, start and colour,
// the playfield, and the messages for a missing or unreadable picture.

#include "game_fixture.h"

#include <string_view>

namespace hopplix::test {
namespace {

using test::openLevel;

// 64 x 48 pixels at 96 dpi on the 1280 x 1024 test screen: 1693 x 1270 HIMETRIC, a window of
// 1128.67 x 846.67 twips, kept as 75 x 56 pixels outside; the client area is that less the
// frame the window system puts around it.
constexpr int kWideOuterWidthPx = 75;
constexpr int kWideOuterHeightPx = 56;

std::string config(const std::string& groesse, const std::string& x = {}, const std::string& y = {})
{
    std::string text = "[Spieler]\r\n" + kGroesse1252 + "=" + groesse + "\r\n[Startposition]\r\n";
    if (!x.empty())
        text += "x=" + x + "\r\n";
    if (!y.empty())
        text += "y=" + y + "\r\n";
    return text;
}

// Bytes of a 24-bit bitmap header for a picture of the given size, without pixel data.
std::string bitmapHeader(int32_t width, int32_t height, uint32_t dataBytes)
{
    std::string bytes;
    auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes += "BM";
    put(54 + dataBytes, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(dataBytes, 4);
    put(3780, 4);
    put(3780, 4);
    put(0, 4);
    put(0, 4);
    return bytes;
}

TEST_F(GameWindowTest, WindowIsCalledHopplixAndItsTimerTicksEvery20MillisecondsFromTheMomentItExists)
{
    writeLevel("Wald", openLevel(64, 48, 40));
    launcher().levelpfad = "Wald";
    game().Load();
    ASSERT_NE(game().Timer1(), nullptr);
    EXPECT_EQ(game().window()->caption(), "Hopplix");
    EXPECT_EQ(game().Timer1()->interval(), 20);
    EXPECT_TRUE(game().Timer1()->isEnabled());
    EXPECT_EQ(headless::dueAt(*game().Timer1()), windows().now() + 20);
}

TEST_F(GameWindowTest, WindowSizeFollowsThePictureAndThePlayfieldCoversTheClientArea)
{
    writeLevel("Wald", openLevel(64, 48, 40));
    Form1& form = open("Wald");
    ASSERT_TRUE(form.isLoaded());
    const PixelSize frame = form.frameExtraPixels();
    const PixelSize client{kWideOuterWidthPx - frame.width, kWideOuterHeightPx - frame.height};
    EXPECT_EQ(form.window()->clientSize(), client);
    EXPECT_DOUBLE_EQ(form.outerWidthTwips(), 1125.0);
    EXPECT_DOUBLE_EQ(form.outerHeightTwips(), 840.0);
    EXPECT_EQ(form.Picture1()->geometry(), (PixelRect{0, 0, client.width, client.height}));
    EXPECT_EQ(form.playfield().width(), client.width);
    EXPECT_EQ(form.playfield().height(), client.height);
    EXPECT_FLOAT_EQ(form.layout().client.ScaleHeight, static_cast<float>(client.height * 15));
}

TEST_F(GameWindowTest, LargePictureIsFittedToTheScreen)
{
    // 2000 x 1000 pixels is wider than the 19200-twip screen in HIMETRIC (52917): width 18950.
    writeLevelPicture("Weit", plainPicture(2000, 1000));
    Form1& form = open("Weit");
    ASSERT_TRUE(form.isLoaded());
    EXPECT_DOUBLE_EQ(form.outerWidthTwips(), 1263 * 15.0); // 18950 / 15 = 1263.3 pixels
    EXPECT_DOUBLE_EQ(form.outerHeightTwips(), 631 * 15.0); // 26458 / 52917 * 18945 = 9472.3 twips
    EXPECT_EQ(form.window()->clientSize().width + form.frameExtraPixels().width, 1263);
    EXPECT_EQ(form.window()->clientSize().height + form.frameExtraPixels().height, 631);
}

TEST_F(GameWindowTest, LevelLoadedAfterTheScreenChangedIsFittedToTheNewScreen)
{
    // Regression: the screen was read once per run, so the next level was sized for the old one.
    writeLevelPicture("Weit", plainPicture(2000, 1000));
    const auto outerWidthPx = [this] { return game().window()->clientSize().width + game().frameExtraPixels().width; };
    open("Weit");
    EXPECT_EQ(outerWidthPx(), 1263); // (19200 - 250) / 15 on a 1280 x 1024 screen
    game().Unload();
    platform.screen = ScreenMetrics{1024 * 15.0, 768 * 15.0, 15.0, 15.0};
    open("Weit");
    EXPECT_EQ(outerWidthPx(), 1007); // (15360 - 250) / 15
}

TEST_F(GameWindowTest, PlayfieldShowsThePictureStretchedWithExactColours)
{
    // Left half green, right half orange, bottom quarter black: stretched without blending.
    std::vector<std::string> rows(48, std::string(32, 'g') + std::string(32, 'o'));
    for (int y = 36; y < 48; ++y)
        rows[static_cast<size_t>(y)] = std::string(64, '#');
    writeLevel("Farben", rows);
    Form1& form = open("Farben");
    ASSERT_TRUE(form.isLoaded());
    EXPECT_EQ(form.playfield().pixel(5, 5), 0x00FF00u);
    EXPECT_EQ(form.playfield().pixel(70, 5), 0x0080FFu);
    EXPECT_EQ(form.playfield().pixel(40, 50), 0x000000u);
}

struct SizeCase {
    const char* name;
    int widthPx;
    int heightPx;
    std::string groesse; // empty: no config.ini at all
    double share;        // of the base length
};

class PlayerSizeTest : public GameWindowTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(PlayerSizeTest, PlayerSideFollowsGroesse)
{
    const SizeCase& c = GetParam();
    writeLevel("Level", openLevel(c.widthPx, c.heightPx), c.groesse.empty() ? std::string() : config(c.groesse));
    Form1& form = open("Level");
    ASSERT_TRUE(form.isLoaded());
    // The outer sizes are 75 x 56, 56 x 75 and 56 x 56 pixels; less the 2-pixel frame on each
    // side, the base length (the client height for the wide picture, the
    // width for the others) is 52 pixels, 780 twips, each time.
    const auto side = static_cast<float>(c.share * 780.0);
    EXPECT_FLOAT_EQ(form.Shape1().Width, side);
    EXPECT_FLOAT_EQ(form.Shape1().Height, side); // always a square
    EXPECT_EQ(form.Picture1()->playerRect().width, form.pxX(side));
    EXPECT_EQ(form.Picture1()->playerRect().height, form.pxY(side));
}

INSTANTIATE_TEST_SUITE_P(
    Groesse, PlayerSizeTest,
    ::testing::Values(SizeCase{"NoConfig", 64, 48, "", 0.05}, SizeCase{"auto", 64, 48, "auto", 0.05},
                      SizeCase{"AUTO", 64, 48, "AUTO", 0.05}, SizeCase{"Auto", 64, 48, "Auto", 0.05},
                      SizeCase{"Empty", 64, 48, "\r\n", 0.05}, SizeCase{"Percent25", 64, 48, "25%", 0.25},
                      SizeCase{"NoPercentSign", 64, 48, "25", 0.05}, SizeCase{"Percent100", 64, 48, "100%", 0.05},
                      SizeCase{"Percent150", 64, 48, "150%", 0.05}, SizeCase{"Percent0", 64, 48, "0%", 0.0},
                      SizeCase{"Fraction", 64, 48, "99.5%", 0.995}, SizeCase{"TallPercent25", 48, 64, "25%", 0.25},
                      SizeCase{"SquarePercent25", 48, 48, "25%", 0.25}),
    [](const ::testing::TestParamInfo<SizeCase>& param) { return std::string(param.param.name); });

TEST_F(GameWindowTest, StartCoordinateThatIsNoNumberIsZeroAndANegativeOneIsKept)
{
    writeLevel("Start", openLevel(64, 48), config("auto", "abc", "-20"));
    Form1& form = open("Start");
    ASSERT_TRUE(form.isLoaded());
    EXPECT_EQ(form.play.StartX, "0");
    EXPECT_FLOAT_EQ(form.Shape1().Left, 0.0f);
    // -20 pixels * (ScaleHeight / PH * 1.75) * 15 twips per pixel: partly above the playfield.
    const double expected = -20.0 * (double{form.layout().client.ScaleHeight} / 1270.0 * 1.75) * 15.0;
    EXPECT_NEAR(std::stod(form.play.StartY), expected, 1e-9);
    EXPECT_FLOAT_EQ(form.Shape1().Top, static_cast<float>(expected));
    EXPECT_LT(form.Picture1()->playerRect().y, 0);
}

TEST_F(GameWindowTest, PlayerTakesTheLauncherColour)
{
    writeLevel("Wald", openLevel(64, 48));
    Form1& form = open("Wald", "16711680");
    ASSERT_TRUE(form.isLoaded());
    EXPECT_EQ(form.shape1FillColour(), 0xFF0000u);
    EXPECT_EQ(form.Picture1()->playerColour(), 0xFF0000u);
    EXPECT_TRUE(form.Picture1()->playerVisible());
}

TEST_F(GameWindowTest, PlayerStaysRedWhenNoColourWasHandedOver)
{
    writeLevel("Wald", openLevel(64, 48));
    Form1& form = open("Wald", "");
    ASSERT_TRUE(form.isLoaded());
    EXPECT_EQ(form.shape1FillColour(), 255u);
    EXPECT_EQ(form.Picture1()->playerColour(), 0x0000FFu);
}

TEST_F(GameWindowTest, SecondLevelStartsWithTheSpeedAndLeapFlagTheFirstLeft)
{
    writeLevel("Eins", openLevel(64, 48, 47));
    writeLevel("Zwei", openLevel(64, 48), config("auto", "10", "5"));
    Form1& form = open("Eins");
    ASSERT_TRUE(form.isLoaded());
    // Bounce on the ground until the player is on its way up with the right to leap.
    for (int i = 0; i < 400 && !(form.play.beschleunigung < 0 && form.play.stehend == kTrue); ++i)
        form.Timer1_Timer();
    ASSERT_LT(form.play.beschleunigung, 0);
    const int16_t speed = form.play.beschleunigung;
    const Punktfarbe letters = form.play.punktfarbe;

    platform.messages.answerNext(mb::vbYes);
    pressEscape();
    ASSERT_FALSE(form.isLoaded());

    open("Zwei");
    ASSERT_TRUE(form.isLoaded());
    EXPECT_EQ(form.play.beschleunigung, speed);
    EXPECT_EQ(form.play.stehend, kTrue);
    EXPECT_EQ(form.play.punktfarbe, letters);
    EXPECT_NE(form.play.StartX, "0"); // rewritten for the new level
}

TEST_F(GameWindowTest, MissingPictureShowsOneMessageAndReturnsToTheLauncher)
{
    std::filesystem::create_directories(levelFolder("Leer"));
    open("Leer");
    expectLoadFailure("Error: Level.bmp wurde nicht gefunden!");
}

TEST_F(GameWindowTest, LevelBmpThatIsAFolderCountsAsMissing)
{
    std::filesystem::create_directories(levelFolder("Ordner") / "Level.bmp");
    open("Ordner");
    expectLoadFailure(Form1::kMissingPictureText);
}

struct UnreadableCase {
    const char* name;
    std::string bytes;
    const char* reason; // the message's second line
};

class UnreadablePictureTest : public GameWindowTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadablePictureTest, ShowsTheReasonAndReturnsToTheLauncher)
{
    writeFile(levelFolder("Kaputt") / "Level.bmp", GetParam().bytes);
    open("Kaputt");
    expectLoadFailure(std::string("Error: Level.bmp konnte nicht gelesen werden!\n") + GetParam().reason);
}

const char* const kNoPicture = "Die Datei ist weder eine Windows-Bitmap noch ein PNG-, GIF- oder JPEG-Bild.";

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadablePictureTest,
    ::testing::Values(
        UnreadableCase{"Empty", "", kNoPicture}, UnreadableCase{"Text", "Das ist kein Bild.\r\n", kNoPicture},
        UnreadableCase{"HeaderOnly", bitmapHeader(64, 48, 64 * 48 * 3).substr(0, 30),
                       "Die Datei endet mitten im Bitmap-Kopf."},
        UnreadableCase{"NoPixels", bitmapHeader(64, 48, 64 * 48 * 3), "Die Datei endet vor ihren Bilddaten."},
        UnreadableCase{"HalfThePixels", bitmapHeader(64, 48, 64 * 48 * 3) + std::string(64 * 24 * 3, '\0'),
                       "Die Datei endet mitten in den Bilddaten."},
        UnreadableCase{"ZeroWidth", bitmapHeader(0, 48, 0), "Das Bild hat keine Breite oder keine Höhe."},
        UnreadableCase{"ZeroHeight", bitmapHeader(64, 0, 0), "Das Bild hat keine Breite oder keine Höhe."},
        UnreadableCase{"Gigantic", bitmapHeader(100000, 100000, 0) + std::string(4096, '\0'),
                       "Das Bild ist größer als 32768 Pixel je Seite oder 268435456 Pixel insgesamt."},
        UnreadableCase{"GarbageAfterMagic", "BM" + std::string(200, '\x7f'),
                       "Diese Art von Bitmap-Kopf wird nicht unterstützt."}),
    [](const ::testing::TestParamInfo<UnreadableCase>& param) { return std::string(param.param.name); });

// Regression: a picture too small for its window was shown as one that could not be read, and
// then without saying what was too small (a wide, flat picture is large).
TEST_F(GameWindowTest, PictureTooSmallForItsWindowSaysSoWithTheSizes)
{
    writeLevelPicture("Flach", plainPicture(4000, 40));
    open("Flach");
    expectLoadFailure("Error: Level.bmp ist zu klein!\nDas Bild hat 4000 x 40 Pixel; auf diesem Bildschirm bekäme "
                      "das Spielfeld nur 1263 x 13 Pixel, es braucht mindestens 20 x 20.");
}

} // namespace
} // namespace hopplix::test
