#include "platform/HandOver.h"

#include "platform/FileAttributes.h"
#include "platform/win32/Launch.h"

#include <windows.h>

namespace hopplix {

bool startUpdateScript(const std::filesystem::path& script)
{
    // The interpreter would start on a missing script all the same and report nothing.
    if (!FileExists(script))
        return false;
    // The system's own command interpreter, never one that happens to lie in the program folder.
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const std::filesystem::path interpreter = std::filesystem::path(std::wstring(system, length)) / L"cmd.exe";
    // cmd /c runs the script in its own folder and ends with it; its console stays hidden. The
    // script's last line starts the new program, which shows its windows as usual.
    return win32::launch(interpreter, win32::commandLine(interpreter, {L"/c", script.filename().native()}),
                         script.parent_path(), CREATE_NO_WINDOW, SW_HIDE);
}

} // namespace hopplix
