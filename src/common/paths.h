#pragma once
// The program folder, and the file tests the rules rely on.

#include <filesystem>

namespace hopplix {

// The folder that holds the running program file.
std::filesystem::path programFolder();

// The running program's file name without its extension ("Hopplix").
std::string programBaseName();

// True when the entry exists and is neither a folder nor anything but a file; any failure is false.
bool FileExists(const std::filesystem::path& path);

// An ordinary file: FileExists and not hidden (a name starting with '.').
bool isOrdinaryFile(const std::filesystem::path& path);

// Hidden on this system: the name starts with '.'.
bool isHiddenName(const std::filesystem::path& path);

} // namespace hopplix
