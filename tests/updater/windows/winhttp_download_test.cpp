// The WinHTTP downloader against a server on the Linux side (serve.py): the same results and
// bounds as the libcurl one.

#include "support/temp_folder.h"
#include "updater/Downloader.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hopplix;
using namespace hopplix::test;
namespace fs = std::filesystem;

namespace {

std::string server()
{
    const char* base = std::getenv("HOPPLIX_TEST_SERVER");
    return base ? base : "";
}

DownloadLimits quickLimits()
{
    DownloadLimits limits;
    limits.connectTimeout = std::chrono::seconds(2);
    limits.stallTimeout = std::chrono::seconds(1);
    limits.smallTotalTimeout = std::chrono::seconds(4);
    return limits;
}

struct DownloadCase {
    const char* name;
    std::string path; // after the server's address; a whole URL when it has a scheme
    int result;
};

class WinHttp : public ::testing::TestWithParam<DownloadCase> {
protected:
    void SetUp() override { ASSERT_FALSE(server().empty()) << "run through run_with_server.sh"; }
    TempFolder folder;
    fs::path target = folder.path() / "version.txt";
};

TEST_P(WinHttp, ResultAndFileAsWithCurl)
{
    // A good file of that name stays unless a whole new one arrived.
    writeFile(target, "good");
    WinHttpDownloader downloader(quickLimits());
    const std::string& path = GetParam().path;
    const std::string url = path.find("://") != std::string::npos ? path : server() + path;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(downloader.URLDownloadToFile(url, target, DownloadKind::Small), GetParam().result);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(readFile(target), GetParam().result == 0 ? "Hopplix 1,1\r\n" : "good");
    EXPECT_EQ(listing(folder.path()).size(), 1u); // no part file left
}

INSTANTIATE_TEST_SUITE_P(Cases, WinHttp,
                         ::testing::Values(DownloadCase{"Whole", "/ok", 0}, DownloadCase{"Redirected", "/redirect", 0},
                                           DownloadCase{"EndlessRedirects", "/loop", download_error::Transfer},
                                           DownloadCase{"NotFound", "/missing", download_error::HttpStatus},
                                           DownloadCase{"OverTheCap", "/big", download_error::TooLarge},
                                           DownloadCase{"OverTheCapUnannounced", "/big-unannounced",
                                                        download_error::TooLarge},
                                           DownloadCase{"CutShort", "/short", download_error::Transfer},
                                           DownloadCase{"Stalled", "/stall", download_error::Transfer},
                                           DownloadCase{"OverTheTotalTime", "/slow", download_error::Transfer},
                                           DownloadCase{"NoServer", "http://127.0.0.1:9/ok", download_error::Transfer},
                                           DownloadCase{"NotWeb", "ftp://127.0.0.1/ok", download_error::BadUrl}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(WinHttp, ProgressSeesTheBytesAndGivingUpEndsTheTransfer)
{
    WinHttpDownloader downloader(quickLimits());
    std::uint64_t seen = 0;
    downloader.setProgress([&](std::uint64_t received, std::uint64_t total) {
        seen = received;
        EXPECT_EQ(total == 0 || total == 100, true);
        return received < 3;
    });
    EXPECT_EQ(downloader.URLDownloadToFile(server() + "/slow", target, DownloadKind::Small), download_error::Cancelled);
    EXPECT_GE(seen, 3u);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(WinHttp, DeadlineBoundsEveryTransfer)
{
    WinHttpDownloader downloader(quickLimits());
    downloader.setDeadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(500));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(downloader.URLDownloadToFile(server() + "/slow", target, DownloadKind::Large), download_error::Transfer);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(downloader.URLDownloadToFile(server() + "/ok", target, DownloadKind::Small), download_error::Transfer);
}

// A file of the Linux side, as a Windows program under Wine names it.
fs::path linuxFile(const char* variable)
{
    const char* path = std::getenv(variable);
    return path ? fs::path("Z:" + std::string(path)) : fs::path();
}

TEST_F(WinHttp, HttpsAcceptsThePinnedCertificateOnly)
{
    const char* tls = std::getenv("HOPPLIX_TEST_TLS_SERVER");
    ASSERT_TRUE(tls);
    const std::string url = std::string(tls) + "/ok";
    // Made a moment ago, by no authority the system trusts.
    EXPECT_EQ(WinHttpDownloader(quickLimits()).URLDownloadToFile(url, target, DownloadKind::Small),
              download_error::Transfer);
    EXPECT_EQ(WinHttpDownloader(quickLimits(), linuxFile("HOPPLIX_TEST_OTHER_CERT"))
                  .URLDownloadToFile(url, target, DownloadKind::Small),
              download_error::Transfer);
    EXPECT_EQ(WinHttpDownloader(quickLimits(), folder.path() / "missing.pem")
                  .URLDownloadToFile(url, target, DownloadKind::Small),
              download_error::Transfer);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(WinHttpDownloader(quickLimits(), linuxFile("HOPPLIX_TEST_CERT"))
                  .URLDownloadToFile(url, target, DownloadKind::Small),
              0);
    EXPECT_EQ(readFile(target), "Hopplix 1,1\r\n");
}

} // namespace
