// The updater window on the headless backend: the version check, the installation with its
// progress, giving up, and the hand-over on the virtual clock.

#include "app/Forms.h"
#include "common/Paths.h"
#include "forms/headless/HeadlessWindowSystem.h"
#include "launcher/ui/Form3.h"
#include "support/fakes.h"
#include "support/system.h"
#include "support/temp_folder.h"
#include "updater/TestServer.h"
#include "updater/UpdateDoubles.h"
#include "updater/UpdateScript.h"
#include "updater/ui/Form4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace hopplix;
using namespace hopplix::test;

namespace {

class Updater : public ::testing::Test {
protected:
    TestServer server;
    TempFolder folder;
    FakeKeyState keys;
    RecordingMessages messages;
    FakeBeeper beeper;
    headless::HeadlessWindowSystem windows;
    CurlDownloader downloader;
    int endProgramCalls = 0;
    std::vector<std::filesystem::path> scriptStarts;
    std::unique_ptr<Forms> forms;
    std::string oldLocale;

    void SetUp() override
    {
        const char* lc = std::getenv("LC_ALL");
        oldLocale = lc ? lc : "";
        ::setenv("LC_ALL", "de_DE.UTF-8", 1);
        forms = std::make_unique<Forms>(services([this] { ++endProgramCalls; }), pictures);
        forms->services().downloader = &downloader;
        forms->services().startUpdateScript = [this](const std::filesystem::path& p) {
            scriptStarts.push_back(p);
            return true;
        };
        // The launcher's first opening runs its own check, without a server here; the tests call
        // Updatetest themselves against the launcher's installed version "1,0".
        forms->form3().Load();
        forms->services().updateServer = server.baseUrl();
        server.serve("/werkhof/Hopp/Hopplix.txt", "new program");
    }
    void TearDown() override
    {
        forms.reset();
        windows.runPending();
        ::setenv("LC_ALL", oldLocale.c_str(), 1);
    }

