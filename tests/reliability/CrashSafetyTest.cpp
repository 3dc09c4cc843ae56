// Kills a process that saves the alarm list in a loop (brisvane_save_loop)
// with SIGKILL at random moments, a few hundred times in a row over the same
// settings folder. After every kill the stored file must decode and hold
// exactly the list before the step that was cut short, or exactly the list
// that step makes; nothing in between and nothing else.

#include "support/StoreFixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <cmath>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kKills = 250;
constexpr int kMaxDelayMilliseconds = 30;
constexpr quint32 kDefaultSeed = 20260105;
// Any moment will do; the test runs in UTC so that days start at multiples
// of 86400 s from the reference date.
constexpr Moment kNow = 789291000 + 12345.5;

// One step of the loop as it announced it.
struct Step
{
    enum class Kind
    {
        Add,
        Enable,
        Delete
    } kind;
    QUuid id; // enable, delete
    bool enable = false;
    Moment time = 0; // add
    bool daily = false;
    QString label;
};

std::optional<Step> parseStep(const QByteArray &line)
{
    const QList<QByteArray> words = line.split(' ');
    Step step;
    if (words.size() >= 4 && words.at(0) == "add") {
        step.kind = Step::Kind::Add;
        step.time = words.at(1).toDouble();
        step.daily = words.at(2) == "daily";
        const qsizetype labelStart
            = words.at(0).size() + words.at(1).size() + words.at(2).size() + 3;
        step.label = QString::fromUtf8(line.mid(labelStart));
        return step;
    }
    if (words.size() == 3 && words.at(0) == "enable") {
        step.kind = Step::Kind::Enable;
        step.id = QUuid::fromString(QLatin1StringView(words.at(1)));
        step.enable = words.at(2) == "1";
        return step;
    }
    if (words.size() == 2 && words.at(0) == "delete") {
        step.kind = Step::Kind::Delete;
        step.id = QUuid::fromString(QLatin1StringView(words.at(1)));
        return step;
    }
    return std::nullopt;
}

// The first moment after `now` with the hour and minute of `time`, in UTC.
Moment nextTimeOfDay(Moment time, Moment now)
{
    const double minuteOfDay = std::floor(std::fmod(time, 86400.0) / 60.0);
    Moment next = std::floor(now / 86400.0) * 86400.0 + minuteOfDay * 60.0;
    if (next <= now)
        next += 86400.0;
    return next;
}

// What `step` makes of `before`; an added alarm gets `newId`.
QList<Alarm> applied(QList<Alarm> before, const Step &step, const QUuid &newId)
{
    switch (step.kind) {
    case Step::Kind::Add:
        before.append(
            Alarm { newId, nextTimeOfDay(step.time, kNow), step.label, step.daily, true, false });
        break;
    case Step::Kind::Enable:
        for (Alarm &alarm : before) {
            if (alarm.id == step.id)
                alarm.isEnabled = step.enable;
        }
        break;
    case Step::Kind::Delete:
        before.removeIf([&](const Alarm &alarm) { return alarm.id == step.id; });
        break;
    }
    return before;
}

