#include "launcher/LevelList.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace hopplix {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A program folder whose "Level" folder is built up by the test.
class LevelFolder : public ::testing::Test {
protected:
    fs::path levels() const { return levelsFolder(program.path()); }

    void addLevel(const std::string& name) const
    {
        fs::create_directories(levels() / pathFromText(name));
        std::ofstream(levels() / pathFromText(name) / "Level.bmp") << "BM";
    }
    void addFolder(const std::string& name) const { fs::create_directories(levels() / pathFromText(name)); }
    void addFile(const std::string& name) const
    {
        fs::create_directories(levels());
        std::ofstream(levels() / pathFromText(name)) << "x";
    }
    std::vector<std::string> listed() const { return listLevels(levels()); }

    test::TempFolder program;
};

TEST_F(LevelFolder, LevelsFolderLiesInTheProgramFolder)
{
    EXPECT_EQ(levelsFolder("/opt/hopplix"), fs::path("/opt/hopplix/Level"));
}

TEST_F(LevelFolder, OnlyFoldersWithALevelPictureAreListed)
{
    addLevel("Alpha");
    addFolder("Beta");
    addFolder("Gamma/Level.bmp"); // a folder named like the picture is no picture
    addFile("notes.txt");
    EXPECT_THAT(listed(), ElementsAre("Alpha"));
}

TEST_F(LevelFolder, LevelsMadeOnWindowsAreListedWhateverTheLetterCase)
{
    const fs::path upper = program.path() / "LEVEL";
    fs::create_directories(upper / "Wald");
    std::ofstream(upper / "Wald" / "LEVEL.BMP") << "BM";
    fs::create_directories(upper / "Berg");
    std::ofstream(upper / "Berg" / "level.bmp") << "BM";
    ASSERT_TRUE(fs::equivalent(levels(), upper)); // on Windows "Level" names it as well
    EXPECT_THAT(listed(), ElementsAre("Berg", "Wald"));
}

TEST_F(LevelFolder, MissingLevelsFolderListsNothing) { EXPECT_THAT(listed(), IsEmpty()); }

TEST_F(LevelFolder, LevelsFolderThatIsAFileListsNothing)
{
    std::ofstream(levels()) << "not a folder";
    EXPECT_THAT(listed(), IsEmpty());
}

TEST_F(LevelFolder, HiddenLevelFolderIsNotListed)
{
    addLevel("Geheim");
    test::hideEntry(levels() / "Geheim");
    addLevel("Offen");
    addLevel(".Punkt"); // hidden by its name, except on Windows
    const std::vector<std::string> shown =
        test::onWindows ? std::vector<std::string>{".Punkt", "Offen"} : std::vector<std::string>{"Offen"};
    EXPECT_EQ(listed(), shown);
}

TEST_F(LevelFolder, FileNamedLikeALevelIsNotListed)
{
    addFile("Fake");
    addLevel("Real");
    EXPECT_THAT(listed(), ElementsAre("Real"));
}

TEST_F(LevelFolder, OddNamesAreListedExactly)
{
    const std::string longName(200, 'x');
    addLevel("Höhle mit Äpfeln");
    addLevel("  zwei  Leerzeichen ");
    addLevel("Straße");
    addLevel(longName);
    addLevel("Klammern (1) & [2]");
    addLevel("UPPER");
    std::vector<std::string> shown{
        "  zwei  Leerzeichen ", "Höhle mit Äpfeln", "Klammern (1) & [2]", "Straße", "UPPER", longName};
    if (test::onWindows)
        shown.erase(shown.begin()); // no name there ends in a blank: the picture found no folder
    EXPECT_EQ(listed(), shown);
}

TEST_F(LevelFolder, NameThatIsNotUtf8IsListedByteForByte)
{
    const std::string name = "Alt\xE4"; // Windows-1252 "Altä": not UTF-8
    addLevel(name);
    // Windows keeps names in UTF-16: there no name holds such a byte.
    EXPECT_THAT(listed(), ElementsAre(test::onWindows ? "Alt\xEF\xBF\xBD" : name));
}

TEST_F(LevelFolder, OrderIsByNameIgnoringLetterCase)
{
    for (const char* name : {"delta", "Charlie", "bravo", "Alpha", "echo", "10 Zehn", "2 Zwei"})
        addLevel(name);
    EXPECT_THAT(listed(), ElementsAre("10 Zehn", "2 Zwei", "Alpha", "bravo", "Charlie", "delta", "echo"));
}

TEST_F(LevelFolder, NamesDifferingOnlyInCaseHaveAFixedOrder)
{
    addLevel("level");
    addLevel("Level");
    addLevel("LEVEL");
    // Windows finds the first folder under each spelling: there is only one.
    const std::vector<std::string> shown =
        test::onWindows ? std::vector<std::string>{"level"} : std::vector<std::string>{"LEVEL", "Level", "level"};
    EXPECT_EQ(listed(), shown);
}

TEST_F(LevelFolder, LinkToALevelFolderCountsAsLevel)
{
    addLevel("Echt");
    if (!test::makeLink(levels() / "Echt", levels() / "Verweis", true))
        GTEST_SKIP() << "this system makes no symbolic links for us";
    ASSERT_TRUE(test::makeLink(levels() / "fehlt", levels() / "Kaputt", true));
    EXPECT_THAT(listed(), ElementsAre("Echt", "Verweis"));
}

TEST_F(LevelFolder, LevelPictureThatIsADanglingLinkDoesNotCount)
{
    addFolder("Leer");
    if (!test::makeLink(levels() / "nirgends.bmp", levels() / "Leer" / "Level.bmp", false))
        GTEST_SKIP() << "this system makes no symbolic links for us";
    EXPECT_THAT(listed(), IsEmpty());
}

TEST_F(LevelFolder, HiddenFilesInsideALevelDoNotMatter)
{
    addLevel("Alpha");
    std::ofstream(levels() / "Alpha" / ".notiz") << "x";
    EXPECT_THAT(listed(), ElementsAre("Alpha"));
}

TEST(LevelOrder, IsAStrictTotalOrder)
{
    const std::vector<std::string> names = {"", "a", "A", "ab", "aB", "b", "\xC3\xA4", "_", "Z", "[", "`"};
    for (const auto& a : names) {
        EXPECT_FALSE(levelNameBefore(a, a)) << a;
        for (const auto& b : names) {
            if (a != b) {
                EXPECT_NE(levelNameBefore(a, b), levelNameBefore(b, a)) << a << " / " << b;
            }
            for (const auto& c : names) {
                if (levelNameBefore(a, b) && levelNameBefore(b, c)) {
                    EXPECT_TRUE(levelNameBefore(a, c)) << a << " / " << b << " / " << c;
                }
            }
        }
    }
}

} // namespace
} // namespace hopplix
