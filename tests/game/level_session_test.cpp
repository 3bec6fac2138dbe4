// The level session: opening a level folder (each way it can fail), laying it out again, and
// ticks bounded by its client area. Pictures are text art, read by a decoder of the tests' own.

#include "common/Codepage.h"
#include "game/KeyScript.h"
#include "game/LevelSession.h"
#include "level_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hopplix {
namespace {

using test::openLevel;

using test::TextArtDecoder;

class LevelSessionTest : public ::testing::Test {
protected:
    std::filesystem::path level(const std::string& name, const std::vector<std::string>& rows,
                                const std::string& config = {})
    {
        return test::artLevel(folder_.path(), name, rows, config);
    }

    // 20 x 40 pixels drawn 1:1 into a client of 300 x 600 twips; the player is 20% of the
    // client width (the picture is higher than wide): 60 twips.
    std::filesystem::path smallLevel(const std::string& start = {})
    {
        return level("small", openLevel(20, 40, 20),
                     "[Spieler]\nGr\xF6\xDF"
                     "e=20%\n"
                         + start);
    }
    static Viewport fixedClient()
    {
        Viewport viewport;
        viewport.clientWidthPx = 20;
        viewport.clientHeightPx = 40;
        return viewport;
    }

    test::TempFolder folder_;
    TextArtDecoder decoder_;
    LevelSession session_{decoder_};
    PlayState play_;
};

TEST_F(LevelSessionTest, LoadedLevelPlacesThePlayerAtItsStartAndKeepsSpeedAndLeapFlag)
{
    play_.beschleunigung = -70;
    play_.stehend = kTrue;
    const LoadResult result = session_.load(smallLevel("[Startposition]\nx=10\ny=4\n"), fixedClient(), play_);
    ASSERT_EQ(result.status, LoadStatus::Loaded);
    EXPECT_TRUE(session_.isOpen());
    EXPECT_FLOAT_EQ(session_.layout().client.ScaleHeight, 600);
    EXPECT_EQ(session_.playfield().pixel(5, 20), 0x000000u);
    EXPECT_EQ(session_.playfield().pixel(5, 19), 0xFFFFFFu);
    // PW 529, PH 1058 HIMETRIC: x 10 * (300 / 529 * 1.75) * 15, y 4 * (600 / 1058 * 1.75) * 15.
    EXPECT_EQ(play_.StartX, "148.865784499055");
    EXPECT_EQ(play_.StartY, "59.5463137996219");
    const PlayerShape& player = session_.player();
    EXPECT_FLOAT_EQ(player.Left, 148.865784499055f);
    EXPECT_FLOAT_EQ(player.Top, 59.5463137996219f);
    EXPECT_FLOAT_EQ(player.Width, 60);
    EXPECT_FLOAT_EQ(player.Height, 60);
    EXPECT_EQ(play_.beschleunigung, -70);
    EXPECT_EQ(play_.stehend, kTrue);
}

struct FailureCase {
    const char* what;
    std::function<std::filesystem::path(const std::filesystem::path& root)> makeLevel;
    double twipsPerPixel;
    LoadStatus status;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

std::filesystem::path artLevel(const std::filesystem::path& root, const std::string& art)
{
    std::filesystem::create_directories(root / "bad");
    std::ofstream(root / "bad" / "Level.bmp") << art;
    return root / "bad";
}

// Rows of white art, `width` wide and `height` high (square by default), the middle row replaced
// by `middle` unless it is empty.
std::string squareArt(int width, const std::string& middle, int height = 0)
{
    std::string art;
    for (int y = 0, rows = height > 0 ? height : width; y < rows; ++y)
        art += (y == rows / 2 && !middle.empty() ? middle : std::string(static_cast<size_t>(width), '.')) + "\n";
    return art;
}

class LevelSessionFailure : public LevelSessionTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LevelSessionFailure, LeavesNothingOpenAndThePlayStateAsItWas)
{
    ASSERT_EQ(session_.load(smallLevel("[Startposition]\nx=10\n"), fixedClient(), play_).status, LoadStatus::Loaded);
    const PlayState before = play_;
    Viewport viewport;
    viewport.screen.twipsPerPixelX = viewport.screen.twipsPerPixelY = GetParam().twipsPerPixel;
    const LoadResult result = session_.load(GetParam().makeLevel(folder_.path()), viewport, play_);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_FALSE(session_.isOpen());
    EXPECT_EQ(session_.playfield().width(), 0);
    EXPECT_EQ(play_.StartX, before.StartX);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, LevelSessionFailure,
    ::testing::Values(FailureCase{"no picture",
                                  [](const auto& root) {
                                      std::filesystem::create_directories(root / "empty");
                                      return root / "empty";
                                  },
                                  15, LoadStatus::PictureMissing},
                      FailureCase{"a folder named Level.bmp",
                                  [](const auto& root) {
                                      std::filesystem::create_directories(root / "odd" / "Level.bmp");
                                      return root / "odd";
                                  },
                                  15, LoadStatus::PictureMissing},
                      FailureCase{"a picture the decoder refuses",
                                  [](const auto& root) { return artLevel(root, squareArt(32, "...x")); }, 15,
                                  LoadStatus::PictureUnreadable},
                      FailureCase{"a row the decoder left out",
                                  [](const auto& root) { return artLevel(root, squareArt(32, "(left out)")); }, 15,
                                  LoadStatus::PictureUnreadable},
                      // At 5760 dots per inch one pixel is 0.44 HIMETRIC, which rounds to no size at all.
                      FailureCase{"a pixel of no size on the screen",
                                  [](const auto& root) { return artLevel(root, "#\n"); }, 0.25,
                                  LoadStatus::PictureTooSmall},
                      // 400 x 16 pixels: a window of 470 x 19 pixels, too low for a player of a pixel.
                      FailureCase{"a picture too low for its player",
                                  [](const auto& root) { return artLevel(root, squareArt(400, {}, 16)); }, 15,
                                  LoadStatus::PictureTooSmall}));

TEST_F(LevelSessionTest, LayingOutAgainFollowsTheFrameAndPutsThePlayerBackAtItsStart)
{
    // 64 x 48 pixels: a window of 75 x 56 pixels; the automatic player is a twentieth of the
    // client height.
    const auto folder = level("wide", openLevel(64, 48, 40), "[Startposition]\nx=10\n");
    ASSERT_EQ(session_.load(folder, Viewport{}, play_).status, LoadStatus::Loaded);
    EXPECT_FLOAT_EQ(session_.player().Width, 42);
    session_.movePlayerTo(500, 500);

    // A frame of 6 x 25 pixels leaves a client of 69 x 31 pixels.
    Viewport framed;
    framed.frameWidthPx = 6;
    framed.frameHeightPx = 25;
    ASSERT_TRUE(session_.layOut(framed, play_).ok());
    EXPECT_EQ(session_.playfield().width(), 69);
    EXPECT_EQ(session_.playfield().height(), 31);
    EXPECT_FLOAT_EQ(session_.player().Width, 23.25f);
    // 10 * (1035 / 1693 * 1.75) * 15, PW being 1693 HIMETRIC.
    EXPECT_EQ(play_.StartX, "160.476963969285");
    EXPECT_FLOAT_EQ(session_.player().Left, 160.476963969285f);
    EXPECT_FLOAT_EQ(session_.player().Top, 0);

    // A frame that leaves no room, and a picture gone meanwhile (it is read again for every
    // layout): each fails and the level stays as it was laid out.
    Viewport tooSmall;
    tooSmall.frameHeightPx = 40;
    EXPECT_EQ(session_.layOut(tooSmall, play_).status, LoadStatus::PictureTooSmall);
    std::filesystem::remove(levelImagePath(folder));
    EXPECT_EQ(session_.layOut(Viewport{}, play_).status, LoadStatus::PictureUnreadable);
    EXPECT_EQ(session_.playfield().width(), 69);
    EXPECT_EQ(session_.playfield().height(), 31);
    EXPECT_TRUE(session_.isOpen());
}

// Regression: the README's config.ini example put comments after the values, which made x a text
// and started the player at 0.
TEST_F(LevelSessionTest, ReadmeConfigExampleStartsThePlayerWhereItSays)
{
    const std::string readme = test::readFile(HOPPLIX_README);
    const std::size_t begin = readme.find("```ini\n");
    ASSERT_NE(begin, std::string::npos);
    const std::size_t end = readme.find("```", begin + 7);
    ASSERT_NE(end, std::string::npos);
    const std::string example = readme.substr(begin + 7, end - begin - 7);
    const std::optional<std::string> saved = utf8ToWin1252(example); // as the README asks
    ASSERT_TRUE(saved);

    // What it says: the numbers its x= and y= lines start with, and the automatic size.
    std::string promised = "[Startposition]\n";
    std::istringstream lines(example);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("x=") || line.starts_with("y="))
            promised += line.substr(0, 2) + std::to_string(std::stoi(line.substr(2))) + "\n";
    ASSERT_NE(promised.find("x=12"), std::string::npos) << promised;

