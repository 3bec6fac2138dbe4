#pragma once
// The program folder, and the file tests the rules rely on.

#include <filesystem>
#include <string>
#include <string_view>

namespace hopplix {

// The folder that holds the running program file.
std::filesystem::path programFolder();

// The running program's file name without its extension ("Hopplix").
std::string programBaseName();

// True when the entry (a link followed to its target) is an ordinary file: not a folder, not a
// pipe or device, not a broken link. Any failure to read its attributes is false.
bool FileExists(const std::filesystem::path& path);

// An ordinary file: FileExists and not hidden (a name starting with '.').
bool isOrdinaryFile(const std::filesystem::path& path);

// Hidden on this system: the name starts with '.'.
bool isHiddenName(const std::filesystem::path& path);

// `folder` joined with a relative path written the Windows way ("\Level\Wald\", "Level/Wald"):
// backslashes and slashes both separate, empty pieces are dropped, so a leading or trailing
// separator never makes the result absolute.
std::filesystem::path joinPath(const std::filesystem::path& folder, std::string_view relative);

// True when a relative path written the Windows way could leave the folder it is joined to:
// a ".." piece, a drive or stream colon, or a NUL.
bool leavesFolder(std::string_view relative);

} // namespace hopplix
