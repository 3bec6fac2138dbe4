#pragma once
// Processes: our own, programs that outlive us, and waiting for one to end.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hopplix {

// A process as the system numbers it.
using ProcessId = std::int64_t;

ProcessId currentProcessId();

// Starts `program` with `arguments` in `workingFolder`, apart from us (ending us does not end
// it) and without waiting for it. Its standard input reads nothing; no open file of ours is
// passed on. True when the program was started.
bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);

// Starts `program` like startDetached, but as a process whose id we learn, so that we can
// watch it; it still runs on when we end. 0 when it could not be started.
ProcessId startWatched(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingFolder);

// True while process `pid` runs (a process that has ended but was not yet collected does not).
bool processRuns(ProcessId pid);

// Asks process `pid`, one that we started, to end.
void endProcess(ProcessId pid);

// Waits until process `pid` no longer runs (gone, or ended but not yet collected), at most
// `limit`. True when it ended in time; a pid of 0 or less counts as ended.
bool waitForProcessEnd(ProcessId pid, std::chrono::milliseconds limit);

} // namespace hopplix
