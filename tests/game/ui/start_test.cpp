// From the launcher into a level and back: Start hands over the level and the colour, the
// launcher returns after every way of leaving with its last choice and colour.

#include "game_fixture.h"

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

    // The entry's position in the launcher's list; -1 when it is not listed.
    int findEntry(const std::string& name)
    {
        DropDownList* list = launcher().Combo1();
        for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i) == name)
                return i;
        return -1;
    }
    std::string currentEntry() { return launcher().Combo1()->itemText(launcher().Combo1()->currentIndex()); }

    // The player picks the entry and presses Start.
    void startEntry(const std::string& name)
    {
        const int index = findEntry(name);
        ASSERT_GE(index, 0);
        headless::pick(*launcher().Combo1(), index);
        ASSERT_TRUE(launcher().Command1()->isEnabled());
        headless::click(*launcher().Command1());
        if (game().isLoaded())
            game().Timer1()->setEnabled(false);
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
    EXPECT_EQ(game().Picture1()->playerColour(), 0x0080FFu);
    leaveWithEscape();

    ASSERT_TRUE(launcher().Visible());
    EXPECT_EQ(currentEntry(), "Gamma");
    EXPECT_TRUE(launcher().Command1()->isEnabled());
    EXPECT_EQ(launcher().Shape1()->fill(), 0x0080FFu);
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(StartTest, FirstLevelIsRememberedAsPositionZeroAndNotRestored)
{
    startEntry("Alpha");
    EXPECT_EQ(launcher().ausgewähltesLevel, 0);
    headless::requestClose(*game().window());
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
    EXPECT_EQ(currentEntry(), "Ziel");
    EXPECT_EQ(platform.endProgramCalls, 0);
}

TEST_F(StartTest, PictureDeletedAfterListingGivesOneMessageAndTheLauncherAgain)
{
    std::filesystem::remove(levelFolder("Beta") / "Level.bmp");
    startEntry("Beta");
    expectLoadFailure(Form1::kMissingPictureText);
    EXPECT_EQ(findEntry("Beta"), -1); // listed anew
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

// Regression: Space held while reaching the goal opened the launcher's level list; the key's
// repeats went to the list that had the focus when the launcher came back.
TEST_F(StartTest, KeyHeldFromTheGameDoesNotActInTheLauncher)
{
    startEntry("Ziel");
    game().Timer1()->setEnabled(true);
    ASSERT_TRUE(windows().pressKey(vk::Space));
    windows().advance(4000);
    ASSERT_FALSE(game().isLoaded());
    ASSERT_EQ(windows().activeWindow(), launcher().window());
    EXPECT_FALSE(windows().repeatKey(vk::Space));
    EXPECT_FALSE(windows().releaseKey(vk::Space));
    EXPECT_TRUE(windows().pressKey(vk::Space)); // pressed anew, it is the launcher's
}

} // namespace
} // namespace hopplix::test
