// The real program under a faked wall clock in Berlin, across the night the
// clocks go forward, the night they go back, and a clock set forward by a day
// or back while it runs. Every ring is counted twice: by the panels that come
// up (each answered with "Dismiss") and by the store's log, which says when.

#include "DesktopProgram.h"

#include "support/TestMoments.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// An alarm's moment, written with its UTC offset, and for a daily one the
// moment it has moved on to in the end; a one-time alarm ends up off.
struct StoredAlarm
{
    QString fireDate;
    QString next;
};

// The clock is set to `clock` (or just before it), and exactly the alarms due
// at `rings` ring, in that order, each once.
struct Step
{
    QString clock;
    QStringList rings;
};

// A tick every second, and slack for a loaded machine.
constexpr double kOnTimeSeconds = 2.0;

} // namespace

Q_DECLARE_METATYPE(QList<StoredAlarm>)
Q_DECLARE_METATYPE(QList<Step>)

class ClockChangeX11Test : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DesktopProgram> m_program;
    QProcess *m_brisvane = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = DesktopProgram::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_program = std::make_unique<DesktopProgram>();
        QVERIFY2(m_program->isRunning(), qPrintable(m_program->errorString()));
    }

    // A row that failed half-way leaves its program running.
    void cleanup()
    {
        if (m_brisvane) {
            m_brisvane->kill();
            QVERIFY(m_brisvane->waitForFinished(5000));
        }
        m_brisvane = nullptr;
    }

    void cleanupTestCase() { m_program.reset(); }

    void ringsOnceAcrossClockChanges_data()
    {
        QTest::addColumn<QList<StoredAlarm>>("alarms");
        QTest::addColumn<QList<Step>>("steps");

        // 02:00 standard time becomes 03:00 summer time. The alarm rang the
        // night before at 02:30 as usual; tonight 02:30 does not exist, so it
        // rings at 03:00, and keeps 03:00 from then on.
        QTest::newRow("spring night")
            << QList<StoredAlarm> { { u"2026-03-28T02:30:00+01:00"_s,
                   u"2026-03-30T03:00:00+02:00"_s } }
            << QList<Step> { { u"2026-03-28T02:30:00+01:00"_s, { u"2026-03-28T02:30:00+01:00"_s } },
                   { u"2026-03-29T01:59:59+01:00"_s, { u"2026-03-29T03:00:00+02:00"_s } } };

        // 03:00 summer time becomes 02:00 standard time: 02:30 comes twice
        // and the alarm rings at the first.
        QTest::newRow("autumn night")
            << QList<StoredAlarm> { { u"2026-10-24T02:30:00+02:00"_s,
                   u"2026-10-26T02:30:00+01:00"_s } }
            << QList<Step> { { u"2026-10-24T02:30:00+02:00"_s, { u"2026-10-24T02:30:00+02:00"_s } },
                   { u"2026-10-25T02:29:59+02:00"_s, { u"2026-10-25T02:30:00+02:00"_s } },
                   { u"2026-10-25T02:29:59+01:00"_s, {} } };

        // A day passes in an instant: both alarms of that day ring, once each,
        // in stored order, and the daily one moves to the new day.
        QTest::newRow("clock set forward by a day")
            << QList<StoredAlarm> { { u"2026-01-05T07:30:00+01:00"_s,
                                        u"2026-01-06T07:30:00+01:00"_s },
                   { u"2026-01-05T12:00:00+01:00"_s, {} } }
            << QList<Step> { { u"2026-01-05T07:00:00+01:00"_s, {} },
                   { u"2026-01-06T07:00:00+01:00"_s,
                       { u"2026-01-05T07:30:00+01:00"_s, u"2026-01-05T12:00:00+01:00"_s } } };

        // Both ring at 07:30; the clock then goes back before 07:30 and
        // passes it again: nothing rings a second time.
        QTest::newRow("clock set back")
            << QList<StoredAlarm> { { u"2026-01-05T07:30:00+01:00"_s,
                                        u"2026-01-06T07:30:00+01:00"_s },
                   { u"2026-01-05T07:30:00+01:00"_s, {} } }
            << QList<Step> {
                   { u"2026-01-05T07:29:59+01:00"_s,
                       { u"2026-01-05T07:30:00+01:00"_s, u"2026-01-05T07:30:00+01:00"_s } },
                   { u"2026-01-05T07:29:59+01:00"_s, {} }
               };
    }

    void ringsOnceAcrossClockChanges()
    {
        QFETCH(QList<StoredAlarm>, alarms);
        QFETCH(QList<Step>, steps);

        DesktopProgram &program = *m_program;
        program.newHome();
        QList<Alarm> stored;
        QList<Alarm> after;
        for (const StoredAlarm &alarm : alarms) {
            Alarm a;
            a.fireDate = momentFromIso(alarm.fireDate);
            a.repeatsDaily = !alarm.next.isEmpty();
            stored.append(a);
            a.fireDate = a.repeatsDaily ? momentFromIso(alarm.next) : a.fireDate;
            a.isEnabled = a.repeatsDaily;
            after.append(a);
        }
        QVERIFY(program.storeAlarms(stored));

        QProcess *&brisvane = m_brisvane;
        for (const Step &step : steps) {
            QVERIFY(program.setClock(momentFromIso(step.clock)));
            const qint64 stepStart = DesktopProgram::monotonicNow();
            if (!brisvane) {
                brisvane = program.start();
                QVERIFY2(program.waitUntilReady(brisvane),
                    program.session().clientOutput(brisvane).constData());
            }
            // Delays count from the alarm's moment, or from when the clock
            // jumped past it, or the program came up after it.
            const Moment clockAtStart = program.clockAt(DesktopProgram::monotonicNow());
            QList<Moment> expected;
            for (const QString &due : step.rings)
                expected.append(momentFromIso(due));
            // Watch until every expected ring has come and the clock has run
            // well past the last of them, and past the step's own moment.
            Moment watchTo = momentFromIso(step.clock);
            for (Moment due : expected)
                watchTo = std::max(watchTo, due);
            const auto [rings, panels, failure] = program.answerRings(
                { brisvane }, stepStart, expected.size(), program.monotonicWhen(watchTo), 15000);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QVERIFY(DesktopProgram::isAlive(brisvane));

            QList<Moment> rang;
            for (const DesktopProgram::Event &ring : rings)
                rang.append(ring.scheduledFor);
            QCOMPARE(rang, expected);
            QCOMPARE(panels.size(), expected.size());

            // Never before its moment, and on time after it (or after the
            // clock jumped past it).
            for (const DesktopProgram::Event &ring : rings) {
                const Moment rangAt = program.clockAt(ring.at);
                const double late = rangAt - std::max(ring.scheduledFor, clockAtStart);
                QVERIFY2(rangAt >= ring.scheduledFor - 0.05 && late <= kOnTimeSeconds,
                    qPrintable(u"rang %1 s after its moment"_s.arg(rangAt - ring.scheduledFor)));
            }
        }

        // The alarms moved on as they should.
        QCOMPARE(program.storedAlarms(), after);
    }
};

QTEST_GUILESS_MAIN(ClockChangeX11Test)
#include "ClockChangeX11Test.moc"
