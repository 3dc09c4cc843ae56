// The alert panel on a real X11 desktop: Xvfb with openbox, a focused
// full-screen window of another program, and the panel put up by a separate
// client through the real presenter.
#include "alert/AlertView.h"
#include "support/X11Session.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QRect parseRect(const QStringList &fields, int first)
{
    return QRect(fields.value(first).toInt(), fields.value(first + 1).toInt(),
        fields.value(first + 2).toInt(), fields.value(first + 3).toInt());
}

} // namespace

class AlertPanelX11Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!X11Session::isAvailable())
            QSKIP("Xvfb, openbox, wmctrl or xdotool is not installed: no X11 desktop to test on");
        for (const QString &tool : { u"xwininfo"_s, u"xmessage"_s, u"import"_s }) {
            if (!X11Session::hasProgram(tool))
                QSKIP(qPrintable(tool + u" is not installed (x11-utils, imagemagick)"_s));
        }
        QVERIFY(QDir().mkpath(QStringLiteral(BRISVANE_SCREENSHOT_DIR)));
    }

    void inFrontOfAFullScreenWindow_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<bool>("composited");
        QTest::newRow("1440x900") << QSize(1440, 900) << QRect(456, 285, 528, 330) << false;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QRect(608, 342, 704, 396) << false;
        QTest::newRow("1440x900-composited")
            << QSize(1440, 900) << QRect(456, 285, 528, 330) << true;
    }

    void inFrontOfAFullScreenWindow()
    {
        QFETCH(QSize, screen);
        QFETCH(QRect, panel);
        QFETCH(bool, composited);
        if (composited && !X11Session::hasProgram(u"xcompmgr"_s))
            QSKIP("xcompmgr is not installed: no compositor to test with");

        X11Session::Options options;
        options.screenSize = screen;
        options.compositor
            = composited ? X11Session::Compositor::Xcompmgr : X11Session::Compositor::None;
        X11Session session(options);
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        const QString shots = QStringLiteral(BRISVANE_SCREENSHOT_DIR) + u'/'
            + QString::fromLatin1(QTest::currentDataTag());

        // Another program, full screen and with the keyboard focus.
        QProcess *otherProgram = session.startClient(
            u"xmessage"_s, { u"-name"_s, u"otherprogram"_s, u"Another program, full screen"_s });
        QList<quint64> found;
        QVERIFY2(X11Session::waitUntil([&] {
            found
                = session.findWindows({ u"--onlyvisible"_s, u"--classname"_s, u"otherprogram"_s });
            return !found.isEmpty();
        }),
            otherProgram->readAllStandardError().constData());
        const quint64 other = found.first();
        QVERIFY(session.xdotool({ u"windowactivate"_s, u"--sync"_s, QString::number(other) }).ok());
        QVERIFY(
            session
                .wmctrl({ u"-i"_s, u"-r"_s, QString::number(other), u"-b"_s, u"add,fullscreen"_s })
                .ok());
        QVERIFY(X11Session::waitUntil(
            [&] { return session.windowGeometry(other) == QRect(QPoint(0, 0), screen); }));
        const quint64 focusBefore = session.focusedWindow();
        QVERIFY(focusBefore != 0);
        QImage before;
        QVERIFY(X11Session::waitUntil([&] {
            before = session.screenshot(shots + u"-0-fullscreen-window.png"_s);
            return !before.isNull()
                && before.pixelColor(panel.center()) == before.pixelColor(panel.topLeft());
        }));

        // The panel, put up by another client.
        QProcess *client = session.startClient(QStringLiteral(BRISVANE_ALERT_X11_CLIENT), {});
        const std::optional<QString> shown = session.waitForLine(client, u"panel "_s);
        QVERIFY2(shown, session.clientOutput(client).constData());
        const quint64 window = shown->split(u' ').value(1).toULongLong();
        QCOMPARE(parseRect(shown->split(u' '), 2), panel);
        // Clear corners need a compositor; without one the window is cut to shape.
        QCOMPARE(shown->split(u' ').value(6), composited ? u"translucent"_s : u"masked"_s);
        const std::optional<QString> dismissLine = session.waitForLine(client, u"dismiss "_s);
        QVERIFY(dismissLine);
        const QRect dismiss = parseRect(dismissLine->split(u' '), 1);

        QVERIFY(X11Session::waitUntil([&] { return session.isViewable(window); }));
        QCOMPARE(session.windowGeometry(window), panel);

        // In front of the full-screen window: the border at the panel's edge,
        // the red card inside it, a capsule, and the other window through the
        // rounded corner. A window just mapped or uncovered is painted a moment
        // later, so the picture is taken again until it shows that.
        const int middle = panel.center().y();
        const QList<std::pair<QPoint, QColor>> panelProbes = {
            { { panel.left(), middle }, AlertView::lightBlue() },
            { { panel.right() - 2, middle }, AlertView::lightBlue() },
            { { panel.left() + 20, middle }, AlertView::red() },
            { { dismiss.left() + 6, dismiss.center().y() }, AlertView::darkBlue() },
        };
        const QList<std::pair<QPoint, QColor>> outsideProbes = {
            { panel.topLeft(), before.pixelColor(panel.topLeft()) },
            { { panel.left() - 1, middle }, before.pixelColor(panel.left() - 1, middle) },
        };
        QString problem;
        const auto shows
            = [&](const QString &path, const QList<std::pair<QPoint, QColor>> &probes) {
                  return X11Session::waitUntil([&] {
                      const QImage shot = session.screenshot(path);
                      problem = shot.isNull() ? u"no screenshot"_s : QString();
                      for (const auto &[at, colour] : probes) {
                          if (!shot.isNull() && shot.pixelColor(at) != colour)
                              problem += u"%1,%2 is %3, not %4; "_s.arg(at.x()).arg(at.y()).arg(
                                  shot.pixelColor(at).name(), colour.name());
                      }
                      return problem.isEmpty();
                  });
              };
        const QString alertShot = shots + u"-1-alert.png"_s;
        QVERIFY2(shows(alertShot, panelProbes + outsideProbes), qPrintable(problem));
        QImage(alertShot)
            .copy(panel.adjusted(-16, -16, 16, 16))
            .save(shots + u"-1-alert-close-up.png"_s);
        // Showing it took no focus away.
        QCOMPARE(session.focusedWindow(), focusBefore);

        // On the next workspace the other program is gone, the panel is not.
        QVERIFY(session.wmctrl({ u"-s"_s, u"1"_s }).ok());
        QVERIFY(X11Session::waitUntil([&] { return session.currentDesktop() == 1; }));
        QVERIFY(X11Session::waitUntil([&] { return !session.isViewable(other); }));
        QVERIFY(session.isViewable(window));
        QVERIFY2(shows(shots + u"-2-next-workspace.png"_s, panelProbes), qPrintable(problem));
        QVERIFY(session.wmctrl({ u"-s"_s, u"0"_s }).ok());
        QVERIFY(X11Session::waitUntil([&] { return session.isViewable(other); }));
        QVERIFY(X11Session::waitUntil([&] { return session.focusedWindow() == focusBefore; }));

        // One click on "Dismiss" answers it, and the other program keeps the
        // keyboard focus.
        QVERIFY(session.click(dismiss.center()));
        QVERIFY2(session.waitForLine(client, u"dismissed"_s, 5000),
            session.clientOutput(client).constData());
        QVERIFY(client->waitForFinished(5000) && client->exitCode() == 0);
        QVERIFY(!session.isViewable(window));
        QCOMPARE(session.focusedWindow(), focusBefore);
        session.screenshot(shots + u"-3-dismissed.png"_s);
    }
};

QTEST_GUILESS_MAIN(AlertPanelX11Test)
#include "AlertPanelX11Test.moc"
