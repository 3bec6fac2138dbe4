// Playing: keys, the mouse on the playfield, the debug window, leaving and winning, and the
// tick's behaviour around events that run in its middle.

#include "game_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QTest>
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

QColor markerFill(Form2& form, int index) { return form.Shape1(index)->fillColor(); }

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
    QTest::keyClick(form.window(), Qt::Key_D);
    ASSERT_TRUE(debug().isLoaded());
    EXPECT_TRUE(debug().Visible());
    EXPECT_EQ(debug().window()->windowTitle(), QStringLiteral("DebugScreen"));
    EXPECT_EQ(debug().Player()->fillColor(), QColor(0, 255, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), form.window()); // further keys reach the game

    QTest::keyClick(form.window(), Qt::Key_D);
    EXPECT_FALSE(debug().isLoaded());
    EXPECT_TRUE(form.isLoaded());
}

TEST_F(PlayTest, DebugWindowLeavesTheFocusWithTheGameButKeepsItWhenThePlayerGivesItThere)
{
    Form1& form = openGround();
    QTest::keyClick(form.window(), Qt::Key_D);
    ASSERT_TRUE(debug().isLoaded());
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), form.window());
    // Regression: the focus was pulled back every time the debug window got it.
    debug().window()->activateWindow(); // the player's click
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), debug().window());
}

// A screen-filling level (2000 x 1600 pixels) leaves no room beside the game window.
class DebugPlaceTest : public PlayTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DebugPlaceTest, DebugWindowOpensBesideTheGameWindowOrElseInFrontOfIt)
{
    const bool fillsTheScreen = GetParam();
    QImage picture(fillsTheScreen ? 2000 : 64, fillsTheScreen ? 1600 : 48, QImage::Format_RGB888);
    picture.fill(Qt::white);
    writeLevelImage("Platz", picture);
    Form1& form = open("Platz");
    QTest::keyClick(form.window(), Qt::Key_D);
    ASSERT_TRUE(debug().isLoaded());
    const QRect game = form.window()->frameGeometry();
    const QRect shown = debug().window()->frameGeometry();
    EXPECT_TRUE(debug().window()->screen()->availableGeometry().contains(shown));
    EXPECT_EQ(shown.intersects(game), fillsTheScreen);
    // It stays above the game window.
    EXPECT_EQ(debug().window()->windowHandle()->transientParent(), form.window()->windowHandle());
}

INSTANTIATE_TEST_SUITE_P(Levels, DebugPlaceTest, ::testing::Bool());

TEST_F(PlayTest, DebugWindowIsASmallToolWindowWithEightMarkersAndTheSpeed)
{
    openGround();
    QTest::keyClick(game().window(), Qt::Key_D);
    FormWindow* window = debug().window();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(window->size(), QSize(261, 248)); // 3915 x 3720 twips
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(debug().Shape1(0)->geometry(), QRect(32, 16, 40, 40));
    EXPECT_EQ(debug().Shape1(4)->geometry(), QRect(184, 168, 40, 40));
    EXPECT_EQ(debug().Player()->geometry(), QRect(48, 32, 160, 160));
    EXPECT_EQ(debug().Shape1(0)->kind(), ShapeWidget::Kind::Circle);
    EXPECT_EQ(debug().Player()->kind(), ShapeWidget::Kind::RoundedSquare);
    // Before the first refresh: white markers and the bare caption.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(markerFill(debug(), i), QColor(Qt::white)) << i;
    EXPECT_EQ(debug().Label1()->text(), QStringLiteral("Beschleunigung:"));
    EXPECT_TRUE(debug().Label1()->font().bold());
    EXPECT_EQ(debug().Label1()->font().pointSize(), 12);
}

TEST_F(PlayTest, DebugMarkersTurnBlackAtTheBottomOnLandingAndWhiteOnTheBounce)
{
    openGround();
    QTest::keyClick(game().window(), Qt::Key_D);
    tickUntilLanded();
    const int incoming = game().play.beschleunigung;
    EXPECT_GT(incoming, 0);
    for (int i = 0; i < 8; ++i) {
        const bool bottom = i == 4 || i == 5 || i == 6;
        EXPECT_EQ(markerFill(debug(), i), bottom ? QColor(Qt::black) : QColor(Qt::white)) << "marker " << i;
    }
    EXPECT_EQ(debug().Label1()->text(), QStringLiteral("Beschleunigung: %1").arg(incoming));

    game().Timer1_Timer(); // bounces off
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(markerFill(debug(), i), QColor(Qt::white)) << "marker " << i;
    EXPECT_EQ(debug().Label1()->text(), QStringLiteral("Beschleunigung: -40"));
}

struct MarkerCase {
    char letter;
    QColor colour;
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.letter; }

