#include "common/NameCase.h"

#include "common/Codepage.h"
#include "platform/FileAttributes.h"

#include <optional>
#include <system_error>

namespace hopplix {

std::string lowerName(std::string_view name)
{
    // Bytes below 0x80 are the same in UTF-8 and 1252; others are left as they are.
    std::string out(name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80)
            c = static_cast<char>(win1252ToLower(u));
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) { return lowerName(a) == lowerName(b); }

namespace {

bool isKind(const std::filesystem::path& path, EntryKind kind)
{
    if (kind == EntryKind::File)
        return FileExists(path);
    std::error_code ec;
    return std::filesystem::is_directory(path, ec) && !ec;
}

} // namespace

std::filesystem::path entryIgnoringCase(const std::filesystem::path& folder, std::string_view name, EntryKind kind)
{
    std::filesystem::path exact = folder / name;
    if (isKind(exact, kind))
        return exact;
    const std::string wanted = lowerName(name);
    std::optional<std::string> first;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::string found = it->path().filename().string();
        if (found.size() == wanted.size() && (!first || found < *first) && lowerName(found) == wanted
            && isKind(it->path(), kind))
            first = std::move(found);
    }
    return first ? folder / *first : exact;
}

} // namespace hopplix
