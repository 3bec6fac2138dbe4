#pragma once
// Our texts and the file names they stand for. A path keeps a name as the system does: UTF-16
// on Windows, bytes elsewhere. A text naming a file is UTF-8 on Windows and the name's bytes
// elsewhere. Convert only here: on Windows the standard library reads a narrow text given to a
// path in another encoding than path::string() writes, so a name with an umlaut would not come
// back as itself.

#include <filesystem>
#include <string>
#include <string_view>

namespace hopplix {

// The path a text names. On Windows, bytes that are no UTF-8 become U+FFFD.
std::filesystem::path pathFromText(std::string_view text);

// The text of a path. On Windows a name the system keeps but UTF-8 cannot hold (a lone UTF-16
// surrogate) gets U+FFFD in its place; never throws.
std::string textFromPath(const std::filesystem::path& path);

} // namespace hopplix
