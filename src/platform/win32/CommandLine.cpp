#include "platform/CommandLine.h"

#include "platform/win32/WideText.h"

#include <windows.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

namespace hopplix {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) // out of memory: the ANSI arguments are better than none
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(win32::fromWide(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void useBinaryStandardOutput()
{
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

} // namespace hopplix
