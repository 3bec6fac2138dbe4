// One game tick as the player gets it: the tick with its two event points and the repaint of
// what moved, on a playfield of about 1920 x 1080 pixels.

#include "bench_level.h"
#include "forms/qt/QtWindowSystem.h"
#include "game/qt/QtPictureDecoder.h"
#include "support/fakes.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace hopplix::bench {
namespace {

// A screen large enough that a 1633 x 918 picture gets a 1920 x 1080 window (1.176 times).
ScreenMetrics bigScreen() { return ScreenMetrics{3840 * 15.0, 2160 * 15.0, 15.0, 15.0}; }

// Counts the paint events of the playfield, to show that every tick did repaint.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

struct Setup {
    QTemporaryDir folder;
    test::FakeKeyState keys;
    test::FakeMessageBoxes messages;
    test::FakeBeeper beeper;
    QtWindowSystem windows;
    QtPictureDecoder pictures;
    std::unique_ptr<Forms> forms;

    explicit Setup(Floor floor)
    {
        const std::filesystem::path root(folder.path().toStdString());
        writeLevel(root, "Bench", 1633, 918, floor);
        Services services{keys, messages, beeper, bigScreen(), root, [] {}};
        services.windows = &windows;
        forms = std::make_unique<Forms>(std::move(services), pictures);
        Form1& game = openLevel(*forms, "Bench");
        game.Timer1()->setEnabled(false); // the benchmark runs the ticks
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(); // shown, framed and painted once
    }
};

void tickWithRepaint(benchmark::State& state, Floor floor)
{
    Setup setup(floor);
    Form1& game = setup.forms->form1();
    PaintCounter counter;
    QWidget* view = widgetOf(*game.Picture1());
    view->installEventFilter(&counter);
    for (auto _ : state) {
        game.Timer1_Timer();
        QCoreApplication::processEvents(); // paints what the tick changed
    }
    view->removeEventFilter(&counter);
    state.counters["playfield_w"] = game.playfield().width();
    state.counters["playfield_h"] = game.playfield().height();
    state.counters["paints_per_tick"] = static_cast<double>(counter.paints) / static_cast<double>(state.iterations());
}

void BM_TickWithRepaint_Bouncing(benchmark::State& state) { tickWithRepaint(state, Floor::Ground); }
void BM_TickWithRepaint_LaunchPad(benchmark::State& state) { tickWithRepaint(state, Floor::LaunchPad); }

// For comparison: what painting the whole playfield costs, which a tick never does.
void BM_WholePlayfieldRepaint(benchmark::State& state)
{
    Setup setup(Floor::Ground);
    QWidget* view = widgetOf(*setup.forms->form1().Picture1());
    for (auto _ : state) {
        view->update();
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_TickWithRepaint_Bouncing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickWithRepaint_LaunchPad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholePlayfieldRepaint)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace hopplix::bench

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
