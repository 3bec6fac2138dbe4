// hopplix-replay --level DIR [--screen WxH] [--dpi N] [--frame WxH] [--client WxH] [--keys FILE] [--ticks N]
#include "game/PictureDecoder.h"
#include "platform/CommandLine.h"
#include "replay.h"

#include <cstdio>
#include <iostream>

int main(int argc, char** argv)
{
    try {
        const auto options = hopplix::replay::parseArguments(hopplix::commandLineArguments(argc, argv));
        const std::string out = hopplix::replay::run(options, hopplix::BmpPictureDecoder{});
        hopplix::useBinaryStandardOutput(); // the same bytes on every system
        std::fwrite(out.data(), 1, out.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) { // our own Errors, and a playfield too large to hold (--client)
        std::cerr << "hopplix-replay: " << e.what() << '\n';
    }
    return 2;
}
