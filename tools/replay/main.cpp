// hopplix-replay --level DIR [--screen WxH] [--dpi N] [--frame WxH] [--client WxH] [--keys FILE] [--ticks N]
#include "replay.h"

#include "game/ui/LevelPicture.h"

#include <cstdio>
#include <iostream>

namespace {

// The same decoding as the game window's, so a replay sees the colours the game sees.
hopplix::Picture decode(const std::filesystem::path& file)
{
    std::optional<hopplix::Picture> picture = hopplix::readLevelPicture(file);
    if (!picture)
        throw hopplix::replay::Error(file.string() + " is not a picture this tool can read");
    return std::move(*picture);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const auto options = hopplix::replay::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        const std::string out = hopplix::replay::run(options, decode);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) { // our own Errors, and a picture too large to hold
        std::cerr << "hopplix-replay: " << e.what() << '\n';
    }
    return 2;
}
