#pragma once
// The program folder, and the file tests the rules rely on.

#include <filesystem>
#include <string>

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

} // namespace hopplix
