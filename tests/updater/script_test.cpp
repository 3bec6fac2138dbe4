#include "common/Paths.h"
#include "support/temp_folder.h"
#include "updater/UpdateScript.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace hopplix;
using namespace hopplix::test;

namespace {

TEST(UpdateScript, ThreeLinesExactlyWithCrLf)
{
    EXPECT_EQ(updateScriptLines("Hopplix"), "del \".\\Hopplix.exe\"\r\n"
                                            "ren \".\\Hopplix.dxe\" Hopplix.exe\r\n"
                                            "start .\\Hopplix.exe\r\n");
}

TEST(UpdateScript, WrittenInAnsi)
{
    TempFolder folder;
    ASSERT_TRUE(makeupdatecmd(folder.path(), "H\xC3\xBCpf"));
    EXPECT_EQ(readFile(folder.path() / "update.cmd"), "del \".\\H\xFCpf.exe\"\r\n"
                                                      "ren \".\\H\xFCpf.dxe\" H\xFCpf.exe\r\n"
                                                      "start .\\H\xFCpf.exe\r\n");
}

TEST(UpdateScript, PreExistingScriptKeepsItsLines)
{
    TempFolder folder;
    writeFile(folder.path() / "update.cmd", "rem alt\r\n");
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    EXPECT_EQ(readFile(folder.path() / "update.cmd"),
              "rem alt\r\n" + updateScriptLines("Hopplix") + updateScriptLines("Hopplix"));
}

TEST(UpdateScript, MakeupdatecmdAppendsTheScriptForThisProgram)
{
    TempFolder folder;
    makeupdatecmd(folder.path(), programBaseName());
    EXPECT_EQ(readFile(folder.path() / "update.cmd"), updateScriptLines(programBaseName()));
}

TEST(UpdateScript, UnwritableFolderIsAFailure)
{
    TempFolder folder;
    EXPECT_FALSE(makeupdatecmd(folder.path() / "missing", "Hopplix"));
}

// Regression: the helper carried out any del, ren and start of plain names, so a planted
// script could make any file of the folder executable and run it.
struct BlockCase {
    const char* label;
    std::string script;
    bool accepted;
};

class ScriptBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ScriptBlock, OnlyTheExactBlockForThisProgramIsAccepted)
{
    EXPECT_EQ(handsOverTo(GetParam().script, "Hopplix"), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptBlock,
    ::testing::Values(
        BlockCase{"TheBlock", updateScriptLines("Hopplix"), true},
        BlockCase{"OlderLinesAbove", "rem alt\r\n" + updateScriptLines("Alt") + "\r\n" + updateScriptLines("Hopplix"),
                  true},
        BlockCase{"LoneLineEnds", "del \".\\Hopplix.exe\"\nren \".\\Hopplix.dxe\" Hopplix.exe\nstart .\\Hopplix.exe",
                  true},
        BlockCase{"AnotherProgram", updateScriptLines("liesmich.txt"), false},
        BlockCase{"OtherBlockAfterIt", updateScriptLines("Hopplix") + updateScriptLines("Alt"), false},
        BlockCase{"OtherCase",
                  "DEL \".\\Hopplix.exe\"\r\nren \".\\Hopplix.dxe\" Hopplix.exe\r\nstart .\\Hopplix.exe\r\n", false},
        BlockCase{"StartsAnotherFile",
                  "del \".\\Hopplix.exe\"\r\nren \".\\Hopplix.dxe\" Hopplix.exe\r\nstart .\\liesmich.txt\r\n", false},
        BlockCase{"TwoLines", "ren \".\\Hopplix.dxe\" Hopplix.exe\r\nstart .\\Hopplix.exe\r\n", false},
        BlockCase{"Empty", "", false}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// The helper's part, with programs that only pretend to start: `confirms` says whether the
// started program reaches its launcher (which deletes the script).
class ScriptRunner : public ::testing::Test {
protected:
    TempFolder folder;
    std::vector<std::string> started; // the program file's content at each start
    bool confirms = true;
    ScriptRun run(std::string_view program = "Hopplix")
    {
        ProgramControl programs;
        programs.start = [this](const std::filesystem::path& p) -> std::int64_t {
            started.push_back(readFile(p));
            if (confirms)
                std::filesystem::remove(folder.path() / "update.cmd");
            return 1;
        };
        programs.runs = [](std::int64_t) { return false; };
        programs.stop = [](std::int64_t) {};
        programs.pause = [] {};
        return runUpdateScript(folder.path(), program, programs);
    }
    void SetUp() override
    {
        writeFile(folder.path() / "Hopplix", "old");
        std::filesystem::permissions(folder.path() / "Hopplix", std::filesystem::perms(0755));
        writeFile(folder.path() / "Hopplix.dxe", "new");
        std::filesystem::permissions(folder.path() / "Hopplix.dxe", std::filesystem::perms(0644));
        // A listed file replacing an older one, one new in a new folder, one in the program folder.
        std::filesystem::create_directories(folder.path() / "Level" / "Eins");
        writeFile(folder.path() / "Level" / "Eins" / "Level.bmp", "old level");
        const auto staged = folder.path() / ".hopplix-staging" / "files";
        std::filesystem::create_directories(staged / "Level" / "Eins");
        std::filesystem::create_directories(staged / "Level" / "Zwei");
        writeFile(staged / "Level" / "Eins" / "Level.bmp", "new level");
        writeFile(staged / "Level" / "Zwei" / "Level.bmp", "second level");
        writeFile(staged / "liesmich.txt", "text");
        ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    }
};

TEST_F(ScriptRunner, PutsTheUpdateInPlaceInOneStepAndStartsTheNewProgram)
{
    const auto result = run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(listing(folder.path()),
              (std::set<std::string>{"Hopplix = new", "Level/", "Level/Eins/", "Level/Eins/Level.bmp = new level",
                                     "Level/Zwei/", "Level/Zwei/Level.bmp = second level", "liesmich.txt = text"}));
    EXPECT_EQ(std::filesystem::status(folder.path() / "Hopplix").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0755));
    EXPECT_EQ(started, std::vector<std::string>{"new"});
}

TEST_F(ScriptRunner, NewProgramThatDoesNotStartIsRolledBack)
{
    confirms = false;
    std::filesystem::remove(folder.path() / ".hopplix-staging" / "files" / "Level" / "Zwei" / "Level.bmp");
    const auto result = run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(listing(folder.path()),
              (std::set<std::string>{"Hopplix = old", "Level/", "Level/Eins/", "Level/Eins/Level.bmp = old level"}));
    EXPECT_EQ(started, (std::vector<std::string>{"new", "old"}));
}

TEST_F(ScriptRunner, ScriptForAnotherProgramChangesNothing)
{
    std::filesystem::remove(folder.path() / "update.cmd");
    writeFile(folder.path() / "liesmich.txt", "text");
    writeFile(folder.path() / "liesmich.txt.dxe", "#!/bin/sh\n");
    ASSERT_TRUE(makeupdatecmd(folder.path(), "liesmich.txt"));
    const auto before = listing(folder.path());
    const auto result = run();
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.reports, std::vector<std::string>{"refused: update.cmd is not the hand-over to Hopplix"});
    EXPECT_EQ(listing(folder.path()), before);
    EXPECT_TRUE(started.empty());
}

TEST_F(ScriptRunner, MissingOrLinkedSuccessorKeepsEverythingAndStartsTheOldProgram)
{
    TempFolder outside;
    writeFile(outside.path() / "victim", "victim");
    std::filesystem::remove(folder.path() / "Hopplix.dxe");
    std::filesystem::create_symlink(outside.path() / "victim", folder.path() / "Hopplix.dxe");
    EXPECT_EQ(run().exitCode, 1);
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "old");
    EXPECT_EQ(readFile(folder.path() / "Level" / "Eins" / "Level.bmp"), "old level");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "liesmich.txt"));
    EXPECT_EQ(started, std::vector<std::string>{"old"});
    EXPECT_EQ(readFile(outside.path() / "victim"), "victim");
}

TEST_F(ScriptRunner, MissingScriptDoesNothing)
{
    std::filesystem::remove(folder.path() / "update.cmd");
    EXPECT_EQ(run().exitCode, 2);
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "old");
}

// Regression: a pipe named update.cmd hung the program for ever, and a dangling link of that
// name was written through to a file outside the program folder.
TEST(UpdateScript, LinkOrPipeNamedUpdateCmdIsRefused)
{
    TempFolder folder;
    TempFolder outside;
    std::filesystem::create_symlink(outside.path() / "written", folder.path() / "update.cmd");
    EXPECT_FALSE(makeupdatecmd(folder.path(), "Hopplix"));
    EXPECT_FALSE(std::filesystem::exists(outside.path() / "written"));
    std::filesystem::remove(folder.path() / "update.cmd");
    ASSERT_EQ(::mkfifo((folder.path() / "update.cmd").c_str(), 0600), 0);
    EXPECT_FALSE(makeupdatecmd(folder.path(), "Hopplix"));
}

} // namespace
