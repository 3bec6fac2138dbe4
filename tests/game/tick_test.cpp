#include "game/Engine.h"
#include "level_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace hopplix {
namespace {

using test::fieldFromText;
using test::letters;
using test::openLevel;

// Keys held for a whole tick; every reading is recorded.
class RecordingKeys : public KeyState {
public:
    std::set<int> held;
    std::vector<int> readings;
    bool GetAsyncKeyState(int virtualKey) override
    {
        readings.push_back(virtualKey);
        return held.count(virtualKey) != 0;
    }
};

// One level in play: the playfield, the play state, the player, and the window around them.
struct Game {
    explicit Game(const std::vector<std::string>& rows, PlayerShape player = {150, 240, 60, 60})
        : field(fieldFromText(rows)), shape(player)
    {}

    TickResult tick()
    {
        TickHooks hooks{keys, processEvents, [this] { ++beeps; }, [this] { ++debugRefreshes; }};
        return hopplix::tick(state, shape, field, field.heightTwips(), field.widthTwips(), hooks);
    }

    Playfield field;
    PlayState state;
    PlayerShape shape;
    RecordingKeys keys;
    std::function<bool()> processEvents;
    int beeps = 0;
    int debugRefreshes = 0;
};

// 20 x 40 pixels of air with black ground in row 20 (from 292.5 twips down).
std::vector<std::string> flatGround(char ground = '#') { return openLevel(20, 40, 20, ground); }

TEST(Tick, FlatGroundBouncesInANineTickCycle)
{
    Game game(flatGround()); // the player's bottom edge rests on the ground at 300
    const std::vector<float> tops = {198, 166, 144, 132, 134, 146, 168, 200, 234,
                                     192, 160, 138, 126, 128, 140, 162, 194, 234};
    const std::vector<int> speeds = {-40, -30, -20, -10, 0, 10, 20, 30, 40};
    for (size_t i = 0; i < tops.size(); ++i) {
        const TickResult result = game.tick();
        EXPECT_FALSE(result.died || result.goal || result.windowClosed);
        EXPECT_FLOAT_EQ(game.shape.Top, tops[i]) << "tick " << i + 1;
        EXPECT_EQ(game.state.beschleunigung, speeds[i % 9]) << "tick " << i + 1;
        EXPECT_EQ(game.state.stehend, kTrue) << "tick " << i + 1;
        EXPECT_FLOAT_EQ(game.shape.Left, 150) << "the two step nudges cancel on flat ground";
    }
    // The landing tick leaves the letters of the ground under the bottom edge.
    EXPECT_EQ(letters(game.state.punktfarbe), "wwwwsssw");
    EXPECT_EQ(game.debugRefreshes, 18);
}

TEST(Tick, SpaceOnTheGroundLeaps)
{
    Game game(flatGround());
    game.keys.held = {vk::Space};
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, -110);
    EXPECT_EQ(game.state.stehend, kFalse);
    EXPECT_FLOAT_EQ(game.shape.Top, 198) << "this tick still rose with the bounce";
    game.keys.held.clear();
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, -100);
    EXPECT_FLOAT_EQ(game.shape.Top, 96) << "rose 102 twips";
}

TEST(Tick, HoldingSpaceWithoutTheLeapFlagGlides)
{
    Game game(openLevel(20, 40), PlayerShape{150, 100, 60, 60});
    game.keys.held = {vk::Space};
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, 3) << "gravity 10, glide -7";
    EXPECT_FLOAT_EQ(game.shape.Top, 112);
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, 6);
    EXPECT_FLOAT_EQ(game.shape.Top, 112 + 14) << "moved with 13: 7 passes";
}

