#pragma once
// Starting a program apart from us, shared by the process functions and the hand-over.

#include <filesystem>
#include <string>
#include <vector>

namespace hopplix::win32 {

// The command line that hands `arguments` to a program that splits its command line as the C
// runtime does, each argument quoted only where it must be.
std::wstring commandLine(const std::filesystem::path& program, const std::vector<std::wstring>& arguments);

// Starts `program` with `commandLine` in `workingFolder` and lets it go: no handle of ours is
// inherited, ending us does not end it. `flags` are CreateProcess flags besides those;
// `showWindow` is the window style of its first window (SW_...), or -1 for the default.
// Returns its process id, 0 when it could not be started.
unsigned long launch(const std::filesystem::path& program, const std::wstring& commandLine,
                     const std::filesystem::path& workingFolder, unsigned long flags, int showWindow);

} // namespace hopplix::win32
