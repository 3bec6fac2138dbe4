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

const std::string kQuarter = "[Spieler]\nGr\xF6\xDF"
                             "e=25%\n";

struct Verdict {
    const char* name;
    std::vector<std::string> rows;
    std::string config;
    bool proven;
    const char* proof = "even ignoring gravity";
};

// Two shelves with `gap` pixels of air between them and red far below: the goal on the right
// one, the start on the left.
std::vector<std::string> shelves(int gap)
{
    const int width = 120 + gap;
    std::vector<std::string> rows(150, std::string(static_cast<size_t>(width), '.'));
    for (int y = 100; y < 103; ++y)
        for (int x = 0; x < width; ++x)
            if (x < 60 || x >= 60 + gap)
                rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = '#';
    for (int y = 95; y < 100; ++y)
        for (int x = width - 20; x < width; ++x)
            rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = 'g';
    rows.back() = std::string(static_cast<size_t>(width), 'r');
    return rows;
}

// A floor and, `height` pixels above it, a shelf with the goal on it and no wall to climb to it.
std::vector<std::string> shelfAbove(int height)
{
    std::vector<std::string> rows(static_cast<size_t>(height + 100), std::string(100, '.'));
    for (int x = 30; x < 70; ++x) {
        for (int y = 55; y < 60; ++y)
            rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = 'g';
        for (int y = 60; y < 63; ++y)
            rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = '#';
    }
    for (int y = height + 60; y < height + 63; ++y)
        rows[static_cast<size_t>(y)] = std::string(100, '#');
    return rows;
}

// Ledges of ground on red cliffs, 400 pixels apart, the pit open below; the room's top and
// floor out of reach of a jump from them.
std::vector<std::string> wideGap()
{
    std::vector<std::string> rows(430, std::string(700, '.'));
    for (size_t y = 240; y < rows.size(); ++y)
        for (size_t x = 0; x < 700; ++x)
            if (x < 100 || x >= 500)
                rows[y][x] = y < 250 ? '#' : 'r';
    rows[239][699] = 'g';
    return rows;
}

const std::string kShelfPlayer = "[Spieler]\nGr\xF6\xDF"
                                 "e=10%\n[Startposition]\nx=10\ny=80\n";

// Walls a few pixels thick, away from the top edge: flying above the picture is one of the
// things the proof allows.
const std::vector<Verdict> kVerdicts = {
    {"GoalSealedInThickWalls",
     {"..............................", "..............................", "..............................",
      "..................###########.", "..................###########.", "..................###ggggg###.",
      "..................###ggggg###.", "..................###########.", "..................###########.",
      "..............................", "..............................", "##############################"},
     kQuarter,
     true},
    {"GoalBehindAWallToLeap",
     {"..............................", "..............................", "..............................",
      "...........................ggg", "...............#...........ggg", "...............#...........ggg",
      "..............................", "##############################"},
     kQuarter + "[Startposition]\ny=3\n",
     false},
    {"GoalOnTheFloor",
     {"....................", "....................", "....................", "....................",
      "..................gg", "####################"},
     kQuarter,
     false},
    {"GoalInABoxUpToTheTopEdge",
     {"..................###ggggg###.", "..................###ggggg###.", "..................###ggggg###.",
      "..................###########.", "..................###########.", "..............................",
      "..............................", "..............................", "..............................",
      "..............................", "..............................", "##############################"},
     kQuarter,
     true,
     "no jump, climb or launch"},
    {"GoalAboveAnyLeap", shelfAbove(200), kShelfPlayer, true, "no jump, climb or launch"},
    {"GoalWithinALeap", shelfAbove(90), kShelfPlayer, false},
    {"GapToLeap", shelves(40), kShelfPlayer, false},
    {"GapWide", wideGap(),
     "[Spieler]\nGr\xF6\xDF"
     "e=5%\n[Startposition]\nx=10\ny=200\n",
     true, "beyond every jump"},
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
    const std::optional<std::string> proof = proveNoRoute(session, play);
    EXPECT_EQ(proof.has_value(), v.proven);
    if (proof) {
        EXPECT_NE(proof->find(v.proof), std::string::npos) << *proof;
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
    config = "[Spieler]\nGr\xF6\xDF"
             "e="
             + std::to_string(pick(25) + 10) + "%\n[Startposition]\nx=" + std::to_string(pick(width))
             + "\ny=" + std::to_string(pick(height - 2)) + "\n";
    return rows;
}

// Two ledges and a pit between them, in a room whose top and floor are beyond any jump, on a
// screen of 60 twips a pixel: the gap from a step to far more than a jump, the cliffs ground or
// red, the pit red or open below, the goal at the far end.
std::vector<std::string> randomGap(std::mt19937& random, std::string& config)
{
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int left = 10 + pick(30);
    const int gap = 3 + pick(120);
    const int width = left + gap + 10 + pick(30);
    const int height = 150;
    std::vector<std::string> rows(static_cast<size_t>(height), std::string(static_cast<size_t>(width), '.'));
    const char cliff = "#r"[pick(2)];
    const std::array<int, 2> tops{height - 40 - pick(20), height - 40 - pick(20)};
    for (int x = 0; x < width; ++x) {
        const bool inGap = x >= left && x < left + gap;
        const int top = tops[x < left ? 0 : 1];
        for (int y = inGap ? height - 1 : top; y < height; ++y)
            rows[static_cast<size_t>(y)][static_cast<size_t>(x)] =
                inGap ? "r."[pick(2) == 0 ? 0 : 1] : (y == top ? '#' : cliff);
    }
    rows[static_cast<size_t>(tops[1] - 1)][static_cast<size_t>(width - 1)] = 'g';
    config = "[Spieler]\nGr\xF6\xDF"
             "e="
             + std::to_string(pick(6) + 4) + "%\n[Startposition]\nx=1\ny=" + std::to_string(tops[0] - 20) + "\n";
    return rows;
}

// Regression guard for the proofs' soundness: a route the exact search finds is never denied.
TEST(ProofSoundness, NeverDeniesARouteTheSearchFinds)
{
    std::mt19937 random(20);
    test::TempFolder root;
    test::TextArtDecoder decoder;
    int proven = 0;
    int flights = 0;
    int jumps = 0;
    int solved = 0;
    for (int n = 0; n < 330; ++n) {
        std::string config;
        const bool gaps = n >= 250;
        const std::vector<std::string> rows = gaps ? randomGap(random, config) : randomLevel(random, config);
        Viewport viewport = pixelForPixel(rows);
        if (gaps)
            viewport.screen.twipsPerPixelX = viewport.screen.twipsPerPixelY = 60;
        LevelSession session(decoder);
        PlayState play;
        ASSERT_TRUE(
            session.load(artLevel(root.path(), "level" + std::to_string(n), rows, config), viewport, play).ok());
        const std::optional<std::string> proof = proveNoRoute(session, play);
        const bool denied = proof.has_value();
        flights += denied && proof->find("no jump") != std::string::npos;
        jumps += denied && proof->find("beyond every jump") != std::string::npos;
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
            EXPECT_NE(exact.outcome, SolveOutcome::Solved) << *proof << "\n" << config << art;
        }
    }
    // Every proof and both verdicts are met, or the comparison proves nothing.
    EXPECT_GT(proven, 5);
    EXPECT_GT(flights, 2) << "of " << proven;
    EXPECT_GT(jumps, 2) << "of " << proven;
    EXPECT_GT(solved, 5);
}

} // namespace
} // namespace hopplix::check
