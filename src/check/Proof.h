#pragma once
// Proving that a level has no route, from what the walls alone allow: an over-approximation of
// the player's movement that every real route maps onto, so when it cannot touch green, no
// route can.

#include "game/LevelSession.h"

#include <optional>
#include <string>

namespace hopplix::check {

// Why the level open in `session` cannot be finished from the player's place there, moving as
// `state` says (its speed and leap flag), or nullopt
// when this cannot be proven (or the level is outside what the proof covers: a start far off
// the picture, a player wider than the screen).
//
// The proof plays the tick on cells of one pixel of Left and one of Top, with every speed at
// once: each probe reads any of the pixels its point can round to from somewhere in the cell,
// every rule that may fire fires in one branch and not in another, a speed no rule sets is any
// speed, a movement may end on any step and ends where the rules stop it, and strides and
// steps land on every cell their twips can reach. A death goes back to the start. Each real
// tick is one of these branches, so the cells reached hold every place a route can be. When
// green is among them, two finer proofs follow: one that bounds each flight through free air
// as a whole (how high and how long it can stay up), and one that keeps each cell's speeds.
std::optional<std::string> proveNoRoute(const LevelSession& session, const PlayState& state);

} // namespace hopplix::check
