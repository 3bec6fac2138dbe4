// The Qt backend's services: the key router's feed from Qt's key events, the message boxes
// with German buttons, and the screen.

#include "forms/qt/KeyMapping.h"
#include "forms/qt/QtWindowSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <ostream>

namespace hopplix {
namespace {

using ::testing::UnorderedElementsAre;

// ---- key state ------------------------------------------------------------------------------

class KeyStateOfAllWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        other.show();
    }
    void sendKey(QWidget* to, QEvent::Type type, Qt::Key key, bool autoRepeat)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(to, &event);
    }

    QtWindowSystem system;
    KeyState& keys = system.keys();
    QWidget window;
    QWidget other;
};

TEST_F(KeyStateOfAllWindows, HeldKeyIsDownAtEveryQuery)
{
    QTest::keyPress(&window, Qt::Key_Left);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Left));
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Left));
    QTest::keyRelease(&window, Qt::Key_Left);
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Left));
}

TEST_F(KeyStateOfAllWindows, KeyTappedBetweenQueriesCountsOnce)
{
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Space));
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Space));
}

TEST_F(KeyStateOfAllWindows, QueryForgetsOnlyTheKeyAskedAbout)
{
    QTest::keyClick(&window, Qt::Key_J);
    QTest::keyClick(&window, Qt::Key_K);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::J));
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::J));
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::K));
}

TEST_F(KeyStateOfAllWindows, KeysCountInWhicheverWindowTheyArePressed)
{
    QTest::keyPress(&window, Qt::Key_J);
    QTest::keyPress(&other, Qt::Key_K);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::J));
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::K));
    QTest::keyRelease(&other, Qt::Key_J); // released over the other window
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::J));
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::K));
}

TEST_F(KeyStateOfAllWindows, AutoRepeatNeitherPressesNorReleases)
{
    sendKey(&window, QEvent::KeyPress, Qt::Key_Right, false);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Right));
    sendKey(&window, QEvent::KeyRelease, Qt::Key_Right, true);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Right)); // still held
    sendKey(&window, QEvent::KeyRelease, Qt::Key_Right, false);
    sendKey(&window, QEvent::KeyPress, Qt::Key_Right, true);
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Right));
}

TEST_F(KeyStateOfAllWindows, LosingTheActivationLetsHeldKeysGo)
{
    QTest::keyPress(&window, Qt::Key_Left);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Left));
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &deactivate);
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Left));
}

TEST_F(KeyStateOfAllWindows, KeysNeverPressedAndCodesOutOfRangeAreUp)
{
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::D));
    EXPECT_FALSE(keys.GetAsyncKeyState(-1));
    EXPECT_FALSE(keys.GetAsyncKeyState(256));
    EXPECT_FALSE(keys.GetAsyncKeyState(100000));
}

struct KeyCase {
    int qtKey;
    int virtualKey;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << "Qt key 0x" << std::hex << c.qtKey << " -> " << std::dec << c.virtualKey;
}

class VirtualKeyCode : public ::testing::TestWithParam<KeyCase> {};

TEST_P(VirtualKeyCode, MatchesTheRulesCodes) { EXPECT_EQ(virtualKeyOf(GetParam().qtKey), GetParam().virtualKey); }

INSTANTIATE_TEST_SUITE_P(Keys, VirtualKeyCode,
                         ::testing::Values(KeyCase{Qt::Key_A, 65}, KeyCase{Qt::Key_D, 68}, KeyCase{Qt::Key_J, 74},
                                           KeyCase{Qt::Key_K, 75}, KeyCase{Qt::Key_R, 82}, KeyCase{Qt::Key_Z, 90},
                                           KeyCase{Qt::Key_0, 48}, KeyCase{Qt::Key_9, 57}, KeyCase{Qt::Key_Escape, 27},
                                           KeyCase{Qt::Key_Space, 32}, KeyCase{Qt::Key_Left, 37},
                                           KeyCase{Qt::Key_Up, 38}, KeyCase{Qt::Key_Right, 39},
                                           KeyCase{Qt::Key_Down, 40}, KeyCase{Qt::Key_Return, 13},
                                           KeyCase{Qt::Key_Enter, 13}, KeyCase{Qt::Key_F1, 0},
                                           KeyCase{Qt::Key_Adiaeresis, 0}));

TEST(ShiftState, ShiftCtrlAndAltAreOneTwoAndFour)
{
    EXPECT_EQ(shiftStateOf(Qt::NoModifier), 0);
    EXPECT_EQ(shiftStateOf(Qt::ShiftModifier), 1);
    EXPECT_EQ(shiftStateOf(Qt::ControlModifier), 2);
    EXPECT_EQ(shiftStateOf(Qt::AltModifier), 4);
    EXPECT_EQ(shiftStateOf(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier), 7);
}

// ---- message boxes --------------------------------------------------------------------------

QStringList buttonTexts(const QMessageBox& box)
{
    QStringList texts;
    for (QAbstractButton* b : box.buttons())
        texts << b->text();
    return texts;
}

