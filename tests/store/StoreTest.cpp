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
#include <sys/stat.h>
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
    QByteArray lists[2];
    FileDefaults(folder + u"/.."_s).data(AlarmStore::kDefaultsKey, lists[0]);
    disk.data(AlarmStore::kDefaultsKey, lists[1]);
    std::puts("saving");
    std::fflush(stdout);
    for (int i = 0;; ++i)
        disk.setData(AlarmStore::kDefaultsKey, lists[i % 2], nullptr);
}

// What goes wrong on the disk while the test saves.
enum Fault
{
    DiskFull,
    ReadOnly,
    FolderInPlace, // of the file
};
// What the store found at its start.
enum StoredList
{
    Readable,
    Unreadable, // does not decode
    UnreadableGone, // and is removed behind the store's back
};

// Makes saving fail as on a full disk (no file may grow past `limit` bytes),
// in a folder that cannot be written, or where a folder stands in place of the
// file; a limit of 0 lifts the fault. Root writes through any mode bits, so as
// root the folder becomes a read-only bind mount, in the mount namespace that
// main() gave this process.
bool setFault(int fault, const StoreFixture &f, rlim_t limit)
{
    rlimit size {};
    getrlimit(RLIMIT_FSIZE, &size);
    size.rlim_cur = limit ? limit : size.rlim_max;
    if (fault == DiskFull)
        return setrlimit(RLIMIT_FSIZE, &size) == 0;
    if (fault == FolderInPlace)
        return limit ? QFile::remove(f.file()) && QDir().mkdir(f.file()) : QDir().rmdir(f.file());
    if (geteuid() != 0)
        return QFile::setPermissions(f.folder(),
            QFile::ReadOwner | QFile::ExeOwner
                | (limit ? QFile::Permissions() : QFile::WriteOwner));
    const QByteArray path = QFile::encodeName(f.folder());
    if (!limit)
        return umount2(path, MNT_DETACH) == 0;
    return mount(path, path, nullptr, MS_BIND, nullptr) == 0
        && mount(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The type and permission bits of what is at `path`, a link not followed.
uint modeOf(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
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
        store.add(QTime(7, 0, 45), typed, AlarmStore::Recurrence::Daily);
        const Alarm added { store.alarms().value(0).id, kT + kDay - 1800, label, true, true,
            false };
        QCOMPARE(store.alarms(), QList { added });
        QCOMPARE(f.storedAlarms(), QList { added });
    }

    void storageFault_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("found");
        QTest::addColumn<bool>("saves"); // the user's list, under the fault
        QTest::newRow("full disk") << int(DiskFull) << int(Readable) << false;
        QTest::newRow("full disk, unreadable list: moved aside, saved")
            << int(DiskFull) << int(Unreadable) << true;
        QTest::newRow("full disk, unreadable list gone: held in memory, saved")
            << int(DiskFull) << int(UnreadableGone) << true;
        QTest::newRow("read-only folder") << int(ReadOnly) << int(Readable) << false;
        QTest::newRow("read-only folder, unreadable list")
            << int(ReadOnly) << int(Unreadable) << false;
        QTest::newRow("a folder in place of the file")
            << int(FolderInPlace) << int(Readable) << false;
    }
    void storageFault()
    {
        QFETCH(int, fault);
        QFETCH(int, found);
        QFETCH(bool, saves);
        StoreFixture f;
        *f.now = kT;
        const QByteArray garbage(4096, '[');
        // A copy of it may be no more open than the original.
        if (found != Readable)
            QVERIFY(f.store(garbage) && QFile::setPermissions(f.file(), QFile::ReadOwner));
        AlarmStore &store = f.start();
        QSignalSpy errorChanges(&store, &AlarmStore::saveErrorChanged);
        if (found == Readable)
            store.add(QTime(7, 30), u"before"_s, AlarmStore::Recurrence::Once);
        if (found == UnreadableGone)
            QVERIFY(QFile::remove(f.file()));
        // A limit just above the good file, which the next list outgrows; or just
        // below the unreadable one, which then cannot be written aside though the
        // next list fits.
        QVERIFY(setFault(fault, f, found == Readable ? f.stored().size() + 1 : garbage.size() - 1));
        auto lift = qScopeGuard([&] { setFault(fault, f, 0); });
        const QByteArray last = f.stored();
        // One line for the whole run of failures.
        if (!saves)
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(u"^Alarms could not be saved: .+"_s));
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        store.add(QTime(7, 30), u"during"_s, AlarmStore::Recurrence::Once);
        store.add(QTime(7, 30), u"still during"_s, AlarmStore::Recurrence::Once);
        QCOMPARE(store.alarms().size(), found == Readable ? 3 : 2); // the change holds in memory
        QCOMPARE(store.saveError().isEmpty(), saves);
        QCOMPARE(errorChanges.count(), saves ? 0 : 1);
        QVERIFY2(saves ? f.storedAlarms() == store.alarms() : f.stored() == last,
            "a failed save changed the file, or a save that could be made was not");
        QCOMPARE(QDir(f.folder()).entryList({ u"*.json.*"_s }), QStringList()); // no temporary file
        const QString copy = f.folder() + u"/alarms.unreadable-20260105T073000Z.json"_s;
        QVERIFY2(QFile::exists(copy) == (found == Unreadable && saves),
            "the unreadable list is moved aside whenever the folder can be written");
        lift.dismiss();
        QVERIFY(setFault(fault, f, 0));
        store.add(QTime(7, 30), u"after"_s, AlarmStore::Recurrence::Once);
        QCOMPARE(f.storedAlarms(), store.alarms()); // the whole list, made under the fault too
        QVERIFY(store.saveError().isEmpty());
        QCOMPARE(errorChanges.count(), saves ? 0 : 2);
        if (found != Readable) {
            QVERIFY2(contents(copy) == garbage,
                "the unreadable list is kept aside, stamped by the store's clock");
            QCOMPARE(modeOf(copy), uint(S_IFREG | 0400));
        }
    }

    void whatIsStored_data()
    {
        QTest::addColumn<uint>("type"); // of what stands at the stored list's path
        QTest::addColumn<int>("loaded");
        QTest::newRow("a FIFO: never waited on, replaced") << uint(S_IFIFO) << 0;
        QTest::newRow("a list over the cap: unreadable, moved aside") << uint(S_IFREG) << 0;
        QTest::newRow("a link: read, replaced by a file, its target kept") << uint(S_IFLNK) << 1;
    }
    void whatIsStored()
    {
        QFETCH(uint, type);
        QFETCH(int, loaded);
        StoreFixture f;
        *f.now = kT;
        // What a crash between writing and renaming leaves, and a copy of an
        // earlier run's unreadable list.
        const QString leftover = f.file() + u".Ab3xYz"_s;
        const QString earlier = f.folder() + u"/alarms.unreadable-20250101T000000Z.json"_s;
        QVERIFY(put(leftover, "[") && put(earlier, "["));
        const QByteArray list = encodeAlarms({ alarm(kT) }).value();
        const QString target = f.home.filePath(u"linked.json"_s);
        if (type == S_IFIFO)
            QVERIFY(mkfifo(QFile::encodeName(f.file()).constData(), 0600) == 0);
        else if (type == S_IFLNK)
            QVERIFY(put(target, list) && QFile::link(target, f.file()));
        else // padded with spaces, which JSON allows
            QVERIFY(f.store(list + QByteArray((16 << 20) + 1 - list.size(), ' ')));
        struct stat original = {};
        QVERIFY(::lstat(QFile::encodeName(f.file()).constData(), &original) == 0);
        ::alarm(30); // a read that blocks ends the test here
        AlarmStore &store = f.start();
        ::alarm(0);
        QCOMPARE(store.alarms().size(), loaded);
        QVERIFY2(!QFile::exists(leftover) && QFile::exists(earlier),
            "only the temporary file is cleared away at the start");
        store.add(QTime(7, 30), u"new"_s, AlarmStore::Recurrence::Once);
        QCOMPARE(modeOf(f.file()), uint(S_IFREG | 0600));
        QCOMPARE(f.storedAlarms(), store.alarms());
        struct stat kept = {};
        const QString copy = f.folder() + u"/alarms.unreadable-20260105T073000Z.json"_s;
        QVERIFY2((::stat(QFile::encodeName(copy).constData(), &kept) == 0
                     && kept.st_ino == original.st_ino)
                == (type == S_IFREG),
            "the unreadable list is moved aside, not copied");
        if (type == S_IFLNK)
            QCOMPARE(contents(target), list);
    }

    void killedWhileSaving()
    {
        StoreFixture f;
        const QByteArray lists[] = { bigList(u'a'), bigList(u'b') };
        QVERIFY(f.store(lists[0])
            && FileDefaults(f.home.path()).setData(AlarmStore::kDefaultsKey, lists[1], nullptr));
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
