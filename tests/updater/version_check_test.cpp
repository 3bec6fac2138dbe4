#include "support/temp_folder.h"
#ifdef _WIN32
#include "updater/windows/MemoryServer.h"
#else
#include "updater/TestServer.h"
#endif
#include "updater/Minisign.h"
#include "updater/TestKeys.h"
#include "updater/UpdateCheck.h"

#include <gtest/gtest.h>

using namespace hopplix;
using namespace hopplix::test;

namespace {

const NumberFormat german{',', '.'};

struct VersionFileCase {
    const char* name;
    std::string content;
    std::string version;
};

class VersionFile : public ::testing::TestWithParam<VersionFileCase> {};

TEST_P(VersionFile, LastLineWithoutItsNineCharacterLabelIsTheVersion)
{
    TempFolder folder;
    writeFile(folder.path() / "version.txt", GetParam().content);
    EXPECT_EQ(Versionlesen(folder.path() / "version.txt"), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(Files, VersionFile,
                         ::testing::Values(VersionFileCase{"OneLine", "Version: 1,1\r\n", "1,1"},
                                           VersionFileCase{"NoLineEnd", "Version: 1,1", "1,1"},
                                           VersionFileCase{"SeveralLines",
                                                           "Version: 9,0\r\nVersion: 5,0\r\nVersion: 1,0\r\n", "1,0"},
                                           VersionFileCase{"UnixLineEnds", "Version: 2,0\nVersion: 1,5\n", "1,5"},
                                           VersionFileCase{"AnyNineCharacters", "#+~!?ab12 1,1", " 1,1"},
                                           VersionFileCase{"NineAnsiCharactersAreNineBytes",
                                                           "Gr\xF6\xDF"
                                                           "e -> 1,1",
                                                           "1,1"},
                                           VersionFileCase{"TrailingEmptyLine", "Version: 1,1\r\n\r\n", ""},
                                           VersionFileCase{"EmptyFile", "", ""},
                                           VersionFileCase{"ShortLastLine", "Version: 1,1\r\nV: 2\r\n", ""},
                                           VersionFileCase{"ExactlyNineCharacters", "Version: \r\n", ""},
                                           VersionFileCase{"AnsiVersionText", "Version: 1,1\xE9", "1,1\xC3\xA9"}),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(VersionFile, UnreadableFileGivesNoVersion)
{
    TempFolder folder;
    EXPECT_EQ(Versionlesen(folder.path() / "missing.txt"), "");
}

struct Comparison {
    const char* remote;
    const char* installed;
    bool newer;
};

class VersionComparison : public ::testing::TestWithParam<Comparison> {};

TEST_P(VersionComparison, OnlyAGreaterNumberIsNewer)
{
    EXPECT_EQ(isNewerVersion(GetParam().remote, GetParam().installed, german), GetParam().newer)
        << GetParam().remote << " vs " << GetParam().installed;
}

INSTANTIATE_TEST_SUITE_P(GermanLocale, VersionComparison,
                         ::testing::Values(Comparison{"1,1", "1,0", true}, Comparison{"1,0", "1,0", false},
                                           Comparison{"0,9", "1,0", false}, Comparison{"2", "1,0", true},
                                           Comparison{"10,0", "9,5", true},
                                           // As 32-bit floats the two are the same number.
                                           Comparison{"1,00000001", "1,0", false}, Comparison{" 1,1", "1,0", true},
                                           Comparison{"", "1,0", false}, Comparison{"neu", "1,0", false},
                                           Comparison{"1,1", "", false}, Comparison{"1e400", "1,0", false}));

class VersionCheckAgainstServer : public ::testing::Test {
protected:
    TestServer server;
    TempFolder folder;
#ifdef _WIN32
    MemoryDownloader downloader{server};
#else
    CurlDownloader downloader;
#endif
    std::string neueVersion;
    UpdateSetup setup() const { return {folder.path(), "Hopplix", server.baseUrl()}; }
    VersionCheck check(const char* installed = "1,0")
    {
        return checkForNewerVersion(setup(), downloader, installed, german, neueVersion);
    }
    void expectNoWorkingFileLeft() { EXPECT_TRUE(listing(folder.path()).empty()); }
};

TEST_F(VersionCheckAgainstServer, NewerServerVersionIsOffered)
{
    server.serve("/werkhof/Hopp/version.txt", "Version: 1,1\r\n");
    EXPECT_EQ(check(), VersionCheck::Newer);
    EXPECT_EQ(neueVersion, "1,1");
    expectNoWorkingFileLeft();
}

TEST_F(VersionCheckAgainstServer, EqualVersionOffersNothing)
{
    server.serve("/werkhof/Hopp/version.txt", "Version: 1,0\r\n");
    EXPECT_EQ(check(), VersionCheck::NotNewer);
    expectNoWorkingFileLeft();
}

TEST_F(VersionCheckAgainstServer, OnlyTheLastLineCounts)
{
    server.serve("/werkhof/Hopp/version.txt", "Version: 3,0\r\nVersion: 2,0\r\nVersion: 1,0\r\n");
    EXPECT_EQ(check(), VersionCheck::NotNewer);
    expectNoWorkingFileLeft();
}

TEST_F(VersionCheckAgainstServer, MissingVersionFileIsASilentFailure)
{
    EXPECT_EQ(check(), VersionCheck::DownloadFailed);
    EXPECT_EQ(neueVersion, "");
    expectNoWorkingFileLeft();
}

// Regression: a Version.txt that was there before was deleted although the download failed.
TEST_F(VersionCheckAgainstServer, FailedDownloadLeavesAnOlderVersionFileAlone)
{
    writeFile(folder.path() / "Version.txt", "Version: 9,9\r\n");
    server.status("/werkhof/Hopp/version.txt", 500);
    EXPECT_EQ(check(), VersionCheck::DownloadFailed);
    EXPECT_EQ(listing(folder.path()), std::set<std::string>{"Version.txt = Version: 9,9\r\n"});
}

TEST_F(VersionCheckAgainstServer, GarbageVersionOffersNothing)
{
    server.serve("/werkhof/Hopp/version.txt", "<html>gone</html>");
    EXPECT_EQ(check(), VersionCheck::NotNewer);
    expectNoWorkingFileLeft();
}

TEST_F(VersionCheckAgainstServer, NoConfiguredServerFetchesNothing)
{
    server.serve("/werkhof/Hopp/version.txt", "Version: 1,1\r\n");
    UpdateSetup none = setup();
    none.serverBaseUrl.clear();
    EXPECT_EQ(checkForNewerVersion(none, downloader, "1,0", german, neueVersion), VersionCheck::NoServer);
    EXPECT_EQ(server.totalHits(), 0);
}

TEST_F(VersionCheckAgainstServer, SignedBuildTrustsOnlyAVersionFileSignedByItsKey)
{
    std::string problem;
    const auto key = parseMinisignSecretKey(kTestSecretKey, problem);
    const auto other = parseMinisignSecretKey(kOtherSecretKey, problem);
    ASSERT_TRUE(key && other);
    const std::string text = "Version: 1,1\r\n";
    UpdateSetup s = setup();
    s.publicKey = kTestPublicKey;
    server.serve("/werkhof/Hopp/version.txt", text);
    EXPECT_EQ(checkForNewerVersion(s, downloader, "1,0", german, neueVersion), VersionCheck::NotTrusted);
    server.serve("/werkhof/Hopp/version.txt.minisig", minisignSign(*other, text, "version.txt"));
    EXPECT_EQ(checkForNewerVersion(s, downloader, "1,0", german, neueVersion), VersionCheck::NotTrusted);
    server.serve("/werkhof/Hopp/version.txt.minisig", minisignSign(*key, text, "version.txt"));
    EXPECT_EQ(checkForNewerVersion(s, downloader, "1,0", german, neueVersion), VersionCheck::Newer);
    expectNoWorkingFileLeft();
}

TEST_F(VersionCheckAgainstServer, SlowServerHoldsTheLauncherBackByTheBudgetAtMost)
{
    // Each transfer on its own may take 30 s; the check as a whole gives up after its budget.
    UpdateSetup s = setup();
    s.publicKey = kTestPublicKey;
    server.serve("/werkhof/Hopp/version.txt", "Version: 1,1\r\n");
    server.trickle("/werkhof/Hopp/version.txt.minisig");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(checkForNewerVersion(s, downloader, "1,0", german, neueVersion), VersionCheck::NotTrusted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kVersionCheckBudget + std::chrono::seconds(5));
    expectNoWorkingFileLeft();
}

TEST(ServerUrl, JoinsBaseAndPathWithOneSlash)
{
    EXPECT_EQ(serverUrl({{}, "", "http://h"}, "/werkhof/Hopp/version.txt"), "http://h/werkhof/Hopp/version.txt");
    EXPECT_EQ(serverUrl({{}, "", "http://h/"}, "/werkhof/Hopp/version.txt"), "http://h/werkhof/Hopp/version.txt");
    EXPECT_EQ(serverUrl({{}, "", "http://h/base"}, "werkhof/x"), "http://h/base/werkhof/x");
}

} // namespace
