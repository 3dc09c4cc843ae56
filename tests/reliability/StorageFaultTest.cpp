// A settings folder that cannot be written: read-only, alarms.json replaced by
// a folder, or the disk full, over a good list or one that did not decode.
// The store keeps running and ringing, every change holds in memory, the last
// file stays intact byte for byte, and once the fault clears the next change
// writes the whole list (and keeps the unreadable one first).
//
// As root, chmod does not stop writes: the folder is made immutable instead
// (chattr +i), and the full disk is a 64 KB tmpfs mounted over the folder, in
// a mount namespace of the test's own so that it vanishes with the process.
// Where neither works the case is skipped with the reason.

#include "support/Immutable.h"
#include "support/StoreFixture.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sched.h>
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
constexpr QFileDevice::Permissions kWritable
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

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

} // namespace

Q_DECLARE_METATYPE(Fault)

class StorageFaultTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_f = std::make_unique<StoreFixture>();
        *m_f->time = kNow;
        QVERIFY(QDir().mkpath(m_f->folder()));
    }

    // Also after a failed or skipped case: nothing may stay immutable or mounted.
    void cleanup()
    {
        m_f->store.reset();
        clearFault();
        if (m_mounted)
            QVERIFY2(::umount2(path(m_f->folder()).constData(), MNT_DETACH) == 0,
                qPrintable(errorText()));
        m_mounted = false;
        m_f.reset();
    }

    void faultKeepsTheLastFileAndTheStoreRinging_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("read-only folder") << Fault::ReadOnlyFolder << false;
        QTest::newRow("alarms.json replaced by a folder") << Fault::FolderInPlaceOfFile << false;
        QTest::newRow("disk full") << Fault::DiskFull << false;
        // The copy of an unreadable list must be safe before the list is replaced.
        QTest::newRow("read-only folder, unreadable list") << Fault::ReadOnlyFolder << true;
        QTest::newRow("disk full, unreadable list") << Fault::DiskFull << true;
    }

    void faultKeepsTheLastFileAndTheStoreRinging()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, unreadable);
        StoreFixture &f = *m_f;
        if (fault == Fault::DiskFull && !mountSmallDisk())
            return;
        if (unreadable)
            f.writeStored("[{\"label\":\"" + QByteArray(16 * 1024, 'u'));
        AlarmStore &store = f.start();
        if (!unreadable)
            store.add(kNow + 1200, u"Before the fault"_s, Recurrence::Once);
        const QByteArray last = f.stored();
        QString lastPath = f.file();
        switch (fault) {
        case Fault::ReadOnlyFolder:
            if (!makeFolderReadOnly())
                return;
            break;
        case Fault::FolderInPlaceOfFile:
            lastPath += u"/inside"_s;
            QVERIFY(QFile::remove(f.file()));
            QVERIFY(QDir().mkpath(f.file()));
            {
                QFile inside(lastPath);
                QVERIFY(inside.open(QIODevice::WriteOnly) && inside.write(last) == last.size());
            }
            break;
        case Fault::DiskFull:
            QVERIFY(fillDisk());
            break;
        }

        // The timer rings an alarm added under the fault and moves it to
        // tomorrow, and a snooze lands in memory, all with saves failing.
        store.add(kNow + 600, u"During the fault"_s, Recurrence::Daily);
        *f.time = kNow + 600;
        QTRY_COMPARE_WITH_TIMEOUT(f.presenter->shown.size(), 1, 5000);
        QCOMPARE(f.presenter->shown.first().label, u"During the fault"_s);
        QCOMPARE(store.alarms().constLast().fireDate, kNow + 600 + 86400);
        f.presenter->pressSnooze();
        QVERIFY(store.alarms().constLast().isSnooze);
        QCOMPARE(store.alarms().size(), unreadable ? 2 : 3);
        QVERIFY(f.read(lastPath) == last);
        QStringList entries = f.entries();
        entries.removeOne(u"filler"_s);
        QCOMPARE(entries, QStringList { u"alarms.json"_s }); // no copy, no stray file

        clearFault();
        store.setEnabled(false, store.alarms().constFirst());
        QCOMPARE(f.storedAlarms(), store.alarms());
        if (unreadable) {
            const QStringList copies = QDir(f.folder()).entryList({ u"alarms.unreadable-*"_s });
            QCOMPARE(copies.size(), 1);
            QVERIFY(f.read(f.folder() + u'/' + copies.first()) == last);
        }
    }

private:
    bool makeFolderReadOnly()
    {
        const QString folder = m_f->folder();
        if (isRoot()) {
            if (const QString error = setImmutable(folder, true); !error.isEmpty()) {
                QTest::qSkip(qPrintable(u"root ignores a read-only folder, and this filesystem "
                                        "refuses the immutable attribute (chattr +i): "_s
                                 + error),
                    __FILE__, __LINE__);
                return false;
            }
            m_immutable = true;
        } else {
            m_readOnly
                = QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        // Prove the fault before relying on it.
        QFile probe(folder + u"/probe"_s);
        if (probe.open(QIODevice::WriteOnly)) {
            QTest::qFail("the folder is still writable", __FILE__, __LINE__);
            return false;
        }
        return true;
    }

    bool mountSmallDisk()
    {
        if (::mount("tmpfs", path(m_f->folder()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                "size=64k,mode=0700")
            != 0) {
            QTest::qSkip(qPrintable(u"a full disk needs a small tmpfs, and mounting one is not "
                                    "permitted here (run as root): "_s
                             + errorText()),
                __FILE__, __LINE__);
            return false;
        }
        m_mounted = true;
        return true;
    }

    // Fills the small disk to the last byte.
    bool fillDisk()
    {
        QFile filler(m_f->folder() + u"/filler"_s);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) { }
        while (filler.write("f", 1) == 1) { }
        return filler.size() > 0;
    }

    void clearFault()
    {
        const QString folder = m_f->folder();
        if (m_immutable)
            QCOMPARE(setImmutable(folder, false), QString());
        if (m_readOnly)
            QVERIFY(QFile::setPermissions(folder, kWritable));
        m_immutable = m_readOnly = false;
        if (QFileInfo(m_f->file()).isDir())
            QVERIFY(QDir(m_f->file()).removeRecursively());
        if (m_mounted)
            QVERIFY2(
                ::mount("tmpfs", path(folder).constData(), nullptr, MS_REMOUNT, "size=4m") == 0,
                qPrintable(errorText()));
    }

    std::unique_ptr<StoreFixture> m_f;
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
