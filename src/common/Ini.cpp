#include "common/Ini.h"

#include "common/Codepage.h"
#include "platform/Files.h"

// The file is taken byte for byte as Windows-1252, as the Windows reader takes an ANSI file.
// A UTF-8 byte-order mark is therefore not stripped: it is three 1252 characters at the start
// of the first line, so a first line "\xEF\xBB\xBF[Spieler]" is not a section line. Level
// authors must save config.ini in 1252; a file saved as UTF-8 behaves as it does on Windows.
//
// Lines that are neither "[section]" nor "key=value" (blank lines, comments starting with ';',
// stray text, a '[' without ']') are skipped: they never open a section and never hold a key,
// and the key list leaves them out.

namespace hopplix {

namespace {

constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// `folded` is already lower case.
bool sameName(std::string_view name, std::string_view folded)
{
    if (name.size() != folded.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (win1252ToLower(static_cast<unsigned char>(name[i])) != static_cast<unsigned char>(folded[i]))
            return false;
    return true;
}

std::optional<std::string> foldedName(std::string_view utf8)
{
    auto name = utf8ToWin1252(utf8);
    if (!name || name->find('\0') != std::string::npos)
        return std::nullopt;
    for (char& c : *name)
        c = static_cast<char>(win1252ToLower(static_cast<unsigned char>(c)));
    return name;
}

// Walks the lines of the first section called `section` and hands each key=value line to
// `visit(key, value)` until it returns true.
template <typename Visit>
void forEachKeyInSection(std::string_view bytes, std::string_view section, Visit visit)
{
    bool inside = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const std::string_view line = trimBlanks(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            if (inside)
                return; // the first matching section has ended
            inside = sameName(trimBlanks(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inside)
            continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (visit(trimBlanks(line.substr(0, equals)), trimBlanks(line.substr(equals + 1))))
            return;
    }
}

std::string_view unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string keyList(std::string_view bytes, std::string_view section, std::size_t bufferSize)
{
    if (bufferSize <= 2)
        return {};
    const std::size_t room = bufferSize - 2; // Windows keeps two places for the closing NULs
    std::string list;
    forEachKeyInSection(bytes, section, [&](std::string_view name, std::string_view) {
        name = name.substr(0, name.find('\0')); // a NUL would end the name in the caller's buffer
        if (name.empty())
            return false; // cannot be asked for by name; listing it would add an empty piece
        list.append(name);
        list.push_back('\0');
        return list.size() > room;
    });
    // A list that does not fit is cut to `room` characters, wherever that falls: the last name
    // loses its end and its NUL.
    if (list.size() > room)
        list.resize(room);
    return win1252ToUtf8(list);
}

std::string shownValue(std::string_view value, std::size_t bufferSize)
{
    value = unquoted(value).substr(0, bufferSize - 1);
    // A NUL in the file ends the text the caller's buffer shows.
    return win1252ToUtf8(value.substr(0, value.find('\0')));
}

} // namespace

std::string readProfileStringFromBytes(std::string_view bytes, std::string_view section,
                                       std::optional<std::string_view> key, std::size_t bufferSize)
{
    const auto wantedSection = foldedName(section);
    if (!wantedSection)
        return {};
    if (!key)
        return keyList(bytes, *wantedSection, bufferSize);
    const auto wantedKey = foldedName(*key);
    if (!wantedKey || bufferSize == 0)
        return {};
    std::string_view found;
    forEachKeyInSection(bytes, *wantedSection, [&](std::string_view name, std::string_view value) {
        if (!sameName(name, *wantedKey))
            return false;
        found = value;
        return true;
    });
    return shownValue(found, bufferSize);
}

ProfileSection::ProfileSection(std::string_view bytes, std::string_view section, std::size_t bufferSize)
{
    const auto wantedSection = foldedName(section);
    if (!wantedSection || bufferSize == 0)
        return;
    forEachKeyInSection(bytes, *wantedSection, [&](std::string_view name, std::string_view value) {
        std::string folded(name);
        for (char& c : folded)
            c = static_cast<char>(win1252ToLower(static_cast<unsigned char>(c)));
        values_.try_emplace(std::move(folded), shownValue(value, bufferSize)); // the first one wins
        return false;
    });
}

std::string ProfileSection::value(std::string_view key) const
{
    const auto folded = foldedName(key);
    if (!folded)
        return {};
    const auto it = values_.find(*folded);
    return it == values_.end() ? std::string() : it->second;
}

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::optional<std::string_view> key, std::size_t bufferSize)
{
    // Not an ordinary file (a folder, or a pipe that would block the game) reads as missing.
    const auto bytes = readOrdinaryFile(file);
    if (!bytes)
        return {};
    return readProfileStringFromBytes(*bytes, section, key, bufferSize);
}

std::string LiesINIWert(const std::filesystem::path& file, std::string_view section, std::string_view key)
{
    return readProfileString(file, section, key, 32767);
}

std::string HolINIString(const std::filesystem::path& file, std::string_view section,
                         std::optional<std::string_view> key)
{
    return readProfileString(file, section, key, 255);
}

} // namespace hopplix
