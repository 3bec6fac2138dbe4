#pragma once
// Reading INI files the way the Windows profile reader does: Windows-1252 bytes, names matched
// without regard to case, first matching section and key win, values trimmed and cut to the
// caller's buffer.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hopplix {

// What the profile reader copies into a buffer of `bufferSize` characters.
// Section and key are UTF-8 and are matched in Windows-1252 (a name that 1252 cannot store
// matches nothing); the result is converted back to UTF-8.
// With a key: the key's value without surrounding blanks and without one pair of matching
// surrounding quotes, cut to bufferSize - 1 characters.
// Without a key: the names of the section's key=value lines, each followed by a NUL; a list
// longer than bufferSize - 2 characters is cut to exactly that many, as the Windows reader
// does: the last name is cut short and its NUL falls outside the list. A buffer of fewer than
// two characters gives the empty text.
// A missing file, section or key gives the empty text.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::optional<std::string_view> key, std::size_t bufferSize);

// The same over the bytes of a file already in memory.
std::string readProfileStringFromBytes(std::string_view bytes, std::string_view section,
                                       std::optional<std::string_view> key, std::size_t bufferSize);

// The values of one section read once, for files with many keys: value(key) gives what
// readProfileStringFromBytes gives for that key, without reading the file again.
class ProfileSection {
public:
    ProfileSection(std::string_view bytes, std::string_view section, std::size_t bufferSize);
    std::string value(std::string_view key) const;

private:
    std::unordered_map<std::string, std::string> values_; // folded Windows-1252 name -> UTF-8 value
};

// The shared reader used by the game window: a 32767-character buffer.
std::string LiesINIWert(const std::filesystem::path& file, std::string_view section, std::string_view key);

// The updater's reader: a 255-character buffer; without a key (std::nullopt) the key list.
std::string HolINIString(const std::filesystem::path& file, std::string_view section,
                         std::optional<std::string_view> key);

} // namespace hopplix
