#include "store/TickSchedule.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

namespace {

double phase(Moment moment)
{
    return moment - std::floor(moment);
}

} // namespace

class TickScheduleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Fresh starts at any fraction of a second, ticks a little late, and the
    // wall clock jumping under them: within six ticks of each they run a few
    // milliseconds after the second, every interval within 1.0-1.2 s.
    void settlesOnTheSecond_data()
    {
        QTest::addColumn<double>("jump");
        QTest::newRow("steady clock") << 0.0;
        QTest::newRow("clock forward") << 3600.37;
        QTest::newRow("clock back") << -1.5;
        QTest::newRow("a small slew back") << -0.02;
    }
    void settlesOnTheSecond()
    {
        QFETCH(double, jump);
        for (int start = 0; start < 50; ++start) {
            const Moment created = 800000000 + QRandomGenerator::global()->bounded(1.0);
            Moment scheduled = created + TickSchedule::kPeriod;
            for (int tick = 1; tick <= 20; ++tick) {
                const double lateness = QRandomGenerator::global()->bounded(0.002);
                const Moment now = scheduled + lateness + (tick == 10 ? jump : 0);
                const Moment next = TickSchedule::next(scheduled, now);
                const Moment base = tick == 10 && std::abs(jump) > 0.05 ? now : scheduled;
                QVERIFY2(next - base >= TickSchedule::kPeriod - 1e-6
                        && next - base <= TickSchedule::kPeriod + TickSchedule::kTolerance + 1e-6,
                    qPrintable(QString::number(next - base)));
                if (tick >= 6 && (tick < 10 || tick >= 16))
                    QCOMPARE(std::round(phase(next) * 1e4) / 1e4, TickSchedule::kPhase);
                scheduled = next;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TickScheduleTest)
#include "TickScheduleTest.moc"
