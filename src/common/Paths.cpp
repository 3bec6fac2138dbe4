#include "common/Paths.h"

#include "common/NameCase.h"
#include "platform/ProgramPath.h"

#include <system_error>

namespace hopplix {

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

std::filesystem::path levelsFolder(const std::filesystem::path& programFolder)
{
    return entryIgnoringCase(programFolder, "Level", EntryKind::Folder);
}

} // namespace hopplix
