#include "game/Engine.h"
#include "level_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <ostream>
#include <random>
#include <string>

namespace hopplix {
namespace {

using test::fieldFromText;
using test::letters;
using test::openLevel;

TEST(Probes, SitOnCornersAndEdgeMiddlesClockwise)
{
    const auto points = probePoints(PlayerShape{600, 300, 600, 600});
    const std::array<ProbePoint, 8> expected{
        {{600, 300}, {900, 300}, {1200, 300}, {1200, 600}, {1200, 900}, {900, 900}, {600, 900}, {600, 600}}};
    EXPECT_EQ(points, expected);
}

TEST(Probes, HalvesRoundToTheEvenTwip)
{
    // 601 high at T = 0: the middle probes at 300.5 -> 300.
    auto points = probePoints(PlayerShape{0, 0, 600, 601});
    EXPECT_EQ(points[3].y, 300);
    EXPECT_EQ(points[7].y, 300);
    EXPECT_EQ(points[4].y, 601);
    // 45 wide: the top-centre probe at 22.5 -> 22 for L = 0, at 23.5 -> 24 for L = 1.
    EXPECT_EQ(probePoints(PlayerShape{0, 0, 45, 45})[1].x, 22);
    EXPECT_EQ(probePoints(PlayerShape{1, 0, 45, 45})[1].x, 24);
    // Fractions other than halves round to the nearest twip.
    EXPECT_EQ(probePoints(PlayerShape{0.25f, 0, 45, 45})[1].x, 23);
    EXPECT_EQ(probePoints(PlayerShape{-0.5f, -1.5f, 45, 45})[0], (ProbePoint{0, -2}));
}

TEST(Probes, FarAwayShapesSaturateInsteadOfWrapping)
{
    const auto points = probePoints(PlayerShape{1e20f, -1e20f, 60, 60});
    EXPECT_EQ(points[0].x, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(points[0].y, std::numeric_limits<int32_t>::min());
    Punktfarbe p{};
    kollision(p, PlayerShape{1e20f, -1e20f, 60, 60}, fieldFromText({"##", "##"}));
    EXPECT_EQ(letters(p), "wwwwwwww");
}

TEST(Kollision, StoresTheLetterOfEachProbe)
{
    // 15 twips per pixel; a 30-twip player at (15, 15) probes columns 1..3 and rows 1..3.
    const Playfield field = fieldFromText({
        ".....",
        ".#ro.",
        ".b?g.",
        ".l.#.",
        ".....",
    });
    Punktfarbe p{};
    kollision(p, PlayerShape{15, 15, 30, 30}, field);
    // Probes 1..8: top-left, top-centre, top-right, middle-right, bottom-right, bottom-centre,
    // bottom-left, middle-left.
    EXPECT_EQ(letters(p), "srogswlb");
}

TEST(Kollision, PointsLeftOfThePlayfieldAreFree)
{
    // L = -25: probes 1, 7 and 8 read column -2; the picture's black column 0 is not seen.
    const Playfield field = fieldFromText(openLevel(10, 10, -1, '#'));
    Playfield black = fieldFromText(std::vector<std::string>(10, std::string(10, '#')));
    Punktfarbe p{};
    kollision(p, PlayerShape{-25, 30, 60, 60}, black);
    EXPECT_EQ(p[0], 'w');
    EXPECT_EQ(p[6], 'w');
    EXPECT_EQ(p[7], 'w');
    EXPECT_EQ(p[1], 's');
    EXPECT_EQ(p[2], 's');
    kollision(p, PlayerShape{-25, 30, 60, 60}, field);
    EXPECT_EQ(letters(p), "wwwwwwww");
}

// ---- vertical movement ------------------------------------------------------------------

struct MoveCase {
    int16_t b;
    float topAfter; // from Top = 600 in open air
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << "b=" << c.b; }

class VerticalMovementInOpenAir : public ::testing::TestWithParam<MoveCase> {};

TEST_P(VerticalMovementInOpenAir, MovesTwoTwipsPerPass)
{
    const Playfield field = fieldFromText(openLevel(40, 100));
    PlayState state;
    state.beschleunigung = GetParam().b;
    PlayerShape shape{150, 600, 60, 60};
    beschleunigungsetzen(state, shape, field);
    EXPECT_FLOAT_EQ(shape.Top, GetParam().topAfter);
    EXPECT_EQ(state.beschleunigung, GetParam().b) << "the speed is left as it was";
    EXPECT_EQ(letters(state.punktfarbe), "wwwwwwww");
}

INSTANTIATE_TEST_SUITE_P(Speeds, VerticalMovementInOpenAir,
                         ::testing::Values(MoveCase{-40, 558},  // 21 passes, 42 twips up
                                           MoveCase{-7, 592},   // counter -7,-5,-3,-1: 8 up
                                           MoveCase{-2, 596},   // -2, 0
                                           MoveCase{-1, 598},   //
                                           MoveCase{0, 602},    // zero still sinks one step
                                           MoveCase{1, 602},    //
                                           MoveCase{10, 612},   // 6 passes
                                           MoveCase{-140, 458}, // launch pad after gravity: 71 passes
                                           MoveCase{41, 642})); // 21 passes

// A 60-twip player at L = 150 probes columns 10 (left), 12 (centre) and 14 (right).
std::vector<std::string> levelWithBlackAt(const std::vector<std::pair<int, int>>& columnRow)
{
    auto rows = openLevel(20, 31);
    for (auto [column, row] : columnRow)
        rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = '#';
    return rows;
}

struct RiseCase {
    const char* what;
    std::vector<std::pair<int, int>> black;
    float topAfter;
};

void PrintTo(const RiseCase& c, std::ostream* os) { *os << c.what; }

class RisingUnderObstacles : public ::testing::TestWithParam<RiseCase> {};

TEST_P(RisingUnderObstacles, StopsOnlyAtTheCentreOrBothCorners)
{
    const Playfield field = fieldFromText(levelWithBlackAt(GetParam().black));
    PlayState state;
    state.beschleunigung = -100; // 51 passes, up to 102 twips
    PlayerShape shape{150, 300, 60, 60};
    beschleunigungsetzen(state, shape, field);
    // Row 15 is reached when Top rounds to it: the first even Top below 232.5 is 232.
    EXPECT_FLOAT_EQ(shape.Top, GetParam().topAfter) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Head, RisingUnderObstacles,
                         ::testing::Values(RiseCase{"nothing above", {}, 198},
                                           RiseCase{"left corner only", {{10, 15}}, 198},
                                           RiseCase{"right corner only", {{14, 15}}, 198},
                                           RiseCase{"both corners", {{10, 15}, {14, 15}}, 232},
                                           RiseCase{"centre", {{12, 15}}, 232}));

TEST(VerticalMovement, RisingAboveTheTopStopsWithoutProbing)
{
    const Playfield field = fieldFromText(openLevel(20, 20));
    PlayState state;
    state.beschleunigung = -40;
    state.punktfarbe = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    PlayerShape shape{150, 1, 60, 60};
    beschleunigungsetzen(state, shape, field);
    EXPECT_FLOAT_EQ(shape.Top, -1);
    EXPECT_EQ(letters(state.punktfarbe), "xxxxxxxx");
}

TEST(VerticalMovement, LandsOnAFreeSidedCorner)
{
    for (int column : {14, 10}) {
        const Playfield field = fieldFromText(levelWithBlackAt({{column, 30}}));
        PlayState state;
        state.beschleunigung = 200;
        PlayerShape shape{150, 300, 60, 60};
        beschleunigungsetzen(state, shape, field);
        // Row 30 starts at 442.5 twips: the bottom edge stops at 444.
        EXPECT_FLOAT_EQ(shape.Top, 384) << "corner column " << column;
    }
}

TEST(VerticalMovement, SlidesDownAWallUntilTheCentreTouches)
{
    // A wall on the right blocks probes 3, 4 and 5 all the way down; the floor under the
    // centre is what stops the fall.
    auto rows = openLevel(20, 31);
    for (int row = 0; row < 30; ++row)
        rows[static_cast<size_t>(row)][14] = '#';
    for (int column = 10; column <= 13; ++column)
        rows[30][static_cast<size_t>(column)] = '#';
    PlayState state;
    state.beschleunigung = 200;
    PlayerShape shape{150, 300, 60, 60};
    beschleunigungsetzen(state, shape, fieldFromText(rows));
    EXPECT_FLOAT_EQ(shape.Top, 384);
    // Landed: the wall ends above the floor's row, so probe 5 is free again.
    EXPECT_EQ(letters(state.punktfarbe), "wwsswssw");
}

TEST(VerticalMovement, CornerAgainstAWallDoesNotStopTheFall)
{
    // Left wall (probes 1, 7, 8 blocked) and a pixel under the right corner only.
    auto rows = openLevel(20, 31);
    for (int row = 0; row < 30; ++row)
        rows[static_cast<size_t>(row)][10] = '#';
    rows[30][14] = '#';
    PlayState state;
    state.beschleunigung = 200; // 101 passes
    PlayerShape shape{150, 300, 60, 60};
    beschleunigungsetzen(state, shape, fieldFromText(rows));
    EXPECT_FLOAT_EQ(shape.Top, 502);
}

// ---- goal ---------------------------------------------------------------------------------

class GoalAtAnyProbe : public ::testing::TestWithParam<int> {};

TEST_P(GoalAtAnyProbe, BeepsOnceAndReportsTheGoal)
{
    Punktfarbe p;
    p.fill('s');
    p[static_cast<size_t>(GetParam())] = 'g';
    int beeps = 0;
    EXPECT_TRUE(victorycheck(p, [&] { ++beeps; }));
    EXPECT_EQ(beeps, 1);
}

INSTANTIATE_TEST_SUITE_P(Probes, GoalAtAnyProbe, ::testing::Range(0, 8));

TEST(Goal, NoGreenNoBeep)
{
    Punktfarbe p{'s', 'r', 'o', 'l', 'b', 'w', 'w', 'w'};
    int beeps = 0;
    EXPECT_FALSE(victorycheck(p, [&] { ++beeps; }));
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(victorycheck(Punktfarbe{'g', 'g', 'g', 'g', 'g', 'g', 'g', 'g'}, {})) << "no beeper is fine";
}

} // namespace
} // namespace hopplix

namespace hopplix {
namespace {

// The vertical movement as the rules read: a probe after every 2-twip step.
void movementAsWritten(PlayState& state, PlayerShape& shape, const Playfield& field)
{
    Punktfarbe& p = state.punktfarbe;
    const auto blocked = [&](int k) { return p[static_cast<size_t>(k - 1)] != 'w'; };
    if (state.beschleunigung < 0) {
        for (int counter = state.beschleunigung; counter <= 0; counter += 2) {
            shape.Top = shape.Top - 2.0f;
            if (shape.Top < 0.0f)
                return;
            kollision(p, shape, field);
            if (blocked(2) || (blocked(1) && blocked(3)))
                return;
        }
    } else {
        for (int counter = state.beschleunigung; counter >= 0; counter -= 2) {
            shape.Top = shape.Top + 2.0f;
            kollision(p, shape, field);
            const bool sidesFree = !blocked(4) && !blocked(3) && !blocked(1) && !blocked(8);
            if ((blocked(5) && sidesFree) || (blocked(7) && sidesFree) || blocked(6))
                return;
        }
    }
}

// Regression guard for the movement that looks only at the steps onto another row: on random
// walls, places (fractions, the edges, across powers of two) and speeds it ends where the
// step-by-step movement ends, with the same letters.
TEST(Movement, EndsWhereTheStepByStepMovementEnds)
{
    std::mt19937 random(7);
    const auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    for (int level = 0; level < 40; ++level) {
        const float twipsPerPixel = std::array<float, 4>{15.0f, 12.0f, 10.0f, 7.2f}[static_cast<size_t>(level % 4)];
        Playfield field(90, 70, twipsPerPixel, twipsPerPixel);
        const std::string colours = "srolgb";
        for (int n = 0; n < 25; ++n) {
            const int x = static_cast<int>(uniform(0, 90));
            const int y = static_cast<int>(uniform(0, 70));
            const int w = static_cast<int>(uniform(1, 12));
            const int h = static_cast<int>(uniform(1, 6));
            const uint32_t colour = *colourOfLetter(colours[static_cast<size_t>(uniform(0, 6))]);
            for (int yy = y; yy < std::min(70, y + h); ++yy)
                for (int xx = x; xx < std::min(90, x + w); ++xx)
                    field.setPixel(xx, yy, colour);
        }
        for (int trial = 0; trial < 400; ++trial) {
            PlayerShape shape;
            shape.Width = shape.Height = static_cast<float>(uniform(5, 300));
            shape.Left = static_cast<float>(uniform(-100, 90 * twipsPerPixel));
            const double tops[] = {uniform(-40, 70 * twipsPerPixel), 512.0 - uniform(0, 3), 256.0 + uniform(-3, 3)};
            shape.Top = static_cast<float>(tops[trial % 3]);
            PlayState state;
            state.beschleunigung = static_cast<int16_t>(uniform(-400, 400));
            PlayState expectedState = state;
            PlayerShape expectedShape = shape;
            movementAsWritten(expectedState, expectedShape, field);
            beschleunigungsetzen(state, shape, field);
            ASSERT_EQ(shape.Top, expectedShape.Top) << "level " << level << " trial " << trial;
            ASSERT_EQ(state.punktfarbe, expectedState.punktfarbe) << "level " << level << " trial " << trial;
        }
    }
}

} // namespace
} // namespace hopplix
