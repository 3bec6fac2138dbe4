#include "platform/Files.h"

#include "platform/FileAttributes.h"

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

TEST(PartFile, AppearsUnderItsNameOnlyWhenCommitted)
{
    TempFolder folder;
    const auto target = folder.write("Hopplix.dxe", "old");
    {
        PartFile part(target);
        ASSERT_NE(part.stream(), nullptr);
        std::fputs("half", part.stream());
        const auto names = namesIn(folder.path());
        ASSERT_EQ(names.size(), 2u); // the target and a hidden part file
        EXPECT_TRUE(isHidden(folder.path() / pathFromText(*names.begin() == "Hopplix.dxe" ? *names.rbegin()
                                                                                          : *names.begin())));
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
