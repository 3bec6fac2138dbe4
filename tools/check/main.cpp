// hopplix-check [--solve] [--keys-out DIR] [--screen WxH] [--dpi N] [--frame WxH] [--client WxH] LEVEL_DIR...
#include "CheckCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    return hopplix::check::runCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
