// The level checker on small painted levels: each fault a level author can make gives its one
// finding, a sound level gives none, and odd levels end in a report, never a crash.

#include "art_level.h"
#include "check/LevelCheck.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace hopplix::check {
namespace {

using test::artLevel;
using test::pixelForPixel;

struct Paint {
    int x, y, width, height;
    char art;
};

// 40 x 20 pixels: a black floor in rows 15 to 19, the goal in the top right corner. With the
// config below the player is 5 pixels (75 twips) and starts at (2, 8), above the floor.
std::vector<std::string> painted(const std::vector<Paint>& paints)
{
    std::vector<std::string> rows(20, std::string(40, '.'));
    for (int y = 15; y < 20; ++y)
        rows[static_cast<size_t>(y)] = std::string(40, '#');
    for (int y = 3; y < 8; ++y)
        rows[static_cast<size_t>(y)].replace(36, 4, "gggg");
    for (const Paint& p : paints)
        for (int y = p.y; y < p.y + p.height; ++y)
            rows[static_cast<size_t>(y)].replace(static_cast<size_t>(p.x), static_cast<size_t>(p.width),
                                                 static_cast<size_t>(p.width), p.art);
    return rows;
}

// config.ini in Windows-1252 ("\xF6\xDF" is "öß").
std::string config(const std::string& groesse = "25%", const std::string& x = "2", const std::string& y = "8")
{
    return "[Spieler]\r\nGr\xF6\xDF"
           "e="
           + groesse + "\r\n[Startposition]\r\nx=" + x + "\r\ny=" + y + "\r\n";
}

class LevelCheckTest : public ::testing::Test {
protected:
    LevelReport check(const std::vector<std::string>& rows, const std::string& configBytes, CheckOptions options = {})
    {
        options.viewport = pixelForPixel(rows);
        return checkLevel(artLevel(root_.path(), "level", rows, configBytes), decoder_, options);
    }

    test::TempFolder root_;
    test::TextArtDecoder decoder_;
};

TEST_F(LevelCheckTest, SoundLevelHasNoFindings) { EXPECT_TRUE(check(painted({}), config()).findings.empty()); }

struct FindingCase {
    const char* what;
    std::vector<Paint> paints;
    std::string config;
    Severity severity;
    std::string message; // a part of the one finding
};

void PrintTo(const FindingCase& c, std::ostream* os) { *os << c.what; }

class OneFinding : public LevelCheckTest, public ::testing::WithParamInterface<FindingCase> {};

TEST_P(OneFinding, IsReportedAlone)
{
    const FindingCase& c = GetParam();
    const LevelReport report = check(painted(c.paints), c.config);
    ASSERT_EQ(report.findings.size(), 1u) << (report.findings.empty() ? "" : report.findings[0].message);
    EXPECT_EQ(report.findings[0].severity, c.severity);
    EXPECT_NE(report.findings[0].message.find(c.message), std::string::npos) << report.findings[0].message;
}

INSTANTIATE_TEST_SUITE_P(
    Checker, OneFinding,
    ::testing::Values(
        FindingCase{"no green", {{36, 3, 4, 5, '.'}}, config(), Severity::Error, "no goal: the picture has no green"},
        FindingCase{
            "start inside the floor", {}, config("25%", "2", "14"), Severity::Error, "start (2, 14) lies inside black"},
        FindingCase{
            "start on red", {{0, 13, 8, 2, 'r'}}, config(), Severity::Error, "start (2, 8) touches red (probe 5)"},
        FindingCase{"player of size 0", {}, config("0%"), Severity::Error, "the player has a size of 0"},
        FindingCase{"red one step off",
                    {{10, 10, 3, 1, '~'}},
                    config(),
                    Severity::Warning,
                    "3 pixels are close to red (255, 0, 0) but not exactly it, so the game takes them for free "
                    "space; e.g. (254, 0, 0) at (10, 10)"},
        FindingCase{"a red strip narrower than half the player",
                    {{20, 13, 2, 2, 'r'}},
                    config(),
                    Severity::Warning,
                    "red at x 20..21, y 13..14 is 2 pixels wide, narrower than half the player's side (2.5 pixels)"},
        FindingCase{"a thin wall on the floor",
                    {{25, 8, 1, 7, '#'}},
                    config(),
                    Severity::Warning,
                    "a wall of black at x 25..25, y 8..14 is 1 pixel wide"},
        FindingCase{"start left of the picture",
                    {},
                    config("25%", "-30"),
                    Severity::Warning,
                    "the start (-30, 8) lies outside the picture (40 x 20 pixels)"},
        FindingCase{"start far beyond any screen",
                    {},
                    config("25%", "1e30"),
                    Severity::Warning,
                    "the start (1e+30, 8) lies outside the picture (40 x 20 pixels); the game cuts it to 1e+09 twips"},
        FindingCase{"config.ini in UTF-8",
                    {},
                    "[Spieler]\nGröße=25%\n[Startposition]\nx=2\ny=8\n",
                    Severity::Warning,
                    "config.ini is saved in UTF-8"},
        FindingCase{"a comment after the start",
                    {},
                    config("25%", "2 ; left edge"),
                    Severity::Warning,
                    "Startposition x \"2 ; left edge\" has text after the number: the game reads it as 0"},
        FindingCase{"a size without %",
                    {},
                    config("25"),
                    Severity::Warning,
                    "Größe \"25\" has no % sign: the player gets the automatic size"},
        FindingCase{"green in the top-left corner",
                    {{0, 0, 3, 3, 'g'}},
                    config(),
                    Severity::Warning,
                    "pressing R wins at once: from the top-left corner the player reaches the goal in its first tick"},
        FindingCase{"red underfoot",
                    {{0, 14, 8, 1, 'r'}},
                    config(),
                    Severity::Warning,
                    "ticks after its start with no key held: it spawns where it cannot stay"}));

// Regression: a player of size 0 was reported as an error and as solved in the same breath.
TEST_F(LevelCheckTest, PlayerOfNoSizeIsNotSolved)
{
    CheckOptions options;
    options.solve = true;
    const LevelReport report = check(painted({}), config("0%"), options);
    EXPECT_FALSE(report.solution.has_value());
    ASSERT_EQ(report.findings.size(), 2u);
    EXPECT_EQ(report.findings[1].message, "not solved: the player must be at least one pixel wide first");
}

TEST_F(LevelCheckTest, PictureThatCannotBeReadIsAnError)
{
    const auto folder = root_.path() / "broken";
    std::filesystem::create_directories(folder);
    test::writeFile(levelImagePath(folder), "not a picture\n");
    const LevelReport report = checkLevel(folder, decoder_, {}, [] { return std::string("why"); });
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].message, "Level.bmp cannot be read as a picture: why");
    EXPECT_TRUE(report.hasError());
}

