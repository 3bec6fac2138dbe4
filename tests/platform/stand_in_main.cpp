// A stand-in for the game in the process and hand-over tests. Started, it writes the size of
// its own program file into "started" in the folder it runs in: the test sees which file ran,
// and where. With --wait it then runs on, as a program does until it is ended (a minute at most).
#include "platform/ProgramPath.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <thread>

int main(int argc, char** argv)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(hopplix::programFile(), ec);
    std::ofstream("started.part") << (ec ? 0 : size);
    std::filesystem::rename("started.part", "started", ec);
    if (argc > 1 && std::string_view(argv[1]) == "--wait")
        std::this_thread::sleep_for(std::chrono::minutes(1));
    return ec ? 1 : 0;
}
