#include "platform/HandOver.h"

#include "platform/FileAttributes.h"
#include "platform/win32/Launch.h"

#include <windows.h>

namespace hopplix {

namespace {

// The system's own command interpreter, never one that happens to lie in the program folder.
std::filesystem::path commandInterpreter()
{
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::filesystem::path(std::wstring(system, length)) / L"cmd.exe";
}

} // namespace

bool canStartUpdateScript(const std::filesystem::path&)
{
    const auto interpreter = commandInterpreter();
    return !interpreter.empty() && FileExists(interpreter);
}

bool startUpdateScript(const std::filesystem::path& script, std::string_view)
{
    // The interpreter would start on a missing script all the same and report nothing.
    const auto interpreter = commandInterpreter();
    if (interpreter.empty() || !FileExists(script))
        return false;
    // cmd /c runs the script in its own folder and ends with it; its console stays hidden. The
    // script itself names the program it swaps, and its last line starts the new one, which
    // shows its windows as usual.
    return win32::launch(interpreter, win32::commandLine(interpreter, {L"/c", script.filename().native()}),
                         script.parent_path(), CREATE_NO_WINDOW, SW_HIDE)
           != 0;
}

} // namespace hopplix
