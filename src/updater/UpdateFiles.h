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

// In the program folder.
inline constexpr std::string_view kLocalVersionFile = "Version.txt";
inline constexpr std::string_view kNewProgramFile = "Hopplix.dxe";
inline constexpr std::string_view kManifestFile = "updatedata.txt";
inline constexpr std::string_view kUpdateScript = "update.cmd";

// The downloaded program file that the script puts in place of program X: X.dxe. The download
// is stored as kNewProgramFile, which is this name only for a program called Hopplix.
inline std::string newProgramFileOf(std::string_view programName) { return std::string(programName) + ".dxe"; }

} // namespace hopplix
