#include "app/Forms.h"
#include "support/temp_folder.h"
#include "forms/CaptionFit.h"
#include "forms/ClickLabel.h"
#include "forms/ShapeWidget.h"
#include "game/ui/Form1.h"
#include "launcher/ui/Form3.h"
#include "support/test_services.h"
#include "updater/ui/Form4.h"

#include <QApplication>
#include <QBuffer>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <ostream>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hopplix {
namespace {

namespace fs = std::filesystem;

QColor rgb(int r, int g, int b) { return QColor(r, g, b); }

// A launcher on a program folder that the test fills.
class Launcher : public ::testing::Test {
protected:
    void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    fs::path levels() const { return program.path() / "Level"; }

    // A white level, big enough to be played, in `folder` (the levels folder by default) under
    // the picture name given.
    void addLevel(const std::string& name, const fs::path& folder = {}, const std::string& picture = "Level.bmp") const
    {
        const fs::path level = (folder.empty() ? levels() : folder) / name;
        fs::create_directories(level);
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::white);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "BMP"));
        std::ofstream(level / picture, std::ios::binary).write(bytes.constData(), bytes.size());
    }
    void addLevels(const std::vector<std::string>& names) const
    {
        for (const auto& name : names)
            addLevel(name);
    }

    std::vector<std::string> listShown()
    {
        std::vector<std::string> items;
        for (int i = 0; i < launcher.Combo1()->count(); ++i)
            items.push_back(launcher.Combo1()->itemText(i).toStdString());
        return items;
    }

    // The player picks entry `index` with the keyboard.
    void pick(int index)
    {
        QComboBox* combo = launcher.Combo1();
        combo->setCurrentIndex(-1);
        for (int i = 0; i <= index; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        ASSERT_EQ(combo->currentIndex(), index);
    }

    // The player clicks one part of a scroll bar: an arrow or the track beside the thumb.
    static void clickBarPart(QScrollBar* bar, QStyle::SubControl part)
    {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.upsideDown = bar->invertedAppearance();
        const QRect area = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
        ASSERT_FALSE(area.isEmpty());
        QTest::mouseClick(bar, Qt::LeftButton, {}, area.center());
    }

    void pressStart() { QTest::mouseClick(launcher.Command1(), Qt::LeftButton); }
    void clickBar() { QTest::mouseClick(launcher.opener(), Qt::LeftButton); }

    // The level is left: the game window closes and the launcher comes back.
    void comeBack()
    {
        forms.form1().Unload();
        launcher.Show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    test::TempFolder program;
    test::TestPlatform platform;
    Forms forms{platform.services(program.path())};
    Form3& launcher = forms.form3();
};

// ---- start-up and level list ----------------------------------------------------------------

TEST_F(Launcher, ListsOnlyFoldersWithALevelPicture)
{
    addLevel("Alpha");
    fs::create_directories(levels() / "Beta");
    fs::create_directories(levels() / "Gamma" / "Level.bmp");
    std::ofstream(levels() / "notes.txt") << "Notizen";
    launcher.Show();
    EXPECT_EQ(listShown(), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(launcher.Label1()->text(), QStringLiteral("Hier Level auswählen"));
    EXPECT_EQ(launcher.Combo1()->currentIndex(), -1);
    EXPECT_FALSE(launcher.Command1()->isEnabled());
}

TEST_F(Launcher, MissingLevelsFolderShowsNoLevelsAndStartStaysDisabled)
{
    launcher.Show();
    EXPECT_EQ(launcher.Combo1()->count(), 0);
    EXPECT_EQ(launcher.Label1()->text(), QStringLiteral("Es wurden keine Level gefunden"));
    EXPECT_FALSE(launcher.Command1()->isEnabled());
    QTest::mouseClick(launcher.Command1(), Qt::LeftButton);
    EXPECT_TRUE(launcher.isLoaded());
    EXPECT_FALSE(forms.form1().isLoaded());
    EXPECT_EQ(launcher.levelpfad, "");
}

TEST_F(Launcher, HiddenLevelFolderIsNotListed)
{
    addLevels({".versteckt", "Sichtbar"});
    launcher.Show();
    EXPECT_EQ(listShown(), std::vector<std::string>{"Sichtbar"});
}

TEST_F(Launcher, LevelNamesAreShownAsTheyAre)
{
    addLevels({"Höhle der Äpfel", "  Leerzeichen  "});
    launcher.Show();
    EXPECT_EQ(listShown(), (std::vector<std::string>{"  Leerzeichen  ", "Höhle der Äpfel"}));
}

TEST_F(Launcher, SelectingALevelEnablesStart)
{
    addLevels({"Alpha", "Beta"});
    launcher.Show();
    pick(1);
    EXPECT_TRUE(launcher.Command1()->isEnabled());
}

TEST_F(Launcher, AtProgramStartThePreviewIsPureRed)
{
    launcher.Show();
    EXPECT_EQ(launcher.Spielerfarbe, "");
    EXPECT_EQ(launcher.Shape1()->fillColor(), rgb(255, 0, 0));
}

// ---- Start and coming back ------------------------------------------------------------------

TEST_F(Launcher, StartHandsTheLevelToTheGameWindow)
{
    addLevels({"Alpha", "Beta", "Gamma"});
    launcher.Show();
    pick(1);
    pressStart();
    EXPECT_EQ(launcher.levelpfad, "Beta");
    EXPECT_EQ(launcher.ausgewähltesLevel, 1);
    EXPECT_EQ(launcher.Spielerfarbe, "255"); // the chooser was never touched
    EXPECT_FALSE(launcher.starten);
    EXPECT_FALSE(launcher.isLoaded());
    EXPECT_TRUE(forms.form1().Visible());
    EXPECT_EQ(platform.endProgramCalls, 0);
}

struct ForeignLevel {
    const char* what;
    const char* levelsFolder;
    std::string name;
    const char* shown;
    const char* picture;
    const char* config;
};

void PrintTo(const ForeignLevel& c, std::ostream* os) { *os << c.what; }

class LevelMadeElsewhere : public Launcher, public ::testing::WithParamInterface<ForeignLevel> {};

TEST_P(LevelMadeElsewhere, IsListedStartedAndPlayed)
{
    const ForeignLevel& c = GetParam();
    addLevel(c.name, program.path() / c.levelsFolder, c.picture);
    std::ofstream(program.path() / c.levelsFolder / c.name / c.config, std::ios::binary)
        << "[Startposition]\r\nx=10\r\n";
    launcher.Show();
    EXPECT_EQ(listShown(), std::vector<std::string>{c.shown});
    pick(0);
    pressStart();
    EXPECT_EQ(launcher.levelpfad, c.name) << "byte for byte";
    EXPECT_TRUE(platform.messages.shown.empty()) << platform.messages.shown[0].prompt;
    ASSERT_TRUE(forms.form1().Visible());
    EXPECT_NE(forms.form1().play.StartX, "0") << "its config.ini was read";
}

INSTANTIATE_TEST_SUITE_P(
    Levels, LevelMadeElsewhere,
    ::testing::Values(
        // An old zip file: the name in Windows-1252, shown as Windows shows it.
        ForeignLevel{"name not UTF-8", "Level", "Caf\xE9", "Café", "Level.bmp", "config.ini"},
        ForeignLevel{"names in capitals", "LEVEL", "Wald", "Wald", "LEVEL.BMP", "CONFIG.INI"},
        ForeignLevel{"names in small letters", "level", "Berg", "Berg", "level.bmp", "Config.ini"}));

TEST_F(Launcher, LauncherRestoresThirdLevelAfterPlay)
{
    addLevels({"A1", "B2", "C3", "D4", "E5"});
    launcher.Show();
    pick(2);
    pressStart();
    comeBack();
    EXPECT_EQ(launcher.Combo1()->currentIndex(), 2);
    EXPECT_EQ(launcher.Combo1()->currentText(), QStringLiteral("C3"));
    EXPECT_TRUE(launcher.Command1()->isEnabled());
}

TEST_F(Launcher, FirstLevelIsNeverRestored)
{
    addLevels({"A1", "B2", "C3", "D4", "E5"});
    launcher.Show();
    pick(0);
    pressStart();
    EXPECT_EQ(launcher.ausgewähltesLevel, 0);
    comeBack();
    EXPECT_EQ(launcher.Combo1()->currentIndex(), -1);
    EXPECT_FALSE(launcher.Command1()->isEnabled());
}

TEST_F(Launcher, RemovedLevelsLeaveNothingSelected)
{
    addLevels({"A1", "B2", "C3", "D4", "E5"});
    launcher.Show();
    pick(4);
    pressStart();
    fs::remove_all(levels() / "D4");
    fs::remove_all(levels() / "E5");
    comeBack();
    EXPECT_EQ(launcher.Combo1()->count(), 3);
    EXPECT_EQ(launcher.Combo1()->currentIndex(), -1);
    EXPECT_FALSE(launcher.Command1()->isEnabled());
}

TEST_F(Launcher, ClosingTheLauncherEndsTheProgram)
{
    launcher.Show();
    launcher.window()->close();
    EXPECT_EQ(platform.endProgramCalls, 1);
}

TEST_F(Launcher, ClosingTheLauncherAfterALevelEndsTheProgram)
{
    addLevels({"Alpha"});
    launcher.Show();
    pick(0);
    pressStart();
    comeBack();
    EXPECT_EQ(platform.endProgramCalls, 0);
    launcher.window()->close();
    EXPECT_EQ(platform.endProgramCalls, 1);
}

// ---- enlargement bar ------------------------------------------------------------------------

TEST_F(Launcher, OpensCollapsedWithTheBarAlongTheBottom)
{
    launcher.Show();
    EXPECT_DOUBLE_EQ(launcher.outerHeightTwips(), 2730);
    EXPECT_FALSE(launcher.geöffnet);
    EXPECT_EQ(launcher.opener()->text(), QStringLiteral("<<< >>>"));
    EXPECT_EQ(launcher.opener()->x(), 0);
    EXPECT_EQ(launcher.opener()->y() + launcher.opener()->height(), launcher.window()->height());
    EXPECT_LE(launcher.Command1()->geometry().bottom(), launcher.opener()->y());
}

TEST_F(Launcher, BarExpandsAndCollapsesTheWindow)
{
    launcher.Show();
    const int width = launcher.window()->width();
    clickBar();
    EXPECT_EQ(launcher.pxY(launcher.outerHeightTwips()), launcher.pxY(5000));
    EXPECT_TRUE(launcher.geöffnet);
    EXPECT_EQ(launcher.opener()->text(), QStringLiteral(">>> <<<"));
    EXPECT_EQ(launcher.opener()->y() + launcher.opener()->height(), launcher.window()->height());
    EXPECT_LE(launcher.HScroll1(2)->geometry().bottom(), launcher.opener()->y());
    clickBar();
    EXPECT_DOUBLE_EQ(launcher.outerHeightTwips(), 2730);
    EXPECT_FALSE(launcher.geöffnet);
    EXPECT_EQ(launcher.opener()->text(), QStringLiteral("<<< >>>"));
    EXPECT_EQ(launcher.opener()->y() + launcher.opener()->height(), launcher.window()->height());
    EXPECT_EQ(launcher.window()->width(), width);
}

TEST_F(Launcher, ExpandedLauncherComesBackCollapsed)
{
    addLevels({"Alpha"});
    launcher.Show();
    clickBar();
    pick(0);
    pressStart();
    comeBack();
    EXPECT_DOUBLE_EQ(launcher.outerHeightTwips(), 2730);
    EXPECT_FALSE(launcher.geöffnet);
    clickBar();
    EXPECT_EQ(launcher.pxY(launcher.outerHeightTwips()), launcher.pxY(5000));
}

// ---- colour chooser -------------------------------------------------------------------------

TEST_F(Launcher, ColourChooserStartsAtPureRed)
{
    launcher.Show();
    const QStringList captions = {QStringLiteral("Rot: 255"), QStringLiteral("Grün: 0"), QStringLiteral("Blau: 0")};
    const QList<QColor> dots = {rgb(255, 0, 0), rgb(0, 0, 0), rgb(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(launcher.Label2(i)->text(), captions[i]);
        EXPECT_EQ(launcher.Farbpunkt(i)->fillColor(), dots[i]);
        EXPECT_EQ(launcher.Farbpunkt(i)->kind(), ShapeWidget::Kind::Circle);
        EXPECT_EQ(launcher.HScroll1(i)->minimum(), 0);
        EXPECT_EQ(launcher.HScroll1(i)->maximum(), 255);
    }
    EXPECT_EQ(launcher.HScroll1(0)->value(), 255);
}

TEST_F(Launcher, MovingGreenTo128MixesOrange)
{
    launcher.Show();
    launcher.HScroll1(1)->setValue(128);
    EXPECT_EQ(launcher.Label2(1)->text(), QStringLiteral("Grün: 128"));
    EXPECT_EQ(launcher.Farbpunkt(1)->fillColor(), rgb(0, 128, 0));
    EXPECT_EQ(launcher.Shape1()->fillColor(), rgb(255, 128, 0));
}

TEST_F(Launcher, WholeCaptionStaysReadableAtThreeDigits)
{
    launcher.Show();
    for (int i = 0; i < 3; ++i) {
        launcher.HScroll1(i)->setValue(255);
        QLabel* label = launcher.Label2(i);
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), launcher.HScroll1(i)->x()) << label->text().toStdString();
    }
}

// Regression: without a window frame the collapsed launcher showed the top edge of the red
// colour row's scroll bar above the bar.
TEST_F(Launcher, CollapsedShowsNoControlCutByTheBar)
{
    launcher.Show();
    for (const bool expanded : {false, true}) {
        for (int i = 0; i < 3; ++i)
            for (QWidget* control : {static_cast<QWidget*>(launcher.HScroll1(i)), static_cast<QWidget*>(launcher.Label2(i)),
                                     static_cast<QWidget*>(launcher.Farbpunkt(i))}) {
                SCOPED_TRACE(control->objectName().toStdString());
                EXPECT_EQ(control->isVisible(), expanded);
            }
        EXPECT_TRUE(launcher.Version()->isVisible()) << "without a frame it is whole above the bar";
        clickBar();
    }
}

TEST_F(Launcher, ArrowsStepByOneAndTheTrackByTwenty)
{
    launcher.Show();
    clickBar();
    QScrollBar* blue = launcher.HScroll1(2);
    clickBarPart(blue, QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(blue->value(), 1);
    clickBarPart(blue, QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(blue->value(), 21);
    EXPECT_EQ(launcher.Label2(2)->text(), QStringLiteral("Blau: 21"));
    EXPECT_EQ(launcher.Farbpunkt(2)->fillColor(), rgb(0, 0, 21));
    EXPECT_EQ(launcher.Shape1()->fillColor(), rgb(255, 0, 21));
}

TEST_F(Launcher, RedBarReachesBothEnds)
{
    launcher.Show();
    QScrollBar* red = launcher.HScroll1(0);
    red->setValue(0);
    EXPECT_EQ(launcher.Label2(0)->text(), QStringLiteral("Rot: 0"));
    EXPECT_EQ(launcher.Farbpunkt(0)->fillColor(), rgb(0, 0, 0));
    red->setValue(255);
    EXPECT_EQ(launcher.Label2(0)->text(), QStringLiteral("Rot: 255"));
}

TEST_F(Launcher, DraggingABarUpdatesItsRow)
{
    launcher.Show();
    QScrollBar* green = launcher.HScroll1(1);
    green->setSliderDown(true);
    green->setSliderPosition(77); // emits the drag's sliderMoved
    EXPECT_EQ(launcher.Label2(1)->text(), QStringLiteral("Grün: 77"));
    EXPECT_EQ(launcher.Shape1()->fillColor(), rgb(255, 77, 0));
    green->setSliderDown(false);
}

TEST_F(Launcher, RemembersTheMixedColourForThePreviewOnly)
{
    addLevels({"Alpha"});
    launcher.Show();
    clickBar();
    launcher.HScroll1(0)->setValue(10);
    launcher.HScroll1(1)->setValue(20);
    launcher.HScroll1(2)->setValue(30);
    pick(0);
    pressStart();
    EXPECT_EQ(launcher.Spielerfarbe, "1971210");
    comeBack();
    EXPECT_EQ(launcher.Shape1()->fillColor(), rgb(10, 20, 30));
    EXPECT_EQ(launcher.HScroll1(0)->value(), 255);
    EXPECT_EQ(launcher.HScroll1(1)->value(), 0);
    EXPECT_EQ(launcher.HScroll1(2)->value(), 0);
    EXPECT_EQ(launcher.Label2(0)->text(), QStringLiteral("Rot: 255"));
    clickBar();
    clickBarPart(launcher.HScroll1(1), QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(launcher.Shape1()->fillColor(), rgb(255, 1, 0));
}

// ---- first opening --------------------------------------------------------------------------

TEST_F(Launcher, LeftoverUpdateScriptIsDeletedAtTheFirstOpeningOnly)
{
    addLevels({"Alpha"});
    const auto script = program.path() / "update.cmd";
    std::ofstream(script) << "alt";
    // What a killed update left behind goes with it.
    fs::create_directories(program.path() / ".hopplix-staging");
    std::ofstream(program.path() / ".hopplix-part-Ab12Cd") << "half";
    launcher.Show();
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(program.path() / ".hopplix-staging"));
    EXPECT_FALSE(fs::exists(program.path() / ".hopplix-part-Ab12Cd"));
    EXPECT_TRUE(launcher.ersterstart);
    std::ofstream(script) << "neu";
    pick(0);
    pressStart();
    comeBack();
    EXPECT_TRUE(fs::exists(script));
}

TEST_F(Launcher, FolderNamedLikeTheUpdateScriptIsLeftAlone)
{
    fs::create_directories(program.path() / "update.cmd");
    launcher.Show();
    EXPECT_TRUE(fs::is_directory(program.path() / "update.cmd"));
}

TEST_F(Launcher, VisibleUpdaterKeepsTheLauncherHidden)
{
    forms.form4().Show(); // as after an installed update
    launcher.Show();
    EXPECT_TRUE(launcher.isLoaded());
    EXPECT_FALSE(launcher.Visible());
    EXPECT_FALSE(launcher.ersterstart);
}

// ---- window ---------------------------------------------------------------------------------

TEST_F(Launcher, IsAFixedCentredDialogOnTheHighlightColour)
{
    launcher.Show();
    FormWindow* w = launcher.window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Levelauswahl"));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_FALSE(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(w->width(), launcher.pxX(6120));
    EXPECT_EQ(w->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Highlight));
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_NEAR(w->frameGeometry().center().x(), screen.center().x(), 1);
}

TEST_F(Launcher, ControlsSitWhereDesigned)
{
    launcher.Show();
    EXPECT_EQ(launcher.Label1()->geometry(), QRect(16, 24, 377, 25));
    EXPECT_EQ(launcher.Combo1()->geometry().topLeft(), QPoint(16, 56));
    EXPECT_EQ(launcher.Shape1()->geometry(), QRect(16, 96, 33, 33));
    EXPECT_EQ(launcher.Command1()->geometry(), QRect(64, 96, 321, 33));
    EXPECT_EQ(launcher.HScroll1(1)->geometry(), QRect(120, 200, 273, 33));
    EXPECT_EQ(launcher.Farbpunkt(2)->geometry(), QRect(16, 248, 17, 17));
    EXPECT_EQ(launcher.Label2(0)->geometry().topLeft(), QPoint(40, 168));
    EXPECT_EQ(launcher.Label2(0)->height(), 17);
    EXPECT_GE(launcher.Label2(0)->width(), 65);
    EXPECT_EQ(launcher.opener()->width(), 409);
}

TEST_F(Launcher, FontsAndColoursAreAsDesigned)
{
    launcher.Show();
    // The heading's designed size; a caption too wide for it is drawn smaller.
    EXPECT_TRUE(designedFont(*launcher.Label1()).bold());
    EXPECT_DOUBLE_EQ(designedFont(*launcher.Label1()).pointSizeF(), 18);
    EXPECT_DOUBLE_EQ(launcher.Combo1()->font().pointSizeF(), 13.5);
    EXPECT_DOUBLE_EQ(launcher.Label2(1)->font().pointSizeF(), 9.75);
    EXPECT_DOUBLE_EQ(launcher.opener()->font().pointSizeF(), 9.75);
    EXPECT_EQ(launcher.opener()->palette().color(QPalette::Window), rgb(90, 172, 255));
    EXPECT_EQ(launcher.Shape1()->kind(), ShapeWidget::Kind::RoundedRectangle);
    EXPECT_FALSE(launcher.Combo1()->isEditable());
}

TEST_F(Launcher, VersionCaptionIsTheInstalledVersion)
{
    EXPECT_EQ(launcher.VersionCaption(), "1,0");
    EXPECT_EQ(launcher.window()->findChild<QLabel*>(QStringLiteral("Version"))->text(), QStringLiteral("1,0"));
}

} // namespace
} // namespace hopplix
