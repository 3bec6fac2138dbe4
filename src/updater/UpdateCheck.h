#pragma once
// The version check: fetch the server's version file, read the version it announces and compare
// it with the installed one.

#include "common/BuildVersion.h"
#include "common/Numbers.h"
#include "updater/Downloader.h"
#include "updater/UpdateFiles.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// Where an update comes from and goes to.
struct UpdateSetup {
    std::filesystem::path programFolder;
    std::string programName;   // the running program's file name without extension ("Hopplix")
    std::string serverBaseUrl; // e.g. "http://updates.example.org"; empty: no update server
    // The minisign public key (base64) that must have signed the version file and the
    // manifest; empty: no signatures are asked for.
    std::string publicKey{};
    // Whether the hand-over to the update script can run here; null: it can.
    std::function<bool()> canHandOver{};
    // The version the version file announced (the check's `neueVersion`): a signed manifest
    // must name it.
    std::string announcedVersion{};
    // When the installed release was made: signed metadata older than that is refused, so an
    // old signature cannot move the program back.
    std::int64_t releaseTime = buildReleaseTime();
};

// How long the whole version check may take, from its first connect to the end of the version
// file and its signature: the launcher waits for it.
inline constexpr std::chrono::seconds kVersionCheckBudget{5};

// The time a signature's trusted comment gives ("timestamp:N", as minisign writes it), or
// nullopt; only meaningful once the signature is verified.
std::optional<std::int64_t> signatureTime(std::string_view signatureText);

// serverBaseUrl + path, with exactly one '/' between them.
std::string serverUrl(const UpdateSetup& setup, std::string_view path);

// The version text of a version file: its last line without the first nine characters, in
// UTF-8. Lines end with CR LF (a lone LF or CR also ends a line). An unreadable or empty file,
// or a last line shorter than nine characters, gives the empty text.
std::string Versionlesen(const std::filesystem::path& file);

// True only when both texts are numbers in `format` and, as 32-bit floats, remote > installed.
bool isNewerVersion(std::string_view remote, std::string_view installed, const NumberFormat& format);

enum class VersionCheck {
    NoServer,       // no update server configured: nothing fetched
    DownloadFailed, // silent: no message
    NotTrusted,     // silent too: the version file's signature is missing or not the key's
    NotNewer,       // equal, smaller or not a number
    Newer,
};

// Downloads the version file to "Version.txt" in the program folder, reads it into
// `neueVersion`, deletes it and compares. When the download fails, nothing else happens. With a
// key, the signature must be by it and no older than the installed release. The downloads
// together take kVersionCheckBudget at most.
VersionCheck checkForNewerVersion(const UpdateSetup& setup, Downloader& downloader, std::string_view installedVersion,
                                  const NumberFormat& format, std::string& neueVersion);

} // namespace hopplix
