// Playing: keys, the mouse on the playfield, the debug window, leaving and winning, and the
// tick's behaviour around events that run in its middle.

#include "game_fixture.h"

#include <functional>

namespace hopplix::test {
namespace {

using test::openLevel;

// Wide 64 x 48 level: a 75 x 56 pixel playfield, player side 42 twips; the ground row of the
// picture lands on playfield row 47.
constexpr int kGroundRow = 40;

std::string startAt(int x, int y)
{
    return "[Startposition]\r\nx=" + std::to_string(x) + "\r\ny=" + std::to_string(y) + "\r\n";
}

std::uint32_t markerFill(Form2& form, int index) { return form.Shape1(index)->fill(); }

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0;

class PlayTest : public GameWindowTest {
protected:
    Form1& openGround(const std::string& colour = "255")
    {
        writeLevel("Wald", openLevel(64, 48, kGroundRow), startAt(10, 5));
        return open("Wald", colour);
    }

    // Ticks until the player stands on the ground (its bottom-centre probe is black).
    void tickUntilLanded()
    {
        for (int i = 0; i < 200 && game().play.probe(6) != 's'; ++i)
            game().Timer1_Timer();
        ASSERT_EQ(game().play.probe(6), 's');
    }
};

TEST_F(PlayTest, DebugKeyShowsTheDebugWindowInThePlayersColourThenClosesIt)
{
    Form1& form = openGround("65280");
    ASSERT_TRUE(form.isLoaded());
    tap(vk::D);
    ASSERT_TRUE(debug().isLoaded());
    EXPECT_TRUE(debug().Visible());
    EXPECT_EQ(debug().window()->caption(), "DebugScreen");
    EXPECT_EQ(debug().Player()->fill(), 0x00FF00u);
    EXPECT_EQ(windows().activeWindow(), form.window()); // further keys reach the game

    tap(vk::D);
    EXPECT_FALSE(debug().isLoaded());
    EXPECT_TRUE(form.isLoaded());
}

TEST_F(PlayTest, DebugWindowLeavesTheFocusWithTheGameButKeepsItWhenThePlayerGivesItThere)
{
    Form1& form = openGround();
    tap(vk::D);
    ASSERT_TRUE(debug().isLoaded());
    EXPECT_EQ(windows().activeWindow(), form.window());
    // Regression: the focus was pulled back every time the debug window got it.
    debug().window()->activate(); // the player's click
    windows().runPending();
    EXPECT_EQ(windows().activeWindow(), debug().window());
}

// A screen-filling level (2000 x 1600 pixels) leaves no room beside the game window.
class DebugPlaceTest : public PlayTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DebugPlaceTest, DebugWindowOpensBesideTheGameWindowOrElseInFrontOfIt)
{
    const bool fillsTheScreen = GetParam();
    writeLevelPicture("Platz", plainPicture(fillsTheScreen ? 2000 : 64, fillsTheScreen ? 1600 : 48));
    Form1& form = open("Platz");
    tap(vk::D);
    ASSERT_TRUE(debug().isLoaded());
    const PixelRect game = form.window()->frameRect();
    const PixelRect shown = debug().window()->frameRect();
    const PixelRect area = windows().availableArea();
    EXPECT_TRUE(shown.x >= area.x && shown.y >= area.y && shown.right() <= area.right()
                && shown.bottom() <= area.bottom());
    const bool overlap =
        shown.x < game.right() && game.x < shown.right() && shown.y < game.bottom() && game.y < shown.bottom();
    EXPECT_EQ(overlap, fillsTheScreen);
}

INSTANTIATE_TEST_SUITE_P(Levels, DebugPlaceTest, ::testing::Bool());

std::int64_t overlap(const PixelRect& a, const PixelRect& b)
{
    const std::int64_t w = std::min(a.right(), b.right()) - std::max(a.x, b.x);
    const std::int64_t h = std::min(a.bottom(), b.bottom()) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

// Regression: on a 1024 x 768 screen the debug window covered the game window's close and
// minimise buttons (and at a scale factor of 2 level 2's goal).
TEST_F(PlayTest, DebugWindowThatFindsNoRoomBesideCoversNoTitleBarAndAsLittleOfTheGameAsItCan)
{
    platform.screen = ScreenMetrics{1024 * 15.0, 768 * 15.0, 15.0, 15.0};
    windows().setScreen(platform.screen, {0, 0, 1024, 768});
    windows().setFrame({4, 24});
    writeLevelPicture("Breit", plainPicture(1000, 600));
    Form1& form = open("Breit");
    tap(vk::D);
    ASSERT_TRUE(debug().isLoaded());
    const PixelRect game = form.window()->frameRect();
    const PixelRect titleBar{game.x, game.y, game.width, form.window()->clientPosition().y - game.y};
    const PixelRect shown = debug().window()->frameRect();
    EXPECT_EQ(overlap(shown, titleBar), 0);
    EXPECT_TRUE(shown.x >= 0 && shown.y >= 0 && shown.right() <= 1024 && shown.bottom() <= 768);
    // No corner of the screen would cover less of the game window.
    for (const PixelPoint corner :
         {PixelPoint{0, 0}, PixelPoint{1024 - shown.width, 0}, PixelPoint{0, 768 - shown.height},
          PixelPoint{1024 - shown.width, 768 - shown.height}})
        EXPECT_LE(overlap(shown, game), overlap({corner.x, corner.y, shown.width, shown.height}, game));
}

TEST_F(PlayTest, DebugWindowIsASmallToolWindowWithEightMarkersAndTheSpeed)
{
    openGround();
    tap(vk::D);
    Window* window = debug().window();
    EXPECT_EQ(window->clientSize(), (PixelSize{261, 248})); // 3915 x 3720 twips
    EXPECT_TRUE(window->showsWithoutActivating());
    EXPECT_EQ(debug().Shape1(0)->geometry(), (PixelRect{32, 16, 40, 40}));
    EXPECT_EQ(debug().Shape1(4)->geometry(), (PixelRect{184, 168, 40, 40}));
    EXPECT_EQ(debug().Player()->geometry(), (PixelRect{48, 32, 160, 160}));
    EXPECT_EQ(debug().Shape1(0)->kind(), Shape::Kind::Circle);
    EXPECT_EQ(debug().Player()->kind(), Shape::Kind::RoundedSquare);
    // Before the first refresh: white markers and the bare caption.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(markerFill(debug(), i), kWhite) << i;
    EXPECT_EQ(debug().Label1()->text(), "Beschleunigung:");
}

TEST_F(PlayTest, DebugMarkersTurnBlackAtTheBottomOnLandingAndWhiteOnTheBounce)
{
    openGround();
    tap(vk::D);
    tickUntilLanded();
    const int incoming = game().play.beschleunigung;
    EXPECT_GT(incoming, 0);
    for (int i = 0; i < 8; ++i) {
        const bool bottom = i == 4 || i == 5 || i == 6;
        EXPECT_EQ(markerFill(debug(), i), bottom ? kBlack : kWhite) << "marker " << i;
    }
    EXPECT_EQ(debug().Label1()->text(), "Beschleunigung: " + std::to_string(incoming));

    game().Timer1_Timer(); // bounces off
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(markerFill(debug(), i), kWhite) << "marker " << i;
    EXPECT_EQ(debug().Label1()->text(), "Beschleunigung: -40");
}

struct MarkerCase {
    char letter;
    std::uint32_t colour;
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.letter; }

class DebugMarkerTest : public PlayTest, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(DebugMarkerTest, MarkerShowsTheColourOfItsProbesLetterAndTheLabelTheSpeed)
{
    openGround();
    tap(vk::D);
    // The letter at one probe at a time, the others white; marker i shows probe i + 1.
    for (int probe = 0; probe < 8; ++probe) {
        game().play.punktfarbe.fill('w');
        game().play.punktfarbe[static_cast<size_t>(probe)] = GetParam().letter;
        game().play.beschleunigung = static_cast<int16_t>(-40 + 10 * probe);
        game().Farbensetzen();
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(markerFill(debug(), i), i == probe ? GetParam().colour : kWhite) << i;
        EXPECT_EQ(debug().Label1()->text(), "Beschleunigung: " + std::to_string(-40 + 10 * probe));
    }
}

INSTANTIATE_TEST_SUITE_P(Legend, DebugMarkerTest,
                         ::testing::Values(MarkerCase{'g', 0x00FF00}, MarkerCase{'s', 0x000000},
                                           MarkerCase{'w', 0xFFFFFF}, MarkerCase{'l', 0x800080},
                                           MarkerCase{'r', 0x0000FF}, MarkerCase{'o', 0x0080FF},
                                           MarkerCase{'b', 0xFF0000}),
                         [](const ::testing::TestParamInfo<MarkerCase>& param) {
                             return std::string(1, param.param.letter);
                         });

TEST_F(PlayTest, HiddenDebugWindowIsNotRefreshedNorLoaded)
{
    openGround();
    ticks(5);
    EXPECT_FALSE(debug().isLoaded());
}

TEST_F(PlayTest, RPutsThePlayerInTheCornerAndStopsIt)
{
    Form1& form = openGround();
    ticks(3);
    ASSERT_NE(form.Shape1().Top, 0.0f);
    const int16_t leap = form.play.stehend;
    tap(vk::R);
    EXPECT_EQ(form.Shape1().Left, 0.0f);
    EXPECT_EQ(form.Shape1().Top, 0.0f);
    EXPECT_EQ(form.play.beschleunigung, 0);
    EXPECT_EQ(form.play.stehend, leap);
    EXPECT_EQ(form.Picture1()->playerRect().x, 0);
    EXPECT_EQ(form.Picture1()->playerRect().y, 0);
}

TEST_F(PlayTest, ShiftAndCtrlDoNotChangeWhatAKeyDoes)
{
    Form1& form = openGround();
    for (const int shift : {1, 2}) {
        form.setShape1Place(300, 300);
        tap(vk::R, shift);
        EXPECT_EQ(form.Shape1().Left, 0.0f);
        EXPECT_EQ(form.Shape1().Top, 0.0f);
    }
    tap(vk::D, 1);
    EXPECT_TRUE(debug().isLoaded() && debug().Visible());
}

TEST_F(PlayTest, EscapeAnsweredNoKeepsTheLevelRunning)
{
    Form1& form = openGround();
    platform.messages.answerNext(mb::vbNo);
    pressEscape();
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].prompt,
              "Wollen sie dieses Level wirklich abbrechen und zur Levelauswahl zurückkehren?");
    EXPECT_EQ(platform.messages.shown[0].style, mb::vbYesNo);
    EXPECT_EQ(platform.messages.shown[0].title, "Sicher!?");
    EXPECT_TRUE(form.isLoaded());
    const float top = form.Shape1().Top;
    ticks(1);
    EXPECT_NE(form.Shape1().Top, top);
}

