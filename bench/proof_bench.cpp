// The checker's verdict on three 2000 x 1500 levels that have no route: a goal walled into a
// box, a start sealed in one, and a gap wider than any jump. Each must be proven, not searched.
#include "check/Solver.h"
#include "game/LevelSession.h"
#include "game/TextArt.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace hopplix;

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

struct Block {
    int x0, y0, x1, y1; // pixels, x1 and y1 not included
    char art;
};

struct Painted {
    const char* name;
    std::vector<Block> blocks; // painted in order over white
    int startX, startY;        // pixels
};

// Walls 20 pixels thick, a player of 30 pixels (2 % of the client height).
const std::array<Painted, 3> kLevels{{
    {"goal in a box",
     {{0, 1400, kWidth, kHeight, '#'}, {1200, 900, 1500, 1200, '#'}, {1220, 920, 1480, 1180, 'g'}},
     100,
     1300},
    {"start in a box",
     {{0, 1400, kWidth, kHeight, '#'},
      {1900, 1300, kWidth, 1400, 'g'},
      {50, 1200, 250, 1400, '#'},
      {70, 1220, 230, 1400, '.'}},
     120,
     1300},
    // Shelves of ground on red cliffs, 600 pixels apart; the pit between them open below.
    {"gap beyond any jump",
     {{0, 700, 800, 720, '#'},
      {0, 720, 800, kHeight, 'r'},
      {1400, 700, kWidth, 720, '#'},
      {1400, 720, kWidth, kHeight, 'r'},
      {1900, 660, kWidth, 700, 'g'}},
     100,
     600},
}};

class PaintedDecoder : public PictureDecoder {
public:
    explicit PaintedDecoder(const Painted& level) : level_(level) {}
    PictureError decode(const std::filesystem::path&, PictureRows& rows) const override
    {
        if (!rows.size(kWidth, kHeight))
            return {.refused = true};
        std::vector<std::uint32_t> row(kWidth);
        for (int y = 0; y < kHeight; ++y) {
            std::fill(row.begin(), row.end(), *colourOfArt('.'));
            for (const Block& b : level_.blocks)
                if (y >= b.y0 && y < b.y1)
                    std::fill(row.begin() + b.x0, row.begin() + b.x1, *colourOfArt(b.art));
            rows.row(y, row);
        }
        return {};
    }

private:
    const Painted& level_;
};

void BM_NoRoute(benchmark::State& state)
{
    const Painted& level = kLevels[static_cast<size_t>(state.range(0))];
    const auto folder =
        std::filesystem::temp_directory_path() / ("hopplix-proof-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Level.bmp", std::ios::binary) << "painted by the benchmark";
    std::ofstream(folder / "config.ini", std::ios::binary) << "[Spieler]\nGr\xF6\xDF"
                                                              "e=2%\n[Startposition]\nx="
                                                           << level.startX << "\ny=" << level.startY << "\n";
    const PaintedDecoder decoder(level);
    LevelSession session(decoder);
    PlayState play;
    Viewport viewport;
    viewport.clientWidthPx = kWidth;
    viewport.clientHeightPx = kHeight;
    const bool loaded = session.load(folder, viewport, play).status == LoadStatus::Loaded;
    std::filesystem::remove_all(folder);
    if (!loaded) {
        state.SkipWithError("the level does not load");
        return;
    }
    for (auto _ : state) {
        const check::SolveResult result = check::solve(session, play);
        if (result.outcome != check::SolveOutcome::NoRoute || result.proof.empty()) {
            state.SkipWithError("not proven");
            return;
        }
    }
    state.SetLabel(level.name);
}
BENCHMARK(BM_NoRoute)->DenseRange(0, static_cast<int>(kLevels.size()) - 1)->Unit(benchmark::kMillisecond);

} // namespace
