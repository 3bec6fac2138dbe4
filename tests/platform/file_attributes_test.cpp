#include "platform/FileAttributes.h"
#include "support/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
namespace test = hopplix::test;
using hopplix::FileExists;
using hopplix::isOrdinaryFile;

namespace {

class LevelFolderFiles : public ::testing::Test {
protected:
    test::TempFolder folder;
};

TEST_F(LevelFolderFiles, PictureFileExists)
{
    const auto picture = folder.write("Level.bmp", "BM");
    EXPECT_TRUE(FileExists(picture));
    EXPECT_TRUE(isOrdinaryFile(picture));
}

TEST_F(LevelFolderFiles, EmptyFileStillExists) { EXPECT_TRUE(isOrdinaryFile(folder.write("config.ini", ""))); }

TEST_F(LevelFolderFiles, MissingFileDoesNotExist)
{
    EXPECT_FALSE(FileExists(folder.path() / "Level.bmp"));
    EXPECT_FALSE(FileExists(folder.path() / "nowhere" / "Level.bmp"));
    EXPECT_FALSE(FileExists(""));
}

TEST_F(LevelFolderFiles, FolderNamedLikeThePictureIsNoFile)
{
    fs::create_directory(folder.path() / "Level.bmp");
    EXPECT_FALSE(FileExists(folder.path() / "Level.bmp"));
    EXPECT_FALSE(FileExists(folder.path()));
}

TEST_F(LevelFolderFiles, HiddenFileCountsAsMissing)
{
    for (const auto& hidden : test::makeHiddenFiles(folder.path())) {
        EXPECT_TRUE(FileExists(hidden)) << hidden;
        EXPECT_FALSE(isOrdinaryFile(hidden)) << hidden;
    }
    // A leading dot hides nothing on Windows.
    EXPECT_EQ(isOrdinaryFile(folder.write(".Level.bmp", "BM")), test::onWindows);
}

TEST_F(LevelFolderFiles, LinkToAFileExistsButABrokenLinkDoesNot)
{
    const auto target = folder.write("real.bmp", "BM");
    if (!test::makeLink(target, folder.path() / "Level.bmp", false))
        GTEST_SKIP() << "this system makes no symbolic links for us";
    EXPECT_TRUE(isOrdinaryFile(folder.path() / "Level.bmp"));
    ASSERT_TRUE(test::makeLink(folder.path() / "gone.bmp", folder.path() / "broken.bmp", false));
    EXPECT_FALSE(FileExists(folder.path() / "broken.bmp"));
    ASSERT_TRUE(test::makeLink(folder.path(), folder.path() / "dirlink", true));
    EXPECT_FALSE(FileExists(folder.path() / "dirlink"));
}

TEST_F(LevelFolderFiles, OnlyAFolderIsWritableAndAskingLeavesNothing)
{
    EXPECT_TRUE(hopplix::isWritableFolder(folder.path()));
    EXPECT_TRUE(fs::is_empty(folder.path()));
    EXPECT_FALSE(hopplix::isWritableFolder(folder.path() / "missing"));
    EXPECT_FALSE(hopplix::isWritableFolder(folder.write("file", "")));
}

TEST_F(LevelFolderFiles, PipeOrDeviceIsNoFile)
{
    EXPECT_FALSE(FileExists(test::makeNonFile(folder.path(), "Level.bmp")));
}

} // namespace
