#include "common/Paths.h"
#include "support/temp_folder.h"
#include "updater/UpdateScript.h"

#include <gtest/gtest.h>

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

struct LineCase {
    const char* line;
    bool accepted;
    ScriptCommand::Kind kind;
    const char* file;
    const char* newName;
};

class ScriptLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ScriptLine, OnlyTheScriptsOwnCommandsInsideTheFolderAreUnderstood)
{
    const auto command = parseScriptLine(GetParam().line);
    ASSERT_EQ(command.has_value(), GetParam().accepted) << GetParam().line;
    if (!command)
        return;
    EXPECT_EQ(command->kind, GetParam().kind);
    EXPECT_EQ(command->file, GetParam().file);
    EXPECT_EQ(command->newName, GetParam().newName);
}

using K = ScriptCommand::Kind;
INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptLine,
    ::testing::Values(LineCase{"del \".\\Hopplix.exe\"", true, K::Delete, "Hopplix", ""},
                      LineCase{"ren \".\\Hopplix.dxe\" Hopplix.exe", true, K::Rename, "Hopplix.dxe", "Hopplix"},
                      LineCase{"start .\\Hopplix.exe", true, K::Start, "Hopplix", ""},
                      LineCase{"DEL \".\\Hopplix.EXE\"", true, K::Delete, "Hopplix", ""},
                      LineCase{"del \"..\\Hopplix.exe\"", false, K::Delete, "", ""},
                      LineCase{"del \".\\..\\Hopplix.exe\"", false, K::Delete, "", ""},
                      LineCase{"del \".\\..\"", false, K::Delete, "", ""},
                      LineCase{"del \"C:\\Windows\\x.exe\"", false, K::Delete, "", ""},
                      LineCase{"del \"/etc/passwd\"", false, K::Delete, "", ""},
                      LineCase{"del .\\Hopplix.exe", false, K::Delete, "", ""},
                      LineCase{"ren \".\\Hopplix.dxe\" ..\\Hopplix.exe", false, K::Delete, "", ""},
                      LineCase{"ren \".\\Hopplix.dxe\" /tmp/x", false, K::Delete, "", ""},
                      LineCase{"start .\\..\\x.exe", false, K::Delete, "", ""},
                      LineCase{"start /bin/sh", false, K::Delete, "", ""},
                      LineCase{"rd /s /q .", false, K::Delete, "", ""},
                      LineCase{"echo hallo", false, K::Delete, "", ""},
                      LineCase{"delete \".\\Hopplix.exe\"", false, K::Delete, "", ""}));

TEST(ScriptBlock, OnlyTheLastAppendedBlockRuns)
{
    const auto lines = linesToRun("rem alt\r\n" + updateScriptLines("Alt") + "\r\n" + updateScriptLines("Hopplix"));
    EXPECT_EQ(lines, (std::vector<std::string>{"del \".\\Hopplix.exe\"", "ren \".\\Hopplix.dxe\" Hopplix.exe",
                                               "start .\\Hopplix.exe"}));
}

class ScriptRunner : public ::testing::Test {
protected:
    TempFolder folder;
    std::vector<std::filesystem::path> started;
    ScriptRun run()
    {
        return runUpdateScript(folder.path(), [this](const std::filesystem::path& p) {
            started.push_back(p);
            return true;
        });
    }
    void SetUp() override
    {
        writeFile(folder.path() / "Hopplix", "#!/bin/sh\necho old\n");
        std::filesystem::permissions(folder.path() / "Hopplix", std::filesystem::perms(0755));
        writeFile(folder.path() / "Hopplix.dxe", "#!/bin/sh\necho new\n");
        std::filesystem::permissions(folder.path() / "Hopplix.dxe", std::filesystem::perms(0644));
    }
};

TEST_F(ScriptRunner, SwapsTheProgramMakesItExecutableAndStartsIt)
{
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    const auto result = run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "#!/bin/sh\necho new\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Hopplix.dxe"));
    EXPECT_EQ(std::filesystem::status(folder.path() / "Hopplix").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0755));
    EXPECT_EQ(started, std::vector<std::filesystem::path>{folder.path() / "Hopplix"});
}

TEST_F(ScriptRunner, OlderBlockAboveDoesNotDeleteTheNewProgram)
{
    writeFile(folder.path() / "update.cmd", updateScriptLines("Hopplix"));
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    EXPECT_EQ(run().exitCode, 0);
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "#!/bin/sh\necho new\n");
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(ScriptRunner, RefusedLineStopsBeforeAnythingIsDone)
{
    writeFile(folder.path() / "update.cmd", "del \".\\Hopplix.exe\"\r\nren \".\\Hopplix.dxe\" Hopplix.exe\r\n"
                                            "start ..\\evil.exe\r\n");
    const auto result = run();
    EXPECT_EQ(result.exitCode, 2);
    ASSERT_EQ(result.reports.size(), 1u);
    EXPECT_EQ(result.reports[0], "refused: start ..\\evil.exe");
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "#!/bin/sh\necho old\n");
    EXPECT_TRUE(started.empty());
}

TEST_F(ScriptRunner, MissingNewProgramKeepsAndStartsTheOldOne)
{
    std::filesystem::remove(folder.path() / "Hopplix.dxe");
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    EXPECT_EQ(run().exitCode, 1);
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "#!/bin/sh\necho old\n");
    EXPECT_EQ(started, std::vector<std::filesystem::path>{folder.path() / "Hopplix"});
}

TEST_F(ScriptRunner, NewProgramThatIsAFolderKeepsTheOldOne)
{
    std::filesystem::remove(folder.path() / "Hopplix.dxe");
    std::filesystem::create_directory(folder.path() / "Hopplix.dxe");
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    EXPECT_EQ(run().exitCode, 1);
    EXPECT_EQ(readFile(folder.path() / "Hopplix"), "#!/bin/sh\necho old\n");
}

TEST_F(ScriptRunner, IncompleteOrMissingScriptDoesNothing)
{
    EXPECT_EQ(run().exitCode, 2);
    writeFile(folder.path() / "update.cmd", "del \".\\Hopplix.exe\"\r\n");
    EXPECT_EQ(run().exitCode, 2);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Hopplix"));
}

TEST_F(ScriptRunner, LinkToAFileOutsideIsNotRenamedOver)
{
    TempFolder outside;
    writeFile(outside.path() / "victim", "victim");
    std::filesystem::remove(folder.path() / "Hopplix.dxe");
    std::filesystem::create_symlink(outside.path() / "victim", folder.path() / "Hopplix.dxe");
    ASSERT_TRUE(makeupdatecmd(folder.path(), "Hopplix"));
    EXPECT_EQ(run().exitCode, 2);
    EXPECT_EQ(readFile(outside.path() / "victim"), "victim");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Hopplix"));
}

} // namespace
