// The launcher on the headless backend: the level list, Start and coming back, the enlargement
// bar, the colour chooser, the first opening, and the design of its controls.

#include "app/Forms.h"
#include "common/ColourText.h"
#include "game/ui/Form1.h"
#include "launcher/ui/Form3.h"
#include "platform/PathText.h"
#include "support/system.h"
#include "support/temp_folder.h"
#include "support/test_services.h"
#include "updater/ui/Form4.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace hopplix {
namespace {

namespace fs = std::filesystem;

std::uint32_t rgb(int r, int g, int b)
{
    return colourValue(Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)});
}

// A white bitmap of 64 x 48 pixels.
std::string whiteBitmap()
{
    std::string bytes = "BM";
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const std::uint32_t data = 64 * 48 * 3;
    for (const auto& [value, size] : {std::pair{54 + data, 4},
                                      {0u, 4},
                                      {54u, 4},
                                      {40u, 4},
                                      {64u, 4},
                                      {48u, 4},
                                      {1u, 2},
                                      {24u, 2},
                                      {0u, 4},
                                      {data, 4},
                                      {3780u, 4},
                                      {3780u, 4},
                                      {0u, 4},
                                      {0u, 4}})
        put(value, size);
    return bytes + std::string(data, '\xFF');
}

// A launcher on a program folder that the test fills.
class Launcher : public ::testing::Test {
protected:
    void TearDown() override { platform.windows.runPending(); }

    fs::path levels() const { return program.path() / "Level"; }

    // A white level, big enough to be played, in `folder` (the levels folder by default) under
    // the picture name given.
    void addLevel(const std::string& name, const fs::path& folder = {}, const std::string& picture = "Level.bmp") const
    {
        const fs::path level = (folder.empty() ? levels() : folder) / pathFromText(name);
        fs::create_directories(level);
        std::ofstream(level / picture, std::ios::binary) << whiteBitmap();
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
            items.push_back(launcher.Combo1()->itemText(i));
        return items;
    }

    std::string currentEntry() { return launcher.Combo1()->itemText(launcher.Combo1()->currentIndex()); }

    void pick(int index) { headless::pick(*launcher.Combo1(), index); }
    void pressStart() { headless::click(*launcher.Command1()); }
    void clickBar() { headless::click(*launcher.opener()); }
    int barTop() { return launcher.opener()->geometry().y; }
    int clientHeight() { return launcher.window()->clientSize().height; }

    // The level is left: the game window closes and the launcher comes back.
    void comeBack()
    {
        forms.form1().Unload();
        launcher.Show();
        platform.windows.runPending();
    }

    test::TempFolder program;
    test::TestPlatform platform;
    BmpPictureDecoder pictures;
    Forms forms{platform.services(program.path()), pictures};
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
    EXPECT_EQ(launcher.Label1()->text(), "Hier Level auswählen");
    EXPECT_EQ(launcher.Combo1()->currentIndex(), -1);
    EXPECT_FALSE(launcher.Command1()->isEnabled());
}

TEST_F(Launcher, MissingLevelsFolderShowsNoLevelsAndStartStaysDisabled)
{
    launcher.Show();
    EXPECT_EQ(launcher.Combo1()->count(), 0);
    EXPECT_EQ(launcher.Label1()->text(), "Es wurden keine Level gefunden");
    EXPECT_FALSE(launcher.Command1()->isEnabled());
    pressStart();
    EXPECT_TRUE(launcher.isLoaded());
    EXPECT_FALSE(forms.form1().isLoaded());
    EXPECT_EQ(launcher.levelpfad, "");
}

TEST_F(Launcher, HiddenLevelFolderIsNotListed)
{
    addLevels({"Versteckt", "Sichtbar"});
    test::hideEntry(levels() / "Versteckt");
    launcher.Show();
    EXPECT_EQ(listShown(), std::vector<std::string>{"Sichtbar"});
}

