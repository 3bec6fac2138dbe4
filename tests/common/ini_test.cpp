#include "common/Ini.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using hopplix::HolINIString;
using hopplix::LiesINIWert;
using hopplix::readProfileStringFromBytes;
using namespace std::string_literals;

namespace {

// "Größe" as a level author's 1252 editor stores it, and in capitals.
const std::string kGroesse1252 = "Gr\xF6\xDF"
                                 "e";
const std::string kGROESSE1252 = "GR\xD6\xDF"
                                 "E";

std::string value(std::string_view file, std::string_view section, std::string_view key)
{
    return readProfileStringFromBytes(file, section, key, 32767);
}

std::vector<std::string> splitAtNul(const std::string& list)
{
    std::vector<std::string> pieces(1);
    for (const char c : list) {
        if (c == '\0')
            pieces.emplace_back();
        else
            pieces.back().push_back(c);
    }
    return pieces;
}

struct LookupCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

class IniLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, FindsWhatWindowsFinds)
{
    const auto& c = GetParam();
    EXPECT_EQ(value(c.file, c.section, c.key), c.expected);
    EXPECT_EQ(hopplix::ProfileSection(c.file, c.section, 32767).value(c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    LevelConfig, IniLookup,
    ::testing::Values(
        LookupCase{"CapitalSectionMatches",
                   "[SPIELER]\r\nGr\xF6\xDF"
                   "e=25%\r\n",
                   "Spieler", "Größe", "25%"},
        LookupCase{"CapitalKeyWithUmlautMatches", "[Spieler]\n" + kGROESSE1252 + "=auto\n", "spieler", "Größe", "auto"},
        LookupCase{"SsIsNotSharpS", "[Spieler]\n" + kGroesse1252 + "=7%\n", "SPIELER", "GRÖSSE", ""},
        LookupCase{"AskingInCapitalsWithSharpSMatches", "[Spieler]\n" + kGroesse1252 + "=7%\n", "SPIELER", "GRÖßE",
                   "7%"},
        LookupCase{"Utf8FileDoesNotMatchGroesse", "[Spieler]\nGröße=25%\n", "Spieler", "Größe", ""},
        LookupCase{"OtherAccentedPairsMatch", "[\xC9t\xE9]\n\x8A\x8C\x8E\x9F\xC0\xDE=1\n", "été", "šœžÿàþ", "1"},
        LookupCase{"MultiplicationSignIsNotAnUpperCaseDivisionSign", "[S]\n\xD7=1\n", "S", "÷", ""},
        LookupCase{"NameOutside1252MatchesNothing", "[S]\n?=1\n", "S", "€€\u0100", ""},
        LookupCase{"InvalidUtf8NameMatchesNothing", "[S]\n\xFF=1\n", "S", "\xFF", ""},
        LookupCase{"ValueComesBackAsUtf8",
                   "[S]\nk=Gr\xF6\xDF"
                   "e \x80\n",
                   "S", "k", "Größe €"},
        LookupCase{"FirstSectionWins", "[Startposition]\nx=1\n[Startposition]\nx=2\ny=3\n", "Startposition", "y", ""},
        LookupCase{"FirstKeyWins", "[Startposition]\nx=1\nX=2\n", "Startposition", "x", "1"},
        LookupCase{"XWithoutY", "[Startposition]\nx=40\n", "Startposition", "y", ""},
        LookupCase{"KeyOfAnotherSectionIsNotSeen", "[Spieler]\nx=5\n[Startposition]\ny=1\n", "Startposition", "x", ""},
        LookupCase{"KeyBeforeAnySectionIsNotSeen", "x=5\n[Startposition]\n", "Startposition", "x", ""},
        LookupCase{"BlanksAroundNamesAndValuesAreTrimmed", " \t[ Startposition\t]  \n  x \t=  12 5\t \n",
                   "Startposition", "x", "12 5"},
        LookupCase{"TextAfterTheBracketIsIgnored", "[Startposition] ; start\nx=3\n", "Startposition", "x", "3"},
        LookupCase{"EmptyValue", "[S]\nk=\nk=2\n", "S", "k", ""},
        LookupCase{"ValueKeepsFurtherEqualsSigns", "[S]\nk=a=b\n", "S", "k", "a=b"},
        LookupCase{"CommentLineIsNoKey", "[S]\n;k=1\n  ; k=2\nk=3\n", "S", "k", "3"},
        LookupCase{"StrayLinesChangeNothing", "[S]\nhello\n[broken\nk=3\n", "S", "k", "3"},
        LookupCase{"ByteOrderMarkSpoilsTheFirstSection", "\xEF\xBB\xBF[Spieler]\nk=1\n", "Spieler", "k", ""},
        LookupCase{"ByteOrderMarkLeavesLaterSections", "\xEF\xBB\xBF[A]\n[Spieler]\nk=1\n", "Spieler", "k", "1"},
        LookupCase{"LfLineEnds", "[S]\na=1\nb=2\n", "S", "b", "2"},
        LookupCase{"CrLfLineEnds", "[S]\r\na=1\r\nb=2\r\n", "S", "b", "2"},
        LookupCase{"LoneCrLineEnds", "[S]\ra=1\rb=2", "S", "b", "2"},
        LookupCase{"LastLineWithoutLineEnd", "[S]\nb=2", "S", "b", "2"},
        LookupCase{"DoubleQuotesStripped", "[S]\nk=\"  a b \"\n", "S", "k", "  a b "},
        LookupCase{"SingleQuotesStripped", "[S]\nk='x'\n", "S", "k", "x"},
        LookupCase{"OnlyOnePairStripped", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
        LookupCase{"MismatchedQuotesKept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
        LookupCase{"LoneQuoteKept", "[S]\nk=\"\n", "S", "k", "\""}, LookupCase{"EmptyFile", "", "S", "k", ""},
        LookupCase{"NulEndsTheValue", "[S]\nk=ab\0cd\n"s, "S", "k", "ab"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(IniReader, CutsValuesToTheBufferSize)
{
    const std::string file = "[S]\nk=" + std::string(40000, 'v') + "\nshort=" + std::string(254, 'w') + "\n";
    EXPECT_EQ(value(file, "S", "k"), std::string(32766, 'v'));
    EXPECT_EQ(readProfileStringFromBytes(file, "S", "k", 255), std::string(254, 'v'));
    EXPECT_EQ(readProfileStringFromBytes(file, "S", "short", 255), std::string(254, 'w'));
    EXPECT_EQ(readProfileStringFromBytes(file, "S", "k", 1), "");
    EXPECT_EQ(readProfileStringFromBytes(file, "S", "k", 0), "");
}

TEST(IniReader, CutsIn1252CharactersNotUtf8Bytes)
{
    const std::string file = "[S]\nk=" + std::string(300, '\xE4') + "\n";
    const std::string got = readProfileStringFromBytes(file, "S", "k", 255);
    std::string expected;
    for (int i = 0; i < 254; ++i)
        expected += "ä";
    EXPECT_EQ(got, expected);
}

TEST(IniReader, KeyListEndsEachNameWithNul)
{
    const std::string file =
        "[Namen]\r\nDatei1=a.bmp\r\n;Datei9=x\r\nnote\r\n datei2 = b\r\nDatei3=\r\n[URL]\r\nDatei4=u\r\n";
    EXPECT_EQ(HolINIString("/nonexistent", "Namen", std::nullopt), "");
    EXPECT_EQ(readProfileStringFromBytes(file, "NAMEN", std::nullopt, 255), "Datei1\0datei2\0Datei3\0"s);
    EXPECT_EQ(readProfileStringFromBytes(file, "Fehlt", std::nullopt, 255), "");
    EXPECT_EQ(readProfileStringFromBytes("[Namen]\n[URL]\nx=1\n", "Namen", std::nullopt, 255), "");
    // A NUL ends a name as it would in the caller's buffer; nothing empty is listed.
    EXPECT_EQ(readProfileStringFromBytes("[S]\na\0b=1\n\0c=2\n=3\nd=4\n"s, "S", std::nullopt, 255), "a\0d\0"s);
}

// Regression: the cut key list held a NUL of its own within the 253 characters, one name more
// than the Windows reader counts.
TEST(IniReader, KeyListOfAManifestIsCutTo253CharactersAsWindowsCutsIt)
{
    std::string file = "[Namen]\n";
    std::string full;
    for (int i = 1; i <= 1000; ++i) {
        file += "Datei" + std::to_string(i) + "=f\n";
        full += "Datei" + std::to_string(i) + '\0';
    }
    const std::string list = readProfileStringFromBytes(file, "Namen", std::nullopt, 255);
    EXPECT_EQ(list, full.substr(0, 253));
    // Datei1-9 take 63 characters, Datei10-32 another 184: 32 whole names, then "Datei3".
    const auto pieces = splitAtNul(list);
    EXPECT_EQ(pieces.size() - 1, 32u);
    EXPECT_EQ(pieces.back(), "Datei3");
    EXPECT_EQ(readProfileStringFromBytes(file, "Namen", std::nullopt, 3), "D");
    EXPECT_EQ(readProfileStringFromBytes(file, "Namen", std::nullopt, 1), "");
}

TEST(IniReader, KeyListThatFitsIsWhole)
{
    // 253 characters exactly: 23 names of ten characters plus NUL, 253 = 23 * 11.
    std::string file = "[S]\n";
    std::string full;
    for (int i = 0; i < 23; ++i) {
        const std::string name = "Eintrag_" + std::string(i < 10 ? "0" : "") + std::to_string(i);
        file += name + "=1\n";
        full += name + '\0';
    }
    ASSERT_EQ(full.size(), 253u);
    EXPECT_EQ(readProfileStringFromBytes(file, "S", std::nullopt, 255), full);
    EXPECT_EQ(readProfileStringFromBytes(file, "S", std::nullopt, 2), "");
}

TEST(IniReader, SurvivesGarbageAndHugeFiles)
{
    std::string garbage;
    for (int i = 0; i < 1 << 20; ++i)
        garbage.push_back(static_cast<char>((i * 7919) ^ (i >> 3)));
    EXPECT_NO_THROW(value(garbage, "S", "k"));
    EXPECT_NO_THROW(readProfileStringFromBytes(garbage, "S", std::nullopt, 255));

    // A long file whose key comes last, and a single line of many megabytes.
    std::string big = "[S]\n";
    for (int i = 0; i < 200000; ++i)
        big += "filler" + std::to_string(i) + "=some text\n";
    big += "wanted=yes\n";
    EXPECT_EQ(value(big, "s", "WANTED"), "yes");
    EXPECT_EQ(value("[S]\nk=" + std::string(8 << 20, 'x') + "\n[T]\nk=2", "T", "k"), "2");
}

TEST(IniReader, HolINIStringReadsValuesAndKeyLists)
{
    hopplix::test::TempFolder folder;
    const auto manifest = folder.write("updatedata.txt", "[Namen]\r\nDatei1=a.txt\r\nDatei2=b.txt\r\n");
    EXPECT_EQ(HolINIString(manifest, "Namen", std::string("Datei2")), "b.txt");
    EXPECT_EQ(HolINIString(manifest, "namen", std::nullopt), std::string("Datei1\0Datei2\0", 14));
}

TEST(IniReader, ReadsFilesOnDisk)
{
    hopplix::test::TempFolder folder;
    const auto config =
        folder.write("config.ini", "[Spieler]\r\n" + kGroesse1252 + "=25%\r\n[Startposition]\r\nx=40\r\n");
    EXPECT_EQ(LiesINIWert(config, "Spieler", "Größe"), "25%");
    EXPECT_EQ(LiesINIWert(config, "Startposition", "x"), "40");
    EXPECT_EQ(LiesINIWert(config, "Startposition", "y"), "");
    EXPECT_EQ(HolINIString(config, "Startposition", "x"), "40");
    EXPECT_EQ(HolINIString(config, "Startposition", std::nullopt), "x\0"s);
    EXPECT_EQ(LiesINIWert(folder.path() / "missing.ini", "Spieler", "Größe"), "");
    EXPECT_EQ(LiesINIWert(folder.path(), "Spieler", "Größe"), ""); // a folder is no file
    EXPECT_EQ(LiesINIWert(folder.write("empty.ini", ""), "Spieler", "Größe"), "");
}

} // namespace
