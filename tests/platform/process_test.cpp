#include "platform/Process.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;

namespace {

TEST(WaitForProcessEnd, WaitsOnlyAsLongAsTheBound)
{
    ChildProcess child;
    ASSERT_GT(child.pid(), 0);
    EXPECT_FALSE(waitForProcessEnd(child.pid(), 100ms));
    child.release(); // the child ends and stays known until collected
    EXPECT_TRUE(waitForProcessEnd(child.pid(), 10s));
    const auto pid = child.pid();
    child.collect();
    EXPECT_TRUE(waitForProcessEnd(pid, 0ms));
    EXPECT_FALSE(waitForProcessEnd(currentProcessId(), 0ms));
}

TEST(StartDetached, RunsInTheFolderAndIsNoChildOfOurs)
{
    TempFolder folder;
    const auto command = writeWorkingFolderTo("marker");
    ASSERT_TRUE(startDetached(command.program, command.arguments, folder.path()));
    EXPECT_FALSE(haveUncollectedChildren());
    ASSERT_TRUE(waitForFile(folder.path() / "marker", 10s));
    EXPECT_EQ(readFile(folder.path() / "marker"), textFromPath(folder.path()) + std::string(kLineEnd));
}

TEST(StartWatched, RunsUntilEndedAndIsWatchedMeanwhile)
{
    TempFolder folder;
    const ProcessId pid = startWatched(HOPPLIX_STAND_IN, {"--wait"}, folder.path());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitForFile(folder.path() / "started", 30s));
    EXPECT_TRUE(processRuns(pid));
    endProcess(pid);
    EXPECT_TRUE(waitForProcessEnd(pid, 10s));
    EXPECT_FALSE(processRuns(pid));
    collectChild(pid);
    EXPECT_EQ(startWatched(folder.path() / "none", {}, folder.path()), 0);
}

TEST(StartDetached, MissingProgramIsAFailure)
{
    TempFolder folder;
    EXPECT_FALSE(startDetached(folder.path() / "none", {}, folder.path()));
    const auto command = shell("exit");
    EXPECT_FALSE(startDetached(command.program, command.arguments, folder.path() / "no-folder"));
}

} // namespace
