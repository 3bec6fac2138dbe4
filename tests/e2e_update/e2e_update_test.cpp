// Updates against nginx on the loopback port, serving folders made by hopplix-publish --sign.
// A whole signed update as the player sees it, once over http and once over https with a
// certificate authority made for the run: the program starts under Xvfb, finds version 1,1,
// gets Yes to its question, downloads, hands over to hopplix-update and ends; the helper puts
// the update in place and starts the new program, whose first launcher opening deletes the
// script. And a table of faults, each leaving the program folder as stated.

#include "platform/HandOver.h"
#include "support/temp_folder.h"
#include "updater/Minisign.h"
#include "updater/StagedInstall.h"
#include "updater/TestKeys.h"
#include "updater/UpdateDoubles.h"
#include "updater/UpdateInstall.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace hopplix;
using namespace hopplix::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kPort = HOPPLIX_E2E_PORT;
constexpr int kTlsPort = HOPPLIX_E2E_TLS_PORT;
const std::string kHttp = "http://127.0.0.1:" + std::to_string(kPort);
// What a program built as 1,1 carries in its file; hopplix-publish publishes no other as 1,1.
const std::string kVersionRecord = "\x01hopplix-version:1,1\x01";
const std::string kNewProgram = "new program" + kVersionRecord;

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms); // polls a condition, bounded by the deadline
    }
    return true;
}

