#include "DesktopProgram.h"

#include "alert/AlertView.h"
#include "model/AlarmCodec.h"
#include "store/AtomicFile.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// The real wall clock, which the test itself runs on.
Moment realNow()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kMomentEpochOffset;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The size of the alert panel on the 1440 × 900 desktop.
constexpr QSize kPanelSize { 528, 330 };

// "brisvane.store   2604.002 ring 818253908.000 Wake up", as the message
// pattern that start() sets lays out the store's lines.
const QRegularExpression kLogLine(
    uR"(^brisvane\.store +(\d+)\.(\d{3}) (?:ring (-?\d+\.\d+) (.*)|(saved|save failed) \d+ bytes)$)"_s);

} // namespace

QString DesktopProgram::missingTools()
{
    if (!X11Session::isAvailable())
        return u"Xvfb, openbox, wmctrl or xdotool is not installed: no X11 desktop to test on"_s;
    for (const QString &tool : { u"trayer"_s, u"xwininfo"_s, u"import"_s }) {
        if (!X11Session::hasProgram(tool))
            return tool + u" is not installed (trayer, x11-utils, imagemagick)"_s;
    }
    if (!QFile::exists(QStringLiteral(BRISVANE_LIBFAKETIME)))
        return u"libfaketime is not installed: no clock to fake"_s;
    return {};
}

qint64 DesktopProgram::monotonicNow()
{
    // The clock behind QDeadlineTimer is the one that "%{time boot}" in a
    // message pattern prints, in every process.
    return QDeadlineTimer::current().deadline();
}

DesktopProgram::DesktopProgram()
{
    X11Session::Options options;
    options.firstDisplay = 210;
    options.lastDisplay = 229;
    options.tray = X11Session::Tray::Trayer;
    m_session = std::make_unique<X11Session>(options);
    m_clockFile = m_clockDir.filePath(u"clock"_s);
    setClock(realNow());
    newHome();
}

DesktopProgram::~DesktopProgram()
{
    // The programs end before their home folder goes.
    m_session.reset();
}

void DesktopProgram::newHome()
{
    m_home = std::make_unique<QTemporaryDir>();
    const QString runtime = m_home->filePath(u"runtime"_s);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(folder());
}

QString DesktopProgram::folder() const
{
    return m_home->filePath(u".config/brisvane"_s);
}

QString DesktopProgram::alarmsFile() const
{
    return folder() + u"/alarms.json"_s;
}

bool DesktopProgram::storeAlarms(const QList<Alarm> &alarms) const
{
    const std::optional<QByteArray> bytes = encodeAlarms(alarms);
    return bytes && AtomicFile::write(alarmsFile(), *bytes);
}

QByteArray DesktopProgram::storedBytes() const
{
    return readFile(alarmsFile());
}

QList<Alarm> DesktopProgram::storedAlarms() const
{
    return decodeAlarms(storedBytes()).value_or(QList<Alarm> {});
}

bool DesktopProgram::setClock(Moment moment)
{
    // Whole seconds: libfaketime reads fractions in the program's locale.
    const qint64 offset = qint64(std::floor(moment - realNow()));
    const QByteArray text = (offset < 0 ? "-" : "+") + QByteArray::number(std::abs(offset));
    if (!AtomicFile::write(m_clockFile, text + '\n'))
        return false;
    m_offsetSeconds = offset;
    return true;
}

Moment DesktopProgram::clockNow() const
{
    return realNow() + double(m_offsetSeconds);
}

Moment DesktopProgram::clockAt(qint64 monotonic) const
{
    return clockNow() - double(monotonicNow() - monotonic) / 1000.0;
}

qint64 DesktopProgram::monotonicWhen(Moment moment) const
{
    return monotonicNow() + qint64(std::ceil((moment - clockNow()) * 1000.0));
}

QProcess *DesktopProgram::start(const QProcessEnvironment &extra)
{
    QProcessEnvironment environment;
    environment.insert(u"HOME"_s, m_home->path());
    environment.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u".config"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_home->filePath(u"runtime"_s));
    environment.insert(u"TZ"_s, u"Europe/Berlin"_s);
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    environment.insert(u"LD_PRELOAD"_s, QStringLiteral(BRISVANE_LIBFAKETIME));
    environment.insert(u"FAKETIME_TIMESTAMP_FILE"_s, m_clockFile);
    environment.insert(u"FAKETIME_NO_CACHE"_s, u"1"_s);
    environment.insert(u"FAKETIME_DONT_FAKE_MONOTONIC"_s, u"1"_s);
    environment.insert(u"QT_LOGGING_RULES"_s, u"brisvane.store.debug=true"_s);
    environment.insert(u"QT_MESSAGE_PATTERN"_s, u"%{category} %{time boot} %{message}"_s);
    environment.insert(u"QT_FORCE_STDERR_LOGGING"_s, u"1"_s);
    // A sanitizer build insists on its runtime coming first of all libraries;
    // the preloaded libfaketime comes before it, harmlessly.
    const QString sanitizer = qEnvironmentVariable("ASAN_OPTIONS");
    environment.insert(u"ASAN_OPTIONS"_s,
        (sanitizer.isEmpty() ? QString() : sanitizer + u':') + u"verify_asan_link_order=0"_s);
    environment.insert(extra);
    return m_session->startClient(QStringLiteral(BRISVANE_EXECUTABLE), {}, environment);
}

