#pragma once
// Manifest entries name files and folders that are written inside the program folder only.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix {

// A plain file name: not empty, no '/' or '\', not "." or "..", no ':' (drive letters, streams),
// no NUL or other control character.
bool isPlainFileName(std::string_view name);

// Names an update must not overwrite: the program file, the downloaded program file, the
// update script, the manifest, the helper that runs the script, the staging and backup folders,
// and the swap's journal and lock (compared without regard to case).
bool isProtectedName(std::string_view name, std::string_view programName);

// The folder components of a manifest folder text such as "\Level\Neu\": '\' and '/' separate,
// empty pieces are dropped. nullopt for an absolute text ('/' first, "\\server", a ':'), a ".."
// or "." piece, or control characters.
std::optional<std::vector<std::string>> folderComponents(std::string_view folderText);

// True when `path`, with symbolic links resolved as far as it exists, lies strictly inside
// `root` (itself resolved): a sibling folder sharing the root's name as a prefix is outside.
bool liesInside(const std::filesystem::path& root, const std::filesystem::path& path);

} // namespace hopplix
