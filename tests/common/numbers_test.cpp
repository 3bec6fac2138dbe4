#include "common/Numbers.h"
#include "support/scoped_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

using hopplix::NumberFormat;
using hopplix::numberToText;
using hopplix::textToNumber;
using hopplix::test::ScopedLocale;

namespace {

const NumberFormat kGerman{',', '.'};
const NumberFormat kEnglish{'.', ','};
const NumberFormat kPlainC{'.', '\0'};

struct ReadCase {
    const char* text;
    std::optional<double> german;
    std::optional<double> english;
    std::optional<double> plainC;
};

class NumberReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(NumberReading, ReadsLikeTheRegionalSettings)
{
    const auto& c = GetParam();
    EXPECT_EQ(textToNumber(c.text, kGerman), c.german) << "German: " << c.text;
    EXPECT_EQ(textToNumber(c.text, kEnglish), c.english) << "English: " << c.text;
    EXPECT_EQ(textToNumber(c.text, kPlainC), c.plainC) << "C: " << c.text;
}

constexpr std::nullopt_t no = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberReading,
    ::testing::Values(
        // Whole numbers read the same everywhere.
        ReadCase{"0", 0.0, 0.0, 0.0}, ReadCase{"40", 40.0, 40.0, 40.0}, ReadCase{"-20", -20.0, -20.0, -20.0},
        ReadCase{"+7", 7.0, 7.0, 7.0}, ReadCase{" \t25 ", 25.0, 25.0, 25.0}, ReadCase{"007", 7.0, 7.0, 7.0},
        // The decimal separator of the setting; the other one groups digits, loosely.
        ReadCase{"1,0", 1.0, 10.0, no}, ReadCase{"1,1", 1.1, 11.0, no}, ReadCase{"99.5", 995.0, 99.5, 99.5},
        ReadCase{"99,5", 99.5, 995.0, no}, ReadCase{"1.000", 1000.0, 1.0, 1.0},
        ReadCase{"1.234.567,5", 1234567.5, no, no}, ReadCase{"1,234,567.5", no, 1234567.5, no},
        ReadCase{",5", 0.5, no, no}, ReadCase{".5", no, 0.5, 0.5}, ReadCase{"5,", 5.0, no, no},
        ReadCase{"-0,25", -0.25, -25.0, no},
        // Group separators only between digits, never in the fraction.
        ReadCase{",100", 0.1, no, no}, ReadCase{"1,,0", no, no, no}, ReadCase{"1.", no, 1.0, 1.0},
        ReadCase{"1,5.3", no, 15.3, no},
        // Exponents, as written for very large values.
        ReadCase{"1E+15", 1e15, 1e15, 1e15}, ReadCase{"2,5E-05", 2.5e-5, 2.5e-4, no}, ReadCase{"1e5", 1e5, 1e5, 1e5},
        ReadCase{"1e", no, no, no}, ReadCase{"1e999", no, no, no}, ReadCase{"1e-999", 0.0, 0.0, 0.0},
        // Not numbers.
        ReadCase{"", no, no, no}, ReadCase{"   ", no, no, no}, ReadCase{"-", no, no, no}, ReadCase{"+", no, no, no},
        ReadCase{",", no, no, no}, ReadCase{".", no, no, no}, ReadCase{"abc", no, no, no},
        ReadCase{"12abc", no, no, no}, ReadCase{"1 000", no, no, no}, ReadCase{"- 5", no, no, no},
        ReadCase{"25%", no, no, no}, ReadCase{"0x10", no, no, no}, ReadCase{"inf", no, no, no},
        ReadCase{"nan", no, no, no}, ReadCase{"--1", no, no, no}));

TEST(NumberWriting, FifteenSignificantDigitsWithTheRegionalSeparator)
{
    EXPECT_EQ(numberToText(1.5, kGerman), "1,5");
    EXPECT_EQ(numberToText(1.5, kEnglish), "1.5");
    EXPECT_EQ(numberToText(-20.0, kGerman), "-20");
    EXPECT_EQ(numberToText(0.0, kGerman), "0");
    EXPECT_EQ(numberToText(-0.0, kGerman), "0");
    EXPECT_EQ(numberToText(1234567.0, kEnglish), "1234567"); // never grouped
    EXPECT_EQ(numberToText(1.0 / 3.0, kGerman), "0,333333333333333");
    EXPECT_EQ(numberToText(0.1 + 0.2, kEnglish), "0.3");
    EXPECT_EQ(numberToText(2000.0 / 3.0, kEnglish), "666.666666666667");
    EXPECT_EQ(numberToText(123456789012345.0, kEnglish), "123456789012345");
    EXPECT_EQ(numberToText(1e15, kEnglish), "1E+15");
    EXPECT_EQ(numberToText(0.0001, kEnglish), "0.0001");
    EXPECT_EQ(numberToText(0.00001, kGerman), "1E-05");
    EXPECT_EQ(numberToText(std::nan(""), kGerman), "0");
    EXPECT_EQ(numberToText(HUGE_VAL, kGerman), "0");
}

TEST(NumberWriting, WrittenTextsReadBack)
{
    for (const double v : {0.5, -20.0, 1e15, 1.25e-7, 666.666666666667, 123456.125, -1e300})
        for (const auto& format : {kGerman, kEnglish, kPlainC}) {
            const auto back = textToNumber(numberToText(v, format), format);
            ASSERT_TRUE(back.has_value()) << v;
            EXPECT_DOUBLE_EQ(*back, v);
        }
}

TEST(SystemNumberFormat, TextsWithoutAFormatFollowTheUserLocale)
{
    {
        ScopedLocale locale("de_DE.UTF-8");
        EXPECT_EQ(textToNumber("1,1"), 1.1);
        EXPECT_EQ(numberToText(99.5), "99,5");
    }
    {
        ScopedLocale locale("en_US.UTF-8");
        EXPECT_EQ(textToNumber("1,0"), 10.0);
        EXPECT_EQ(textToNumber("99.5"), 99.5);
        EXPECT_EQ(numberToText(99.5), "99.5");
    }
    ScopedLocale locale("xx_XX.UTF-8");
    EXPECT_EQ(textToNumber("12"), 12.0);
}

TEST(SystemNumberFormat, LocaleIsReadAfreshOnEachCall)
{
    {
        ScopedLocale locale("de_DE.UTF-8");
        EXPECT_EQ(numberToText(0.5), "0,5");
    }
    ScopedLocale locale("en_US.UTF-8");
    EXPECT_EQ(numberToText(0.5), "0.5");
}

} // namespace
