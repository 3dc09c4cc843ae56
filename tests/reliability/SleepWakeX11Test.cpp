// The real program through a sleep of the machine, announced by a fake logind
// on a private bus. Two nights pass; the daily alarm that fell due rings once,
// at the wake signal, before the next beat of the program's one-second timer
// could have found it. The beat is learned from an alarm that rang by the
// clock just before; the test wakes the machine 0.4 s after a beat.

#include "DesktopProgram.h"

#include "support/TestMoments.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kTickMs = 1000;
constexpr qint64 kWakeAfterTickMs = 400;
// The timer is a coarse one: a beat may come up to 5 % early.
constexpr qint64 kEarlyTickMs = 50;

QDBusMessage prepareForSleep(bool start)
{
    QDBusMessage message = QDBusMessage::createSignal(
        u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
    message << start;
    return message;
}

} // namespace

class SleepWakeX11Test : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DesktopProgram> m_program;
    QString m_busAddress;
    std::unique_ptr<QDBusConnection> m_logind;

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = DesktopProgram::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        if (!X11Session::hasProgram(u"dbus-daemon"_s))
            QSKIP("dbus-daemon is not installed: no bus to stand in for the system bus");
        m_program = std::make_unique<DesktopProgram>();
        QVERIFY2(m_program->isRunning(), qPrintable(m_program->errorString()));

        // The session stops the bus with everything else it started.
        X11Session &session = m_program->session();
        QProcess *bus = session.startClient(u"dbus-daemon"_s,
            { u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s });
        m_busAddress = session.waitForLine(bus, u"unix:"_s).value_or(QString());
        m_logind = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_busAddress, u"fake-logind"_s));
        QVERIFY(m_logind->registerService(u"org.freedesktop.login1"_s));
    }

    void cleanupTestCase()
    {
        m_logind.reset();
        QDBusConnection::disconnectFromBus(u"fake-logind"_s);
        m_program.reset();
    }

    void alarmDueInSleepRingsAtWakeOnce()
    {
        DesktopProgram &program = *m_program;
        Alarm evening;
        evening.label = u"Before sleep"_s;
        evening.fireDate = momentFromIso(u"2026-01-05T22:00:00+01:00"_s);
        Alarm morning;
        morning.label = u"Slept through"_s;
        morning.fireDate = momentFromIso(u"2026-01-06T07:00:00+01:00"_s);
        morning.repeatsDaily = true;
        QVERIFY(program.storeAlarms({ evening, morning }));
        // A few seconds before it, so that it rings on a beat well after
        // the program's start, which may hold up the first.
        QVERIFY(program.setClock(evening.fireDate - 3));
        QProcessEnvironment bus;
        bus.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, m_busAddress);
        QProcess *brisvane = program.start(bus);
        QVERIFY2(
            program.waitUntilReady(brisvane), program.session().clientOutput(brisvane).constData());

        // The evening alarm rings by the clock, on a beat of the timer.
        DesktopProgram::Answered answered = program.answerRings({ brisvane }, 0);
        QVERIFY2(answered.failure.isEmpty(), qPrintable(answered.failure));
        QCOMPARE(answered.rings.size(), 1);
        QCOMPARE(answered.rings.constFirst().scheduledFor, evening.fireDate);
        const qint64 beat = answered.rings.constFirst().at;

        // To sleep; two nights pass; awake on Wednesday at 07:20, a little
        // after a beat.
        QVERIFY(m_logind->send(prepareForSleep(true)));
        qint64 wakeAt = beat + kWakeAfterTickMs;
        while (wakeAt < DesktopProgram::monotonicNow() + 100)
            wakeAt += kTickMs;
        QThread::msleep(quint64(wakeAt - DesktopProgram::monotonicNow()));
        QVERIFY(program.setClock(momentFromIso(u"2026-01-08T07:20:00+01:00"_s)));
        const qint64 wokeAt = DesktopProgram::monotonicNow();
        QVERIFY(m_logind->send(prepareForSleep(false)));
        const qint64 nextBeat = beat + (wokeAt - beat + kTickMs - 1) / kTickMs * kTickMs;

        answered = program.answerRings({ brisvane }, wokeAt);
        QVERIFY2(answered.failure.isEmpty(), qPrintable(answered.failure));
        QCOMPARE(answered.rings.size(), 1);
        QCOMPARE(answered.panels.size(), 1);
        QCOMPARE(answered.rings.constFirst().label, morning.label);
        QCOMPARE(answered.rings.constFirst().scheduledFor, morning.fireDate);
        const qint64 rangAt = answered.rings.constFirst().at;
        qInfo("rang %lld ms after the wake signal and %lld ms before the next beat of the "
              "timer; on screen %lld ms after the signal",
            rangAt - wokeAt, nextBeat - rangAt, answered.panels.constFirst().seenAt - wokeAt);
        QVERIFY2(rangAt < nextBeat - kEarlyTickMs,
            qPrintable(u"rang %1 ms after the wake signal: not before the next beat"_s.arg(
                rangAt - wokeAt)));

        // Missed mornings are not rung one by one: the daily alarm moves to
        // Thursday, the evening alarm stays off.
        const QList<Alarm> stored = program.storedAlarms();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(0).isEnabled, false);
        QCOMPARE(stored.at(1).isEnabled, true);
        QCOMPARE(stored.at(1).fireDate, momentFromIso(u"2026-01-09T07:00:00+01:00"_s));
    }
};

QTEST_GUILESS_MAIN(SleepWakeX11Test)
#include "SleepWakeX11Test.moc"
