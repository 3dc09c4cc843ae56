#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

Alarm dailyGym()
{
    return Alarm { QUuid::createUuid(), momentFromIso(u"2026-01-05T08:00:00+01:00"_s), u"Gym"_s,
        true, true, false };
}

// A daily alarm that has rung and is on screen.
AlarmStore &ringDaily(StoreFixture &f, const Alarm &alarm)
{
    f.writeStored(encodeAlarms({ alarm }).value());
    AlarmStore &store = f.start();
    *f.time = alarm.fireDate;
    store.checkAlarms();
    return store;
}

RingingAlarm ringingAt(const QString &label, const QString &scheduledFor)
{
    return RingingAlarm { QUuid::createUuid(), label, momentFromIso(scheduledFor) };
}

} // namespace

class RingingQueueTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void threeInARow()
    {
        StoreFixture f;
        AlarmStore &store = f.start();
        const QString at = u"2026-01-05T08:00:00+01:00"_s;
        store.ring(ringingAt(u"one"_s, at));
        store.ring(ringingAt(u"two"_s, at));
        store.ring(ringingAt(u"three"_s, at));
        QCOMPARE(f.presenter->shown.size(), 1); // the screen does not change while queued
        QCOMPARE(f.ringingChanged->count(), 3);

        for (const QString &next : { u"two"_s, u"three"_s }) {
            f.presenter->pressDismiss();
            QCOMPARE(f.presenter->current->label, next);
        }
        f.presenter->pressDismiss();
        QVERIFY(!f.presenter->current);
        QVERIFY(store.ringing().isEmpty());
        QCOMPARE(f.presenter->hides, 1);
        QCOMPARE(f.presenter->shown.size(), 3);
        QVERIFY(store.alarms().isEmpty()); // dismissing adds nothing
    }

    void snoozeTimes_data()
    {
        QTest::addColumn<QString>("scheduledFor");
        QTest::addColumn<QString>("pressedAt");
        QTest::addColumn<QString>("snoozeFireDate");
        QTest::newRow("within five minutes")
            << u"2026-01-05T08:00:00+01:00"_s << u"2026-01-05T08:02:00+01:00"_s
            << u"2026-01-05T08:05:00+01:00"_s;
        QTest::newRow("later than five minutes")
            << u"2026-01-05T08:00:00+01:00"_s << u"2026-01-05T08:07:00+01:00"_s
            << u"2026-01-05T08:12:00+01:00"_s;
        QTest::newRow("exactly five minutes")
            << u"2026-01-05T08:00:00+01:00"_s << u"2026-01-05T08:05:00+01:00"_s
            << u"2026-01-05T08:10:00+01:00"_s;
        QTest::newRow("test alert at once")
            << u"2026-01-05T08:00:00.25+01:00"_s << u"2026-01-05T08:00:00.25+01:00"_s
            << u"2026-01-05T08:05:00.25+01:00"_s;
    }
    void snoozeTimes()
    {
        QFETCH(QString, scheduledFor);
        QFETCH(QString, pressedAt);
        QFETCH(QString, snoozeFireDate);
        StoreFixture f;
        AlarmStore &store = f.start();
        store.ring(ringingAt(QString(), scheduledFor));
        *f.time = momentFromIso(pressedAt);
        f.presenter->pressSnooze();

        QCOMPARE(store.alarms().size(), 1);
        const Alarm snooze = store.alarms().constFirst();
        QCOMPARE(isoFromMoment(snooze.fireDate, 3600),
            isoFromMoment(momentFromIso(snoozeFireDate), 3600));
        QVERIFY(snooze.isSnooze && snooze.isEnabled && !snooze.repeatsDaily);
        QCOMPARE(snooze.label, QString());
        QCOMPARE(f.storedAlarms(), store.alarms()); // saved
        QVERIFY(store.ringing().isEmpty()); // and dismissed
        QVERIFY(!f.presenter->current);
    }

    void snoozingASnoozeThatRang()
    {
        StoreFixture f;
        AlarmStore &store = f.start();
        store.ring(ringingAt(u"Tea"_s, u"2026-01-05T08:00:00+01:00"_s));
        *f.time = momentFromIso(u"2026-01-05T08:01:00+01:00"_s);
        f.presenter->pressSnooze();
        *f.time = momentFromIso(u"2026-01-05T08:05:00.5+01:00"_s);
        store.checkAlarms(); // the snooze rings and leaves the list
        QVERIFY(store.alarms().isEmpty());
        *f.time = momentFromIso(u"2026-01-05T08:06:00+01:00"_s);
        f.presenter->pressSnooze();
        QCOMPARE(store.alarms().size(), 1);
        QCOMPARE(
            store.alarms().constFirst().fireDate, momentFromIso(u"2026-01-05T08:10:00+01:00"_s));
        QCOMPARE(store.alarms().constFirst().label, u"Tea"_s);
    }

    void answersOnAnEmptyQueueDoNothing()
    {
        StoreFixture f;
        AlarmStore &store = f.start();
        store.snoozeCurrent();
        store.dismissCurrent();
        QVERIFY(store.alarms().isEmpty());
        QCOMPARE(f.presenter->hides, 0);
        QCOMPARE(f.ringingChanged->count(), 0);
        QCOMPARE(*f.writes, 0);
    }

    void deletingTheAlarmLeavesItsAlert()
    {
        StoreFixture f;
        const Alarm alarm = dailyGym();
        AlarmStore &store = ringDaily(f, alarm);
        store.deleteAlarm(alarm);
        QCOMPARE(store.ringing().size(), 1);
        QCOMPARE(f.presenter->current->label, u"Gym"_s);
        f.presenter->pressSnooze();
        QCOMPARE(store.alarms().size(), 1);
        QVERIFY(store.alarms().constFirst().isSnooze);
    }

    void anUnansweredDailyAlarmQueuesAgain()
    {
        StoreFixture f;
        AlarmStore &store = ringDaily(f, dailyGym());
        *f.time += 24 * 3600;
        store.checkAlarms();
        QCOMPARE(store.ringing().size(), 2);
        QCOMPARE(f.presenter->shown.size(), 1);
        QVERIFY(store.ringing().at(0).id != store.ringing().at(1).id);
    }

    void actionsOutliveTheStoreHarmlessly()
    {
        StoreFixture f;
        f.start().ring(ringingAt(u"x"_s, u"2026-01-05T08:00:00+01:00"_s));
        const RecordingPresenter::Log log = *f.presenter;
        f.store.reset();
        log.pressSnooze();
        log.pressDismiss();
    }
};

QTEST_GUILESS_MAIN(RingingQueueTest)
#include "RingingQueueTest.moc"