    Services services(std::function<void()> endProgram)
    {
        Services s{keys, messages, beeper, ScreenMetrics{}, folder.path(), std::move(endProgram)};
        s.windows = &windows;
        return s;
    }
    bool painted(const std::string& text)
    {
        const auto& texts = headless::paintedTexts(*form4().Label2());
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    Form4& form4() { return forms->form4(); }
    BmpPictureDecoder pictures;
    void announce(const std::string& version)
    {
        server.serve("/werkhof/Hopp/version.txt", "Version: " + version + "\r\n");
    }
    std::filesystem::path newProgramOfThisProcess() const { return folder.path() / (programBaseName() + ".dxe"); }
};

TEST_F(Updater, WindowIsCreatedHiddenWithItsDesignLayout)
{
    Forms fresh(services([] {}), pictures);
    Form4& f = fresh.form4();
    EXPECT_FALSE(f.isLoaded());
    EXPECT_FALSE(f.Visible());
    EXPECT_TRUE(f.isLoaded());
    EXPECT_EQ(f.window()->caption(), "Update...");
    EXPECT_EQ(f.window()->clientSize(), (PixelSize{f.pxX(6735), f.pxY(2130)}));
    EXPECT_EQ(f.Label1()->text(), "Update...");
    EXPECT_EQ(headless::fontOf(*f.Label1()), (Font{{}, 36, true}));
    EXPECT_EQ(headless::alignmentOf(*f.Label1()), Alignment::TopCentre);
    EXPECT_EQ(f.Label2()->text(), "Datei: 1/1 'Dateiname'");
    EXPECT_EQ(f.Label2()->geometry(), (PixelRect{0, f.pxY(1800), f.pxX(6735), f.pxY(255)}));
    EXPECT_EQ(f.Shape1()->fill(), 0xFFC0C0u);
    EXPECT_EQ(f.Shape2()->fill(), 0xFF8080u);
    EXPECT_EQ(f.Shape1()->geometry(), (PixelRect{f.pxX(120), f.pxY(1200), f.pxX(6514), f.pxY(495)}));
    EXPECT_EQ(f.Shape2()->geometry(), f.Shape1()->geometry());
    EXPECT_FALSE(f.Timer1()->isEnabled());
    EXPECT_FALSE(f.Timer2()->isEnabled());
    EXPECT_EQ(f.Timer1()->interval(), 5000);
    EXPECT_EQ(f.Timer2()->interval(), 500);
    EXPECT_EQ(f.neueVersion, "");
}

TEST_F(Updater, NewerVersionUnderDecimalCommaIsInstalledAfterYes)
{
    announce("1,1");
    server.serve("/a", "A");
    server.serve("/b", "B");
    server.serve("/werkhof/Hopp/updatedata.txt", "[Namen]\r\nDatei1=a.txt\r\nDatei2=b.txt\r\n[URL]\r\nDatei1="
                                                     + server.url("/a") + "\r\nDatei2=" + server.url("/b") + "\r\n");
    form4().Updatetest();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Update");
    EXPECT_EQ(messages.shown[0].style, mb::vbYesNo);
    EXPECT_EQ(form4().neueVersion, "1,1");
    EXPECT_TRUE(form4().Visible());
    EXPECT_EQ(form4().Label1()->text(), "Update erfolgreich!");
    EXPECT_EQ(form4().Label2()->text(), "Datei: 2/2 'b.txt'");
    EXPECT_EQ(form4().Shape2Width(), 6514);
    EXPECT_EQ(form4().Shape2()->geometry().width, form4().Shape1()->geometry().width);
    EXPECT_TRUE(form4().Timer1()->isEnabled());
    EXPECT_TRUE(form4().Timer2()->isEnabled());
    EXPECT_EQ(readFile(newProgramOfThisProcess()), "new program");
    EXPECT_EQ(readFile(folder.path() / "update.cmd"), updateScriptLines(programBaseName()));
    // The files wait, checked, for the hand-over.
    const auto staged = folder.path() / ".hopplix-staging" / "files";
    EXPECT_EQ(readFile(staged / "a.txt") + readFile(staged / "b.txt"), "AB");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Version.txt"));
    // The progress was painted between the files, not only when the loop had ended.
    EXPECT_TRUE(painted("Datei: 0/2"));
    EXPECT_TRUE(painted("Datei: 1/2 'a.txt'"));
}

// Regression: the program file downloaded for up to 15 minutes behind an empty screen, and
// nothing could stop it.
TEST_F(Updater, ProgramFileArrivesInTheWindowAndAbbrechenGivesItUp)
{
    announce("1,1");
    server.trickle("/werkhof/Hopp/Hopplix.txt");
    // The player clicks once a few bytes have arrived: the window lets events run between them.
    std::function<void()> watch = [&] {
        if (form4().Visible() && form4().Command1()->isVisible() && form4().Label2()->text().ends_with(" Bytes"))
            headless::click(*form4().Command1());
        else
            windows.post(watch);
    };
    windows.post(watch);
    form4().Updatetest();

    const std::string caption = "Datei: " + programFileName(programBaseName()) + " ";
    const auto& texts = headless::paintedTexts(*form4().Label2());
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [&](const std::string& t) { return t.rfind(caption, 0) == 0 && t.ends_with(" Bytes"); }));
    EXPECT_TRUE(messages.errors().empty());
    EXPECT_FALSE(form4().Visible());
    EXPECT_FALSE(form4().Command1()->isVisible());
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Updater, EqualOrSmallerVersionAsksNothing)
{
    for (const char* version : {"1,0", "0,9"}) {
        announce(version);
        form4().Updatetest();
        EXPECT_TRUE(messages.shown.empty()) << version;
        EXPECT_FALSE(form4().Visible());
        EXPECT_TRUE(listing(folder.path()).empty());
    }
}

TEST_F(Updater, InstalledVersionIsTheLaunchersVersionCaption)
{
    announce("1,1");
    forms->form3().Version()->setText("1,2");
    form4().Updatetest();
    EXPECT_TRUE(messages.shown.empty());
    forms->form3().Version()->setText("1,05");
    form4().Updatetest();
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(Updater, UnreachableServerIsSilent)
{
    forms->services().updateServer = "http://127.0.0.1:" + std::to_string(TestServer::closedPort());
    form4().Updatetest();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(form4().Visible());
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Updater, NoConfiguredServerChecksNothing)
{
    announce("1,1");
    forms->services().updateServer.clear();
    form4().Updatetest();
    EXPECT_EQ(server.totalHits(), 0);
    EXPECT_FALSE(form4().Visible());
}

TEST_F(Updater, DeclinedUpdateLeavesEverythingAsItWas)
{
    announce("1,1");
    messages.answer = mb::vbNo;
    form4().Updatetest();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(form4().Visible());
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Updater, FailedProgramDownloadIsReportedAndTheWindowStaysHidden)
{
    announce("1,1");
    server.status("/werkhof/Hopp/Hopplix.txt", 404);
    form4().Updatetest();
    ASSERT_EQ(messages.errors().size(), 1u);
    EXPECT_EQ(messages.errors()[0], (Message{"Update fehlgeschlagen", mb::vbCritical, "Error"}));
    EXPECT_FALSE(form4().Visible());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "update.cmd"));
}

