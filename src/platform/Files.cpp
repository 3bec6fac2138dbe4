#include "platform/Files.h"

namespace hopplix {

bool isPartFileName(std::string_view name)
{
    return name.size() == kPartFilePrefix.size() + 6 && name.starts_with(kPartFilePrefix);
}

} // namespace hopplix
