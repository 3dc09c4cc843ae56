#include "menubar/AbstractLoginItem.h"
#include "menubar/AbstractNotifier.h"
#include "menubar/AbstractTray.h"
#include "menubar/AlarmListView.h"
#include "menubar/AlarmRow.h"
#include "menubar/PopupPlacement.h"
#include "menubar/TrayController.h"
#include "support/StoreFixture.h"
#include "support/TestMoments.h"
#include "widgets/FittedLabel.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimeEdit>

using namespace Qt::Literals::StringLiterals;

class FakeTray final : public AbstractTray
{
public:
    bool shown = false;
    bool isShown() const override { return shown; }
    bool isAwaited() const override { return false; }
    QRect iconGeometry() const override { return {}; }
    void setState(const QString &, bool) override { }
};

// In Berlin, in American English. The test is the login item and the
// notifier too.
class MenubarTest : public QObject, public AbstractLoginItem, public AbstractNotifier
{
    Q_OBJECT
    QStringList m_notified;
    void notify(const QString &summary, const QString &) override { m_notified << summary; }
    std::unique_ptr<StoreFixture> m_store;
    std::unique_ptr<AlarmListView> m_view;
    Status m_status = Status::NotRegistered;
    Status m_onRegister = Status::Enabled; // what a registration leads to: none when refused

    Status status() const override { return m_status; }
    bool registerItem() override { return (m_status = m_onRegister) != Status::NotRegistered; }
    bool unregisterItem() override { return m_status = Status::NotRegistered, true; }

