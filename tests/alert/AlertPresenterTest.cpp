#include "alert/AlertPresenter.h"
#include "alert/AlertPanel.h"
#include "alert/AlertView.h"
#include "alert/CapsuleButton.h"
#include "alert/FittedLabel.h"
#include "store/AlarmStore.h"
#include "support/FakeClock.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
// 2026-01-05 07:30 UTC.
constexpr Moment kScheduled = 789291000;

RingingAlarm ringing(const QString &label)
{
    RingingAlarm alarm;
    alarm.label = label;
    alarm.scheduledFor = kScheduled;
    return alarm;
}

QList<AlertPanel *> panels()
{
    QList<AlertPanel *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *panel = qobject_cast<AlertPanel *>(widget))
            found.append(panel);
    }
    return found;
}

int visiblePanels()
{
    int count = 0;
    for (const AlertPanel *panel : panels())
        count += panel->isVisible() ? 1 : 0;
    return count;
}

// Runs the deletions that were put off until the event at hand was handled.
void flushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CapsuleButton *button(AlertPanel *panel, const QString &name)
{
    return panel ? panel->findChild<CapsuleButton *>(name) : nullptr;
}

void click(CapsuleButton *button)
{
    QVERIFY(button);
    QVERIFY(QTest::qWaitForWindowExposed(button->window()));
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}
} // namespace

class AlertPresenterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void panelRect_data();
    void panelRect();
    void centredOnTheScreenUnderThePointer();
    void screenOfTheFocusedWindow_data();
    void screenOfTheFocusedWindow();
    void showWhileUpLeavesExactlyOnePanel();
    void hideWithNoPanelDoesNothing();
    void pressesRunTheirOwnAction();
    void actionMayReplaceOrHideItsOwnPanel_data();
    void actionMayReplaceOrHideItsOwnPanel();
    void answersTheStoresRingingQueue();
    void presenterTakesItsPanelAlong();
};

void AlertPresenterTest::initTestCase()
{
    // The screens come from the offscreen platform's configuration file.
    QCOMPARE(QGuiApplication::screens().size(), qEnvironmentVariableIntValue("BRISVANE_SCREENS"));
}

void AlertPresenterTest::cleanup()
{
    flushDeletions();
    QCOMPARE(panels().size(), 0);
}

void AlertPresenterTest::panelRect_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("panel");

    QTest::newRow("1440x900 at 0,0") << QRect(0, 0, 1440, 900) << QRect(456, 285, 528, 330);
    QTest::newRow("1920x1080 right of it")
        << QRect(1440, 0, 1920, 1080) << QRect(2048, 342, 704, 396);
    QTest::newRow("1920x1080 alone") << QRect(0, 0, 1920, 1080) << QRect(608, 342, 704, 396);
    // 500.87 × 281.6 at 432.57, 243.2: each rounded to the nearest pixel.
    QTest::newRow("1366x768") << QRect(0, 0, 1366, 768) << QRect(433, 243, 501, 282);
    QTest::newRow("left of the primary, lower")
        << QRect(-1280, 100, 1280, 1024) << QRect(-875, 424, 469, 375);
}

void AlertPresenterTest::panelRect()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, panel);
    QCOMPARE(AlertPresenter::panelRect(screen), panel);
}

