#include "support/X11Session.h"

#include <QColor>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

// Stops a process of ours: politely first, then for sure.
void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

quint64 parseWindowId(const QString &text)
{
    bool ok = false;
    const quint64 id = text.trimmed().toULongLong(&ok, 0);
    return ok ? id : 0;
}

} // namespace

bool X11Session::hasProgram(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

bool X11Session::isAvailable()
{
    return hasProgram(u"Xvfb"_s) && hasProgram(u"openbox"_s) && hasProgram(u"xdpyinfo"_s)
        && hasProgram(u"wmctrl"_s) && hasProgram(u"xdotool"_s);
}

X11Session::X11Session()
    : X11Session(Options())
{ }

X11Session::X11Session(Options options)
    : m_options(std::move(options))
{
    // People sharing a machine each keep to their own displays ("250-269").
    if (const QList<QByteArray> range = qgetenv("BRISVANE_X11_DISPLAYS").split('-');
        range.size() == 2) {
        m_options.firstDisplay = range.at(0).toInt();
        m_options.lastDisplay = range.at(1).toInt();
    }
    if (!isAvailable()) {
        fail(u"Xvfb, openbox, xdpyinfo, wmctrl or xdotool is not installed"_s);
        return;
    }
    if (!startServer())
        return;
    // openbox names itself before it manages windows; the command given to
    // --startup runs once it does (and replaces the user's autostart).
    const QString openboxReady = m_logs.filePath(u"openbox-ready"_s);
    if (!startHelper(u"openbox"_s,
            { u"--sm-disable"_s, u"--startup"_s, u"touch '"_s + openboxReady + u"'"_s }, [&] {
                return QFile::exists(openboxReady)
                    && wmctrl({ u"-m"_s }).text().contains(u"Openbox"_s);
            }))
        return;
    if (m_options.tray == Tray::Trayer
        && !startHelper(u"trayer"_s,
            { u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s, u"--widthtype"_s, u"request"_s,
                u"--height"_s, u"24"_s, u"--SetDockType"_s, u"true"_s, u"--SetPartialStrut"_s,
                u"true"_s, u"--transparent"_s, u"false"_s, u"--tint"_s, u"0x303030"_s },
            [this] {
                return !findWindows({ u"--classname"_s, u"trayer"_s }).isEmpty();
            }))
        return;
    if (m_options.compositor == Compositor::Xcompmgr
        && !startHelper(u"xcompmgr"_s, { u"-n"_s },
            [this] { return selectionOwned(QByteArrayLiteral("_NET_WM_CM_S0")); }))
        return;
    m_running = true;
}

X11Session::~X11Session()
{
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it)
        stop(**it);
}

QByteArray X11Session::log(const QString &program) const
{
    QFile file(m_logs.filePath(program + u".log"_s));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().right(2000);
}

bool X11Session::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool X11Session::startServer()
{
    const QString size
        = u"%1x%2x24"_s.arg(m_options.screenSize.width()).arg(m_options.screenSize.height());
    for (int number = m_options.firstDisplay; number <= m_options.lastDisplay; ++number) {
        // Someone else's server, running or crashed: leave that number alone.
        if (QFile::exists(u"/tmp/.X%1-lock"_s.arg(number))
            || QFile::exists(u"/tmp/.X11-unix/X%1"_s.arg(number)))
            continue;
        m_displayNumber = number;
        // With -displayfd the server writes its display number to standard
        // output once it accepts connections: only then is it known to be
        // ours and not one that another test started at the same moment.
        QProcess *server = launch(u"Xvfb"_s,
            { display(), u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, size, u"-nolisten"_s,
                u"tcp"_s, u"-noreset"_s },
            environment(), Output::Announce);
        if (!server)
            return false;
        QByteArray announced;
        const bool ready = waitUntil(
            [&] {
                server->waitForReadyRead(0);
                announced += server->readAllStandardOutput();
                return server->state() != QProcess::Running || announced.contains('\n');
            },
            m_options.startTimeoutMs);
        if (ready && server->state() == QProcess::Running
            && announced.trimmed() == QByteArray::number(number)
            && run(u"xdpyinfo"_s, {}, 5000).ok())
            return true;
        // Lost a race for the number to another server, or it did not start.
        stop(*server);
    }
    m_displayNumber = -1;
    return fail(u"no free display from :%1 to :%2 for Xvfb: "_s.arg(m_options.firstDisplay)
                    .arg(m_options.lastDisplay)
        + QString::fromLocal8Bit(log(u"Xvfb"_s)));
}