TEST(Tick, ReadsTheKeysSixTimesInTheirOrder)
{
    const std::vector<int> order = {vk::Left, vk::Right, vk::Right, vk::Left, vk::Space, vk::Space};
    for (const std::set<int>& held : {std::set<int>{}, std::set<int>{vk::Left, vk::Right, vk::Space}}) {
        Game game(flatGround());
        game.keys.held = held;
        game.tick();
        EXPECT_EQ(game.keys.readings, order);
    }
    // Against a wall, with the rules' other conditions failing, the readings are the same.
    auto rows = flatGround();
    for (auto& row : rows)
        row[14] = '#';
    Game walled(rows);
    walled.tick();
    EXPECT_EQ(walled.keys.readings, order);
}

TEST(Tick, RedProbeReturnsPlayerToStart)
{
    Game game(flatGround('r'));
    game.state.StartX = "30";
    game.state.StartY = "150";
    game.state.beschleunigung = 40;
    const TickResult result = game.tick();
    EXPECT_TRUE(result.died);
    EXPECT_FALSE(result.goal);
    EXPECT_FLOAT_EQ(game.shape.Left, 30);
    // The surface rules saw the red floor under the place of death and bounced (-50, then
    // gravity): the rise starts from the start position.
    EXPECT_EQ(game.state.beschleunigung, -40);
    EXPECT_EQ(game.state.stehend, kTrue);
    EXPECT_FLOAT_EQ(game.shape.Top, 150 - 42);
    EXPECT_EQ(letters(game.state.punktfarbe), "wwwwwwww");
}

TEST(Tick, DeathWithFractionalStartUsesTheStartText)
{
    Game game(flatGround('r'));
    game.state.StartX = "1750.96";
    game.state.StartY = "-20";
    game.tick();
    EXPECT_FLOAT_EQ(game.shape.Left, 1750.96f);
    // Above the playfield the speed is forced to 10 whatever the red floor's bounce set.
    EXPECT_EQ(game.state.beschleunigung, 10);
    EXPECT_FLOAT_EQ(game.shape.Top, -20 + 12);
}

TEST(Tick, AboveThePlayfieldTheSpeedIsForcedDown)
{
    Game game(openLevel(20, 40), PlayerShape{150, -1, 60, 60});
    game.state.beschleunigung = -100;
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, 10);
    EXPECT_FLOAT_EQ(game.shape.Top, 11);
}

TEST(Tick, ReachingTheBottomEdgeStopsTheMovement)
{
    // 20 rows: the client is 300 twips high. 60 + 230 + 10 reaches it.
    Game game(openLevel(20, 20), PlayerShape{150, 230, 60, 60});
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, 0);
    EXPECT_FLOAT_EQ(game.shape.Top, 230);

    Game above(openLevel(20, 20), PlayerShape{150, 229, 60, 60});
    above.tick();
    EXPECT_EQ(above.state.beschleunigung, 10);
    EXPECT_FLOAT_EQ(above.shape.Top, 241) << "one twip higher it still moves";

    Game gliding(openLevel(20, 20), PlayerShape{150, 230, 60, 60});
    gliding.keys.held = {vk::Space};
    gliding.tick();
    EXPECT_EQ(gliding.state.beschleunigung, -7) << "Space still acts after the edge rule";
}

struct StrideCase {
    const char* what;
    float left;
    std::set<int> keys;
    float leftAfter;
};

void PrintTo(const StrideCase& c, std::ostream* os) { *os << c.what; }

class Strides : public ::testing::TestWithParam<StrideCase> {};

TEST_P(Strides, MoveWholeThirtyFiveTwips)
{
    Game game(openLevel(40, 40), PlayerShape{GetParam().left, 100, 60, 60}); // 600 twips wide
    game.keys.held = GetParam().keys;
    game.tick();
    EXPECT_FLOAT_EQ(game.shape.Left, GetParam().leftAfter) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Keys, Strides,
                         ::testing::Values(StrideCase{"left at 0 does nothing", 0, {vk::Left}, 0},
                                           StrideCase{"left at 10 goes past the edge", 10, {vk::Left}, -25},
                                           StrideCase{"right", 100, {vk::Right}, 135},
                                           StrideCase{"left and right cancel", 100, {vk::Left, vk::Right}, 100},
                                           StrideCase{"right just inside the edge", 539, {vk::Right}, 574},
                                           StrideCase{"right at the edge", 540, {vk::Right}, 540},
                                           StrideCase{"no key", 100, {}, 100}));

