#pragma once
// Finding a route through a level: a best-first search over the keys held in each tick, played
// by the level session itself, so a route it finds is one the game plays the same way.

#include "game/KeyScript.h"
#include "game/LevelSession.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hopplix::check {

struct SolveLimits {
    int maxTicks = 15000; // the longest route: 5 minutes of game time
    // The memory the search may hold: its share of the checker's 256 MiB, the level and the
    // program holding the rest.
    std::size_t maxBytes = std::size_t{240} << 20;
    bool prove = true; // try proveNoRoute before searching
};

enum class SolveOutcome {
    Solved,      // route leads to the goal
    NoRoute,     // proven (see proof), or every state within maxTicks was tried
    OutOfMemory, // the search filled maxBytes before a route turned up: nothing is proven
};

struct SolveResult {
    SolveOutcome outcome = SolveOutcome::NoRoute;
    std::vector<KeyMask> route; // the keys of each tick, the last one reaching the goal
    std::uint64_t ticks = 0;    // ticks played by the search
    std::size_t states = 0;     // the most distinct states held at once
    std::string proof;          // for NoRoute before any search: why no route can exist
};

// Searches from the player's place in `session` with the speed and leap flag of `start` (a
// level's first tick starts with 0 and false). A state is the player's Left and Top, the speed
// and the leap flag: nothing else carries over from one tick to the next, so states met twice
// are searched once. The next state tried is the one nearest to the goal by a distance map of
// the level (the way around walls, ignoring gravity), plus a little for the ticks spent. Quick
// passes that try only a few states of each small cell of position and speed come first; the
// last pass tries every state. Before all that, proveNoRoute may settle it without a search.
// The player is put back at its start afterwards.
SolveResult solve(LevelSession& session, const PlayState& start, const SolveLimits& limits = {});

} // namespace hopplix::check