bool portAnswers(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

std::string shellQuoted(const fs::path& p)
{
    // Appended piece by piece: a sum of strings here trips GCC 12's false -Wrestrict at -O3.
    std::string quoted = "'";
    quoted += p.string();
    quoted += '\'';
    return quoted;
}

bool onPath(const char* tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// nginx in the foreground, one process, everything below `prefix`, http and https; stopped by
// its id. Below /slow/ it sends 20 KiB a second.
class Nginx {
public:
    Nginx(const fs::path& prefix, const fs::path& root, const fs::path& tls)
    {
        fs::create_directories(prefix / "tmp");
        const std::string p = prefix.string();
        writeFile(prefix / "nginx.conf", "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + p
                                             + "/nginx.pid;\n"
                                               "error_log "
                                             + p
                                             + "/error.log;\nevents { worker_connections 32; }\n"
                                               "http {\n  access_log "
                                             + p
                                             + "/access.log;\n"
                                               "  client_body_temp_path "
                                             + p + "/tmp/body;\n  proxy_temp_path " + p
                                             + "/tmp/proxy;\n"
                                               "  fastcgi_temp_path "
                                             + p + "/tmp/fastcgi;\n  uwsgi_temp_path " + p
                                             + "/tmp/uwsgi;\n"
                                               "  scgi_temp_path "
                                             + p
                                             + "/tmp/scgi;\n  default_type application/octet-stream;\n"
                                               "  server {\n    listen 127.0.0.1:"
                                             + std::to_string(kPort)
                                             + ";\n"
                                               "    listen 127.0.0.1:"
                                             + std::to_string(kTlsPort)
                                             + " ssl;\n"
                                               "    ssl_certificate "
                                             + (tls / "server.pem").string()
                                             + ";\n"
                                               "    ssl_certificate_key "
                                             + (tls / "server.key").string()
                                             + ";\n"
                                               "    root "
                                             + root.string() + ";\n    location /slow/ { limit_rate 20k; }\n  }\n}\n");
        std::vector<std::string> args{"/usr/sbin/nginx", "-p", p, "-c", p + "/nginx.conf", "-e", p + "/error.log"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
    }
    ~Nginx()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
};

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// One nginx for all tests; a certificate authority made for the run, where the https program
// looks for it, and a server certificate for localhost signed by it.
class UpdateServer : public ::testing::Test {
protected:
    static inline TempFolder* tree = nullptr;
    static inline Nginx* nginx = nullptr;

    static fs::path root() { return tree->path(); }
    static fs::path www() { return root() / "www"; }

    static void SetUpTestSuite()
    {
        tree = new TempFolder;
        const fs::path tls = root() / "tls";
        fs::create_directories(tls);
        fs::create_directories(fs::path(HOPPLIX_E2E_CA_FILE).parent_path());
        const std::string t = shellQuoted(tls);
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        writeFile(tls / "san.txt", "subjectAltName=DNS:localhost,IP:127.0.0.1\n");
        const bool made =
            run("openssl req -x509" + ec + " -days 2 -subj '/CN=Hopplix Test CA' -keyout " + t + "/ca.key -out "
                + shellQuoted(HOPPLIX_E2E_CA_FILE))
            && run("openssl req" + ec + " -subj /CN=localhost -keyout " + t + "/server.key -out " + t + "/server.csr")
            && run("openssl x509 -req -days 2 -in " + t + "/server.csr -CA " + shellQuoted(HOPPLIX_E2E_CA_FILE)
                   + " -CAkey " + t + "/ca.key -CAcreateserial -extfile " + t + "/san.txt -out " + t + "/server.pem");
        writeFile(root() / "key.sec", std::string(kTestSecretKey));
        writeFile(root() / "other.sec", std::string(kOtherSecretKey));
        fs::create_directories(www());
        if (made && !portAnswers(kPort) && !portAnswers(kTlsPort))
            nginx = new Nginx(root() / "nginx", www(), tls);
    }
    static void TearDownTestSuite()
    {
        delete nginx;
        nginx = nullptr;
        delete tree;
        tree = nullptr;
    }
    void SetUp() override
    {
        for (const char* tool : {"xvfb-run", "xdotool", "openssl"})
            ASSERT_TRUE(onPath(tool)) << tool << " is missing: run scripts/setup.sh";
        ASSERT_TRUE(nginx) << "nginx is missing, a port is taken or openssl failed: run scripts/setup.sh";
        ASSERT_TRUE(waitFor([] { return portAnswers(kPort) && portAnswers(kTlsPort); }, 10s))
            << readFile(root() / "nginx" / "error.log");
    }

    // Publishes version 1,1 of `program` with `files` (SRC[@FOLDER]) below www/`site`, signed.
    static void publish(const std::string& site, const std::string& baseUrl, const fs::path& program,
                        const std::vector<std::string>& files)
    {
        std::string command = std::string(HOPPLIX_PUBLISH) + " --program " + shellQuoted(program)
                              + " --version 1,1 --base-url " + baseUrl + " --sign " + shellQuoted(root() / "key.sec");
        for (const auto& f : files)
            command += " --file " + shellQuoted(f);
        ASSERT_TRUE(run(command + " " + shellQuoted(www() / site)));
    }
};

struct WholeUpdate {
    const char* label;
    const char* program;     // built as the project's version, 1,0
    const char* nextProgram; // the same, built as 1,1
    std::string baseUrl;
};

void PrintTo(const WholeUpdate& c, std::ostream* out) { *out << c.label; }

class SignedUpdate : public UpdateServer, public ::testing::WithParamInterface<WholeUpdate> {};

TEST_P(SignedUpdate, RunningProgramReplacesItselfWithTheServersVersion)
{
    TempFolder folder;
    const fs::path t = folder.path();
    const fs::path prog = t / "prog";
    fs::create_directories(prog);
    fs::copy_file(GetParam().program, prog / "Hopplix");
    fs::copy_file(HOPPLIX_UPDATE_RUNNER, prog / "hopplix-update");
    fs::copy_file(HOPPLIX_DOWNLOAD_LIBRARY, prog / fs::path(HOPPLIX_DOWNLOAD_LIBRARY).filename());
    fs::copy(HOPPLIX_LEVELS, prog / "Level", fs::copy_options::recursive);

    // The new version: the same program built as 1,1. It knows its version, so once in place
    // it is not offered the update again.
    fs::create_directories(t / "new");
    const std::string newProgram = readFile(GetParam().nextProgram);
    writeFile(t / "new" / "Hopplix", newProgram);
    writeFile(t / "new" / "neu.txt", "neu");
    writeFile(t / "new" / "bonus.bmp", "bonus");
    publish("", GetParam().baseUrl, t / "new" / "Hopplix",
            {(t / "new" / "neu.txt").string(), (t / "new" / "bonus.bmp").string() + "@Level/Bonus"});

    // The player: answers the question "Update" with Return (the default button is Ja). The
    // new program's launcher (the old one never showed) shows without a question and is then
    // closed by its process id.
    writeFile(
        t / "drive.sh",
        "export QT_QPA_PLATFORM=xcb LC_ALL=de_DE.UTF-8\n"
        "cd "
            + shellQuoted(prog)
            + "\n"
              "./Hopplix & app=$!\n"
              // Return goes to the question once it is mapped; again if it was lost.
              "seen=0; n=0\n"
              "while kill -0 $app 2>/dev/null && [ $n -lt 150 ]; do\n"
              "  if xdotool search --onlyvisible --name '^Update$' >/dev/null 2>&1; then seen=1;\n"
              "    xdotool search --onlyvisible --name '^Update$' windowfocus --sync key Return 2>/dev/null\n"
              "  elif [ $seen = 1 ]; then break; fi\n"
              "  sleep 0.2; n=$((n+1))\n"
              "done\n"
              "[ $seen = 1 ] || echo 'no question'\n"
              "n=0; while kill -0 $app 2>/dev/null && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done\n"
              "kill $app 2>/dev/null && echo 'program did not end'\n"
              "wait $app; echo \"program ended: $?\"\n"
              "n=0; while [ $n -lt 200 ]; do\n"
              "  if xdotool search --onlyvisible --name '^Update$' >/dev/null 2>&1; then echo 'offered again'; fi\n"
              "  w=$(xdotool search --onlyvisible --name '^Levelauswahl$' 2>/dev/null | head -n 1)\n"
              "  if [ -n \"$w\" ]; then pid=$(xdotool getwindowpid $w)\n"
              "    echo \"new program in: $(readlink /proc/$pid/cwd)\"\n"
              // The helper sees the script gone and clears what it kept.
              "    m=0; while [ -e .hopplix-backup ] && [ $m -lt 50 ]; do sleep 0.1; m=$((m+1)); done\n"
              "    kill $pid; break; fi\n"
              "  sleep 0.1; n=$((n+1))\n"
              "done\n"
              "[ -n \"$w\" ] || echo 'no new launcher'\n");
    const std::string drive = "xvfb-run -a -s '-screen 0 1280x1024x24' sh " + shellQuoted(t / "drive.sh") + " > "
                              + shellQuoted(t / "drive.log") + " 2>&1";
    EXPECT_EQ(std::system(drive.c_str()), 0);
    const std::string log = readFile(t / "drive.log");
    EXPECT_EQ(log.find("no question"), std::string::npos) << log;
    EXPECT_NE(log.find("program ended: 0"), std::string::npos) << log;
    EXPECT_EQ(log.find("no new launcher"), std::string::npos) << log;
    EXPECT_EQ(log.find("offered again"), std::string::npos) << log;
    EXPECT_NE(log.find("new program in: " + prog.string() + "\n"), std::string::npos) << log;

    // Everything of the update in place, nothing of the hand-over left.
    EXPECT_TRUE(readFile(prog / "Hopplix") == newProgram) << "the program file was not replaced";
    EXPECT_EQ(readFile(prog / "neu.txt"), "neu");
    EXPECT_EQ(readFile(prog / "Level" / "Bonus" / "bonus.bmp"), "bonus");
    for (const char* gone : {"Hopplix.dxe", "bonus.bmp", "updatedata.txt", "Version.txt", "update.cmd",
                             ".hopplix-staging", ".hopplix-backup", ".hopplix-swap", ".hopplix-swap.lock"})
        EXPECT_FALSE(fs::exists(prog / gone)) << gone;
}

INSTANTIATE_TEST_SUITE_P(Schemes, SignedUpdate,
                         ::testing::Values(WholeUpdate{"Http", HOPPLIX_E2E_PROGRAM, HOPPLIX_E2E_PROGRAM_NEXT, kHttp},
                                           WholeUpdate{"Https", HOPPLIX_E2E_TLS_PROGRAM, HOPPLIX_E2E_TLS_PROGRAM_NEXT,
                                                       "https://localhost:" + std::to_string(kTlsPort)}),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// ---- the fault table -----------------------------------------------------------------------
// Each row publishes a small signed update below its own site, does one thing to the server or
// the program folder, and runs the installation of a build that requires signatures. A row
// that installs is then handed over as hopplix-update does it.

struct Row {
    fs::path prog;    // the program folder: Hopplix, hopplix-update, liesmich.txt, Level/
    fs::path served;  // the row's werkhof/Hopp/ on the server
    fs::path outside; // a folder beside the program folder
};

struct FaultCase {
    const char* label;
    std::function<void(const Row&)> fault;
    bool installs;
    std::vector<std::string> fileErrors;
    std::function<void(const Row&)> check; // after the hand-over, or after the failure
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.label; }

class FaultTable : public UpdateServer, public ::testing::WithParamInterface<FaultCase> {};

void resign(const Row& r, std::string_view secretKey)
{
    std::string problem;
    const auto key = parseMinisignSecretKey(secretKey, problem);
    ASSERT_TRUE(key);
    writeFile(r.served / "updatedata.txt.minisig",
              minisignSign(*key, readFile(r.served / "updatedata.txt"), "updatedata.txt"));
}

TEST_P(FaultTable, LeavesTheProgramFolderAsStated)
{
    const auto& c = GetParam();
    TempFolder folder;
    const Row r{folder.path() / "prog", www() / c.label / "werkhof" / "Hopp", folder.path() / "outside"};
    fs::create_directories(r.prog / "Level");
    fs::create_directories(r.outside);
    writeFile(r.prog / "Hopplix", "old program");
    writeFile(r.prog / "liesmich.txt", "old text");
    fs::copy_file(HOPPLIX_UPDATE_RUNNER, r.prog / "hopplix-update");
    writeFile(folder.path() / "Hopplix", kNewProgram);
    writeFile(folder.path() / "liesmich.txt", "new text");
    writeFile(folder.path() / "Level.bmp", "new level");
    publish(c.label, kHttp + "/" + c.label, folder.path() / "Hopplix",
            {(folder.path() / "liesmich.txt").string(), (folder.path() / "Level.bmp").string() + "@Level/Neu"});
    c.fault(r);
    const auto before = listing(folder.path());

    RecordingMessages messages;
    RecordingWindow window;
    CurlDownloader downloader;
    UpdateSetup setup{r.prog, "Hopplix", kHttp + "/" + c.label, std::string(kTestPublicKey)};
    setup.canHandOver = [&] { return canStartUpdateScript(r.prog); };
    setup.announcedVersion = "1,1";
    const auto result = Updateholen(setup, downloader, messages, window);

    std::vector<std::string> errors;
    for (const auto& m : messages.errors())
        errors.push_back(m.prompt);
    if (c.installs) {
        ASSERT_EQ(result, InstallResult::Installed);
        EXPECT_EQ(errors, c.fileErrors);
        StagedInstall helper(r.prog, "Hopplix");
        std::vector<std::string> reports;
        ASSERT_TRUE(helper.install(reports));
        helper.finish();
        EXPECT_EQ(readFile(r.prog / "Hopplix"), kNewProgram);
    } else {
        EXPECT_EQ(result, InstallResult::ProgramFailed);
        auto expected = c.fileErrors;
        expected.push_back("Update fehlgeschlagen");
        EXPECT_EQ(errors, expected);
        // Nothing lost, nothing half-installed, nothing written outside.
        EXPECT_EQ(listing(folder.path()), before);
    }
    c.check(r);
}

void nothingMore(const Row&) {}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTable,
    ::testing::Values(
        FaultCase{"TamperedFile",
                  [](const Row& r) { writeFile(r.served / "files" / "1" / "liesmich.txt", "evil"); },
                  false,
                  {"Updatefehler bei Datei 'liesmich.txt'"},
                  nothingMore},
        FaultCase{"TamperedManifest",
                  [](const Row& r) {
                      std::ofstream(r.served / "updatedata.txt", std::ios::app) << "[Namen]\r\nDatei3=evil\r\n";
                  },
                  false,
                  {},
                  nothingMore},
        FaultCase{"MissingSignature",
                  [](const Row& r) { fs::remove(r.served / "updatedata.txt.minisig"); },
                  false,
                  {},
                  nothingMore},
        FaultCase{"ForgedSignature", [](const Row& r) { resign(r, kOtherSecretKey); }, false, {}, nothingMore},
        FaultCase{"CutShortProgram",
                  [](const Row& r) { fs::resize_file(r.served / "Hopplix.txt", 5); },
                  false,
                  {},
                  nothingMore},
        FaultCase{"ManifestOverTheLimit",
                  [](const Row& r) {
                      std::ofstream(r.served / "updatedata.txt", std::ios::app)
                          << "[Rest]\r\n"
                          << std::string(DownloadLimits{}.manifestMaxBytes, ';') << "\r\n";
                      resign(r, kTestSecretKey);
                  },
                  false,
                  {},
                  nothingMore},
        FaultCase{"FolderEntryBesideASameNamedRootFile",
                  [](const Row& r) { writeFile(r.prog / "Level.bmp", "mine"); },
                  true,
                  {},
                  [](const Row& r) {
                      EXPECT_EQ(readFile(r.prog / "Level.bmp"), "mine");
                      EXPECT_EQ(readFile(r.prog / "Level" / "Neu" / "Level.bmp"), "new level");
                      EXPECT_EQ(readFile(r.prog / "liesmich.txt"), "new text");
                  }},
        FaultCase{"PipeNamedUpdateCmd",
                  [](const Row& r) { ASSERT_EQ(::mkfifo((r.prog / "update.cmd").c_str(), 0600), 0); },
                  false,
                  {},
                  nothingMore},
        FaultCase{"DanglingLinkNamedUpdateCmd",
                  [](const Row& r) { fs::create_symlink(r.outside / "written.cmd", r.prog / "update.cmd"); },
                  false,
                  {},
                  [](const Row& r) { EXPECT_FALSE(fs::exists(r.outside / "written.cmd")); }},
        FaultCase{"HandOverThatCannotRun",
                  [](const Row& r) { fs::remove(r.prog / "hopplix-update"); },
                  false,
                  {},
                  nothingMore}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// A download killed half-way leaves its staging folder; the next first opening of the launcher
// clears it, and the update then installs whole.
TEST_F(UpdateServer, KilledDownloadThenRestart)
{
    TempFolder folder;
    const fs::path prog = folder.path() / "prog";
    fs::create_directories(prog);
    writeFile(prog / "Hopplix", "old program");
    fs::copy_file(HOPPLIX_UPDATE_RUNNER, prog / "hopplix-update");
    // Large enough that at 20 KiB a second the download is surely still running when killed.
    const std::string big = std::string(200 * 1024, 'x') + kVersionRecord;
    writeFile(folder.path() / "Hopplix", big);
    publish("slow", kHttp + "/slow", folder.path() / "Hopplix", {});
    const auto before = listing(prog);
    UpdateSetup setup{prog, "Hopplix", kHttp + "/slow", std::string(kTestPublicKey)};
    setup.announcedVersion = "1,1";

    // The installation runs in a child process of its own, which is killed once the program
    // file has begun to arrive.
    const pid_t child = ::fork();
    if (child == 0) {
        RecordingMessages messages;
        RecordingWindow window;
        CurlDownloader downloader;
        Updateholen(setup, downloader, messages, window);
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    const bool arriving = waitFor(
        [&] {
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(prog / ".hopplix-staging", ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
                if (it->is_regular_file() && it->file_size() > 0)
                    return true;
            return false;
        },
        20s);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(arriving);
    EXPECT_TRUE(fs::exists(prog / ".hopplix-staging"));
    EXPECT_EQ(readFile(prog / "Hopplix"), "old program");

    removeUpdateLeftovers(prog); // the launcher's next first opening
    EXPECT_EQ(listing(prog), before);

    // The restart, from a server that sends at full speed.
    publish("fast", kHttp + "/fast", folder.path() / "Hopplix", {});
    setup.serverBaseUrl = kHttp + "/fast";
    RecordingMessages messages;
    RecordingWindow window;
    CurlDownloader downloader;
    EXPECT_EQ(Updateholen(setup, downloader, messages, window), InstallResult::Installed);
    EXPECT_EQ(readFile(prog / "Hopplix.dxe"), big);
}

} // namespace