TEST(Tick, WallsStopStrides)
{
    auto rows = openLevel(40, 40);
    for (auto& row : rows) {
        row[5] = '#';  // left of the player
        row[14] = '#'; // under its right edge at L = 150
    }
    Game game(rows, PlayerShape{150, 100, 60, 60});
    game.keys.held = {vk::Right};
    game.tick();
    EXPECT_FLOAT_EQ(game.shape.Left, 150);

    // The wall touches the left edge up to the head: no climb, no stride, the player slides down.
    Game left(rows, PlayerShape{75, 100, 60, 60});
    left.keys.held = {vk::Left};
    left.tick();
    EXPECT_FLOAT_EQ(left.shape.Left, 75);
    EXPECT_EQ(left.state.beschleunigung, 10);
    EXPECT_FLOAT_EQ(left.shape.Top, 112);
}

TEST(Tick, GreenReachedByAFallEndsTheLevelWithOneBeep)
{
    Game game(flatGround('g'), PlayerShape{150, 200, 60, 60});
    game.state.beschleunigung = 30;
    const TickResult result = game.tick();
    EXPECT_TRUE(result.goal);
    EXPECT_EQ(game.beeps, 1);
    EXPECT_EQ(game.debugRefreshes, 0) << "the debug window closes with the game window";
    EXPECT_FLOAT_EQ(game.shape.Top, 234);
}

TEST(Tick, GreenUnderTheBounceIsNoGroundButStillAGoal)
{
    // Standing on green: the step rules bounce (green blocks), the rise leaves green behind,
    // and the goal test sees the letters after the movement.
    Game game(flatGround('g'));
    const TickResult result = game.tick();
    EXPECT_FALSE(result.goal);
    EXPECT_EQ(game.state.beschleunigung, -40);
}

TEST(Tick, GreenReachedByAStrideIsSeenAtTheNextTick)
{
    auto rows = openLevel(40, 40);
    for (auto& row : rows)
        row[20] = 'g';
    Game game(rows, PlayerShape{200, 100, 60, 60});
    game.keys.held = {vk::Right};
    EXPECT_FALSE(game.tick().goal);
    EXPECT_FLOAT_EQ(game.shape.Left, 235);
    game.keys.held.clear();
    EXPECT_TRUE(game.tick().goal);
    EXPECT_EQ(game.beeps, 1);
}

TEST(Tick, ClosingTheWindowBeforeTheProbeEndsTheTickAtOnce)
{
    Game game(flatGround());
    game.state.punktfarbe.fill('x');
    game.processEvents = [] { return false; };
    const TickResult result = game.tick();
    EXPECT_TRUE(result.windowClosed);
    EXPECT_TRUE(game.keys.readings.empty());
    EXPECT_FLOAT_EQ(game.shape.Top, 240);
    EXPECT_EQ(letters(game.state.punktfarbe), "xxxxxxxx");
    EXPECT_EQ(game.debugRefreshes, 0);
}

TEST(Tick, ClosingTheWindowMidTickSkipsGravityMovementAndStrides)
{
    Game game(flatGround());
    int calls = 0;
    game.processEvents = [&] { return ++calls < 2; };
    const TickResult result = game.tick();
    EXPECT_TRUE(result.windowClosed);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(game.keys.readings, (std::vector<int>{vk::Left, vk::Right}));
    EXPECT_EQ(game.state.beschleunigung, -50) << "the ground rule ran, gravity did not";
    EXPECT_FLOAT_EQ(game.shape.Top, 240);
}

