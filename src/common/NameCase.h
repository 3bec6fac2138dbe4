#pragma once
// File names compared without regard to case, as Windows compares them in its ANSI code page:
// a level zipped there may spell "Level.bmp" as "LEVEL.BMP" and still be found here.

#include <filesystem>
#include <string>
#include <string_view>

namespace hopplix {

// Names may be UTF-8 or Windows-1252 bytes; only the letters both share (A-Z) are folded, so a
// byte of a UTF-8 sequence never changes.
std::string lowerName(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

enum class EntryKind {
    File,   // an ordinary file (FileExists)
    Folder, // a folder, or a link to one
};

// The entry of `folder` that Windows would open for `name`: among the entries of the given kind
// whose names differ from `name` in letter case at most, the exact spelling wins, otherwise the
// first in byte order. folder / name when there is none (or the folder cannot be listed).
std::filesystem::path entryIgnoringCase(const std::filesystem::path& folder, std::string_view name, EntryKind kind);

} // namespace hopplix
