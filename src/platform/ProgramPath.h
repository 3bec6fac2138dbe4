#pragma once
// Where the running program lies, as the system reports it.

#include <filesystem>
#include <string>

namespace hopplix {

// The running program's file, absolute; empty when the system cannot tell.
std::filesystem::path programFile();

// The file name of a program called `baseName` on this system: "Hopplix.exe" on Windows,
// "Hopplix" elsewhere.
std::string programFileNameOf(const std::string& baseName);

} // namespace hopplix