    // The window over a store whose clock reads `now`.
    AlarmListView &open(const QString &now = u"2026-01-05T10:37:00+01:00"_s)
    {
        m_store = std::make_unique<StoreFixture>();
        *m_store->now = momentFromIso(now);
        m_view = std::make_unique<AlarmListView>(m_store->start(), *this);
        m_view->show();
        return *m_view;
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); } // as in the program
    void cleanup() { m_view.reset(), m_store.reset(); }

    void details_data()
    {
        QTest::addColumn<QString>("alarm"); // when in January 2026, and of what kind
        QTest::addColumn<QString>("details"); // without a label
        // Now is 23:30 on 5 January in Berlin, still 22:30 in UTC.
        QTest::newRow("snoozed") << u"5T23:35 snooze"_s << u"Snoozed"_s;
        QTest::newRow("every day, off") << u"6T07:30 daily off"_s << u"Every day"_s;
        QTest::newRow("once today") << u"5T23:50"_s << u"Once · today"_s;
        QTest::newRow("tomorrow, today in UTC") << u"6T00:30"_s << u"Once · tomorrow"_s;
        QTest::newRow("tomorrow, over 24 hours ahead") << u"6T23:45"_s << u"Once · tomorrow"_s;
        QTest::newRow("later, tomorrow in UTC") << u"7T00:30"_s << u"Once · Jan 7, 2026"_s;
        QTest::newRow("once finished") << u"5T07:30 off"_s << u"Once · finished"_s;
    }
    void details()
    {
        QFETCH(QString, alarm);
        QFETCH(QString, details);
        open(u"2026-01-05T23:30:00+01:00"_s);
        Alarm shown { {}, momentFromIso(u"2026-01-0"_s + alarm.left(7) + u":00+01:00"_s), {},
            alarm.contains(u"daily"_s), !alarm.contains(u"off"_s), alarm.contains(u"snooze"_s) };
        for (const QString &label : { QString(), u"Gym"_s }) {
            shown.label = label;
            m_store->alarms->setAlarms({ shown });
            const QString expected
                = label.isEmpty() ? details : u"\u2068"_s + label + u"\u2069 · "_s + details;
            QCOMPARE(m_view->findChild<FittedLabel *>(u"details"_s)->text(), expected);
        }
    }

    // A row reads "tomorrow" until midnight, and "today" from the first tick
    // after it, with the window open all the while.
    void midnight()
    {
        open(u"2026-01-05T23:59:59+01:00"_s);
        Alarm seven;
        seven.fireDate = momentFromIso(u"2026-01-06T07:00:00+01:00"_s);
        m_store->alarms->setAlarms({ seven });
        auto *details = m_view->findChild<FittedLabel *>(u"details"_s);
        QCOMPARE(details->text(), u"Once · tomorrow"_s);
        *m_store->now += 1;
        QTRY_COMPARE(m_view->findChild<FittedLabel *>(u"details"_s)->text(), u"Once · today"_s);
    }

    // While saving fails the window says so, in one line, until a save
    // succeeds again.
    void saveNotice()
    {
        open();
        auto *notice = m_view->findChild<FittedLabel *>(u"saveNotice"_s);
        QVERIFY(!notice->isVisible());
        QVERIFY(QDir().mkpath(m_store->file())); // a folder where the file should be
        m_view->findChild<QPushButton *>(u"addButton"_s)->click();
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->text().startsWith(u"Alarms could not be saved: "_s)
                && notice->text().endsWith(u"; they ring while Brisvane runs"_s),
            qPrintable(notice->text()));
        QVERIFY(QDir(m_store->file()).removeRecursively());
        m_view->findChild<QPushButton *>(u"addButton"_s)->click();
        QVERIFY(!notice->isVisible());
    }

    // However long the label, in whatever script, the switch and the bin stay
    // in the window; the whole label is in the row's tooltip.
    void longLabel_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("45 characters") << u"Call the garage about the winter tyres on Friday"_s;
        QTest::newRow("no spaces") << QString(300, u'W');
        QTest::newRow("Arabic") << QString(40, u'\u0645')
                + u" \u0627\u0644\u0633\u0627\u0639\u0629"_s;
        QTest::newRow("markup is text") << u"<b>x</b>"_s;
    }
    void longLabel()
    {
        QFETCH(QString, label);
        open().findChild<QLineEdit *>(u"labelEdit"_s)->setText(label);
        m_view->findChild<QPushButton *>(u"addButton"_s)->click();
        const QRect window = m_view->rect();
        for (const char *name : { "enabledSwitch", "deleteButton" }) {
            auto *control = m_view->findChild<QWidget *>(QLatin1StringView(name));
            const QRect at(control->mapTo(m_view.get(), QPoint()), control->size());
            QVERIFY2(window.contains(at), name);
        }
        // What the tooltip shows, as Qt reads it.
        const QString tip = m_view->findChild<AlarmRow *>()->toolTip();
        QVERIFY(
            (Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip)
                .contains(label));
    }

    void defaultNewTime_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QTime>("shown");
        QTest::newRow("10:37") << u"2026-01-05T10:37:00+01:00"_s << QTime(12, 0);
        QTest::newRow("10:00:30") << u"2026-01-05T10:00:30+01:00"_s << QTime(11, 0);
        QTest::newRow("23:30") << u"2026-01-05T23:30:00+01:00"_s << QTime(1, 0);
    }
    void defaultNewTime()
    {
        QFETCH(QString, now);
        QFETCH(QTime, shown);
        QCOMPARE(open(now).findChild<QTimeEdit *>(u"timeEdit"_s)->time(), shown);
    }

    // Return adds the alarm, which takes the place of "No alarms set.", and
    // "Test Alert" rings without adding one.
    void addingAndTestAlert()
    {
        open();
        auto *empty = m_view->findChild<QLabel *>(u"emptyText"_s);
        QCOMPARE(empty->text(), u"No alarms set."_s);
        m_view->findChild<QTimeEdit *>(u"timeEdit"_s)->setTime(QTime(7, 45));
        m_view->findChild<QCheckBox *>(u"repeatDaily"_s)->setChecked(true);
        QTest::keyClicks(m_view->findChild<QWidget *>(u"labelEdit"_s), u" Gym  bag "_s);
        QTest::keyClick(m_view->findChild<QWidget *>(u"labelEdit"_s), Qt::Key_Return);
        QCOMPARE(m_store->alarms->alarms().size(), 1);
        const Alarm added = m_store->alarms->alarms().constFirst();
        QCOMPARE(added.label, u"Gym  bag"_s);
        QCOMPARE(isoFromMoment(added.fireDate, 3600), u"2026-01-06T07:45:00.000+01:00"_s);
        QVERIFY(added.repeatsDaily);
        QCOMPARE(m_view->findChild<QLineEdit *>(u"labelEdit"_s)->text(), QString());
        QCOMPARE(m_view->findChild<QTimeEdit *>(u"timeEdit"_s)->time(), QTime(7, 45));
        QVERIFY2(m_view->findChild<QCheckBox *>(u"repeatDaily"_s)->isChecked(), "repeat cleared");
        auto *list = m_view->findChild<QWidget *>(u"alarmList"_s);
        QVERIFY(!empty->isVisible() && list->isVisible());
        QTest::mouseClick(m_view->findChild<QWidget *>(u"deleteButton"_s), Qt::LeftButton);
        QVERIFY2(empty->isVisible() && !list->isVisible(), "an empty list shows");
        QTest::mouseClick(m_view->findChild<QWidget *>(u"testAlertButton"_s), Qt::LeftButton);
        QCOMPARE(m_store->alert->shown.size(), 1);
        QCOMPARE(m_store->alert->shown.constFirst().label, u"Test"_s);
        QVERIFY2(m_store->alarms->alarms().isEmpty(), "\"Test Alert\" added an alarm");
    }

    // A time picked on the day the clocks skip it rings at that time on the
    // next day that has it, not at the end of the gap every day after.
    void springForward_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("fires");
        QTest::addColumn<int>("offset"); // of summer time, in seconds
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << u"2027-03-28T10:00:00+02:00"_s
                                << u"2027-03-29T02:30:00.000+02:00"_s << 7200;
        QTest::newRow("New York") << QByteArray("America/New_York")
                                  << u"2027-03-14T10:00:00-04:00"_s
                                  << u"2027-03-15T02:30:00.000-04:00"_s << -14400;
    }
    void springForward()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, now);
        QFETCH(QString, fires);
        QFETCH(int, offset);
        qputenv("TZ", zone);
        auto restore = qScopeGuard([] { qputenv("TZ", "Europe/Berlin"); });
        open(now).findChild<QTimeEdit *>(u"timeEdit"_s)->setTime(QTime(2, 30));
        m_view->findChild<QCheckBox *>(u"repeatDaily"_s)->setChecked(true);
        m_view->findChild<QPushButton *>(u"addButton"_s)->click();
        QCOMPARE(isoFromMoment(m_store->alarms->alarms().value(0).fireDate, offset), fires);
    }

    // While alarms ring, the window's banner answers the alert on screen as
    // its own buttons do; Escape closes the window.
    void ringingBanner()
    {
        open();
        for (const QString &label : { u"Tea"_s, u"Gym"_s })
            m_store->alarms->ring({ QUuid::createUuid(), label, *m_store->now });
        auto *banner = m_view->findChild<QWidget *>(u"ringingBanner"_s);
        QVERIFY(banner->isVisible());
        QCOMPARE(m_view->findChild<FittedLabel *>(u"ringingText"_s)->text(),
            u"\u2068Tea\u2069 · 10:37\u202FAM"_s);
        m_view->findChild<QPushButton *>(u"dismissButton"_s)->click();
        QCOMPARE(m_store->alert->shown.last().label, u"Gym"_s);
        QVERIFY(m_view->findChild<FittedLabel *>(u"ringingText"_s)->text().contains(u"Gym"_s));
        m_view->findChild<QPushButton *>(u"snoozeButton"_s)->click();
        QVERIFY(!banner->isVisible() && !m_store->alert->up);
        QCOMPARE(m_store->alarms->alarms().value(0).label, u"Gym"_s);
        QTest::keyClick(m_view.get(), Qt::Key_Escape);
        QVERIFY(!m_view->isVisible());
    }

    // Tab goes through every control in the order they are seen, from the
    // ringing banner at the top to the link at the foot; Return works each.
    void keyboard()
    {
        open();
        m_store->alarms->ring({ QUuid::createUuid(), u"Tea"_s, *m_store->now });
        m_view->findChild<QTimeEdit *>(u"timeEdit"_s)->setTime(QTime(7, 30));
        QTest::keyClick(m_view->findChild<QWidget *>(u"labelEdit"_s), Qt::Key_Return);
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        m_view->findChild<QWidget *>(u"snoozeButton"_s)->setFocus();
        QStringList order; // Tab goes through the time's fields too: each control once
        for (int i = 0; i < 15; ++i) {
            if (order.value(order.size() - 1) != QApplication::focusWidget()->objectName())
                order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '),
            u"snoozeButton dismissButton timeEdit labelEdit repeatDaily addButton enabledSwitch "
            "deleteButton testAlertButton openAtLogin quitButton creditLine snoozeButton"_s);
        for (const char *name : { "enabledSwitch", "testAlertButton" }) {
            auto *control = m_view->findChild<QWidget *>(QLatin1StringView(name));
            control->setFocus();
            QTest::keyClick(control, Qt::Key_Return);
            QTest::qWait(200); // Return, as Space, animates the press
        }
        QVERIFY2(!m_store->alarms->alarms().value(0).isEnabled, "Return left the switch on");
        QCOMPARE(m_store->alarms->ringing().size(), 2); // the test alert
    }

    // What the tray's tooltip says under "Brisvane", at 23:30 on 5 January.
    void nextAlarm_data()
    {
        QTest::addColumn<QList<Alarm>>("alarms");
        QTest::addColumn<QString>("text");
        const auto at = [](const char *when, bool on = true) {
            Alarm alarm;
            alarm.fireDate = momentFromIso(QString::fromLatin1(when));
            alarm.isEnabled = on;
            alarm.label = u"Dentist"_s;
            return alarm;
        };
        QTest::newRow("none") << QList<Alarm>() << u"No alarms set."_s;
        QTest::newRow("all off") << QList { at("2026-01-06T07:30:00+01:00", false) }
                                 << u"No alarm is on."_s;
        QTest::newRow("tomorrow, the earlier of two")
            << QList { at("2026-01-09T07:00:00+01:00"), at("2026-01-06T07:30:00+01:00") }
            << u"Next: \u2068Dentist\u2069 · 7:30\u202FAM tomorrow"_s;
        QTest::newRow("today") << QList { at("2026-01-05T23:45:00+01:00") }
                               << u"Next: \u2068Dentist\u2069 · 11:45\u202FPM today"_s;
        QTest::newRow("later") << QList { at("2026-01-09T07:00:00+01:00") }
                               << u"Next: \u2068Dentist\u2069 · 7:00\u202FAM, Jan 9, 2026"_s;
    }
    void nextAlarm()
    {
        QFETCH(QList<Alarm>, alarms);
        QFETCH(QString, text);
        StoreFixture store;
        *store.now = momentFromIso(u"2026-01-05T23:30:00+01:00"_s);
        store.start().setAlarms(alarms);
        QCOMPARE(TrayController::nextAlarmText(*store.alarms), text);
    }

    void openAtLogin_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<Status>("onRegister");
        QTest::addColumn<bool>("after");
        QTest::newRow("registered") << false << Status::Enabled << true;
        QTest::newRow("refused") << false << Status::NotRegistered << false;
        QTest::newRow("needs approval") << false << Status::RequiresApproval << false;
        QTest::newRow("switched off") << true << Status::Enabled << false;
    }
    void openAtLogin()
    {
        QFETCH(bool, before);
        QFETCH(Status, onRegister);
        QFETCH(bool, after);
        m_status = before ? Status::Enabled : Status::NotRegistered;
        m_onRegister = onRegister;
        auto *box = open().findChild<QCheckBox *>(u"openAtLogin"_s);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->isChecked(), after);
        QCOMPARE(m_status, after ? Status::Enabled : Status::NotRegistered);
    }

    // Only "Quit" ends the program: closing the window, with a tray or
    // without, leaves the alarms ringing; without a tray the user is told so,
    // once.
    void closing_data()
    {
        QTest::addColumn<bool>("atLogin");
        QTest::addColumn<QString>("tray"); // what the tray does after the start
        QTest::addColumn<int>("notices"); // after closing the window twice
        QTest::newRow("no tray") << false << u""_s << 1;
        QTest::newRow("a tray that came late") << false << u"comes"_s << 0;
        QTest::newRow("a tray that came and went") << false << u"comes goes"_s << 1;
        QTest::newRow("at login the tray is awaited") << true << u"comes"_s << 0;
    }
    void closing()
    {
        QFETCH(bool, atLogin);
        QFETCH(QString, tray);
        QFETCH(int, notices);
        StoreFixture store;
        FakeTray fake;
        TrayController app(store.start(), *this, fake, *this, TrayController::TrayWindow::Popup);
        app.start(atLogin ? TrayController::Start::AtLogin : TrayController::Start::ByUser);
        QVERIFY2(app.window()->isVisible() != atLogin, "the window opened, or not, at start");
        for (const QString &change : tray.split(u' ', Qt::SkipEmptyParts)) {
            fake.shown = change == u"comes"_s;
            Q_EMIT fake.shownChanged();
        }
        m_notified.clear();
        for (int i = 0; i < 2; ++i) {
            app.showWindow();
            // Ends the loop with 1, unless closing the window asks it to quit (with 0).
            QMetaObject::invokeMethod(
                qApp, [&] { QCoreApplication::exit(1), app.window()->close(); },
                Qt::QueuedConnection);
            QCOMPARE(QCoreApplication::exec(), 1);
            QVERIFY(!app.window()->isVisible());
        }
        QCOMPARE(m_notified.size(), notices);
    }

    // Beside the tray's panel and clear of it, next to the item, wholly in
    // the available area: on a 1440x900 screen, a 380x262 window.
    void placement_data()
    {
        QTest::addColumn<QRect>("available"); // what the desktop reserves room for
        QTest::addColumn<QRect>("anchor"); // the tray item, or the click
        QTest::addColumn<QRect>("window");
        const QRect whole(0, 0, 1440, 900);
        // Plasma 6: a floating panel whose body (852-891) rises 8 px into the
        // area that the desktop says is free; a click low on the bell.
        QTest::newRow("floating bottom panel")
            << QRect(0, 0, 1440, 860) << QRect(1250, 883, 1, 1) << QRect(1060, 586, 380, 262);
        QTest::newRow("top tray, nothing reserved")
            << whole << QRect(1405, 1, 22, 22) << QRect(1060, 34, 380, 262);
        QTest::newRow("top panel reserved")
            << QRect(0, 27, 1440, 873) << QRect(300, 13, 1, 1) << QRect(110, 39, 380, 262);
        QTest::newRow("left panel")
            << QRect(48, 0, 1392, 900) << QRect(20, 450, 1, 1) << QRect(60, 319, 380, 262);
        QTest::newRow("in no panel, low")
            << whole << QRect(300, 800, 1, 1) << QRect(110, 527, 380, 262);
    }
    void placement()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, anchor);
        QFETCH(QRect, window);
        const QPoint at
            = PopupPlacement::topLeft(anchor, window.size(), QRect(0, 0, 1440, 900), available);
        QCOMPARE(QRect(at, window.size()), window);
    }

    // A click anywhere, sent by whoever is on the session bus, opens the
    // window wholly on the screen.
    void opensByTheClick_data()
    {
        QTest::addColumn<QPoint>("click");
        QTest::newRow("bottom left") << QPoint(5, 597);
        QTest::newRow("far outside") << QPoint(INT_MIN, INT_MIN);
    }
    void opensByTheClick()
    {
        QFETCH(QPoint, click);
        StoreFixture store;
        FakeTray tray;
        tray.shown = true;
        TrayController app(store.start(), *this, tray, *this, TrayController::TrayWindow::Popup);
        // From the menu, never clicked: not by the pointer, which lies on the
        // menu, but by the corner where trays are (the top right, here).
        QCursor::setPos(400, 500);
        Q_EMIT tray.openRequested();
        QCOMPARE(app.window()->frameGeometry().topRight(), QPoint(799, 12));
        app.window()->hide();
        QTest::qWait(350); // not the same click as the one that closed it
        Q_EMIT tray.activated(click);
        QVERIFY(app.window()->isVisible());
        const QRect opened = app.window()->frameGeometry();
        QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(opened));
        // The menu's "Open Brisvane" tells no point: it opens where the item
        // was last clicked.
        app.window()->hide();
        Q_EMIT tray.openRequested();
        QCOMPARE(app.window()->frameGeometry(), opened);
    }
};

QTEST_MAIN(MenubarTest)
#include "MenubarTest.moc"
