#include "platform/NumberFormat.h"

#include "platform/win32/WideText.h"

#include <windows.h>

namespace hopplix {

namespace {

// One of the user's regional settings, as the user set it in the control panel.
std::string userSetting(LCTYPE item)
{
    wchar_t text[16] = {};
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, 16);
    return length > 1 ? win32::fromWide(std::wstring_view(text, static_cast<std::size_t>(length - 1))) : std::string();
}

} // namespace

NumberFormat systemNumberFormat()
{
    return numberFormatOf(userSetting(LOCALE_SDECIMAL), userSetting(LOCALE_STHOUSAND));
}

} // namespace hopplix
