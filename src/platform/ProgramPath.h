#pragma once
// Where the running program lies, as the system reports it.

#include <filesystem>

namespace hopplix {

// The running program's file, absolute; empty when the system cannot tell.
std::filesystem::path programFile();

} // namespace hopplix
