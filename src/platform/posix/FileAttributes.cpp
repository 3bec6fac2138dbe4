#include "platform/FileAttributes.h"

#include <string>
#include <system_error>
#include <unistd.h>

namespace hopplix {

bool FileExists(const std::filesystem::path& path)
{
    // Only ordinary files: a pipe named like a level picture would block the program on reading.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::is_regular_file(status);
}

bool isHidden(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

bool isWritableFolder(const std::filesystem::path& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

} // namespace hopplix