// Levels no author means, checked and solved as the game would lay them out: each ends in a
// report that says what is wrong.
struct OddCase {
    const char* what;
    std::vector<std::string> rows;
    std::string config;
    std::string message;
};

void PrintTo(const OddCase& c, std::ostream* os) { *os << c.what; }

class OddLevel : public LevelCheckTest, public ::testing::WithParamInterface<OddCase> {};

TEST_P(OddLevel, EndsInAReport)
{
    const OddCase& c = GetParam();
    CheckOptions options;
    options.solve = true;
    options.limits.maxBytes = 16 << 20;
    // On the screen the game assumes, 1280 x 1024 pixels.
    const LevelReport report = checkLevel(artLevel(root_.path(), "odd", c.rows, c.config), decoder_, options);
    std::string all;
    for (const Finding& f : report.findings)
        all += std::string(severityName(f.severity)) + ": " + f.message + "\n";
    EXPECT_NE(all.find(c.message), std::string::npos) << all;
}

std::string garbage()
{
    std::string bytes = "[Spieler]\n\x01\xFF[[=]\nGr\xF6\xDF"
                        "e=\x80\x81%%\n";
    for (int i = 0; i < 2000; ++i)
        bytes += static_cast<char>((i * 7919) % 256);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Checker, OddLevel,
    ::testing::Values(
        OddCase{"garbage config.ini", painted({}), garbage(), "Größe"},
        OddCase{"start far outside", painted({}), config("25%", "99999999999999999999", "-99999999999999999999"),
                "lies outside the picture"},
        OddCase{"a start of 1e30", painted({}), config("25%", "1e30", "1e30"), "the game cuts it to 1e+09 twips"},
        OddCase{"a player of size 0", painted({}), config("0%"), "error: the player has a size of 0"},
        OddCase{"a player of size 10^9 %", painted({}), config("1000000000%"), "is 100% or more"},
        OddCase{"a config.ini of 10 MB", painted({}), config() + std::string(10 << 20, ';') + "\n",
                "info: solved: a route of"},
        OddCase{"a 1 x 1 picture", {"."}, "", "error: the level cannot be laid out on this screen"},
        OddCase{"an 8192 x 2 picture",
                {std::string(8191, '.') + "g", std::string(8192, '#')},
                "",
                "too small for this screen"}));

// Bitmaps keep their rows bottom up, the painted levels top down: the checker takes the rows as
// they come, and what it finds must not depend on their order.
class BottomUp : public PictureDecoder {
public:
    PictureError decode(const std::filesystem::path& file, PictureRows& rows) const override
    {
        struct Held : PictureRows {
            bool size(int w, int h) override
            {
                width = w;
                lines.assign(static_cast<size_t>(h), {});
                return true;
            }
            void row(int y, std::span<const uint32_t> colours) override
            {
                lines[static_cast<size_t>(y)].assign(colours.begin(), colours.end());
            }
            int width = 0;
            std::vector<std::vector<uint32_t>> lines;
        } held;
        const PictureError error = test::TextArtDecoder().decode(file, held);
        if (!error.ok())
            return error;
        if (!rows.size(held.width, static_cast<int>(held.lines.size())))
            return {.refused = true};
        for (size_t y = held.lines.size(); y-- > 0;)
            rows.row(static_cast<int>(y), held.lines[y]);
        return {};
    }
};

TEST_F(LevelCheckTest, FindingsDoNotDependOnTheOrderOfRows)
{
    // Narrow red and walls in many rows, some touching across rows, more than are shown.
    std::vector<Paint> paints;
    for (int i = 0; i < 7; ++i)
        paints.push_back({3 + 5 * i, 9 + i % 3, 1 + i % 2, 2 + i % 4, i % 2 ? 'r' : '#'});
    paints.push_back({12, 2, 1, 3, 'b'});
    paints.push_back({13, 4, 1, 3, 'b'});
    const std::vector<std::string> rows = painted(paints);
    const auto folder = artLevel(root_.path(), "level", rows, config());
    CheckOptions options;
    options.viewport = pixelForPixel(rows);
    const LevelReport topDown = checkLevel(folder, decoder_, options);
    const LevelReport bottomUp = checkLevel(folder, BottomUp(), options);
    ASSERT_GT(topDown.findings.size(), 3u);
    ASSERT_EQ(bottomUp.findings.size(), topDown.findings.size());
    for (size_t i = 0; i < topDown.findings.size(); ++i)
        EXPECT_EQ(bottomUp.findings[i].message, topDown.findings[i].message);
}

} // namespace
} // namespace hopplix::check
