#include "platform/CommandLine.h"

namespace hopplix {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

void useBinaryStandardOutput() {}

} // namespace hopplix