TEST_F(Launcher, LevelNamesAreShownAsTheyAre)
{
    // Windows ends no name in a blank.
    const std::string blanks = test::onWindows ? "  Leerzeichen" : "  Leerzeichen  ";
    addLevels({"Höhle der Äpfel", blanks});
    launcher.Show();
    EXPECT_EQ(listShown(), (std::vector<std::string>{blanks, "Höhle der Äpfel"}));
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
    EXPECT_EQ(launcher.Shape1()->fill(), rgb(255, 0, 0));
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
    // Windows keeps names as UTF-16: a name unpacked there is already the text it shows.
    const std::string name = test::onWindows ? c.shown : c.name;
    addLevel(name, program.path() / c.levelsFolder, c.picture);
    std::ofstream(program.path() / c.levelsFolder / pathFromText(name) / c.config, std::ios::binary)
        << "[Startposition]\r\nx=10\r\n";
    launcher.Show();
    EXPECT_EQ(listShown(), std::vector<std::string>{c.shown});
    pick(0);
    pressStart();
    EXPECT_EQ(launcher.levelpfad, name) << "byte for byte";
    EXPECT_TRUE(platform.messages.shown.empty()) << platform.messages.shown[0].prompt;
    ASSERT_TRUE(forms.form1().Visible());
    EXPECT_NE(forms.form1().play.StartX, "0") << "its config.ini was read";
}

INSTANTIATE_TEST_SUITE_P(Levels, LevelMadeElsewhere,
                         ::testing::Values(
                             // An old zip file: the name in Windows-1252, shown as Windows shows it.
                             ForeignLevel{"name not UTF-8", "Level", "Caf\xE9", "Café", "Level.bmp", "config.ini"},
                             ForeignLevel{"names in capitals", "LEVEL", "Wald", "Wald", "LEVEL.BMP", "CONFIG.INI"},
                             ForeignLevel{"names in small letters", "level", "Berg", "Berg", "level.bmp",
                                          "Config.ini"}));

TEST_F(Launcher, LauncherRestoresThirdLevelAfterPlay)
{
    addLevels({"A1", "B2", "C3", "D4", "E5"});
    launcher.Show();
    pick(2);
    pressStart();
    comeBack();
    EXPECT_EQ(launcher.Combo1()->currentIndex(), 2);
    EXPECT_EQ(currentEntry(), "C3");
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
    headless::requestClose(*launcher.window());
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
    headless::requestClose(*launcher.window());
    EXPECT_EQ(platform.endProgramCalls, 1);
}

// ---- enlargement bar ------------------------------------------------------------------------

TEST_F(Launcher, OpensCollapsedWithTheBarAlongTheBottom)
{
    launcher.Show();
    EXPECT_DOUBLE_EQ(launcher.outerHeightTwips(), 2730);
    EXPECT_FALSE(launcher.geöffnet);
    EXPECT_EQ(launcher.opener()->text(), "<<< >>>");
    EXPECT_EQ(launcher.opener()->geometry().x, 0);
    EXPECT_EQ(launcher.opener()->geometry().bottom(), clientHeight());
    EXPECT_LE(launcher.Command1()->geometry().bottom(), barTop());
}