class DebugMarkerTest : public PlayTest, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(DebugMarkerTest, MarkerShowsTheColourOfItsProbesLetterAndTheLabelTheSpeed)
{
    openGround();
    QTest::keyClick(game().window(), Qt::Key_D);
    // The letter at one probe at a time, the others white; marker i shows probe i + 1.
    for (int probe = 0; probe < 8; ++probe) {
        game().play.punktfarbe.fill('w');
        game().play.punktfarbe[static_cast<size_t>(probe)] = GetParam().letter;
        game().play.beschleunigung = static_cast<int16_t>(-40 + 10 * probe);
        game().Farbensetzen();
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(markerFill(debug(), i), i == probe ? GetParam().colour : QColor(Qt::white)) << i;
        EXPECT_EQ(debug().Label1()->text(), QStringLiteral("Beschleunigung: %1").arg(-40 + 10 * probe));
    }
}

INSTANTIATE_TEST_SUITE_P(Legend, DebugMarkerTest,
                         ::testing::Values(MarkerCase{'g', QColor(0, 255, 0)}, MarkerCase{'s', QColor(0, 0, 0)},
                                           MarkerCase{'w', QColor(255, 255, 255)},
                                           MarkerCase{'l', QColor(128, 0, 128)}, MarkerCase{'r', QColor(255, 0, 0)},
                                           MarkerCase{'o', QColor(255, 128, 0)}, MarkerCase{'b', QColor(0, 0, 255)}),
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
    QTest::keyClick(form.window(), Qt::Key_R);
    EXPECT_EQ(form.Shape1().Left, 0.0f);
    EXPECT_EQ(form.Shape1().Top, 0.0f);
    EXPECT_EQ(form.play.beschleunigung, 0);
    EXPECT_EQ(form.play.stehend, leap);
    EXPECT_EQ(form.Picture1()->playerRect().topLeft(), QPoint(0, 0));
}

TEST_F(PlayTest, ShiftAndCtrlDoNotChangeWhatAKeyDoes)
{
    Form1& form = openGround();
    for (const Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier}) {
        form.setShape1Place(300, 300);
        QTest::keyClick(form.window(), Qt::Key_R, modifier);
        EXPECT_EQ(form.Shape1().Left, 0.0f);
        EXPECT_EQ(form.Shape1().Top, 0.0f);
    }
    QTest::keyClick(form.window(), Qt::Key_D, Qt::ShiftModifier);
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
    Form1& form = openGround();
    pressEscape(); // answered No
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), /*autorep=*/true);
        QApplication::sendEvent(form.window(), &repeat);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(platform.messages.shown.size(), 1u);
    pressEscape(); // pressed anew
    EXPECT_EQ(platform.messages.shown.size(), 2u);
}

TEST_F(PlayTest, EscapeAnsweredYesClosesTheLevelAndTheDebugWindowAndShowsTheLauncher)
{
    Form1& form = openGround();
    QTest::keyClick(form.window(), Qt::Key_D);
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
    QTest::keyClick(form.window(), Qt::Key_D);
    form.window()->close();
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(debug().isLoaded());
    EXPECT_TRUE(launcher().Visible());
}

TEST_F(PlayTest, ReachingGreenEndsTheLevelWithOneBeepAndShowsTheLauncher)
{
    writeLevel("Ziel", openLevel(64, 48, kGroundRow, 'g'));
    Form1& form = open("Ziel");
    QTest::keyClick(form.window(), Qt::Key_D);
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
    QTest::mousePress(form.Picture1(), Qt::RightButton, {}, QPoint(30, 20));
    EXPECT_EQ(platform.keys.queries, (std::vector<int>{vk::J, vk::K}));
    if (GetParam().moves) {
        EXPECT_EQ(form.Shape1().Left, 450.0f);
        EXPECT_EQ(form.Shape1().Top, 300.0f);
        EXPECT_EQ(form.Picture1()->playerRect().topLeft(), QPoint(30, 20));
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
                         [](const ::testing::TestParamInfo<MouseCase>& param) { return std::string(param.param.name); });

TEST_F(PlayTest, FirstTickWaitsUntilTheWindowIsOnTheScreenWithItsFrame)
{
    writeLevel("Wald", openLevel(64, 48, kGroundRow), startAt(10, 5));
    launcher().levelpfad = "Wald";
    Form1& form = game();
    form.Load();
    ASSERT_TRUE(form.isLoaded());
    form.Timer1()->stop();
    platform.keys.queries.clear();
    form.Timer1_Timer(); // loaded, not yet shown: the window's frame is not known yet
    EXPECT_TRUE(platform.keys.queries.empty());
    EXPECT_EQ(form.play.beschleunigung, 0);

    // Shown, the window gets its frame and the level is laid out for the smaller client area.
    form.Show();
    waitUntilOnScreen(form);
    ASSERT_NE(form.frameExtraPixels(), QSize(0, 0)) << "the offscreen platform frames its windows";
    EXPECT_EQ(form.layout().client.heightPx, form.window()->height());
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
    QMetaObject::invokeMethod(
        form.window(),
        [&] {
            form.Timer1_Timer();
            nestedCallReturned = true;
        },
        Qt::QueuedConnection);
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
    QMetaObject::invokeMethod(form.window(), [&] { form.window()->close(); }, Qt::QueuedConnection);
    platform.keys.queries.clear();
    const PlayerShape before = form.Shape1();
    form.Timer1_Timer();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(platform.keys.queries.empty());
    EXPECT_EQ(form.Shape1().Top, before.Top);
    EXPECT_TRUE(launcher().Visible());
    processDeferredDeletes();
}

TEST_F(PlayTest, EscapeDuringATickIsAskedOnceTheTickIsOver)
{
    Form1& form = openGround();
    QCoreApplication::postEvent(form.window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    platform.messages.answerNext(mb::vbYes);
    form.Timer1_Timer(); // the key runs at the tick's first event point
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_TRUE(form.isLoaded());
    QCoreApplication::processEvents();
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].title, "Sicher!?");
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(launcher().Visible());
}

