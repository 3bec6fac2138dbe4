#include "launcher/LevelList.h"

#include "common/LevelFolder.h"
#include "common/Paths.h"

#include <algorithm>
#include <system_error>

namespace hopplix {

namespace {

unsigned char foldAscii(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

bool isLevelFolder(const std::filesystem::directory_entry& entry, const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || isHidden(entry.path()))
        return false;
    std::error_code ec;
    if (!entry.is_directory(ec) || ec)
        return false;
    return hasLevelPicture(entry.path());
}

} // namespace

bool levelNameBefore(std::string_view a, std::string_view b) noexcept
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = foldAscii(a[i]);
        const unsigned char y = foldAscii(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b; // equal but for case: byte order, so the order is total
}

std::vector<std::string> listLevels(const std::filesystem::path& folder) noexcept
{
    // Only the error-code forms of the file-system calls are used, so nothing here throws
    // but allocation, and running out of memory ends the program (noexcept).
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    const std::filesystem::directory_iterator end;
    // A failure in the middle of the listing keeps what was found so far.
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (isLevelFolder(*it, name))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return levelNameBefore(a, b); });
    return names;
}

} // namespace hopplix
