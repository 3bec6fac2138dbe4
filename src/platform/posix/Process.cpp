#include "platform/Process.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hopplix {

namespace {

void closeDescriptorsFrom(int first)
{
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0u, 0u) == 0)
        return;
#endif
    const long max = ::sysconf(_SC_OPEN_MAX);
    for (long fd = first; fd < (max > 0 ? max : 1024); ++fd)
        ::close(static_cast<int>(fd));
}

// The child's side of a start: standard input from /dev/null, only the report pipe kept open
// (as descriptor 3, closed by a successful exec), then the program in its folder. A failing
// chdir or exec writes its errno to the pipe. Plain system calls only: it runs after fork.
[[noreturn]] void execReporting(int devNull, int reportFd, const char* folder, const char* program, char** argv)
{
    ::dup2(devNull, STDIN_FILENO);
    int fd = reportFd;
    if (fd != 3) {
        ::dup2(fd, 3);
        fd = 3;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    closeDescriptorsFrom(4);
    int error = 0;
    if (::chdir(folder) != 0)
        error = errno;
    else {
        ::execv(program, argv);
        error = errno;
    }
    [[maybe_unused]] const auto written = ::write(fd, &error, sizeof error);
    ::_exit(127);
}

// Everything a child needs, prepared before fork: after it only plain system calls run.
class ChildStart {
public:
    ChildStart(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& workingFolder)
        : path_(program.string()), folder_(workingFolder.string())
    {
        args_.push_back(path_);
        args_.insert(args_.end(), arguments.begin(), arguments.end());
        for (auto& a : args_)
            argv_.push_back(a.data());
        argv_.push_back(nullptr);
        devNull_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (devNull_ >= 0 && ::pipe2(report_, O_CLOEXEC) != 0)
            report_[0] = report_[1] = -1;
    }
    ~ChildStart()
    {
        closeIfOpen(devNull_);
        closeIfOpen(report_[0]);
        closeIfOpen(report_[1]);
    }
    ChildStart(const ChildStart&) = delete;
    ChildStart& operator=(const ChildStart&) = delete;

    bool ready() const { return devNull_ >= 0 && report_[0] >= 0; }
    [[noreturn]] void exec() { execReporting(devNull_, report_[1], folder_.c_str(), path_.c_str(), argv_.data()); }
    // The parent's side after fork: the child's ends are the child's alone.
    void leaveToChild()
    {
        closeIfOpen(devNull_);
        closeIfOpen(report_[1]);
    }
    // The pipe closes on a successful exec without a word; anything read is the exec's error.
    bool execSucceeded()
    {
        int error = 0;
        ssize_t got;
        while ((got = ::read(report_[0], &error, sizeof error)) < 0 && errno == EINTR) {}
        closeIfOpen(report_[0]);
        return got == 0;
    }

private:
    static void closeIfOpen(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    std::string path_;
    std::string folder_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
    int devNull_ = -1;
    int report_[2] = {-1, -1};
};

bool runs(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return false;
    // A zombie has ended; only its parent has not collected it yet.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return false;
    const auto close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() || text[close + 2] != 'Z';
}

} // namespace

ProcessId currentProcessId() { return ::getpid(); }

bool processRuns(ProcessId pid) { return pid > 0 && runs(static_cast<pid_t>(pid)); }

void endProcess(ProcessId pid)
{
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
}

ProcessId startWatched(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingFolder)
{
    ChildStart start(program, arguments, workingFolder);
    if (!start.ready())
        return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        start.exec();
    }
    start.leaveToChild();
    if (child < 0)
        return 0;
    if (!start.execSucceeded()) {
        ::waitpid(child, nullptr, 0);
        return 0;
    }
    return child;
}

bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder)
{
    ChildStart start(program, arguments, workingFolder);
    if (!start.ready())
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        // The grandchild belongs to no one of ours: init adopts it when our child ends.
        start.exec();
    }
    start.leaveToChild();
    if (child < 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    const bool execed = start.execSucceeded();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && execed;
}

bool waitForProcessEnd(ProcessId pid, std::chrono::milliseconds limit)
{
    if (pid <= 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (runs(static_cast<pid_t>(pid))) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace hopplix
