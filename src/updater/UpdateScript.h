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
// False when the file cannot be written or the name has no ANSI form.
bool makeupdatecmd(const std::filesystem::path& programFolder, std::string_view programName);

struct ScriptCommand {
    enum class Kind { Delete, Rename, Start };
    Kind kind;
    std::string file;    // a plain name in the program folder, ".exe" already taken off
    std::string newName; // Rename only
};

// One line of the script, as makeupdatecmd writes it: del ".\A", ren ".\A" B, start .\A (the
// command words in any case). A name "X.exe" means the program file X: programs here carry no
// extension. nullopt for anything else, including names that are not plain file names.
std::optional<ScriptCommand> parseScriptLine(std::string_view line);

// The lines that run: the last three non-empty lines of the script, the block that the latest
// update appended. Older blocks above them belong to an update whose hand-over never ran;
// running them after the newer block would delete the program that block just put in place.
std::vector<std::string> linesToRun(const std::string& scriptContent);

struct ScriptRun {
    int exitCode = 0;                 // 0 all lines done; 1 a command failed; 2 a line refused
    std::vector<std::string> reports; // one line per problem, for the helper's error output
};

// Carries out the script in `programFolder`. Every line is checked first: a refused line stops
// the run before anything is done. A failing del, ren or start is reported and the next line
// runs, as the command interpreter would do. A del is carried out only when a later ren puts a
// present file in the deleted one's place, so a missing new program never costs the old one
// (which the start line then starts again). The renamed program file gets its execute
// permission. `start` is how programs are started.
ScriptRun runUpdateScript(const std::filesystem::path& programFolder,
                          const std::function<bool(const std::filesystem::path& program)>& start);

} // namespace hopplix