// Whether `stored` is what `step` makes of `before`. The identifier of an
// added alarm is only known once the step is done: any new one will do.
bool isAfter(const QList<Alarm> &stored, const QList<Alarm> &before, const Step &step)
{
    if (step.kind != Step::Kind::Add)
        return stored == applied(before, step, {});
    if (stored.size() != before.size() + 1)
        return false;
    const QUuid newId = stored.constLast().id;
    const bool fresh = !newId.isNull()
        && std::none_of(
            before.cbegin(), before.cend(), [&](const Alarm &alarm) { return alarm.id == newId; });
    return fresh && stored == applied(before, step, newId);
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

        QList<Alarm> model; // what the file held after the last kill
        bool fileWritten = false;
        int stepsCut = 0;
        int newListLanded = 0;
        int stepsDone = 0;
        QElapsedTimer elapsed;
        elapsed.start();

        for (int kill = 0; kill < kKills; ++kill) {
            QProcess loop;
            loop.setProcessEnvironment(environment);
            loop.setProcessChannelMode(QProcess::SeparateChannels);
            loop.start(QStringLiteral(BRISVANE_SAVE_LOOP),
                { QString::number(kill), QString::number(random.generate()),
                    QString::number(kNow, 'f', 3) });
            QVERIFY2(loop.waitForStarted(), qPrintable(loop.errorString()));
            QByteArray output;
            while (!output.contains("ready\n")) {
                QVERIFY2(loop.waitForReadyRead(20000),
                    qPrintable(
                        u"no ready line: "_s + QString::fromUtf8(loop.readAllStandardError())));
                output += loop.readAllStandardOutput();
            }

            QThread::msleep(random.bounded(kMaxDelayMilliseconds + 1));
            QVERIFY2(loop.state() == QProcess::Running,
                qPrintable(QString::fromUtf8(loop.readAllStandardError())));
            ::kill(pid_t(loop.processId()), SIGKILL);
            QVERIFY(loop.waitForFinished(20000));
            QCOMPARE(loop.exitStatus(), QProcess::CrashExit);
            output += loop.readAllStandardOutput();
            const QByteArray errors = loop.readAllStandardError();
            QVERIFY2(errors.isEmpty(), errors.constData());

            // Replay the complete lines: every step announced and done moves
            // the list on; at most the last one is cut short.
            QList<QByteArray> lines = output.split('\n');
            lines.removeLast(); // a line the kill cut off, or nothing
            QList<Alarm> before = model;
            std::optional<Step> pending;
            for (const QByteArray &line : std::as_const(lines)) {
                if (line == "ready")
                    continue;
                if (line.startsWith("done")) {
                    QVERIFY2(pending, line.constData());
                    const QUuid newId = pending->kind == Step::Kind::Add
                        ? QUuid::fromString(QLatin1StringView(line.mid(5)))
                        : QUuid();
                    before = applied(before, *pending, newId);
                    pending.reset();
                    fileWritten = true;
                    ++stepsDone;
                    continue;
                }
                QVERIFY2(!pending, line.constData());
                pending = parseStep(line);
                QVERIFY2(pending, line.constData());
            }

            const QString context = u"kill %1 after %2, step %3"_s.arg(kill).arg(
                QString::fromUtf8(lines.isEmpty() ? QByteArray() : lines.constLast()),
                pending ? u"cut short"_s : u"complete"_s);
            if (!QFile::exists(disk.file())) {
                // Nothing was saved yet: the loop starts with an empty list.
                QVERIFY2(!fileWritten && before.isEmpty(), qPrintable(context));
                continue;
            }
            fileWritten = true;
            const QByteArray bytes = disk.stored();
            const std::optional<QList<Alarm>> stored = decodeAlarms(bytes);
            QVERIFY2(stored,
                qPrintable(
                    context + u": does not decode: "_s + QString::fromUtf8(bytes.left(200))));
            // Written whole by the store's own encoder, not pieced together.
            QVERIFY2(encodeAlarms(*stored) == bytes, qPrintable(context));

            if (*stored == before) {
                // The step had not yet replaced the file, or none was cut short.
            } else {
                QVERIFY2(pending && isAfter(*stored, before, *pending),
                    qPrintable(context + u"\nstored "_s + describe(*stored) + u"\nbefore "_s
                        + describe(before)));
                ++newListLanded;
            }
            if (pending)
                ++stepsCut;
            model = *stored;
        }

        // QSaveFile writes an unnamed temporary file, syncs it, links it in
        // under a random name and renames that over the old file. A kill
        // between the link and the rename leaves the named file behind: a
        // whole list, never a part of one. Nothing else may be left.
        QStringList leftovers = disk.entries();
        leftovers.removeOne(u"alarms.json"_s);
        static const QRegularExpression temporaryName(u"^alarms\\.json\\.[A-Za-z0-9]{6}$"_s);
        for (const QString &name : std::as_const(leftovers)) {
            QVERIFY2(temporaryName.match(name).hasMatch(), qPrintable(name));
            QVERIFY2(decodeAlarms(disk.read(disk.folder() + u'/' + name)), qPrintable(name));
        }
        qInfo("%d kills in %lld ms: %d steps done, %d cut short, of which %d had already "
              "replaced the file; %lld temporary files left behind",
            kKills, qlonglong(elapsed.elapsed()), stepsDone, stepsCut, newListLanded,
            qlonglong(leftovers.size()));
        // Kills that land mid-save are the point of the test.
        QVERIFY(stepsCut > kKills / 2);
    }
};

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "CrashSafetyTest.moc"
