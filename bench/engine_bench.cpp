// Costs of the game's rules: one classification, one probe, the worst tick (a launch pad: 72
// probes), a long fall, and stretching a large level picture over the playfield.
#include "game/Engine.h"
#include "game/KeyScript.h"
#include "game/Layout.h"
#include "game/Playfield.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using namespace hopplix;

// A 1280 x 960 playfield of air with a floor of the given colour in its bottom rows.
Playfield fieldWithFloor(uint32_t floor)
{
    Playfield field(1280, 960);
    for (int y = 900; y < 960; ++y)
        for (int x = 0; x < 1280; ++x)
            field.setPixel(x, y, floor);
    return field;
}

void BM_Classification(benchmark::State& state)
{
    const Playfield field = fieldWithFloor(0x000000);
    int32_t x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(farbechecken(field, x, 13500));
        x = (x + 37) & 0x3FFF;
    }
}
BENCHMARK(BM_Classification);

void BM_Kollision(benchmark::State& state)
{
    const Playfield field = fieldWithFloor(0x000000);
    PlayerShape shape{6000, 12000, 600, 600};
    Punktfarbe p{};
    for (auto _ : state) {
        kollision(p, shape, field);
        benchmark::DoNotOptimize(p);
        shape.Left = shape.Left == 6000 ? 6001 : 6000;
    }
}
BENCHMARK(BM_Kollision);

// Standing on a launch pad: -150, gravity -140, 71 steps up: 72 probes in one tick.
void BM_TickLaunchPad(benchmark::State& state)
{
    const Playfield field = fieldWithFloor(0x800080);
    const PlayerShape onPad{6000, 13500 - 600, 600, 600};
    HeldKeys keys; // none
    TickHooks hooks{keys, {}, {}, {}};
    for (auto _ : state) {
        PlayState play;
        PlayerShape shape = onPad;
        const TickResult result = tick(play, shape, field, field.heightTwips(), field.widthTwips(), hooks);
        benchmark::DoNotOptimize(result);
        if (play.beschleunigung != -150 + 10 || shape.Top != onPad.Top - 142) {
            state.SkipWithError("the launch did not take 71 steps");
            break;
        }
    }
}
BENCHMARK(BM_TickLaunchPad);

// Falling at 600 twips per tick (a minute of free fall is far beyond any screen): 301 probes.
void BM_TickLongFall(benchmark::State& state)
{
    const Playfield field = fieldWithFloor(0x000000);
    const PlayerShape high{6000, 0, 600, 600};
    HeldKeys keys; // none
    TickHooks hooks{keys, {}, {}, {}};
    for (auto _ : state) {
        PlayState play;
        play.beschleunigung = 590;
        PlayerShape shape = high;
        benchmark::DoNotOptimize(tick(play, shape, field, field.heightTwips(), field.widthTwips(), hooks));
    }
}
BENCHMARK(BM_TickLongFall);

Picture largePicture(int width, int height)
{
    Picture picture{width, height, {}};
    picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    uint32_t seed = 12345;
    for (uint32_t& pixel : picture.pixels) {
        seed = seed * 1664525u + 1013904223u;
        pixel = seed >> 8;
    }
    return picture;
}

// A 4000 x 3000 picture on a 1280 x 1024 screen: a client of 1259 x 944 pixels.
void BM_StretchLargePicture(benchmark::State& state)
{
    const Picture picture = largePicture(4000, 3000);
    LayoutRequest request;
    request.pictureWidthPx = picture.width;
    request.pictureHeightPx = picture.height;
    const LevelLayout layout = *layoutLevel(LevelSettings{}, request).layout;
    for (auto _ : state) {
        const Playfield field = Playfield::stretched(picture, layout.client.widthPx, layout.client.heightPx, 15, 15);
        benchmark::DoNotOptimize(field.pixels().data());
    }
    state.SetLabel(std::to_string(layout.client.widthPx) + "x" + std::to_string(layout.client.heightPx));
}
BENCHMARK(BM_StretchLargePicture)->Unit(benchmark::kMillisecond);

// A 1280 x 800 picture enlarged over a 2560 x 1600 client.
void BM_StretchToLargeScreen(benchmark::State& state)
{
    const Picture picture = largePicture(1280, 800);
    for (auto _ : state) {
        const Playfield field = Playfield::stretched(picture, 2560, 1600, 15, 15);
        benchmark::DoNotOptimize(field.pixels().data());
    }
}
BENCHMARK(BM_StretchToLargeScreen)->Unit(benchmark::kMillisecond);

} // namespace
