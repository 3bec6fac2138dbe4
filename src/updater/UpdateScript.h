#pragma once
// The update script "update.cmd" and the helper that carries it out on this system, where no
// command interpreter for it exists.

#include "updater/UpdateFiles.h"

#include <chrono>
#include <cstdint>
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

// The hand-over where the command interpreter carries the script out (Windows): the script
// only swaps the program file, which cannot be replaced while it runs. So the program first puts
// every staged file in place itself, under the swap's journal (ProgramSwap::Script), and writes
// the script afresh with this program's block alone, so no block of an earlier update runs
// again. Then `startScript` starts it. The next start finishes the swap when the script has
// renamed X.dxe, and undoes it when it has not (the program file was still locked, say).
// False, with the reasons in `reports` and the folder as it was, when anything failed.
bool handOverToScript(const std::filesystem::path& programFolder, std::string_view programName,
                      const std::function<bool(const std::filesystem::path& script)>& startScript,
                      std::vector<std::string>& reports);

// The hand-over the program makes when its update window ends: handOverToScript with the
// system's command interpreter on Windows, the helper beside the program elsewhere.
bool startHandOver(const std::filesystem::path& programFolder, std::string_view programName);

struct ScriptRun {
    int exitCode = 0;                 // 0 installed; 1 not installed, the old version is back; 2 refused
    std::vector<std::string> reports; // one line per problem, for the helper's error output
};

// How the helper starts and watches programs.
struct ProgramControl {
    std::function<std::int64_t(const std::filesystem::path& program)> start; // its id; 0: not started
    std::function<bool(std::int64_t id)> runs;
    std::function<void(std::int64_t id)> stop;
    std::function<void()> pause; // a short wait between two looks
    std::chrono::milliseconds bound{60000};
    // Whether the download library in the folder loads and makes a downloader; null: not
    // checked. An update that replaces it is taken only when the new one does, as the new
    // program is taken only when it starts.
    std::function<bool(const std::filesystem::path& programFolder)> libraryLoads{};
};

// Carries out the script in `programFolder` for the program `programName` it was started for.
// Only the exact block for that program is accepted; anything else is refused before anything
// is done. The staged update is put in place in one step (the listed files, then X.dxe as X,
// made executable), keeping what it replaces, and the new program is started. It has started
// when its launcher has deleted the script (its first opening). When it has not within
// `bound`, or ends before, or a step fails, everything is put back and the old program is
// started again.
ScriptRun runUpdateScript(const std::filesystem::path& programFolder, std::string_view programName,
                          const ProgramControl& programs);

} // namespace hopplix
