#include "common/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

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

char singleChar(const char* text)
{
    return (text && text[0] != '\0' && text[1] == '\0') ? text[0] : '\0';
}

locale_t cLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

NumberFormat systemNumberFormat()
{
    NumberFormat format{'.', '\0'};
    const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!user)
        return format; // the locale named in the environment is not installed
    if (const char radix = singleChar(nl_langinfo_l(RADIXCHAR, user)); radix != '\0')
        format.decimalSeparator = radix;
    // Separators of more than one byte (a narrow no-break space) are not grouped.
    format.groupSeparator = singleChar(nl_langinfo_l(THOUSEP, user));
    if (format.groupSeparator == format.decimalSeparator || isDigit(format.groupSeparator))
        format.groupSeparator = '\0';
    freelocale(user);
    return format;
}

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
        } else if (format.groupSeparator != '\0' && text[i] == format.groupSeparator && digits > 0 &&
                   i + 1 < text.size() && isDigit(text[i + 1])) {
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

    const locale_t c = cLocale();
    if (!c)
        return std::nullopt;
    char* end = nullptr;
    const double value = strtod_l(plain.c_str(), &end, c);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value; // values too small for a double become zero, as on Windows
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
