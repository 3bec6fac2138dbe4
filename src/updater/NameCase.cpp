#include "updater/NameCase.h"

#include "common/Codepage.h"

namespace hopplix {

std::string lowerName(std::string_view name)
{
    // Bytes below 0x80 are the same in UTF-8 and 1252; others are left as they are.
    std::string out(name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80)
            c = static_cast<char>(win1252ToLower(u));
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) { return lowerName(a) == lowerName(b); }

} // namespace hopplix
