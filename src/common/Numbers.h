#pragma once
// Numbers stored as text, in the user's regional number format.

#include "platform/NumberFormat.h"

#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// The texts below use the format given, or the user's (systemNumberFormat) when none is.

// Reads a number text: optional sign, digits (with the group separator between digit groups),
// optional fraction after the decimal separator; surrounding blanks allowed. nullopt when the
// text is not a number.
std::optional<double> textToNumber(std::string_view text, const NumberFormat& format);
std::optional<double> textToNumber(std::string_view text);

// Writes a number with at most 15 significant digits, no grouping, the decimal separator of
// the format, no trailing zeros ("1,5", "-20", "0").
std::string numberToText(double value, const NumberFormat& format);
std::string numberToText(double value);

} // namespace hopplix
