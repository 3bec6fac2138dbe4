// hopplix_timer_period_win32 PROGRAM_FOLDER [TICKS]
// Opens the first bundled level (PROGRAM_FOLDER\Level\1 Erste Schritte) in the real game window
// on the Windows backend and its timer, lets it tick TICKS times (default 500) and prints the
// periods between the game timer's ticks: median, spread and the drift of the whole run
// against 20 ms per tick.

#include "app/Forms.h"
#include "forms/win32/Win32WindowSystem.h"
#include "game/PictureDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: hopplix_timer_period_win32 PROGRAM_FOLDER [TICKS]\n");
        return 2;
    }
    const std::size_t wanted = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 500;
    hopplix::Win32WindowSystem windows;
    const hopplix::BmpPictureDecoder pictures;
    hopplix::Services services{windows.keys(),
                               windows.messages(),
                               windows.beeper(),
                               hopplix::currentScreenMetrics(),
                               std::filesystem::u8path(argv[1]),
                               [] { std::_Exit(0); }};
    services.windows = &windows;
    hopplix::Forms forms(std::move(services), pictures);
    forms.form3().levelpfad = "1 Erste Schritte";
    forms.form3().Spielerfarbe = "33023";
    hopplix::Form1& game = forms.form1();
    game.Load();
    if (!game.isLoaded()) {
        std::fprintf(stderr, "the level did not open\n");
        return 1;
    }
    game.Show();

    // Stamps each tick as it is dispatched, before the game's tick runs.
    std::vector<Clock::time_point> ticks;
    ticks.reserve(wanted + 1);
    hopplix::Timer& timer = *game.Timer1();
    const auto tick = timer.onTimer;
    timer.onTimer = [&] {
        ticks.push_back(Clock::now());
        if (ticks.size() > wanted)
            windows.quit(0);
        tick();
    };
    windows.run();

    if (ticks.size() < 3) {
        std::fprintf(stderr, "too few ticks\n");
        return 1;
    }
    std::vector<double> periods;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    std::vector<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    auto quantile = [&](double q) {
        return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1))];
    };
    double sum = 0;
    for (double p : periods)
        sum += p;
    const double total = std::chrono::duration<double, std::milli>(ticks.back() - ticks.front()).count();
    std::printf("ticks %zu over %.3f s\n", ticks.size(), total / 1000.0);
    std::printf("period ms: median %.3f mean %.3f min %.3f p5 %.3f p95 %.3f max %.3f\n", quantile(0.5),
                sum / static_cast<double>(periods.size()), sorted.front(), quantile(0.05), quantile(0.95),
                sorted.back());
    std::printf("drift against 20 ms per tick: %.3f ms over the run\n",
                total - 20.0 * static_cast<double>(periods.size()));
    return 0;
}