TEST(Tick, ResetByAKeyHandlerMidTickIsWhatTheRestOfTheTickSees)
{
    Game game(flatGround());
    int calls = 0;
    game.processEvents = [&] {
        if (++calls == 2) { // R pressed: top-left corner, speed 0
            game.shape.Left = 0;
            game.shape.Top = 0;
            game.state.beschleunigung = 0;
        }
        return true;
    };
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, 10);
    EXPECT_FLOAT_EQ(game.shape.Top, 12);
    EXPECT_FLOAT_EQ(game.shape.Left, 0);
    EXPECT_EQ(game.state.stehend, kTrue) << "the reset leaves the leap flag";
}

// ---- the surface rules, one probe picture per row -------------------------------------------

struct SurfaceCase {
    const char* what;
    const char* probes; // letters of probes 1..8
    std::set<int> keys;
    int16_t speedBefore;
    int16_t flagBefore;
    int16_t speedAfter; // before gravity (tick step 16)
    int16_t flagAfter;
    float nudge;
};

void PrintTo(const SurfaceCase& c, std::ostream* os) { *os << c.what; }

class SurfaceRules : public ::testing::TestWithParam<SurfaceCase> {};

// A 600-twip player at (600, 300) probes pixels (40|60|80, 20|40|60) of a 100 x 100 field.
Playfield fieldWithProbeLetters(const char* probes)
{
    static constexpr int column[8] = {40, 60, 80, 80, 80, 60, 40, 40};
    static constexpr int row[8] = {20, 20, 20, 40, 60, 60, 60, 40};
    Playfield field(100, 100);
    for (int k = 0; k < 8; ++k)
        field.setPixel(column[k], row[k], colourOfLetter(probes[k]).value());
    return field;
}

TEST_P(SurfaceRules, SetSpeedLeapFlagAndNudge)
{
    const SurfaceCase& c = GetParam();
    Playfield field = fieldWithProbeLetters(c.probes);
    PlayState state;
    state.beschleunigung = c.speedBefore;
    state.stehend = c.flagBefore;
    PlayerShape shape{600, 300, 600, 600};
    RecordingKeys keys;
    keys.held = c.keys;
    std::optional<int16_t> speed;
    std::optional<int16_t> flag;
    float left = 0;
    int calls = 0;
    TickHooks hooks{keys,
                    [&] {
                        if (++calls < 2)
                            return true;
                        speed = state.beschleunigung;
                        flag = state.stehend;
                        left = shape.Left;
                        return false;
                    },
                    {},
                    {}};
    tick(state, shape, field, field.heightTwips(), field.widthTwips(), hooks);
    EXPECT_EQ(letters(state.punktfarbe), c.probes);
    EXPECT_EQ(speed, c.speedAfter);
    EXPECT_EQ(flag, c.flagAfter);
    EXPECT_FLOAT_EQ(left, 600 + c.nudge);
}

constexpr int16_t T = kTrue;
constexpr int16_t F = kFalse;
const std::set<int> none;
const std::set<int> left{vk::Left};
const std::set<int> right{vk::Right};

