#pragma once
// The update script "update.cmd" and the helper that carries it out on this system, where no
// command interpreter for it exists.

#include "updater/UpdateFiles.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix {

// The three lines that swap the program file X for X.dxe and start it, each ended by CR LF.
std::string updateScriptLines(std::string_view programName);

// Appends the three lines to program folder + "update.cmd" (created when absent), in ANSI.
// False when the file cannot be written, is a link or no ordinary file, or the name has no
// ANSI form.
bool makeupdatecmd(const std::filesystem::path& programFolder, std::string_view programName);

// True when the script's last three non-empty lines are exactly the block makeupdatecmd
// writes for `programName`. Older blocks above them belong to an update whose hand-over never
// ran and never run.
bool handsOverTo(const std::string& scriptContent, std::string_view programName);

struct ScriptRun {
    int exitCode = 0;                 // 0 all done; 1 a step failed; 2 the script was refused
    std::vector<std::string> reports; // one line per problem, for the helper's error output
};

// Carries out the script in `programFolder` for the program `programName` it was started for:
// only the exact block for that program is accepted; anything else is refused before anything
// is done. The old program file goes only when its downloaded successor (a plain file, not a
// link) is there to take its place; a missing successor never costs the old program, which is
// then started again. The renamed program file gets its execute permission. `start` is how
// programs are started.
ScriptRun runUpdateScript(const std::filesystem::path& programFolder, std::string_view programName,
                          const std::function<bool(const std::filesystem::path& program)>& start);

} // namespace hopplix
