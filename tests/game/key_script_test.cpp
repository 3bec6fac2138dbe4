// Key scripts: the text the solver writes is the text the replay reads, and a bad line is named.

#include "game/KeyScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hopplix {
namespace {

TEST(KeyScript, WrittenOneLinePerTickAndReadBack)
{
    const std::vector<KeyMask> route{0, kKeyLeft, kKeyRight | kKeySpace, kKeyLeft | kKeyRight | kKeySpace};
    const std::string text = writeKeyScript(route);
    EXPECT_EQ(text, ".\nL\nRS\nLRS\n");
    const KeyScript read = parseKeyScript(text);
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.ticks, route);
}

struct Parsed {
    const char* text;
    std::vector<KeyMask> ticks;
    std::size_t badLine;
    char badCharacter;
};

TEST(KeyScript, ReadAsTheReplayReadsIt)
{
    const std::vector<Parsed> cases{
        {"", {}, 0, 0},
        {"\n", {0}, 0, 0},
        {"SR\r\nL", {kKeyRight | kKeySpace, kKeyLeft}, 0, 0}, // Windows line ends; no last line end
        {"L\n\n.\n", {kKeyLeft, 0, 0}, 0, 0},
        {"L\nRx\nS\n", {kKeyLeft}, 2, 'x'},
        {"l\n", {}, 1, 'l'}, // keys are capitals
    };
    for (const Parsed& c : cases) {
        const KeyScript read = parseKeyScript(c.text);
        EXPECT_EQ(read.ticks, c.ticks) << c.text;
        EXPECT_EQ(read.badLine, c.badLine) << c.text;
        EXPECT_EQ(read.badCharacter, c.badCharacter) << c.text;
    }
}

TEST(KeyScript, PlayedTickByTickThenNone)
{
    const std::vector<KeyMask> route{kKeyLeft | kKeySpace, kKeyRight};
    ScriptKeys keys(route);
    const auto reads = [&] {
        return std::vector<bool>{keys.GetAsyncKeyState(vk::Left), keys.GetAsyncKeyState(vk::Right),
                                 keys.GetAsyncKeyState(vk::Space), keys.GetAsyncKeyState(vk::R)};
    };
    keys.next();
    EXPECT_EQ(reads(), (std::vector<bool>{true, false, true, false}));
    keys.next();
    EXPECT_EQ(reads(), (std::vector<bool>{false, true, false, false}));
    keys.next();
    EXPECT_EQ(reads(), (std::vector<bool>{false, false, false, false}));
}

} // namespace
} // namespace hopplix
