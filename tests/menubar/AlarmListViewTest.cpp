#include "menubar/AlarmListView.h"
#include "WindowFixture.h"
#include "menubar/ToggleSwitch.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimeEdit>

using namespace Qt::Literals::StringLiterals;

namespace {
// The control that has the keyboard focus, named as "objectName", or
// "label/objectName" inside the row of the alarm with that label.
QString focused()
{
    QWidget *widget = QApplication::focusWidget();
    // The time picker's text field stands in for it.
    while (widget && (widget->objectName().isEmpty() || widget->objectName().startsWith(u"qt_"_s)))
        widget = widget->parentWidget();
    for (QWidget *up = widget; up; up = up->parentWidget()) {
        if (auto *row = qobject_cast<AlarmRow *>(up))
            return row->alarm().label + u'/' + widget->objectName();
    }
    return widget ? widget->objectName() : QString();
}

void press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void showActive(QWidget &view)
{
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
}
} // namespace

// The test runs in Berlin, in American English (see CMakeLists.txt).
class AlarmListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialTimeIsTheFirstWholeHourAnHourAhead_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QTime>("shown");
        QTest::newRow("10:37") << u"2026-01-05T10:37:00+01:00"_s << QTime(12, 0);
        QTest::newRow("10:00:30") << u"2026-01-05T10:00:30+01:00"_s << QTime(11, 0);
        QTest::newRow("10:00 sharp") << u"2026-01-05T10:00:00+01:00"_s << QTime(11, 0);
        QTest::newRow("23:30") << u"2026-01-05T23:30:00+01:00"_s << QTime(1, 0);
    }
    void initialTimeIsTheFirstWholeHourAnHourAhead()
    {
        QFETCH(QString, now);
        QFETCH(QTime, shown);
        WindowFixture f(now);
        f.open();
        QCOMPARE(f.child<QTimeEdit>(u"timeEdit"_s)->time(), shown);
    }

    // "No alarms set." or the rows in display order, in a scroll area as tall
    // as they are up to a limit.
    void listFollowsTheStore_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0;
        QTest::newRow("three") << 3;
        QTest::newRow("twelve") << 12;
    }
    void listFollowsTheStore()
    {
        QFETCH(int, count);
        WindowFixture f;
        f.open().show();
        for (int i = count; i > 0; --i)
            f.store->add(i * 60.0, QString::number(i), AlarmStore::Recurrence::Once);
        QCoreApplication::processEvents();
        auto *list = f.child<QScrollArea>(u"alarmList"_s);
        QCOMPARE(f.child<QLabel>(u"emptyText"_s)->text(), u"No alarms set."_s);
        QCOMPARE(f.child(u"emptyText"_s)->isVisible(), count == 0);
        QCOMPARE(list->isVisible(), count > 0);
        const QList<AlarmRow *> shown = f.rows();
        QCOMPARE(shown.size(), count);
        if (count == 0)
            return;
        QCOMPARE(shown.constFirst()->alarm().label, u"1"_s);
        const int rowsHeight = shown.constLast()->geometry().bottom() + 1 - shown.constFirst()->y();
        const bool scrolls = rowsHeight > AlarmListView::kMaximumListHeight;
        QCOMPARE(scrolls, count > 3);
        QCOMPARE(list->height(), scrolls ? AlarmListView::kMaximumListHeight : rowsHeight);
        QCOMPARE(list->verticalScrollBar()->maximum() > 0, scrolls);
        // The window follows the list's height.
        QVERIFY(f.view->height() > list->geometry().bottom());
    }

    void returnInTheLabelFieldAddsAndOnlyTheLabelEmpties()
    {
        WindowFixture f(u"2026-01-05T10:37:00+01:00"_s);
        f.open().show();
        auto *time = f.child<QTimeEdit>(u"timeEdit"_s);
        auto *label = f.child<QLineEdit>(u"labelEdit"_s);
        auto *repeat = f.child<QCheckBox>(u"repeatDaily"_s);
        time->setTime(QTime(7, 45));
        repeat->setChecked(true);
        label->setFocus();
        QTest::keyClicks(label, u"  Gym"_s);
        QTest::keyClick(label, Qt::Key_Return);

        QCOMPARE(f.store->alarms().size(), 1);
        const Alarm added = f.store->alarms().constFirst();
        QCOMPARE(added.label, u"Gym"_s);
        QCOMPARE(added.repeatsDaily, true);
        QCOMPARE(isoFromMoment(added.fireDate, 3600), u"2026-01-06T07:45:00.000+01:00"_s);
        QCOMPARE(f.storedAlarms(), f.store->alarms());
        QCOMPARE(label->text(), QString());
        QCOMPARE(time->time(), QTime(7, 45));
        QCOMPARE(repeat->isChecked(), true);
    }

    void testAlertQueuesBehindTheAlertOnScreen()
    {
        WindowFixture f;
        f.store->add(0, u"Kept"_s, AlarmStore::Recurrence::Daily);
        const QList<Alarm> before = f.store->alarms();
        const int writes = *f.writes;
        f.open().show();
        RingingAlarm showing;
        showing.label = u"Due"_s;
        f.store->ring(showing);
        f.alarmsChanged->clear();

        *f.time += 5;
        QTest::mouseClick(f.child<QPushButton>(u"testAlertButton"_s), Qt::LeftButton);
        QCOMPARE(f.presenter->shown.size(), 1);
        QCOMPARE(f.store->ringing().size(), 2);
        QCOMPARE(f.store->alarms(), before);
        QCOMPARE(*f.writes, writes);
        QCOMPARE(f.alarmsChanged->count(), 0);

        f.presenter->pressDismiss();
        QCOMPARE(f.presenter->current->label, u"Test"_s);
        QCOMPARE(f.presenter->current->scheduledFor, *f.time);
    }

    void openAtLogin_data()
    {
        QTest::addColumn<AbstractLoginItem::Status>("initial");
        QTest::addColumn<std::optional<AbstractLoginItem::Status>>("afterRegister");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QStringList>("calls");
        using S = AbstractLoginItem::Status;
        const QStringList backOff { u"register"_s, u"status"_s, u"unregister"_s, u"status"_s };
        QTest::newRow("accepted") << S::NotRegistered << std::optional(S::Enabled) << true
                                  << QStringList { u"register"_s, u"status"_s };
        // The box goes back off, and that change unregisters.
        QTest::newRow("refused") << S::NotRegistered << std::optional<S>() << false << backOff;
        QTest::newRow("requires approval")
            << S::NotRegistered << std::optional(S::RequiresApproval) << false << backOff;
        QTest::newRow("switched off") << S::Enabled << std::optional(S::Enabled) << false
                                      << QStringList { u"unregister"_s, u"status"_s };
    }
    void openAtLogin()
    {
        QFETCH(AbstractLoginItem::Status, initial);
        QFETCH(std::optional<AbstractLoginItem::Status>, afterRegister);
        QFETCH(bool, shown);
        QFETCH(QStringList, calls);
        WindowFixture f;
        f.login.current = initial;
        f.login.afterRegister = afterRegister;
        f.open().show();
        auto *box = f.child<QCheckBox>(u"openAtLogin"_s);
        // Only the status is read to show the first value; nothing changes.
        QCOMPARE(box->isChecked(), initial == AbstractLoginItem::Status::Enabled);
        QCOMPARE(f.login.calls, QStringList { u"status"_s });
        f.login.calls.clear();
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->isChecked(), shown);
        QCOMPARE(f.login.calls, calls);
    }

    void keyboardAndScreenReader()
    {
        WindowFixture f;
        showActive(f.open());
        // Rows added after the window was made still come in their place.
        f.add(u"2026-01-05T18:00:00+01:00"_s, u"Late"_s);
        f.add(u"2026-01-05T12:00:00+01:00"_s, u"Early"_s);
        for (QWidget *widget : f.view->findChildren<QWidget *>()) {
            if (widget->focusPolicy() & Qt::TabFocus && !widget->objectName().startsWith(u"qt_"_s))
                QVERIFY2(!f.accessibleName(widget).isEmpty(), qPrintable(widget->objectName()));
        }
        // The drawn switch reads as a box that is ticked or not.
        QAccessibleInterface *toggle = QAccessible::queryAccessibleInterface(
            f.rows().at(0)->findChild<ToggleSwitch *>(u"enabledSwitch"_s));
        QCOMPARE(toggle->role(), QAccessible::CheckBox);
        QVERIFY(toggle->state().checkable && toggle->state().checked);

        // Tab runs in reading order, through the parts of the time first.
        f.child(u"timeEdit"_s)->setFocus(Qt::TabFocusReason);
        QStringList visited { focused() };
        for (int i = 0; i < 24; ++i) {
            press(Qt::Key_Tab);
            if (focused() != visited.constLast())
                visited.append(focused());
        }
        const QStringList once { u"timeEdit"_s, u"labelEdit"_s, u"repeatDaily"_s, u"addButton"_s,
            u"Early/enabledSwitch"_s, u"Early/deleteButton"_s, u"Late/enabledSwitch"_s,
            u"Late/deleteButton"_s, u"testAlertButton"_s, u"openAtLogin"_s, u"quitButton"_s,
            u"creditLine"_s };
        QCOMPARE(visited.mid(0, once.size() + 2), once + once.mid(0, 2));

        // Space switches an alarm off: it moves down the list, the focus with it.
        f.rows().at(0)->findChild<ToggleSwitch *>(u"enabledSwitch"_s)->setFocus();
        press(Qt::Key_Space);
        QCOMPARE(f.store->alarms().at(1).isEnabled, false);
        QCOMPARE(f.rows().at(1)->alarm().label, u"Early"_s);
        QCOMPARE(focused(), u"Early/enabledSwitch"_s);
        press(Qt::Key_Space);
        QCOMPARE(f.store->alarms().at(1).isEnabled, true);
        // A deleted alarm hands the focus to the row that takes its place,
        // and the last one to what follows the list.
        press(Qt::Key_Tab);
        press(Qt::Key_Space);
        QCOMPARE(focused(), u"Late/deleteButton"_s);
        press(Qt::Key_Space);
        QVERIFY(f.store->alarms().isEmpty());
        QCOMPARE(focused(), u"testAlertButton"_s);
        QVERIFY(f.child(u"emptyText"_s)->isVisible());
    }

    void escapeClosesOnlyThePopup_data()
    {
        QTest::addColumn<Qt::WindowFlags>("flags");
        QTest::addColumn<bool>("closes");
        // With a tray the window is a popup by the icon; without one it is
        // the program, and a stray key must not quit it.
        QTest::newRow("popup") << (Qt::Popup | Qt::FramelessWindowHint) << true;
        QTest::newRow("window") << Qt::WindowFlags(Qt::Window) << false;
    }
    void escapeClosesOnlyThePopup()
    {
        QFETCH(Qt::WindowFlags, flags);
        QFETCH(bool, closes);
        WindowFixture f;
        f.open().setWindowFlags(flags);
        showActive(*f.view);
        // The label field and the time picker both take keys of their own.
        for (const QString &name : { u"labelEdit"_s, u"timeEdit"_s }) {
            f.view->show();
            f.child(name)->setFocus();
            press(Qt::Key_Escape);
            QCOMPARE(f.view->isVisible(), !closes);
        }
    }
};

QTEST_MAIN(AlarmListViewTest)
#include "AlarmListViewTest.moc"
