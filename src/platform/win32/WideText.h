#pragma once
// The one edge between our texts (UTF-8) and Windows' wide (UTF-16) texts. Paths need no
// conversion: std::filesystem::path holds the wide name as the system gives it.

#include <string>
#include <string_view>

namespace hopplix::win32 {

// UTF-8 to UTF-16; bytes that are no UTF-8 become U+FFFD.
std::wstring toWide(std::string_view utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string fromWide(std::wstring_view wide);

} // namespace hopplix::win32
