#include "common/paths.h"

#include <system_error>

namespace hopplix {

std::filesystem::path programFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::string programBaseName()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("Hopplix") : exe.stem().string();
}

bool FileExists(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status))
        return false;
    return !std::filesystem::is_directory(status);
}

bool isHiddenName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

bool isOrdinaryFile(const std::filesystem::path& path) { return FileExists(path) && !isHiddenName(path); }

} // namespace hopplix
