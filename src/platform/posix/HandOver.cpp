#include "platform/HandOver.h"

#include "platform/Process.h"

#include <string>
#include <unistd.h>

namespace hopplix {

bool canStartUpdateScript(const std::filesystem::path& programFolder)
{
    const auto runner = programFolder / kUpdateRunner;
    std::error_code ec;
    return std::filesystem::is_regular_file(runner, ec) && ::access(runner.c_str(), X_OK) == 0;
}

bool startUpdateScript(const std::filesystem::path& script, std::string_view programName)
{
    // The helper waits for this process to end, then carries out the folder's update script.
    const std::filesystem::path folder = script.parent_path();
    return startDetached(folder / kUpdateRunner,
                         {folder.string(), std::to_string(currentProcessId()), std::string(programName)}, folder);
}

} // namespace hopplix
