#include "platform/Files.h"

#include <system_error>

namespace hopplix {

bool isPartFileName(std::string_view name)
{
    return name.size() == kPartFilePrefix.size() + 6 && name.starts_with(kPartFilePrefix);
}

void removeTree(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec)))
        std::filesystem::remove(path, ec);
    else
        std::filesystem::remove_all(path, ec);
}

} // namespace hopplix
