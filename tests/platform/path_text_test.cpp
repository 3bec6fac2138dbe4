#include "platform/PathText.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace hopplix;
using namespace hopplix::test;

namespace {

// A level folder's name goes from the listing to a text and back to a path to be opened.
TEST(PathText, NamesComeBackFromTheFileSystemAsTheyWent)
{
    TempFolder folder;
    struct Case {
        std::string name;
        std::string listed;
    };
    // Windows keeps names in UTF-16, so a byte that is no UTF-8 cannot be part of one there.
    for (const Case& c : {Case{"H\xC3\xB6hle mit \xC3\x84pfeln", "H\xC3\xB6hle mit \xC3\x84pfeln"},
                          Case{"Alt\xE4", onWindows ? "Alt\xEF\xBF\xBD" : "Alt\xE4"}}) {
        const auto path = folder.path() / pathFromText(c.name);
        writeFile(path, "BM");
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.push_back(textFromPath(entry.path().filename()));
        EXPECT_EQ(names, std::vector<std::string>{c.listed});
        EXPECT_EQ(readFile(folder.path() / pathFromText(c.listed)), "BM");
        std::filesystem::remove(path);
    }
}

} // namespace
