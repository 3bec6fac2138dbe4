#include "support/temp_folder.h"
#include "updater/Downloader.h"
#include "updater/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;

namespace {

DownloadLimits shortLimits()
{
    DownloadLimits limits;
    limits.connectTimeout = 2s;
    limits.stallTimeout = 1s;
    limits.smallTotalTimeout = 30s;
    limits.largeTotalTimeout = 30s;
    limits.smallMaxBytes = 1024;
    limits.largeMaxBytes = 256 * 1024;
    return limits;
}

class Download : public ::testing::Test {
protected:
    TestServer server;
    TempFolder folder;
    CurlDownloader downloader{shortLimits()};
    std::filesystem::path target() const { return folder.path() / "Hopplix.dxe"; }

    // The old file stays as it was and no part file is left behind.
    void expectOldFileUntouched()
    {
        EXPECT_EQ(readFile(target()), "good old file");
        EXPECT_EQ(listing(folder.path()), (std::set<std::string>{"Hopplix.dxe = good old file"}));
    }
};

TEST_F(Download, CompleteFileIsWrittenAndReportsZero)
{
    server.serve("/f.bin", std::string(100000, 'a'));
    int progressCalls = 0;
    downloader.setProgress([&](std::uint64_t, std::uint64_t) {
        ++progressCalls;
        return true;
    });
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/f.bin"), target(), DownloadKind::Large), 0);
    EXPECT_EQ(readFile(target()), std::string(100000, 'a'));
    EXPECT_GT(progressCalls, 0);
    EXPECT_EQ(listing(folder.path()).size(), 1u);
}

TEST_F(Download, EmptyBodyIsAnEmptyFile)
{
    server.serve("/empty", "");
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/empty"), target(), DownloadKind::Small), 0);
    EXPECT_TRUE(std::filesystem::exists(target()));
    EXPECT_EQ(readFile(target()), "");
}

class DownloadErrorStatus : public Download, public ::testing::WithParamInterface<int> {};

TEST_P(DownloadErrorStatus, IsAFailureAndNeverSavedOverAGoodFile)
{
    writeFile(target(), "good old file");
    server.status("/Hopplix.txt", GetParam());
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/Hopplix.txt"), target(), DownloadKind::Large),
              download_error::HttpStatus);
    expectOldFileUntouched();
}

INSTANTIATE_TEST_SUITE_P(Statuses, DownloadErrorStatus, ::testing::Values(400, 403, 404, 410, 500, 503));

TEST_F(Download, MissingFileOnServerLeavesNoFile)
{
    EXPECT_NE(downloader.URLDownloadToFile(server.url("/nothing.txt"), target(), DownloadKind::Small), 0);
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Download, RefusedConnectionIsAFailure)
{
    const std::string url = "http://127.0.0.1:" + std::to_string(TestServer::closedPort()) + "/version.txt";
    EXPECT_EQ(downloader.URLDownloadToFile(url, target(), DownloadKind::Small), download_error::Transfer);
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Download, StalledServerIsGivenUpAfterTheStallTimeout)
{
    writeFile(target(), "good old file");
    server.stall("/stall", "some bytes, then silence");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/stall"), target(), DownloadKind::Large),
              download_error::Transfer);
    // Well before the 30 s overall bound: the stall timeout (1 s) ended it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    expectOldFileUntouched();
}

TEST_F(Download, TricklingServerIsGivenUpAtTheOverallBound)
{
    DownloadLimits limits = shortLimits();
    limits.stallTimeout = 20s;
    limits.largeTotalTimeout = 2s;
    CurlDownloader bounded(limits);
    server.trickle("/slow");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bounded.URLDownloadToFile(server.url("/slow"), target(), DownloadKind::Large), download_error::Transfer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Download, ConnectionClosedShortOfTheLengthLeavesTheOldFile)
{
    writeFile(target(), "good old file");
    server.truncate("/short", std::string(500, 'n'), 5000);
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/short"), target(), DownloadKind::Large),
              download_error::Transfer);
    expectOldFileUntouched();
}

TEST_F(Download, EndlessBodyIsCutAtTheSizeCap)
{
    writeFile(target(), "good old file");
    server.endless("/endless");
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/endless"), target(), DownloadKind::Large),
              download_error::TooLarge);
    expectOldFileUntouched();
}

TEST_F(Download, AnnouncedLengthOverTheCapIsRefused)
{
    server.declare("/big", 4096);
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/big"), target(), DownloadKind::Small),
              download_error::TooLarge);
    EXPECT_TRUE(listing(folder.path()).empty());
    // The same file is within the cap of a program file.
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/big"), target(), DownloadKind::Large), 0);
    EXPECT_EQ(std::filesystem::file_size(target()), 4096u);
}

TEST_F(Download, RedirectIsFollowed)
{
    server.serve("/new/version.txt", "Version: 1,1");
    server.redirect("/old/version.txt", "/new/version.txt");
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/old/version.txt"), target(), DownloadKind::Small), 0);
    EXPECT_EQ(readFile(target()), "Version: 1,1");
}

TEST_F(Download, RedirectLoopEnds)
{
    server.redirect("/loop", "/loop");
    EXPECT_NE(downloader.URLDownloadToFile(server.url("/loop"), target(), DownloadKind::Small), 0);
    EXPECT_LE(server.hits("/loop"), 6);
    EXPECT_TRUE(listing(folder.path()).empty());
}

TEST_F(Download, RedirectToALocalFileIsRefused)
{
    TempFolder other;
    writeFile(other.path() / "secret", "secret");
    server.redirect("/leak", "file://" + (other.path() / "secret").string());
    EXPECT_NE(downloader.URLDownloadToFile(server.url("/leak"), target(), DownloadKind::Small), 0);
    EXPECT_TRUE(listing(folder.path()).empty());
}

class DownloadUrl : public Download, public ::testing::WithParamInterface<const char*> {};

TEST_P(DownloadUrl, OnlyWebUrlsAreFetched)
{
    EXPECT_EQ(downloader.URLDownloadToFile(GetParam(), target(), DownloadKind::Small), download_error::BadUrl);
    EXPECT_TRUE(listing(folder.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Schemes, DownloadUrl,
                         ::testing::Values("", "file:///etc/passwd", "ftp://127.0.0.1/x", "/werkhof/Hopp/version.txt",
                                           "gopher://127.0.0.1/", "httpx://127.0.0.1/"));

TEST_F(Download, UppercaseSchemeIsAWebUrl)
{
    server.serve("/a", "A");
    std::string url = server.url("/a");
    url.replace(0, 4, "HTTP");
    EXPECT_EQ(downloader.URLDownloadToFile(url, target(), DownloadKind::Small), 0);
}

TEST_F(Download, MissingTargetFolderIsALocalFailure)
{
    server.serve("/a", "A");
    EXPECT_EQ(downloader.URLDownloadToFile(server.url("/a"), folder.path() / "no" / "a", DownloadKind::Small),
              download_error::LocalFile);
}

} // namespace
