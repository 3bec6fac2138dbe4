#pragma once
// The game's rules: the eight collision probes, the vertical movement, the goal test and the
// 20 ms tick. Nothing here knows a window; the level session composes these for the game
// window and the tools.

#include "common/SystemServices.h"
#include "game/Playfield.h"
#include "platform/NumberFormat.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hopplix {

// The player's shape (Shape1) in twips, relative to the playfield's top-left corner. All four
// values are single precision, and Left and Top change by single-precision arithmetic.
struct PlayerShape {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
};

// The class letters at the eight probes; element k - 1 belongs to probe k:
// 1 top-left, 2 top-centre, 3 top-right, 4 middle-right, 5 bottom-right, 6 bottom-centre,
// 7 bottom-left, 8 middle-left. '\0' until the first probe of a run.
using Punktfarbe = std::array<char, 8>;

inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

// The play state of the game window. It outlives a level: the next level starts with what
// the previous one left (only StartX and StartY are rewritten by the load step).
struct PlayState {
    int16_t beschleunigung = 0; // vertical speed in twips per tick, negative upwards
    int16_t stehend = kFalse;   // the leap flag: kTrue (-1) or kFalse (0)
    std::string StartX = "0";   // start Left in twips, as text in the user's number format
    std::string StartY = "0";   // start Top in twips, likewise
    Punktfarbe punktfarbe{};

    // StartX and StartY as last read back into Left and Top, and the number format they are
    // read in: the load step fills it, so a death reads no locale (reading it costs far more
    // than the rest of a tick). Texts that differ from x and y are read again in that format.
    struct StartRead {
        std::string x;
        std::string y;
        float left = 0;
        float top = 0;
        std::optional<NumberFormat> format; // empty: the user's, read at the first death
    } startRead;

    char probe(int k) const { return punktfarbe[static_cast<size_t>(k - 1)]; }
};

// A probe point in twips. The rules keep these in 16 bits; a screen wider than 32767 twips
// (2560 pixels at 15 twips per pixel) needs more.
struct ProbePoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ProbePoint&, const ProbePoint&) = default;
};

// The eight probe points of a shape, element k - 1 for probe k. Halves by 2.0, rounded to the
// nearest integer with halves going to the even neighbour (saturating at the int32 limits).
std::array<ProbePoint, 8> probePoints(const PlayerShape& shape);

// Classifies the eight probes (in the order 1, 7, 8, 3, 5, 4, 2, 6) into punktfarbe.
void kollision(Punktfarbe& punktfarbe, const PlayerShape& shape, const Playfield& field);

// Moves the shape vertically by beschleunigung in 2-twip steps, probing after each step and
// stopping at the first contact; beschleunigung itself is left unchanged.
void beschleunigungsetzen(PlayState& state, PlayerShape& shape, const Playfield& field);

// True when any probe is green; then beep() has sounded once.
bool victorycheck(const Punktfarbe& punktfarbe, const std::function<void()>& beep);

// What a tick needs from the window around it.
struct TickHooks {
    KeyState& keys;
    // Lets pending window events run (tick steps 1 and 16). Handlers may change the state
    // (reset the player, move it, close the window). Returns false when the game window has
    // been closed meanwhile: the tick then ends at once. Empty: nothing to run.
    std::function<bool()> processEvents;
    // The system's default beep, sounded once when the goal is reached. May be empty.
    std::function<void()> beep;
    // Refreshes the debug window at the end of a tick that did not reach the goal, when it is
    // visible (the hook decides). May be empty.
    std::function<void()> debugView;
};

struct TickResult {
    bool died = false;         // a probe was red: the player went back to its start
    bool goal = false;         // a probe was green after the vertical movement: the level ends
    bool windowClosed = false; // an event handler closed the game window; the tick stopped there
};

// One 20 ms tick. scaleHeight is the game window's client height in twips, pictureWidth the
// playfield's width in twips (both single precision, as the window reports them).
TickResult tick(PlayState& state, PlayerShape& shape, const Playfield& field, float scaleHeight, float pictureWidth,
                TickHooks& hooks);

// Adds to a 16-bit value, clamping at the 16-bit limits instead of overflowing.
int16_t addClamped(int16_t value, int delta);

} // namespace hopplix
