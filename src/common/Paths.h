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

} // namespace hopplix
