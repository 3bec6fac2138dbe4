#include "platform/win32/Launch.h"

#include <windows.h>

namespace hopplix {

namespace win32 {

namespace {

void appendQuoted(std::wstring& line, const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    // Backslashes are plain unless a quote follows them: then each one is doubled.
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

} // namespace

std::wstring commandLine(const std::filesystem::path& program, const std::vector<std::wstring>& arguments)
{
    std::wstring line;
    appendQuoted(line, program.native());
    for (const auto& argument : arguments) {
        line += L' ';
        appendQuoted(line, argument);
    }
    return line;
}

unsigned long launch(const std::filesystem::path& program, const std::wstring& commandLine,
                     const std::filesystem::path& workingFolder, unsigned long flags, int showWindow)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (showWindow >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showWindow);
    }
    std::wstring line = commandLine; // CreateProcessW may write into it
    PROCESS_INFORMATION process{};
    const DWORD common = CREATE_NEW_PROCESS_GROUP | flags;
    // Out of our job, where the job allows it, so that a job ending with us does not take it along.
    BOOL started =
        ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, common | CREATE_BREAKAWAY_FROM_JOB,
                         nullptr, workingFolder.c_str(), &startup, &process);
    if (!started && ::GetLastError() == ERROR_ACCESS_DENIED) {
        line = commandLine;
        started = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, common, nullptr,
                                   workingFolder.c_str(), &startup, &process);
    }
    if (!started)
        return 0;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return process.dwProcessId;
}

} // namespace win32

} // namespace hopplix
