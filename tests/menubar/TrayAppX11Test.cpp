// The real brisvane program on an X11 desktop of its own (Xvfb, openbox and
// trayer), with a home folder of its own, driven as a user drives it: the
// bell in the tray, the window it opens, an alarm that rings, a snooze, a
// second launch and "Quit". The screenshots stay in the build folder.
#include "alert/AlertView.h"
#include "model/AlarmCodec.h"
#include "support/X11Session.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where the footer's buttons sit in the window, from its bottom-right and
// bottom-left corners: the footer is the last row above the credit band.
constexpr int kFooterFromBottom = 51;
constexpr int kQuitFromRight = 54;

Moment wallNow()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kMomentEpochOffset;
}

} // namespace

class TrayAppX11Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void asAUserMeetsIt()
    {
        if (!X11Session::isAvailable())
            QSKIP("Xvfb, openbox, wmctrl or xdotool is not installed: no X11 desktop to test on");
        for (const QString &tool : { u"trayer"_s, u"xwininfo"_s, u"import"_s }) {
            if (!X11Session::hasProgram(tool))
                QSKIP(qPrintable(tool + u" is not installed (trayer, x11-utils, imagemagick)"_s));
        }
        const QString shots = QStringLiteral(BRISVANE_SCREENSHOT_DIR);
        QVERIFY(QDir().mkpath(shots));
        const auto shot
            = [&](const QString &name) -> QString { return shots + u'/' + name + u".png"_s; };
        QTemporaryDir home;
        const QString runtime = home.path() + u"/runtime"_s;
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment;
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.path() + u"/.config"_s);
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        const QString alarmsFile = home.path() + u"/.config/brisvane/alarms.json"_s;
        const auto storedAlarms = [&] {
            QFile file(alarmsFile);
            return file.open(QIODevice::ReadOnly)
                ? decodeAlarms(file.readAll()).value_or(QList<Alarm> {})
                : QList<Alarm> {};
        };

        X11Session::Options options;
        options.firstDisplay = 170;
        options.lastDisplay = 189;
        options.tray = X11Session::Tray::Trayer;
        X11Session session(options);
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        // The program's visible top-level windows of the given size, and the
        // list window: 380 wide, any height.
        const auto windowsOfSize = [&](const QSize &size) {
            QList<QRect> found;
            for (const X11Session::Window &window :
                session.visibleWindows({ u"--name"_s, u"^Brisvane$"_s }, size))
                found.append(window.geometry);
            return found;
        };
        const auto listWindow = [&]() -> std::optional<QRect> {
            for (const QRect &window : windowsOfSize(QSize())) {
                if (window.width() == 380)
                    return window;
            }
            return std::nullopt;
        };

        // An alarm stored to fall due two seconds after the program starts.
        Alarm due;
        due.label = u"Stand up"_s;
        due.fireDate = std::floor(wallNow()) + 3;
        QVERIFY(QDir().mkpath(QFileInfo(alarmsFile).path()));
        {
            QFile file(alarmsFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(*encodeAlarms({ due }));
        }
        const Moment startedAt = wallNow();
        QVERIFY(due.fireDate - startedAt > 2.0);
        QProcess *app = session.startClient(QStringLiteral(BRISVANE_EXECUTABLE), {}, environment);

        // The bell: a 22 × 22 window named after the program, in the tray
        // at the top right.
        QList<QRect> icons;
        QVERIFY2(X11Session::waitUntil([&] {
            icons = windowsOfSize(QSize(22, 22));
            return !icons.isEmpty();
        }),
            session.clientOutput(app).constData());
        const QRect icon = icons.constFirst();
        QVERIFY2(icon.top() < 24 && icon.left() > session.screenSize().width() - 60,
            qPrintable(u"icon at %1,%2"_s.arg(icon.left()).arg(icon.top())));
        session.screenshot(shot(u"1-tray"_s));

        // It rings on time, with no window ever opened.
        const QSize panelSize(528, 330);
        QList<QRect> panels;
        QVERIFY(X11Session::waitUntil(
            [&] {
                panels = windowsOfSize(panelSize);
                return !panels.isEmpty();
            },
            8000));
        const Moment shownAt = wallNow();
        const QRect panel = panels.constFirst();
        QVERIFY2(shownAt - due.fireDate < 1.2,
            qPrintable(
                u"the panel came %1 s after the alarm's time"_s.arg(shownAt - due.fireDate)));
        QVERIFY(shownAt >= due.fireDate);
        // The left of the two dark capsules below the subtitle is "Snooze 5 min".
        QList<QRect> capsules;
        QVERIFY(X11Session::waitUntil([&] {
            capsules = X11Session::colourRuns(session.screenshot(shot(u"2-alert"_s)),
                panel.adjusted(0, panel.height() * 55 / 100, 0, -panel.height() * 22 / 100),
                AlertView::darkBlue());
            return capsules.size() == 2;
        }));

        // "Snooze 5 min": the panel goes, a snooze alarm five minutes after
        // the alarm's time is stored, and the rung alarm is off.
        QVERIFY(session.click(capsules.first().center()));
        QVERIFY(X11Session::waitUntil([&] { return windowsOfSize(panelSize).isEmpty(); }));
        QList<Alarm> stored;
        QVERIFY(X11Session::waitUntil([&] {
            stored = storedAlarms();
            return stored.size() == 2;
        }));
        QCOMPARE(stored.at(0).id, due.id);
        QCOMPARE(stored.at(0).isEnabled, false);
        QCOMPARE(stored.at(1).isSnooze, true);
        QCOMPARE(stored.at(1).label, u"Stand up"_s);
        QCOMPARE(stored.at(1).fireDate, due.fireDate + 300);

        // A click on the bell opens the window under it.
        QVERIFY(session.click(icon.center()));
        std::optional<QRect> window;
        QVERIFY(X11Session::waitUntil([&] { return (window = listWindow()).has_value(); }));
        QVERIFY2(window->top() >= icon.bottom() && window->right() < session.screenSize().width(),
            "the window hangs from the icon, on the screen");

        // Typing a label and pressing Return adds an alarm, saved at once.
        QVERIFY(session.xdotool({ u"type"_s, u"--delay"_s, u"20"_s, u"Walk the dog"_s }).ok());
        QVERIFY(session.xdotool({ u"key"_s, u"Return"_s }).ok());
        QVERIFY(X11Session::waitUntil(
            [&] {
                stored = storedAlarms();
                return stored.size() == 3;
            },
            1000));
        QCOMPARE(stored.at(2).label, u"Walk the dog"_s);
        QCOMPARE(stored.at(2).isEnabled, true);
        // The window grows by a row and stays by the icon.
        std::optional<QRect> grown;
        QVERIFY(X11Session::waitUntil([&] {
            grown = listWindow();
            return grown && grown->height() > window->height();
        }));
        QCOMPARE(grown->top(), window->top());
        QTest::qWait(200); // let the new row paint
        const QImage withAlarms = session.screenshot(shot(u"3-window-with-alarms"_s));
        QVERIFY(!withAlarms.isNull());
        withAlarms.copy(grown->adjusted(-8, -8, 8, 8)).save(shot(u"3-window-close-up"_s));
        // Painted, not a black hole: the window's own background near its corner.
        QVERIFY(qGray(withAlarms.pixel(grown->left() + 4, grown->top() + 4)) > 150);

        // A click outside closes it; a second launch opens it again and ends.
        QVERIFY(session.click(QPoint(300, 600)));
        QVERIFY(X11Session::waitUntil([&] { return !listWindow(); }));
        QProcess *second
            = session.startClient(QStringLiteral(BRISVANE_EXECUTABLE), {}, environment);
        QVERIFY(second->waitForFinished(5000) && second->exitCode() == 0);
        QVERIFY(X11Session::waitUntil([&] { return (window = listWindow()).has_value(); }));
        QCOMPARE(app->state(), QProcess::Running);
        QCOMPARE(storedAlarms().size(), 3);

        // "Quit" ends the program.
        QVERIFY(session.click(
            QPoint(window->right() - kQuitFromRight, window->bottom() - kFooterFromBottom)));
        QVERIFY2(app->waitForFinished(5000), "Quit did not end the program");
        QCOMPARE(app->exitCode(), 0);
        QVERIFY(windowsOfSize(QSize()).isEmpty());
        session.screenshot(shot(u"4-after-quit"_s));
    }
};

QTEST_GUILESS_MAIN(TrayAppX11Test)
#include "TrayAppX11Test.moc"
