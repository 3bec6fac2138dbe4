#include "platform/PathText.h"

namespace hopplix {

std::filesystem::path pathFromText(std::string_view text) { return std::filesystem::path(text); }

std::string textFromPath(const std::filesystem::path& path) { return path.native(); }

} // namespace hopplix
