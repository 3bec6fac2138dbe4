// Finding a file as Windows finds it: letter case does not matter, the exact spelling wins, and
// otherwise the first spelling in byte order.

#include "common/NameCase.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace hopplix {
namespace {

struct LookupCase {
    const char* what;
    std::vector<std::string> files; // in the folder, "name/" for a folder
    const char* name;
    EntryKind kind;
    const char* expected; // the name found; the name asked for when none is
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.what; }

class EntryIgnoringCase : public ::testing::TestWithParam<LookupCase> {};

TEST_P(EntryIgnoringCase, FindsTheSpellingWindowsWouldOpen)
{
    test::TempFolder folder;
    for (const std::string& entry : GetParam().files) {
        if (entry.ends_with('/'))
            std::filesystem::create_directories(folder.path() / entry);
        else
            folder.write(entry, "x");
    }
    const auto found = entryIgnoringCase(folder.path(), GetParam().name, GetParam().kind);
    const auto expected = folder.path() / GetParam().expected;
    // The entry itself: on Windows, where names that differ in case name one entry, any
    // spelling of it opens it.
    std::error_code ec;
    if (std::filesystem::exists(expected))
        EXPECT_TRUE(std::filesystem::equivalent(found, expected, ec)) << found;
    else
        EXPECT_EQ(found, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, EntryIgnoringCase,
    ::testing::Values(
        LookupCase{"exact", {"Level.bmp"}, "Level.bmp", EntryKind::File, "Level.bmp"},
        LookupCase{"upper case", {"LEVEL.BMP"}, "Level.bmp", EntryKind::File, "LEVEL.BMP"},
        LookupCase{"exact wins", {"LEVEL.BMP", "Level.bmp", "level.bmp"}, "Level.bmp", EntryKind::File, "Level.bmp"},
        LookupCase{
            "first in byte order", {"level.bmp", "LEVEL.bmp", "Level.BMP"}, "Level.bmp", EntryKind::File, "LEVEL.bmp"},
        LookupCase{"only the right kind", {"level.bmp/", "LEVEL.BMP"}, "Level.bmp", EntryKind::File, "LEVEL.BMP"},
        LookupCase{"a folder", {"LEVEL/", "level"}, "Level", EntryKind::Folder, "LEVEL"},
        LookupCase{"none", {"Level.bmp.txt", "Levelbmp"}, "Level.bmp", EntryKind::File, "Level.bmp"}));

TEST(EntryIgnoringCase, UnreadableFolderGivesTheNameAskedFor)
{
    EXPECT_EQ(entryIgnoringCase("/nonexistent/folder", "config.ini", EntryKind::File),
              std::filesystem::path("/nonexistent/folder/config.ini"));
}

} // namespace
} // namespace hopplix