INSTANTIATE_TEST_SUITE_P(
    Table, SurfaceRules,
    ::testing::Values(
        SurfaceCase{"open air changes nothing", "wwwwwwww", none, 30, F, 30, F, 0},
        SurfaceCase{"black under the centre bounces", "wwwwwsww", none, 30, F, -50, T, 0},
        SurfaceCase{"head contact stops and forbids leaping", "swwwwwww", none, -30, T, 0, F, 0},
        SurfaceCase{"pressing left at a ledge climbs", "wwwwwwws", left, 0, F, -20, F, 0},
        SurfaceCase{"pressing right at a ledge climbs", "wwwswwww", right, 0, F, -20, F, 0},
        SurfaceCase{"pressing away from the ledge does not", "wwwwwwws", right, 0, F, 0, F, 0},
        SurfaceCase{"a ledge that reaches the head is no climb", "wswwwwws", left, 30, T, 0, F, 0},
        SurfaceCase{"step on the right", "wwwwswww", none, 0, F, -50, T, 0},
        SurfaceCase{"step on the right against a left wall nudges right", "wwwwswws", none, 0, F, -50, T, 3},
        SurfaceCase{"step on the left against a right wall nudges left", "wwwswwsw", none, 0, F, -50, T, -3},
        SurfaceCase{"blue bottom-left corner forbids leaping", "wwwwwwbw", none, 0, T, -50, F, 0},
        SurfaceCase{"blue bottom-right corner forbids leaping", "wwwwbwww", none, 0, T, -50, F, 0},
        SurfaceCase{"a corner under a wall is no step but footing", "wwwsswww", none, 30, F, 30, T, 0},
        SurfaceCase{"orange at the side lifts", "wwwwwwwo", none, 30, F, -50, F, 0},
        SurfaceCase{"orange lifts past a top-left block by the second rule", "swwwwwwo", none, 30, T, -50, F, 0},
        SurfaceCase{"orange on the right lifts past a top-right block", "wwsowwww", none, 30, T, -50, F, 0},
        SurfaceCase{"orange does not lift under a centre block", "wswowwww", none, 30, T, 0, F, 0},
        SurfaceCase{"launch pad under the centre", "wwwwwlww", none, 30, T, -150, F, 0},
        SurfaceCase{"launch pad under a corner", "wwwwlwww", none, 30, F, -150, F, 0},
        SurfaceCase{"launch pad under a blocked head", "wswwwlww", none, 30, T, 0, F, 0},
        SurfaceCase{"blue wall on the left pulls down", "wwwwwwwb", none, -20, T, 30, F, 0},
        SurfaceCase{"blue wall on the right pulls down", "wwwbwwww", none, 100, T, 150, F, 0},
        SurfaceCase{"blue walls on both sides pull twice", "wwwbwwwb", none, 0, F, 100, F, 0},
        SurfaceCase{"blue wall while standing does not pull", "wwwwwswb", none, 0, F, -50, T, 0},
        SurfaceCase{"green under the centre is no ground", "wwwwwgww", none, 30, F, 30, F, 0},
        SurfaceCase{"an unlisted colour is air", "wwwwwwww", none, 30, T, 30, T, 0},
        SurfaceCase{"no-grip push at the 16-bit limit clamps", "wwwbwwwb", none, 32767, F, 32767, F, 0}));

struct ClampCase {
    int16_t value;
    int delta;
    int16_t sum;
};

void PrintTo(const ClampCase& c, std::ostream* os) { *os << c.value << "+" << c.delta; }

class SixteenBitSpeed : public ::testing::TestWithParam<ClampCase> {};

TEST_P(SixteenBitSpeed, ClampsAtTheLimits)
{
    EXPECT_EQ(addClamped(GetParam().value, GetParam().delta), GetParam().sum);
}

INSTANTIATE_TEST_SUITE_P(Sums, SixteenBitSpeed,
                         ::testing::Values(ClampCase{0, 50, 50}, ClampCase{-150, 10, -140}, ClampCase{32760, 10, 32767},
                                           ClampCase{32767, 50, 32767}, ClampCase{-32768, -7, -32768},
                                           ClampCase{-32765, -7, -32768}, ClampCase{-32768, 10, -32758}));

TEST(Tick, ExtremeSpeedFromAKeyHandlerNeitherWrapsNorCrashes)
{
    Game game(openLevel(20, 40), PlayerShape{150, 100, 60, 60});
    int calls = 0;
    game.processEvents = [&] {
        if (++calls == 2)
            game.state.beschleunigung = std::numeric_limits<int16_t>::max();
        return true;
    };
    game.tick();
    EXPECT_EQ(game.state.beschleunigung, 0) << "clamped to 32767, then stopped by the bottom edge";
    EXPECT_FLOAT_EQ(game.shape.Top, 100);
}

} // namespace
} // namespace hopplix
