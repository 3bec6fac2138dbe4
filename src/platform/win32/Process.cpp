#include "platform/Process.h"

#include "platform/win32/Launch.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace hopplix {

ProcessId currentProcessId() { return ::GetCurrentProcessId(); }

namespace {

std::vector<std::wstring> wideArguments(const std::vector<std::string>& arguments)
{
    std::vector<std::wstring> wide;
    for (const auto& argument : arguments)
        wide.push_back(win32::toWide(argument));
    return wide;
}

// The process, opened to wait for it (and for `access`); null when it is gone or cannot be
// opened (then `gone` says which).
HANDLE openProcess(ProcessId pid, DWORD access, bool& gone)
{
    gone = pid <= 0 || pid > 0xFFFFFFFF;
    if (gone)
        return nullptr;
    const HANDLE process = ::OpenProcess(SYNCHRONIZE | access, FALSE, static_cast<DWORD>(pid));
    gone = !process && ::GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    return process;
}

struct WindowsOf {
    DWORD pid;
    int closed = 0;
};

BOOL CALLBACK closeWindowOf(HWND window, LPARAM data)
{
    auto& of = *reinterpret_cast<WindowsOf*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == of.pid && ::IsWindowVisible(window) && ::PostMessageW(window, WM_CLOSE, 0, 0))
        ++of.closed;
    return TRUE;
}

} // namespace

bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder)
{
    return startWatched(program, arguments, workingFolder) != 0;
}

ProcessId startWatched(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingFolder)
{
    // Without a console of its own and without ours: its standard input reads nothing.
    return win32::launch(program, win32::commandLine(program, wideArguments(arguments)), workingFolder,
                         DETACHED_PROCESS, -1);
}

bool processRuns(ProcessId pid)
{
    bool gone = false;
    const HANDLE process = openProcess(pid, 0, gone);
    if (!process)
        return !gone; // there, but not ours to open: it runs
    const bool runs = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return runs;
}

void endProcess(ProcessId pid)
{
    // A program with windows is asked as the user would ask it, by closing them; one without
    // any cannot be asked and is ended.
    bool gone = false;
    const HANDLE process = openProcess(pid, PROCESS_TERMINATE, gone);
    if (!process)
        return;
    WindowsOf windows{static_cast<DWORD>(pid)};
    ::EnumWindows(closeWindowOf, reinterpret_cast<LPARAM>(&windows));
    if (windows.closed == 0)
        ::TerminateProcess(process, 1);
    ::CloseHandle(process);
}

bool waitForProcessEnd(ProcessId pid, std::chrono::milliseconds limit)
{
    bool gone = false;
    const HANDLE process = openProcess(pid, 0, gone);
    if (!process)
        return gone; // otherwise we cannot tell
    const auto ms = limit.count();
    const DWORD wait = ms <= 0 ? 0 : ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
    const bool ended = ::WaitForSingleObject(process, wait) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

} // namespace hopplix
