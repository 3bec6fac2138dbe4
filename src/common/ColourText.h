#pragma once
// The player colour as the launcher hands it to the game: a colour value
// red + 256 * green + 65536 * blue written in decimal digits.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr std::uint32_t colourValue(Rgb c) { return c.red + 256u * c.green + 65536u * c.blue; }

constexpr Rgb rgbOfColourValue(std::uint32_t value)
{
    return Rgb{static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF),
               static_cast<std::uint8_t>((value >> 16) & 0xFF)};
}

// "255" for pure red, "65280" for green, "0" for black: no sign, blank or leading zero.
std::string colourValueText(Rgb colour);

// The colour a Spielerfarbe text names: decimal digits (blanks around them allowed) of a value
// from 0 to 16777215. Anything else names no colour.
std::optional<Rgb> colourOfValueText(std::string_view text);

} // namespace hopplix
