#pragma once
// The replay tool: its arguments, the key script, and a run of the level session.

#include "game/KeyScript.h"
#include "game/PictureDecoder.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace hopplix::replay {

// A failure the user can mend; its message is printed as it stands.
struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Size {
    int width = 0;
    int height = 0;
};

struct Options {
    std::filesystem::path level;
    Size screen{1280, 1024};
    int dpi = 96;
    Size frame{0, 0};
    std::optional<Size> client;
    std::optional<std::filesystem::path> keys;
    std::optional<long> ticks;
};

Options parseArguments(const std::vector<std::string>& arguments);

// Virtual-key codes held during each tick, one set per line of the script.
std::vector<KeyMask> readKeyScript(const std::filesystem::path& file);

// Runs the replay and returns everything it prints.
std::string run(const Options& options, const PictureDecoder& decoder);

} // namespace hopplix::replay
