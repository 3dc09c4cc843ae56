// Ten launches of the real program at once while the machine is busy: one
// stays, the nine others hand over to it and exit cleanly within seconds, and
// only the one that stays ever loads, rings or writes. Each round ends with a
// kill, so the next starts over the lock of a program that died.

#include "DesktopProgram.h"

#include "support/TestMoments.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kLaunches = 10;
constexpr int kRounds = 3;
// 4 s is usual on two busy cores; 11 s was seen beside a sanitizer build.
constexpr int kHandOverMs = 15000;

// Keeps every core busy for as long as it lives.
class Load
{
public:
    Load()
    {
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
            m_threads.emplace_back([this] {
                while (!m_stop.load(std::memory_order_relaxed)) { }
            });
    }
    ~Load() { m_stop = true; }

private:
    std::atomic<bool> m_stop { false };
    std::vector<std::jthread> m_threads;
};

} // namespace

class DoubleLaunchX11Test : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DesktopProgram> m_program;

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString missing = DesktopProgram::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_program = std::make_unique<DesktopProgram>();
        QVERIFY2(m_program->isRunning(), qPrintable(m_program->errorString()));
    }

    void cleanupTestCase() { m_program.reset(); }

    void tenLaunchesLeaveOneProgram()
    {
        DesktopProgram &program = *m_program;
        using Kind = DesktopProgram::Event::Kind;
        for (int round = 0; round < kRounds; ++round) {
            Alarm alarm;
            alarm.label = u"Round %1"_s.arg(round);
            alarm.fireDate = momentFromIso(u"2026-01-05T07:30:00+01:00"_s) + 86400 * round;
            QVERIFY(program.storeAlarms({ alarm }));
            QVERIFY(program.setClock(alarm.fireDate - 60));

            QList<QProcess *> launched;
            QElapsedTimer handOver;
            {
                const Load load;
                handOver.start();
                for (int i = 0; i < kLaunches; ++i)
                    launched.append(program.start());
                X11Session::waitUntil(
                    [&] {
                        return std::count_if(
                                   launched.cbegin(), launched.cend(), &DesktopProgram::isAlive)
                            <= 1;
                    },
                    2 * kHandOverMs);
            }

            QList<QProcess *> survivors;
            for (QProcess *p : std::as_const(launched)) {
                if (DesktopProgram::isAlive(p)) {
                    survivors.append(p);
                    continue;
                }
                QCOMPARE(p->exitStatus(), QProcess::NormalExit);
                QCOMPARE(p->exitCode(), 0);
            }
            QCOMPARE(survivors.size(), 1);
            QVERIFY2(handOver.elapsed() <= kHandOverMs,
                qPrintable(u"the others took %1 ms to exit"_s.arg(handOver.elapsed())));
            QProcess *const brisvane = survivors.constFirst();
            QVERIFY(program.waitUntilReady(brisvane));

            // Each launch asked the program to open its window: close it, as
            // a click elsewhere does, so that the panel gets the next click.
            const auto windowOpen = [&] {
                for (const X11Session::Window &w :
                    program.session().visibleWindows({ u"--name"_s, u"^Brisvane$"_s })) {
                    if (w.geometry.width() == 380)
                        return true;
                }
                return false;
            };
            if (X11Session::waitUntil(windowOpen, 3000)) {
                QTest::qSleep(300);
                QVERIFY(program.session().click(QPoint(300, 700)));
                QVERIFY(X11Session::waitUntil([&] { return !windowOpen(); }));
            }

            // The alarm falls due: one ring, one panel, one write, all by the
            // one program, which alone wrote the list when it loaded it.
            const auto saves = [&](qint64 since) {
                qsizetype count = 0;
                for (QProcess *p : std::as_const(launched))
                    count += program.events(p, Kind::Saved, since).size();
                return count;
            };
            QCOMPARE(saves(0), 1);
            QCOMPARE(program.events(brisvane, Kind::Saved).size(), 1);
            const qint64 due = DesktopProgram::monotonicNow();
            QVERIFY(program.setClock(alarm.fireDate));
            const DesktopProgram::Answered answered = program.answerRings(launched, due);
            QVERIFY2(answered.failure.isEmpty(), qPrintable(answered.failure));
            QCOMPARE(answered.panels.size(), 1);
            QCOMPARE(answered.rings.size(), 1);
            QCOMPARE(saves(due), 1);
            alarm.isEnabled = false;
            QCOMPARE(program.storedAlarms(), QList<Alarm> { alarm });
            for (QProcess *p : std::as_const(launched))
                QCOMPARE(DesktopProgram::isAlive(p), p == brisvane);

            // Killed, not quit: the next round finds its lock and socket.
            brisvane->kill();
            QVERIFY(brisvane->waitForFinished(5000));
        }
    }
};

QTEST_GUILESS_MAIN(DoubleLaunchX11Test)
#include "DoubleLaunchX11Test.moc"
