#pragma once
// The program folder, and the file tests the rules rely on.

#include "platform/FileAttributes.h"

#include <filesystem>
#include <string>

namespace hopplix {

// The folder that holds the running program file.
std::filesystem::path programFolder();

// The running program's file name without its extension ("Hopplix").
std::string programBaseName();

// The levels folder: "Level" in the program folder, found as Windows finds it (a folder spelt
// "level" or "LEVEL" will do).
std::filesystem::path levelsFolder(const std::filesystem::path& programFolder);

} // namespace hopplix
