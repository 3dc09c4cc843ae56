#include "store/TickSchedule.h"

#include "support/StoreFixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr Moment kT = 789291000; // 2026-01-05 07:30 UTC; the test runs in UTC
constexpr double kDay = 86400;

// A row's alarm before and after a check, always with the same id.
Alarm alarm(Moment fireDate, bool daily = false, bool enabled = true, bool snooze = false)
{
    return { QUuid(1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1), fireDate, u"Bins"_s, daily, enabled, snooze };
}

// Two lists of four megabytes each: writing one takes long enough that a kill
// at a random moment mostly lands in the middle of a save, so a save that is
// not atomic leaves a torn file at the first kill or so.
QByteArray bigList(char16_t letter)
{
    QList<Alarm> alarms;
    for (uint i = 0; i < 8; ++i)
        alarms.append({ QUuid(i, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1), kT, QString(1 << 19, letter) });
    return encodeAlarms(alarms).value();
}

// The child that a test kills: saves two lists in turn, for ever, the one
// it finds in `folder` and the one beside that folder.
[[noreturn]] void saveLoop(const QString &folder)
{
    FileDefaults disk(folder);
    const QByteArray lists[]
        = { FileDefaults(folder + u"/.."_s).data(AlarmStore::kDefaultsKey).value(),
              disk.data(AlarmStore::kDefaultsKey).value() };
    std::puts("saving");
    std::fflush(stdout);
    for (int i = 0;; ++i)
        disk.setData(AlarmStore::kDefaultsKey, lists[i % 2]);
}

