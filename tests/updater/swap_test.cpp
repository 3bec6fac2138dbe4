// The swap killed at every step: after the next start the folder is exactly the old version or
// exactly the new one.

#include "platform/FileLock.h"
#include "support/temp_folder.h"
#include "updater/StagedInstall.h"
#include "updater/StagedUpdate.h"
#include "updater/UpdateInstall.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace hopplix;
using namespace hopplix::test;
namespace fs = std::filesystem;

namespace {

const std::set<std::string> kOld{"Hopplix = old", "liesmich.txt = alt", "Level/", "Level/Eins/",
                                 "Level/Eins/Level.bmp = old level"};
const std::set<std::string> kNew{
    "Hopplix = new", "liesmich.txt = neu",           "Level/", "Level/Eins/", "Level/Eins/Level.bmp = old level",
    "Level/Zwei/",   "Level/Zwei/Level.bmp = second"};

struct KillRow {
    const char* step;
    const std::set<std::string>* after; // the folder after the next start's recovery
};

// The helper's swap, installed and then finished (the new program started) or rolled back
// (it did not).
const std::vector<KillRow> kFinishing{
    {"journal", &kOld},           {"folder Level/Zwei", &kOld}, {"put Level/Zwei/Level.bmp", &kOld},
    {"keep liesmich.txt", &kOld}, {"put liesmich.txt", &kOld},  {"keep Hopplix", &kOld},
    {"put Hopplix", &kOld},       {"started", &kNew},           {"journal closed", &kNew},
    {"backup removed", &kNew},    {"staging removed", &kNew}};
const std::vector<KillRow> kRollingBack{{"undoing", &kOld},
                                        {"restore Hopplix", &kOld},
                                        {"restore liesmich.txt", &kOld},
                                        {"remove Level/Zwei/Level.bmp", &kOld},
                                        {"remove folder Level/Zwei", &kOld},
                                        {"journal closed", &kOld},
                                        {"backup removed", &kOld},
                                        {"staging removed", &kOld}};

class Swap : public ::testing::Test {
protected:
    ProgramSwap programSwap = ProgramSwap::Here;
    TempFolder tree;
    fs::path folder = tree.path() / "prog";
    void SetUp() override { stageUpdate(folder, "Hopplix"); }

