#include "common/BuildVersion.h"

namespace hopplix {

std::optional<std::string> versionRecordedIn(std::string_view bytes)
{
    std::optional<std::string> found;
    for (auto at = bytes.find(kVersionRecordStart); at != std::string_view::npos;
         at = bytes.find(kVersionRecordStart, at + 1)) {
        const auto from = at + kVersionRecordStart.size();
        const auto end = bytes.find_first_not_of("0123456789,", from);
        // The mark's own text elsewhere in a program is followed by no version.
        if (end == std::string_view::npos || end == from || bytes[end] != kVersionRecordEnd)
            continue;
        const std::string version(bytes.substr(from, end - from));
        if (found && *found != version)
            return std::nullopt;
        found = version;
    }
    return found;
}

} // namespace hopplix
