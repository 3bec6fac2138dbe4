#include "common/Ini.h"
#include "support/temp_folder.h"
#include "updater/FileDigest.h"
#include "updater/Minisign.h"
#include "updater/Publish.h"
#include "updater/TestKeys.h"
#include "updater/UpdateCheck.h"

#include <gtest/gtest.h>

using namespace hopplix;
using namespace hopplix::test;

namespace {

// A program file that says it is 1,1, as a build with -DHOPPLIX_VERSION=1,1 does.
const std::string kProgram = "program\x01hopplix-version:1,1\x01";

class Publish : public ::testing::Test {
protected:
    TempFolder tree;
    Publication publication()
    {
        writeFile(tree.path() / "Hopplix", kProgram);
        writeFile(tree.path() / "Level.bmp", "level");
        writeFile(tree.path() / "liesmich.txt", "text");
        return {tree.path() / "Hopplix",
                "1,1",
                "http://updates.example.org/",
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
    EXPECT_EQ(readFile(hopp / "Hopplix.txt"), kProgram);
    EXPECT_EQ(HolINIString(hopp / "updatedata.txt", "Version", "Version"), "1,1");
    EXPECT_EQ(readFile(hopp / "files" / "1" / "Level.bmp"), "level");
    EXPECT_EQ(readFile(hopp / "files" / "2" / "liesmich.txt"), "text");
    const auto manifest = hopp / "updatedata.txt";
    EXPECT_EQ(HolINIString(manifest, "Namen", std::nullopt), std::string("Datei1\0Datei2\0", 14));
    EXPECT_EQ(HolINIString(manifest, "Namen", "Datei1"), "Level.bmp");
    EXPECT_EQ(HolINIString(manifest, "URL", "Datei1"), "http://updates.example.org/werkhof/Hopp/files/1/Level.bmp");
    EXPECT_EQ(HolINIString(manifest, "Pfad", "Datei1"), "\\Level\\Neu\\");
    EXPECT_EQ(HolINIString(manifest, "Pfad", "Datei2"), "");
    // What each file must be when it arrives, the program's under a key of its own.
    EXPECT_EQ(HolINIString(manifest, "SHA256", "Datei1"),
              "0081779c287d567d9ca622f4c0cc2ede819b0cc7f286a5f01d8c3c0178191ad6");
    EXPECT_EQ(HolINIString(manifest, "Bytes", "Datei1"), "5");
    EXPECT_EQ(HolINIString(manifest, "SHA256", "Programm"),
              "d0698b0c65eea7bba96f74a56e608a5aec038df6d4d28bbbf1484c1193fb4d04");
    EXPECT_EQ(HolINIString(manifest, "Bytes", "Programm"), "28");
}

TEST_F(Publish, SignsVersionFileAndManifestWhenGivenAKey)
{
    auto p = publication();
    const auto out = tree.path() / "www";
    ASSERT_EQ(publish(p, out), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(out / "werkhof" / "Hopp" / "version.txt.minisig"));
    writeFile(tree.path() / "key.sec", std::string(kTestSecretKey));
    p.secretKey = tree.path() / "key.sec";
    ASSERT_EQ(publish(p, out), std::nullopt);
    const auto key = parseMinisignPublicKey(kTestPublicKey);
    for (const char* file : {"version.txt", "updatedata.txt"}) {
        const auto served = out / "werkhof" / "Hopp" / file;
        EXPECT_TRUE(minisignVerify(*key, readFile(served), readFile(served.string() + ".minisig"))) << file;
    }
    writeFile(tree.path() / "key.sec", "not a key");
    EXPECT_NE(publish(p, out), std::nullopt);
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
    p.files[1].name = "level.BMP";
    p.files[1].folder = "\\level\\neu\\";
    EXPECT_NE(publicationProblem(p), std::nullopt); // the second would replace the first
    p = publication();
    p.files[1].name = std::string(256, 'n');
    EXPECT_NE(publicationProblem(p), std::nullopt);
}

// A program published as another version than its own would be offered the update at every start.
TEST_F(Publish, RefusesAProgramThatIsAnotherVersion)
{
    auto p = publication();
    for (const auto& [program, refused] : std::vector<std::pair<std::string, bool>>{
             {kProgram, false},
             {"program\x01hopplix-version:1,0\x01", true},
             {"program", true},
             {"\x01hopplix-version:1,1\x01 and \x01hopplix-version:1,0\x01", true},
             {"\x01hopplix-version:\x01hopplix-version:1,1\x01", false}}) {
        writeFile(p.program, program);
        EXPECT_EQ(publicationProblem(p).has_value(), refused) << program;
    }
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

TEST(Digest, ManifestValuesAreReadStrictly)
{
    const std::string hash = "0081779c287d567d9ca622f4c0cc2ede819b0cc7f286a5f01d8c3c0178191ad6";
    EXPECT_EQ(parseDigest(hash, "5"), (FileDigest{hash, 5}));
    std::string upper = hash;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(parseDigest(upper, "5"), (FileDigest{hash, 5}));
    for (const auto& [sha, bytes] : std::vector<std::pair<std::string, std::string>>{{hash.substr(1), "5"},
                                                                                     {hash + "0", "5"},
                                                                                     {"g" + hash.substr(1), "5"},
                                                                                     {hash, ""},
                                                                                     {hash, "-5"},
                                                                                     {hash, "5 "},
                                                                                     {hash, "99999999999999999999"},
                                                                                     {"", ""}})
        EXPECT_EQ(parseDigest(sha, bytes), std::nullopt) << sha << " " << bytes;
    EXPECT_EQ(digestOfBytes("level"), (FileDigest{hash, 5}));
}

TEST(PublishText, FoldersAndUrls)
{
    EXPECT_EQ(folderText("Level/Neu"), "\\Level\\Neu\\");
    EXPECT_EQ(folderText("\\Level\\"), "\\Level\\");
    EXPECT_EQ(folderText(""), "");
    EXPECT_EQ(urlEncoded("Gr\xC3\xB6\xC3\x9F"
                         "e 1.bmp"),
              "Gr%C3%B6%C3%9Fe%201.bmp");
    EXPECT_EQ(versionFileText("1,1"), "Version: 1,1\r\n");
}

} // namespace
