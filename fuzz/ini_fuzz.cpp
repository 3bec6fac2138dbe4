// Feeds arbitrary bytes to the INI reader as a file, with names taken from the input or from the
// game's own keys, and checks the promises the callers rely on.

#include "common/Codepage.h"
#include "common/Ini.h"
#include "common/Numbers.h"

#include <cmath>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Length in 1252 characters of a result; every result must convert back.
std::size_t length1252(const std::string& utf8)
{
    const auto bytes = hopplix::utf8ToWin1252(utf8);
    check(bytes.has_value());
    return bytes->size();
}

void checkValue(std::string_view file, std::string_view section, std::string_view key, std::size_t size)
{
    const std::string value = hopplix::readProfileStringFromBytes(file, section, key, size);
    check(length1252(value) + 1 <= std::max<std::size_t>(size, 1));
    const hopplix::NumberFormat german{',', '.'};
    if (const auto number = hopplix::textToNumber(value, german)) {
        check(std::isfinite(*number));
        const auto back = hopplix::textToNumber(hopplix::numberToText(*number, german), german);
        check(back.has_value());
    }
}

void checkKeyList(std::string_view file, std::string_view section, std::size_t size)
{
    const std::string list = hopplix::readProfileStringFromBytes(file, section, std::nullopt, size);
    const std::size_t limit = size > 2 ? size - 2 : 0;
    const std::size_t length = length1252(list);
    check(length <= limit);
    if (!list.empty()) {
        // A list cut at the limit ends inside its last name, whose NUL falls outside the count.
        check(list.back() == '\0' || length == limit);
        check(list.front() != '\0');
        check(list.find(std::string_view("\0\0", 2)) == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::size_t smallBuffer = input.ConsumeIntegralInRange<std::size_t>(0, 300);
    const std::string file = input.ConsumeRemainingBytesAsString();

    for (const std::size_t buffer : {std::size_t{32767}, std::size_t{255}, smallBuffer}) {
        checkValue(file, section, key, buffer);
        checkKeyList(file, section, buffer);
    }
    checkValue(file, "Spieler", "Größe", 32767);
    checkValue(file, "Startposition", "x", 32767);
    checkKeyList(file, "Namen", 255);
    checkValue(file, "URL", "Datei1", 255);
    return 0;
}
