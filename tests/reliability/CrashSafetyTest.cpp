// Kills a copy of this program that saves the alarm list in a loop with
// SIGKILL at random moments, a few hundred times over the same settings
// folder. After every kill the stored file must decode and hold exactly the
// list before the step that was cut short, or exactly the list that step
// makes; nothing in between and nothing else.

#include "support/StoreFixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kKills = 250;
constexpr int kMaxDelayMilliseconds = 30;
constexpr quint32 kDefaultSeed = 20260105;
constexpr Moment kNow = 789291000 + 12345.5;

QList<Alarm> listOn(const QByteArray &line)
{
    const std::optional<QList<Alarm>> alarms
        = decodeAlarms(QByteArray::fromBase64(line.mid(line.indexOf(' ') + 1)));
    Q_ASSERT(alarms);
    return *alarms;
}

// One write() per line, straight to the pipe: what was printed before the
// kill is there, and nothing printed is lost.
void say(const QByteArray &text)
{
    const QByteArray line = text + '\n';
    if (::write(STDOUT_FILENO, line.constData(), std::size_t(line.size())) != line.size())
        std::_Exit(3);
}

// The loop that is killed: adds, switches and deletes alarms through a real
// store over the real defaults layer, forever, each step saving the whole list
// once. Before each step it prints "step" and the list the step should make (a
// new alarm's identifier is not known yet), after it "done" and the list it
// made, each encoded in base64 on one line. The clock stands still at `now`,
// and new alarms fall on whole minutes of the next day, so no date ever moves
// by itself.
[[noreturn]] void saveLoop(const QString &run, quint32 seed, Moment now)
{
    QRandomGenerator random(seed);
    // The store is never given to the event loop, so no tick runs between steps.
    AlarmStore store({ std::make_unique<FakeClock>(std::make_shared<Moment>(now)),
        std::make_unique<FileDefaults>(FileDefaults::userDirectory()),
        std::make_unique<RecordingPresenter>(std::make_shared<RecordingPresenter::Log>()),
        nullptr });
    say("ready");

    const auto encoded = [](const QList<Alarm> &alarms) {
        return encodeAlarms(alarms).value_or(QByteArray()).toBase64();
    };
    const Moment firstMinute = std::ceil(now / 60) * 60;
    for (int step = 0;; ++step) {
        QList<Alarm> expected = store.alarms();
        const int choice = expected.size() < 2 ? 0 : expected.size() >= 8 ? 2 : random.bounded(3);
        const qsizetype index = choice == 0 ? 0 : random.bounded(int(expected.size()));
        const Alarm chosen = choice == 0 ? Alarm() : expected.at(index);
        Alarm added;
        if (choice == 0) {
            added.fireDate = firstMinute + 60.0 * random.bounded(24 * 60 - 1);
            added.label = u"run %1 step %2 \u23f0"_s.arg(run).arg(step);
            added.repeatsDaily = random.bounded(2) == 1;
            expected.append(added);
        } else if (choice == 1) {
            expected[index].isEnabled = !chosen.isEnabled;
        } else {
            expected.removeAt(index);
        }
        say("step " + encoded(expected));
        if (choice == 0)
            store.add(added.fireDate, added.label,
                added.repeatsDaily ? AlarmStore::Recurrence::Daily : AlarmStore::Recurrence::Once);
        else if (choice == 1)
            store.setEnabled(!chosen.isEnabled, chosen);
        else
            store.deleteAlarm(chosen);
        say("done " + encoded(store.alarms()));
    }
}

QString describe(const QList<Alarm> &alarms)
{
    QString text;
    QDebug(&text) << alarms;
    return text;
}

} // namespace

class CrashSafetyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyKillLeavesTheListBeforeOrAfter()
    {
        const quint32 seed = qEnvironmentVariableIsSet("BRISVANE_KILL_SEED")
            ? qEnvironmentVariable("BRISVANE_KILL_SEED").toUInt()
            : kDefaultSeed;
        qInfo("seed %u (set BRISVANE_KILL_SEED to replay another)", seed);
        QRandomGenerator random(seed);

        StoreFixture disk;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_s, disk.configHome.path());
        environment.insert(u"TZ"_s, u"UTC"_s);

        QList<Alarm> before; // what the file held after the last kill
        int stepsCut = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            QProcess loop;
            loop.setProcessEnvironment(environment);
            loop.start(QCoreApplication::applicationFilePath(),
                { u"--save-loop"_s, QString::number(kill), QString::number(random.generate()) });
            QByteArray output;
            while (!output.contains("ready\n")) {
                QVERIFY2(loop.waitForReadyRead(20000), loop.readAllStandardError().constData());
                output += loop.readAllStandardOutput();
            }
            QThread::msleep(random.bounded(kMaxDelayMilliseconds + 1));
            QVERIFY2(loop.state() == QProcess::Running, loop.readAllStandardError().constData());
            ::kill(pid_t(loop.processId()), SIGKILL);
            QVERIFY(loop.waitForFinished(20000));
            output += loop.readAllStandardOutput();
            const QByteArray errors = loop.readAllStandardError();
            QVERIFY2(errors.isEmpty(), errors.constData());

            // Every complete line: at most the last step is cut short.
            QList<QByteArray> lines = output.split('\n');
            lines.removeLast(); // a line the kill cut off, or nothing
            std::optional<QList<Alarm>> pending;
            for (const QByteArray &line : std::as_const(lines)) {
                QVERIFY2(line.startsWith(pending ? "done " : "step ") || line == "ready",
                    line.constData());
                if (line.startsWith("done "))
                    before = listOn(line);
                pending = line.startsWith("step ") ? std::optional(listOn(line)) : std::nullopt;
            }

            if (!QFile::exists(disk.file())) {
                QVERIFY(before.isEmpty()); // nothing saved yet
                continue;
            }
            const QByteArray bytes = disk.stored();
            const std::optional<QList<Alarm>> stored = decodeAlarms(bytes);
            QVERIFY2(stored, bytes.left(200).constData());
            // Written whole by the store's own encoder, not pieced together.
            QVERIFY(encodeAlarms(*stored) == bytes);
            if (pending) {
                ++stepsCut;
                // An added alarm's identifier is only known once it is made.
                if (pending->size() == before.size() + 1 && stored->size() == pending->size()
                    && !before.contains(stored->constLast()))
                    pending->last().id = stored->constLast().id;
            }
            QVERIFY2(*stored == before || (pending && *stored == *pending),
                qPrintable(u"kill %1: stored "_s.arg(kill) + describe(*stored) + u"\nbefore "_s
                    + describe(before)));
            before = *stored;
        }

        // QSaveFile links a synced temporary file in under a random name and
        // renames it over the old one; a kill in between leaves that whole
        // list behind, never a part of one. Nothing else may be left.
        static const QRegularExpression temporaryName(u"^alarms\\.json\\.[A-Za-z0-9]{6}$"_s);
        for (const QString &name : disk.entries()) {
            QVERIFY2(name == u"alarms.json"_s
                    || (temporaryName.match(name).hasMatch()
                        && decodeAlarms(disk.read(disk.folder() + u'/' + name))),
                qPrintable(name));
        }
        // Kills that land mid-save are the point of the test.
        QVERIFY2(stepsCut > kKills / 2, qPrintable(QString::number(stepsCut)));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--save-loop") == 0)
        saveLoop(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toUInt(), kNow);
    CrashSafetyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "CrashSafetyTest.moc"
