#include "platform/PathText.h"

#include "platform/win32/WideText.h"

namespace hopplix {

std::filesystem::path pathFromText(std::string_view text) { return std::filesystem::path(win32::toWide(text)); }

std::string textFromPath(const std::filesystem::path& path) { return win32::fromWide(path.native()); }

} // namespace hopplix
