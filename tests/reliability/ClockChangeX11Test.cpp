// The real program under a faked wall clock in Berlin, across the night the
// clocks go forward, the night they go back, and a clock set forward by a day
// or back by a few seconds while the program runs. Every ring is counted
// twice: by the panels that come up (each answered with "Dismiss", as a user
// does) and by the store's log, which also tells when it rang.

#include "DesktopProgram.h"

#include "support/TestMoments.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A daily or one-time alarm, its moment written with its UTC offset.
struct StoredAlarm
{
    QString label;
    QString fireDate;
    bool daily = false;
    bool enabled = true;
};

// The clock is set to `clock` (or just before it), and exactly the alarms due
// at `rings` ring, in that order, each once.
struct Step
{
    QString clock;
    QStringList rings;
};

// An alarm is due on screen within 1.2 s of its moment (a tick every second,
// up to 0.2 s late). On a loaded machine the program and the polling of the
// screen may lag behind that; this much more is allowed, and the figures seen
// are printed.
constexpr double kOnTimeSeconds = 1.2;
constexpr double kLoadSlackSeconds = 0.8;
// Long enough after the last ring for another tick to pass.
constexpr int kQuietMs = 1300;

} // namespace

Q_DECLARE_METATYPE(QList<StoredAlarm>)
Q_DECLARE_METATYPE(QList<Step>)

