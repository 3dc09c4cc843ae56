#include "menubar/AlarmListView.h"
#include "FakeLoginItem.h"
#include "menubar/AlarmRow.h"
#include "menubar/ToggleSwitch.h"
#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The test runs in Berlin, in American English (see CMakeLists.txt).
class AlarmListViewTest : public QObject
{
    Q_OBJECT

private:
    // The rows in the order the window shows them.
    static QList<AlarmRow *> rows(const AlarmListView &view)
    {
        QList<AlarmRow *> rows = view.findChildren<AlarmRow *>(u"alarmRow"_s);
        std::sort(
            rows.begin(), rows.end(), [](AlarmRow *a, AlarmRow *b) { return a->y() < b->y(); });
        return rows;
    }

    template<typename T>
    static T *child(const AlarmListView &view, const QString &name)
    {
        T *found = view.findChild<T *>(name);
        if (!found)
            qFatal("no child named %s", qPrintable(name));
        return found;
    }

    static void showAndWait(AlarmListView &view)
    {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    static void showActive(AlarmListView &view)
    {
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
    }

    // The control that has the keyboard focus, named as "objectName", or
    // "label/objectName" inside the row of the alarm with that label.
    static QString focused()
    {
        QWidget *widget = QApplication::focusWidget();
        if (!widget)
            return QString();
        // The time picker's text field stands in for it.
        while (widget->objectName().isEmpty() || widget->objectName().startsWith(u"qt_"_s))
            widget = widget->parentWidget();
        for (QWidget *up = widget; up; up = up->parentWidget()) {
            if (auto *row = qobject_cast<AlarmRow *>(up))
                return row->alarm().label + u'/' + widget->objectName();
        }
        return widget->objectName();
    }

    static QString accessibleName(QWidget *widget)
    {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible ? accessible->text(QAccessible::Name) : QString();
    }

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
        StoreFixture fixture;
        *fixture.time = momentFromIso(now);
        FakeLoginItem login;
        AlarmListView view(fixture.start(), login);
        QCOMPARE(child<QTimeEdit>(view, u"timeEdit"_s)->time(), shown);
    }

    void listSwitchesBetweenEmptyTextAndRows()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T10:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        FakeLoginItem login;
        AlarmListView view(store, login);
        showAndWait(view);
        auto *emptyText = child<QLabel>(view, u"emptyText"_s);
        auto *list = child<QScrollArea>(view, u"alarmList"_s);
        QCOMPARE(view.width(), AlarmListView::kWidth);
        QCOMPARE(emptyText->text(), u"No alarms set."_s);
        QVERIFY(emptyText->isVisible());
        QVERIFY(!list->isVisible());

        store.add(
            momentFromIso(u"2026-01-05T18:00:00+01:00"_s), u"Late"_s, AlarmStore::Recurrence::Once);
        store.add(momentFromIso(u"2026-01-05T12:00:00+01:00"_s), u"Early"_s,
            AlarmStore::Recurrence::Once);
        QVERIFY(!emptyText->isVisible());
        QVERIFY(list->isVisible());
        QList<AlarmRow *> shown = rows(view);
        QCOMPARE(shown.size(), 2);
        // Display order, not the order of adding.
        QCOMPARE(shown.at(0)->alarm().label, u"Early"_s);
        QCOMPARE(shown.at(1)->alarm().label, u"Late"_s);

