// The real program while its settings folder is immutable (chattr +i, which
// stops even root) as an alarm falls due: it keeps running and rings, and its
// failed write leaves the last good alarms.json alone. StorageFaultTest covers
// the other faults, and recovery, on the store itself.

#include "DesktopProgram.h"

#include "model/AlarmCodec.h"
#include "support/Immutable.h"
#include "support/TestMoments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

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
        m_program = std::make_unique<DesktopProgram>();
        QVERIFY2(m_program->isRunning(), qPrintable(m_program->errorString()));
    }

    // Also after a failure: an immutable folder could not even be removed.
    void cleanup()
    {
        if (!m_immutable.isEmpty()) {
            const QString error = setImmutable(m_immutable, false);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            m_immutable.clear();
        }
    }

    void cleanupTestCase() { m_program.reset(); }

    void ringsAndKeepsTheLastGoodFile()
    {
        DesktopProgram &program = *m_program;
        Alarm alarm;
        alarm.label = u"While locked"_s;
        alarm.fireDate = momentFromIso(u"2026-01-05T07:30:00+01:00"_s);
        QVERIFY(program.storeAlarms({ alarm }));
        QVERIFY(program.setClock(alarm.fireDate - 30));
        QProcess *brisvane = program.start();
        QVERIFY2(
            program.waitUntilReady(brisvane), program.session().clientOutput(brisvane).constData());

        // The list it loaded, written back in its own form: the last good file.
        using Kind = DesktopProgram::Event::Kind;
        QVERIFY(X11Session::waitUntil(
            [&] { return !program.events(brisvane, Kind::Saved).isEmpty(); }));
        const QByteArray good = program.storedBytes();
        QCOMPARE(decodeAlarms(good).value_or(QList<Alarm> {}), QList<Alarm> { alarm });

        const QString folder = program.folder();
        if (const QString error = setImmutable(folder, true); !error.isEmpty())
            QSKIP(qPrintable(u"the settings folder cannot be made immutable here: "_s + error));
        m_immutable = folder;
        if (QFile probe(folder + u"/probe"_s); probe.open(QIODevice::WriteOnly))
            QSKIP("an immutable folder is still writable here");

        const qint64 since = DesktopProgram::monotonicNow();
        QVERIFY(program.setClock(alarm.fireDate));
        const DesktopProgram::Answered answered = program.answerRings({ brisvane }, since);
        QVERIFY2(answered.failure.isEmpty(), qPrintable(answered.failure));
        QCOMPARE(answered.panels.size(), 1);
        QCOMPARE(answered.rings.size(), 1);
        QCOMPARE(program.events(brisvane, Kind::SaveFailed, since).size(), 1);
        QVERIFY(DesktopProgram::isAlive(brisvane));
        QCOMPARE(program.storedBytes(), good);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList { u"alarms.json"_s });
    }
};

QTEST_GUILESS_MAIN(ImmutableFolderX11Test)
#include "ImmutableFolderX11Test.moc"