void AlertPresenterTest::centredOnTheScreenUnderThePointer()
{
    const QHash<QRect, QRect> expected = {
        { QRect(0, 0, 1440, 900), QRect(456, 285, 528, 330) },
        { QRect(1440, 0, 1920, 1080), QRect(2048, 342, 704, 396) },
    };
    AlertPresenter presenter;
    // From the last screen to the first, so that the choice is never simply
    // the primary screen.
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (auto it = screens.crbegin(); it != screens.crend(); ++it) {
        QScreen *screen = *it;
        QVERIFY(expected.contains(screen->geometry()));
        QCursor::setPos(screen->geometry().center());
        QCOMPARE(AlertPresenter::mainScreen(), screen);

        presenter.show(
            ringing(u"Wake up"_s), [] {}, [] {});
        AlertPanel *panel = presenter.panel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), expected.value(screen->geometry()));
        QCOMPARE(panel->screen(), screen);
        // The alert's unit is a third of the screen's height.
        QCOMPARE(panel->view()->geometry(), panel->rect());
        QCOMPARE(panel->view()->metrics().unit, screen->geometry().height() / 3.0);
        // Without a compositor the window is cut to the card: the desktop
        // shows through the rounded corners.
        QCOMPARE(panel->backdrop(), AlertPanel::Backdrop::Masked);
        QVERIFY(!panel->mask().contains(QPoint(0, 0)));
        QVERIFY(!panel->mask().contains(QPoint(panel->width() - 1, panel->height() - 1)));
        QVERIFY(panel->mask().contains(panel->rect().center()));
        QVERIFY(panel->mask().contains(QPoint(0, panel->height() / 2)));
    }
    presenter.hide();
}

void AlertPresenterTest::screenOfTheFocusedWindow_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<int>("screen"); // index in the screen list, -1 for none

    QTest::newRow("inside the first") << QRect(100, 100, 800, 600) << 0;
    QTest::newRow("full screen on the first") << QRect(0, 0, 1440, 900) << 0;
    QTest::newRow("off every screen") << QRect(-900, -900, 400, 300) << -1;
    QTest::newRow("empty") << QRect() << -1;
    if (QGuiApplication::screens().size() > 1) {
        QTest::newRow("inside the second") << QRect(1500, 100, 800, 600) << 1;
        QTest::newRow("mostly on the second") << QRect(1240, 100, 800, 600) << 1;
        QTest::newRow("mostly on the first") << QRect(840, 100, 800, 600) << 0;
    }
}

void AlertPresenterTest::screenOfTheFocusedWindow()
{
    QFETCH(QRect, window);
    QFETCH(int, screen);
    QScreen *expected = screen < 0 ? nullptr : QGuiApplication::screens().at(screen);
    QCOMPARE(AlertPresenter::screenHolding(window), expected);
}

void AlertPresenterTest::showWhileUpLeavesExactlyOnePanel()
{
    AlertPresenter presenter;
    presenter.show(
        ringing(u"First"_s), [] {}, [] {});
    QPointer<AlertPanel> first = presenter.panel();
    presenter.show(
        ringing(u"Second"_s), [] {}, [] {});
    QPointer<AlertPanel> second = presenter.panel();

    QVERIFY(second && second != first);
    // The old one is off the screen at once, and gone once the event loop
    // comes round.
    QVERIFY(!first || !first->isVisible());
    QCOMPARE(visiblePanels(), 1);
    flushDeletions();
    QVERIFY(!first);
    QCOMPARE(panels(), QList<AlertPanel *> { second.data() });
    QCOMPARE(second->findChild<FittedLabel *>(u"subtitle"_s)->text().left(6), u"Second"_s);

    presenter.hide();
    QVERIFY(!presenter.panel());
    QCOMPARE(visiblePanels(), 0);
}

void AlertPresenterTest::hideWithNoPanelDoesNothing()
{
    AlertPresenter presenter;
    presenter.hide();
    QVERIFY(!presenter.panel());
    presenter.show(
        ringing(QString()), [] {}, [] {});
    presenter.hide();
    presenter.hide();
    QVERIFY(!presenter.panel());
    QCOMPARE(visiblePanels(), 0);
}