        // Switching one off from its own row rebuilds the list under the click.
        QTest::mouseClick(
            shown.at(0)->findChild<ToggleSwitch *>(u"enabledSwitch"_s), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        shown = rows(view);
        QCOMPARE(shown.at(0)->alarm().label, u"Late"_s);
        QCOMPARE(shown.at(1)->alarm().label, u"Early"_s);
        QCOMPARE(shown.at(1)->alarm().isEnabled, false);

        // Deleting the last one from its row brings the empty text back.
        while (!rows(view).isEmpty()) {
            QTest::mouseClick(rows(view).constFirst()->findChild<QToolButton *>(u"deleteButton"_s),
                Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QVERIFY(store.alarms().isEmpty());
        QVERIFY(emptyText->isVisible());
        QVERIFY(!list->isVisible());
    }

    void listIsAsTallAsItsRowsUpToALimit_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
        QTest::newRow("twelve") << 12;
    }
    void listIsAsTallAsItsRowsUpToALimit()
    {
        QFETCH(int, count);
        StoreFixture fixture;
        AlarmStore &store = fixture.start();
        FakeLoginItem login;
        AlarmListView view(store, login);
        showAndWait(view);
        for (int i = 0; i < count; ++i)
            store.add(i * 60.0, u"Alarm %1"_s.arg(i), AlarmStore::Recurrence::Once);
        QCoreApplication::processEvents();

        auto *list = child<QScrollArea>(view, u"alarmList"_s);
        const QList<AlarmRow *> shown = rows(view);
        QCOMPARE(shown.size(), count);
        const int rowsHeight
            = shown.constLast()->geometry().bottom() + 1 - shown.constFirst()->geometry().top();
        if (rowsHeight <= AlarmListView::kMaximumListHeight) {
            QCOMPARE(list->height(), rowsHeight);
            QCOMPARE(list->verticalScrollBar()->maximum(), 0);
        } else {
            QVERIFY(count > 3);
            QCOMPARE(list->height(), AlarmListView::kMaximumListHeight);
            QVERIFY(list->verticalScrollBar()->maximum() > 0);
        }
        // The window follows the list's height.
        QVERIFY(view.height() > list->geometry().bottom());
    }

    void returnInTheLabelFieldAddsAndOnlyTheLabelEmpties()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T10:37:00+01:00"_s);
        AlarmStore &store = fixture.start();
        FakeLoginItem login;
        AlarmListView view(store, login);
        showAndWait(view);
        auto *time = child<QTimeEdit>(view, u"timeEdit"_s);
        auto *label = child<QLineEdit>(view, u"labelEdit"_s);
        auto *repeat = child<QCheckBox>(view, u"repeatDaily"_s);
        QCOMPARE(label->placeholderText(), u"Label (optional)"_s);

        time->setTime(QTime(7, 45));
        repeat->setChecked(true);
        label->setFocus();
        QTest::keyClicks(label, u"  Gym"_s);
        QTest::keyClick(label, Qt::Key_Return);

        QCOMPARE(store.alarms().size(), 1);
        const Alarm added = store.alarms().constFirst();
        QCOMPARE(added.label, u"Gym"_s);
        QCOMPARE(added.repeatsDaily, true);
        QCOMPARE(isoFromMoment(added.fireDate, 3600), u"2026-01-06T07:45:00.000+01:00"_s);
        QCOMPARE(fixture.storedAlarms(), store.alarms());

        QCOMPARE(label->text(), QString());
        QCOMPARE(time->time(), QTime(7, 45));
        QCOMPARE(repeat->isChecked(), true);

        // The button adds too; an empty label is the store's to accept.
        repeat->setChecked(false);
        QTest::mouseClick(child<QPushButton>(view, u"addButton"_s), Qt::LeftButton);
        QCOMPARE(store.alarms().size(), 2);
        QCOMPARE(store.alarms().at(1).label, QString());
        QCOMPARE(store.alarms().at(1).repeatsDaily, false);
        QCOMPARE(rows(view).size(), 2);
    }

    void testAlertQueuesBehindTheAlertOnScreen()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T10:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        store.add(0, u"Kept"_s, AlarmStore::Recurrence::Daily);
        const QList<Alarm> before = store.alarms();
        const int writes = *fixture.writes;
        FakeLoginItem login;
        AlarmListView view(store, login);
        showAndWait(view);
        RingingAlarm showing;
        showing.label = u"Due"_s;
        store.ring(showing);
        fixture.alarmsChanged->clear();

        *fixture.time += 5;
        QTest::mouseClick(child<QPushButton>(view, u"testAlertButton"_s), Qt::LeftButton);

