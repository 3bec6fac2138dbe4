#include "platform/Process.h"

#include "platform/win32/Launch.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace hopplix {

ProcessId currentProcessId() { return ::GetCurrentProcessId(); }

bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder)
{
    std::vector<std::wstring> wide;
    for (const auto& argument : arguments)
        wide.push_back(win32::toWide(argument));
    // Without a console of its own and without ours: its standard input reads nothing.
    return win32::launch(program, win32::commandLine(program, wide), workingFolder, DETACHED_PROCESS, -1);
}

bool waitForProcessEnd(ProcessId pid, std::chrono::milliseconds limit)
{
    if (pid <= 0 || pid > 0xFFFFFFFF)
        return true;
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return ::GetLastError() == ERROR_INVALID_PARAMETER; // no such process; otherwise we cannot tell
    const auto ms = limit.count();
    const DWORD wait = ms <= 0 ? 0 : ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
    const bool ended = ::WaitForSingleObject(process, wait) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

} // namespace hopplix