TEST_F(Launcher, BarExpandsAndCollapsesTheWindow)
{
    launcher.Show();
    const int width = launcher.window()->clientSize().width;
    clickBar();
    EXPECT_EQ(launcher.pxY(launcher.outerHeightTwips()), launcher.pxY(5000));
    EXPECT_TRUE(launcher.geöffnet);
    EXPECT_EQ(launcher.opener()->text(), ">>> <<<");
    EXPECT_EQ(launcher.opener()->geometry().bottom(), clientHeight());
    EXPECT_LE(launcher.HScroll1(2)->geometry().bottom(), barTop());
    clickBar();
    EXPECT_DOUBLE_EQ(launcher.outerHeightTwips(), 2730);
    EXPECT_FALSE(launcher.geöffnet);
    EXPECT_EQ(launcher.opener()->text(), "<<< >>>");
    EXPECT_EQ(launcher.opener()->geometry().bottom(), clientHeight());
    EXPECT_EQ(launcher.window()->clientSize().width, width);
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
    const std::vector<std::string> captions = {"Rot: 255", "Grün: 0", "Blau: 0"};
    const std::vector<std::uint32_t> dots = {rgb(255, 0, 0), rgb(0, 0, 0), rgb(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(launcher.Label2(i)->text(), captions[k]);
        EXPECT_EQ(launcher.Farbpunkt(i)->fill(), dots[k]);
        EXPECT_EQ(launcher.Farbpunkt(i)->kind(), Shape::Kind::Circle);
        EXPECT_EQ(launcher.HScroll1(i)->minimum(), 0);
        EXPECT_EQ(launcher.HScroll1(i)->maximum(), 255);
        // The arrows step by one, a click in the track by twenty.
        EXPECT_EQ(launcher.HScroll1(i)->smallChange(), 1);
        EXPECT_EQ(launcher.HScroll1(i)->largeChange(), 20);
    }
    EXPECT_EQ(launcher.HScroll1(0)->value(), 255);
}

TEST_F(Launcher, MovingGreenTo128MixesOrange)
{
    launcher.Show();
    launcher.HScroll1(1)->setValue(128);
    EXPECT_EQ(launcher.Label2(1)->text(), "Grün: 128");
    EXPECT_EQ(launcher.Farbpunkt(1)->fill(), rgb(0, 128, 0));
    EXPECT_EQ(launcher.Shape1()->fill(), rgb(255, 128, 0));
}

TEST_F(Launcher, WholeCaptionStaysReadableAtThreeDigits)
{
    launcher.Show();
    for (int i = 0; i < 3; ++i) {
        launcher.HScroll1(i)->setValue(255);
        Label* label = launcher.Label2(i);
        EXPECT_LE(label->geometry().right(), launcher.HScroll1(i)->geometry().x) << label->text();
    }
}

// Regression: without a window frame the collapsed launcher showed the top edge of the red
// colour row's scroll bar above the bar; with a thin frame (a scale factor of 2) it showed the
// version caption.
TEST_F(Launcher, CollapsedShowsNoneOfTheControlsBelowTheBar)
{
    platform.windows.setFrame({2, 10});
    launcher.Show();
    for (const bool expanded : {false, true}) {
        for (int i = 0; i < 3; ++i)
            for (Control* control :
                 {static_cast<Control*>(launcher.HScroll1(i)), static_cast<Control*>(launcher.Label2(i)),
                  static_cast<Control*>(launcher.Farbpunkt(i))}) {
                SCOPED_TRACE(i);
                EXPECT_EQ(control->isVisible(), expanded);
            }
        EXPECT_EQ(launcher.Version()->isVisible(), expanded);
        clickBar();
    }
}

TEST_F(Launcher, RedBarReachesBothEnds)
{
    launcher.Show();
    HScrollBar* red = launcher.HScroll1(0);
    red->setValue(0);
    EXPECT_EQ(launcher.Label2(0)->text(), "Rot: 0");
    EXPECT_EQ(launcher.Farbpunkt(0)->fill(), rgb(0, 0, 0));
    red->setValue(255);
    EXPECT_EQ(launcher.Label2(0)->text(), "Rot: 255");
}

TEST_F(Launcher, DraggingABarUpdatesItsRow)
{
    launcher.Show();
    clickBar();
    headless::drag(*launcher.HScroll1(1), 77);
    EXPECT_EQ(launcher.Label2(1)->text(), "Grün: 77");
    EXPECT_EQ(launcher.Shape1()->fill(), rgb(255, 77, 0));
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
    EXPECT_EQ(launcher.Shape1()->fill(), rgb(10, 20, 30));
    EXPECT_EQ(launcher.HScroll1(0)->value(), 255);
    EXPECT_EQ(launcher.HScroll1(1)->value(), 0);
    EXPECT_EQ(launcher.HScroll1(2)->value(), 0);
    EXPECT_EQ(launcher.Label2(0)->text(), "Rot: 255");
    clickBar();
    headless::drag(*launcher.HScroll1(1), 1);
    EXPECT_EQ(launcher.Shape1()->fill(), rgb(255, 1, 0));
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

TEST_F(Launcher, IsCalledLevelauswahlAndCentredOnTheScreen)
{
    platform.windows.setFrame({8, 30});
    launcher.Show();
    Window* w = launcher.window();
    EXPECT_EQ(w->caption(), "Levelauswahl");
    EXPECT_EQ(w->clientSize().width, launcher.pxX(6120));
    const PixelRect frame = w->frameRect();
    const PixelRect screen = platform.windows.availableArea();
    EXPECT_NEAR(frame.x + frame.width / 2, screen.x + screen.width / 2, 1);
}

// The controls' design: place in pixels at 96 dpi, and font.
struct DesignCase {
    const char* name;
    std::function<Control*(Form3&)> control;
    PixelRect place;
    Font font;
};

void PrintTo(const DesignCase& c, std::ostream* os) { *os << c.name; }

class LauncherDesign : public Launcher, public ::testing::WithParamInterface<DesignCase> {};

TEST_P(LauncherDesign, ControlSitsWhereDesignedInItsFont)
{
    launcher.Show();
    Control* control = GetParam().control(launcher);
    EXPECT_EQ(control->geometry(), GetParam().place);
    EXPECT_EQ(headless::fontOf(*control), GetParam().font);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, LauncherDesign,
    ::testing::Values(DesignCase{"Label1", [](Form3& f) { return f.Label1(); }, {16, 24, 377, 25}, {{}, 18, true}},
                      DesignCase{"Combo1", [](Form3& f) { return f.Combo1(); }, {16, 56, 377, 32}, {{}, 13.5, true}},
                      DesignCase{"Shape1", [](Form3& f) { return f.Shape1(); }, {16, 96, 33, 33}, {}},
                      DesignCase{"Command1", [](Form3& f) { return f.Command1(); }, {64, 96, 321, 33}, {}},
                      DesignCase{"Version", [](Form3& f) { return f.Version(); }, {104, 136, 41, 17}, {}},
                      DesignCase{"HScroll1_1", [](Form3& f) { return f.HScroll1(1); }, {120, 200, 273, 33}, {}},
                      DesignCase{"Farbpunkt_2", [](Form3& f) { return f.Farbpunkt(2); }, {16, 248, 17, 17}, {}},
                      DesignCase{"Label2_0", [](Form3& f) { return f.Label2(0); }, {40, 168, 65, 17}, {{}, 9.75, true}},
                      DesignCase{"opener", [](Form3& f) { return f.opener(); }, {0, 165, 409, 17}, {{}, 9.75, true}}),
    [](const ::testing::TestParamInfo<DesignCase>& param) { return std::string(param.param.name); });

TEST_F(Launcher, ColoursAreAsDesignedAndTheVersionCaptionIsTheInstalledVersion)
{
    EXPECT_EQ(launcher.VersionCaption(), "1,0");
    EXPECT_EQ(launcher.Version()->text(), "1,0");
    EXPECT_EQ(headless::backgroundOf(*launcher.opener()), rgb(90, 172, 255));
    EXPECT_EQ(headless::alignmentOf(*launcher.opener()), Alignment::Centre);
    EXPECT_EQ(launcher.Shape1()->kind(), Shape::Kind::RoundedRectangle);
    EXPECT_EQ(launcher.Shape1()->border(), rgb(0, 0, 0));
}

} // namespace
} // namespace hopplix
