#pragma once

namespace hopplix {

// Starts the program: the launcher is the first window. Returns the exit code.
int runApplication(int argc, char** argv);

} // namespace hopplix
