#pragma once
// Level text art: a picture drawn as text, one character per pixel (or per block of pixels),
// as the bundled levels' sources and the tests draw their levels. tools/levelart/make_level.py
// reads kTextArt from this file and the colours from kColourLegend, so keep one entry a line.

#include "game/Playfield.h"

#include <array>
#include <cstdint>
#include <optional>

namespace hopplix {

struct TextArtEntry {
    char art;    // the character in the art
    char letter; // its class letter in kColourLegend
};

// In the palette order of the bundled levels' pictures: white first, so a blank picture is 0.
inline constexpr std::array<TextArtEntry, 7> kTextArt{{
    {'.', 'w'}, // white: free space
    {'#', 's'}, // black: ground
    {'r', 'r'}, // red: deadly
    {'o', 'o'}, // orange: climbing surface
    {'g', 'g'}, // green: goal
    {'l', 'l'}, // purple: launch pad
    {'b', 'b'}, // blue: no grip
}};

// The colour value an art character stands for; nullopt for a character outside the table.
constexpr std::optional<std::uint32_t> colourOfArt(char art)
{
    for (const TextArtEntry& entry : kTextArt)
        if (entry.art == art)
            for (const LegendEntry& colour : kColourLegend)
                if (colour.letter == entry.letter)
                    return colour.colour;
    return std::nullopt;
}

} // namespace hopplix