class ClockChangeX11Test : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DesktopProgram> m_program;
    QProcess *m_brisvane = nullptr;
    double m_worstRing = 0;
    double m_worstPanel = 0;

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = DesktopProgram::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_program = std::make_unique<DesktopProgram>(u"ClockChangeX11Test"_s);
        QVERIFY2(m_program->isRunning(), qPrintable(m_program->errorString()));
    }

    // A row that failed half-way leaves its program running.
    void cleanup()
    {
        if (m_brisvane)
            QVERIFY(DesktopProgram::stop(m_brisvane));
        m_brisvane = nullptr;
    }

    void cleanupTestCase()
    {
        m_program.reset();
        qInfo(
            "worst delay from an alarm's moment to its ring %.3f s, to its panel on screen %.3f s",
            m_worstRing, m_worstPanel);
    }

    void ringsOnceAcrossClockChanges_data()
    {
        QTest::addColumn<QList<StoredAlarm>>("alarms");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QList<StoredAlarm>>("after");

        // 02:00 standard time becomes 03:00 summer time. The alarm rang the
        // night before at 02:30 as usual; tonight 02:30 does not exist, so it
        // rings at 03:00, and keeps 03:00 from then on.
        QTest::newRow("spring night")
            << QList<StoredAlarm> { { u"Spring"_s, u"2026-03-28T02:30:00+01:00"_s, true } }
            << QList<Step> { { u"2026-03-28T02:30:00+01:00"_s, { u"2026-03-28T02:30:00+01:00"_s } },
                   { u"2026-03-29T01:59:59+01:00"_s, { u"2026-03-29T03:00:00+02:00"_s } } }
            << QList<StoredAlarm> { { u"Spring"_s, u"2026-03-30T03:00:00+02:00"_s, true } };

        // 03:00 summer time becomes 02:00 standard time: 02:30 comes twice
        // and the alarm rings at the first.
        QTest::newRow("autumn night")
            << QList<StoredAlarm> { { u"Autumn"_s, u"2026-10-24T02:30:00+02:00"_s, true } }
            << QList<Step> { { u"2026-10-24T02:30:00+02:00"_s, { u"2026-10-24T02:30:00+02:00"_s } },
                   { u"2026-10-25T02:29:59+02:00"_s, { u"2026-10-25T02:30:00+02:00"_s } },
                   { u"2026-10-25T02:29:59+01:00"_s, {} } }
            << QList<StoredAlarm> { { u"Autumn"_s, u"2026-10-26T02:30:00+01:00"_s, true } };

        // A day passes in an instant: both alarms of that day ring, once each,
        // in stored order, and the daily one moves to the new day.
        QTest::newRow("clock set forward by a day")
            << QList<StoredAlarm> { { u"Daily"_s, u"2026-01-05T07:30:00+01:00"_s, true },
                   { u"Once"_s, u"2026-01-05T12:00:00+01:00"_s, false } }
            << QList<Step> { { u"2026-01-05T07:00:00+01:00"_s, {} },
                   { u"2026-01-06T07:00:00+01:00"_s,
                       { u"2026-01-05T07:30:00+01:00"_s, u"2026-01-05T12:00:00+01:00"_s } } }
            << QList<StoredAlarm> { { u"Daily"_s, u"2026-01-06T07:30:00+01:00"_s, true },
                   { u"Once"_s, u"2026-01-05T12:00:00+01:00"_s, false, false } };

        // Both ring at 07:30; the clock then goes back before 07:30 and
        // passes it again: nothing rings a second time.
        QTest::newRow("clock set back")
            << QList<StoredAlarm> { { u"Daily"_s, u"2026-01-05T07:30:00+01:00"_s, true },
                   { u"Once"_s, u"2026-01-05T07:30:00+01:00"_s, false } }
            << QList<Step> { { u"2026-01-05T07:29:59+01:00"_s,
                                 { u"2026-01-05T07:30:00+01:00"_s,
                                     u"2026-01-05T07:30:00+01:00"_s } },
                   { u"2026-01-05T07:29:59+01:00"_s, {} } }
            << QList<StoredAlarm> { { u"Daily"_s, u"2026-01-06T07:30:00+01:00"_s, true },
                   { u"Once"_s, u"2026-01-05T07:30:00+01:00"_s, false, false } };
    }

    void ringsOnceAcrossClockChanges()
    {
        QFETCH(QList<StoredAlarm>, alarms);
        QFETCH(QList<Step>, steps);
        QFETCH(QList<StoredAlarm>, after);

        DesktopProgram &program = *m_program;
        program.newHome();
        QList<Alarm> stored;
        for (const StoredAlarm &alarm : alarms) {
            Alarm a;
            a.label = alarm.label;
            a.fireDate = momentFromIso(alarm.fireDate);
            a.repeatsDaily = alarm.daily;
            stored.append(a);
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
            const qint64 quietFrom = program.monotonicWhen(watchTo);
            QList<DesktopProgram::Event> rings;
            QString failure;
            const QList<DesktopProgram::Panel> panels = program.dismissPanelsUntil(
                [&] {
                    rings = DesktopProgram::ofKind(
                        program.events(brisvane), DesktopProgram::Event::Kind::Ring, stepStart);
                    const qint64 lastRing = rings.isEmpty() ? 0 : rings.constLast().at;
                    const qint64 now = DesktopProgram::monotonicNow();
                    return rings.size() >= expected.size() && now >= quietFrom + kQuietMs
                        && now >= lastRing + kQuietMs;
                },
                15000, &failure);
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
                m_worstRing = std::max(m_worstRing, late);
                QVERIFY2(rangAt >= ring.scheduledFor - 0.05,
                    qPrintable(u"rang %1 s early"_s.arg(ring.scheduledFor - rangAt)));
                QVERIFY2(late <= kOnTimeSeconds + kLoadSlackSeconds,
                    qPrintable(u"rang %1 s late"_s.arg(late)));
            }
            if (!panels.isEmpty()) {
                const double late = program.clockAt(panels.constFirst().seenAt)
                    - std::max(expected.constFirst(), clockAtStart);
                m_worstPanel = std::max(m_worstPanel, late);
                QVERIFY2(late <= kOnTimeSeconds + kLoadSlackSeconds,
                    qPrintable(u"on screen %1 s late"_s.arg(late)));
            }
        }

        // The alarms moved on as they should.
        const QList<Alarm> now = program.storedAlarms();
        QCOMPARE(now.size(), after.size());
        for (qsizetype i = 0; i < after.size(); ++i) {
            QCOMPARE(now.at(i).label, after.at(i).label);
            QCOMPARE(isoFromMoment(now.at(i).fireDate, 0),
                isoFromMoment(momentFromIso(after.at(i).fireDate), 0));
            QCOMPARE(now.at(i).repeatsDaily, after.at(i).daily);
            QCOMPARE(now.at(i).isEnabled, after.at(i).enabled);
        }
    }
};

QTEST_GUILESS_MAIN(ClockChangeX11Test)
#include "ClockChangeX11Test.moc"
