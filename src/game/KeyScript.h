#pragma once
// Key scripts: the keys held in each tick of a played or planned route, one line per tick, "L",
// "R" and "S" combined ("RS"), "." or an empty line for none. The solver writes them, the
// replay tool and the benchmarks play them.

#include "common/SystemServices.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix {

// The keys held during one tick, as bits.
using KeyMask = std::uint8_t;
inline constexpr KeyMask kKeyLeft = 1;
inline constexpr KeyMask kKeyRight = 2;
inline constexpr KeyMask kKeySpace = 4;

struct KeyScript {
    std::vector<KeyMask> ticks;
    // The first line (from 1) holding another character than the keys, and that character;
    // 0 when every line is good.
    std::size_t badLine = 0;
    char badCharacter = 0;
    bool ok() const { return badLine == 0; }
};

// A script's text: lines end in "\n" or "\r\n"; the last line needs no line end. Reading stops
// at the first bad line.
KeyScript parseKeyScript(std::string_view text);

// The text of a script, each line ended by "\n".
std::string writeKeyScript(std::span<const KeyMask> ticks);

// Keys held for a whole tick: every reading in that tick sees them pressed.
class HeldKeys : public KeyState {
public:
    KeyMask held = 0;
    bool GetAsyncKeyState(int virtualKey) override;
};

// Plays a script: `next` holds the keys of the next tick, none once the script has ended.
class ScriptKeys : public HeldKeys {
public:
    explicit ScriptKeys(std::span<const KeyMask> ticks) : ticks_(ticks) {}
    void next() { held = played_ < ticks_.size() ? ticks_[played_++] : KeyMask{0}; }

private:
    std::span<const KeyMask> ticks_;
    std::size_t played_ = 0;
};

} // namespace hopplix
