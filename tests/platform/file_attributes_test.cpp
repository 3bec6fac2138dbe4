#include "platform/FileAttributes.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using hopplix::FileExists;
using hopplix::isOrdinaryFile;

namespace {

class LevelFolderFiles : public ::testing::Test {
protected:
    hopplix::test::TempFolder folder;
};

TEST_F(LevelFolderFiles, PictureFileExists)
{
    const auto picture = folder.write("Level.bmp", "BM");
    EXPECT_TRUE(FileExists(picture));
    EXPECT_TRUE(isOrdinaryFile(picture));
}

TEST_F(LevelFolderFiles, EmptyFileStillExists)
{
    EXPECT_TRUE(isOrdinaryFile(folder.write("config.ini", "")));
}

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
    const auto hidden = folder.write(".Level.bmp", "BM");
    EXPECT_TRUE(FileExists(hidden));
    EXPECT_FALSE(isOrdinaryFile(hidden));
}

TEST_F(LevelFolderFiles, LinkToAFileExistsButABrokenLinkDoesNot)
{
    const auto target = folder.write("real.bmp", "BM");
    fs::create_symlink(target, folder.path() / "Level.bmp");
    EXPECT_TRUE(isOrdinaryFile(folder.path() / "Level.bmp"));
    fs::create_symlink(folder.path() / "gone.bmp", folder.path() / "broken.bmp");
    EXPECT_FALSE(FileExists(folder.path() / "broken.bmp"));
    fs::create_directory_symlink(folder.path(), folder.path() / "dirlink");
    EXPECT_FALSE(FileExists(folder.path() / "dirlink"));
}

TEST_F(LevelFolderFiles, PipeIsNoFile)
{
    const auto pipe = folder.path() / "Level.bmp";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(FileExists(pipe));
}

} // namespace
