// hopplix-check [--solve] [--keys-out DIR] [--screen WxH] [--dpi N] [--frame WxH] [--client WxH] LEVEL_DIR...
#include "CheckCommand.h"
#include "platform/CommandLine.h"

#include <iostream>

int main(int argc, char** argv)
{
    hopplix::useBinaryStandardOutput(); // the same bytes on every system
    return hopplix::check::runCommand(hopplix::commandLineArguments(argc, argv), std::cout, std::cerr);
}
