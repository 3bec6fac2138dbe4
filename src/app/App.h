#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>

namespace hopplix {

class DownloadLibrary;

// The update server the program asks: none when the program folder is not writable (a system
// install, where an update could not put its files), with one line on `log` saying why.
std::string updateServerFor(const std::string& updateServer, const std::filesystem::path& programFolder,
                            std::ostream& log);

// The downloads of an update check against `updateServer`: none without a server. Loads the
// download library from the program folder; when it cannot be loaded, the server is cleared (no
// update check) with one line on `log` saying why.
std::unique_ptr<DownloadLibrary> downloadsFor(std::string& updateServer, const std::filesystem::path& programFolder,
                                              std::ostream& log);

// Starts the program: the launcher is the first window. updateServer is the update server's
// base URL, built into the program (empty: no update check). Returns the exit code.
int runApplication(int argc, char** argv, const std::string& updateServer);

} // namespace hopplix