bool X11Session::startHelper(
    const QString &program, const QStringList &arguments, const std::function<bool()> &ready)
{
    if (!hasProgram(program))
        return fail(program + u" is not installed"_s);
    QProcess *helper = launch(program, arguments, environment(), Output::Discard);
    if (!helper)
        return false;
    if (!waitUntil([&] { return helper->state() != QProcess::Running || ready(); },
            m_options.startTimeoutMs)
        || helper->state() != QProcess::Running)
        return fail(program + u" did not come up on "_s + display() + u": "_s
            + QString::fromLocal8Bit(helper->readAllStandardError()));
    return true;
}

QProcess *X11Session::launch(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, Output output)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setStandardInputFile(QProcess::nullDevice());
    // A helper's chatter could fill a pipe that nobody empties: it goes to a
    // log file, which a failure message quotes.
    if (output != Output::Keep && m_logs.isValid()) {
        if (output == Output::Discard)
            process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(m_logs.filePath(program + u".log"_s), QIODevice::Append);
    }
    process->setProgram(program);
    process->setArguments(arguments);
    process->start();
    if (!process->waitForStarted(5000)) {
        fail(program + u" did not start: "_s + process->errorString());
        return nullptr;
    }
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QProcessEnvironment X11Session::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, display());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

X11Session::Result X11Session::run(
    const QString &program, const QStringList &arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted(5000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        stop(process);
        return result;
    }
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

X11Session::Result X11Session::xdotool(const QStringList &arguments) const
{
    return run(u"xdotool"_s, arguments);
}

X11Session::Result X11Session::wmctrl(const QStringList &arguments) const
{
    return run(u"wmctrl"_s, arguments);
}

X11Session::Result X11Session::xwininfo(const QStringList &arguments) const
{
    return run(u"xwininfo"_s, arguments);
}

QList<quint64> X11Session::findWindows(const QStringList &searchArguments) const
{
    QList<quint64> windows;
    const Result result = xdotool(QStringList { u"search"_s } + searchArguments);
    for (const QString &line : result.text().split(u'\n', Qt::SkipEmptyParts)) {
        if (const quint64 id = parseWindowId(line))
            windows.append(id);
    }
    return windows;
}

QList<X11Session::Window> X11Session::visibleWindows(
    const QStringList &searchArguments, const QSize &size) const
{
    QList<Window> windows;
    for (quint64 id : findWindows(QStringList { u"--onlyvisible"_s } + searchArguments)) {
        const std::optional<QRect> geometry = windowGeometry(id);
        if (geometry && (!size.isValid() || geometry->size() == size))
            windows.append({ id, *geometry });
    }
    return windows;
}

std::optional<QRect> X11Session::windowGeometry(quint64 window) const
{
    const Result result = xwininfo({ u"-id"_s, QString::number(window) });
    if (!result.ok())
        return std::nullopt;
    // "  Absolute upper-left X:  456" and so on, one value a line.
    QHash<QString, int> values;
    for (const QString &line : result.text().split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0)
            values.insert(line.left(colon).trimmed(), line.mid(colon + 1).trimmed().toInt());
    }
    const QStringList keys
        = { u"Absolute upper-left X"_s, u"Absolute upper-left Y"_s, u"Width"_s, u"Height"_s };
    for (const QString &key : keys) {
        if (!values.contains(key))
            return std::nullopt;
    }
    return QRect(values[keys[0]], values[keys[1]], values[keys[2]], values[keys[3]]);
}