// Makes saving fail as on a full disk (no file may grow past `limit` bytes),
// or in a folder that cannot be written; a limit of 0 lifts the fault. Root
// writes through any mode bits, so as root the folder becomes a read-only bind
// mount, in the mount namespace that main() gave this process.
bool setFault(bool diskFull, const QString &folder, rlim_t limit)
{
    rlimit size {};
    getrlimit(RLIMIT_FSIZE, &size);
    size.rlim_cur = limit ? limit : size.rlim_max;
    if (diskFull)
        return setrlimit(RLIMIT_FSIZE, &size) == 0;
    if (geteuid() != 0)
        return QFile::setPermissions(folder,
            QFile::ReadOwner | QFile::ExeOwner
                | (limit ? QFile::Permissions() : QFile::WriteOwner));
    const QByteArray path = QFile::encodeName(folder);
    if (!limit)
        return umount2(path, MNT_DETACH) == 0;
    return mount(path, path, nullptr, MS_BIND, nullptr) == 0
        && mount(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<Alarm>("stored");
        QTest::addColumn<double>("late"); // seconds after its fire date
        QTest::addColumn<QList<Alarm>>("after");
        QTest::addColumn<bool>("switchOn"); // by the user, just before the check
        const Alarm once = alarm(kT), off = alarm(kT, false, false), daily = alarm(kT, true);
        const Alarm snooze = alarm(kT, false, true, true);
        // clang-format off
        QTest::newRow("early: nothing") << once << -0.5 << QList { once } << false;
        QTest::newRow("one-time, due now: off") << once << 0.0 << QList { off } << false;
        QTest::newRow("one-time, days late: off") << once << 2 * kDay << QList { off } << false;
        QTest::newRow("daily, due now: tomorrow") << daily << 0.0 << QList { alarm(kT + kDay, true) } << false;
        QTest::newRow("daily, days late: once, then after now") << daily << 3 * kDay + 1 << QList { alarm(kT + 4 * kDay, true) } << false;
        QTest::newRow("switched off, overdue: quiet") << off << kDay << QList { off } << false;
        QTest::newRow("switched on, past: next time, quiet") << off << 2 * kDay + 60 << QList { alarm(kT + 3 * kDay) } << true;
        QTest::newRow("snooze rung: gone") << snooze << 1.0 << QList<Alarm> {} << false;
        QTest::newRow("snooze switched off: gone") << alarm(kT, false, false, true) << -60.0 << QList<Alarm> {} << false;
        // clang-format on
    }
    void check()
    {
        QFETCH(Alarm, stored);
        QFETCH(double, late);
        QFETCH(QList<Alarm>, after);
        QFETCH(bool, switchOn);
        StoreFixture f;
        QVERIFY(f.store(encodeAlarms({ stored }).value()));
        AlarmStore &store = f.start();
        *f.now = kT + late;
        if (switchOn) {
            store.setEnabled(true, stored);
            stored = store.alarms().value(0); // what the check starts from
            f.alarmsChanged->clear();
        }
        const int writes = *f.writes;
        store.checkAlarms();
        store.checkAlarms(); // a second check at the same moment finds nothing to do
        const bool rings = stored.isEnabled && stored.fireDate <= *f.now;
        QCOMPARE(f.alert->shown.size(), rings ? 1 : 0);
        if (rings)
            QCOMPARE(f.alert->shown.first().scheduledFor, kT);
        QCOMPARE(store.alarms(), after);
        QCOMPARE(f.storedAlarms(), after);
        QCOMPARE(*f.writes - writes, after == QList { stored } ? 0 : 1);
        QCOMPARE(f.alarmsChanged->count(), after == QList { stored } ? 0 : 1);
    }

    void snooze_data()
    {
        QTest::addColumn<double>("pressed"); // seconds after the ring was due
        QTest::addColumn<double>("fires");
        QTest::newRow("two minutes on: from the ring") << 120.0 << 300.0;
        QTest::newRow("five minutes on: stale, from now") << 300.0 << 600.0;
        QTest::newRow("seven minutes on: stale, from now") << 420.0 << 720.0;
    }
    void snooze()
    {
        QFETCH(double, pressed);
        QFETCH(double, fires);
        StoreFixture f;
        AlarmStore &store = f.start();
        store.ring({ QUuid::createUuid(), u"Tea"_s, kT });
        *f.now = kT + pressed;
        f.pressSnooze();
        const Alarm snooze { store.alarms().value(0).id, kT + fires, u"Tea"_s, false, true, true };
        QCOMPARE(store.alarms(), QList { snooze });
        QCOMPARE(f.storedAlarms(), store.alarms());
    }

    void ringingQueue()
    {
        StoreFixture f;
        AlarmStore &store = f.start();
        for (const QString &label : { u"one"_s, u"two"_s, u"three"_s })
            store.ring({ QUuid::createUuid(), label, kT });
        QVERIFY2(f.alert->shown.size() == 1, "a new ring queues behind the alert on screen");
        f.pressDismiss();
        QCOMPARE(f.alert->shown.last().label, u"two"_s); // the next after Dismiss
        f.pressSnooze();
        QCOMPARE(f.alert->shown.last().label, u"three"_s); // and after Snooze
        QVERIFY(f.alert->up);
        f.pressDismiss();
        QVERIFY2(!f.alert->up && store.ringing().isEmpty(), "the empty queue takes the panel down");
    }

    void displayOrder()
    {
        StoreFixture f;
        QList<Alarm> added;
        for (int i = 0; i < 24; ++i)
            added.append({ QUuid::createUuid(), kT + 60 * (i * 7 % 3), {}, false, i % 5 != 0 });
        QVERIFY(f.store(encodeAlarms(added).value()));
        const QList<Alarm> sorted = f.start().sortedAlarms();
        const auto key = [&](const Alarm &a) {
            return std::tuple(!a.isEnabled, a.fireDate, added.indexOf(a));
        };
        QCOMPARE(sorted.size(), added.size());
        for (qsizetype i = 1; i < sorted.size(); ++i)
            QVERIFY2(key(sorted[i - 1]) < key(sorted[i]),
                "enabled first, then by fire date, ties in the order of adding");
    }

    void addTrimsTheLabel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::newRow("spaces and tabs") << u" \t\u00a0Gym\u2003\u3000"_s << u"Gym"_s;
        QTest::newRow("blank") << u" \t "_s << QString();
        QTest::newRow("line breaks stay") << u"\nTea\r\n\u2028"_s << u"\nTea\r\n\u2028"_s;
    }
    void addTrimsTheLabel()
    {
        QFETCH(QString, typed);
        QFETCH(QString, label);
        StoreFixture f;
        *f.now = kT;
        AlarmStore &store = f.start();
        store.add(kT - 3 * kDay - 1800 + 45.5, typed, AlarmStore::Recurrence::Daily); // 07:00:45.5
        const Alarm added { store.alarms().value(0).id, kT + kDay - 1800, label, true, true,
            false };
        QCOMPARE(store.alarms(), QList { added });
        QCOMPARE(f.storedAlarms(), QList { added });
    }

    void storageFault_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<bool>("unreadable"); // the stored list does not decode
        QTest::newRow("full disk") << true << false;
        QTest::newRow("full disk, no room for the unreadable copy") << true << true;
        QTest::newRow("unwritable folder") << false << false;
        QTest::newRow("unwritable folder, unreadable list") << false << true;
    }
    void storageFault()
    {
        QFETCH(bool, diskFull);
        QFETCH(bool, unreadable);
        StoreFixture f;
        *f.now = kT;
        const QByteArray garbage(4096, '[');
        if (unreadable)
            QVERIFY(f.store(garbage));
        AlarmStore &store = f.start();
        if (!unreadable)
            store.add(kT, u"before"_s, AlarmStore::Recurrence::Once);
        const QByteArray last = f.stored();
        // A limit just above the good file, which the next list outgrows; or just
        // below the unreadable one, whose copy then cannot be kept though the
        // next list would fit.
        QVERIFY(setFault(diskFull, f.folder(), last.size() + (unreadable ? -1 : 1)));
        auto lift = qScopeGuard([&] { setFault(diskFull, f.folder(), 0); });
        store.add(kT, u"during"_s, AlarmStore::Recurrence::Once);
        QCOMPARE(store.alarms().size(), unreadable ? 1 : 2); // the change holds in memory
        QVERIFY2(f.stored() == last, "a failed save changed the file");
        QCOMPARE(QDir(f.folder()).entryList(QDir::Files), QStringList { u"alarms.json"_s });
        lift.dismiss();
        QVERIFY(setFault(diskFull, f.folder(), 0));
        store.add(kT, u"after"_s, AlarmStore::Recurrence::Once);
        QCOMPARE(f.storedAlarms(), store.alarms()); // the whole list, made under the fault too
        if (unreadable) {
            QFile copy(f.folder() + u"/alarms.unreadable-20260105T073000Z.json"_s);
            QVERIFY2(copy.open(QIODevice::ReadOnly) && copy.readAll() == garbage,
                "the unreadable list is kept aside, stamped by the store's clock");
        }
    }

    void killedWhileSaving()
    {
        StoreFixture f;
        const QByteArray lists[] = { bigList(u'a'), bigList(u'b') };
        QVERIFY(f.store(lists[0])
            && FileDefaults(f.home.path()).setData(AlarmStore::kDefaultsKey, lists[1]));
        for (int kill = 0; kill < 20; ++kill) {
            QProcess child;
            child.start(u"/proc/self/exe"_s, { u"--save-loop"_s, f.folder() });
            QVERIFY2(child.waitForReadyRead(30000), qPrintable(child.errorString()));
            QThread::msleep(QRandomGenerator::global()->bounded(20, 200));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished());
            const QByteArray stored = f.stored();
            QVERIFY2(stored == lists[0] || stored == lists[1],
                qPrintable(u"kill %1 left neither the old list nor the new"_s.arg(kill)));
        }
    }

    void tickSchedule_data()
    {
        QTest::addColumn<double>("jump"); // of the wall clock, at the tenth tick
        QTest::newRow("steady") << 0.0;
        QTest::newRow("forward") << 3600.37;
        QTest::newRow("back") << -1.5;
    }
    void tickSchedule()
    {
        QFETCH(double, jump);
        const Moment start = kT + QRandomGenerator::global()->bounded(1.0);
        Moment due = start + TickSchedule::kPeriod;
        for (int tick = 1; tick <= 20; ++tick) {
            const Moment now
                = due + QRandomGenerator::global()->bounded(0.002) + (tick == 10 ? jump : 0);
            const Moment next = TickSchedule::next(due, now);
            const double interval = next - (tick == 10 && jump != 0 ? now : due);
            const QString where = u"tick %1 after a start at %2"_s.arg(tick).arg(start - kT);
            QVERIFY2(interval > 1.0 - 1e-6 && interval < 1.2 + 1e-6, qPrintable(where));
            if (tick >= 6 && (tick < 10 || tick >= 16))
                QVERIFY2(std::abs(next - std::floor(next) - 0.005) < 1e-6, qPrintable(where));
            due = next;
        }
    }

    void wakeAndTimerRunChecks()
    {
        StoreFixture f;
        QVERIFY(f.store(encodeAlarms({ alarm(kT) }).value()));
        *f.now = kT + 3 * 3600; // slept through it
        auto notifier = std::make_unique<AbstractWakeNotifier>();
        AbstractWakeNotifier &wake = *notifier;
        AlarmStore &store = f.start(std::move(notifier));
        Q_EMIT wake.woke();
        QVERIFY2(f.alert->shown.size() == 1, "waking rings what fell due, at once");
        store.setAlarms({ alarm(kT + 3 * 3600) });
        QTRY_COMPARE(store.ringing().size(), 2); // the timer's check
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--save-loop") == 0)
        saveLoop(QString::fromLocal8Bit(argv[2]));
    // A mount namespace of our own (before any thread starts): a read-only
    // mount cannot outlive the test.
    if (geteuid() == 0 && unshare(CLONE_NEWNS) == 0)
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    signal(SIGXFSZ, SIG_IGN); // a write past the size limit fails instead
    QCoreApplication app(argc, argv);
    StoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StoreTest.moc"
