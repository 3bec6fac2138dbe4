#include "platform/HandOver.h"

#include "platform/Process.h"

#include <string>

namespace hopplix {

bool startUpdateScript(const std::filesystem::path& script)
{
    // The helper waits for this process to end, then carries out the folder's update script.
    const std::filesystem::path folder = script.parent_path();
    return startDetached(folder / kUpdateRunner, {folder.string(), std::to_string(currentProcessId())}, folder);
}

} // namespace hopplix
