#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

using Recurrence = AlarmStore::Recurrence;

QByteArray storedList(const QList<Alarm> &alarms)
{
    return encodeAlarms(alarms).value();
}

Alarm makeAlarm(const QString &fireDate, bool enabled = true, const QString &label = {})
{
    return Alarm { QUuid::createUuid(), momentFromIso(fireDate), label, false, enabled, false };
}

QStringList unreadableCopies(const QString &folder)
{
    return QDir(folder).entryList({ u"alarms.unreadable-*.json"_s }, QDir::Files);
}

} // namespace

class AlarmStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addSavesOnceAndTellsAfterTheSave()
    {
        StoreFixture f;
        *f.time = momentFromIso(u"2026-01-05T10:37:12+01:00"_s);
        AlarmStore &store = f.start();
        QCOMPARE(*f.writes, 0); // nothing stored, nothing written
        QList<Alarm> seenBySignal;
        connect(
            &store, &AlarmStore::alarmsChanged, &store, [&] { seenBySignal = f.storedAlarms(); });

        store.add(momentFromIso(u"2026-01-01T07:30:45+01:00"_s), u" \t\u00a0Gym\u3000 "_s,
            Recurrence::Daily);

        QCOMPARE(*f.writes, 1);
        QCOMPARE(f.alarmsChanged->count(), 1);
        QCOMPARE(seenBySignal, store.alarms()); // saved before observers heard
        const Alarm &added = store.alarms().constFirst();
        QCOMPARE(added.label, u"Gym"_s);
        QCOMPARE(added.fireDate, momentFromIso(u"2026-01-06T07:30:00+01:00"_s));
        QVERIFY(added.repeatsDaily && added.isEnabled && !added.isSnooze);
    }

    void addTrimsOnlySpacesAndTabs_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("blank") << u" \t \u2003"_s << QString();
        QTest::newRow("inner spaces stay") << u"  Take  out bins "_s << u"Take  out bins"_s;
        QTest::newRow("line break stays") << u"Tea\n"_s << u"Tea\n"_s;
        QTest::newRow("markup untouched") << u"<b>x</b>"_s << u"<b>x</b>"_s;
    }
    void addTrimsOnlySpacesAndTabs()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        StoreFixture f;
        AlarmStore &store = f.start();
        store.add(0, typed, Recurrence::Once);
        QCOMPARE(store.alarms().constFirst().label, stored);
        QCOMPARE(f.storedAlarms().constFirst().label, stored);
    }

    void addTheCurrentMinuteGivesTomorrow()
    {
        StoreFixture f;
        *f.time = momentFromIso(u"2026-01-05T07:30:00+01:00"_s);
        AlarmStore &store = f.start();
        store.add(momentFromIso(u"2026-01-05T07:30:00+01:00"_s), {}, Recurrence::Once);
        store.add(momentFromIso(u"2026-01-05T07:30:00+01:00"_s), {}, Recurrence::Once);
        QCOMPARE(store.alarms().size(), 2); // no test for duplicates
        QCOMPARE(
            store.alarms().constFirst().fireDate, momentFromIso(u"2026-01-06T07:30:00+01:00"_s));
    }

    void sortedAlarms()
    {
        StoreFixture f;
        const Alarm offEarliest = makeAlarm(u"2026-01-01T06:00:00+01:00"_s, false);
        const Alarm late = makeAlarm(u"2026-01-05T09:00:00+01:00"_s);
        const Alarm tieFirst = makeAlarm(u"2026-01-05T08:00:00+01:00"_s, true, u"first"_s);
        const Alarm tieSecond = makeAlarm(u"2026-01-05T08:00:00+01:00"_s, true, u"second"_s);
        const Alarm offLater = makeAlarm(u"2026-01-03T06:00:00+01:00"_s, false);
        f.writeStored(storedList({ offLater, late, tieFirst, offEarliest, tieSecond }));
        AlarmStore &store = f.start();
        QCOMPARE(store.sortedAlarms(),
            (QList<Alarm> { tieFirst, tieSecond, late, offEarliest, offLater }));
        // The stored order is left alone.
        QCOMPARE(store.alarms().constFirst(), offLater);
    }

    void setEnabled_data()
    {
        QTest::addColumn<QString>("fireDate");
        QTest::addColumn<bool>("wasEnabled");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("expectedFireDate");
        QTest::addColumn<int>("writes");
        // now is 2026-01-05 10:00
        QTest::newRow("finished alarm switched on moves on")
            << u"2026-01-04T07:30:00+01:00"_s << false << true << u"2026-01-06T07:30:00+01:00"_s
            << 2;
        QTest::newRow("due exactly now moves on") << u"2026-01-05T10:00:00+01:00"_s << false << true
                                                  << u"2026-01-06T10:00:00+01:00"_s << 2;
        QTest::newRow("ahead keeps its date") << u"2026-01-05T11:00:00+01:00"_s << false << true
                                              << u"2026-01-05T11:00:00+01:00"_s << 1;
        QTest::newRow("switched off keeps its date")
            << u"2026-01-04T07:30:00+01:00"_s << true << false << u"2026-01-04T07:30:00+01:00"_s
            << 1;
    }
    void setEnabled()
    {
        QFETCH(QString, fireDate);
        QFETCH(bool, wasEnabled);
        QFETCH(bool, enabled);
        QFETCH(QString, expectedFireDate);
        QFETCH(int, writes);
        StoreFixture f;
        *f.time = momentFromIso(u"2026-01-05T10:00:00+01:00"_s);
        Alarm alarm = makeAlarm(fireDate, wasEnabled, u"Gym"_s);
        alarm.repeatsDaily = true;
        f.writeStored(storedList({ alarm }));
        AlarmStore &store = f.start();
        const int writesAtStart = *f.writes;
        const int signalsAtStart = f.alarmsChanged->count();

        store.setEnabled(enabled, alarm);

        QCOMPARE(*f.writes - writesAtStart, writes);
        QCOMPARE(f.alarmsChanged->count() - signalsAtStart, writes);
        Alarm expected = alarm;
        expected.isEnabled = enabled;
        expected.fireDate = momentFromIso(expectedFireDate);
        QCOMPARE(store.alarms(), QList<Alarm> { expected });
        QCOMPARE(f.storedAlarms(), QList<Alarm> { expected });
    }

    void operationsOnAGoneAlarm()
    {
        StoreFixture f;
        AlarmStore &store = f.start();
        store.add(0, u"kept"_s, Recurrence::Once);
        const Alarm gone = makeAlarm(u"2026-01-05T10:00:00+01:00"_s);
        const int writes = *f.writes;
        store.setEnabled(false, gone);
        QCOMPARE(*f.writes, writes); // nothing at all
        QCOMPARE(f.alarmsChanged->count(), 1);
        store.deleteAlarm(gone);
        QCOMPARE(*f.writes, writes + 1); // a delete saves and tells even when nothing matched
        QCOMPARE(f.alarmsChanged->count(), 2);
        QCOMPARE(store.alarms().size(), 1);
    }

    void deleteLeavesTheRestInOrder()
    {
        StoreFixture f;
        const Alarm a = makeAlarm(u"2026-01-05T10:00:00+01:00"_s);
        const Alarm b = makeAlarm(u"2026-01-05T09:00:00+01:00"_s);
        const Alarm c = makeAlarm(u"2026-01-05T08:00:00+01:00"_s);
        f.writeStored(storedList({ a, b, c }));
        AlarmStore &store = f.start();
        store.deleteAlarm(b);
        QCOMPARE(store.alarms(), (QList<Alarm> { a, c }));
        QCOMPARE(f.storedAlarms(), (QList<Alarm> { a, c }));
    }

    void wholeListAssignment()
    {
        StoreFixture f;
        AlarmStore &store = f.start();
        store.add(0, u"a"_s, Recurrence::Once);
        const int signals = f.alarmsChanged->count();
        const int writes = *f.writes;
        store.setAlarms(QList<Alarm>(store.alarms()));
        QCOMPARE(*f.writes, writes + 1); // equal: saved,
        QCOMPARE(f.alarmsChanged->count(), signals); // but nobody redraws
        store.setAlarms({});
        QCOMPARE(f.alarmsChanged->count(), signals + 1);
    }

    void loading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("loaded");
        const Alarm a = makeAlarm(u"2026-01-05T10:00:00+01:00"_s);
        QTest::newRow("list") << storedList({ a, a }) << 2;
        QTest::newRow("lower-case id, extra member") << QByteArray(
            R"([{"id":"0a1b2c3d-0000-4000-8000-00000000abcd","fireDate":1,"label":"",)"
            R"("repeatsDaily":false,"isEnabled":true,"isSnooze":false,"x":[1]}])")
                                                     << 1;
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("truncated") << storedList({ a }).chopped(3) << -1;
        QTest::newRow("garbage") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << -1;
        QTest::newRow("wrong shape") << QByteArray(R"({"alarms":[]})") << -1;
    }
    void loading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, loaded);
        StoreFixture f;
        f.writeStored(bytes);
        AlarmStore &store = f.start();
        if (loaded >= 0) {
            QCOMPARE(store.alarms().size(), loaded);
            // A list that loads is written straight back in our own form.
            QCOMPARE(*f.writes, 1);
            QCOMPARE(f.stored(), encodeAlarms(store.alarms()).value());
            QVERIFY(!f.stored().contains("abcd"));
            return;
        }
        QVERIFY(store.alarms().isEmpty());
        QCOMPARE(*f.writes, 0);
        QCOMPARE(f.stored(), bytes); // untouched until the first change

        store.add(0, u"new"_s, Recurrence::Once);
        QCOMPARE(f.storedAlarms(), store.alarms());
        // The bytes that could not be read are kept, once.
        const QStringList copies = unreadableCopies(f.folder());
        QCOMPARE(copies.size(), 1);
        QVERIFY(copies.constFirst().contains(
            QRegularExpression(u"^alarms\\.unreadable-\\d{8}T\\d{6}Z\\.json$"_s)));
        QFile copy(f.folder() + u'/' + copies.constFirst());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
        store.add(0, u"more"_s, Recurrence::Once);
        QCOMPARE(unreadableCopies(f.folder()).size(), 1);
    }

    void largeLists()
    {
        StoreFixture f;
        QList<Alarm> many;
        for (int i = 0; i < 10000; ++i)
            many.append(makeAlarm(u"2026-01-05T10:00:00+01:00"_s));
        many[5].label = QString(1 << 20, u'x'); // a one-megabyte label
        f.writeStored(storedList(many));
        AlarmStore &store = f.start();
        QCOMPARE(store.alarms(), many);
    }

    void aFailedSaveKeepsTheChangeAndTheOldFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("folder where the file should be") << u"folder"_s;
        QTest::newRow("file where the folder should be") << u"parent"_s;
    }
    void aFailedSaveKeepsTheChangeAndTheOldFile()
    {
        // Runs as root in CI, where a read-only mode stops nothing, so the
        // faults are ones that stop root too.
        QFETCH(QString, fault);
        StoreFixture f;
        AlarmStore &store = f.start();
        store.add(0, u"first"_s, Recurrence::Once);
        const QByteArray good = f.stored();

        if (fault == u"folder") {
            QVERIFY(QFile::rename(f.file(), f.file() + u".aside"_s));
            QVERIFY(QDir().mkpath(f.file()));
        } else {
            QVERIFY(QDir(f.folder()).removeRecursively());
            QFile blocker(f.folder());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        store.add(0, u"second"_s, Recurrence::Once);
        QCOMPARE(store.alarms().size(), 2); // the change holds in memory
        QCOMPARE(f.alarmsChanged->count(), 2);

        // Clear the fault: the next change writes the whole list.
        if (fault == u"folder") {
            QVERIFY(QDir(f.file()).removeRecursively());
            QVERIFY(QFile::rename(f.file() + u".aside"_s, f.file()));
            QCOMPARE(f.stored(), good); // the previous list survived
        } else {
            QVERIFY(QFile::remove(f.folder()));
        }
        store.add(0, u"third"_s, Recurrence::Once);
        QCOMPARE(f.storedAlarms(), store.alarms());
        QCOMPARE(f.storedAlarms().size(), 3);
    }
};

QTEST_GUILESS_MAIN(AlarmStoreTest)
#include "AlarmStoreTest.moc"
