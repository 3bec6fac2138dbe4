#include "app/App.h"
#include "app/Forms.h"
#include "support/temp_folder.h"
#include "support/test_services.h"
#include "updater/DownloadLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace hopplix {
namespace {

TEST(FormLifetime, RegistryOpensNoWindowUntilAFormIsUsed)
{
    test::TestPlatform platform;
    const BmpPictureDecoder pictures;
    Forms forms(platform.services("/nonexistent-program-folder"), pictures);
    EXPECT_EQ(platform.windows.windowCount(), 0u);
}

// What updateServerFor makes of the folder, one line of its log appended; as the unprivileged
// user "nobody" when the test runs as root, who may write anywhere.
std::string serverAndLog(const std::string& server, const std::filesystem::path& folder)
{
    const auto run = [&] {
        std::ostringstream log;
        const std::string result = updateServerFor(server, folder, log);
        return result + "|" + log.str();
    };
    if (::geteuid() != 0)
        return run();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string text = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? run() : "setuid failed";
        const auto written = ::write(pipeEnds[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    ::waitpid(child, nullptr, 0);
    return text;
}

TEST(SystemInstall, UpdatesAreOffWhereTheProgramFolderIsNotWritable)
{
    test::TempFolder tree;
    const auto installed = tree.path() / "lib" / "hopplix";
    std::filesystem::create_directories(installed);
    // Readable for everybody, writable by nobody but its owner (root for a system install).
    std::filesystem::permissions(tree.path(), std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
    std::filesystem::permissions(installed.parent_path(),
                                 std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
    std::filesystem::permissions(installed, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec
                                                | std::filesystem::perms::others_read
                                                | std::filesystem::perms::others_exec);

    EXPECT_EQ(serverAndLog("http://updates.example.org", installed),
              "|hopplix: updates are off: the program folder " + installed.string() + " is not writable\n");
    EXPECT_EQ(serverAndLog("", installed), "|") << "no server, nothing to say";

    std::ostringstream log;
    EXPECT_EQ(updateServerFor("http://updates.example.org", tree.path(), log), "http://updates.example.org");
    EXPECT_EQ(log.str(), "");
    std::filesystem::permissions(installed, std::filesystem::perms::owner_all);
}

// Whether a library whose file name contains `name` is mapped into this process.
bool isLoaded(const std::string& name)
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(name) != std::string::npos)
            return true;
    return false;
}

TEST(DownloadLibrary, IsLoadedOnlyWhenAnUpdateCheckWillRun)
{
    test::TempFolder folder;
    std::ostringstream log;
    std::string server;
    EXPECT_EQ(downloadsFor(server, folder.path(), {}, log), nullptr);
    EXPECT_FALSE(isLoaded("libcurl")) << "the program links no download library of its own";
    EXPECT_EQ(log.str(), "");

    server = "http://updates.example.org";
    EXPECT_EQ(downloadsFor(server, folder.path(), {}, log), nullptr) << "none beside the program";
    EXPECT_EQ(server, "");
    const std::string said = log.str();
    EXPECT_EQ(said.rfind("hopplix: updates are off: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    std::filesystem::copy_file(HOPPLIX_DOWNLOAD_LIBRARY, folder.path() / "hopplix-download.so");
    server = "http://updates.example.org";
    const auto downloads = downloadsFor(server, folder.path(), {}, log);
    ASSERT_NE(downloads, nullptr);
    ASSERT_NE(downloads->downloader(), nullptr);
    EXPECT_EQ(server, "http://updates.example.org");
    EXPECT_TRUE(isLoaded("libcurl"));
    EXPECT_EQ(downloads->downloader()->URLDownloadToFile("ftp://updates.example.org/x", folder.path() / "x",
                                                         DownloadKind::Small),
              download_error::BadUrl);
}

} // namespace
} // namespace hopplix
