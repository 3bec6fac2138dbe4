#include "platform/HandOver.h"
#include "platform/Process.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;

namespace {

#ifdef _WIN32

// The command interpreter runs the three lines of update.cmd: the old program goes, the new
// one takes its name and is started in the program folder.
TEST(HandOver, ScriptSwapsTheProgramAndStartsTheNewOne)
{
    TempFolder folder;
    const auto program = folder.path() / "Hopplix.exe";
    std::filesystem::copy_file(HOPPLIX_STAND_IN, program);
    std::filesystem::copy_file(HOPPLIX_STAND_IN, folder.path() / "Hopplix.dxe");
    std::ofstream(folder.path() / "Hopplix.dxe", std::ios::binary | std::ios::app) << "new";
    const auto newSize = std::filesystem::file_size(folder.path() / "Hopplix.dxe");
    writeFile(folder.path() / "update.cmd",
              "del \".\\Hopplix.exe\"\r\nren \".\\Hopplix.dxe\" Hopplix.exe\r\nstart .\\Hopplix.exe\r\n");

    EXPECT_TRUE(canStartUpdateScript(folder.path()));
    ASSERT_TRUE(startUpdateScript(folder.path() / "update.cmd", "Hopplix"));
    ASSERT_TRUE(waitForFile(folder.path() / "started", 30s));
    EXPECT_EQ(readFile(folder.path() / "started"), std::to_string(newSize));
    EXPECT_EQ(std::filesystem::file_size(program), newSize);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Hopplix.dxe"));
}

TEST(HandOver, MissingScriptIsAFailure)
{
    TempFolder folder;
    EXPECT_FALSE(startUpdateScript(folder.path() / "update.cmd", "Hopplix"));
    EXPECT_FALSE(startUpdateScript(folder.path() / "missing" / "update.cmd", "Hopplix"));
}

#else

TEST(HandOver, RunnerBesideTheScriptGetsItsFolderAndOurProcess)
{
    TempFolder folder;
    const auto runner = folder.path() / kUpdateRunner;
    writeFile(runner, "#!/bin/sh\necho \"$(pwd) $1 $2 $3\" > seen.part && mv seen.part seen\n");
    EXPECT_FALSE(canStartUpdateScript(folder.path()));
    std::filesystem::permissions(runner, std::filesystem::perms(0755));
    EXPECT_TRUE(canStartUpdateScript(folder.path()));

    ASSERT_TRUE(startUpdateScript(folder.path() / "update.cmd", "Hopplix"));
    ASSERT_TRUE(waitForFile(folder.path() / "seen", 10s));
    const std::string here = folder.path().string();
    EXPECT_EQ(readFile(folder.path() / "seen"),
              here + " " + here + " " + std::to_string(currentProcessId()) + " Hopplix\n");
}

TEST(HandOver, MissingRunnerIsAFailure)
{
    TempFolder folder;
    EXPECT_FALSE(canStartUpdateScript(folder.path()));
    EXPECT_FALSE(startUpdateScript(folder.path() / "update.cmd", "Hopplix"));
}

#endif

} // namespace
