// On demand only: cmake --preset bench && cmake --build --preset bench && build-bench/bench/store_bench
#include "model/AlarmCodec.h"
#include "model/Clock.h"
#include "store/AbstractAlertPresenter.h"
#include "store/AlarmStore.h"
#include "store/FileDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class FixedClock final : public Clock
{
public:
    Moment now() const override { return 789291000; }
};

class SilentPresenter final : public AbstractAlertPresenter
{
public:
    void show(const RingingAlarm &, Action, Action) override { }
    void hide() override { }
};

// Counts writes, so a benchmark can prove a quiet tick writes nothing.
class CountingDefaults final : public FileDefaults
{
public:
    using FileDefaults::FileDefaults;
    bool setData(const QString &key, const QByteArray &bytes, QString *error) override
    {
        ++writes;
        return FileDefaults::setData(key, bytes, error);
    }
    int writes = 0;
};

QList<Alarm> alarms(int count)
{
    QList<Alarm> list;
    for (int i = 0; i < count; ++i) {
        // All ahead of the clock: nothing is due.
        list.append(Alarm { QUuid::createUuid(), 789291000.0 + 3600 + i,
            QStringLiteral("Alarm %1").arg(i), i % 2 == 0, i % 3 != 0, false });
    }
    return list;
}

struct Bench
{
    QTemporaryDir folder;
    CountingDefaults *defaults = nullptr;
    std::unique_ptr<AlarmStore> store;

    explicit Bench(int count)
    {
        FileDefaults(folder.path())
            .setData(AlarmStore::kDefaultsKey, encodeAlarms(alarms(count)).value(), nullptr);
        auto counting = std::make_unique<CountingDefaults>(folder.path());
        defaults = counting.get();
        store = std::make_unique<AlarmStore>(AlarmStore::Services { std::make_unique<FixedClock>(),
            std::move(counting), std::make_unique<SilentPresenter>(), nullptr });
    }
};

void quietTick(benchmark::State &state)
{
    Bench bench(int(state.range(0)));
    const int writesBefore = bench.defaults->writes;
    for (auto _ : state)
        bench.store->checkAlarms();
    state.counters["writes"] = bench.defaults->writes - writesBefore;
}
BENCHMARK(quietTick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void saveList(benchmark::State &state)
{
    Bench bench(int(state.range(0)));
    const QList<Alarm> list = bench.store->alarms();
    for (auto _ : state)
        bench.store->setAlarms(list); // equal list: saved, nobody told
}
BENCHMARK(saveList)->Arg(1000)->Unit(benchmark::kMicrosecond);

void loadList(benchmark::State &state)
{
    QTemporaryDir folder;
    FileDefaults(folder.path())
        .setData(
            AlarmStore::kDefaultsKey, encodeAlarms(alarms(int(state.range(0)))).value(), nullptr);
    for (auto _ : state) {
        const FileDefaults defaults(folder.path());
        QByteArray bytes;
        defaults.data(AlarmStore::kDefaultsKey, bytes);
        auto decoded = decodeAlarms(bytes);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(loadList)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