        QCOMPARE(fixture.presenter->shown.size(), 1);
        QCOMPARE(fixture.presenter->current->label, u"Due"_s);
        QCOMPARE(store.ringing().size(), 2);
        QCOMPARE(store.alarms(), before);
        QCOMPARE(*fixture.writes, writes);
        QCOMPARE(fixture.alarmsChanged->count(), 0);

        fixture.presenter->pressDismiss();
        QCOMPARE(fixture.presenter->current->label, u"Test"_s);
        QCOMPARE(fixture.presenter->current->scheduledFor, *fixture.time);
        QVERIFY(fixture.presenter->current->id != showing.id);
    }

    void openAtLogin_data()
    {
        QTest::addColumn<AbstractLoginItem::Status>("initial");
        QTest::addColumn<std::optional<AbstractLoginItem::Status>>("afterRegister");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QStringList>("calls");
        using S = AbstractLoginItem::Status;
        QTest::newRow("accepted") << S::NotRegistered << std::optional(S::Enabled) << true
                                  << QStringList { u"register"_s, u"status"_s };
        // The box goes back off, and that change unregisters.
        QTest::newRow("refused") << S::NotRegistered << std::optional<S>() << false
                                 << QStringList { u"register"_s, u"status"_s, u"unregister"_s,
                                        u"status"_s };
        QTest::newRow("requires approval")
            << S::NotRegistered << std::optional(S::RequiresApproval) << false
            << QStringList { u"register"_s, u"status"_s, u"unregister"_s, u"status"_s };
        QTest::newRow("switched off") << S::Enabled << std::optional(S::Enabled) << false
                                      << QStringList { u"unregister"_s, u"status"_s };
    }
    void openAtLogin()
    {
        QFETCH(AbstractLoginItem::Status, initial);
        QFETCH(std::optional<AbstractLoginItem::Status>, afterRegister);
        QFETCH(bool, shown);
        QFETCH(QStringList, calls);
        StoreFixture fixture;
        FakeLoginItem login;
        login.current = initial;
        login.afterRegister = afterRegister;
        AlarmListView view(fixture.start(), login);
        showAndWait(view);
        auto *box = child<QCheckBox>(view, u"openAtLogin"_s);
        // Only the status is read to show the first value; nothing changes.
        QCOMPARE(box->isChecked(), initial == AbstractLoginItem::Status::Enabled);
        QCOMPARE(login.calls, QStringList { u"status"_s });
        login.calls.clear();

        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->isChecked(), shown);
        QCOMPARE(login.calls, calls);
    }
    void tabRunsThroughTheWindowInReadingOrder()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T10:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        FakeLoginItem login;
        AlarmListView view(store, login);
        showActive(view);
        // Rows added after the window was made still come in their place.
        store.add(
            momentFromIso(u"2026-01-05T18:00:00+01:00"_s), u"Late"_s, AlarmStore::Recurrence::Once);
        store.add(momentFromIso(u"2026-01-05T12:00:00+01:00"_s), u"Early"_s,
            AlarmStore::Recurrence::Once);
        child<QTimeEdit>(view, u"timeEdit"_s)->setFocus(Qt::TabFocusReason);

        // Tab steps through the parts of the time (hour, minute, AM/PM) first.
        QStringList visited { focused() };
        for (int i = 0; i < 24; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (focused() != visited.constLast())
                visited.append(focused());
        }
        const QStringList once { u"timeEdit"_s, u"labelEdit"_s, u"repeatDaily"_s, u"addButton"_s,
            u"Early/enabledSwitch"_s, u"Early/deleteButton"_s, u"Late/enabledSwitch"_s,
            u"Late/deleteButton"_s, u"testAlertButton"_s, u"openAtLogin"_s, u"quitButton"_s,
            u"creditLine"_s };
        QCOMPARE(visited.mid(0, once.size()), once);
        QCOMPARE(visited.mid(once.size(), 2), once.mid(0, 2));
    }

    void everyControlIsNamedForAScreenReader()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T10:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        store.add(
            momentFromIso(u"2026-01-05T07:30:00+01:00"_s), u"Gym"_s, AlarmStore::Recurrence::Daily);
        store.add(
            momentFromIso(u"2026-01-05T09:15:00+01:00"_s), QString(), AlarmStore::Recurrence::Once);
        store.setEnabled(false, store.alarms().at(1));
        FakeLoginItem login;
        AlarmListView view(store, login);

        for (QWidget *widget : view.findChildren<QWidget *>()) {
            if (widget->focusPolicy() & Qt::TabFocus && !widget->objectName().startsWith(u"qt_"_s))
                QVERIFY2(!accessibleName(widget).isEmpty(), qPrintable(widget->objectName()));
        }

        const QList<AlarmRow *> shown = rows(view);
        QCOMPARE(shown.size(), 2);
        auto *gymSwitch = shown.at(0)->findChild<ToggleSwitch *>(u"enabledSwitch"_s);
        auto *offSwitch = shown.at(1)->findChild<ToggleSwitch *>(u"enabledSwitch"_s);
        QCOMPARE(accessibleName(gymSwitch), u"On, 7:30\u202FAM Gym"_s);
        QCOMPARE(accessibleName(offSwitch), u"Off, 9:15\u202FAM"_s);
        QCOMPARE(accessibleName(shown.at(0)->findChild<QToolButton *>(u"deleteButton"_s)),
            u"Delete alarm 7:30\u202FAM Gym"_s);

        // The drawn switch reads as a box that is ticked or not.
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(gymSwitch);
        QCOMPARE(accessible->role(), QAccessible::CheckBox);
        QVERIFY(accessible->state().checkable);
        QVERIFY(accessible->state().checked);
        QVERIFY(!QAccessible::queryAccessibleInterface(offSwitch)->state().checked);
    }

    void spaceOnTheFocusedControlActsAndTheFocusStays()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T10:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        store.add(momentFromIso(u"2026-01-05T12:00:00+01:00"_s), u"Early"_s,
            AlarmStore::Recurrence::Once);
        store.add(
            momentFromIso(u"2026-01-05T18:00:00+01:00"_s), u"Late"_s, AlarmStore::Recurrence::Once);
        FakeLoginItem login;
        AlarmListView view(store, login);
        showActive(view);
        const auto press = [] {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };

        // Off: the alarm moves down the list, and the focus goes with it.
        rows(view).at(0)->findChild<ToggleSwitch *>(u"enabledSwitch"_s)->setFocus();
        press();
        QCOMPARE(store.alarms().at(0).isEnabled, false);
        QCOMPARE(focused(), u"Early/enabledSwitch"_s);
        QCOMPARE(rows(view).at(1)->alarm().label, u"Early"_s);
        press();
        QCOMPARE(store.alarms().at(0).isEnabled, true);
        QCOMPARE(focused(), u"Early/enabledSwitch"_s);

        // A deleted alarm hands the focus to the row that takes its place,
        // and the last one to what follows the list.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focused(), u"Early/deleteButton"_s);
        press();
        QCOMPARE(store.alarms().size(), 1);
        QCOMPARE(focused(), u"Late/deleteButton"_s);
        press();
        QVERIFY(store.alarms().isEmpty());
        QCOMPARE(focused(), u"testAlertButton"_s);
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
        StoreFixture fixture;
        FakeLoginItem login;
        AlarmListView view(fixture.start(), login);
        view.setWindowFlags(flags);
        showActive(view);
        // Whatever has the focus: the label field and the time picker
        // both take keys of their own.
        for (const QString &name : { u"labelEdit"_s, u"timeEdit"_s }) {
            view.show();
            child<QWidget>(view, name)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QCOMPARE(view.isVisible(), !closes);
        }
    }
};

QTEST_MAIN(AlarmListViewTest)
#include "AlarmListViewTest.moc"
