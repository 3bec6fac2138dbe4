#pragma once
// The file tests the rules rely on, from the entry's attributes as the system keeps them.

#include <filesystem>

namespace hopplix {

// True when the entry (a link followed to its target) is an ordinary file: not a folder, not a
// pipe or device, not a broken link. Any failure to read its attributes is false.
bool FileExists(const std::filesystem::path& path);

// True when the system hides the entry from the user's listings: here a name starting with
// '.'; where entries carry a hidden or system attribute, that attribute.
bool isHidden(const std::filesystem::path& path);

// True when this process may create and replace files in the folder (a system-wide install's
// program folder is not).
bool isWritableFolder(const std::filesystem::path& folder);

// An ordinary file: FileExists and not hidden.
inline bool isOrdinaryFile(const std::filesystem::path& path) { return FileExists(path) && !isHidden(path); }

} // namespace hopplix
