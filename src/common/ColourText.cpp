#include "common/ColourText.h"

#include <charconv>

namespace hopplix {

std::string colourValueText(Rgb colour) { return std::to_string(colourValue(colour)); }

std::optional<Rgb> colourOfValueText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFu)
        return std::nullopt;
    return rgbOfColourValue(value);
}

} // namespace hopplix