    // Runs the swap in a child process that dies right after its step `kill` (counting from 1)
    // and returns that step's name; empty when the swap ended before.
    std::string killAfter(std::size_t kill, bool newProgramStarts)
    {
        const fs::path said = tree.path() / "step";
        const pid_t pid = ::fork();
        if (pid == 0) {
            StagedInstall swap(folder, "Hopplix");
            std::size_t steps = 0;
            swap.afterStep = [&](std::string_view step) {
                if (++steps == kill) {
                    writeFile(said, std::string(step));
                    ::_exit(0);
                }
            };
            std::vector<std::string> reports;
            if (programSwap == ProgramSwap::Script) {
                // The program hands over and ends; the journal stays for the next start.
                if (!swap.install(reports, programSwap))
                    swap.rollBack();
                ::_exit(0);
            }
            if (swap.install(reports) && newProgramStarts)
                swap.finish();
            else
                swap.rollBack();
            ::_exit(1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? readFile(said) : std::string();
    }
};

TEST_F(Swap, KilledAtEveryStepTheNextStartFindsTheOldOrTheNewVersion)
{
    for (const bool starts : {true, false}) {
        // Up to "started" both ways are one; then the swap is finished or undone.
        std::vector<KillRow> table(kFinishing.begin(), kFinishing.begin() + (starts ? kFinishing.size() : 8));
        if (!starts)
            table.insert(table.end(), kRollingBack.begin(), kRollingBack.end());
        for (std::size_t n = 1; n <= table.size() + 1; ++n) {
            SCOPED_TRACE("new program starts: " + std::to_string(starts) + ", killed after step " + std::to_string(n));
            fs::remove_all(folder);
            SetUp();
            const std::string step = killAfter(n, starts);
            if (n > table.size()) {
                EXPECT_EQ(step, "");
                EXPECT_EQ(recoverInterruptedSwap(folder), SwapRecovery::Nothing);
                EXPECT_EQ(listing(folder), starts ? kNew : kOld);
                continue;
            }
            ASSERT_EQ(step, table[n - 1].step);
            // The next start: the program recovers, then its launcher removes leftovers.
            recoverInterruptedSwap(folder);
            removeUpdateLeftovers(folder);
            EXPECT_EQ(listing(folder), *table[n - 1].after);
        }
    }
}

// Windows: the program puts the files in place and leaves its own file to update.cmd.
TEST_F(Swap, HandedToTheScriptAndKilledAtEveryStepTheNextStartFindsTheOldOrTheNewVersion)
{
    programSwap = ProgramSwap::Script;
    const std::vector<std::string> steps{"journal",           "folder Level/Zwei", "put Level/Zwei/Level.bmp",
                                         "keep liesmich.txt", "put liesmich.txt",  "handed"};
    for (std::size_t n = 1; n <= steps.size() + 2; ++n) {
        SCOPED_TRACE("killed after step " + std::to_string(n));
        fs::remove_all(folder);
        fs::remove(tree.path() / "step");
        SetUp();
        const std::string step = killAfter(n, false);
        const bool scriptRuns = n == steps.size() + 2; // handed over whole, and the script swapped
        EXPECT_EQ(step, n <= steps.size() ? steps[n - 1] : "");
        if (scriptRuns) {
            fs::remove(folder / "Hopplix");
            fs::rename(folder / "Hopplix.dxe", folder / "Hopplix");
        }
        // Handed over whole and not swapped: told as a failure; before that the program died.
        const auto recovery = recoverInterruptedSwap(folder);
        EXPECT_EQ(recovery == SwapRecovery::ScriptFailed, n == steps.size() || n == steps.size() + 1);
        removeUpdateLeftovers(folder);
        EXPECT_EQ(listing(folder), scriptRuns ? kNew : kOld);
    }
}

TEST_F(Swap, HandedOverJournalNamingAFileElsewhereIsNoJournal)
{
    writeFile(tree.path() / "outside.txt", "fremd");
    writeFile(folder / ".hopplix-swap", "hopplix-swap handed\nsuccessor\t../outside.txt\n");
    EXPECT_EQ(recoverInterruptedSwap(folder), SwapRecovery::Nothing);
    EXPECT_EQ(readFile(tree.path() / "outside.txt"), "fremd");
}

TEST_F(Swap, RunningHelperIsLeftAloneByTheProgramsStart)
{
    const auto held = FileLock::tryHold(folder / ".hopplix-swap.lock");
    ASSERT_TRUE(held);
    writeFile(folder / ".hopplix-swap", "hopplix-swap swap\nfile\t1\tHopplix\tHopplix.dxe\n");
    const auto before = listing(folder);
    EXPECT_EQ(recoverInterruptedSwap(folder), SwapRecovery::Busy);
    removeUpdateLeftovers(folder);
    EXPECT_EQ(listing(folder), before);
    std::vector<std::string> reports;
    EXPECT_FALSE(StagedInstall(folder, "Hopplix").install(reports));
}

TEST_F(Swap, PlantedLinksAreNeverWorkedThrough)
{
    const fs::path outside = tree.path() / "outside";
    fs::create_directories(outside);
    writeFile(outside / "liesmich.txt", "fremd");
    for (const auto& [link, target] : std::vector<std::pair<fs::path, fs::path>>{
             {folder / ".hopplix-backup", outside},
             {folder / ".hopplix-staging" / "files" / "Level" / "Zwei" / "Level.bmp", outside / "liesmich.txt"}}) {
        SCOPED_TRACE(link.string());
        fs::remove_all(link);
        fs::create_symlink(target, link);
        std::vector<std::string> reports;
        StagedInstall swap(folder, "Hopplix");
        EXPECT_FALSE(swap.install(reports));
        swap.rollBack();
        EXPECT_EQ(listing(outside), (std::set<std::string>{"liesmich.txt = fremd"}));
        EXPECT_EQ(listing(folder), kOld);
        SetUp();
    }
}

} // namespace
