// A stand-in for the game in the hand-over test. Started, it writes the size of its own program
// file into "started" in the folder it runs in: the test sees which file ran, and where.
#include "platform/ProgramPath.h"

#include <filesystem>
#include <fstream>
#include <system_error>

int main()
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(hopplix::programFile(), ec);
    std::ofstream("started.part") << (ec ? 0 : size);
    std::filesystem::rename("started.part", "started", ec);
    return ec ? 1 : 0;
}
