#include "platform/ProgramPath.h"

#include <string>
#include <string_view>
#include <system_error>

namespace hopplix {

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

std::string programFileNameOf(const std::string& baseName) { return baseName; }

} // namespace hopplix
