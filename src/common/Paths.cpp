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

template <typename Visit>
void forEachPiece(std::string_view relative, Visit visit)
{
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = relative.size();
        if (end > start)
            visit(relative.substr(start, end - start));
        start = end + 1;
    }
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

std::filesystem::path joinPath(const std::filesystem::path& folder, std::string_view relative)
{
    std::filesystem::path result = folder;
    forEachPiece(relative, [&](std::string_view piece) { result /= std::filesystem::path(piece); });
    return result;
}

bool leavesFolder(std::string_view relative)
{
    if (relative.find_first_of(std::string_view(":\0", 2)) != std::string_view::npos)
        return true;
    bool up = false;
    forEachPiece(relative, [&](std::string_view piece) { up = up || piece == ".."; });
    return up;
}

} // namespace hopplix
