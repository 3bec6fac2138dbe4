// The form model on the headless backend: load on first use, unload keeps the variables, the
// window's close request, key preview, and the outer size once the frame is known.

#include "forms/Form.h"
#include "forms/FormRegistry.h"
#include "forms/headless/HeadlessWindowSystem.h"
#include "support/test_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace hopplix {
namespace {

using headless::click;
using ::testing::ElementsAre;

// A form with one button and one timer that records what happens to it.
class ProbeForm : public Form {
public:
    using Form::Form;

    std::vector<std::string> events;
    std::vector<int> keys;
    std::vector<int> shifts;
    int remembered = 0;                // a form variable
    std::vector<int> rememberedAtLoad; // its value each time Form_Load ran
    bool unloadInLoad = false;
    bool hideInLoad = false;
    bool keyPreview = false;
    std::function<void()> onButton;
    std::function<void()> onUnload;
    std::function<void(int)> onKey;

    CommandButton* button = nullptr;
    Timer* timer = nullptr;

protected:
    void createControls(Window& window) override
    {
        window.setCaption("Probe");
        window.setKeyPreview(keyPreview);
        button = &window.addCommandButton();
        button->onClick = [this] {
            events.push_back("click");
            if (onButton)
                onButton();
            events.push_back("click done");
        };
        timer = &window.addTimer();
        timer->setInterval(20);
        timer->onTimer = [this] { events.push_back("tick"); };
        timer->setEnabled(true);
    }
    void controlsDestroyed() override
    {
        button = nullptr;
        timer = nullptr;
    }
    void Form_Load() override
    {
        events.push_back("load");
        rememberedAtLoad.push_back(remembered);
        if (hideInLoad)
            Hide();
        if (unloadInLoad)
            Unload();
    }
    void Form_Unload() override
    {
        events.push_back("unload");
        if (onUnload)
            onUnload();
    }
    void Form_KeyDown(int keyCode, int shift) override
    {
        keys.push_back(keyCode);
        shifts.push_back(shift);
        if (onKey)
            onKey(keyCode);
    }
};

// The window model needs a registry to live in, but none of the game's windows.
class NoWindows final : public FormRegistry {
public:
    using FormRegistry::FormRegistry;
    Form& form1() override { throw std::logic_error("no game window in this test"); }
    Form& form2() override { throw std::logic_error("no debug window in this test"); }
    LauncherForm& form3() override { throw std::logic_error("no launcher in this test"); }
    UpdaterForm& form4() override { throw std::logic_error("no updater in this test"); }
};

class WindowModel : public ::testing::Test {
protected:
    test::TestPlatform platform;
    headless::HeadlessWindowSystem& windows = platform.windows;
    NoWindows forms{platform.services("/nonexistent-program-folder")};
    ProbeForm probe{forms};
};

TEST_F(WindowModel, FormIsNotLoadedUntilFirstUseAndReadingVisibilityLoadsItHidden)
{
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_TRUE(probe.events.empty());
    EXPECT_FALSE(probe.Visible());
    EXPECT_TRUE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load"));
}

TEST_F(WindowModel, ShowLoadsOnceAndShows)
{
    probe.Show();
    probe.Show();
    EXPECT_TRUE(probe.Visible());
    EXPECT_THAT(probe.events, ElementsAre("load"));
    probe.Hide();
    EXPECT_FALSE(probe.Visible());
    EXPECT_TRUE(probe.isLoaded());
}

TEST_F(WindowModel, UnloadRunsCloseHandlerAndDestroysTheWindowOnceBackInTheEventLoop)
{
    probe.Show();
    Window* window = probe.window();
    probe.Unload();
    probe.Unload(); // an unloaded form: nothing
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
    EXPECT_EQ(probe.button, nullptr);
    ASSERT_EQ(windows.windowCount(), 1u); // still on its way out ...
    EXPECT_FALSE(window->isVisible());
    windows.runPending();
    EXPECT_EQ(windows.windowCount(), 0u); // ... and gone once the event loop had its turn
}

TEST_F(WindowModel, LoadingAgainStartsFromTheKeptVariables)
{
    probe.Load();
    probe.remembered = 42;
    probe.Unload();
    EXPECT_EQ(probe.remembered, 42);
    probe.Show();
    EXPECT_THAT(probe.rememberedAtLoad, ElementsAre(0, 42));
    EXPECT_THAT(probe.events, ElementsAre("load", "unload", "load"));
}

TEST_F(WindowModel, FormThatUnloadsItselfWhileLoadingIsNotShownAndLoadsOnlyOnce)
{
    probe.unloadInLoad = true;
    probe.Show();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
    EXPECT_TRUE(windows.visibleWindows().empty());
}

TEST_F(WindowModel, FormHiddenByItsLoadStaysHiddenUntilShownAgain)
{
    probe.hideInLoad = true;
    probe.Show();
    EXPECT_TRUE(probe.isLoaded());
    EXPECT_FALSE(probe.Visible());
    probe.Show();
    EXPECT_TRUE(probe.Visible());
}

TEST_F(WindowModel, OwnButtonMayUnloadAndReloadTheForm)
{
    probe.Show();
    probe.onButton = [&] {
        probe.Unload();
        probe.remembered = 7; // code after the unload still runs in the handler
    };
    click(*probe.button);
    EXPECT_THAT(probe.events, ElementsAre("load", "click", "unload", "click done"));
    EXPECT_EQ(probe.remembered, 7);
    EXPECT_FALSE(probe.isLoaded());

    probe.events.clear();
    probe.Show();
    probe.onButton = [&] {
        probe.Unload();
        probe.Show();
    };
    click(*probe.button);
    windows.runPending();
    EXPECT_TRUE(probe.Visible());
    EXPECT_EQ(windows.windowCount(), 1u);
    EXPECT_THAT(probe.events, ElementsAre("load", "click", "unload", "load", "click done"));
}

TEST_F(WindowModel, ClosingTheWindowUnloadsTheForm)
{
    probe.Show();
    headless::requestClose(*probe.window());
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, UnloadedWindowNoLongerReachesItsForm)
{
    probe.Show();
    Window* window = probe.window();
    Timer* timer = probe.timer;
    CommandButton* button = probe.button;
    windows.advance(20);
    probe.Unload();
    EXPECT_FALSE(timer->isEnabled());
    headless::requestClose(*window);
    window->show();
    click(*button);
    windows.advance(100);
    EXPECT_THAT(probe.events, ElementsAre("load", "tick", "unload"));
}

TEST_F(WindowModel, CloseHandlerThatReadsItsOwnFormDoesNotReloadIt)
{
    probe.onUnload = [&] { EXPECT_TRUE(probe.Visible()); };
    probe.Show();
    probe.Unload();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, KeyPreviewSeesEveryPressWithShiftAndAutoRepeatButNotWithoutIt)
{
    ProbeForm without(forms);
    without.Show();
    windows.tapKey(vk::D);
    EXPECT_TRUE(without.keys.empty());

    probe.keyPreview = true;
    probe.Show();
    windows.tapKey(vk::D);
    windows.pressKey(vk::R, 1);
    windows.repeatKey(vk::R, 1);
    windows.releaseKey(vk::R);
    windows.tapKey(vk::Escape);
    EXPECT_THAT(probe.keys, ElementsAre(vk::D, vk::R, vk::R, vk::Escape));
    EXPECT_THAT(probe.shifts, ElementsAre(0, 1, 1, 0));

    // Keys of another form's window are not previewed.
    without.window()->activate();
    windows.tapKey(vk::D);
    EXPECT_EQ(probe.keys.size(), 4u);
}

TEST_F(WindowModel, KeyHandlerMayUnloadTheForm)
{
    probe.keyPreview = true;
    probe.onKey = [&](int key) {
        if (key == vk::Escape)
            probe.Unload();
    };
    probe.Show();
    Window* window = probe.window();
    windows.tapKey(vk::Escape);
    EXPECT_FALSE(probe.isLoaded());
    window->activate();
    windows.tapKey(vk::D); // the retired window no longer previews keys
    EXPECT_THAT(probe.keys, ElementsAre(vk::Escape));
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, TwipsConvertAtTheScreensTwipsPerPixel)
{
    EXPECT_EQ(probe.pxX(2730), 182);
    EXPECT_EQ(probe.pxY(5000), 333);
    EXPECT_EQ(probe.pxX(7.5), 0); // half a pixel goes to the even neighbour
    EXPECT_EQ(probe.pxX(22.5), 2);
    EXPECT_DOUBLE_EQ(probe.twipsY(33), 495);
}

struct OuterCase {
    int outer;
    int frame;
    int client;
};

void PrintTo(const OuterCase& c, std::ostream* os)
{
    *os << "outer " << c.outer << " frame " << c.frame << " -> " << c.client;
}

class ClientExtent : public ::testing::TestWithParam<OuterCase> {};

TEST_P(ClientExtent, IsOuterExtentLessTheFrame)
{
    EXPECT_EQ(clientExtentForOuter(GetParam().outer, GetParam().frame), GetParam().client);
}

INSTANTIATE_TEST_SUITE_P(Frames, ClientExtent,
                         ::testing::Values(OuterCase{182, 0, 182}, OuterCase{182, 27, 155}, OuterCase{333, 4, 329},
                                           OuterCase{10, 27, 0}));

TEST_F(WindowModel, OuterHeightSetBeforeShowingGivesTheFrameItsShareOnceShownAndAtTheNextLoad)
{
    windows.setFrame({8, 30});
    probe.setOuterHeight(2730);
    EXPECT_EQ(probe.window()->clientSize().height, 182); // no frame known yet
    probe.Show();
    EXPECT_EQ(probe.window()->clientSize().height, 152);
    EXPECT_DOUBLE_EQ(probe.outerHeightTwips(), 2730);
    EXPECT_DOUBLE_EQ(probe.clientHeightTwips(), 2730 - 15.0 * 30);
    // Centred on the screen with its frame.
    EXPECT_EQ(probe.window()->frameRect().y, (1024 - 1) / 2 - (182 - 1) / 2);

    probe.Unload();
    probe.setOuterHeight(5000);
    EXPECT_EQ(probe.window()->clientSize().height, 333 - 30);
}

} // namespace
} // namespace hopplix
