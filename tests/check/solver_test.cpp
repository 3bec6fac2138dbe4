// The solver on small painted levels: a route it finds plays to the goal in a session of its
// own, a level without a route ends the search within its bounds, and so does a full memory.

#include "art_level.h"
#include "check/RoutePicture.h"
#include "check/Solver.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace hopplix::check {
namespace {

using test::artLevel;
using test::pixelForPixel;

class SolverTest : public ::testing::Test {
protected:
    // Opens the level in `session`, as a level's first tick finds it.
    void open(LevelSession& session, const std::vector<std::string>& rows, const std::string& config)
    {
        play_ = PlayState{};
        ASSERT_EQ(session.load(artLevel(root_.path(), "level", rows, config), pixelForPixel(rows), play_).status,
                  LoadStatus::Loaded);
    }

    test::TempFolder root_;
    test::TextArtDecoder decoder_;
    PlayState play_;
};

// A wall between the start and the goal, to be leapt.
const std::vector<std::string> kWallToLeap = {
    "..............................", "..............................", "..............................",
    "...........................ggg", "...............#...........ggg", "...............#...........ggg",
    "..............................", "##############################",
};

TEST_F(SolverTest, RouteReachesTheGoalInItsLastTick)
{
    LevelSession searched(decoder_);
    open(searched, kWallToLeap,
         "[Spieler]\nGr\xF6\xDF"
         "e=25%\n[Startposition]\ny=3\n");
    const SolveResult result = solve(searched, play_);
    ASSERT_EQ(result.outcome, SolveOutcome::Solved);
    EXPECT_EQ(searched.player().Left, 0.0f) << "the player is back at its start";

    LevelSession replayed(decoder_);
    open(replayed, kWallToLeap,
         "[Spieler]\nGr\xF6\xDF"
         "e=25%\n[Startposition]\ny=3\n");
    HeldKeys keys;
    TickHooks hooks{keys, {}, {}, {}};
    for (size_t n = 0; n < result.route.size(); ++n) {
        keys.held = result.route[n];
        EXPECT_EQ(replayed.tick(play_, hooks).goal, n + 1 == result.route.size()) << "tick " << n + 1;
    }
}

// FNV-1a over the picture's bytes: the stored picture below is kept as its size and this sum.
std::uint64_t fingerprint(const RgbImage& image)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::uint8_t b : image.rgb)
        h = (h ^ b) * 0x100000001b3ull;
    return h;
}

TEST_F(SolverTest, RoutePictureMatchesTheStoredOne)
{
    LevelSession session(decoder_);
    open(session, kWallToLeap,
         "[Spieler]\nGr\xF6\xDF"
         "e=25%\n[Startposition]\ny=3\n");
    const SolveResult result = solve(session, play_);
    ASSERT_EQ(result.outcome, SolveOutcome::Solved);
    const RgbImage image = drawRoute(session, play_, result.route);
    std::string error;
    if (const char* keep = std::getenv("HOPPLIX_KEEP_ROUTE_PICTURE")) // to look at it after a change
        writePng(image, keep, error);
    EXPECT_EQ(image.width, 90);
    EXPECT_EQ(image.height, 24);
    EXPECT_EQ(fingerprint(image), 16472825768804755922ull)
        << "the route picture changed: look at it (HOPPLIX_KEEP_ROUTE_PICTURE=FILE.png) before storing its sum";
    EXPECT_EQ(session.player().Left, 0.0f) << "the player is back at its start";
    if (!canWritePng())
        GTEST_SKIP() << "this build writes no PNG";
    const auto file = root_.path() / "route.png";
    ASSERT_TRUE(writePng(image, file, error)) << error;
    std::ifstream in(file, std::ios::binary);
    std::string signature(8, '\0');
    in.read(signature.data(), 8);
    EXPECT_EQ(signature, std::string("\x89PNG\r\n\x1a\n", 8));
}

// The goal walled in thicker than a stride can carry the player into a wall.
const std::vector<std::string> kSealedGoal = {
    "....................#########", "....................#########", "....................#########",
    "....................###ggg###", "....................#########", "....................#########",
    "....................#########", ".............................", ".............................",
    "#############################",
};

TEST_F(SolverTest, SealedGoalEndsTheSearchWithNoRoute)
{
    LevelSession session(decoder_);
    open(session, kSealedGoal,
         "[Spieler]\nGr\xF6\xDF"
         "e=25%\n");
    const SolveResult result = solve(session, play_);
    EXPECT_EQ(result.outcome, SolveOutcome::NoRoute);
    EXPECT_TRUE(result.route.empty());
}

TEST_F(SolverTest, FullMemoryEndsTheSearch)
{
    LevelSession session(decoder_);
    open(session, kSealedGoal,
         "[Spieler]\nGr\xF6\xDF"
         "e=25%\n");
    SolveLimits limits;
    limits.maxBytes = 32 << 10;
    limits.prove = false; // the proof settles this level without a search
    const SolveResult result = solve(session, play_, limits);
    EXPECT_EQ(result.outcome, SolveOutcome::OutOfMemory);
    EXPECT_GT(result.states, 0u);
}

} // namespace
} // namespace hopplix::check
