#pragma once
// Reading INI files the way the Windows profile reader does: Windows-1252 bytes, names matched
// without regard to case, first matching section and key win, values trimmed and cut to the
// caller's buffer.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// What the profile reader copies into a buffer of `bufferSize` characters.
// Section and key are UTF-8 and are matched in Windows-1252; the result is converted back to
// UTF-8. Without a key, the result is the section's key names, each followed by a NUL.
// A missing file, section or key gives the empty text.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::optional<std::string_view> key, std::size_t bufferSize);

// The shared reader used by the game window: a 32767-character buffer.
std::string LiesINIWert(const std::filesystem::path& file, std::string_view section, std::string_view key);

// The updater's reader: a 255-character buffer; without a key (std::nullopt) the key list.
std::string HolINIString(const std::filesystem::path& file, std::string_view section,
                         std::optional<std::string_view> key);

} // namespace hopplix
