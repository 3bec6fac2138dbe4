// hopplix_timer_period [SECONDS]
// Opens a level in the real game window with the real platform services and timer, lets it run
// for SECONDS (default 12) and prints the periods between the game timer's ticks: median,
// spread and the drift of the whole run against 20 ms per tick.

#include "bench_level.h"
#include "forms/qt/QtWindowSystem.h"
#include "game/qt/QtPictureDecoder.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using Clock = std::chrono::steady_clock;

class TickStamps : public QObject {
public:
    std::vector<Clock::time_point> ticks;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            ticks.push_back(Clock::now());
        return QObject::eventFilter(watched, event);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 12.0;

    QTemporaryDir folder;
    const std::filesystem::path root(folder.path().toStdString());
    hopplix::bench::writeLevel(root, "Takt", 640, 480, hopplix::bench::Floor::Ground);

    hopplix::QtWindowSystem windows;
    const hopplix::QtPictureDecoder pictures;
    hopplix::Services services{windows.keys(), windows.messages(),   windows.beeper(), hopplix::currentScreenMetrics(),
                               root,           [] { std::_Exit(0); }};
    services.windows = &windows;
    hopplix::Forms forms(std::move(services), pictures);
    hopplix::Form1& game = hopplix::bench::openLevel(forms, "Takt");

    // Stamps each timer event as it is dispatched, before the tick runs.
    TickStamps stamps;
    stamps.ticks.reserve(static_cast<size_t>(seconds * 60));
    QTimer* timer = hopplix::timerOf(*game.Timer1());
    timer->installEventFilter(&stamps);
    std::vector<Clock::time_point>& ticks = stamps.ticks;
    // A loop of its own: quitting the application would close the windows, and closing the
    // launcher ends the program.
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    timer->removeEventFilter(&stamps);

    if (ticks.size() < 3) {
        std::fprintf(stderr, "too few ticks\n");
        return 1;
    }
    std::vector<double> periods;
    for (size_t i = 1; i < ticks.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    std::vector<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    auto quantile = [&](double q) { return sorted[static_cast<size_t>(q * static_cast<double>(sorted.size() - 1))]; };
    double sum = 0;
    for (double p : periods)
        sum += p;
    const double total = std::chrono::duration<double, std::milli>(ticks.back() - ticks.front()).count();
    const double drift = total - 20.0 * static_cast<double>(periods.size());
    // Drift per half: a timer that slips shows a growing lag, not only jitter.
    const size_t half = periods.size() / 2;
    const double firstHalf = std::chrono::duration<double, std::milli>(ticks[half] - ticks.front()).count();
    std::printf("ticks %zu over %.3f s\n", ticks.size(), total / 1000.0);
    std::printf("period ms: median %.3f mean %.3f min %.3f p5 %.3f p95 %.3f max %.3f\n", quantile(0.5),
                sum / static_cast<double>(periods.size()), sorted.front(), quantile(0.05), quantile(0.95),
                sorted.back());
    std::printf("drift against 20 ms per tick: %.3f ms over the run, %.3f ms in its first half\n", drift,
                firstHalf - 20.0 * static_cast<double>(half));
    return 0;
}