// A message box whose own loop lets the game's timer fire a few times before it is answered.
class TickingMessageBoxes : public MessageBoxes {
public:
    std::function<void()> whileOpen;
    int answer = mb::vbNo;
    int closedUnanswered = 0;
    int MsgBox(const std::string&, int, const std::string&) override
    {
        if (whileOpen)
            whileOpen();
        return answer;
    }
    void closeUnanswered() override { ++closedUnanswered; }
};

class QuestionTest : public PlayTest {
protected:
    void SetUp() override
    {
        PlayTest::SetUp();
        writeLevel("Wald", openLevel(64, 48, kGroundRow));
        writeLevel("Ziel", openLevel(64, 48, kGroundRow, 'g'));
    }

    // Forms whose message boxes let the game's timer fire while they are open.
    Forms& registry()
    {
        if (!registry_)
            registry_ = std::make_unique<Forms>(
                Services{platform.keys, boxes, beeper, ScreenMetrics{}, levelFolder("x").parent_path().parent_path(),
                         [] {}});
        return *registry_;
    }

    Form1& openHere(const std::string& name)
    {
        registry().form3().levelpfad = name;
        registry().form3().Spielerfarbe = "255";
        Form1& form = registry().form1();
        form.Load();
        EXPECT_TRUE(form.isLoaded());
        form.Timer1()->stop();
        form.Show();
        waitUntilOnScreen(form);
        return form;
    }

    void TearDown() override
    {
        registry_.reset();
        processDeferredDeletes();
        PlayTest::TearDown();
    }

    TickingMessageBoxes boxes;
    FakeBeeper beeper;

private:
    std::unique_ptr<Forms> registry_;
};

TEST_F(QuestionTest, GameGoesOnBehindTheEscapeQuestion)
{
    Form1& form = openHere("Wald");
    std::vector<float> tops;
    boxes.whileOpen = [&] {
        for (int i = 0; i < 3; ++i) {
            form.Timer1_Timer();
            tops.push_back(form.Shape1().Top);
        }
    };
    QTest::keyClick(form.window(), Qt::Key_Escape);
    EXPECT_TRUE(tops.empty()); // asked once the key's own handling is over
    QCoreApplication::processEvents();
    ASSERT_EQ(tops.size(), 3u);
    EXPECT_LT(tops[0], tops[1]); // still falling behind the question
    EXPECT_LT(tops[1], tops[2]);
    EXPECT_TRUE(form.isLoaded());
}

TEST_F(QuestionTest, GoalReachedBehindTheQuestionClosesItAndYesChangesNothing)
{
    Form1& form = openHere("Ziel");
    boxes.answer = mb::vbYes;
    boxes.whileOpen = [&] {
        for (int i = 0; i < 200 && form.isLoaded(); ++i)
            form.Timer1_Timer();
        processDeferredDeletes(); // the box's loop disposes of the closed window
    };
    QTest::keyClick(form.window(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(boxes.closedUnanswered, 1); // the question went with its level
    EXPECT_EQ(beeper.beeps, 1);
    EXPECT_TRUE(registry().form3().Visible());
}

// Records the areas of the playfield that are repainted.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(PlayTest, TickRepaintsOnlyThePlayersOldAndNewPlace)
{
    Form1& form = openGround();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window()));
    QCoreApplication::processEvents();
    PaintRecorder recorder;
    form.Picture1()->installEventFilter(&recorder);
    const QRect before = form.Picture1()->playerRect();
    form.Timer1_Timer();
    const QRect after = form.Picture1()->playerRect();
    ASSERT_NE(before, after);
    QCoreApplication::processEvents();
    form.Picture1()->removeEventFilter(&recorder);
    EXPECT_FALSE(recorder.painted.isEmpty());
    EXPECT_TRUE((recorder.painted - QRegion(before) - QRegion(after)).isEmpty());
}

TEST_F(PlayTest, DebugRefreshRepaintsNothingWhenNothingChanged)
{
    openGround();
    QTest::keyClick(game().window(), Qt::Key_D);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(debug().window()));
    game().Timer1_Timer();
    game().Timer1_Timer();
    QCoreApplication::processEvents();
    // Two ticks in the air: the markers stay white, only the speed changes.
    PaintRecorder recorder;
    for (int i = 0; i < 8; ++i)
        debug().Shape1(i)->installEventFilter(&recorder);
    game().Timer1_Timer();
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder.painted.isEmpty());
}

} // namespace
} // namespace hopplix::test
