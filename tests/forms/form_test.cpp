#include "forms/Form.h"
#include "forms/FormRegistry.h"
#include "support/test_services.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <stdexcept>
#include <ostream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hopplix {
namespace {

using ::testing::ElementsAre;

void processDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A form with one button and one timer that records what happens to it.
class ProbeForm : public Form {
public:
    using Form::Form;

    std::vector<std::string> events;
    std::vector<int> keys;
    std::vector<int> shifts;
    int remembered = 0;               // a form variable
    std::vector<int> rememberedAtLoad; // its value each time Form_Load ran
    bool unloadInLoad = false;
    bool hideInLoad = false;
    bool keyPreview = false;
    std::function<void()> onButton;
    std::function<void()> onUnload;
    std::function<void(int)> onKey;

    QPushButton* button = nullptr;
    QTimer* timer = nullptr;

protected:
    std::unique_ptr<FormWindow> createWindow() override
    {
        auto window = std::make_unique<FormWindow>(*this);
        window->setWindowTitle(QStringLiteral("Probe"));
        window->setKeyPreview(keyPreview);
        button = new QPushButton(QStringLiteral("Knopf"), window.get());
        button->setGeometry(10, 10, 80, 30);
        QObject::connect(button, &QPushButton::clicked, [this] {
            events.push_back("click");
            if (onButton)
                onButton();
            events.push_back("click done");
        });
        timer = new QTimer(window.get());
        timer->setInterval(20);
        timer->start();
        return window;
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
    void TearDown() override { processDeferredDeletes(); }

    test::TestPlatform platform;
    NoWindows forms{platform.services("/nonexistent-program-folder")};
    ProbeForm probe{forms};
};

TEST_F(WindowModel, FormIsNotLoadedUntilFirstUse)
{
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_TRUE(probe.events.empty());
}

TEST_F(WindowModel, ReadingVisibilityLoadsTheFormHidden)
{
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

TEST_F(WindowModel, UnloadRunsCloseHandlerAndDestroysTheWindow)
{
    probe.Show();
    QPointer<FormWindow> window = probe.window();
    probe.Unload();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
    EXPECT_EQ(probe.button, nullptr);
    ASSERT_FALSE(window.isNull()); // still on its way out ...
    EXPECT_FALSE(window->isVisible());
    processDeferredDeletes();
    EXPECT_TRUE(window.isNull()); // ... and gone once the event loop had its turn
}

TEST_F(WindowModel, UnloadOfAnUnloadedFormDoesNothing)
{
    probe.Unload();
    EXPECT_TRUE(probe.events.empty());
    EXPECT_FALSE(probe.isLoaded());
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

TEST_F(WindowModel, FormThatUnloadsItselfWhileLoadingIsNotShown)
{
    probe.unloadInLoad = true;
    probe.Load();
    if (probe.isLoaded())
        probe.Show();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
    processDeferredDeletes();
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible()) << top->windowTitle().toStdString();
}

TEST_F(WindowModel, ShowOfAFormThatUnloadsItselfWhileLoadingLoadsOnlyOnce)
{
    probe.unloadInLoad = true;
    probe.Show();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
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

TEST_F(WindowModel, OwnButtonMayUnloadTheForm)
{
    probe.Show();
    QPointer<FormWindow> window = probe.window();
    QPointer<QPushButton> button = probe.button;
    probe.onButton = [&] {
        probe.Unload();
        probe.remembered = 7; // code after the unload still runs in the handler
    };
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_THAT(probe.events, ElementsAre("load", "click", "unload", "click done"));
    EXPECT_EQ(probe.remembered, 7);
    EXPECT_FALSE(probe.isLoaded());
    processDeferredDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(button.isNull());
}

TEST_F(WindowModel, ButtonMayUnloadAndReloadItsOwnForm)
{
    probe.Show();
    QPointer<FormWindow> first = probe.window();
    probe.onButton = [&] {
        probe.Unload();
        probe.Show();
    };
    QTest::mouseClick(probe.button, Qt::LeftButton);
    processDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(probe.Visible());
    EXPECT_THAT(probe.events, ElementsAre("load", "click", "unload", "load", "click done"));
}

TEST_F(WindowModel, ClosingTheWindowUnloadsTheForm)
{
    probe.Show();
    probe.window()->close();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, UnloadedWindowNoLongerReachesItsForm)
{
    probe.Show();
    QPointer<FormWindow> window = probe.window();
    QPointer<QTimer> timer = probe.timer;
    QPointer<QPushButton> button = probe.button;
    probe.Unload();
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(timer->isActive());
    window->close();
    emit button->clicked();
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, CloseHandlerThatReadsItsOwnFormDoesNotReloadIt)
{
    probe.onUnload = [&] { EXPECT_TRUE(probe.Visible()); };
    probe.Show();
    probe.Unload();
    EXPECT_FALSE(probe.isLoaded());
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, KeyPreviewSeesEachPressOfAnyControlOnce)
{
    probe.keyPreview = true;
    probe.Show();
    // The button does not take letters, so the press travels on to the window as well.
    QTest::keyClick(probe.button, Qt::Key_D);
    QTest::keyClick(probe.window(), Qt::Key_R, Qt::ShiftModifier);
    QTest::keyClick(probe.button, Qt::Key_Escape);
    EXPECT_THAT(probe.keys, ElementsAre(68, 82, 27));
    EXPECT_THAT(probe.shifts, ElementsAre(0, 1, 0));
}

TEST_F(WindowModel, KeyPreviewCountsAutoRepeat)
{
    probe.keyPreview = true;
    probe.Show();
    QKeyEvent first(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(probe.button, &first);
    QApplication::sendEvent(probe.button, &repeat);
    EXPECT_THAT(probe.keys, ElementsAre(68, 68));
}

TEST_F(WindowModel, WithoutKeyPreviewTheFormSeesNoKeys)
{
    probe.Show();
    QTest::keyClick(probe.button, Qt::Key_D);
    EXPECT_TRUE(probe.keys.empty());
}

TEST_F(WindowModel, KeysOfAnotherFormsWindowAreNotPreviewed)
{
    probe.keyPreview = true;
    ProbeForm other(forms);
    probe.Show();
    other.Show();
    QTest::keyClick(other.button, Qt::Key_D);
    EXPECT_TRUE(probe.keys.empty());
}

TEST_F(WindowModel, KeyHandlerMayUnloadTheForm)
{
    probe.keyPreview = true;
    probe.onKey = [&](int key) {
        if (key == 27)
            probe.Unload();
    };
    probe.Show();
    QPointer<QPushButton> button = probe.button;
    QTest::keyClick(button, Qt::Key_Escape);
    EXPECT_FALSE(probe.isLoaded());
    QTest::keyClick(button, Qt::Key_D); // the retired window no longer previews keys
    EXPECT_THAT(probe.keys, ElementsAre(27));
    EXPECT_THAT(probe.events, ElementsAre("load", "unload"));
}

TEST_F(WindowModel, TwipsConvertAtTheScreensTwipsPerPixel)
{
    EXPECT_EQ(probe.pxX(2730), 182);
    EXPECT_EQ(probe.pxY(5000), 333);
    EXPECT_EQ(probe.pxX(7.5), 0);   // half a pixel goes to the even neighbour
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

TEST_F(WindowModel, OuterHeightSetBeforeShowingGivesTheFrameItsShareOnceShown)
{
    probe.setOuterHeight(2730);
    EXPECT_EQ(probe.window()->height(), 182); // no frame known yet
    probe.Show();
    const int frame = probe.frameExtraPixels().height();
    EXPECT_EQ(probe.window()->height(), 182 - frame);
    EXPECT_DOUBLE_EQ(probe.outerHeightTwips(), 2730);
    EXPECT_DOUBLE_EQ(probe.clientHeightTwips(), 2730 - 15.0 * frame);
}

TEST_F(WindowModel, FrameMeasuredOnceIsUsedAtTheNextLoad)
{
    probe.Show();
    const QSize frame = probe.frameExtraPixels();
    probe.Unload();
    probe.setOuterHeight(5000);
    EXPECT_EQ(probe.window()->height(), 333 - frame.height());
    EXPECT_EQ(probe.window()->minimumHeight(), probe.window()->maximumHeight()); // fixed size
}

} // namespace
} // namespace hopplix

namespace hopplix {
namespace {

TEST(FormLifetime, FormTakesItsRetiredWindowsWithItAtTheEndOfTheRun)
{
    test::TestPlatform platform;
    NoWindows forms(platform.services("/nonexistent-program-folder"));
    QPointer<FormWindow> retired;
    QPointer<FormWindow> current;
    {
        ProbeForm probe(forms);
        probe.Show();
        retired = probe.window();
        probe.Unload();
        probe.Show();
        current = probe.window();
        ASSERT_FALSE(retired.isNull());
    }
    EXPECT_TRUE(retired.isNull());
    EXPECT_TRUE(current.isNull());
}

} // namespace
} // namespace hopplix
