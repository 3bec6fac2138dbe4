#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace hopplix {

class DownloadLibrary;
class Downloader;
class PictureDecoder;
class WindowSystem;

// The update server the program asks: none when the program folder is not writable (a system
// install, where an update could not put its files), with one line on `log` saying why.
std::string updateServerFor(const std::string& updateServer, const std::filesystem::path& programFolder,
                            std::ostream& log);

// What vouches for an update, built into the program with its server.
struct UpdateTrust {
    std::string publicKey; // minisign public key (base64); empty: no signatures asked for
    std::string caFile;    // certificate authorities for https (PEM); empty: the system's
};

// The downloads of an update check against `updateServer`: none without a server. Loads the
// download library from the program folder, trusting `caFile` for https (empty: the system's);
// when it cannot be loaded, the server is cleared (no update check) with one line on `log`
// saying why.
std::unique_ptr<DownloadLibrary> downloadsFor(std::string& updateServer, const std::filesystem::path& programFolder,
                                              const std::filesystem::path& caFile, std::ostream& log);

// What the windows need for an update check: the downloads, the server and its key, and how the
// update script is started (none of it: no update check).
struct UpdateWiring {
    Downloader* downloader = nullptr;
    std::string server;
    std::string key;
    std::function<bool(const std::filesystem::path& programFolder)> startUpdateScript;
};

// Makes the four windows on `windows`, shows the launcher and runs until the program ends; the
// same on every window system. Returns the exit code.
int runLauncher(WindowSystem& windows, const PictureDecoder& pictures, const std::filesystem::path& ownFolder,
                UpdateWiring updates);

// Starts the program: the launcher is the first window. updateServer is the update server's
// base URL, built into the program (empty: no update check). Returns the exit code.
int runApplication(int argc, char** argv, const std::string& updateServer, const UpdateTrust& trust = {});

} // namespace hopplix
