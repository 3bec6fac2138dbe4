#include "common/Paths.h"

#include <system_error>

namespace hopplix {

namespace {

std::filesystem::path programFile()
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    // The kernel marks a program file that was replaced while running; the folder is the same.
    constexpr std::string_view deleted = " (deleted)";
    const std::string text = exe.string();
    if (text.size() > deleted.size() && text.ends_with(deleted))
        exe = text.substr(0, text.size() - deleted.size());
    return exe;
}

} // namespace

std::filesystem::path programFolder()
{
    const auto exe = programFile();
    if (exe.empty()) {
        std::error_code ec;
        return std::filesystem::current_path(ec);
    }
    return exe.parent_path();
}

std::string programBaseName()
{
    const auto exe = programFile();
    return exe.empty() ? std::string("Hopplix") : exe.stem().string();
}

bool FileExists(const std::filesystem::path& path)
{
    // Only ordinary files: a pipe named like a level picture would block the program on reading.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::is_regular_file(status);
}

bool isHiddenName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

bool isOrdinaryFile(const std::filesystem::path& path) { return FileExists(path) && !isHiddenName(path); }

} // namespace hopplix
