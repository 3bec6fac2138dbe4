#include "platform/NumberFormat.h"

namespace hopplix {

namespace {

char singleChar(std::string_view text) { return text.size() == 1 ? text.front() : '\0'; }

} // namespace

NumberFormat numberFormatOf(std::string_view decimalSeparator, std::string_view groupSeparator)
{
    NumberFormat format{'.', '\0'};
    if (const char radix = singleChar(decimalSeparator); radix != '\0')
        format.decimalSeparator = radix;
    format.groupSeparator = singleChar(groupSeparator);
    if (format.groupSeparator == format.decimalSeparator
        || (format.groupSeparator >= '0' && format.groupSeparator <= '9'))
        format.groupSeparator = '\0';
    return format;
}

} // namespace hopplix