TEST_F(PlayTest, HeldEscapeAsksOnlyOnce)
{
    // Regression: the key's repeats asked again each time the question was gone.
    ASSERT_TRUE(openGround().isLoaded());
    pressEscape(); // answered No
    for (int i = 0; i < 3; ++i) {
        windows().repeatKey(vk::Escape);
        windows().runPending();
    }
    EXPECT_EQ(platform.messages.shown.size(), 1u);
    pressEscape(); // pressed anew
    EXPECT_EQ(platform.messages.shown.size(), 2u);
}

TEST_F(PlayTest, EscapeAnsweredYesClosesTheLevelAndTheDebugWindowAndShowsTheLauncher)
{
    Form1& form = openGround();
    tap(vk::D);
    platform.messages.answerNext(mb::vbYes);
    pressEscape();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(debug().isLoaded());
    EXPECT_TRUE(launcher().Visible());
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(PlayTest, CloseButtonLeavesWithoutAQuestion)
{
    Form1& form = openGround();
    tap(vk::D);
    headless::requestClose(*form.window());
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(debug().isLoaded());
    EXPECT_TRUE(launcher().Visible());
}

TEST_F(PlayTest, ReachingGreenEndsTheLevelWithOneBeepAndShowsTheLauncher)
{
    writeLevel("Ziel", openLevel(64, 48, kGroundRow, 'g'));
    Form1& form = open("Ziel");
    tap(vk::D);
    ticks(200);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(platform.beeper.beeps, 1);
    EXPECT_FALSE(debug().isLoaded());
    EXPECT_TRUE(launcher().Visible());
}

struct MouseCase {
    const char* name;
    bool j;
    bool k;
    bool moves;
};

class MouseTest : public PlayTest, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(MouseTest, PressOnThePlayfieldMovesThePlayerOnlyWithJAndKHeld)
{
    Form1& form = openGround();
    const PlayerShape before = form.Shape1();
    if (GetParam().j)
        platform.keys.press(vk::J);
    if (GetParam().k)
        platform.keys.press(vk::K);
    platform.keys.queries.clear();
    headless::mouseDown(*form.Picture1(), 2, 0, {30, 20});
    EXPECT_EQ(platform.keys.queries, (std::vector<int>{vk::J, vk::K}));
    if (GetParam().moves) {
        EXPECT_EQ(form.Shape1().Left, 450.0f);
        EXPECT_EQ(form.Shape1().Top, 300.0f);
        EXPECT_EQ(form.Picture1()->playerRect().x, 30);
        EXPECT_EQ(form.Picture1()->playerRect().y, 20);
    } else {
        EXPECT_EQ(form.Shape1().Left, before.Left);
        EXPECT_EQ(form.Shape1().Top, before.Top);
    }
    EXPECT_EQ(form.play.beschleunigung, 0); // speed untouched (none yet)
}

INSTANTIATE_TEST_SUITE_P(Keys, MouseTest,
                         ::testing::Values(MouseCase{"Neither", false, false, false},
                                           MouseCase{"OnlyJ", true, false, false},
                                           MouseCase{"OnlyK", false, true, false}, MouseCase{"Both", true, true, true}),
                         [](const ::testing::TestParamInfo<MouseCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(PlayTest, FirstTickWaitsUntilTheWindowIsOnTheScreenWithItsFrame)
{
    writeLevel("Wald", openLevel(64, 48, kGroundRow), startAt(10, 5));
    launcher().levelpfad = "Wald";
    Form1& form = game();
    form.Load();
    ASSERT_TRUE(form.isLoaded());
    form.Timer1()->setEnabled(false);
    platform.keys.queries.clear();
    form.Timer1_Timer(); // loaded, not yet shown: the window's frame is not known yet
    EXPECT_TRUE(platform.keys.queries.empty());
    EXPECT_EQ(form.play.beschleunigung, 0);

    // Shown, the window gets its frame and the level is laid out for the smaller client area.
    windows().setFrame({2, 24});
    form.Show();
    ASSERT_EQ(form.frameExtraPixels(), (PixelSize{2, 24}));
    EXPECT_EQ(form.layout().client.heightPx, form.window()->clientSize().height);
    const float startTop = form.Shape1().Top;
    EXPECT_EQ(startTop, std::stof(form.play.StartY));
    form.Timer1_Timer();
    EXPECT_EQ(platform.keys.queries.size(), 6u);
    EXPECT_EQ(form.play.beschleunigung, 10) << "the first tick falls from the start at rest";
    EXPECT_EQ(form.Shape1().Top, startTop + 12);
}

TEST_F(PlayTest, TicksDoNotNest)
{
    Form1& form = openGround();
    // A timer event that comes due while the tick lets events run finds the tick still busy.
    bool nestedCallReturned = false;
    windows().post([&] {
        form.Timer1_Timer();
        nestedCallReturned = true;
    });
    platform.keys.queries.clear();
    form.Timer1_Timer();
    EXPECT_TRUE(nestedCallReturned);
    EXPECT_EQ(platform.keys.queries.size(), 6u); // one tick's six key readings
    form.Timer1_Timer();
    EXPECT_EQ(platform.keys.queries.size(), 12u); // and the next tick runs normally
}

TEST_F(PlayTest, TickThatFindsItsWindowClosedEndsAtOnce)
{
    Form1& form = openGround();
    windows().post([&] { headless::requestClose(*form.window()); });
    platform.keys.queries.clear();
    const PlayerShape before = form.Shape1();
    form.Timer1_Timer();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(platform.keys.queries.empty());
    EXPECT_EQ(form.Shape1().Top, before.Top);
    EXPECT_TRUE(launcher().Visible());
}

TEST_F(PlayTest, EscapeDuringATickIsAskedOnceTheTickIsOver)
{
    Form1& form = openGround();
    windows().post([&] { windows().tapKey(vk::Escape); });
    platform.messages.answerNext(mb::vbYes);
    form.Timer1_Timer(); // the key runs at the tick's first event point
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_TRUE(form.isLoaded());
    windows().runPending();
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].title, "Sicher!?");
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(launcher().Visible());
}

class QuestionTest : public PlayTest {};

TEST_F(QuestionTest, GameGoesOnBehindTheEscapeQuestion)
{
    writeLevel("Wald", openLevel(64, 48, kGroundRow));
    Form1& form = open("Wald");
    form.Timer1()->setEnabled(true);
    std::vector<float> tops;
    platform.messages.answerNext(mb::vbNo, [&] {
        for (int i = 0; i < 3; ++i) {
            windows().advance(20); // the box's own loop: the game's timer fires
            tops.push_back(form.Shape1().Top);
        }
    });
    windows().tapKey(vk::Escape);
    EXPECT_TRUE(tops.empty()); // asked once the key's own handling is over
    windows().runPending();
    ASSERT_EQ(tops.size(), 3u);
    EXPECT_LT(tops[0], tops[1]); // still falling behind the question
    EXPECT_LT(tops[1], tops[2]);
    EXPECT_TRUE(form.isLoaded());
}

TEST_F(QuestionTest, GoalReachedBehindTheQuestionClosesItAndYesChangesNothing)
{
    writeLevel("Ziel", openLevel(64, 48, kGroundRow, 'g'));
    Form1& form = open("Ziel");
    form.Timer1()->setEnabled(true);
    platform.messages.answerNext(mb::vbYes, [&] { windows().advance(4000); });
    windows().tapKey(vk::Escape);
    windows().runPending();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(platform.messages.shown.size(), 1u); // the question went with its level, unanswered
    EXPECT_EQ(platform.beeper.beeps, 1);
    EXPECT_TRUE(launcher().Visible());
}

} // namespace
} // namespace hopplix::test
