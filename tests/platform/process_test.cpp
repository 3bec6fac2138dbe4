#include "platform/Process.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;

namespace {

// A child that has ended but is not collected yet, or is still running until told.
pid_t startChild(int& release)
{
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        char c;
        ::close(fds[1]);
        [[maybe_unused]] auto r = ::read(fds[0], &c, 1);
        ::_exit(0);
    }
    ::close(fds[0]);
    release = fds[1];
    return pid;
}

TEST(WaitForProcessEnd, WaitsOnlyAsLongAsTheBound)
{
    int release = -1;
    const pid_t pid = startChild(release);
    EXPECT_FALSE(waitForProcessEnd(pid, 100ms));
    ::close(release); // the child ends and stays a zombie until collected
    EXPECT_TRUE(waitForProcessEnd(pid, 10s));
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(waitForProcessEnd(pid, 0ms));
    EXPECT_FALSE(waitForProcessEnd(currentProcessId(), 0ms));
}

TEST(StartDetached, RunsInTheFolderAndIsNoChildOfOurs)
{
    TempFolder folder;
    const auto marker = folder.path() / "marker";
    ASSERT_TRUE(startDetached("/bin/sh", {"-c", "pwd > marker.part && mv marker.part marker"}, folder.path()));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms); // polls a condition, bounded by the deadline
    EXPECT_EQ(readFile(marker), folder.path().string() + "\n");
}

TEST(StartDetached, MissingProgramIsAFailure)
{
    TempFolder folder;
    EXPECT_FALSE(startDetached(folder.path() / "none", {}, folder.path()));
    EXPECT_FALSE(startDetached("/bin/sh", {}, folder.path() / "no-folder"));
}

} // namespace
