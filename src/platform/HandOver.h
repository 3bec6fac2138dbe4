#pragma once
// Handing over to the update script, which replaces the program file and so must run on after
// the program has ended.

#include <filesystem>
#include <string_view>

namespace hopplix {

// Where the system has no interpreter for the script, this helper beside the program carries
// it out once the program has ended.
inline constexpr std::string_view kUpdateRunner = "hopplix-update";

// True when the update script of `programFolder` could be started: what runs it is there.
bool canStartUpdateScript(const std::filesystem::path& programFolder);

// Starts the update script `script` in its own folder, for the program `programName` of that
// folder, without waiting for it; the program may end right after. True when it was started.
bool startUpdateScript(const std::filesystem::path& script, std::string_view programName);

} // namespace hopplix
