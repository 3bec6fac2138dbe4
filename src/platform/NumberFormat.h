#pragma once
// The user's regional number format.

#include <string_view>

namespace hopplix {

struct NumberFormat {
    char decimalSeparator = '.';
    char groupSeparator = ','; // '\0' when the locale groups no digits
};

// The format for the separators a system reports (texts, as the system gives them). A
// separator of more than one byte (a narrow no-break space) is not used: an unusable decimal
// separator leaves the point, an unusable group separator, or one that is a digit or the
// decimal separator itself, means no grouping.
NumberFormat numberFormatOf(std::string_view decimalSeparator, std::string_view groupSeparator);

// The number format of the user's locale, read afresh on each call (here LC_ALL, LC_NUMERIC,
// LANG; the point and no grouping when the locale named there is not installed).
NumberFormat systemNumberFormat();

} // namespace hopplix