TEST_F(Updater, FailedManifestStillEndsInSuccessWithTheProgramLabel)
{
    announce("1,1");
    form4().Updatetest();
    EXPECT_TRUE(messages.errors().empty());
    EXPECT_TRUE(form4().Visible());
    // Regression: the program file was called "Hopplix.exe" on every system.
    EXPECT_EQ(form4().Label2()->text(), "Datei: " + programFileName(programBaseName()) + " 1/1");
    EXPECT_EQ(form4().Label1()->text(), "Update erfolgreich!");
}

TEST_F(Updater, SuccessCaptionBlinksEveryTick)
{
    form4().Label1()->setText("Update erfolgreich!");
    std::vector<std::string> captions;
    for (int i = 0; i < 4; ++i) {
        form4().Timer2_Timer();
        captions.push_back(form4().Label1()->text());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"", "Update erfolgreich!", "", "Update erfolgreich!"}));
    form4().Label1()->setText("UPDATE ERFOLGREICH!");
    form4().Timer2_Timer();
    EXPECT_EQ(form4().Label1()->text(), "");
    form4().Label1()->setText("Update...");
    form4().Timer2_Timer();
    EXPECT_EQ(form4().Label1()->text(), "Update erfolgreich!");
}

TEST_F(Updater, HandOverStartsTheScriptOnlyWithTheNewProgramAndEnds)
{
    form4().Timer1_Timer();
    EXPECT_TRUE(scriptStarts.empty());
    EXPECT_EQ(endProgramCalls, 1);

    writeFile(newProgramOfThisProcess(), "new");
    form4().Timer1_Timer();
    EXPECT_EQ(scriptStarts, std::vector<std::filesystem::path>{folder.path()});
    EXPECT_EQ(endProgramCalls, 2);
}

// Regression: a hand-over that could not start ended the program without a word, leaving the
// new program file behind.
TEST_F(Updater, HandOverThatCannotStartIsReportedAndLeavesTheOldVersion)
{
    forms->services().startUpdateScript = [](const std::filesystem::path&) { return false; };
    writeFile(newProgramOfThisProcess(), "new");
    writeFile(folder.path() / "update.cmd", updateScriptLines(programBaseName()));
    form4().Timer1_Timer();
    EXPECT_EQ(messages.errors(), std::vector<Message>{(Message{"Update fehlgeschlagen", mb::vbCritical, "Error"})});
    EXPECT_TRUE(listing(folder.path()).empty());
    EXPECT_EQ(endProgramCalls, 1);
}

TEST_F(Updater, HandOverTimerFiresAfterFiveSeconds)
{
    writeFile(newProgramOfThisProcess(), "new");
    form4().Timer1()->setEnabled(true);
    windows.advance(4999);
    EXPECT_EQ(endProgramCalls, 0);
    windows.advance(1);
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_EQ(scriptStarts.size(), 1u);
}

TEST_F(Updater, ClosingTheWindowDuringTheHandOverHandsOverAtOnce)
{
    writeFile(newProgramOfThisProcess(), "new");
    form4().Timer1()->setEnabled(true);
    form4().Timer2()->setEnabled(true);
    form4().Unload();
    EXPECT_EQ(scriptStarts.size(), 1u);
    EXPECT_EQ(endProgramCalls, 1);
}

TEST_F(Updater, ClosingTheWindowOtherwiseEndsNothing)
{
    form4().Show();
    form4().Unload();
    EXPECT_TRUE(scriptStarts.empty());
    EXPECT_EQ(endProgramCalls, 0);
}

} // namespace
