// A whole update as the player sees it: the program, built for an update server on the
// loopback port, starts under Xvfb, finds version 1,1 on nginx (serving a folder made by
// hopplix-publish), gets Yes to its question, downloads, hands over to hopplix-update and
// ends; the helper puts the new program file in place and starts it, and the new program's
// first launcher opening deletes the script.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace hopplix::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kPort = HOPPLIX_E2E_PORT;

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

bool onPath(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

// nginx in the foreground, one process, everything below `prefix`; stopped by its id.
class Nginx {
public:
    Nginx(const fs::path& prefix, const fs::path& root)
    {
        fs::create_directories(prefix / "tmp");
        const std::string p = prefix.string();
        writeFile(prefix / "nginx.conf",
                  "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + p + "/nginx.pid;\n"
                  "error_log " + p + "/error.log;\nevents { worker_connections 32; }\n"
                  "http {\n  access_log " + p + "/access.log;\n"
                  "  client_body_temp_path " + p + "/tmp/body;\n  proxy_temp_path " + p + "/tmp/proxy;\n"
                  "  fastcgi_temp_path " + p + "/tmp/fastcgi;\n  uwsgi_temp_path " + p + "/tmp/uwsgi;\n"
                  "  scgi_temp_path " + p + "/tmp/scgi;\n  default_type application/octet-stream;\n"
                  "  server {\n    listen 127.0.0.1:" + std::to_string(kPort) + ";\n    root " + root.string() +
                  ";\n  }\n}\n");
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

TEST(UpdateEndToEnd, RunningProgramReplacesItselfWithTheServersVersion)
{
    for (const char* tool : {"xvfb-run", "xdotool"})
        ASSERT_TRUE(onPath(tool)) << tool << " is missing: run scripts/setup.sh";
    ASSERT_TRUE(fs::exists("/usr/sbin/nginx")) << "nginx is missing: run scripts/setup.sh";
    ASSERT_FALSE(portAnswers(kPort)) << "port " << kPort << " is taken";

    TempFolder tree;
    const fs::path t = tree.path();
    const fs::path prog = t / "prog";
    fs::create_directories(prog);
    fs::copy_file(HOPPLIX_E2E_PROGRAM, prog / "Hopplix");
    fs::copy_file(HOPPLIX_UPDATE_RUNNER, prog / "hopplix-update");
    fs::copy_file(HOPPLIX_DOWNLOAD_LIBRARY, prog / fs::path(HOPPLIX_DOWNLOAD_LIBRARY).filename());
    fs::copy(HOPPLIX_LEVELS, prog / "Level", fs::copy_options::recursive);

    // The new version: the same program with a few bytes more at its end, so the swap shows.
    fs::create_directories(t / "new");
    const std::string newProgram = readFile(HOPPLIX_E2E_PROGRAM) + "\nneue Version\n";
    writeFile(t / "new" / "Hopplix", newProgram);
    writeFile(t / "new" / "neu.txt", "neu");
    writeFile(t / "new" / "bonus.bmp", "bonus");
    const std::string publish = std::string(HOPPLIX_PUBLISH) + " --program " + shellQuoted(t / "new" / "Hopplix") +
                                " --version 1,1 --base-url http://127.0.0.1:" + std::to_string(kPort) +
                                " --file " + shellQuoted(t / "new" / "neu.txt") + " --file " +
                                shellQuoted((t / "new" / "bonus.bmp").string() + "@Level/Bonus") + " " +
                                shellQuoted(t / "www") + " >/dev/null";
    ASSERT_EQ(std::system(publish.c_str()), 0);

    Nginx nginx(t / "nginx", t / "www");
    ASSERT_TRUE(waitFor([] { return portAnswers(kPort); }, 10s)) << readFile(t / "nginx" / "error.log");

    // The player: answers the question "Update" with Return (the default button is Ja). Once
    // the question is up the server announces the installed version again, so the new program
    // offers nothing. The new program's launcher (the old one never showed) is then closed by
    // its process id.
    writeFile(t / "drive.sh",
              "export QT_QPA_PLATFORM=xcb LC_ALL=de_DE.UTF-8\n"
              "cd " + shellQuoted(prog) + "\n"
              "./Hopplix & app=$!\n"
              // Return goes to the question once it is mapped; again if it was lost.
              "seen=0; n=0\n"
              "while kill -0 $app 2>/dev/null && [ $n -lt 150 ]; do\n"
              "  if xdotool search --onlyvisible --name '^Update$' >/dev/null 2>&1; then seen=1;\n"
              "    printf 'Version: 1,0\\r\\n' > " + shellQuoted(t / "www" / "werkhof" / "Hopp" / "version.txt") + "\n"
              "    xdotool search --onlyvisible --name '^Update$' windowfocus --sync key Return 2>/dev/null\n"
              "  elif [ $seen = 1 ]; then break; fi\n"
              "  sleep 0.2; n=$((n+1))\n"
              "done\n"
              "[ $seen = 1 ] || echo 'no question'\n"
              "n=0; while kill -0 $app 2>/dev/null && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done\n"
              "kill $app 2>/dev/null && echo 'program did not end'\n"
              "wait $app; echo \"program ended: $?\"\n"
              "n=0; while [ $n -lt 200 ]; do\n"
              "  w=$(xdotool search --onlyvisible --name '^Levelauswahl$' 2>/dev/null | head -n 1)\n"
              "  if [ -n \"$w\" ]; then pid=$(xdotool getwindowpid $w)\n"
              "    [ -e update.cmd ] && echo 'update.cmd still there'\n"
              "    echo \"new program in: $(readlink /proc/$pid/cwd)\"\n"
              "    kill $pid; break; fi\n"
              "  sleep 0.1; n=$((n+1))\n"
              "done\n"
              "[ -n \"$w\" ] || echo 'no new launcher'\n");
    const std::string drive = "xvfb-run -a -s '-screen 0 1280x1024x24' sh " + shellQuoted(t / "drive.sh") + " > " +
                              shellQuoted(t / "drive.log") + " 2>&1";
    EXPECT_EQ(std::system(drive.c_str()), 0);
    const std::string log = readFile(t / "drive.log");
    EXPECT_EQ(log.find("no question"), std::string::npos) << log;
    EXPECT_NE(log.find("program ended: 0"), std::string::npos) << log;

    // hopplix-update, outliving the program, swapped the files and started the new program in
    // the program folder; its first launcher opening deleted the script.
    EXPECT_EQ(log.find("no new launcher"), std::string::npos) << log;
    EXPECT_EQ(log.find("update.cmd still there"), std::string::npos) << log;
    EXPECT_NE(log.find("new program in: " + prog.string() + "\n"), std::string::npos) << log;
    EXPECT_TRUE(readFile(prog / "Hopplix") == newProgram) << "the program file was not replaced";
    EXPECT_FALSE(fs::exists(prog / "Hopplix.dxe"));
    EXPECT_EQ(readFile(prog / "neu.txt"), "neu");
    EXPECT_EQ(readFile(prog / "Level" / "Bonus" / "bonus.bmp"), "bonus");
    EXPECT_FALSE(fs::exists(prog / "bonus.bmp"));
    EXPECT_FALSE(fs::exists(prog / "updatedata.txt"));
    EXPECT_FALSE(fs::exists(prog / "Version.txt"));
    EXPECT_FALSE(fs::exists(prog / "update.cmd"));
    EXPECT_TRUE(nginx.running());
}

} // namespace
