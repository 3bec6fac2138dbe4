#pragma once

#include <string>

namespace hopplix {

// Starts the program: the launcher is the first window. updateServer is the update server's
// base URL, built into the program (empty: no update check). Returns the exit code.
int runApplication(int argc, char** argv, const std::string& updateServer);

} // namespace hopplix
