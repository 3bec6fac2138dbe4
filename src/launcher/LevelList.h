#pragma once
// The level folders the launcher offers.

#include "common/Paths.h" // levelsFolder

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix {

// The level names found in `folder`: its sub-folders (symbolic links to folders included) that
// are not hidden and hold a file "Level.bmp" in the sense of FileExists, its name compared
// without regard to case (entryIgnoringCase). Names are returned byte for byte as the file
// system stores them.
//
// The order is the same at every call, whatever order the file system yields: by name with
// the ASCII letters compared without regard to case and every other byte by its value, names
// that differ only in case in plain byte order. This is locale-independent and matches the
// order in which a case-insensitive file system lists ASCII names.
//
// A missing or unreadable folder yields no names; an entry that cannot be examined is left
// out. Never throws.
std::vector<std::string> listLevels(const std::filesystem::path& folder) noexcept;

// The order used by listLevels: true when `a` comes before `b`.
bool levelNameBefore(std::string_view a, std::string_view b) noexcept;

} // namespace hopplix