bool X11Session::isViewable(quint64 window) const
{
    const Result result = xwininfo({ u"-id"_s, QString::number(window) });
    return result.ok() && result.text().contains(u"Map State: IsViewable"_s);
}

quint64 X11Session::focusedWindow() const
{
    const Result result = xdotool({ u"getwindowfocus"_s });
    return result.ok() ? parseWindowId(result.text()) : 0;
}

int X11Session::currentDesktop() const
{
    // "1  * DG: ..." marks the current one with a star.
    const Result result = wmctrl({ u"-d"_s });
    for (const QString &line : result.text().split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() > 1 && fields[1] == u"*"_s)
            return fields[0].toInt();
    }
    return -1;
}

bool X11Session::selectionOwned(const QByteArray &name) const
{
    const QByteArray displayName = display().toLocal8Bit();
    xcb_connection_t *connection = xcb_connect(displayName.constData(), nullptr);
    bool owned = false;
    if (!xcb_connection_has_error(connection)) {
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(connection,
            xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
        if (atom) {
            xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
                connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
            owned = owner && owner->owner != XCB_WINDOW_NONE;
            std::free(owner);
            std::free(atom);
        }
    }
    xcb_disconnect(connection);
    return owned;
}

bool X11Session::click(const QPoint &point) const
{
    // "mousemove --sync" waits for the pointer to move, forever when it is
    // already there: a second click on the same spot must not move it.
    const QString here = xdotool({ u"getmouselocation"_s, u"--shell"_s }).text();
    if (here.startsWith(u"X=%1\nY=%2\n"_s.arg(point.x()).arg(point.y())))
        return xdotool({ u"click"_s, u"1"_s }).ok();
    return xdotool({ u"mousemove"_s, u"--sync"_s, QString::number(point.x()),
                       QString::number(point.y()), u"click"_s, u"1"_s })
        .ok();
}

QList<QRect> X11Session::colourRuns(const QImage &image, const QRect &area, const QColor &colour)
{
    const QRect inside = area & image.rect();
    const QRgb wanted = colour.rgb();
    QList<QRect> runs;
    QRect run;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        QRect column;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            if (image.pixel(x, y) == wanted)
                column |= QRect(x, y, 1, 1);
        }
        if (!column.isNull()) {
            run |= column;
        } else if (!run.isNull()) {
            runs.append(run);
            run = QRect();
        }
    }
    if (!run.isNull())
        runs.append(run);
    return runs;
}

QImage X11Session::screenshot(const QString &path) const
{
    // import now and then fails on a busy machine; a second try does it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (run(u"import"_s, { u"-window"_s, u"root"_s, path }).ok()) {
            QImage image(path);
            if (!image.isNull())
                return image;
        }
    }
    return {};
}

QProcess *X11Session::startClient(
    const QString &program, const QStringList &arguments, const QProcessEnvironment &extra)
{
    QProcessEnvironment environment = this->environment();
    environment.insert(extra);
    return launch(program, arguments, environment, Output::Keep);
}

QByteArray X11Session::clientOutput(QProcess *client)
{
    ClientOutput &output = m_outputs[client];
    output.text += client->readAllStandardOutput();
    return output.text;
}

std::optional<QString> X11Session::waitForLine(
    QProcess *client, const QString &prefix, int timeoutMs)
{
    const QByteArray wanted = prefix.toLocal8Bit();
    std::optional<QString> found;
    waitUntil(
        [&] {
            client->waitForReadyRead(0);
            clientOutput(client);
            ClientOutput &output = m_outputs[client];
            qsizetype start = output.consumed;
            while (true) {
                const qsizetype end = output.text.indexOf('\n', start);
                if (end < 0)
                    return false;
                const QByteArray line = output.text.mid(start, end - start);
                start = end + 1;
                if (line.startsWith(wanted)) {
                    output.consumed = start;
                    found = QString::fromLocal8Bit(line);
                    return true;
                }
            }
        },
        timeoutMs);
    return found;
}

bool X11Session::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
}