TEST(MessageBox, QuestionHasGermanYesAndNoNoIconAndNoCloseBox)
{
    const auto box = buildMessageBox("Wollen sie updaten?", mb::vbYesNo, "Update");
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Update"));
    EXPECT_EQ(box->text(), QStringLiteral("Wollen sie updaten?"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_THAT(buttonTexts(*box), UnorderedElementsAre(QStringLiteral("Ja"), QStringLiteral("Nein")));
    EXPECT_FALSE(box->windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

TEST(MessageBox, ErrorHasCriticalIconAndOk)
{
    const auto box = buildMessageBox("Level.bmp fehlt <b>nicht fett</b>", mb::vbCritical, "Error");
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_THAT(buttonTexts(*box), UnorderedElementsAre(QStringLiteral("OK")));
}

TEST(MessageBox, PlainMessageHasOkAndNoIcon)
{
    const auto box = buildMessageBox("Hinweis", mb::vbOKOnly, "");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_THAT(buttonTexts(*box), UnorderedElementsAre(QStringLiteral("OK")));
}

TEST(MessageBox, UmlautsReachTheBoxIntact)
{
    const auto box = buildMessageBox("Wollen sie zur Levelauswahl zurückkehren?", mb::vbYesNo, "Sicher!?");
    EXPECT_EQ(box->text(), QStringLiteral(u"Wollen sie zur Levelauswahl zur\u00fcckkehren?"));
}

struct Answer {
    int style;
    const char* press; // button text, or "Escape"
    int answer;
};

void PrintTo(const Answer& a, std::ostream* os) { *os << "style " << a.style << ", " << a.press << " -> " << a.answer; }

class MessageBoxAnswer : public ::testing::TestWithParam<Answer> {};

TEST_P(MessageBoxAnswer, IsTheCodeOfTheButtonPressed)
{
    const Answer a = GetParam();
    bool pressed = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (QString::fromUtf8(a.press) == QStringLiteral("Escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QString::fromUtf8(a.press))
                    b->click();
        }
        pressed = true;
    });
    QtMessageBoxes boxes;
    EXPECT_EQ(boxes.MsgBox("Frage", a.style, "Titel"), a.answer);
    EXPECT_TRUE(pressed);
}

INSTANTIATE_TEST_SUITE_P(Buttons, MessageBoxAnswer,
                         ::testing::Values(Answer{mb::vbYesNo, "Ja", mb::vbYes}, Answer{mb::vbYesNo, "Nein", mb::vbNo},
                                           Answer{mb::vbOKOnly, "OK", mb::vbOK},
                                           Answer{mb::vbOKOnly, "Escape", mb::vbOK},
                                           Answer{mb::vbCritical, "OK", mb::vbOK},
                                           Answer{mb::vbCritical, "Escape", mb::vbOK}));

TEST(MessageBox, QuestionIgnoresEscapeAndCloseRequestsAndWaitsForAButton)
{
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(box->close()); // as the window system's close box or Alt+F4 asks
        QCoreApplication::processEvents();
        stillOpen = box->isVisible();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("Nein"))
                b->click();
    });
    QtMessageBoxes boxes;
    EXPECT_EQ(boxes.MsgBox("Frage", mb::vbYesNo, "Titel"), mb::vbNo);
    EXPECT_TRUE(stillOpen);
}

TEST(MessageBox, BoxClosedByTheProgramHasNoAnswer)
{
    QtMessageBoxes boxes;
    QTimer::singleShot(0, [&] { boxes.closeUnanswered(); });
    EXPECT_EQ(boxes.MsgBox("Frage", mb::vbYesNo, "Titel"), mb::vbNoAnswer);
    boxes.closeUnanswered(); // none open: nothing happens
}

// ---- screen ---------------------------------------------------------------------------------

struct DpiCase {
    double dpiX;
    double dpiY;
    double twipsPerPixelX;
    double twipsPerPixelY;
};

void PrintTo(const DpiCase& c, std::ostream* os) { *os << c.dpiX << "x" << c.dpiY << " dpi"; }

class ScreenTwips : public ::testing::TestWithParam<DpiCase> {};

TEST_P(ScreenTwips, AreFourteenFortyPerInch)
{
    const DpiCase c = GetParam();
    const ScreenMetrics m = screenMetricsFor(QSize(1280, 1024), c.dpiX, c.dpiY);
    EXPECT_DOUBLE_EQ(m.twipsPerPixelX, c.twipsPerPixelX);
    EXPECT_DOUBLE_EQ(m.twipsPerPixelY, c.twipsPerPixelY);
    EXPECT_DOUBLE_EQ(m.widthTwips, 1280 * c.twipsPerPixelX);
    EXPECT_DOUBLE_EQ(m.heightTwips, 1024 * c.twipsPerPixelY);
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScreenTwips,
                         ::testing::Values(DpiCase{96, 96, 15, 15}, DpiCase{120, 120, 12, 12}, DpiCase{144, 72, 10, 20},
                                           DpiCase{0, 0, 15, 15}, DpiCase{-1, 96, 15, 15}));

TEST(ScreenTwips, CurrentScreenIsMeasuredFromThePrimaryScreen)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const ScreenMetrics m = currentScreenMetrics();
    EXPECT_DOUBLE_EQ(m.twipsPerPixelX, 1440.0 / screen->logicalDotsPerInchX());
    EXPECT_DOUBLE_EQ(m.widthTwips, screen->size().width() * m.twipsPerPixelX);
    EXPECT_DOUBLE_EQ(m.heightTwips, screen->size().height() * m.twipsPerPixelY);
}

} // namespace
} // namespace hopplix
