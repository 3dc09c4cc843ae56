#include "alert/AlertPresenter.h"
#include "platform/X11Desktop.h"
#include "AlertFixture.h"
#include "alert/AlertPanel.h"
#include "alert/AlertView.h"
#include "alert/CapsuleButton.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
// The panels on the screen, or all there are, shown or not.
QList<AlertPanel *> panels(bool onlyShown = true)
{
    QList<AlertPanel *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *panel = qobject_cast<AlertPanel *>(widget);
            panel && (panel->isVisible() || !onlyShown))
            found.append(panel);
    }
    return found;
}

// Runs the deletions that were put off until the event at hand was handled.
void flushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

// Runs on one screen and on two side by side (see CMakeLists.txt).
class AlertPresenterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        // Every presenter took its panel along when it went.
        flushDeletions();
        QCOMPARE(panels(false).size(), 0);
    }

    void panelRect_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("panel");
        QTest::newRow("1440x900 at 0,0") << QRect(0, 0, 1440, 900) << QRect(456, 285, 528, 330);
        QTest::newRow("1920x1080 right of it")
            << QRect(1440, 0, 1920, 1080) << QRect(2048, 342, 704, 396);
        // 500.87 × 281.6 at 432.57, 243.2: each rounded to the nearest pixel.
        QTest::newRow("1366x768") << QRect(0, 0, 1366, 768) << QRect(433, 243, 501, 282);
        QTest::newRow("left of the primary, lower")
            << QRect(-1280, 100, 1280, 1024) << QRect(-875, 424, 469, 375);
    }
    void panelRect()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, panel);
        QCOMPARE(AlertPresenter::panelRect(screen), panel);
    }

    void shownOnTheScreenUnderThePointer()
    {
        QCOMPARE(
            QGuiApplication::screens().size(), qEnvironmentVariableIntValue("BRISVANE_SCREENS"));
        const X11Desktop desktop; AlertPresenter presenter(desktop);
        // From the last screen to the first, so that the choice is never
        // simply the primary screen.
        const QList<QScreen *> screens = QGuiApplication::screens();
        for (auto it = screens.crbegin(); it != screens.crend(); ++it) {
            QCursor::setPos((*it)->geometry().center());
            presenter.show(
                ringing(u"Wake up"_s), [] {}, [] {});
            AlertPanel *panel = presenter.panel();
            QVERIFY(panel && panel->isVisible());
            QCOMPARE(panel->screen(), *it);
            QCOMPARE(panel->geometry(), AlertPresenter::panelRect((*it)->geometry()));
            QCOMPARE(panel->view()->metrics().unit, (*it)->geometry().height() / 3.0);
            // Without a compositor the window is cut to the rounded card.
            QCOMPARE(panel->backdrop(), AlertPanel::Backdrop::Masked);
            QVERIFY(!panel->mask().contains(QPoint(0, 0)));
            QVERIFY(panel->mask().contains(QPoint(0, panel->height() / 2)));
        }
    }

    void screenOfTheFocusedWindow_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<int>("screen"); // index in the screen list, -1 for none
        QTest::newRow("full screen on the first") << QRect(0, 0, 1440, 900) << 0;
        QTest::newRow("off every screen") << QRect(-900, -900, 400, 300) << -1;
        QTest::newRow("empty") << QRect() << -1;
        if (QGuiApplication::screens().size() > 1) {
            QTest::newRow("mostly on the second") << QRect(1240, 100, 800, 600) << 1;
            QTest::newRow("mostly on the first") << QRect(840, 100, 800, 600) << 0;
        }
    }
    void screenOfTheFocusedWindow()
    {
        QFETCH(QRect, window);
        QFETCH(int, screen);
        QCOMPARE(AlertPresenter::screenHolding(window),
            screen < 0 ? nullptr : QGuiApplication::screens().at(screen));
    }

    void showWhileUpLeavesOneAndHideWithNoneDoesNothing()
    {
        const X11Desktop desktop; AlertPresenter presenter(desktop);
        presenter.hide();
        QVERIFY(!presenter.panel());
        presenter.show(
            ringing(u"First"_s), [] {}, [] {});
        QPointer<AlertPanel> first = presenter.panel();
        presenter.show(
            ringing(u"Second"_s), [] {}, [] {});
        QVERIFY(presenter.panel() != first);
        QCOMPARE(panels(), QList<AlertPanel *> { presenter.panel() });
        QVERIFY(subtitleOf(presenter.panel()).startsWith(u"Second"_s));
        flushDeletions();
        QVERIFY(!first);
        presenter.hide();
        presenter.hide();
        QVERIFY(!presenter.panel());
        QCOMPARE(panels().size(), 0);
    }

    void pressMayReplaceOrHideItsOwnPanel_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<bool>("replace"); // else hide
        QTest::newRow("dismiss shows the next alarm") << u"dismissButton"_s << true;
        QTest::newRow("snooze hides the panel") << u"snoozeButton"_s << false;
    }
    void pressMayReplaceOrHideItsOwnPanel()
    {
        QFETCH(QString, buttonName);
        QFETCH(bool, replace);
        const X11Desktop desktop; AlertPresenter presenter(desktop);
        int presses = 0;
        QString seen;
        // Like the store's actions, it does its work after dropping the panel
        // and reads its own captured state last: the sanitizer build catches a
        // panel, button or action freed during the press.
        const AbstractAlertPresenter::Action answer = [&, note = u"answered"_s] {
            ++presses;
            if (replace)
                presenter.show(
                    ringing(u"Next"_s), [] {}, [] {});
            else
                presenter.hide();
            seen = note;
        };
        presenter.show(ringing(u"First"_s), answer, answer);
        QPointer<AlertPanel> first = presenter.panel();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        auto *button = first->findChild<CapsuleButton *>(buttonName);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QCOMPARE(presses, 1);
        QCOMPARE(seen, u"answered"_s);
        QVERIFY(first && !first->isVisible());
        flushDeletions();
        QVERIFY(!first);
        QCOMPARE(panels().size(), replace ? 1 : 0);
        QCOMPARE(presenter.panel() != nullptr, replace);
    }
};

QTEST_MAIN(AlertPresenterTest)
#include "AlertPresenterTest.moc"
