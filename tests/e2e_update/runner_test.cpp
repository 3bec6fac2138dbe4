// hopplix-update on a real program folder: it waits for the old process, swaps the program
// file and starts the new one, detached.

#include "support/temp_folder.h"
#include "updater/UpdateScript.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;

namespace {

pid_t deadProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// Runs the helper to its end; its error output goes to `errors`.
int runRunner(const std::vector<std::string>& args, const std::filesystem::path& errors)
{
    std::vector<std::string> all{HOPPLIX_UPDATE_RUNNER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool waitForFile(const std::filesystem::path& path)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms); // polls a condition, bounded by the deadline
    }
    return true;
}

const std::string kOld = "#!/bin/sh\necho old > old.part && mv old.part old-started\n";
const std::string kNew = "#!/bin/sh\nrm update.cmd; pwd > started.part && mv started.part started\n";

class Runner : public ::testing::Test {
protected:
    TempFolder tree;
    std::filesystem::path program = tree.path() / "prog";
    std::filesystem::path errors = tree.path() / "errors.txt";
    void SetUp() override
    {
        std::filesystem::create_directory(program);
        writeFile(program / "Hopplix", kOld);
        std::filesystem::permissions(program / "Hopplix", std::filesystem::perms(0755));
        // Like the real program, the new one deletes the script when its launcher first opens.
        writeFile(program / "Hopplix.dxe", kNew);
    }
};

TEST_F(Runner, SwapsTheProgramAfterTheOldProcessAndStartsTheNewOne)
{
    ASSERT_TRUE(makeupdatecmd(program, "Hopplix"));
    EXPECT_EQ(runRunner({program.string(), std::to_string(deadProcess()), "Hopplix"}, errors), 0) << readFile(errors);
    ASSERT_TRUE(waitForFile(program / "started"));
    EXPECT_EQ(readFile(program / "started"), program.string() + "\n");
    EXPECT_EQ(readFile(program / "Hopplix"), kNew);
    EXPECT_FALSE(std::filesystem::exists(program / "Hopplix.dxe"));
    EXPECT_TRUE((std::filesystem::status(program / "Hopplix").permissions() & std::filesystem::perms::owner_exec)
                != std::filesystem::perms::none);
}

TEST_F(Runner, NewProgramThatEndsWithoutStartingIsRolledBack)
{
    writeFile(program / "Hopplix.dxe", "#!/bin/sh\nexit 1\n");
    std::filesystem::create_directories(program / ".hopplix-staging" / "files");
    writeFile(program / ".hopplix-staging" / "files" / "neu.txt", "neu");
    ASSERT_TRUE(makeupdatecmd(program, "Hopplix"));
    EXPECT_EQ(runRunner({program.string(), std::to_string(deadProcess()), "Hopplix"}, errors), 1);
    ASSERT_TRUE(waitForFile(program / "old-started")) << readFile(errors);
    EXPECT_EQ(readFile(program / "Hopplix"), kOld);
    EXPECT_EQ(listing(program), (std::set<std::string>{"Hopplix = " + kOld, "old-started = old\n"}));
}

// Without a downloader that loads, the new program could never update again: a download
// library the update brings is checked like the program.
TEST_F(Runner, DownloadLibraryThatDoesNotLoadIsRolledBack)
{
    writeFile(program / "hopplix-download.so", "old library");
    std::filesystem::create_directories(program / ".hopplix-staging" / "files");
    writeFile(program / ".hopplix-staging" / "files" / "hopplix-download.so", "no library");
    ASSERT_TRUE(makeupdatecmd(program, "Hopplix"));
    EXPECT_EQ(runRunner({program.string(), std::to_string(deadProcess()), "Hopplix"}, errors), 1);
    ASSERT_TRUE(waitForFile(program / "old-started")) << readFile(errors);
    EXPECT_NE(readFile(errors).find("the new hopplix-download.so does not load"), std::string::npos);
    EXPECT_EQ(listing(program),
              (std::set<std::string>{"Hopplix = " + kOld, "hopplix-download.so = old library", "old-started = old\n"}));
}

TEST_F(Runner, RefusedScriptChangesNothing)
{
    writeFile(program / "update.cmd", "del \".\\Hopplix.exe\"\r\nren \".\\Hopplix.dxe\" Hopplix.exe\r\n"
                                      "start \"C:\\Windows\\evil.exe\"\r\n");
    const auto before = listing(tree.path());
    EXPECT_EQ(runRunner({program.string(), std::to_string(deadProcess()), "Hopplix"}, errors), 2);
    EXPECT_NE(readFile(errors).find("refused: update.cmd"), std::string::npos);
    auto after = listing(tree.path());
    after.erase("errors.txt = " + readFile(errors));
    EXPECT_EQ(after, before);
}

TEST_F(Runner, WrongArgumentsDoNothing)
{
    ASSERT_TRUE(makeupdatecmd(program, "Hopplix"));
    EXPECT_EQ(runRunner({}, errors), 2);
    EXPECT_EQ(runRunner({program.string(), "1"}, errors), 2);                // no program
    EXPECT_EQ(runRunner({"prog", "1", "Hopplix"}, errors), 2);               // not an absolute folder
    EXPECT_EQ(runRunner({program.string(), "zwölf", "Hopplix"}, errors), 2); // not a process id
    EXPECT_EQ(runRunner({(tree.path() / "none").string(), "1", "Hopplix"}, errors), 2);
    EXPECT_EQ(readFile(program / "Hopplix"), kOld);
}

} // namespace
