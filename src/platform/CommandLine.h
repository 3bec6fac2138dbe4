#pragma once
// What a command-line tool gets from the system and gives back: its arguments and its output.

#include <string>
#include <vector>

namespace hopplix {

// The arguments after the program's name, as texts that name files (see PathText.h). Windows
// hands `argv` over in the ANSI code page, which cannot hold every file name: there they are
// read from the system's wide command line instead.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Makes the standard output take bytes as they are, so that a tool prints the same bytes on
// every system: Windows would otherwise write each "\n" as "\r\n".
void useBinaryStandardOutput();

} // namespace hopplix
