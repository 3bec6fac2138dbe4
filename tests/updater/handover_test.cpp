// The hand-over where a command interpreter swaps the program file: the program puts the listed
// files in place first, and the next start finishes or undoes the swap by what the script did.

#include "support/temp_folder.h"
#include "updater/StagedInstall.h"
#include "updater/StagedUpdate.h"
#include "updater/UpdateScript.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifdef _WIN32
#include "platform/ProgramPath.h"

#include <windows.h>
#include <cstdlib>
#endif

using namespace hopplix;
using namespace hopplix::test;
namespace fs = std::filesystem;

namespace {

// The folder's entries with '/' between folders on every system.
std::set<std::string> tree(const fs::path& root)
{
    std::set<std::string> entries;
    for (auto entry : listing(root)) {
        std::replace(entry.begin(), entry.end(), '\\', '/');
        entries.insert(entry);
    }
    return entries;
}

const std::set<std::string> kOld{"Hopplix.exe = old", "liesmich.txt = alt", "Level/", "Level/Eins/",
                                 "Level/Eins/Level.bmp = old level"};
const std::set<std::string> kNew{
    "Hopplix.exe = new", "liesmich.txt = neu",           "Level/", "Level/Eins/", "Level/Eins/Level.bmp = old level",
    "Level/Zwei/",       "Level/Zwei/Level.bmp = second"};
// Everything but the program file is in place while the script runs.
const std::set<std::string> kHandedOver{"Hopplix.exe = old",
                                        "Hopplix.dxe = new",
                                        "update.cmd",
                                        "liesmich.txt = neu",
                                        "Level/",
                                        "Level/Eins/",
                                        "Level/Eins/Level.bmp = old level",
                                        "Level/Zwei/",
                                        "Level/Zwei/Level.bmp = second"};

class HandOver : public ::testing::Test {
protected:
    TempFolder tree_;
    fs::path folder = tree_.path() / "prog";
    void SetUp() override
    {
        stageUpdate(folder, "Hopplix.exe");
        // A block an earlier update left, which deletes a file this update keeps.
        writeFile(folder / "update.cmd", "del \".\\liesmich.txt\"\r\n");
        ASSERT_TRUE(makeupdatecmd(folder, "Hopplix"));
    }
    // The folder without the script's content and the swap's own files.
    std::set<std::string> visible() const
    {
        std::set<std::string> entries;
        for (const auto& e : tree(folder))
            if (e.rfind(".hopplix", 0) != 0)
                entries.insert(e.rfind("update.cmd", 0) == 0 ? "update.cmd" : e);
        return entries;
    }
};

// What the script does, and what the next start makes of it.
struct ScriptCase {
    const char* name;
    bool swaps; // the script renamed Hopplix.dxe; otherwise the program file was still locked
    SwapRecovery recovery;
    const std::set<std::string>* after;
};

class HandOverByScript : public HandOver, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(HandOverByScript, NextStartFinishesOrUndoes)
{
    std::vector<std::string> reports;
    std::string scriptText;
    ASSERT_TRUE(handOverToScript(
        folder, "Hopplix",
        [&](const fs::path& script) {
            scriptText = readFile(script);
            EXPECT_EQ(visible(), kHandedOver);
            return true;
        },
        reports))
        << reports.front();
    EXPECT_EQ(scriptText, updateScriptLines("Hopplix")); // written afresh: no earlier block
    if (GetParam().swaps) {
        fs::remove(folder / "Hopplix.exe");
        fs::rename(folder / "Hopplix.dxe", folder / "Hopplix.exe");
    }
    fs::remove(folder / "update.cmd"); // the launcher's first opening, or the test's tidying
    EXPECT_EQ(recoverInterruptedSwap(folder), GetParam().recovery);
    EXPECT_EQ(tree(folder), *GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Cases, HandOverByScript,
                         ::testing::Values(ScriptCase{"Swapped", true, SwapRecovery::Completed, &kNew},
                                           ScriptCase{"ProgramLocked", false, SwapRecovery::ScriptFailed, &kOld}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(HandOver, ScriptThatDoesNotStartLeavesTheOldVersion)
{
    std::vector<std::string> reports;
    EXPECT_FALSE(handOverToScript(
        folder, "Hopplix", [](const fs::path&) { return false; }, reports));
    fs::remove(folder / "update.cmd");
    EXPECT_EQ(tree(folder), kOld);
}

TEST_F(HandOver, ForeignScriptIsRefusedBeforeAnythingMoves)
{
    writeFile(folder / "update.cmd", "del \".\\liesmich.txt\"\r\n");
    const auto before = tree(folder);
    std::vector<std::string> reports;
    EXPECT_FALSE(handOverToScript(
        folder, "Hopplix", [](const fs::path&) { return true; }, reports));
    EXPECT_EQ(tree(folder), before);
}

#ifdef _WIN32
// The real cmd.exe runs the script; the program files are copies of a program that ends at once.
class HandOverToCmd : public HandOver {
protected:
    void SetUp() override
    {
        HandOver::SetUp();
        const fs::path stub = programFile().parent_path() / "hopplix_test_stub.exe";
        fs::copy_file(stub, folder / "Hopplix.exe", fs::copy_options::overwrite_existing);
        writeFile(folder / "Hopplix.dxe", readFile(stub) + "new");
    }
    void runScript()
    {
        const std::wstring command = L"cd /d \"" + folder.wstring() + L"\" && update.cmd >nul 2>&1";
        std::vector<std::string> reports;
        ASSERT_TRUE(handOverToScript(
            folder, "Hopplix", [](const fs::path&) { return true; }, reports));
        _wsystem(command.c_str());
        fs::remove(folder / "update.cmd");
    }
    std::string program() const { return readFile(folder / "Hopplix.exe"); }
};

TEST_F(HandOverToCmd, SwapsTheProgramFileAndKeepsEveryListedFile)
{
    runScript();
    EXPECT_EQ(recoverInterruptedSwap(folder), SwapRecovery::Completed);
    EXPECT_TRUE(program().ends_with("new"));
    EXPECT_EQ(readFile(folder / "liesmich.txt"), "neu");
    EXPECT_EQ(readFile(folder / "Level" / "Zwei" / "Level.bmp"), "second");
    EXPECT_FALSE(fs::exists(folder / ".hopplix-staging"));
}

TEST_F(HandOverToCmd, LockedProgramFileGivesTheOldVersionBack)
{
    const std::string old = program();
    {
        // Open without sharing deletion, as a program still ending holds its file.
        const HANDLE held = ::CreateFileW((folder / "Hopplix.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        runScript();
        ::CloseHandle(held);
    }
    EXPECT_EQ(recoverInterruptedSwap(folder), SwapRecovery::ScriptFailed);
    EXPECT_EQ(program(), old);
    EXPECT_EQ(readFile(folder / "liesmich.txt"), "alt");
    EXPECT_FALSE(fs::exists(folder / "Level" / "Zwei"));
    EXPECT_FALSE(fs::exists(folder / "Hopplix.dxe"));
}
#endif

} // namespace
