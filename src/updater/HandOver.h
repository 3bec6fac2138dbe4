#pragma once
// Starting programs that outlive the program, and waiting for a process to end.

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hopplix {

// Starts `program` with `arguments` in `workingFolder`, in a session of its own, not as a
// child of ours, without waiting for it. Standard input is /dev/null; no other descriptor of
// ours is passed on. True when the program was executed.
bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);

// The helper that carries out "update.cmd" once the program has ended: it lies beside the
// program.
inline constexpr const char* kUpdateRunner = "hopplix-update";

// Starts the helper for `programFolder`, telling it to wait for process `pid` first.
bool startUpdateRunner(const std::filesystem::path& programFolder, pid_t pid);

// Waits until process `pid` no longer runs (gone or a zombie), at most `limit`.
// True when it ended in time.
bool waitForProcessEnd(pid_t pid, std::chrono::milliseconds limit);

} // namespace hopplix