bool DesktopProgram::waitUntilReady(QProcess *program, int timeoutMs)
{
    const auto bell = [&] {
        return !m_session->visibleWindows({ u"--name"_s, u"^Brisvane$"_s }, QSize(22, 22))
                    .isEmpty();
    };
    X11Session::waitUntil([&] { return !isAlive(program) || bell(); }, timeoutMs);
    return isAlive(program) && bell();
}

bool DesktopProgram::isAlive(QProcess *program)
{
    return program->state() == QProcess::Running && !program->waitForFinished(0);
}

QList<DesktopProgram::Event> DesktopProgram::events(
    QProcess *program, Event::Kind kind, qint64 since)
{
    QByteArray &log = m_logs[program];
    if (isAlive(program))
        program->waitForReadyRead(0);
    log += program->readAllStandardError();
    QList<Event> events;
    for (const QByteArray &line : log.split('\n')) {
        const QRegularExpressionMatch match = kLogLine.match(QString::fromUtf8(line));
        if (!match.hasMatch())
            continue;
        Event event;
        event.at = match.captured(1).toLongLong() * 1000 + match.captured(2).toLongLong();
        if (match.hasCaptured(3)) {
            event.scheduledFor = match.captured(3).toDouble();
            event.label = match.captured(4);
        } else {
            event.kind
                = match.captured(5) == u"saved"_s ? Event::Kind::Saved : Event::Kind::SaveFailed;
        }
        if (event.kind == kind && event.at >= since)
            events.append(event);
    }
    return events;
}

QList<X11Session::Window> DesktopProgram::panels() const
{
    return m_session->visibleWindows({ u"--name"_s, u"^Brisvane$"_s }, kPanelSize);
}

bool DesktopProgram::dismiss(const X11Session::Window &panel)
{
    // "Dismiss" is the right one of the two dark capsules in the lower part
    // of the panel; a panel just mapped may not be painted yet.
    const QRect &frame = panel.geometry;
    const QRect buttonRow(frame.left(), frame.top() + frame.height() * 55 / 100, frame.width(),
        frame.height() * 23 / 100);
    const QString path = m_clockDir.filePath(u"panel.png"_s);
    std::optional<QPoint> button;
    X11Session::waitUntil([&] {
        const QList<QRect> capsules
            = X11Session::colourRuns(m_session->screenshot(path), buttonRow, AlertView::darkBlue());
        if (capsules.size() == 2)
            button = capsules.at(1).center();
        return button || !m_session->isViewable(panel.id);
    });
    if (!button)
        return !m_session->isViewable(panel.id);
    m_session->click(*button);
    return X11Session::waitUntil([&] { return !m_session->isViewable(panel.id); });
}

DesktopProgram::Answered DesktopProgram::answerRings(const QList<QProcess *> &programs,
    qint64 since, qsizetype count, qint64 quietFrom, int timeoutMs)
{
    // Long enough after the last ring for another tick to pass.
    constexpr qint64 kQuietMs = 1300;
    Answered answered;
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const QList<X11Session::Window> visible = panels();
        const qint64 now = monotonicNow();
        answered.rings.clear();
        for (QProcess *program : programs)
            answered.rings += events(program, Event::Kind::Ring, since);
        const qint64 lastRing = answered.rings.isEmpty() ? 0 : answered.rings.constLast().at;
        // Every ring puts up a panel of its own, in time: on a starved machine
        // that can take longer than a tick, so wait for it rather than for
        // the clock alone.
        if (visible.isEmpty() && answered.rings.size() >= count
            && answered.panels.size() >= answered.rings.size()
            && now >= std::max(quietFrom, lastRing) + kQuietMs)
            return answered;
        for (const X11Session::Window &panel : visible) {
            if (std::none_of(answered.panels.cbegin(), answered.panels.cend(),
                    [&](const Panel &known) { return known.window == panel.id; }))
                answered.panels.append({ panel.id, now });
            if (!dismiss(panel)) {
                answered.failure = u"the panel did not go on a click on \"Dismiss\""_s;
                return answered;
            }
        }
        if (deadline.hasExpired()) {
            answered.failure = u"timed out"_s;
            return answered;
        }
        QThread::msleep(20);
    }
}