    ASSERT_TRUE(session_.load(level("promised", openLevel(64, 48), promised), Viewport{}, play_).ok());
    const PlayerShape expected = session_.player();
    ASSERT_TRUE(session_.load(level("readme", openLevel(64, 48), *saved), Viewport{}, play_).ok());
    EXPECT_GT(expected.Left, 0);
    EXPECT_FLOAT_EQ(session_.player().Left, expected.Left);
    EXPECT_FLOAT_EQ(session_.player().Top, expected.Top);
    EXPECT_FLOAT_EQ(session_.player().Width, expected.Width);
}

TEST_F(LevelSessionTest, TicksStopAtTheClientAreasBottomAndRightEdges)
{
    const auto air = level("air", openLevel(20, 40),
                           "[Spieler]\nGr\xF6\xDF"
                           "e=20%\n");
    ASSERT_EQ(session_.load(air, fixedClient(), play_).status, LoadStatus::Loaded);
    session_.movePlayerTo(239, 529);
    HeldKeys keys;
    keys.held = kKeyRight;
    TickHooks hooks{keys, {}, {}, {}};

    // 60 + 529 + 10 = 599 is short of the client height 600: the player sinks 12 twips, and
    // 60 + 239 = 299 short of the width 300 lets it stride.
    session_.tick(play_, hooks);
    EXPECT_FLOAT_EQ(session_.player().Top, 541);
    EXPECT_FLOAT_EQ(session_.player().Left, 274);
    EXPECT_EQ(play_.beschleunigung, 10);

    // 60 + 541 + 20 reaches the bottom: no movement, speed 0; 60 + 274 is past the right edge.
    session_.tick(play_, hooks);
    EXPECT_FLOAT_EQ(session_.player().Top, 541);
    EXPECT_FLOAT_EQ(session_.player().Left, 274);
    EXPECT_EQ(play_.beschleunigung, 0);
}

} // namespace
} // namespace hopplix
