#include "platform/HandOver.h"

#include "platform/Process.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <thread>

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;

namespace {

TEST(HandOver, RunnerBesideTheScriptGetsItsFolderAndOurProcess)
{
    TempFolder folder;
    const auto runner = folder.path() / kUpdateRunner;
    writeFile(runner, "#!/bin/sh\necho \"$(pwd) $1 $2 $3\" > seen.part && mv seen.part seen\n");
    EXPECT_FALSE(canStartUpdateScript(folder.path()));
    std::filesystem::permissions(runner, std::filesystem::perms(0755));
    EXPECT_TRUE(canStartUpdateScript(folder.path()));

    ASSERT_TRUE(startUpdateScript(folder.path() / "update.cmd", "Hopplix"));
    const auto seen = folder.path() / "seen";
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!std::filesystem::exists(seen) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms); // polls a condition, bounded by the deadline
    const std::string here = folder.path().string();
    EXPECT_EQ(readFile(seen), here + " " + here + " " + std::to_string(currentProcessId()) + " Hopplix\n");
}

TEST(HandOver, MissingRunnerIsAFailure)
{
    TempFolder folder;
    EXPECT_FALSE(canStartUpdateScript(folder.path()));
    EXPECT_FALSE(startUpdateScript(folder.path() / "update.cmd", "Hopplix"));
}

} // namespace
