#pragma once
// Windows-1252, the code page the game's text files are written in, and UTF-8, the encoding of
// every text inside the program.

#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// Every byte maps to one character. The five bytes 1252 leaves unassigned (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the control characters of the same number, as Windows maps them.
std::string win1252ToUtf8(std::string_view bytes);

// nullopt when the text is not valid UTF-8 or holds a character that 1252 cannot store.
std::optional<std::string> utf8ToWin1252(std::string_view text);

// The lower-case partner of a 1252 character: A-Z, the accented capitals 0xC0-0xDE (except the
// multiplication sign 0xD7), and Š, Œ, Ž, Ÿ. Everything else, ß included, is its own partner.
inline unsigned char win1252ToLower(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A; // Š
    case 0x8C: return 0x9C; // Œ
    case 0x8E: return 0x9E; // Ž
    case 0x9F: return 0xFF; // Ÿ
    default: return c;
    }
}

} // namespace hopplix
