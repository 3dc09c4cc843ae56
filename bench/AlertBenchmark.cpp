// On demand only: cmake --preset bench && cmake --build --preset bench &&
// QT_QPA_PLATFORM=offscreen build-bench/bench/alert_bench
//
// The time from a ringing alarm to its alert drawn once, at the size of the
// panel on a 1440x900 screen: the view made, laid out and painted.
#include "alert/AlertView.h"
#include "model/RingingAlarm.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void alertDrawn(benchmark::State &state)
{
    const RingingAlarm alarm { QUuid::createUuid(), QString(qsizetype(state.range(0)), u'x'), 0 };
    QImage image(528, 330, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        AlertView view(alarm, {}, {});
        view.resize(image.size());
        view.render(&image);
    }
}
// "Tea", a long sentence, and a label of five million characters.
BENCHMARK(alertDrawn)->Arg(3)->Arg(60)->Arg(5'000'000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
