// Pictures too small for a window: each gets a game window the player can see, with room for
// the player, or the message that says so and the launcher back; never a window nobody sees.
// Run on a real X server under a window manager that frames windows (tests/game/CMakeLists.txt):
// the frame is known only once the window is on the screen.

#include "forms/qt/QtWindowSystem.h"
#include "game_fixture.h"

#include <QTest>
#include <QWidget>
#include <ostream>

namespace hopplix::test {
namespace {

struct TinyCase {
    const char* name;
    int width;
    int height;
    bool tooSmall; // false: a window is shown (true also without a frame)
};

void PrintTo(const TinyCase& c, std::ostream* os) { *os << c.name; }

class TinyPicture : public GameWindowTest, public ::testing::WithParamInterface<TinyCase> {
protected:
    // The window manager starts beside the tests, and a window it finds already on the screen
    // never learns its frame: wait until it frames a window shown afresh.
    static void SetUpTestSuite()
    {
        QWidget probe;
        probe.resize(100, 100);
        const auto framed = [&] { return probe.frameGeometry().height() > probe.geometry().height(); };
        for (int attempt = 0; attempt < 20 && !framed(); ++attempt) {
            probe.hide();
            probe.show();
            (void)QTest::qWaitFor(framed, 500);
        }
        ASSERT_TRUE(framed()) << "no window manager frames the windows";
    }
    WindowSystem* realWindowSystem() override { return &qt_; }
    void TearDown() override
    {
        GameWindowTest::TearDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    QtWindowSystem qt_;
};

TEST_P(TinyPicture, GetsAWindowWithRoomForThePlayerOrTheMessage)
{
    writeLevelPicture("Winzig", plainPicture(GetParam().width, GetParam().height));
    // Twice: at the first start the frame is learnt only once the window is shown, at the
    // second the window system's frame is known from the start.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        platform.messages.shown.clear();
        launcher().Show();
        launcher().Combo1()->setCurrentIndex(0);
        launcher().Combo1_Click();
        launcher().Command1_Click();

        // Settled: the message was shown, or the window is on the screen in its frame and the
        // playfield covers its client area.
        const auto shown = [&] {
            if (!game().isLoaded() || !game().window()->isExposed() || game().frameExtraPixels().height <= 0)
                return false;
            const PixelRect field = game().Picture1()->geometry();
            return PixelSize{field.width, field.height} == game().window()->clientSize();
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return !platform.messages.shown.empty() || shown(); }, 10000));
        if (!platform.messages.shown.empty()) {
            ASSERT_EQ(platform.messages.shown.size(), 1u);
            EXPECT_EQ(platform.messages.shown[0].prompt.rfind("Error: Level.bmp ist zu klein!\n", 0), 0u);
            platform.messages.shown[0].prompt = "";
            expectLoadFailure("");
            EXPECT_TRUE(GetParam().tooSmall) << "a picture that fits was refused";
            continue;
        }
        const PixelSize client = game().window()->clientSize();
        EXPECT_FALSE(GetParam().tooSmall)
            << "shown in a window of " << client.width << " x " << client.height << " pixels";
        EXPECT_GE(client.width, kMinClientPx);
        EXPECT_GE(client.height, kMinClientPx);
        const PixelRect player = game().Picture1()->playerRect();
        EXPECT_TRUE(player.width > 0 && player.height > 0);
        EXPECT_TRUE(player.x >= 0 && player.y >= 0 && player.right() <= client.width
                    && player.bottom() <= client.height);
        // The window closes as any other, and the launcher comes back.
        widgetOf(*game().window())->close();
        EXPECT_FALSE(game().isLoaded());
        EXPECT_TRUE(launcher().Visible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// At 96 dots per inch a window is about 1.18 times the picture; the title bar takes about 20
// of its pixels.
INSTANTIATE_TEST_SUITE_P(Pictures, TinyPicture,
                         ::testing::Values(TinyCase{"OnePixel", 1, 1, true}, TinyCase{"Low16", 400, 16, true},
                                           TinyCase{"Low30", 400, 30, true}, TinyCase{"Low60", 400, 60, false}),
                         [](const ::testing::TestParamInfo<TinyCase>& param) { return std::string(param.param.name); });

} // namespace
} // namespace hopplix::test
