#include "menubar/AlarmRow.h"
#include "menubar/ToggleSwitch.h"
#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The test runs in Berlin, in American English (see CMakeLists.txt).
class AlarmRowTest : public QObject
{
    Q_OBJECT

private:
    static Alarm alarmAt(const QString &fireDate)
    {
        Alarm alarm;
        alarm.fireDate = momentFromIso(fireDate);
        return alarm;
    }

private Q_SLOTS:
    void details_data()
    {
        QTest::addColumn<QString>("fireDate");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("repeatsDaily");
        QTest::addColumn<bool>("isEnabled");
        QTest::addColumn<bool>("isSnooze");
        QTest::addColumn<QString>("expected");

        // Now is Monday 2026-01-05, 22:00 in Berlin.
        QTest::newRow("today") << u"2026-01-05T23:30:00+01:00"_s << QString() << false << true
                               << false << u"Once \u00B7 today"_s;
        QTest::newRow("today, labelled") << u"2026-01-05T23:59:00+01:00"_s << u"Tea"_s << false
                                         << true << false << u"Tea \u00B7 Once \u00B7 today"_s;
        QTest::newRow("tomorrow, past midnight in UTC")
            << u"2026-01-06T00:30:00+01:00"_s << QString() << false << true << false
            << u"Once \u00B7 tomorrow"_s;
        QTest::newRow("later date") << u"2026-01-09T07:30:00+01:00"_s << u"Dentist"_s << false
                                    << true << false << u"Dentist \u00B7 Once \u00B7 Jan 9, 2026"_s;
        QTest::newRow("finished") << u"2026-01-05T07:30:00+01:00"_s << QString() << false << false
                                  << false << u"Once \u00B7 finished"_s;
        QTest::newRow("switched off while still ahead")
            << u"2026-01-06T07:30:00+01:00"_s << QString() << false << false << false
            << u"Once \u00B7 finished"_s;
        QTest::newRow("daily") << u"2026-01-06T07:00:00+01:00"_s << u"Gym"_s << true << true
                               << false << u"Gym \u00B7 Every day"_s;
        QTest::newRow("daily, off") << u"2026-01-06T07:00:00+01:00"_s << QString() << true << false
                                    << false << u"Every day"_s;
        QTest::newRow("snoozed") << u"2026-01-05T22:05:00+01:00"_s << u"Tea"_s << false << true
                                 << true << u"Tea \u00B7 Snoozed"_s;
        QTest::newRow("snoozed, off") << u"2026-01-05T22:05:00+01:00"_s << QString() << false
                                      << false << true << u"Snoozed"_s;
        QTest::newRow("label kept as stored, markup and all")
            << u"2026-01-05T23:00:00+01:00"_s << u"  <b>x</b> "_s << false << true << false
            << u"  <b>x</b>  \u00B7 Once \u00B7 today"_s;
    }
    void details()
    {
        QFETCH(QString, fireDate);
        QFETCH(QString, label);
        QFETCH(bool, repeatsDaily);
        QFETCH(bool, isEnabled);
        QFETCH(bool, isSnooze);
        QFETCH(QString, expected);

        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T22:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        Alarm alarm = alarmAt(fireDate);
        alarm.label = label;
        alarm.repeatsDaily = repeatsDaily;
        alarm.isEnabled = isEnabled;
        alarm.isSnooze = isSnooze;

        AlarmRow row(store, alarm);
        auto *details = row.findChild<QLabel *>(u"details"_s);
        QVERIFY(details);
        QCOMPARE(details->text(), expected);
        QCOMPARE(details->textFormat(), Qt::PlainText);
        QCOMPARE(row.findChild<ToggleSwitch *>(u"enabledSwitch"_s)->isChecked(), isEnabled);
    }

    void timeIsShortStyleAndDimmedWhenOff()
    {
        StoreFixture fixture;
        *fixture.time = momentFromIso(u"2026-01-05T22:00:00+01:00"_s);
        AlarmStore &store = fixture.start();
        Alarm on = alarmAt(u"2026-01-06T07:30:00+01:00"_s);
        Alarm off = on;
        off.isEnabled = false;

        AlarmRow onRow(store, on);
        AlarmRow offRow(store, off);
        auto *onTime = onRow.findChild<QLabel *>(u"time"_s);
        auto *offTime = offRow.findChild<QLabel *>(u"time"_s);
        QCOMPARE(onTime->text(), u"7:30\u202FAM"_s);
        QCOMPARE(onTime->textFormat(), Qt::PlainText);
        const QColor onColour = onTime->palette().color(QPalette::WindowText);
        const QColor offColour = offTime->palette().color(QPalette::WindowText);
        QVERIFY2(
            offColour.alphaF() < onColour.alphaF(), "an alarm that is off shows a dimmed time");

        // Times line up in the list only if all digits are equally wide.
        const QFontMetricsF metrics(onTime->font());
        for (char16_t digit = u'1'; digit <= u'9'; ++digit)
            QCOMPARE(metrics.horizontalAdvance(digit), metrics.horizontalAdvance(u'0'));
    }
};

QTEST_MAIN(AlarmRowTest)
#include "AlarmRowTest.moc"
