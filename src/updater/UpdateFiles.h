#pragma once
// The names of everything an update fetches and leaves: on the update server, and in the
// program folder.

#include <string>
#include <string_view>

namespace hopplix {

// On the update server.
inline constexpr std::string_view kVersionFilePath = "/werkhof/Hopp/version.txt";
inline constexpr std::string_view kProgramFilePath = "/werkhof/Hopp/Hopplix.txt";
inline constexpr std::string_view kManifestPath = "/werkhof/Hopp/updatedata.txt";
// Detached minisign signatures of the version file and the manifest: their paths + this.
inline constexpr std::string_view kSignatureSuffix = ".minisig";

// The manifest's section and key naming the version it delivers: [Version] Version=1,1.
inline constexpr std::string_view kManifestVersionSection = "Version";
inline constexpr std::string_view kManifestVersionKey = "Version";

// The manifest's key for the program file in its [SHA256] and [Bytes] sections.
inline constexpr std::string_view kProgramDigestKey = "Programm";

// In the program folder.
inline constexpr std::string_view kLocalVersionFile = "Version.txt";
inline constexpr std::string_view kNewProgramFile = "Hopplix.dxe";
inline constexpr std::string_view kManifestFile = "updatedata.txt";
inline constexpr std::string_view kUpdateScript = "update.cmd";
// Everything an update downloads waits here until all of it has arrived and been checked.
inline constexpr std::string_view kStagingFolder = ".hopplix-staging";
// Inside the staging folder: the listed files, laid out as they go into the program folder.
inline constexpr std::string_view kStagedFiles = "files";
// What an installed update replaced, kept until the new program has started.
inline constexpr std::string_view kBackupFolder = ".hopplix-backup";
// The swap's journal, there from before its first rename until the swap is finished or undone,
// and the lock file whose holder is carrying a swap out.
inline constexpr std::string_view kSwapJournal = ".hopplix-swap";
inline constexpr std::string_view kSwapLock = ".hopplix-swap.lock";

// The downloaded program file that the script puts in place of program X: X.dxe, which is
// kNewProgramFile for the program called Hopplix. A renamed program downloads under its own
// name, so the script always finds what it renames.
inline std::string newProgramFileOf(std::string_view programName) { return std::string(programName) + ".dxe"; }

} // namespace hopplix