void AlertPresenterTest::pressesRunTheirOwnAction()
{
    int snoozes = 0;
    int dismissals = 0;
    AlertPresenter presenter;
    presenter.show(
        ringing(u"Wake up"_s), [&] { ++snoozes; }, [&] { ++dismissals; });
    AlertPanel *panel = presenter.panel();

    click(button(panel, u"dismissButton"_s));
    QCOMPARE(dismissals, 1);
    QCOMPARE(snoozes, 0);
    click(button(panel, u"snoozeButton"_s));
    QCOMPARE(dismissals, 1);
    QCOMPARE(snoozes, 1);
    // The presenter never takes the panel down by itself.
    QCOMPARE(presenter.panel(), panel);
    QVERIFY(panel->isVisible());
    presenter.hide();
}

void AlertPresenterTest::actionMayReplaceOrHideItsOwnPanel_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<bool>("replace"); // else hide

    QTest::newRow("dismiss shows the next alarm") << u"dismissButton"_s << true;
    QTest::newRow("dismiss hides the panel") << u"dismissButton"_s << false;
    QTest::newRow("snooze shows the next alarm") << u"snoozeButton"_s << true;
    QTest::newRow("snooze hides the panel") << u"snoozeButton"_s << false;
}

void AlertPresenterTest::actionMayReplaceOrHideItsOwnPanel()
{
    QFETCH(QString, buttonName);
    QFETCH(bool, replace);

    AlertPresenter presenter;
    int presses = 0;
    QString seen;
    // Like the store's actions, it does its work after dropping the panel;
    // it reads its own captured state last.
    const AbstractAlertPresenter::Action answer = [&, note = QString::fromLatin1("answered")] {
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

    // The panel, its view, the button and the action stay valid until the
    // press has been handled; the panel goes only after that (the sanitizer
    // build would catch a use after free here).
    click(button(first, buttonName));
    QCOMPARE(seen, u"answered"_s);
    QVERIFY(first);
    QVERIFY(!first->isVisible());
    QCOMPARE(presses, 1);
    flushDeletions();
    QVERIFY(!first);
    if (replace) {
        QVERIFY(presenter.panel());
        QCOMPARE(panels(), QList<AlertPanel *> { presenter.panel() });
        QVERIFY(presenter.panel()->isVisible());
        QCOMPARE(
            presenter.panel()->findChild<FittedLabel *>(u"subtitle"_s)->text().left(4), u"Next"_s);
        presenter.hide();
    } else {
        QVERIFY(!presenter.panel());
        QCOMPARE(panels().size(), 0);
    }
}

void AlertPresenterTest::answersTheStoresRingingQueue()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    auto *presenter = new AlertPresenter;
    AlarmStore store({ std::make_unique<FakeClock>(std::make_shared<Moment>(kScheduled)),
        std::make_unique<Defaults>(config.path()),
        std::unique_ptr<AbstractAlertPresenter>(presenter), nullptr });

    store.ring(ringing(u"First"_s));
    store.ring(ringing(u"Second"_s));
    QVERIFY(presenter->panel());
    QVERIFY(
        presenter->panel()->findChild<FittedLabel *>(u"subtitle"_s)->text().startsWith(u"First"_s));

    click(button(presenter->panel(), u"dismissButton"_s));
    QCOMPARE(store.ringing().size(), 1);
    QVERIFY(presenter->panel());
    QVERIFY(presenter->panel()
                ->findChild<FittedLabel *>(u"subtitle"_s)
                ->text()
                .startsWith(u"Second"_s));

    click(button(presenter->panel(), u"snoozeButton"_s));
    QCOMPARE(store.ringing().size(), 0);
    QVERIFY(!presenter->panel());
    QCOMPARE(store.alarms().size(), 1);
    QVERIFY(store.alarms().first().isSnooze);
    flushDeletions();
    QCOMPARE(panels().size(), 0);
}

void AlertPresenterTest::presenterTakesItsPanelAlong()
{
    {
        AlertPresenter presenter;
        presenter.show(
            ringing(u"Wake up"_s), [] {}, [] {});
        QCOMPARE(panels().size(), 1);
    }
    QCOMPARE(panels().size(), 0);
}

QTEST_MAIN(AlertPresenterTest)
#include "AlertPresenterTest.moc"
