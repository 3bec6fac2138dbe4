#include "updater/Publish.h"
#include "support/temp_folder.h"
#include "updater/UpdateCheck.h"

#include "common/Ini.h"

#include <gtest/gtest.h>

using namespace hopplix;
using namespace hopplix::test;

namespace {

class Publish : public ::testing::Test {
protected:
    TempFolder tree;
    Publication publication()
    {
        writeFile(tree.path() / "Hopplix", "program");
        writeFile(tree.path() / "Level.bmp", "level");
        writeFile(tree.path() / "liesmich.txt", "text");
        return {tree.path() / "Hopplix", "1,1", "http://updates.example.org/",
                {{tree.path() / "Level.bmp", "Level.bmp", "\\Level\\Neu\\"},
                 {tree.path() / "liesmich.txt", "liesmich.txt", ""}}};
    }
};

TEST_F(Publish, WritesWhatTheUpdaterReads)
{
    const auto out = tree.path() / "www";
    ASSERT_EQ(publish(publication(), out), std::nullopt);
    const auto hopp = out / "werkhof" / "Hopp";
    EXPECT_EQ(Versionlesen(hopp / "version.txt"), "1,1");
    EXPECT_EQ(readFile(hopp / "Hopplix.txt"), "program");
    EXPECT_EQ(readFile(hopp / "files" / "1" / "Level.bmp"), "level");
    EXPECT_EQ(readFile(hopp / "files" / "2" / "liesmich.txt"), "text");
    const auto manifest = hopp / "updatedata.txt";
    EXPECT_EQ(HolINIString(manifest, "Namen", std::nullopt), std::string("Datei1\0Datei2\0", 14));
    EXPECT_EQ(HolINIString(manifest, "Namen", "Datei1"), "Level.bmp");
    EXPECT_EQ(HolINIString(manifest, "URL", "Datei1"), "http://updates.example.org/werkhof/Hopp/files/1/Level.bmp");
    EXPECT_EQ(HolINIString(manifest, "Pfad", "Datei1"), "\\Level\\Neu\\");
    EXPECT_EQ(HolINIString(manifest, "Pfad", "Datei2"), "");
}

TEST_F(Publish, RefusesWhatTheUpdaterWouldRefuse)
{
    auto p = publication();
    p.version = "1.1"; // read as eleven under a decimal-comma locale
    EXPECT_NE(publicationProblem(p), std::nullopt);
    p = publication();
    p.files[0].name = "update.cmd";
    EXPECT_NE(publicationProblem(p), std::nullopt);
    p = publication();
    p.files[0].folder = "\\..\\x\\";
    EXPECT_NE(publicationProblem(p), std::nullopt);
    p = publication();
    p.baseUrl = "ftp://x";
    EXPECT_NE(publicationProblem(p), std::nullopt);
    p = publication();
    p.files[1].name = "Level.bmp";
    p.files[1].folder = "\\Level\\Neu\\";
    EXPECT_NE(publicationProblem(p), std::nullopt); // the second would replace the first
}

TEST_F(Publish, TwoNewLevelsWithTheirPicturesOfOneName)
{
    auto p = publication();
    writeFile(tree.path() / "other.bmp", "other level");
    p.files[1] = {tree.path() / "other.bmp", "Level.bmp", "\\Level\\Zwei\\"};
    const auto out = tree.path() / "www";
    ASSERT_EQ(publish(p, out), std::nullopt);
    const auto manifest = out / "werkhof" / "Hopp" / "updatedata.txt";
    const auto served = [&](const char* key) {
        const std::string url = HolINIString(manifest, "URL", key);
        return readFile(out / url.substr(std::string("http://updates.example.org/").size()));
    };
    EXPECT_EQ(served("Datei1"), "level");
    EXPECT_EQ(served("Datei2"), "other level");
    EXPECT_EQ(HolINIString(manifest, "Pfad", "Datei2"), "\\Level\\Zwei\\");
}

TEST(PublishText, FoldersAndUrls)
{
    EXPECT_EQ(folderText("Level/Neu"), "\\Level\\Neu\\");
    EXPECT_EQ(folderText("\\Level\\"), "\\Level\\");
    EXPECT_EQ(folderText(""), "");
    EXPECT_EQ(urlEncoded("Gr\xC3\xB6\xC3\x9F" "e 1.bmp"), "Gr%C3%B6%C3%9Fe%201.bmp");
    EXPECT_EQ(versionFileText("1,1"), "Version: 1,1\r\n");
}

} // namespace
