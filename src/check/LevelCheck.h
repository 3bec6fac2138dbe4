#pragma once
// What a level author should hear about a level before anyone plays it: the level is loaded by
// the level session for a screen, as the game would load it, and looked at for the faults that
// otherwise show only in play (or never). On request the solver proves it can be finished.

#include "check/Solver.h"
#include "game/LevelSession.h"
#include "game/PictureDecoder.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix::check {

enum class Severity { Error, Warning, Info };
std::string_view severityName(Severity severity); // "error", "warning", "info"

struct Finding {
    Severity severity = Severity::Info;
    std::string message;
};

struct CheckOptions {
    Viewport viewport; // the screen the level is judged on (1280 x 1024 at 96 dpi by default)
    bool solve = false;
    SolveLimits limits;
};

struct LevelReport {
    std::vector<Finding> findings;
    std::optional<SolveResult> solution; // when the solver ran
    bool hasError() const;
};

// Checks the level in `folder`. `decoderError`, when given, says why the decoder refused a
// picture. The findings come in a fixed order: config.ini, the picture, the player, the
// colours, then the solver's.
LevelReport checkLevel(const std::filesystem::path& folder, const PictureDecoder& decoder,
                       const CheckOptions& options = {}, const std::function<std::string()>& decoderError = {});

// How close (in each of red, green and blue) a colour must be to a legend colour, without being
// it, to be taken for a slip of the brush.
inline constexpr int kNearColourDistance = 16;

} // namespace hopplix::check
