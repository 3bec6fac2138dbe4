// From the launcher into a level and back: Start hands over the level and the colour, the
// launcher returns after every way of leaving with its last choice and colour.

#include "game_fixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>

namespace hopplix::test {
namespace {

using test::openLevel;

class StartTest : public GameWindowTest {
protected:
    void SetUp() override
    {
        GameWindowTest::SetUp();
        for (const char* name : {"Alpha", "Beta", "Gamma"})
            writeLevel(name, openLevel(64, 48, 40));
        writeLevel("Ziel", openLevel(64, 48, 40, 'g'));
        launcher().Show();
    }

    // The player picks the entry with the keyboard and presses Start.
    void startEntry(const QString& name)
    {
        QComboBox* list = launcher().Combo1();
        const int index = list->findText(name);
        ASSERT_GE(index, 0);
        list->setFocus();
        while (list->currentIndex() < index)
            QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > index)
            QTest::keyClick(list, Qt::Key_Up);
        ASSERT_TRUE(launcher().Command1()->isEnabled());
        QTest::mouseClick(launcher().Command1(), Qt::LeftButton);
        if (game().isLoaded()) {
            game().Timer1()->stop();
            waitUntilOnScreen(game());
        }
    }

    void leaveWithEscape()
    {
        platform.messages.answerNext(mb::vbYes);
        pressEscape();
        ASSERT_FALSE(game().isLoaded());
    }
};

TEST_F(StartTest, StartClosesTheLauncherAndOpensTheLevelWithoutEndingTheProgram)
{
    startEntry("Beta");
    EXPECT_FALSE(launcher().isLoaded());
    ASSERT_TRUE(game().isLoaded());
    EXPECT_TRUE(game().Visible());
    EXPECT_EQ(launcher().levelpfad, "Beta");
    EXPECT_EQ(launcher().Spielerfarbe, "255");
    EXPECT_EQ(game().shape1FillColour(), 255u);
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(StartTest, LauncherComesBackWithTheLastChoiceAndTheMixedColour)
{
    launcher().opener_Click();
    launcher().HScroll1(1)->setValue(128); // green 128: orange
    startEntry("Gamma");
    ASSERT_TRUE(game().isLoaded());
    EXPECT_EQ(game().Picture1()->playerFill(), QColor(255, 128, 0));
    leaveWithEscape();

    ASSERT_TRUE(launcher().Visible());
    EXPECT_EQ(launcher().Combo1()->currentText(), QStringLiteral("Gamma"));
    EXPECT_TRUE(launcher().Command1()->isEnabled());
    EXPECT_EQ(launcher().Shape1()->fillColor(), QColor(255, 128, 0));
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(StartTest, FirstLevelIsRememberedAsPositionZeroAndNotRestored)
{
    startEntry("Alpha");
    EXPECT_EQ(launcher().ausgewähltesLevel, 0);
    game().window()->close();
    ASSERT_TRUE(launcher().Visible());
    EXPECT_EQ(launcher().Combo1()->currentIndex(), -1);
    EXPECT_FALSE(launcher().Command1()->isEnabled());
}

TEST_F(StartTest, ReachingTheGoalBringsBackTheLauncherWithTheLevelSelected)
{
    startEntry("Ziel");
    ASSERT_TRUE(game().isLoaded());
    ticks(200);
    EXPECT_FALSE(game().isLoaded());
    EXPECT_EQ(platform.beeper.beeps, 1);
    ASSERT_TRUE(launcher().Visible());
    EXPECT_EQ(launcher().Combo1()->currentText(), QStringLiteral("Ziel"));
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(StartTest, PictureDeletedAfterListingGivesOneMessageAndTheLauncherAgain)
{
    std::filesystem::remove(levelFolder("Beta") / "Level.bmp");
    startEntry("Beta");
    expectLoadFailure(Form1::kMissingPictureText);
    EXPECT_EQ(launcher().Combo1()->findText(QStringLiteral("Beta")), -1); // listed anew
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(StartTest, SecondStartPlaysOnAfterALevelWasLeft)
{
    startEntry("Alpha");
    leaveWithEscape();
    startEntry("Gamma");
    ASSERT_TRUE(game().isLoaded());
    EXPECT_EQ(launcher().levelpfad, "Gamma");
    EXPECT_FALSE(launcher().isLoaded());
}

} // namespace
} // namespace hopplix::test
