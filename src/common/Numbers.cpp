#include "common/Numbers.h"

#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>

// Reading follows the Windows text-to-number conversion the rules rely on, in a strict form:
//   [blanks] [+|-] digits [group digits]... [decimal digits] [E [+|-] digits] [blanks]
// - the group separator may stand between any two digits of the whole part, as Windows accepts
//   it loosely ("1,0" is 10 under an English locale, "1.000" is 1000 under a German one);
// - ".5" and "5." are numbers, a lone sign or a lone separator is not;
// - an exponent is accepted because Windows accepts one and because numberToText writes one for
//   very large and very small values, so that every written text reads back;
// - anything else (letters, currency signs, inner blanks, hexadecimal) makes the text no number,
//   and so does a value beyond the range of a double.

namespace hopplix {

namespace {

constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<double> textToNumber(std::string_view text, const NumberFormat& format)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    // Rebuilt in the C form for the conversion.
    std::string plain;
    plain.reserve(text.size());
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        plain.push_back(text[i++]);
    std::size_t digits = 0;
    while (i < text.size()) {
        if (isDigit(text[i])) {
            plain.push_back(text[i++]);
            ++digits;
        } else if (format.groupSeparator != '\0' && text[i] == format.groupSeparator && digits > 0
                   && i + 1 < text.size() && isDigit(text[i + 1])) {
            ++i;
        } else {
            break;
        }
    }
    if (i < text.size() && text[i] == format.decimalSeparator) {
        plain.push_back('.');
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            plain.push_back(text[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            plain.push_back(text[i++]);
        std::size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i])) {
            plain.push_back(text[i++]);
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    // The classic locale reads the C form whatever locale the program runs in; a value beyond
    // the range of a double fails, values too small for one become zero, as on Windows.
    std::istringstream in(plain);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (in.fail() || !in.eof() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> textToNumber(std::string_view text) { return textToNumber(text, systemNumberFormat()); }

std::string numberToText(double value, const NumberFormat& format)
{
    if (!std::isfinite(value) || value == 0.0)
        return "0"; // no sign on zero; a non-number has no text the rules could read back
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    for (char& ch : text) {
        if (ch == '.')
            ch = format.decimalSeparator;
        else if (ch == 'e')
            ch = 'E';
    }
    return text;
}

std::string numberToText(double value) { return numberToText(value, systemNumberFormat()); }

} // namespace hopplix
