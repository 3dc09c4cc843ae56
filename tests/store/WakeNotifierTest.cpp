#include "platform/LogindWakeNotifier.h"

#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// A private bus stands in for the system bus, and a fake logind owns
// org.freedesktop.login1 on it and announces sleep and wake.
class WakeNotifierTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.setProgram(u"dbus-daemon"_s);
        m_bus.setArguments(
            { u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s });
        m_bus.start();
        QVERIFY(m_bus.waitForStarted());
        QTRY_VERIFY(m_bus.canReadLine());
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // The production code reads the system bus; point it at ours before
        // anything in this process opens it.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        m_logind = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address), u"fake-logind"_s));
        QVERIFY(m_logind->isConnected());
        QVERIFY(m_logind->registerService(u"org.freedesktop.login1"_s));
        m_impostor = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address), u"impostor"_s));
        QVERIFY(m_impostor->isConnected());
    }

    void cleanupTestCase()
    {
        m_logind.reset();
        m_impostor.reset();
        QDBusConnection::disconnectFromBus(u"fake-logind"_s);
        QDBusConnection::disconnectFromBus(u"impostor"_s);
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void wakeRunsACheckAtOnce()
    {
        StoreFixture f;
        const Alarm due { QUuid::createUuid(), momentFromIso(u"2026-01-05T08:00:00+01:00"_s),
            u"Slept through"_s, false, true, false };
        f.writeStored(encodeAlarms({ due }).value());
        *f.time = momentFromIso(u"2026-01-05T11:30:00+01:00"_s);
        f.store = std::make_unique<AlarmStore>(AlarmStore::Services {
            std::make_unique<FakeClock>(f.time), std::make_unique<FileDefaults>(f.folder()),
            std::make_unique<RecordingPresenter>(f.presenter),
            std::make_unique<LogindWakeNotifier>(QDBusConnection::systemBus()) });
        QElapsedTimer elapsed;
        elapsed.start();

        // Going to sleep, and the same signal from a sender that is not logind: nothing.
        QVERIFY(m_logind->send(prepareForSleep(true)));
        QVERIFY(m_impostor->send(prepareForSleep(false)));
        QTest::qWait(200);
        QVERIFY(f.presenter->shown.isEmpty());

        QVERIFY(m_logind->send(prepareForSleep(false)));
        QTRY_COMPARE_WITH_TIMEOUT(f.presenter->shown.size(), 1, 600);
        // Well before the first tick of the timer could have found it.
        QVERIFY2(elapsed.elapsed() < 900, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(f.presenter->shown.constFirst().label, u"Slept through"_s);
        QVERIFY(!f.store->alarms().constFirst().isEnabled);
    }

    void noBusNoNotifier()
    {
        // A notifier without a bus is silent and harmless.
        LogindWakeNotifier notifier { QDBusConnection(u"not-connected"_s) };
        QSignalSpy woke(&notifier, &LogindWakeNotifier::woke);
        QTest::qWait(50);
        QCOMPARE(woke.count(), 0);
    }

private:
    static QDBusMessage prepareForSleep(bool start)
    {
        QDBusMessage message = QDBusMessage::createSignal(u"/org/freedesktop/login1"_s,
            u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        message << start;
        return message;
    }

    QProcess m_bus;
    std::unique_ptr<QDBusConnection> m_logind;
    std::unique_ptr<QDBusConnection> m_impostor;
};

QTEST_GUILESS_MAIN(WakeNotifierTest)
#include "WakeNotifierTest.moc"
