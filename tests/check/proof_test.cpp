// Proofs of "no route": painted levels with the verdict each must get, and the proof against
// the exact search on random small levels, where it must never deny a route the search finds.

#include "art_level.h"
#include "check/Proof.h"
#include "check/Solver.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace hopplix::check {
namespace {

using test::artLevel;
using test::pixelForPixel;

const std::string kQuarter = "[Spieler]\nGr\xF6\xDF" "e=25%\n";

struct Verdict {
    const char* name;
    std::vector<std::string> rows;
    std::string config;
    bool proven;
};

// Walls a few pixels thick, away from the top edge: flying above the picture is one of the
// things the proof allows.
const std::vector<Verdict> kVerdicts = {
    {"GoalSealedInThickWalls",
     {"..............................", "..............................", "..............................",
      "..................###########.", "..................###########.", "..................###ggggg###.",
      "..................###ggggg###.", "..................###########.", "..................###########.",
      "..............................", "..............................", "##############################"},
     kQuarter, true},
    {"GoalBehindAWallToLeap",
     {"..............................", "..............................", "..............................",
      "...........................ggg", "...............#...........ggg", "...............#...........ggg",
      "..............................", "##############################"},
     kQuarter + "[Startposition]\ny=3\n", false},
    {"GoalOnTheFloor",
     {"....................", "....................", "....................", "....................",
      "..................gg", "####################"},
     kQuarter, false},
};

class ProofTest : public ::testing::TestWithParam<Verdict> {};

TEST_P(ProofTest, VerdictAndItsProof)
{
    const Verdict& v = GetParam();
    test::TempFolder root;
    test::TextArtDecoder decoder;
    LevelSession session(decoder);
    PlayState play;
    ASSERT_TRUE(session.load(artLevel(root.path(), "level", v.rows, v.config), pixelForPixel(v.rows), play).ok());
    const std::optional<std::string> proof = proveNoRoute(session);
    EXPECT_EQ(proof.has_value(), v.proven);
    if (proof) {
        EXPECT_NE(proof->find("even ignoring gravity"), std::string::npos) << *proof;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, ProofTest, ::testing::ValuesIn(kVerdicts),
                         [](const auto& level) { return std::string(level.param.name); });

// Random rooms: blocks of every colour, a goal, a start somewhere; small enough that the exact
// search ends.
std::vector<std::string> randomLevel(std::mt19937& random, std::string& config)
{
    const int width = 24;
    const int height = 12;
    std::vector<std::string> rows(static_cast<size_t>(height), std::string(static_cast<size_t>(width), '.'));
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string colours = "######rolb.";
    for (int n = pick(7) + 2; n > 0; --n) {
        const char colour = colours[static_cast<size_t>(pick(static_cast<int>(colours.size())))];
        const int x = pick(width);
        const int y = pick(height);
        const int w = pick(8) + 1;
        const int h = pick(6) + 1;
        for (int yy = y; yy < std::min(height, y + h); ++yy)
            for (int xx = x; xx < std::min(width, x + w); ++xx)
                rows[static_cast<size_t>(yy)][static_cast<size_t>(xx)] = colour;
    }
    const int gx = pick(width - 1);
    const int gy = pick(height - 1);
    // Often a box around the goal, with walls of 1 to 3 pixels and maybe a door.
    if (pick(2) == 0) {
        const int t = pick(3) + 1;
        for (int yy = std::max(0, gy - t); yy <= std::min(height - 1, gy + t); ++yy)
            for (int xx = std::max(0, gx - t); xx <= std::min(width - 1, gx + t); ++xx)
                rows[static_cast<size_t>(yy)][static_cast<size_t>(xx)] = '#';
        if (pick(3) == 0)
            rows[static_cast<size_t>(gy)][static_cast<size_t>(std::min(width - 1, gx + t))] = '.';
    }
    rows[static_cast<size_t>(gy)][static_cast<size_t>(gx)] = 'g';
    rows[static_cast<size_t>(height - 1)] = std::string(static_cast<size_t>(width), '#');
    config = "[Spieler]\nGr\xF6\xDF" "e=" + std::to_string(pick(25) + 10) + "%\n[Startposition]\nx=" +
             std::to_string(pick(width)) + "\ny=" + std::to_string(pick(height - 2)) + "\n";
    return rows;
}

// Regression guard for the proof's soundness: a route the exact search finds is never denied.
TEST(ProofSoundness, NeverDeniesARouteTheSearchFinds)
{
    std::mt19937 random(20);
    test::TempFolder root;
    test::TextArtDecoder decoder;
    int proven = 0;
    int solved = 0;
    for (int n = 0; n < 100; ++n) {
        std::string config;
        const std::vector<std::string> rows = randomLevel(random, config);
        LevelSession session(decoder);
        PlayState play;
        ASSERT_TRUE(
            session.load(artLevel(root.path(), "level" + std::to_string(n), rows, config), pixelForPixel(rows), play)
                .ok());
        const bool denied = proveNoRoute(session).has_value();
        SolveLimits limits;
        limits.maxTicks = 1000;
        limits.maxBytes = std::size_t{8} << 20;
        limits.prove = false;
        const SolveResult exact = solve(session, play, limits);
        proven += denied;
        solved += exact.outcome == SolveOutcome::Solved;
        if (denied) {
            std::string art;
            for (const std::string& row : rows)
                art += row + '\n';
            EXPECT_NE(exact.outcome, SolveOutcome::Solved) << config << art;
        }
    }
    // Both verdicts are met, or the comparison proves nothing.
    EXPECT_GT(proven, 5);
    EXPECT_GT(solved, 5);
}

} // namespace
} // namespace hopplix::check
