#pragma once
// The release this program is, as the build set it: the version the launcher shows and the
// update check compares, and the time the release was made, which no metadata of a later
// release can predate.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// "1,0": digits with an optional decimal comma.
std::string_view buildVersion();

// Seconds since 1970-01-01 UTC.
std::int64_t buildReleaseTime();

// The program file carries its version between these two marks, so a publisher reads it
// without running the program.
inline constexpr std::string_view kVersionRecordStart = "\x01hopplix-version:";
inline constexpr char kVersionRecordEnd = '\x01';

// The version a program file's bytes record; nullopt when they record none, or more than one.
std::optional<std::string> versionRecordedIn(std::string_view programBytes);

} // namespace hopplix
