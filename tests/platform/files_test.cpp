#include "platform/FileAttributes.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <set>

using namespace hopplix;
using namespace hopplix::test;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(FileLock, IsHeldByOneHolderAtATime)
{
    TempFolder folder;
    const auto file = folder.path() / "lock";
    {
        auto held = FileLock::tryHold(file);
        ASSERT_TRUE(held);
        EXPECT_FALSE(FileLock::tryHold(file));
        const auto moved = std::move(*held);
        held.reset(); // the hold went with the move
        EXPECT_FALSE(FileLock::tryHold(file));
    }
    EXPECT_TRUE(FileLock::tryHold(file));
    EXPECT_FALSE(FileLock::tryHold(folder.path())); // a folder is no lock file
}

TEST(ReadOrdinaryFile, ReadsFilesByteForByteAndNothingElse)
{
    TempFolder folder;
    EXPECT_EQ(readOrdinaryFile(folder.write("a.ini", "[S]\r\nk=\0v\xE4\n"s)), "[S]\r\nk=\0v\xE4\n"s);
    EXPECT_EQ(readOrdinaryFile(folder.write("empty.ini", "")), "");
    EXPECT_EQ(readOrdinaryFile(folder.path() / "missing.ini"), std::nullopt);
    EXPECT_EQ(readOrdinaryFile(folder.path()), std::nullopt);
    // A pipe with no writer would block a plain open.
    EXPECT_EQ(readOrdinaryFile(makeNonFile(folder.path(), "pipe.ini")), std::nullopt);
}

TEST(AppendToOrdinaryFile, AppendsOrCreatesButOnlyAnOrdinaryFile)
{
    TempFolder folder;
    EXPECT_TRUE(appendToOrdinaryFile(folder.path() / "update.cmd", "a\r\n"));
    EXPECT_TRUE(appendToOrdinaryFile(folder.path() / "update.cmd", "b\r\n"));
    EXPECT_EQ(readFile(folder.path() / "update.cmd"), "a\r\nb\r\n");
    std::filesystem::create_directory(folder.path() / "folder.cmd");
    EXPECT_FALSE(appendToOrdinaryFile(folder.path() / "folder.cmd", "x"));
    // A pipe with no reader would block a plain open.
    EXPECT_FALSE(appendToOrdinaryFile(makeNonFile(folder.path(), "pipe.cmd"), "x"));
}

TEST(Links, AreNotFollowedWhereRefused)
{
    TempFolder folder;
    const auto victim = folder.write("victim", "keep");
    if (!makeLink(victim, folder.path() / "update.cmd", false))
        GTEST_SKIP() << "this system makes no symbolic links for us";
    EXPECT_FALSE(appendToOrdinaryFile(folder.path() / "update.cmd", "x"));
    EXPECT_EQ(readOrdinaryFile(folder.path() / "update.cmd", Links::Refuse), std::nullopt);
    EXPECT_EQ(readOrdinaryFile(folder.path() / "update.cmd"), "keep");
    ASSERT_TRUE(makeLink(folder.path() / "gone", folder.path() / "dangling.cmd", false));
    EXPECT_FALSE(appendToOrdinaryFile(folder.path() / "dangling.cmd", "x"));
    EXPECT_FALSE(fs::exists(folder.path() / "gone"));
    EXPECT_EQ(readFile(victim), "keep");
}

TEST(PartFile, AppearsUnderItsNameOnlyWhenCommitted)
{
    TempFolder folder;
    const auto target = folder.write("Hopplix.dxe", "old");
    {
        PartFile part(target);
        ASSERT_NE(part.stream(), nullptr);
        std::fputs("half", part.stream());
        auto names = namesIn(folder.path());
        ASSERT_EQ(names.size(), 2u); // the target and a hidden part file
        names.erase("Hopplix.dxe");
        EXPECT_TRUE(isPartFileName(*names.begin())) << *names.begin();
        EXPECT_TRUE(isHidden(folder.path() / pathFromText(*names.begin())));
    }
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"Hopplix.dxe"});
    EXPECT_EQ(readFile(target), "old");

    PartFile part(target);
    std::fputs("new", part.stream());
    ASSERT_TRUE(part.commit(target));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"Hopplix.dxe"});
    EXPECT_FALSE(isHidden(target));
    // The permissions of any new file of the user.
    EXPECT_EQ(fs::status(target).permissions(), fs::status(folder.write("plain", "")).permissions());
}

TEST(PartFile, FolderThatCannotTakeItGivesNoStream)
{
    TempFolder folder;
    EXPECT_EQ(PartFile(folder.path() / "missing" / "Hopplix.dxe").stream(), nullptr);
}

} // namespace
