// The real program on an X desktop of its own (scripts/desktop-session --tray),
// driven as a user drives it, for what only a real X server shows: the alert
// in front of a focused full-screen window, leaving it the keyboard focus and
// answering a first click; the window that the tray icon opens and closes; a
// second launch that hands over to the first. Screenshots stay in the build
// folder for people to look at.
#include "alert/AlertView.h"
#include "model/AlarmCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Generous: a sanitizer build on two busy cores is slow to start.
constexpr int kPatience = 20000;
const QRect kScreen(0, 0, 1440, 900);
// A third of the screen and a tenth more each way, centred.
const QRect kPanel(456, 285, 528, 330);

QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(kPatience);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList &arguments)
{
    return output(u"xdotool"_s, arguments);
}

struct Window
{
    QString id;
    QRect geometry;
    bool overrideRedirect = false;

    explicit operator bool() const { return !id.isEmpty(); }
};

Window window(const QString &id)
{
    const QString info = output(u"xwininfo"_s, { u"-id"_s, id });
    const auto field = [&](const QString &name) {
        return QRegularExpression(name + u":\\s*(\\S+)"_s).match(info).captured(1);
    };
    return { id,
        QRect(field(u"upper-left X"_s).toInt(), field(u"upper-left Y"_s).toInt(),
            field(u"Width"_s).toInt(), field(u"Height"_s).toInt()),
        field(u"Override Redirect State"_s) == u"yes"_s };
}

