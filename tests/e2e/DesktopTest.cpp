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
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Generous: a sanitizer build on two busy cores is slow to start.
constexpr int kPatience = 20000;
// A third of the 1440x900 screen and a tenth more each way, centred.
const QRect kPanel(456, 285, 528, 330);
// Geometries as xdotool gives them: the alert where it belongs; the tray
// icon once it sits in the tray at the top right (x 1300-1499, y 0-9): it
// shows at 0,0 for a moment before the tray takes it in and widens; the alarm
// window (as tall as its list) anywhere.
const QString kPanelShown = uR"(X=456\s+Y=285\s+WIDTH=528\s+HEIGHT=330)"_s;
const QString kIconShown = uR"(X=(1[34]\d\d)\s+Y=(\d)\s+WIDTH=22\s+HEIGHT=22)"_s;
const QString kWindowShown = uR"(X=(\d+)\s+Y=(\d+)\s+WIDTH=380\s)"_s;

// What a tool printed; the first word is the tool.
QString run(QStringList command)
{
    QProcess process;
    process.start(command.takeFirst(), command);
    process.waitForFinished(kPatience);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The program's window on screen whose geometry matches; capture 1 is its id.
QRegularExpressionMatch shown(const QString &geometry)
{
    const QString windows = run({ u"xdotool"_s, u"search"_s, u"--onlyvisible"_s, u"--name"_s,
        u"^Brisvane$"_s, u"getwindowgeometry"_s, u"--shell"_s, u"%@"_s });
    return QRegularExpression(u"WINDOW=(\\d+)\\s+"_s + geometry).match(windows);
}

// Moves the pointer there and clicks, or does what xdotool is told instead.
QString pointAt(QPoint at, const QStringList &then = { u"click"_s, u"1"_s })
{
    return run(QStringList {
                   u"xdotool"_s, u"mousemove"_s, QString::number(at.x()), QString::number(at.y()) }
        + then);
}

// The window with the keyboard focus, and the one the window manager calls active.
QString focus()
{
    return run({ u"xdotool"_s, u"getwindowfocus"_s }) + u' '
        + run({ u"xdotool"_s, u"getactivewindow"_s });
}

void screenshot(const QString &name)
{
    run({ u"import"_s, u"-window"_s, u"root"_s,
        QStringLiteral(BRISVANE_SCREENSHOT_DIR "/") + name + u".png"_s });
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home; // mode 0700, so also the runtime folder
    QPoint m_snooze; // where the alert's buttons are drawn in it
    QPoint m_dismiss;

    QProcess *start(QStringList command = { QStringLiteral(BRISVANE_EXECUTABLE) })
    {
        auto *process = new QProcess(this);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(command.takeFirst(), command);
        process->waitForStarted(kPatience);
        return process;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && QDir().mkpath(QStringLiteral(BRISVANE_SCREENSHOT_DIR)));
        // For every program started here: a home of their own, and each ring
        // and save logged on the standard error.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_s).toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("QT_LOGGING_RULES", "brisvane.store.debug=true");
        // The alert's own layout at the panel's size, on this display with its fonts.
        AlertView view(RingingAlarm {}, {}, {});
        view.resize(kPanel.size());
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        m_snooze = view.findChild<QWidget *>(u"snoozeButton"_s)->geometry().center();
        m_dismiss = view.findChild<QWidget *>(u"dismissButton"_s)->geometry().center();
    }

    void cleanup()
    {
        qDeleteAll(findChildren<QProcess *>()); // killed
        QTRY_VERIFY_WITH_TIMEOUT(!shown(kIconShown).hasMatch(), kPatience);
    }

    void trayIconTogglesTheWindow()
    {
        start();
        QRegularExpressionMatch icon;
        QTRY_VERIFY_WITH_TIMEOUT((icon = shown(kIconShown)).hasMatch(), kPatience);
        const QPoint bell(icon.captured(2).toInt() + 11, icon.captured(3).toInt() + 11);
        pointAt(bell);
        QRegularExpressionMatch opened;
        QTRY_VERIFY2_WITH_TIMEOUT((opened = shown(kWindowShown)).hasMatch(),
            "a click on the tray icon opened no window", kPatience);
        screenshot(u"tray-window"_s);
        // Just below the icon, across its column.
        const QPoint at(opened.captured(2).toInt(), opened.captured(3).toInt());
        QVERIFY2(at.y() > bell.y() && at.y() < bell.y() + 30 && at.x() <= bell.x()
                && bell.x() < at.x() + 380,
            "the window does not hang from the tray icon");
        pointAt(bell);
        QTRY_VERIFY2_WITH_TIMEOUT(!shown(kWindowShown).hasMatch(),
            "a second click on the tray icon left the window open", kPatience);
    }

    void secondLaunchHandsOverToTheFirst()
    {
        QProcess *first = start();
        QTRY_VERIFY_WITH_TIMEOUT(shown(kIconShown).hasMatch(), kPatience);
        QProcess *second = start();
        QVERIFY2(second->waitForFinished(kPatience),
            "a second launch kept running: two copies ring every alarm twice");
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QTRY_VERIFY2_WITH_TIMEOUT(
            shown(kWindowShown).hasMatch(), "the first copy did not open its window", kPatience);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void alertInFrontOfAFocusedFullScreenWindow()
    {
        start({ u"xmessage"_s, u"-name"_s, u"fullscreen"_s, u"A full-screen window"_s });
        const QString other = run({ u"xdotool"_s, u"search"_s, u"--sync"_s, u"--onlyvisible"_s,
            u"--classname"_s, u"fullscreen"_s });
        QVERIFY(!other.isEmpty());
        run({ u"xdotool"_s, u"windowactivate"_s, u"--sync"_s, other });
        run({ u"wmctrl"_s, u"-i"_s, u"-r"_s, other, u"-b"_s, u"add,fullscreen"_s });
        QTRY_VERIFY_WITH_TIMEOUT(run({ u"xdotool"_s, u"getwindowgeometry"_s, u"--shell"_s, other })
                                     .contains(u"X=0\nY=0\nWIDTH=1440\nHEIGHT=900"_s),
            kPatience);
        const QString focused = other + u' ' + other;
        QTRY_COMPARE_WITH_TIMEOUT(focus(), focused, kPatience);

        // Two alarms due now ring at the program's first tick, one alert
        // after the other.
        const Moment now = double(QDateTime::currentSecsSinceEpoch()) - kMomentEpochOffset;
        const Alarm first { .fireDate = now, .label = u"First"_s };
        const Alarm second { .fireDate = now, .label = u"Second"_s };
        QFile file(m_home.filePath(u"config/brisvane/alarms.json"_s));
        QVERIFY(QDir().mkpath(m_home.filePath(u"config/brisvane"_s)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(*encodeAlarms({ first, second })));
        file.close();
        start();

        QRegularExpressionMatch panel;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (panel = shown(kPanelShown)).hasMatch(), "no alert at 528x330+456+285", kPatience);
        screenshot(u"alert-over-full-screen"_s);
        const QString alert = panel.captured(1);
        QVERIFY2(
            run({ u"xwininfo"_s, u"-id"_s, alert }).contains(u"Override Redirect State: yes"_s),
            "the alert is a managed window: it must bypass the window manager");
        QVERIFY2(pointAt(kPanel.center(), { u"getmouselocation"_s, u"--shell"_s })
                     .endsWith(u"WINDOW="_s + alert),
            "the full-screen window is in front of the alert");
        QVERIFY2(focus() == focused, "the alert took the keyboard focus");

        // A first click on "Dismiss" takes it down, and the next one comes.
        pointAt(kPanel.topLeft() + m_dismiss);
        QTRY_VERIFY2_WITH_TIMEOUT(
            (panel = shown(kPanelShown)).hasMatch() && panel.captured(1) != alert,
            "a first click on Dismiss left the alert up", kPatience);
        QVERIFY2(focus() == focused, "the alert took the keyboard focus");

        // A first click on "Snooze 5 min" takes it down and stores a snooze.
        pointAt(kPanel.topLeft() + m_snooze);
        QTRY_VERIFY2_WITH_TIMEOUT(
            !shown(kPanelShown).hasMatch(), "a first click on Snooze left the alert up", kPatience);
        const auto stored = [&] {
            return decodeAlarms(run({ u"cat"_s, file.fileName() }).toUtf8())
                .value_or(QList<Alarm> {});
        };
        QTRY_COMPARE_WITH_TIMEOUT(stored().size(), 3, kPatience);
        const Alarm snooze = stored().at(2);
        QVERIFY(snooze.isSnooze);
        QCOMPARE(snooze.label, second.label);
        QCOMPARE(snooze.fireDate, second.fireDate + 300);
        QVERIFY2(focus() == focused, "the alert took the keyboard focus");
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
