#pragma once
// Gives the user the number format of a locale for one test and puts the old one back.
//
// Here that is LC_ALL. Windows keeps the user's decimal and grouping symbols in the regional
// settings, so there the test changes those two settings of the user for its duration (under
// Wine, the test prefix's user): to the named locale's ("de_DE.UTF-8" is "de-DE"; C and POSIX
// are the invariant locale), or to nothing usable when Windows knows no such locale.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace hopplix::test {

#ifdef _WIN32

class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& name)
        : oldDecimal_(setting(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL)),
          oldGroup_(setting(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND))
    {
        const std::wstring windowsName = windowsLocale(name);
        const wchar_t* locale = windowsName.empty() ? LOCALE_NAME_INVARIANT : windowsName.c_str();
        apply(setting(locale, LOCALE_SDECIMAL), setting(locale, LOCALE_STHOUSAND));
    }
    ~ScopedLocale() { apply(oldDecimal_, oldGroup_); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    static std::wstring windowsLocale(const std::string& name)
    {
        if (name == "C" || name == "POSIX" || name.starts_with("C."))
            return {};
        std::wstring windows(
            name.begin(), name.begin() + static_cast<std::ptrdiff_t>(std::min(name.find_first_of(".@"), name.size())));
        std::replace(windows.begin(), windows.end(), L'_', L'-');
        return windows;
    }
    static std::wstring setting(const wchar_t* locale, LCTYPE item)
    {
        wchar_t text[16] = {};
        const int length = ::GetLocaleInfoEx(locale, item, text, 16);
        return length > 1 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
    }
    static void apply(const std::wstring& decimal, const std::wstring& group)
    {
        ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal.c_str());
        ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group.c_str());
    }

    std::wstring oldDecimal_;
    std::wstring oldGroup_;
};

#else

class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& name)
    {
        if (const char* old = std::getenv("LC_ALL"))
            old_ = old;
        ::setenv("LC_ALL", name.c_str(), 1);
    }
    ~ScopedLocale()
    {
        if (old_)
            ::setenv("LC_ALL", old_->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::optional<std::string> old_;
};

#endif

} // namespace hopplix::test
