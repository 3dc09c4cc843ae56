// The real program while its settings folder cannot be written: made
// immutable (chattr +i), which stops even root, just before an alarm falls
// due. The program keeps running and rings; its write fails and leaves the
// last good alarms.json byte for byte, with no stray file beside it. Once the
// folder is writable again, the next change writes the whole list, the change
// that could not be written included.

#include "DesktopProgram.h"

#include "model/AlarmCodec.h"
#include "support/TestMoments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kQuietMs = 1300;

// Runs chattr on `path`; returns why it failed, or nothing.
QString chattr(const QString &flag, const QString &path)
{
    QProcess process;
    process.start(u"chattr"_s, { flag, path });
    if (!process.waitForFinished(5000))
        return u"chattr did not run: "_s + process.errorString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return {};
}

} // namespace

class ImmutableFolderX11Test : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DesktopProgram> m_program;
    QString m_immutable; // the folder while it is immutable

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = DesktopProgram::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        if (!X11Session::hasProgram(u"chattr"_s))
            QSKIP("chattr is not installed (e2fsprogs)");
        m_program = std::make_unique<DesktopProgram>(u"ImmutableFolderX11Test"_s);
        QVERIFY2(m_program->isRunning(), qPrintable(m_program->errorString()));
    }

    // Also after a failure: an immutable folder could not even be removed.
    void cleanup()
    {
        if (!m_immutable.isEmpty()) {
            const QString error = chattr(u"-i"_s, m_immutable);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            m_immutable.clear();
        }
    }

    void cleanupTestCase() { m_program.reset(); }

    void ringsAndKeepsTheLastGoodFile()
    {
        DesktopProgram &program = *m_program;
        Alarm locked;
        locked.label = u"While locked"_s;
        locked.fireDate = momentFromIso(u"2026-01-05T07:30:00+01:00"_s);
        Alarm unlocked;
        unlocked.label = u"Unlocked"_s;
        unlocked.fireDate = locked.fireDate + 60;
        QVERIFY(program.storeAlarms({ locked, unlocked }));
        QVERIFY(program.setClock(locked.fireDate - 30));
        QProcess *brisvane = program.start();
        QVERIFY2(
            program.waitUntilReady(brisvane), program.session().clientOutput(brisvane).constData());

        // The list it loaded, written back in its own form: the last good file.
        using Kind = DesktopProgram::Event::Kind;
        QVERIFY(X11Session::waitUntil([&] {
            return !DesktopProgram::ofKind(program.events(brisvane), Kind::Saved).isEmpty();
        }));
        const QByteArray good = program.storedBytes();
        QCOMPARE(decodeAlarms(good).value_or(QList<Alarm> {}), (QList<Alarm> { locked, unlocked }));

        const QString folder = program.folder();
        if (const QString error = chattr(u"+i"_s, folder); !error.isEmpty())
            QSKIP(qPrintable(u"the settings folder cannot be made immutable here: "_s + error));
        m_immutable = folder;
        {
            QFile probe(folder + u"/probe"_s);
            if (probe.open(QIODevice::WriteOnly))
                QSKIP("an immutable folder is still writable here");
        }

        // Due: it rings, and its write fails.
        const auto settled = [&](qint64 since) {
            return [&, since] {
                const auto rings
                    = DesktopProgram::ofKind(program.events(brisvane), Kind::Ring, since);
                return !rings.isEmpty()
                    && DesktopProgram::monotonicNow() >= rings.constLast().at + kQuietMs;
            };
        };
        qint64 since = DesktopProgram::monotonicNow();
        QVERIFY(program.setClock(locked.fireDate));
        QString failure;
        QCOMPARE(program.dismissPanelsUntil(settled(since), 10000, &failure).size(), 1);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QList<DesktopProgram::Event> events = program.events(brisvane);
        QCOMPARE(DesktopProgram::ofKind(events, Kind::Ring, since).size(), 1);
        QCOMPARE(DesktopProgram::ofKind(events, Kind::SaveFailed, since).size(), 1);
        QCOMPARE(DesktopProgram::ofKind(events, Kind::Saved, since).size(), 0);
        QVERIFY(DesktopProgram::isAlive(brisvane));
        QCOMPARE(program.storedBytes(), good);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList { u"alarms.json"_s });

        // Writable again: the next ring writes the whole list.
        QVERIFY(chattr(u"-i"_s, folder).isEmpty());
        m_immutable.clear();
        since = DesktopProgram::monotonicNow();
        QVERIFY(program.setClock(unlocked.fireDate));
        QCOMPARE(program.dismissPanelsUntil(settled(since), 10000, &failure).size(), 1);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        events = program.events(brisvane);
        QCOMPARE(DesktopProgram::ofKind(events, Kind::Saved, since).size(), 1);
        locked.isEnabled = false;
        unlocked.isEnabled = false;
        QCOMPARE(program.storedAlarms(), (QList<Alarm> { locked, unlocked }));
        QVERIFY(DesktopProgram::stop(brisvane));
    }
};

QTEST_GUILESS_MAIN(ImmutableFolderX11Test)
#include "ImmutableFolderX11Test.moc"
