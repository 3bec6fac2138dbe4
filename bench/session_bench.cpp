// Ticks per second through the level session: each bundled level played with its key script,
// over and over from its start; and the ticks per second the solver plays while it searches.
#include "check/Solver.h"
#include "game/KeyScript.h"
#include "game/LevelSession.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace hopplix;

constexpr std::array<const char*, 6> kLevels{"1 Erste Schritte", "2 Die Treppe",   "3 Orangene Wand",
                                             "4 Sprungbrett",    "5 Rutschpartie", "6 Feuerlauf"};

std::vector<KeyMask> readScript(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return parseKeyScript(std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}).ticks;
}

void BM_SessionTick(benchmark::State& state)
{
    const std::string name = kLevels[static_cast<size_t>(state.range(0))];
    const BmpPictureDecoder decoder;
    LevelSession session(decoder);
    PlayState play;
    if (session.load(std::filesystem::path(HOPPLIX_SOURCE_DIR) / "levels" / name, Viewport{}, play).status
        != LoadStatus::Loaded) {
        state.SkipWithError("the level does not load");
        return;
    }
    const std::vector<KeyMask> script =
        readScript(std::filesystem::path(HOPPLIX_SOURCE_DIR) / "levels-src" / name / "keys.txt");
    const PlayerShape start = session.player();
    HeldKeys keys;
    TickHooks hooks{keys, {}, {}, {}};
    size_t at = 0;
    for (auto _ : state) {
        if (at == script.size()) {
            at = 0;
            session.movePlayerTo(start.Left, start.Top);
            play.beschleunigung = 0;
            play.stehend = kFalse;
        }
        keys.held = script[at++];
        if (session.tick(play, hooks).goal)
            at = script.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(name);
}
BENCHMARK(BM_SessionTick)->DenseRange(0, static_cast<int>(kLevels.size()) - 1);

// A whole search, from laying out the distance map to the route; the two longest searches.
void BM_Solve(benchmark::State& state)
{
    const std::string name = kLevels[static_cast<size_t>(state.range(0))];
    const BmpPictureDecoder decoder;
    LevelSession session(decoder);
    PlayState play;
    if (session.load(std::filesystem::path(HOPPLIX_SOURCE_DIR) / "levels" / name, Viewport{}, play).status
        != LoadStatus::Loaded) {
        state.SkipWithError("the level does not load");
        return;
    }
    std::uint64_t ticks = 0;
    for (auto _ : state) {
        const check::SolveResult result = check::solve(session, play);
        if (result.outcome != check::SolveOutcome::Solved) {
            state.SkipWithError("no route");
            return;
        }
        ticks += result.ticks;
        state.counters["route"] = static_cast<double>(result.route.size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(ticks));
    state.SetLabel(name);
}
BENCHMARK(BM_Solve)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond);

} // namespace
