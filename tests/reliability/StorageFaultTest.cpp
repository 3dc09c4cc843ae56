// A settings folder that cannot be written: made read-only, alarms.json
// replaced by a folder, or the disk full. The store keeps running and
// ringing, every change holds in memory, the last good file stays intact byte
// for byte, and once the fault clears the next change writes the whole list.
//
// As root, chmod does not stop writes: the folder is made immutable instead
// (chattr +i), and the full disk is a 64 KB tmpfs mounted over the folder, in
// a mount namespace of the test's own so that it vanishes with the process.
// Where neither works the case is skipped with the reason.

#include "StoreOnDisk.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Recurrence = AlarmStore::Recurrence;

enum class Fault
{
    ReadOnlyFolder,
    FolderInPlaceOfFile,
    DiskFull
};

constexpr Moment kNow = 789291000; // 2026-01-05 07:30 UTC; the test runs in UTC
constexpr qsizetype kDiskBytes = 64 * 1024;

bool isRoot()
{
    return ::geteuid() == 0;
}

QString errorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray path(const QString &name)
{
    return QFile::encodeName(name);
}

// Sets or clears the immutable attribute; returns why it failed, or nothing.
QString setImmutable(const QString &name, bool immutable)
{
    const int fd = ::open(path(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errorText();
    QString error;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        error = errorText();
    } else {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
            error = errorText();
    }
    ::close(fd);
    return error;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class StorageFaultTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_disk = std::make_unique<StoreOnDisk>();
        *m_disk->time = kNow;
    }

    // Runs after a failed or skipped case too: nothing may stay immutable,
    // mounted or read-only.
    void cleanup()
    {
        m_disk->store.reset();
        if (m_immutable) {
            const QString error = setImmutable(m_disk->folder(), false);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            m_immutable = false;
        }
        if (m_readOnly) {
            QFile::setPermissions(m_disk->folder(),
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            m_readOnly = false;
        }
        if (m_mounted) {
            QVERIFY2(::umount2(path(m_disk->folder()).constData(), MNT_DETACH) == 0,
                qPrintable(errorText()));
            m_mounted = false;
        }
        m_disk.reset();
    }

    void faultKeepsTheLastGoodFileAndTheStoreRinging_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("read-only folder") << Fault::ReadOnlyFolder;
        QTest::newRow("alarms.json replaced by a folder") << Fault::FolderInPlaceOfFile;
        QTest::newRow("disk full") << Fault::DiskFull;
    }

    void faultKeepsTheLastGoodFileAndTheStoreRinging()
    {
        QFETCH(Fault, fault);
        StoreOnDisk &disk = *m_disk;
        if (fault == Fault::DiskFull) {
            mountSmallDisk();
            if (QTest::currentTestFailed() || !m_mounted)
                return;
        }
        AlarmStore &store = disk.start();
        store.add(kNow + 600, u"Before the fault"_s, Recurrence::Daily);
        const QByteArray good = readAll(disk.file());
        QCOMPARE(decodeAlarms(good).value_or(QList<Alarm> {}), store.alarms());

        // Faults that come while the store runs; a full disk is reached by a
        // label larger than the whole disk.
        if (fault == Fault::ReadOnlyFolder) {
            makeFolderReadOnly();
            if (QTest::currentTestFailed() || !(m_immutable || m_readOnly))
                return;
        } else if (fault == Fault::FolderInPlaceOfFile) {
            QVERIFY(QFile::remove(disk.file()));
            QVERIFY(QDir().mkpath(disk.file()));
            QVERIFY(writeAll(disk.file() + u"/inside"_s, good));
        }
        const auto lastGoodIntact = [&] {
            if (fault == Fault::FolderInPlaceOfFile) {
                QVERIFY(QFileInfo(disk.file()).isDir());
                QCOMPARE(entries(disk.file()), QStringList { u"inside"_s });
                QVERIFY(readAll(disk.file() + u"/inside"_s) == good);
            } else {
                QVERIFY(readAll(disk.file()) == good);
            }
            // No temporary file left behind by the failed saves.
            QCOMPARE(entries(disk.folder()), QStringList { u"alarms.json"_s });
        };

        const QString bigLabel = u"Big "_s + QString(2 * kDiskBytes, u'x');
        store.add(kNow + 1200, bigLabel, Recurrence::Once);
        QCOMPARE(store.alarms().size(), 2);
        QCOMPARE(store.alarms().at(1).label, bigLabel);
        lastGoodIntact();
        if (QTest::currentTestFailed())
            return;

        // The watching goes on: the timer rings the daily alarm and moves it
        // to tomorrow, and a snooze lands in memory, all with saves failing.
        *disk.time = kNow + 600;
        QTRY_COMPARE_WITH_TIMEOUT(disk.presenter->shown.size(), 1, 5000);
        QCOMPARE(disk.presenter->shown.first().label, u"Before the fault"_s);
        QCOMPARE(store.alarms().first().fireDate, kNow + 600 + 86400);
        disk.presenter->pressSnooze();
        QCOMPARE(store.alarms().size(), 3);
        QVERIFY(store.alarms().at(2).isSnooze);
        QVERIFY(!disk.presenter->current);
        lastGoodIntact();
        if (QTest::currentTestFailed())
            return;

        // The fault clears; the next change writes everything held in memory.
        switch (fault) {
        case Fault::ReadOnlyFolder:
            if (m_immutable) {
                QCOMPARE(setImmutable(disk.folder(), false), QString());
                m_immutable = false;
            } else {
                QVERIFY(QFile::setPermissions(disk.folder(),
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
                m_readOnly = false;
            }
            break;
        case Fault::FolderInPlaceOfFile:
            QVERIFY(QDir(disk.file()).removeRecursively());
            break;
        case Fault::DiskFull:
            QVERIFY2(
                ::mount("tmpfs", path(disk.folder()).constData(), nullptr, MS_REMOUNT, "size=4m")
                    == 0,
                qPrintable(errorText()));
            break;
        }
        const Alarm big = store.alarms().at(1);
        store.setEnabled(false, big);
        const std::optional<QList<Alarm>> saved = decodeAlarms(readAll(disk.file()));
        QVERIFY(saved);
        QCOMPARE(saved->size(), 3);
        QVERIFY(*saved == store.alarms());
        QCOMPARE(entries(disk.folder()), QStringList { u"alarms.json"_s });
    }

    // The copy of an unreadable list must be safe before the list is
    // replaced; when the copy cannot be written, nothing is replaced.
    void unreadableListSurvivesWhenItsCopyCannotBeWritten_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("read-only folder") << Fault::ReadOnlyFolder;
        QTest::newRow("disk full") << Fault::DiskFull;
    }

    void unreadableListSurvivesWhenItsCopyCannotBeWritten()
    {
        QFETCH(Fault, fault);
        StoreOnDisk &disk = *m_disk;
        const QByteArray unreadable = "[{\"label\":\"" + QByteArray(kDiskBytes / 4, 'u');
        const QString filler = disk.folder() + u"/filler"_s;
        if (fault == Fault::DiskFull) {
            mountSmallDisk();
            if (QTest::currentTestFailed() || !m_mounted)
                return;
        }
        QVERIFY(writeAll(disk.file(), unreadable));
        if (fault == Fault::ReadOnlyFolder) {
            makeFolderReadOnly();
            if (QTest::currentTestFailed() || !(m_immutable || m_readOnly))
                return;
        } else {
            fillDisk(filler);
        }

        AlarmStore &store = disk.start();
        QVERIFY(store.alarms().isEmpty());
        store.add(kNow + 600, u"Held in memory"_s, Recurrence::Once);
        QCOMPARE(store.alarms().size(), 1);
        QVERIFY(readAll(disk.file()) == unreadable);
        QVERIFY(QDir(disk.folder()).entryList({ u"alarms.unreadable-*"_s }).isEmpty());

        if (fault == Fault::ReadOnlyFolder) {
            if (m_immutable) {
                QCOMPARE(setImmutable(disk.folder(), false), QString());
                m_immutable = false;
            } else {
                QVERIFY(QFile::setPermissions(disk.folder(),
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
                m_readOnly = false;
            }
        } else {
            QVERIFY(QFile::remove(filler));
        }
        store.add(kNow + 1200, u"After"_s, Recurrence::Once);
        const QStringList copies = QDir(disk.folder()).entryList({ u"alarms.unreadable-*"_s });
        QCOMPARE(copies.size(), 1);
        QVERIFY(readAll(disk.folder() + u'/' + copies.first()) == unreadable);
        const std::optional<QList<Alarm>> saved = decodeAlarms(readAll(disk.file()));
        QVERIFY(saved);
        QCOMPARE(saved->size(), 2);
        QVERIFY(*saved == store.alarms());
    }

    void folderInPlaceOfFileAtStart()
    {
        StoreOnDisk &disk = *m_disk;
        QVERIFY(QDir().mkpath(disk.file()));
        AlarmStore &store = disk.start();
        QVERIFY(store.alarms().isEmpty());
        store.add(kNow + 600, u"Held in memory"_s, Recurrence::Once);
        QCOMPARE(store.alarms().size(), 1);
        QVERIFY(QFileInfo(disk.file()).isDir());
        QCOMPARE(entries(disk.folder()), QStringList { u"alarms.json"_s });
        *disk.time = kNow + 600;
        store.checkAlarms();
        QCOMPARE(disk.presenter->shown.size(), 1);
    }

private:
    void makeFolderReadOnly()
    {
        const QString folder = m_disk->folder();
        if (isRoot()) {
            const QString error = setImmutable(folder, true);
            if (!error.isEmpty())
                QSKIP(qPrintable(u"root ignores a read-only folder, and this filesystem refuses "
                                 "the immutable attribute (chattr +i): "_s
                    + error));
            m_immutable = true;
        } else {
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            m_readOnly = true;
        }
        // Prove the fault before relying on it.
        QFile probe(folder + u"/probe"_s);
        QVERIFY2(!probe.open(QIODevice::WriteOnly), "the folder is still writable");
    }

    void mountSmallDisk()
    {
        const QByteArray folder = path(m_disk->folder());
        if (::mount(
                "tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700")
            != 0)
            QSKIP(qPrintable(u"a full disk needs a small tmpfs, and mounting one is not "
                             "permitted here (run as root): "_s
                + errorText()));
        m_mounted = true;
    }

    // Fills the small disk to the last byte.
    void fillDisk(const QString &name)
    {
        QFile filler(name);
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) { }
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1) { }
        QVERIFY(filler.size() > 0);
    }

    std::unique_ptr<StoreOnDisk> m_disk;
    bool m_immutable = false;
    bool m_readOnly = false;
    bool m_mounted = false;
};

int main(int argc, char *argv[])
{
    // As root, a mount namespace of our own: the small disk cannot outlive the
    // test even if it dies. Done before any thread starts, as unshare needs.
    if (isRoot() && ::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    QCoreApplication app(argc, argv);
    StorageFaultTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "StorageFaultTest.moc"