// The program's window on screen of that size (a height of 0: any height).
Window shown(QSize size)
{
    const QString ids = xdotool({ u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Brisvane$"_s });
    for (const QString &id : ids.split(u'\n', Qt::SkipEmptyParts)) {
        const Window found = window(id);
        if (found.geometry.width() == size.width()
            && (size.height() == 0 || found.geometry.height() == size.height()))
            return found;
    }
    return {};
}

const QSize kIcon(22, 22);
const QSize kAlarmWindow(380, 0);

void click(QPoint at)
{
    xdotool(
        { u"mousemove"_s, QString::number(at.x()), QString::number(at.y()), u"click"_s, u"1"_s });
}

// The window under the pointer there: the one in front.
QString frontWindowAt(QPoint at)
{
    const QString location = xdotool({ u"mousemove"_s, QString::number(at.x()),
        QString::number(at.y()), u"getmouselocation"_s, u"--shell"_s });
    return QRegularExpression(u"WINDOW=(\\d+)"_s).match(location).captured(1);
}

// The window with the keyboard focus, and the one the window manager calls active.
QString focus()
{
    return xdotool({ u"getwindowfocus"_s }) + u' ' + xdotool({ u"getactivewindow"_s });
}

void screenshot(const QString &name)
{
    QProcess::execute(u"import"_s,
        { u"-window"_s, u"root"_s,
            QStringLiteral(BRISVANE_SCREENSHOT_DIR "/") + name + u".png"_s });
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

    // HOME, the settings below it, and the runtime folder (mode 0700).
    QTemporaryDir m_home;
    QList<QProcess *> m_started;
    QRect m_snooze;
    QRect m_dismiss;

    QProcess *start(const QString &program, const QStringList &arguments = {})
    {
        auto *process = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, m_home.path());
        environment.insert(u"QT_LOGGING_RULES"_s, u"brisvane.store.debug=true"_s);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        m_started.append(process);
        return process;
    }
    QProcess *launch() { return start(QStringLiteral(BRISVANE_EXECUTABLE)); }

    QString alarmsFile() const { return m_home.filePath(u"config/brisvane/alarms.json"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under scripts/desktop-session");
        QVERIFY(m_home.isValid());
        QVERIFY(QDir().mkpath(QStringLiteral(BRISVANE_SCREENSHOT_DIR)));
        // Where the alert draws its buttons: its own layout at the panel's size,
        // on this X display with its fonts.
        AlertView view(RingingAlarm {}, {}, {});
        view.resize(kPanel.size());
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        m_snooze = view.findChild<QWidget *>(u"snoozeButton"_s)->geometry();
        m_dismiss = view.findChild<QWidget *>(u"dismissButton"_s)->geometry();
    }

    void cleanup()
    {
        for (QProcess *process : std::as_const(m_started)) {
            process->terminate();
            process->waitForFinished(kPatience);
        }
        qDeleteAll(m_started);
        m_started.clear();
    }

    void trayIconTogglesTheWindow()
    {
        launch();
        Window icon;
        QTRY_VERIFY_WITH_TIMEOUT((icon = shown(kIcon)), kPatience);
        click(icon.geometry.center());
        Window opened;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (opened = shown(kAlarmWindow)), "a click on the tray icon opened no window", kPatience);
        screenshot(u"tray-window"_s);
        const QRect at = opened.geometry;
        const int iconX = icon.geometry.center().x();
        QVERIFY2(at.top() > icon.geometry.bottom() && at.top() < icon.geometry.bottom() + 16
                && at.left() <= iconX && iconX <= at.right(),
            "the window does not hang from the tray icon");
        click(icon.geometry.center());
        QTRY_VERIFY2_WITH_TIMEOUT(!shown(kAlarmWindow),
            "a second click on the tray icon left the window open", kPatience);
    }

    void secondLaunchHandsOverToTheFirst()
    {
        QProcess *first = launch();
        QTRY_VERIFY_WITH_TIMEOUT(shown(kIcon), kPatience);
        QProcess *second = launch();
        QVERIFY2(second->waitForFinished(kPatience),
            "a second launch kept running: two copies ring every alarm twice");
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QTRY_VERIFY2_WITH_TIMEOUT(
            shown(kAlarmWindow), "the first copy did not open its window", kPatience);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void alertInFrontOfAFocusedFullScreenWindow()
    {
        start(u"xmessage"_s, { u"-name"_s, u"fullscreen"_s, u"A full-screen window"_s });
        QString other;
        QTRY_VERIFY_WITH_TIMEOUT(!(other = xdotool({ u"search"_s, u"--onlyvisible"_s,
                                       u"--classname"_s, u"fullscreen"_s }))
                                      .isEmpty(),
            kPatience);
        xdotool({ u"windowactivate"_s, u"--sync"_s, other });
        output(u"wmctrl"_s, { u"-i"_s, u"-r"_s, other, u"-b"_s, u"add,fullscreen"_s });
        QTRY_COMPARE_WITH_TIMEOUT(window(other).geometry, kScreen, kPatience);
        const QString focused = other + u' ' + other;
        QTRY_COMPARE_WITH_TIMEOUT(focus(), focused, kPatience);

        // Two alarms due now: they ring at the program's first tick, one
        // alert after the other.
        Alarm first;
        first.label = u"First"_s;
        first.fireDate = double(QDateTime::currentSecsSinceEpoch()) - kMomentEpochOffset;
        Alarm second = first;
        second.id = QUuid::createUuid();
        second.label = u"Second"_s;
        QVERIFY(QDir().mkpath(QFileInfo(alarmsFile()).path()));
        QFile file(alarmsFile());
        QVERIFY(
            file.open(QIODevice::WriteOnly) && file.write(*encodeAlarms({ first, second })) > 0);
        file.close();
        launch();

        Window panel;
        QTRY_VERIFY_WITH_TIMEOUT((panel = shown(kPanel.size())), kPatience);
        screenshot(u"alert-over-full-screen"_s);
        QVERIFY2(panel.overrideRedirect,
            "the alert is a managed window: it must bypass the window manager");
        QCOMPARE(panel.geometry, kPanel);
        QVERIFY2(frontWindowAt(kPanel.center()) == panel.id,
            "the full-screen window is in front of the alert");
        QVERIFY2(
            focus() == focused, qPrintable(u"the alert took the keyboard focus: "_s + focus()));

        // A first click on "Dismiss" takes it down, and the next one comes.
        click(kPanel.topLeft() + m_dismiss.center());
        Window next;
        QTRY_VERIFY2_WITH_TIMEOUT((next = shown(kPanel.size())) && next.id != panel.id,
            "a first click on Dismiss left the alert up", kPatience);
        QVERIFY2(
            focus() == focused, qPrintable(u"the alert took the keyboard focus: "_s + focus()));

        // A first click on "Snooze 5 min" takes it down and stores a snooze alarm.
        click(kPanel.topLeft() + m_snooze.center());
        QTRY_VERIFY2_WITH_TIMEOUT(
            !shown(kPanel.size()), "a first click on Snooze left the alert up", kPatience);
        const auto stored = [&] {
            QFile saved(alarmsFile());
            return saved.open(QIODevice::ReadOnly)
                ? decodeAlarms(saved.readAll()).value_or(QList<Alarm> {})
                : QList<Alarm> {};
        };
        QTRY_COMPARE_WITH_TIMEOUT(stored().size(), 3, kPatience);
        const Alarm snooze = stored().at(2);
        QVERIFY(snooze.isSnooze);
        QCOMPARE(snooze.label, second.label);
        QCOMPARE(snooze.fireDate, second.fireDate + 300);
        QVERIFY2(
            focus() == focused, qPrintable(u"the alert took the keyboard focus: "_s + focus()));
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
