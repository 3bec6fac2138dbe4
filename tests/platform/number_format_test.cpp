#include "platform/NumberFormat.h"
#include "support/scoped_locale.h"
#include "support/system.h"

#include <gtest/gtest.h>

using hopplix::NumberFormat;
using hopplix::numberFormatOf;
using hopplix::systemNumberFormat;
using hopplix::test::onWindows;
using hopplix::test::ScopedLocale;

namespace {

TEST(SystemNumberFormat, GermanLocaleUsesTheDecimalComma)
{
    ScopedLocale locale("de_DE.UTF-8");
    const auto format = systemNumberFormat();
    EXPECT_EQ(format.decimalSeparator, ',');
    EXPECT_EQ(format.groupSeparator, '.');
}

TEST(SystemNumberFormat, EnglishLocaleUsesThePoint)
{
    ScopedLocale locale("en_US.UTF-8");
    const auto format = systemNumberFormat();
    EXPECT_EQ(format.decimalSeparator, '.');
    EXPECT_EQ(format.groupSeparator, ',');
}

TEST(SystemNumberFormat, PlainCLocaleUsesThePoint)
{
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        ScopedLocale locale(name);
        const auto format = systemNumberFormat();
        EXPECT_EQ(format.decimalSeparator, '.') << name;
        // Windows has no C locale; its nearest, the invariant locale, groups with a comma.
        EXPECT_EQ(format.groupSeparator, onWindows ? ',' : '\0') << name;
    }
}

TEST(SystemNumberFormat, UninstalledLocaleFallsBackToThePoint)
{
    ScopedLocale locale("xx_XX.UTF-8");
    EXPECT_EQ(systemNumberFormat().decimalSeparator, '.');
}

TEST(NumberFormatOf, UsesOnlySeparatorsOfOneCharacter)
{
    struct Case {
        const char* decimal;
        const char* group;
        char wantDecimal;
        char wantGroup;
    };
    for (const Case& c : {Case{",", ".", ',', '.'}, Case{".", "\xE2\x80\xAF", '.', '\0'}, Case{"", "'", '.', '\''},
                          Case{"\xD9\xAB", ",", '.', ','}, Case{",", ",", ',', '\0'}, Case{".", "0", '.', '\0'}}) {
        const NumberFormat format = numberFormatOf(c.decimal, c.group);
        EXPECT_EQ(format.decimalSeparator, c.wantDecimal) << c.decimal << " " << c.group;
        EXPECT_EQ(format.groupSeparator, c.wantGroup) << c.decimal << " " << c.group;
    }
}

} // namespace
