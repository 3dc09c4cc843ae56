#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

Alarm makeAlarm(const QString &fireDate, const QString &label, bool daily = false)
{
    return Alarm { QUuid::createUuid(), momentFromIso(fireDate), label, daily, true, false };
}

} // namespace

class AlarmWatchingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oneTimeAlarm_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<bool>("rings");
        QTest::newRow("half a second early") << u"2026-01-05T07:59:59.5+01:00"_s << false;
        QTest::newRow("exactly due") << u"2026-01-05T08:00:00+01:00"_s << true;
        QTest::newRow("a tick late") << u"2026-01-05T08:00:01.2+01:00"_s << true;
        QTest::newRow("days late") << u"2026-01-09T11:30:00+01:00"_s << true;
    }
    void oneTimeAlarm()
    {
        QFETCH(QString, now);
        QFETCH(bool, rings);
        StoreFixture f;
        const Alarm alarm = makeAlarm(u"2026-01-05T08:00:00+01:00"_s, u"Bins"_s);
        f.writeStored(encodeAlarms({ alarm }).value());
        AlarmStore &store = f.start();
        const int writes = *f.writes;
        *f.time = momentFromIso(now);

        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), rings ? 1 : 0);
        QCOMPARE(*f.writes - writes, rings ? 1 : 0);
        if (!rings)
            return;
        const RingingAlarm &rung = f.presenter->shown.constFirst();
        QCOMPARE(rung.label, u"Bins"_s);
        QCOMPARE(rung.scheduledFor, alarm.fireDate); // when it was due, not now
        QVERIFY(rung.id != alarm.id);
        Alarm off = alarm;
        off.isEnabled = false;
        QCOMPARE(f.storedAlarms(), QList<Alarm> { off });

        // Later ticks leave it alone and write nothing.
        *f.time += 3600;
        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), 1);
        QCOMPARE(*f.writes - writes, 1);
    }

    void dailyAlarmAfterALongSleepRingsOnceAndMovesOn()
    {
        StoreFixture f;
        // Due Monday 08:00; the machine sleeps until Wednesday 11:30.
        const Alarm alarm = makeAlarm(u"2026-01-05T08:00:00+01:00"_s, u"Gym"_s, true);
        f.writeStored(encodeAlarms({ alarm }).value());
        AlarmStore &store = f.start();
        *f.time = momentFromIso(u"2026-01-07T11:30:00+01:00"_s);
        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), 1);
        QCOMPARE(f.presenter->shown.constFirst().scheduledFor, alarm.fireDate);
        QCOMPARE(
            store.alarms().constFirst().fireDate, momentFromIso(u"2026-01-08T08:00:00+01:00"_s));
        QVERIFY(store.alarms().constFirst().isEnabled);
    }

    void dailyAlarmAcrossTheClockChanges_data()
    {
        QTest::addColumn<QString>("fireDate");
        QTest::addColumn<QString>("nextFireDate");
        QTest::newRow("spring: 02:30 rang at 03:00, next is 03:00")
            << u"2026-03-29T03:00:00+02:00"_s << u"2026-03-30T03:00:00+02:00"_s;
        QTest::newRow("autumn: the first 02:30 rang, not again that night")
            << u"2026-10-25T02:30:00+02:00"_s << u"2026-10-26T02:30:00+01:00"_s;
    }
    void dailyAlarmAcrossTheClockChanges()
    {
        QFETCH(QString, fireDate);
        QFETCH(QString, nextFireDate);
        StoreFixture f;
        f.writeStored(encodeAlarms({ makeAlarm(fireDate, u"Night"_s, true) }).value());
        AlarmStore &store = f.start();
        *f.time = momentFromIso(fireDate) + 0.5;
        store.checkAlarms();
        QCOMPARE(store.alarms().constFirst().fireDate, momentFromIso(nextFireDate));
        // Ticking on through the rest of the night rings nothing more.
        for (int minute = 1; minute <= 120; ++minute) {
            *f.time = momentFromIso(fireDate) + minute * 60;
            store.checkAlarms();
        }
        QCOMPARE(f.presenter->shown.size(), 1);
    }

    void snoozeAlarms()
    {
        StoreFixture f;
        Alarm due = makeAlarm(u"2026-01-05T08:05:00+01:00"_s, u"Tea"_s);
        due.isSnooze = true;
        Alarm switchedOff = makeAlarm(u"2026-01-05T09:00:00+01:00"_s, u"Later"_s);
        switchedOff.isSnooze = true;
        switchedOff.isEnabled = false;
        const Alarm other = makeAlarm(u"2026-01-06T08:00:00+01:00"_s, u"Stays"_s);
        f.writeStored(encodeAlarms({ due, other, switchedOff }).value());
        AlarmStore &store = f.start();
        const int writes = *f.writes;
        *f.time = momentFromIso(u"2026-01-05T08:05:00.3+01:00"_s);

        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), 1); // the switched-off snooze never rings
        QCOMPARE(f.presenter->shown.constFirst().label, u"Tea"_s);
        QCOMPARE(store.alarms(), QList<Alarm> { other }); // both snoozes gone,
        QCOMPARE(*f.writes - writes, 1); // in one save
    }

    void aSwitchedOffSnoozeLeavesAtTheNextQuietTick()
    {
        StoreFixture f;
        Alarm snooze = makeAlarm(u"2026-01-05T09:00:00+01:00"_s, u"Later"_s);
        snooze.isSnooze = true;
        snooze.isEnabled = false;
        f.writeStored(encodeAlarms({ snooze }).value());
        AlarmStore &store = f.start();
        *f.time = momentFromIso(u"2026-01-05T08:00:00+01:00"_s);
        store.checkAlarms();
        QVERIFY(store.alarms().isEmpty());
        QVERIFY(f.presenter->shown.isEmpty());
    }

    void disabledPastAlarmIsNeverTouched()
    {
        StoreFixture f;
        Alarm off = makeAlarm(u"2026-01-01T08:00:00+01:00"_s, u"Off"_s);
        off.isEnabled = false;
        f.writeStored(encodeAlarms({ off }).value());
        AlarmStore &store = f.start();
        const int writes = *f.writes;
        *f.time = momentFromIso(u"2026-01-05T08:00:00+01:00"_s);
        for (int i = 0; i < 5; ++i, *f.time += 1)
            store.checkAlarms();
        QVERIFY(f.presenter->shown.isEmpty());
        QCOMPARE(store.alarms(), QList<Alarm> { off });
        QCOMPARE(*f.writes, writes); // quiet ticks write nothing
        QCOMPARE(f.alarmsChanged->count(), 0);
    }

    void severalDueRingInStoredOrder()
    {
        StoreFixture f;
        const Alarm addedFirst = makeAlarm(u"2026-01-05T08:00:00+01:00"_s, u"first added"_s);
        const Alarm addedLater = makeAlarm(u"2026-01-05T07:00:00+01:00"_s, u"earlier time"_s);
        f.writeStored(encodeAlarms({ addedFirst, addedLater }).value());
        AlarmStore &store = f.start();
        *f.time = momentFromIso(u"2026-01-05T08:00:00+01:00"_s);
        store.checkAlarms();
        QCOMPARE(f.presenter->shown.size(), 1);
        QCOMPARE(f.presenter->current->label, u"first added"_s);
        QCOMPARE(store.ringing().size(), 2);
        QCOMPARE(store.ringing().at(1).label, u"earlier time"_s);
    }

    void firstTickComesOneSecondAfterCreation()
    {
        StoreFixture f;
        const Alarm due = makeAlarm(u"2026-01-05T08:00:00+01:00"_s, u"Missed while off"_s);
        f.writeStored(encodeAlarms({ due }).value());
        *f.time = momentFromIso(u"2026-01-05T09:00:00+01:00"_s);
        QElapsedTimer clock;
        clock.start();
        f.start();
        QVERIFY(f.presenter->shown.isEmpty()); // no check during creation
        QTRY_COMPARE_WITH_TIMEOUT(f.presenter->shown.size(), 1, 3000);
        QVERIFY2(clock.elapsed() >= 900 && clock.elapsed() <= 1500,
            qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(AlarmWatchingTest)
#include "AlarmWatchingTest.moc"
