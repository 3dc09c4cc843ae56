#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QColor;
class QProcess;

// A private X11 desktop for end-to-end tests: Xvfb on a free display, the
// openbox window manager, and on request a system tray (trayer) and a
// compositing manager (xcompmgr). Everything it starts, the clients included,
// is stopped again in its destructor, each by its own process id, newest
// first; nothing is ever stopped by name.
//
//     if (!X11Session::isAvailable())
//         QSKIP("Xvfb is not installed: no X11 desktop to test on");
//     X11Session session({ .screenSize = { 1440, 900 }, .tray = X11Session::Tray::Trayer });
//     QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
//     QProcess *app = session.startClient(appPath, {});
//     QVERIFY(session.waitForLine(app, u"ready"_s));
//     session.xdotool({ u"mousemove"_s, u"100"_s, u"100"_s, u"click"_s, u"1"_s });
//     const QImage shot = session.screenshot(dir + u"/shot.png"_s);
//
// Everything runs synchronously in the calling thread; no event loop is needed.
class X11Session
{
public:
    enum class Tray
    {
        None,
        Trayer
    };
    enum class Compositor
    {
        None,
        Xcompmgr
    };

    struct Options
    {
        QSize screenSize { 1440, 900 };
        // The display numbers tried, upward; one whose lock file exists is
        // taken and skipped. BRISVANE_X11_DISPLAYS=FIRST-LAST overrides both.
        int firstDisplay = 150;
        int lastDisplay = 169;
        Tray tray = Tray::None;
        Compositor compositor = Compositor::None;
        // For each helper to come up.
        int startTimeoutMs = 10000;
    };

    // What a helper command did.
    struct Result
    {
        int exitCode = -1; // -1 when it could not run or crashed
        QByteArray output;
        QByteArray errors;
        bool ok() const { return exitCode == 0; }
        QString text() const { return QString::fromLocal8Bit(output).trimmed(); }
    };

    // Whether Xvfb and openbox are installed; without them, skip the test.
    static bool isAvailable();
    static bool hasProgram(const QString &name);

    // A 1440 × 900 desktop with openbox alone.
    X11Session();
    explicit X11Session(Options options);
    ~X11Session();
    X11Session(const X11Session &) = delete;
    X11Session &operator=(const X11Session &) = delete;

    // False when something did not come up; errorString() then says what.
    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }

    QString display() const { return u':' + QString::number(m_displayNumber); }
    QSize screenSize() const { return m_options.screenSize; }

    // This process's environment for a program on this desktop: DISPLAY set,
    // Qt told to use xcb, and no Wayland display to stray to.
    QProcessEnvironment environment() const;

    // Runs a command on this display to its end (or the time-out).
    Result run(const QString &program, const QStringList &arguments, int timeoutMs = 10000) const;
    Result xdotool(const QStringList &arguments) const;
    Result wmctrl(const QStringList &arguments) const;
    Result xwininfo(const QStringList &arguments) const;

    // Windows that `xdotool search ARGUMENTS` finds (e.g. --classname trayer).
    QList<quint64> findWindows(const QStringList &searchArguments) const;
    // The visible ones among them, with where each is on the screen; those of
    // another size are left out unless `size` is invalid.
    struct Window
    {
        quint64 id = 0;
        QRect geometry;
    };
    QList<Window> visibleWindows(const QStringList &searchArguments, const QSize &size = {}) const;
    // A window's position on the root window and its size (xwininfo).
    std::optional<QRect> windowGeometry(quint64 window) const;
    // Whether the window is mapped and all its ancestors are.
    bool isViewable(quint64 window) const;
    // The window with the keyboard focus (xdotool getwindowfocus), or 0.
    quint64 focusedWindow() const;
    // The workspace now shown (wmctrl -d), or -1.
    int currentDesktop() const;
    // Whether some client owns the selection `name`, e.g. _NET_WM_CM_S0.
    bool selectionOwned(const QByteArray &name) const;

    // Moves the pointer to `point` and clicks the left button there.
    bool click(const QPoint &point) const;

    // Saves the whole screen as a PNG (ImageMagick's import) and returns it;
    // a null image when that failed.
    QImage screenshot(const QString &path) const;
    // Where `colour` shows inside `area` of `image`: one rectangle for each run
    // of neighbouring columns that hold it, from left to right, bounding that
    // colour's pixels in those columns. Finds the buttons of a known colour.
    static QList<QRect> colourRuns(const QImage &image, const QRect &area, const QColor &colour);

    // Starts a program on this desktop, with environment() plus `extra`. The
    // session keeps it and stops it at the end unless it has ended by then.
    QProcess *startClient(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &extra = {});
    // Waits for a line of the client's standard output that starts with
    // `prefix`, looking only past the line that the previous call returned;
    // returns it whole, without the line break.
    std::optional<QString> waitForLine(
        QProcess *client, const QString &prefix, int timeoutMs = 10000);
    // All the standard output of the client read so far.
    QByteArray clientOutput(QProcess *client);

    // Polls `condition` every 20 ms until it holds or the time is up.
    static bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

private:
    bool startServer();
    bool startHelper(
        const QString &program, const QStringList &arguments, const std::function<bool()> &ready);
    // Keep: both channels readable (clients). Announce: standard output
    // readable, errors to the log. Discard: output dropped, errors logged.
    enum class Output
    {
        Keep,
        Announce,
        Discard
    };
    QProcess *launch(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment, Output output);
    bool fail(const QString &error);
    QByteArray log(const QString &program) const;

    Options m_options;
    QTemporaryDir m_logs;
    int m_displayNumber = -1;
    bool m_running = false;
    QString m_error;
    // In the order started; stopped in reverse.
    std::vector<std::unique_ptr<QProcess>> m_processes;
    struct ClientOutput
    {
        QByteArray text;
        qsizetype consumed = 0; // up to here, lines were returned already
    };
    QHash<const QProcess *, ClientOutput> m_outputs;
};
