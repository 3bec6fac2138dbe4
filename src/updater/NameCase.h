#pragma once
// File names compared without regard to case, as the program's original platform does.

#include <string>
#include <string_view>

namespace hopplix {

std::string lowerName(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

} // namespace hopplix
