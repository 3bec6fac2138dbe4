#pragma once
// What differs between the systems the tests run on, kept in one place, so that a test that
// means something different on each states each expectation once and runs on both.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace hopplix::test {

#ifdef _WIN32
inline constexpr bool onWindows = true;
#else
inline constexpr bool onWindows = false;
#endif

// The file name of the program built as `target`.
inline std::string programFileName(const std::string& target) { return onWindows ? target + ".exe" : target; }

// Files in `folder` hidden in each way the system hides one: here a name starting with a dot;
// on Windows the hidden and the system attribute (a dot is a plain character there).
inline std::vector<std::filesystem::path> makeHiddenFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
#ifdef _WIN32
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        files.push_back(folder / ("attribute-" + std::to_string(attribute) + ".bmp"));
        std::ofstream(files.back()) << "BM";
        ::SetFileAttributesW(files.back().c_str(), attribute);
    }
#else
    files.push_back(folder / ".hidden.bmp");
    std::ofstream(files.back()) << "BM";
#endif
    return files;
}

// Hides the file or folder `entry` the way the system hides one, and returns where it is now:
// here it is renamed to its name with a dot in front; on Windows it gets the hidden attribute.
inline std::filesystem::path hideEntry(const std::filesystem::path& entry)
{
#ifdef _WIN32
    ::SetFileAttributesW(entry.c_str(), ::GetFileAttributesW(entry.c_str()) | FILE_ATTRIBUTE_HIDDEN);
    return entry;
#else
    std::string name = "."; // appended, not summed: GCC 12 at -O3 warns falsely about "." + string
    name += entry.filename().string();
    auto hidden = entry.parent_path() / name;
    std::filesystem::rename(entry, hidden);
    return hidden;
#endif
}

// A symbolic link at `link` to `target` (which need not exist). False where the system makes
// none for us: Windows without the right to create links, and Wine, which does not keep them.
inline bool makeLink(const std::filesystem::path& target, const std::filesystem::path& link, bool toFolder)
{
#ifdef _WIN32
    constexpr DWORD unprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const DWORD flags = unprivileged | (toFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    ::CreateSymbolicLinkW(link.c_str(), target.c_str(), flags);
    // Wine says yes and makes nothing: only the link's own attributes tell.
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    std::error_code ec;
    if (toFolder)
        std::filesystem::create_directory_symlink(target, link, ec);
    else
        std::filesystem::create_symlink(target, link, ec);
    return !ec;
#endif
}

// An entry in `folder` that opens like a file but is none, and whose reading would block: a
// named pipe without a writer here. Windows keeps pipes apart from folders; a device name
// (NUL, with any extension) names a device in every folder instead.
inline std::filesystem::path makeNonFile(const std::filesystem::path& folder, const std::string& name)
{
#ifdef _WIN32
    return folder / ("NUL" + std::filesystem::path(name).extension().string());
#else
    const auto pipe = folder / name;
    ::mkfifo(pipe.c_str(), 0600);
    return pipe;
#endif
}

// A line end as the system's own commands write it.
inline constexpr std::string_view kLineEnd = onWindows ? "\r\n" : "\n";

// The system's command interpreter with a command line for it: /bin/sh -c here, cmd.exe /c on
// Windows.
struct ShellCommand {
    std::filesystem::path program;
    std::vector<std::string> arguments;
};
inline ShellCommand shell(const std::string& command)
{
#ifdef _WIN32
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    return {std::filesystem::path(system) / "cmd.exe", {"/c", command}};
#else
    return {"/bin/sh", {"-c", command}};
#endif
}

// A shell command that writes the folder it runs in, and a line end, into `file` there; the
// file appears only when it is complete.
inline ShellCommand writeWorkingFolderTo(const std::string& file)
{
    return shell(onWindows ? "cd > " + file + ".part && move " + file + ".part " + file + " > nul"
                           : "pwd > " + file + ".part && mv " + file + ".part " + file);
}

// Waits until `path` exists, at most `limit`; true when it does.
inline bool waitForFile(const std::filesystem::path& path, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // polls a condition, bounded above
    }
    return true;
}

// A child process that runs until release(), and is still ours to collect after it has ended
// (a zombie here; on Windows, a process we hold a handle of).
class ChildProcess {
public:
    ChildProcess()
    {
#ifdef _WIN32
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE read = nullptr;
        ::CreatePipe(&read, &release_, &inherit, 0);
        ::SetHandleInformation(release_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = read;
        const ShellCommand command = shell("set /p line=");
        std::wstring line = L"\"" + command.program.native() + L"\" /c \"set /p line=\"";
        PROCESS_INFORMATION info{};
        ::CreateProcessW(command.program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                         nullptr, &startup, &info);
        ::CloseHandle(read);
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
#else
        int fds[2] = {-1, -1};
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            char c;
            ::close(fds[1]);
            [[maybe_unused]] auto r = ::read(fds[0], &c, 1);
            ::_exit(0);
        }
        ::close(fds[0]);
        release_ = fds[1];
#endif
    }
    ~ChildProcess()
    {
        release();
        collect();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    long long pid() const { return pid_; }
    // Lets the child end.
    void release()
    {
#ifdef _WIN32
        if (release_)
            ::CloseHandle(release_);
        release_ = nullptr;
#else
        if (release_ >= 0)
            ::close(release_);
        release_ = -1;
#endif
    }
    // Waits for the ended child and lets the system forget it.
    void collect()
    {
#ifdef _WIN32
        if (process_) {
            ::WaitForSingleObject(process_, INFINITE);
            ::CloseHandle(process_);
        }
        process_ = nullptr;
#else
        if (pid_ > 0)
            ::waitpid(static_cast<pid_t>(pid_), nullptr, 0);
        pid_ = -1;
#endif
    }

private:
    long long pid_ = -1;
#ifdef _WIN32
    HANDLE release_ = nullptr;
    HANDLE process_ = nullptr;
#else
    int release_ = -1;
#endif
};

// Lets the system forget child `pid` of ours that has ended. Windows keeps no such children.
inline void collectChild([[maybe_unused]] long long pid)
{
#ifndef _WIN32
    ::waitpid(static_cast<pid_t>(pid), nullptr, 0);
#endif
}

// True when a child of ours has ended and waits to be collected. Windows keeps no such
// children: a process there belongs to nobody.
inline bool haveUncollectedChildren()
{
#ifdef _WIN32
    return false;
#else
    return !(::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD);
#endif
}

} // namespace hopplix::test
